// Writing cabinets from in-memory sources and extracting them back, for the
// cabinet engine tests.
#ifndef VORAFILE_TESTS_ARCHIVE_CABINET_TEST_SUPPORT_H
#define VORAFILE_TESTS_ARCHIVE_CABINET_TEST_SUPPORT_H

#include "archive/byte_cursor.h"
#include "archive/cab_format.h"
#include "archive/cab_records.h"
#include "archive/cabinet_read_engine.h"
#include "archive/cabinet_write_engine.h"
#include "memory_files.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace vorafile::archive::test {

struct SourceFile {
  std::string name;
  std::string data;
};

inline CabinetDescription DefaultDescription() {
  CabinetDescription desc;
  desc.maxCabinetSize = 100000000;
  desc.folderThreshold = 900000;
  desc.cabinetNumber = 1;
  desc.setId = 0x1234;
  desc.cabinetName = "out.cab";
  return desc;
}

struct WriteResult {
  bool ok = false;
  CabinetErrorRecord error;
  std::vector<std::string> cabinets;
};

/// The next-cabinet callback of the tests: "out.cab", "out2.cab", ...
inline bool NextCabinetName(CabinetDescription *cabinet, std::uint32_t,
                            void *) {
  cabinet->cabinetName =
      "out" + std::to_string(cabinet->cabinetNumber) + ".cab";
  cabinet->diskName = "disk" + std::to_string(cabinet->cabinetNumber);
  return true;
}

/// Adds `sources` (kept as "src/<name>") and flushes; the cabinets written
/// are listed in order.
inline WriteResult WriteCabinets(MemoryFiles &fs,
                                 const std::vector<SourceFile> &sources,
                                 const CabinetDescription &desc,
                                 std::uint16_t type = cab::kCompressMsZip,
                                 FciStatusFn status = nullptr,
                                 unsigned threads = 0) {
  WriteResult result;
  for (const SourceFile &source : sources) {
    fs.files["src/" + source.name] = source.data;
  }
  std::map<std::string, std::string> before = fs.files;
  FciContext *context = FciCreate(fs.Fci(), &result.error, desc, &fs);
  if (context == nullptr) {
    return result;
  }
  bool ok = threads == 0 || FciSetThreadCount(context, threads);
  for (std::size_t i = 0; ok && i < sources.size(); ++i) {
    std::string path = "src/" + sources[i].name;
    ok = FciAddFile(context, path.c_str(), sources[i].name.c_str(), false,
                    NextCabinetName, status, MemoryFiles::OpenInfo, type);
  }
  ok = ok && FciFlushCabinet(context, false, NextCabinetName, status);
  (void)FciDestroy(context); // only frees; callers check for leaks
  result.ok = ok;
  for (int number = 1;; ++number) {
    std::string name = number == 1 ? desc.cabinetName
                                   : "out" + std::to_string(number) + ".cab";
    if (fs.files.count(desc.cabinetFolder + name) == 0) {
      break;
    }
    result.cabinets.push_back(name);
  }
  return result;
}

inline std::string WriteOne(const std::vector<SourceFile> &sources,
                            std::uint16_t type = cab::kCompressMsZip) {
  MemoryFiles fs;
  WriteResult result = WriteCabinets(fs, sources, DefaultDescription(), type);
  return result.ok ? fs.files["out.cab"] : std::string();
}

struct Extraction {
  MemoryFiles *fs = nullptr;
  bool ok = false;
  CabinetErrorRecord error;
  std::map<std::string, std::string> extracted;
  std::map<CabFileHandle, std::string> open;
  std::vector<std::string> announced;
  std::vector<std::string> partial;
  std::vector<std::uint16_t> cabinetIndexes;
  int nextCabinetCalls = 0;
  std::string nextName;   ///< the next cabinet the last one opened names
  std::string nextFolder; ///< written into the folder buffer
  bool skipAll = false;
  int abortOn = -1; ///< notification kind that answers -1
  std::map<std::string, std::uint16_t> dates;
  std::string detail; ///< FdiFailureDetail after the last pass
  std::vector<std::string> warnings;
};

