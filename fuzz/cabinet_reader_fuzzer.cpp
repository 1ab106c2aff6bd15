// Feeds arbitrary bytes to the cabinet engine's reader (the decompression
// side) through in-memory callbacks, in every mode a caller uses:
//
// 1. FdiIsCabinet on the input;
// 2. FdiCopy skipping every file (header, folder and file tables only);
// 3. FdiCopy extracting every file into counting sinks, with the input's
//    second half (from the last "MSCF" after its start) answering whatever
//    next cabinet the first asks for, so set following is reached too;
// 4. when 3 succeeds with little output: a round trip of the extracted
//    files through the writer (the compression side) and the reader again,
//    which must give the same files.
//
// Nothing may crash, hang, leak or write past a buffer; a failure must come
// with a decompression error code.
#include "archive/cab_format.h"
#include "archive/cabinet_write_engine.h"
#include "archive/cabinet_read_engine.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vorafile::archive;

// Cabinets worth fuzzing are small; bigger inputs only slow the search.
constexpr std::size_t kMaxInputSize = 256 * 1024;
// Extracted bytes kept for the round trip; beyond that only counted.
constexpr std::size_t kMaxKeptOutput = 1024 * 1024;

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// Files by name; a name not present opens as `fallback` when one is set.
struct Files {
  std::map<std::string, std::string> byName;
  std::string fallback;
  bool hasFallback = false;
  struct Open {
    std::string name;
    std::size_t position = 0;
  };
  std::map<CabFileHandle, Open> open;
  CabFileHandle next = 1;
  long liveAllocs = 0;
  int temps = 0;
  std::size_t keptOutput = 0;
};

Files &From(void *user) {
  return *static_cast<Files *>(user);
}

