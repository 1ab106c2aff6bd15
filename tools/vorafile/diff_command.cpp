#include "diff_command.h"

#include "document/scene_document.h"
#include "package/file_list.h"
#include "package/package.h"
#include "package/work_folder.h"
#include "platform/file_system.h"
#include "scene_diff.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>

namespace vorafile::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kExitSame = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitNotOpened = 2;

// Files whose content the parameters show, whether or not a write of the
// script touches them: the scripts the scene is read from and the list of
// the package's files (the files themselves are compared).
bool IsSceneListFile(const std::string &name) {
  for (const char *listed :
       {SceneDocument::kDeliveredScript, SceneDocument::kSavedScript,
        SceneDocument::kMigrationList, kFileListName}) {
    if (name == listed) {
      return true;
    }
  }
  return false;
}

fs::path WithoutFinalSeparator(const std::string &folder) {
  fs::path path(folder);
  return path.has_filename() ? path : path.parent_path();
}

// Every regular file under `folder`, by its name relative to it with "/".
std::set<std::string> FilesUnder(const std::string &folder) {
  std::set<std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError)) {
      files.insert(it->path().lexically_relative(folder).generic_string());
    }
  }
  return files;
}

// A scene opened for comparison in a working folder of its own, deleted
// afterwards: a package is extracted into it and a folder copied, so that
// the write that finds the files the scene holds never touches the
// author's files.
class ComparedScene {
public:
  ComparedScene() = default;
  ComparedScene(const ComparedScene &) = delete;
  ComparedScene &operator=(const ComparedScene &) = delete;
  ~ComparedScene() {
    if (!folder_.empty()) {
      DeleteFolderTree(folder_);
    }
    if (originals_ != folder_) {
      DeleteFolderTree(originals_);
    }
  }

  /// Nothing when the scene opened, else why not.
  [[nodiscard]] std::optional<std::string> Open(const std::string &path) {
    std::optional<std::string> folder = MakeWorkFolder(platform::TempFolder());
    if (!folder) {
      return "cannot make a working folder";
    }
    folder_ = *folder;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      fs::copy(path, folder_,
               fs::copy_options::recursive |
                   fs::copy_options::overwrite_existing,
               ec);
      if (ec) {
        return "cannot copy the folder: " + ec.message();
      }
    } else if (!platform::PathExists(path)) {
      return "no such file";
    } else if (OpenResult extracted = ExtractPackage(path, folder_);
               !extracted) {
      return Describe(extracted, path);
    }
    if (OpenResult loaded = LoadScene(document_, folder_); !loaded) {
      return Describe(loaded, path);
    }
    return std::nullopt;
  }

  /// The nodes, and the files that the parameters do not show. Call once:
  /// it moves the scene's files aside.
  SceneSnapshot Snapshot() {
    const std::string sceneFolder(
        document_.GetRoot()->GetFolder().value_or(folder_));
    SceneSnapshot snapshot =
        TakeSceneSnapshot(*document_.GetRoot(), sceneFolder);
    const std::set<std::string> written = FilesTheSceneWrites();
    for (const std::string &name : FilesUnder(originals_)) {
      if (!written.contains(name) && !IsSceneListFile(name)) {
        snapshot.files[name] = (fs::path(originals_) / name).string();
      }
    }
    return snapshot;
  }

private:
  static std::string Describe(const OpenResult &result,
                              const std::string &path) {
    const std::string file =
        result.file == path ? "" : fs::path(result.file).filename().string();
    return DescribeFailure(file, result.line, result.keyword, result.reason);
  }

  // The files a write of the scene script makes or fills: the files that
  // the node classes keep as parameters (a node whose read ended early
  // writes nothing, so its file is compared byte for byte). The scene's
  // files move to a folder of their own and leave empty stand-ins dated a
  // year back, as writers look for their file and an INI file that would
  // get the same values is left untouched.
  std::set<std::string> FilesTheSceneWrites() {
    originals_ = folder_; // compared in place when they cannot move
    std::optional<std::string> aside = MakeWorkFolder(platform::TempFolder());
    std::error_code ec;
    if (!aside || !fs::remove(WithoutFinalSeparator(*aside), ec)) {
      return {};
    }
    fs::rename(WithoutFinalSeparator(folder_), WithoutFinalSeparator(*aside),
               ec);
    if (ec) {
      return {};
    }
    originals_ = *aside;
    const auto past =
        fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    std::map<std::string, fs::file_time_type> standIns;
    for (const std::string &name : FilesUnder(originals_)) {
      const fs::path path = fs::path(folder_) / name;
      fs::create_directories(path.parent_path(), ec);
      std::ofstream(path, std::ios::binary).close();
      fs::last_write_time(path, past, ec);
      standIns[name] = fs::last_write_time(path, ec);
    }
    // A write that fails part way still made the files it made.
    [[maybe_unused]] const bool whole = document_.WriteScript();
    std::set<std::string> written;
    for (const std::string &name : FilesUnder(folder_)) {
      const fs::path path = fs::path(folder_) / name;
      auto standIn = standIns.find(name);
      if (standIn == standIns.end() || fs::file_size(path, ec) != 0 ||
          fs::last_write_time(path, ec) != standIn->second) {
        written.insert(name);
      }
    }
    return written;
  }

  std::string folder_;
  std::string originals_; // where the scene's own files were moved
  SceneDocument document_;
};

} // namespace

int RunDiff(const std::string &before, const std::string &after, bool json) {
  ComparedScene scenes[2];
  const std::string paths[2] = {before, after};
  SceneSnapshot snapshots[2];
  for (int i = 0; i < 2; ++i) {
    if (std::optional<std::string> problem = scenes[i].Open(paths[i])) {
      (void)std::fprintf(stderr, "vorafile: %s: %s\n", paths[i].c_str(),
                         problem->c_str());
      return kExitNotOpened;
    }
    snapshots[i] = scenes[i].Snapshot();
  }
  const SceneDiff diff = CompareScenes(snapshots[0], snapshots[1]);
  const std::string text = json ? FormatDiffJson(diff) : FormatDiffText(diff);
  (void)std::fputs(text.c_str(), stdout);
  return diff.IsEmpty() ? kExitSame : kExitDifferent;
}

} // namespace vorafile::cli