inline CabFileHandle ExtractionNotify(FdiNotificationKind kind,
                                      FdiNotification *note) {
  auto &x = *static_cast<Extraction *>(note->user);
  if (static_cast<int>(kind) == x.abortOn) {
    return -1;
  }
  switch (kind) {
  case FdiNotificationKind::kCabinetInfo:
    x.cabinetIndexes.push_back(note->cabinetIndex);
    x.nextName = note->text1 != nullptr ? note->text1 : "";
    return 0;
  case FdiNotificationKind::kPartialFile:
    x.partial.push_back(note->text1);
    return 0;
  case FdiNotificationKind::kCopyFile: {
    x.announced.push_back(note->text1);
    if (x.skipAll) {
      return 0;
    }
    int err = 0;
    std::string name = std::string("out/") + note->text1;
    CabFileHandle handle = MemoryFiles::Open(
        name.c_str(),
        open_flag::kWriteOnly | open_flag::kCreate | open_flag::kTruncate, 0,
        &err, x.fs);
    x.open[handle] = note->text1;
    return handle;
  }
  case FdiNotificationKind::kCloseFileInfo: {
    int err = 0;
    std::string name = x.open[note->file];
    x.extracted[name] = x.fs->files["out/" + name];
    x.dates[name] = note->date;
    MemoryFiles::Close(note->file, &err, x.fs);
    return 1;
  }
  case FdiNotificationKind::kNextCabinet:
    ++x.nextCabinetCalls;
    if (!x.nextFolder.empty()) {
      std::snprintf(note->text3, kCabinetPathBufferSize, "%s",
                    x.nextFolder.c_str());
    }
    return 0;
  case FdiNotificationKind::kEnumerate:
    return 0;
  }
  return 0;
}

inline Extraction ExtractCabinet(MemoryFiles &fs, const std::string &name,
                                 const std::string &folder = "",
                                 Extraction x = {}) {
  x.fs = &fs;
  FdiContext *context = FdiCreate(fs.Fdi(), kCpu80386, &x.error);
  if (context == nullptr) {
    return x;
  }
  x.ok = FdiCopy(context, name.c_str(), folder.c_str(), 0, ExtractionNotify,
                 nullptr, &x);
  x.detail = FdiFailureDetail(context);
  x.warnings = FdiWarnings(context);
  (void)FdiDestroy(context); // only frees; callers check for leaks
  return x;
}

/// Extracts a whole set as a caller of the engine does: a pass per cabinet
/// that the previous pass did not reach, starting where it stopped.
inline Extraction ExtractSet(MemoryFiles &fs, const std::string &name) {
  Extraction x;
  x.fs = &fs;
  FdiContext *context = FdiCreate(fs.Fdi(), kCpu80386, &x.error);
  if (context == nullptr) {
    return x;
  }
  std::string cabinet = name;
  for (int pass = 0; pass < 1000; ++pass) {
    x.nextName.clear();
    x.ok =
        FdiCopy(context, cabinet.c_str(), "", 0, ExtractionNotify, nullptr, &x);
    if (!x.ok || x.nextName.empty()) {
      break;
    }
    cabinet = x.nextName;
  }
  (void)FdiDestroy(context); // only frees; callers check for leaks
  return x;
}

/// Extracts a cabinet given as bytes.
inline Extraction ExtractBytes(const std::string &bytes, Extraction x = {}) {
  MemoryFiles fs;
  fs.files["in.cab"] = bytes;
  return ExtractCabinet(fs, "in.cab", "", std::move(x));
}

inline std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 engine(seed);
  std::string data(size, '\0');
  for (char &c : data) {
    c = static_cast<char>(engine() & 0xFF);
  }
  return data;
}

/// Text that deflate shrinks well, different per seed.
inline std::string TextBytes(std::size_t size, unsigned seed) {
  static const char *const kWords[] = {
      "Camera", "Lighting", "Preset ", "Deform", "\r\n", "0.500000\t", "Orb"};
  std::mt19937 engine(seed);
  std::string data;
  while (data.size() < size) {
    data += kWords[engine() % 7];
  }
  data.resize(size);
  return data;
}

