// Whole-process driver for timing the cabinet engine against peer tools
// (bench/cabinet_bench.sh): makes a mixed corpus, packs a folder into one
// MSZIP cabinet and extracts a cabinet into a folder, through the engine's
// interface with the library's disk callbacks.
//
//   cabinet_engine_bench corpus DIR MEGABYTES [SEED]
//   cabinet_engine_bench pack DIR OUT.cab [THREADS]
//   cabinet_engine_bench extract IN.cab DIR
#include "archive/cab_format.h"
#include "archive/cabinet_disk_files.h"
#include "archive/cabinet_read_engine.h"
#include "archive/cabinet_write_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace vorafile::archive;

// ---------------------------------------------------------------------------
// The engine runs on the library's own disk callbacks, as the wrappers do;
// temporary files go beside the cabinet.

std::string gTempBase;
int gTempCount = 0;

bool TempName(char *buffer, int size, void *) {
  std::string name = gTempBase + std::to_string(++gTempCount) + ".tmp";
  if (name.size() + 1 > static_cast<std::size_t>(size)) {
    return false;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return true;
}

CabFileHandle OpenInfo(const char *path, std::uint16_t *date,
                       std::uint16_t *time, std::uint16_t *attributes, int *err,
                       void *user) {
  *date = static_cast<std::uint16_t>(((2024 - 1980) << 9) | (6 << 5) | 1);
  *time = 0;
  *attributes = 0x20; // archive
  return DiskOpen(path, open_flag::kReadOnly | open_flag::kBinary, 0, err,
                  user);
}

// ---------------------------------------------------------------------------
// Corpus: incompressible "images", scene-like text, structured binaries.

const char *const kWords[] = {
    "Camera",  "Position", "Rotation",  "Scale",  "Color",
    "Texture", "Deform",   "Preset",    "Speed",  "Amplitude",
    "Band",    "Filter",   "Intensity", "Lens",   "Object",
    "Macro",   "Marquee",  "Message",   "Frames", "Transition"};

void WriteChunked(std::FILE *file, const std::string &data) {
  std::fwrite(data.data(), 1, data.size(), file);
}

void MakeImage(std::FILE *file, std::size_t size, std::mt19937_64 &rng) {
  std::vector<std::uint64_t> words(8192);
  for (std::size_t done = 0; done < size;) {
    for (std::uint64_t &word : words) {
      word = rng();
    }
    std::size_t chunk = std::min(size - done, words.size() * 8);
    std::fwrite(words.data(), 1, chunk, file);
    done += chunk;
  }
}

void MakeText(std::FILE *file, std::size_t size, std::mt19937_64 &rng) {
  std::string text;
  std::size_t done = 0;
  char line[160];
  while (done < size) {
    text.clear();
    while (text.size() < 65536 && done + text.size() < size) {
      const char *key = kWords[rng() % std::size(kWords)];
      const char *noun = kWords[rng() % std::size(kWords)];
      auto value = static_cast<double>(rng() % 100000) / 1000.0;
      int length = std::snprintf(line, sizeof line, "%s%s%u\t%f %f %f\n", key,
                                 noun, static_cast<unsigned>(rng() % 32), value,
                                 value * 0.5, 1.0 - value / 100.0);
      text.append(line, static_cast<std::size_t>(length));
      if (rng() % 40 == 0) {
        text += "\n[" + std::string(noun) + "Node" +
                std::to_string(rng() % 100) + "]\n";
      }
    }
    text.resize(std::min(text.size(), size - done));
    WriteChunked(file, text);
    done += text.size();
  }
}

void MakeBinary(std::FILE *file, std::size_t size, std::mt19937_64 &rng) {
  // Mesh-like records: smooth float positions, normals and small indices.
  struct Vertex {
    float position[3];
    float normal[3];
    std::uint16_t index[2];
  };
  std::vector<Vertex> vertices(2048);
  float phase = static_cast<float>(rng() % 1000) / 100.0f;
  std::size_t done = 0;
  std::uint16_t counter = 0;
  while (done < size) {
    for (Vertex &v : vertices) {
      phase += 0.01f;
      v.position[0] = phase;
      v.position[1] = static_cast<float>(rng() % 64) / 16.0f;
      v.position[2] = -phase * 0.5f;
      v.normal[0] = 0.0f;
      v.normal[1] = 1.0f;
      v.normal[2] = static_cast<float>(rng() % 4) * 0.25f;
      v.index[0] = counter++;
      v.index[1] = static_cast<std::uint16_t>(counter + 1);
    }
    std::size_t chunk = std::min(size - done, vertices.size() * sizeof(Vertex));
    std::fwrite(vertices.data(), 1, chunk, file);
    done += chunk;
  }
}

int MakeCorpus(const fs::path &dir, std::uint64_t megabytes, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uint64_t total = megabytes << 20;
  std::uint64_t done = 0;
  const char *const kFolders[] = {"textures", "scripts", "objects"};
  for (const char *folder : kFolders) {
    fs::create_directories(dir / folder);
  }
  std::uint64_t kindBytes[3] = {};
  for (int index = 0; done < total; ++index) {
    // By bytes: 40% images, 30% text, 30% binaries; the kind furthest
    // behind its share comes next.
    static const double kShares[] = {0.40, 0.30, 0.30};
    int kind = 0;
    for (int k = 1; k < 3; ++k) {
      if (static_cast<double>(kindBytes[k]) / kShares[k] <
          static_cast<double>(kindBytes[kind]) / kShares[kind]) {
        kind = k;
      }
    }
    std::size_t size = kind == 0   ? 200000 + rng() % 1800000
                       : kind == 1 ? 1000 + rng() % 120000
                                   : 20000 + rng() % 600000;
    size =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, total - done));
    static const char *const kExtensions[] = {".jpg", ".vrc", ".bin"};
    fs::path path = dir / kFolders[kind] /
                    ("item" + std::to_string(index) + kExtensions[kind]);
    std::FILE *file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) {
      std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
      return 1;
    }
    if (kind == 0) {
      MakeImage(file, size, rng);
    } else if (kind == 1) {
      MakeText(file, size, rng);
    } else {
      MakeBinary(file, size, rng);
    }
    std::fclose(file);
    done += size;
    kindBytes[kind] += size;
  }
  return 0;
}

