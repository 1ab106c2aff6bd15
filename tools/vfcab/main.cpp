// vfcab: lists, tests, extracts and creates cabinets with the library's
// cabinet engine and its wrappers.
#include "archive/cab_format.h"
#include "archive/cabinet_disk_files.h"
#include "archive/cabinet_reader.h"
#include "archive/cabinet_writer.h"
#include "host_names.h"
#include "platform/file_system.h"
#include "terminal.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

namespace archive = vorafile::archive;
namespace platform = vorafile::platform;
namespace fs = std::filesystem;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char *kUsage =
    "usage: vfcab -l CABINET              list the files of a cabinet\n"
    "       vfcab -t CABINET              test every file (checksums, sizes)\n"
    "       vfcab -x CABINET [-C DIR]     extract into DIR (default: .)\n"
    "       vfcab -c [--store] [--max-size BYTES] OUT FILE|FOLDER...\n"
    "                                    create OUT (MSZIP, or stored with\n"
    "                                    --store); a folder adds its tree;\n"
    "                                    cabinets over BYTES continue in a\n"
    "                                    set (OUT2, OUT3, ...)\n"
    "       vfcab --help\n"
    "\n"
    "Names are stored as given on the command line (relative, with\n"
    "backslashes); an absolute argument is stored from its last component.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

int UsageError(const std::string &message) {
  (void)std::fprintf(stderr, "vfcab: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

int Fail(const std::string &message) {
  (void)std::fprintf(stderr, "vfcab: %s\n", message.c_str());
  return kExitFailure;
}

// One progress line, redrawn in place; only on a terminal.
class Progress {
public:
  Progress() : enabled_(vorafile::vfcab::IsStandardOutputTerminal()) {}
  void Show(std::int64_t done, std::int64_t total, std::string_view name) {
    if (!enabled_) {
      return;
    }
    int percent = total > 0
                      ? static_cast<int>(std::min<std::int64_t>(
                            100, done * 100 / std::max<std::int64_t>(total, 1)))
                      : 100;
    std::string shown(name.substr(0, std::min<std::size_t>(name.size(), 50)));
    std::printf("\r%3d%% %-50s", percent, shown.c_str());
    (void)std::fflush(stdout);
  }
  void End() {
    if (!enabled_) {
      return;
    }
    std::printf("\r%-56s\r", "");
    (void)std::fflush(stdout);
  }

private:
  bool enabled_;
};

std::string DosDateTimeText(std::uint16_t date, std::uint16_t time) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d",
                      1980 + (date >> 9), (date >> 5) & 0x0f, date & 0x1f,
                      time >> 11, (time >> 5) & 0x3f, (time & 0x1f) * 2);
  return text;
}

// Lists; the sizes also serve the progress display of the other commands.
class Lister : public archive::CabinetExtractor {
public:
  ~Lister() override { WaitForWorker(); }
  bool print = false;
  std::int64_t totalBytes = 0;
  std::int64_t fileCount = 0;
  bool ok = false;

protected:
  bool OnListFile(const archive::CabinetFileInfo &info) override {
    totalBytes += info.size;
    ++fileCount;
    if (print) {
      std::printf(
          "%10d  %s  %s\n", info.size,
          DosDateTimeText(info.date, info.time).c_str(),
          vorafile::vfcab::HostName(info.name, info.attributes).c_str());
    }
    return true;
  }
  bool OnListDone(std::int32_t) override {
    ok = true;
    return true;
  }
};

// Extracts with a progress line; in test mode the file data goes nowhere.
class Extractor : public archive::CabinetExtractor {
public:
  explicit Extractor(bool testOnly) : testOnly_(testOnly) {
    // The library's bound is the Windows API's; here the system decides.
    SetPathLimit(vorafile::vfcab::HostPathLimit());
  }
  ~Extractor() override { WaitForWorker(); }
  std::int64_t totalBytes = 0;
  std::int64_t doneBytes = 0;
  bool ok = false;
  Progress progress;

protected:
  archive::FdiCallbacks EngineCallbacks() const override {
    archive::FdiCallbacks callbacks = CabinetExtractor::EngineCallbacks();
    if (testOnly_) {
      callbacks.open = SinkOpen;
      callbacks.write = SinkWrite;
      callbacks.close = SinkClose;
    }
    return callbacks;
  }
  std::string HostNameOf(const archive::CabinetFileInfo &info) const override {
    return vorafile::vfcab::HostName(info.name, info.attributes);
  }
  bool OnExtractFile(const archive::CabinetFileInfo &info) override {
    progress.Show(doneBytes, totalBytes, info.name);
    doneBytes += info.size;
    return true;
  }
  bool OnExtractAllDone(std::int32_t) override {
    ok = true;
    return true;
  }

private:
  // A handle no FILE pointer can have: written data is counted, not kept.
  static constexpr archive::CabFileHandle kSink = 1;

