#include "package/package.h"

#include "package/cabinet_io.h"
#include "package/file_list.h"
#include "package/migration_merge.h"
#include "package/package_assembly.h"
#include "package/package_migration.h"
#include "package/work_folder.h"
#include "platform/fault_injection.h"
#include "platform/file_system.h"

#include <cstdio>
#include <memory>
#include <new>
#include <utility>

namespace vorafile {

namespace {

OpenStatus FromSceneStatus(SceneOpenStatus status) {
  switch (status) {
  case SceneOpenStatus::Ok:
    return OpenStatus::Ok;
  case SceneOpenStatus::NoScript:
    return OpenStatus::NoScript;
  case SceneOpenStatus::ScriptUnreadable:
    return OpenStatus::ScriptUnreadable;
  case SceneOpenStatus::ScriptRejected:
    return OpenStatus::ScriptRejected;
  case SceneOpenStatus::TooManyNodes:
    return OpenStatus::TooManyNodes;
  }
  return OpenStatus::ScriptRejected; // not reached: every status is above
}

// Why an old scene could not be migrated; null when nothing failed.
const char *MigrationFailure(MigrationResult result) {
  switch (result) {
  case MigrationResult::NotNeeded:
  case MigrationResult::Migrated:
    return nullptr;
  case MigrationResult::NoTemplateNumber:
    return "an old scene that names no template";
  case MigrationResult::CannotRenameScript:
    return "an old scene whose list cannot be set aside";
  case MigrationResult::NoInstallation:
    return "an old scene, and no installation to take its template from";
  case MigrationResult::CannotExtractTemplate:
    return "an old scene whose template cannot be extracted";
  }
  return "an old scene that cannot be migrated"; // not reached
}

// The bytes of a file, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string &path) {
  if (platform::IsFileFaultInjected(platform::FileOperationKind::Read)) {
    return std::nullopt;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(
      std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    return std::nullopt;
  }
  std::string bytes;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    bytes.append(buffer, got);
  }
  if (std::ferror(file.get()) != 0) {
    return std::nullopt;
  }
  return bytes;
}

[[nodiscard]] bool WriteFileBytes(const std::string &path,
                                  const std::string &bytes) {
  if (platform::IsFileFaultInjected(platform::FileOperationKind::Create)) {
    return false;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(
      std::fopen(path.c_str(), "wb"), &std::fclose);
  return file &&
         std::fwrite(bytes.data(), 1, bytes.size(), file.get()) ==
             bytes.size() &&
         std::fclose(file.release()) == 0;
}

// Whether a cabinet can be made at `path`: its folder exists and the path
// is no folder. Checked before the file list is rewritten for it.
bool CanMakeCabinetAt(const std::string &path) {
  const std::size_t cut = path.find_last_of(platform::kPathSeparators);
  const std::string name =
      cut == std::string::npos ? path : path.substr(cut + 1);
  if (name.empty()) {
    return false;
  }
  // "C:name" is relative to the drive's current folder, which exists.
  if (cut != std::string::npos && cut > 0 && path[cut] != ':') {
    std::optional<std::uint32_t> folder =
        platform::ReadAttributes(path.substr(0, cut));
    if (!folder || (*folder & platform::attr::kDirectory) == 0) {
      return false;
    }
  }
  std::optional<std::uint32_t> target = platform::ReadAttributes(path);
  return !target || (*target & platform::attr::kDirectory) == 0;
}

} // namespace

OpenResult LoadScene(SceneDocument &document, const std::string &folder) {
  const SceneOpenResult scene = document.Open(folder);
  if (!scene) {
    return OpenResult::Failure(FromSceneStatus(scene.status), scene.file,
                               scene.reason, scene.line, scene.keyword);
  }
  if (!platform::FindInFolder(platform::WithTrailingSeparator(folder),
                              SceneDocument::kMigrationList)) {
    return {};
  }
  return MergeMigrationList(document);
}

Package::Package(SceneDocument &document)
    : document_(document), tempRoot_(platform::TempFolder()) {}

Package::~Package() {
  Close();
}

void Package::Close() {
  if (isOpen_) {
    DeleteFolderTree(workFolder_);
  }
}

std::optional<std::string> Package::MakeWorkFolder() {
  std::optional<std::string> folder = vorafile::MakeWorkFolder(tempRoot_);
  if (folder) {
    try {
      lastTempFolder_ = *folder;
    } catch (const std::bad_alloc &) {
      // Nobody else knows the fresh folder: it goes before the failure does.
      (void)platform::RemoveEmptyFolder(*folder); // best effort
      throw;
    }
  }
  return folder;
}

OpenResult Package::Open(const std::string &path) {
  std::string madeFolder;
  try {
    return OpenInFreshFolder(path, madeFolder);
  } catch (const std::bad_alloc &) {
    try {
      DeleteFolderTree(madeFolder);
    } catch (const std::bad_alloc &) {
      // Still out of memory: the folder stays, as after a crash.
    }
    // Short texts: the result itself needs no memory.
    return OpenResult::Failure(OpenStatus::OutOfMemory, {}, "out of memory");
  }
}

OpenResult Package::OpenInFreshFolder(const std::string &path,
                                      std::string &madeFolder) {
  if (!platform::PathExists(path)) {
    return OpenResult::Failure(OpenStatus::NoSuchPackage, path, "no such file");
  }
  std::optional<std::string> folder = MakeWorkFolder();
  if (!folder) {
    return OpenResult::Failure(OpenStatus::CannotMakeWorkFolder, tempRoot_,
                               "cannot make a working folder");
  }
  madeFolder = std::move(*folder); // no allocation, so nothing is lost
  OpenResult result = Unpack(path, madeFolder);
  if (!result) {
    // Files extracted before a failure would otherwise stay behind in the
    // temporary folder.
    DeleteFolderTree(madeFolder);
    return result;
  }
  // Copied before anything changes, so that running out of memory leaves
  // the current package as it was.
  std::string openedPath = path;
  std::string oldFolder = std::exchange(workFolder_, std::move(madeFolder));
  madeFolder.clear(); // the package's own folder now
  packagePath_ = std::move(openedPath);
  const bool wasOpen = std::exchange(isOpen_, true);
  if (wasOpen) {
    try {
      DeleteFolderTree(oldFolder);
    } catch (const std::bad_alloc &) {
      // The open succeeded; only the old folder stays behind.
    }
  }
  return result;
}

OpenResult ExtractPackage(const std::string &path, const std::string &folder) {
  if (std::string why; !ExtractCabinet(path, folder, &why)) {
    return OpenResult::Failure(OpenStatus::CannotExtract, path,
                               why.empty() ? "not a readable cabinet"
                                           : "not a readable cabinet: " + why);
  }
  if (const char *why = MigrationFailure(MigrateOldScene(folder))) {
    return OpenResult::Failure(OpenStatus::MigrationFailed, path, why);
  }
  return {};
}

OpenResult Package::Unpack(const std::string &path, const std::string &folder) {
  if (OpenResult extracted = ExtractPackage(path, folder); !extracted) {
    return extracted;
  }
  if (!CheckFileList(folder)) {
    return OpenResult::Failure(
        OpenStatus::FileListIncomplete, path,
        "\"FileList.ini\" is missing, empty or names a file the package "
        "does not hold");
  }
  return LoadScene(document_, folder);
}

SaveResult Package::SaveAs(const std::string &path) {
  try {
    return PackWorkFolder(path);
  } catch (const std::bad_alloc &) {
    return SaveResult::Failure(SaveStatus::OutOfMemory, {}, "out of memory");
  }
}

SaveResult Package::PackWorkFolder(const std::string &path) {
  if (!isOpen_ || !document_.HasScene()) {
    return SaveResult::Failure(SaveStatus::NoPackage, path,
                               "no package is open");
  }
  // The cabinet's folder is made one level deep; an existing one is fine,
  // and one that cannot be made fails the packing below.
  const std::size_t cut = path.find_last_of(platform::kPathSeparators);
  if (cut != std::string::npos && cut > 0) {
    (void)platform::MakeFolder(path.substr(0, cut));
  }

  if (!CanMakeCabinetAt(path)) {
    return SaveResult::Failure(SaveStatus::CannotPack, path,
                               "no cabinet can be made there");
  }

  // Copied first: once the cabinet replaced the target, nothing may fail.
  std::string savedPath = path;
  std::vector<std::string> files = ListSavedFiles(document_);
  AddFilesNoCollectorNamed(document_, files);
  std::optional<std::string> list =
      platform::FindInFolder(workFolder_, kFileListName);
  if (!list) {
    return SaveResult::Failure(SaveStatus::NoFileList,
                               workFolder_ + kFileListName,
                               "the working folder holds no file list");
  }
  // The list is rewritten for the cabinet; a failed save puts the old one
  // back, so the working folder still describes the package it came from.
  std::optional<std::string> oldList = ReadFileBytes(*list);
  if (!oldList) {
    return SaveResult::Failure(SaveStatus::CannotWriteFileList, *list,
                               "cannot be read");
  }
  // A list that was not rewritten would no longer match the cabinet.
  if (!WriteFileList(workFolder_, files)) {
    static_cast<void>(WriteFileBytes(*list, *oldList));
    return SaveResult::Failure(SaveStatus::CannotWriteFileList, *list,
                               "cannot be rewritten");
  }
  // Files are stored relative to the working folder of the open package.
  bool packed = false;
  try {
    packed = PackCabinet(path, workFolder_, files);
  } catch (const std::bad_alloc &) {
    static_cast<void>(WriteFileBytes(*list, *oldList)); // as below
    throw;
  }
  if (!packed) {
    if (!WriteFileBytes(*list, *oldList)) {
      return SaveResult::Failure(SaveStatus::CannotPack, path,
                                 "the cabinet could not be written, and the "
                                 "file list not restored");
    }
    return SaveResult::Failure(SaveStatus::CannotPack, path,
                               "the cabinet could not be written");
  }
  packagePath_ = std::move(savedPath);
  return {};
}

} // namespace vorafile
