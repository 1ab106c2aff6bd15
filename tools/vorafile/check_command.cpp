#include "check_command.h"

#include "archive/cabinet_extractor.h"
#include "document/scene_document.h"
#include "package/file_list.h"
#include "package/package.h"
#include "package/package_assembly.h"
#include "package/work_folder.h"
#include "platform/file_system.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

namespace vorafile::cli {
namespace {

bool IsFolder(const std::string &path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

// Problems of one package, each on its own line after the package's name.
class ProblemReport {
public:
  explicit ProblemReport(std::string package) : package_(std::move(package)) {}

  void Add(std::string_view file, int line, std::string_view keyword,
           std::string_view reason) {
    std::printf("%s: %s\n", package_.c_str(),
                DescribeFailure(file, line, keyword, reason).c_str());
    ++count_;
  }
  /// A failure of the package's open, named by the file of its folder.
  void Add(const OpenResult &result) {
    Add(std::filesystem::path(result.file).filename().string(), result.line,
        result.keyword, result.reason);
  }
  /// Prints the count; the exit status.
  int Finish() const {
    std::printf("%d problem%s\n", count_, count_ == 1 ? "" : "s");
    return count_ == 0 ? 0 : 1;
  }

private:
  std::string package_;
  int count_ = 0;
};

// A package unpacked for check, in a working folder deleted afterwards.
class UnpackedFolder {
public:
  UnpackedFolder() = default;
  UnpackedFolder(const UnpackedFolder &) = delete;
  UnpackedFolder &operator=(const UnpackedFolder &) = delete;
  ~UnpackedFolder() {
    if (!folder_.empty()) {
      DeleteFolderTree(folder_);
    }
  }
  void Keep(std::string folder) { folder_ = std::move(folder); }

private:
  std::string folder_;
};

// The checks on a scene folder: the file list, the scene's read and the
// files the scene names. A scene that does not read stops its own checks
// only.
void CheckSceneFolder(const std::string &folder, ProblemReport &report) {
  for (const FileListProblem &problem : FindFileListProblems(folder)) {
    report.Add(kFileListName, problem.line, "", problem.text);
  }
  SceneDocument document;
  const OpenResult loaded = LoadScene(document, folder);
  if (!loaded) {
    report.Add(loaded);
    return;
  }
  // A read that stopped early still opens (a save keeps the rest), but the
  // author should know where the scene stops being understood.
  const SceneOpenResult &open = document.GetOpenProblem();
  if (!open.reason.empty()) {
    report.Add(std::filesystem::path(open.file).filename().string(), open.line,
               "warning", open.keyword + ": " + open.reason);
  }
  // A save writes the scene script before it packs, so a delivered package
  // ("vora.rudov" only) lacks nothing.
  const std::string base = platform::WithTrailingSeparator(folder);
  const std::string script = base + SceneDocument::kSavedScript;
  for (const std::string &file : ListPackageFiles(document)) {
    if (file != script && !platform::PathExists(file)) {
      // Named as the package names it, not by the working folder.
      const bool inside = file.compare(0, base.size(), base) == 0;
      report.Add(inside ? file.substr(base.size()) : file, 0, "",
                 "missing, though the scene names it");
    }
  }
}

// check: every problem of a package or scene folder. A package is unpacked
// as its open does, but its file list and scene are checked here rather
// than refused, so that one failure does not hide the others.
} // namespace

int RunCheck(const std::string &path) {
  ProblemReport report(path);
  if (IsFolder(path)) {
    CheckSceneFolder(path, report);
    return report.Finish();
  }
  if (!platform::PathExists(path)) {
    report.Add("", 0, "", "no such file");
    return report.Finish();
  }
  UnpackedFolder unpacked;
  const std::optional<std::string> folder =
      MakeWorkFolder(platform::TempFolder());
  if (!folder) {
    report.Add("", 0, "", "cannot make a working folder");
    return report.Finish();
  }
  unpacked.Keep(*folder);
  // Doubts the reader read past (other readers may see other files), from
  // the cabinet's header alone.
  archive::CabinetExtractor probe;
  if (probe.Open(path)) {
    for (const archive::CabinetWarning &warning : probe.Warnings()) {
      report.Add("", 0, "warning", warning.text);
    }
  }
  const OpenResult extracted = ExtractPackage(path, *folder);
  if (!extracted) {
    report.Add("", 0, "", extracted.reason);
  } else {
    CheckSceneFolder(*folder, report);
  }
  return report.Finish();
}

} // namespace vorafile::cli