  static archive::CabFileHandle SinkOpen(const char *path, int flags, int mode,
                                         int *err, void *user) {
    if ((flags & archive::open_flag::kCreate) != 0) {
      return kSink;
    }
    return archive::DiskOpen(path, flags, mode, err, user);
  }
  static std::int32_t SinkWrite(archive::CabFileHandle file, const void *buffer,
                                std::uint32_t count, int *err, void *user) {
    if (file == kSink) {
      return static_cast<std::int32_t>(count);
    }
    return archive::DiskWrite(file, buffer, count, err, user);
  }
  static int SinkClose(archive::CabFileHandle file, int *err, void *user) {
    if (file == kSink) {
      return 0;
    }
    return archive::DiskClose(file, err, user);
  }

  bool testOnly_;
};

class Writer : public archive::CabinetWriter {
public:
  ~Writer() override { WaitForWorker(); }
  std::int64_t totalBytes = 0;
  std::int64_t doneBytes = 0;
  Progress progress;
  std::string current;

protected:
  bool OnAddingFile(const std::string &path) override {
    current = path;
    progress.Show(doneBytes, totalBytes, path);
    return true;
  }
  bool OnFileProgress(std::uint32_t uncompressedBytes, std::uint32_t) override {
    doneBytes += uncompressedBytes;
    progress.Show(doneBytes, totalBytes, current);
    return true;
  }
};

bool ListCabinet(const std::string &cabinet, Lister &lister) {
  if (!lister.Open(cabinet) || !lister.List()) {
    return false;
  }
  lister.WaitForWorker();
  return lister.ok;
}

// The extractor's words for its last failure: the cabinet, the file or the
// folder and block, and the reason.
std::string CabinetProblem(const std::string &cabinet,
                           const archive::CabinetExtractor &extractor) {
  std::string text = extractor.FailureText();
  return text.empty() ? cabinet + ": " +
                            archive::CabinetExtractor::ErrorText(
                                archive::kFdiErrNotACabinet)
                      : text;
}

void PrintWarnings(const archive::CabinetExtractor &extractor) {
  for (const archive::CabinetWarning &warning : extractor.Warnings()) {
    (void)std::fprintf(stderr, "vfcab: %s: %s\n", warning.cabinet.c_str(),
                       warning.text.c_str());
  }
}

int List(const std::string &cabinet) {
  Lister lister;
  lister.print = true;
  bool listed = ListCabinet(cabinet, lister);
  PrintWarnings(lister);
  if (!listed) {
    return Fail(CabinetProblem(cabinet, lister));
  }
  std::printf("%lld files, %lld bytes\n",
              static_cast<long long>(lister.fileCount),
              static_cast<long long>(lister.totalBytes));
  return kExitOk;
}

int Extract(const std::string &cabinet, const std::string &folder,
            bool testOnly) {
  Lister lister;
  bool listed = ListCabinet(cabinet, lister);
  PrintWarnings(lister);
  if (!listed) {
    return Fail(CabinetProblem(cabinet, lister));
  }
  std::string destination = folder;
  std::error_code ec;
  if (testOnly) {
    // Folders of stored names are still made: in a scratch folder.
    std::optional<std::string> scratch =
        platform::MakeFreshFolder(platform::TempFolder(), "vfcab");
    if (!scratch) {
      return Fail("cannot make a scratch folder");
    }
    destination = *scratch;
  } else if (!fs::is_directory(destination, ec)) {
    fs::create_directories(destination, ec);
    if (ec) {
      return Fail(destination + ": cannot create folder: " + ec.message());
    }
  }
  Extractor extractor(testOnly);
  extractor.totalBytes = lister.totalBytes;
  bool ok = extractor.Open(cabinet) && extractor.ExtractAll(destination);
  extractor.WaitForWorker();
  extractor.progress.End();
  if (testOnly) {
    fs::remove_all(destination, ec);
  }
  if (!ok || !extractor.ok) {
    return Fail(CabinetProblem(cabinet, extractor));
  }
  if (testOnly) {
    std::printf("%s: %lld files OK\n", cabinet.c_str(),
                static_cast<long long>(lister.fileCount));
  }
  return kExitOk;
}

struct Group {
  std::string base;
  std::vector<std::string> paths;
};

