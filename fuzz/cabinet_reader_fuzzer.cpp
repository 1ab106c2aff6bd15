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
#include "archive/cabinet_read_engine.h"
#include "archive/cabinet_write_engine.h"
#include "fuzz_support.h"
#include "memory_files.h"

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

using vorafile::fuzz::Check;

using namespace vorafile::archive;

// Cabinets worth fuzzing are small; bigger inputs only slow the search.
constexpr std::size_t kMaxInputSize = 256 * 1024;
// Extracted bytes kept for the round trip; beyond that only counted.
constexpr std::size_t kMaxKeptOutput = 1024 * 1024;

using vorafile::archive::test::MemoryFiles;

struct Run {
  MemoryFiles *files = nullptr;
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
    CabFileHandle file = MemoryFiles::Open(
        name.c_str(), open_flag::kWriteOnly | open_flag::kCreate, 0, &err,
        run.files);
    run.open[file] = note->text1;
    run.names.push_back(note->text1);
    return file;
  }
  case FdiNotificationKind::kCloseFileInfo: {
    int err = 0;
    Check(run.open.erase(note->file) == 1);
    Check(MemoryFiles::Close(note->file, &err, run.files) == 0);
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

bool CopyAll(MemoryFiles &files, const char *cabinet, bool extract, Run *run) {
  CabinetErrorRecord error;
  FdiContext *context = FdiCreate(files.Fdi(), kCpu80386, &error);
  Check(context != nullptr);
  run->files = &files;
  run->extract = extract;
  bool ok = FdiCopy(context, cabinet, "", 0, Notify, nullptr, run);
  Check(ok == (error.errorFlag == 0));
  Check(ok || (error.operationCode >= kFdiErrCabinetNotFound &&
               error.operationCode <= kFdiErrUserAbort));
  Check(FdiDestroy(context));
  // Handles of files being written when the engine failed are closed by it.
  for (const auto &[handle, name] : run->open) {
    Check(files.handles.count(handle) == 0);
  }
  return ok;
}

// Packs the extracted files again and checks that they read back the same.
void RoundTrip(MemoryFiles &extracted, const Run &first) {
  MemoryFiles files;
  std::vector<std::string> contents;
  for (std::size_t i = 0; i < first.names.size(); ++i) {
    std::string source = "src/" + std::to_string(i);
    contents.push_back(extracted.files["out/" + std::to_string(i)]);
    files.files[source] = contents.back();
  }
  CabinetDescription desc;
  desc.cabinetNumber = 1;
  desc.cabinetName = "again.cab";
  desc.folderThreshold = 20000;
  CabinetErrorRecord error;
  FciContext *context = FciCreate(files.Fci(), &error, desc, &files);
  Check(context != nullptr);
  for (std::size_t i = 0; i < first.names.size(); ++i) {
    std::string source = "src/" + std::to_string(i);
    Check(FciAddFile(context, source.c_str(), first.names[i].c_str(), false,
                     nullptr, nullptr, MemoryFiles::OpenInfo,
                     i % 3 == 2 ? cab::kCompressNone : cab::kCompressMsZip));
  }
  Check(FciFlushCabinet(context, false, nullptr, nullptr));
  Check(FciDestroy(context));
  Check(files.liveAllocs == 0 && files.badHandleCalls == 0);

  Run second;
  Check(CopyAll(files, "again.cab", true, &second));
  Check(second.names == first.names);
  for (std::size_t i = 0; i < contents.size(); ++i) {
    Check(files.files["out/" + std::to_string(i)] == contents[i]);
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
    MemoryFiles files;
    files.files["in.cab"] = input;
    CabinetErrorRecord error;
    FdiContext *context = FdiCreate(files.Fdi(), kCpu80386, &error);
    Check(context != nullptr);
    int err = 0;
    CabFileHandle file =
        MemoryFiles::Open("in.cab", open_flag::kReadOnly, 0, &err, &files);
    FdiCabinetInfo info;
    if (FdiIsCabinet(context, file, &info)) {
      Check(info.cabinetSize <= size);
    }
    Check(MemoryFiles::Close(file, &err, &files) == 0);
    Check(FdiDestroy(context));
    Check(files.liveAllocs == 0 && files.badHandleCalls == 0);
  }

  // A second cabinet, when the input holds one, answers every next-cabinet
  // request: the first is everything before it.
  std::size_t split = input.rfind("MSCF");
  bool hasSecond = split != std::string::npos && split > 0;
  MemoryFiles files;
  files.storedGrowthMax = kMaxKeptOutput;
  files.files["in.cab"] = hasSecond ? input.substr(0, split) : input;
  if (hasSecond) {
    files.missingFile = input.substr(split);
  }
  Run listing;
  CopyAll(files, "in.cab", false, &listing);
  Run extraction;
  bool extracted = CopyAll(files, "in.cab", true, &extraction);
  Check(files.liveAllocs == 0 && files.badHandleCalls == 0);
  Check(files.handles.empty());
  if (extracted && files.droppedWrites == 0 &&
      extraction.nextCabinetCalls == 0) {
    RoundTrip(files, extraction);
  }
  return 0;
}