void *Alloc(std::size_t size, void *user) {
  ++From(user).liveAllocs;
  return std::malloc(size);
}
void Free(void *memory, void *user) {
  --From(user).liveAllocs;
  std::free(memory);
}
CabFileHandle Open(const char *path, int flags, int, int *, void *user) {
  Files &files = From(user);
  std::string name(path);
  if (files.byName.count(name) == 0) {
    if ((flags & open_flag::kCreate) != 0) {
      files.byName[name];
    } else if (files.hasFallback) {
      files.byName[name] = files.fallback;
    } else {
      return kInvalidCabFile;
    }
  }
  if ((flags & open_flag::kTruncate) != 0) {
    files.byName[name].clear();
  }
  files.open[files.next] = Files::Open{name, 0};
  return files.next++;
}
std::int32_t Read(CabFileHandle file, void *buffer, std::uint32_t count, int *,
                  void *user) {
  Files &files = From(user);
  auto found = files.open.find(file);
  Check(found != files.open.end());
  const std::string &data = files.byName[found->second.name];
  std::size_t at = found->second.position;
  std::size_t n =
      at >= data.size() ? 0 : std::min<std::size_t>(count, data.size() - at);
  std::memcpy(buffer, data.data() + at, n);
  found->second.position += n;
  return static_cast<std::int32_t>(n);
}
std::int32_t Write(CabFileHandle file, const void *buffer, std::uint32_t count,
                   int *, void *user) {
  Files &files = From(user);
  auto found = files.open.find(file);
  Check(found != files.open.end());
  std::string &data = files.byName[found->second.name];
  std::size_t at = found->second.position;
  bool isOutput = found->second.name.rfind("out/", 0) == 0;
  if (isOutput && files.keptOutput + count > kMaxKeptOutput) {
    found->second.position += count; // counted, not kept
    return static_cast<std::int32_t>(count);
  }
  if (data.size() < at + count) {
    if (isOutput) {
      files.keptOutput += at + count - data.size();
    }
    data.resize(at + count);
  }
  std::memcpy(data.data() + at, buffer, count);
  found->second.position += count;
  return static_cast<std::int32_t>(count);
}
int Close(CabFileHandle file, int *, void *user) {
  Check(From(user).open.erase(file) == 1);
  return 0;
}
std::int64_t Seek(CabFileHandle file, std::int64_t distance, int origin, int *,
                  void *user) {
  Files &files = From(user);
  auto found = files.open.find(file);
  Check(found != files.open.end());
  std::int64_t base = 0;
  if (origin == kSeekCur) {
    base = static_cast<std::int64_t>(found->second.position);
  } else if (origin == kSeekEnd) {
    base = static_cast<std::int64_t>(files.byName[found->second.name].size());
  }
  if (base + distance < 0) {
    return -1;
  }
  found->second.position = static_cast<std::size_t>(base + distance);
  return base + distance;
}
int Remove(const char *path, int *, void *user) {
  return From(user).byName.erase(path) == 1 ? 0 : -1;
}
bool TempFile(char *buffer, int size, void *user) {
  std::string name = "tmp" + std::to_string(From(user).temps++);
  if (static_cast<int>(name.size()) >= size) {
    return false;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return true;
}
CabFileHandle OpenInfo(const char *path, std::uint16_t *date,
                       std::uint16_t *time, std::uint16_t *attributes, int *err,
                       void *user) {
  *date = 0x5A21;
  *time = 0x6B3C;
  *attributes = 0x20;
  return Open(path, open_flag::kReadOnly, 0, err, user);
}

struct Run {
  Files *files = nullptr;
  bool extract = false;
  std::vector<std::string> names; // in extraction order
  std::map<CabFileHandle, std::string> open;
  std::size_t nextCabinetCalls = 0;
};

CabFileHandle Notify(FdiNotificationKind kind, FdiNotification *note) {
  Run &run = *static_cast<Run *>(note->user);
  switch (kind) {
  case FdiNotificationKind::kCopyFile: {
    Check(note->text1 != nullptr && std::strlen(note->text1) <= 255);
    if (!run.extract) {
      return 0;
    }
    int err = 0;
    std::string name = "out/" + std::to_string(run.names.size());
    CabFileHandle file =
        Open(name.c_str(), open_flag::kWriteOnly | open_flag::kCreate, 0, &err,
             run.files);
    run.open[file] = note->text1;
    run.names.push_back(note->text1);
    return file;
  }
  case FdiNotificationKind::kCloseFileInfo: {
    int err = 0;
    Check(run.open.erase(note->file) == 1);
    Close(note->file, &err, run.files);
    return 1;
  }
  case FdiNotificationKind::kNextCabinet:
    Check(std::strlen(note->text3) < kCabinetPathBufferSize);
    ++run.nextCabinetCalls;
    return 0;
  default:
    return 0;
  }
}

FdiCallbacks ReaderCallbacks(Files &files) {
  FdiCallbacks callbacks;
  callbacks.alloc = Alloc;
  callbacks.free = Free;
  callbacks.open = Open;
  callbacks.read = Read;
  callbacks.write = Write;
  callbacks.close = Close;
  callbacks.seek = Seek;
  callbacks.user = &files;
  return callbacks;
}

bool CopyAll(Files &files, const char *cabinet, bool extract, Run *run) {
  CabinetErrorRecord error;
  FdiContext *context = FdiCreate(ReaderCallbacks(files), kCpu80386, &error);
  Check(context != nullptr);
  run->files = &files;
  run->extract = extract;
  bool ok = FdiCopy(context, cabinet, "", 0, Notify, nullptr, run);
  Check(ok == (error.errorFlag == 0));
  Check(ok || (error.operationCode >= kFdiErrCabinetNotFound &&
               error.operationCode <= kFdiErrUserAbort));
  FdiDestroy(context);
  // Handles of files being written when the engine failed are closed by it.
  for (const auto &[handle, name] : run->open) {
    Check(files.open.count(handle) == 0);
  }
  return ok;
}

// Packs the extracted files again and checks that they read back the same.
void RoundTrip(Files &extracted, const Run &first) {
  Files files;
  std::vector<std::string> contents;
  for (std::size_t i = 0; i < first.names.size(); ++i) {
    std::string source = "src/" + std::to_string(i);
    contents.push_back(extracted.byName["out/" + std::to_string(i)]);
    files.byName[source] = contents.back();
  }
  FciCallbacks callbacks;
  callbacks.alloc = Alloc;
  callbacks.free = Free;
  callbacks.open = Open;
  callbacks.read = Read;
  callbacks.write = Write;
  callbacks.close = Close;
  callbacks.seek = Seek;
  callbacks.remove = Remove;
  callbacks.tempFile = TempFile;
  CabinetDescription desc;
  desc.cabinetNumber = 1;
  desc.cabinetName = "again.cab";
  desc.folderThreshold = 20000;
  CabinetErrorRecord error;
  FciContext *context = FciCreate(callbacks, &error, desc, &files);
  Check(context != nullptr);
  for (std::size_t i = 0; i < first.names.size(); ++i) {
    std::string source = "src/" + std::to_string(i);
    Check(FciAddFile(context, source.c_str(), first.names[i].c_str(), false,
                     nullptr, nullptr, OpenInfo,
                     i % 3 == 2 ? cab::kCompressNone : cab::kCompressMsZip));
  }
  Check(FciFlushCabinet(context, false, nullptr, nullptr));
  FciDestroy(context);
  Check(files.liveAllocs == 0);

  Run second;
  Check(CopyAll(files, "again.cab", true, &second));
  Check(second.names == first.names);
  for (std::size_t i = 0; i < contents.size(); ++i) {
    Check(files.byName["out/" + std::to_string(i)] == contents[i]);
  }
  Check(files.liveAllocs == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size > kMaxInputSize) {
    return 0;
  }
  std::string input(reinterpret_cast<const char *>(data), size);

  {
    Files files;
    files.byName["in.cab"] = input;
    CabinetErrorRecord error;
    FdiContext *context = FdiCreate(ReaderCallbacks(files), kCpu80386, &error);
    Check(context != nullptr);
    int err = 0;
    CabFileHandle file = Open("in.cab", open_flag::kReadOnly, 0, &err, &files);
    FdiCabinetInfo info;
    if (FdiIsCabinet(context, file, &info)) {
      Check(info.cabinetSize <= size);
    }
    Close(file, &err, &files);
    FdiDestroy(context);
    Check(files.liveAllocs == 0);
  }

  // A second cabinet, when the input holds one, answers every next-cabinet
  // request: the first is everything before it.
  std::size_t split = input.rfind("MSCF");
  bool hasSecond = split != std::string::npos && split > 0;
  Files files;
  files.byName["in.cab"] = hasSecond ? input.substr(0, split) : input;
  if (hasSecond) {
    files.fallback = input.substr(split);
    files.hasFallback = true;
  }
  Run listing;
  CopyAll(files, "in.cab", false, &listing);
  Run extraction;
  bool extracted = CopyAll(files, "in.cab", true, &extraction);
  Check(files.liveAllocs == 0);
  Check(files.open.empty());
  if (extracted && files.keptOutput < kMaxKeptOutput &&
      extraction.nextCabinetCalls == 0) {
    RoundTrip(files, extraction);
  }
  return 0;
}