// The files an argument brings, and the base folder cut from their names.
bool CollectArgument(const std::string &argument, Group &group,
                     std::int64_t &bytes, std::string &problem) {
  std::error_code ec;
  fs::path path(argument);
  fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) {
    problem = argument + ": no such file or folder";
    return false;
  }
  bool climbs = std::any_of(path.begin(), path.end(),
                            [](const fs::path &part) { return part == ".."; });
  if (path.is_absolute() || climbs) {
    // Stored from the last component on: the reader refuses absolute names
    // and names that climb out.
    path = fs::absolute(path, ec).lexically_normal();
    if (!path.has_filename()) {
      path = path.parent_path();
    }
    group.base = platform::WithTrailingSeparator(path.parent_path().string());
  } else if (argument.rfind("./", 0) == 0) {
    group.base = "./";
  }
  auto add = [&](const fs::path &file) {
    bytes += static_cast<std::int64_t>(fs::file_size(file, ec));
    group.paths.push_back(file.string());
  };
  if (!fs::is_directory(status)) {
    add(path);
    return true;
  }
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(path, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec)) {
      files.push_back(it->path());
    }
  }
  if (ec) {
    problem = argument + ": " + ec.message();
    return false;
  }
  std::sort(files.begin(), files.end());
  for (const fs::path &file : files) {
    add(file);
  }
  return true;
}

int Create(const std::string &output, const std::vector<std::string> &inputs,
           bool store, std::uint32_t maxSize) {
  std::vector<Group> groups;
  std::int64_t totalBytes = 0;
  for (const std::string &input : inputs) {
    Group group;
    std::string problem;
    if (!CollectArgument(input, group, totalBytes, problem)) {
      return Fail(problem);
    }
    groups.push_back(std::move(group));
  }
  fs::path target(output);
  // Built without assigning a literal: GCC 12 at -O3 warns falsely
  // (-Wrestrict) about that here.
  fs::path parent =
      target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string folder = parent.string();
  Writer writer;
  writer.totalBytes = totalBytes;
  if (store) {
    writer.SetCompressionType(archive::cab::kCompressNone);
  }
  if (maxSize != 0) {
    writer.SetMaxCabinetSize(maxSize);
  }
  if (!writer.CreateCabinet(folder, target.filename().string())) {
    return Fail(
        output + ": " +
        archive::CabinetCompressor::ErrorText(writer.Error().operationCode));
  }
  for (Group &group : groups) {
    if (!writer.AddFilesAndWait(group.base, std::move(group.paths))) {
      writer.progress.End();
      return Fail(
          writer.current + ": " +
          archive::CabinetCompressor::ErrorText(writer.Error().operationCode));
    }
  }
  bool flushed = writer.FlushCabinet();
  writer.progress.End();
  if (!flushed) {
    return Fail(
        output + ": " +
        archive::CabinetCompressor::ErrorText(writer.Error().operationCode));
  }
  return kExitOk;
}

} // namespace

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    return UsageError("no command given");
  }
  const std::string command = args[0];
  if (command == "--help" || command == "-h") {
    (void)std::fputs(kUsage, stdout);
    return kExitOk;
  }
  try {
    if (command == "-l" || command == "-t") {
      if (args.size() != 2) {
        return UsageError(command + " takes one cabinet");
      }
      return command == "-l" ? List(args[1]) : Extract(args[1], "", true);
    }
    if (command == "-x") {
      std::string folder = ".";
      std::string cabinet;
      for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "-C") {
          if (++i == args.size()) {
            return UsageError("-C needs a folder");
          }
          folder = args[i];
        } else if (cabinet.empty()) {
          cabinet = args[i];
        } else {
          return UsageError("-x takes one cabinet");
        }
      }
      if (cabinet.empty()) {
        return UsageError("-x needs a cabinet");
      }
      return Extract(cabinet, folder, false);
    }
    if (command == "-c") {
      std::size_t at = 1;
      bool store = false;
      std::uint32_t maxSize = 0;
      for (;;) {
        if (at < args.size() && args[at] == "--store") {
          store = true;
          ++at;
        } else if (at + 1 < args.size() && args[at] == "--max-size") {
          unsigned long long value = 0;
          auto [end, error] =
              std::from_chars(args[at + 1].data(),
                              args[at + 1].data() + args[at + 1].size(), value);
          // Below a few kilobytes no cabinet holds its own headers.
          if (error != std::errc() ||
              end != args[at + 1].data() + args[at + 1].size() ||
              value < 4096 || value > 0x7fffffffULL) {
            return UsageError("--max-size needs a number of bytes from 4096");
          }
          maxSize = static_cast<std::uint32_t>(value);
          at += 2;
        } else {
          break;
        }
      }
      if (args.size() < at + 2) {
        return UsageError("-c needs an output cabinet and files");
      }
      return Create(
          args[at],
          std::vector<std::string>(
              args.begin() + static_cast<std::ptrdiff_t>(at) + 1, args.end()),
          store, maxSize);
    }
  } catch (const std::exception &error) {
    return Fail(error.what());
  }
  return UsageError("unknown command " + command);
}