// Sources that exercise every block path: empty, small, highly
// compressible, incompressible (stored blocks), several blocks with history.
inline std::vector<SourceFile> MixedSources() {
  return {{"empty.txt", ""},
          {"vora.vrc", TextBytes(3000, 1)},
          {"maps\\sky.bmp", RandomBytes(70000, 2)},
          {"maps\\deep\\long.txt", TextBytes(200000, 3)},
          {"one.bin", "x"}};
}

inline std::map<std::string, std::string>
AsMap(const std::vector<SourceFile> &sources) {
  std::map<std::string, std::string> map;
  for (const SourceFile &source : sources) {
    map[source.name] = source.data;
  }
  return map;
}

inline void PutU16(std::string &bytes, std::size_t at, std::uint16_t value) {
  StoreU16(reinterpret_cast<std::uint8_t *>(bytes.data() + at), value);
}
inline void PutU32(std::string &bytes, std::size_t at, std::uint32_t value) {
  StoreU32(reinterpret_cast<std::uint8_t *>(bytes.data() + at), value);
}
inline std::uint16_t GetU16(const std::string &bytes, std::size_t at) {
  return LoadU16(reinterpret_cast<const std::uint8_t *>(bytes.data() + at));
}
inline std::uint32_t GetU32(const std::string &bytes, std::size_t at) {
  return LoadU32(reinterpret_cast<const std::uint8_t *>(bytes.data() + at));
}

/// A cabinet's records as the tests look at them, each with where it lies
/// (the bytes are assumed to be well formed).
struct ParsedCabinet : cab::HeaderRecord {
  struct Folder : cab::FolderRecord {
    std::size_t at = 0;
  };
  struct File : cab::FileRecord {
    std::size_t at = 0;
  };
  struct Block : cab::DataRecord {
    std::size_t at = 0;
    std::size_t payloadAt = 0;
  };
  std::vector<Folder> folders;
  std::vector<File> files;
  std::vector<Block> blocks; ///< of every folder, in folder order
};

inline ParsedCabinet ParseCabinet(const std::string &bytes) {
  ParsedCabinet parsed;
  const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.data());
  ByteCursor c(data, bytes.size());
  (void)cab::ReadHeaderFixed(c, &parsed);
  if (parsed.HasReserve()) {
    (void)cab::ReadReserveSizes(c, &parsed);
    c.Skip(parsed.headerReserve);
  }
  (void)cab::ReadSetNames(c, &parsed);
  for (int i = 0; i < parsed.folderCount; ++i) {
    ParsedCabinet::Folder folder;
    folder.at = c.Offset();
    (void)cab::ReadFolderRecord(c, &folder);
    c.Skip(parsed.folderReserve);
    parsed.folders.push_back(folder);
  }
  ByteCursor f(data, bytes.size());
  f.Skip(parsed.filesOffset);
  for (int i = 0; i < parsed.fileCount; ++i) {
    ParsedCabinet::File file;
    file.at = f.Offset();
    (void)cab::ReadFileRecord(f, &file);
    parsed.files.push_back(file);
  }
  for (const ParsedCabinet::Folder &folder : parsed.folders) {
    std::size_t at = folder.dataOffset;
    for (int i = 0; i < folder.blockCount; ++i) {
      ParsedCabinet::Block block;
      block.at = at;
      ByteCursor b(data + at, cab::kCfDataSize);
      (void)cab::ReadDataRecord(b, &block);
      block.payloadAt = at + cab::kCfDataSize + parsed.dataReserve;
      parsed.blocks.push_back(block);
      at = block.payloadAt + block.compressed;
    }
  }
  return parsed;
}

/// Recomputes the checksum of the block at `at` after a test changed it.
inline void FixChecksum(std::string &bytes, const ParsedCabinet::Block &block,
                        std::size_t dataReserve = 0) {
  const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.data());
  std::uint16_t compressed = GetU16(bytes, block.at + 4);
  std::uint32_t sum = CabinetChecksum(data + block.payloadAt, compressed, 0);
  sum = CabinetChecksum(data + block.at + 4, 4 + dataReserve, sum);
  PutU32(bytes, block.at, sum);
}

} // namespace vorafile::archive::test

#endif // VORAFILE_TESTS_ARCHIVE_CABINET_TEST_SUPPORT_H