// ---------------------------------------------------------------------------

int Pack(const fs::path &dir, const std::string &cabinet, unsigned threads) {
  std::vector<fs::path> files;
  for (const auto &entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  gTempBase = cabinet + ".part";
  FciCallbacks callbacks = DiskFciCallbacks();
  callbacks.tempFile = TempName;
  CabinetDescription desc;
  desc.folderThreshold = 900000;
  desc.cabinetName = cabinet;
  CabinetErrorRecord error;
  FciContext *context = FciCreate(callbacks, &error, desc, nullptr);
  bool ok = context != nullptr && FciSetThreadCount(context, threads);
  for (std::size_t i = 0; ok && i < files.size(); ++i) {
    std::string stored = fs::relative(files[i], dir).generic_string();
    std::replace(stored.begin(), stored.end(), '/', '\\');
    std::string source = files[i].string();
    ok = FciAddFile(context, source.c_str(), stored.c_str(), false, nullptr,
                    nullptr, OpenInfo, cab::kCompressMsZip);
  }
  ok = ok && FciFlushCabinet(context, false, nullptr, nullptr);
  (void)FciDestroy(context); // frees only
  if (!ok) {
    std::fprintf(stderr, "pack failed: error %d\n", error.operationCode);
    return 1;
  }
  return 0;
}

fs::path gExtractRoot;

CabFileHandle Notify(FdiNotificationKind kind, FdiNotification *note) {
  switch (kind) {
  case FdiNotificationKind::kCopyFile: {
    std::string name = note->text1;
    std::replace(name.begin(), name.end(), '\\', '/');
    fs::path path = gExtractRoot / name;
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    int err = 0;
    return DiskOpen(path.string().c_str(),
                    open_flag::kWriteOnly | open_flag::kCreate |
                        open_flag::kTruncate | open_flag::kBinary,
                    0, &err, nullptr);
  }
  case FdiNotificationKind::kCloseFileInfo: {
    int err = 0;
    return DiskClose(note->file, &err, nullptr) == 0 ? 1 : -1;
  }
  case FdiNotificationKind::kNextCabinet:
    return -1;
  case FdiNotificationKind::kCabinetInfo:
  case FdiNotificationKind::kPartialFile:
  case FdiNotificationKind::kEnumerate:
    return 0;
  }
  return 0;
}

int Extract(const std::string &cabinet, const fs::path &dir) {
  gExtractRoot = dir;
  FdiCallbacks callbacks = DiskFdiCallbacks();
  CabinetErrorRecord error;
  FdiContext *context = FdiCreate(callbacks, kCpuUnknown, &error);
  bool ok = context != nullptr &&
            FdiCopy(context, cabinet.c_str(), "", 0, Notify, nullptr, nullptr);
  (void)FdiDestroy(context); // frees only
  if (!ok) {
    std::fprintf(stderr, "extract failed: error %d\n", error.operationCode);
    return 1;
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr, "usage: cabinet_engine_bench corpus DIR MB [SEED]\n"
                       "       cabinet_engine_bench pack DIR OUT.cab "
                       "[THREADS]\n"
                       "       cabinet_engine_bench extract IN.cab DIR\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 4) {
    return Usage();
  }
  std::string command = argv[1];
  if (command == "corpus") {
    unsigned seed =
        argc > 4 ? static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10))
                 : 1u;
    return MakeCorpus(argv[2], std::strtoull(argv[3], nullptr, 10), seed);
  }
  if (command == "pack") {
    unsigned threads =
        argc > 4 ? static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10))
                 : 0u;
    return Pack(argv[2], argv[3], threads);
  }
  if (command == "extract") {
    return Extract(argv[2], argv[3]);
  }
  return Usage();
}
