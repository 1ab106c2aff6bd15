#include "host/file_manager.h"

#include "package/package_assembly.h"
#include "package/cabinet_io.h"
#include "package/file_list.h"
#include "package/package_migration.h"
#include "platform/file_system.h"

namespace vorafile {

namespace {

constexpr std::string_view kWorkFolderPrefix = "__";

// Deeper trees than this cannot come from a package (their paths would
// exceed the path limit many times over); stopping there bounds the stack.
constexpr int kMaxTreeDepth = 256;

bool IsPlainFolder(std::uint32_t attributes) {
  return attributes == platform::attr::kDirectory;
}

void DeleteTreeContents(const std::string &folder, int depth) {
  if (depth > kMaxTreeDepth) {
    return;
  }
  for (const platform::FolderEntry &entry : platform::ListFolder(folder)) {
    std::string path = folder + entry.name;
    const std::uint32_t attributes = entry.attributes;
    if (attributes & platform::attr::kReparsePoint) {
      // A link: remove the link itself, whatever it points at.
      if (attributes & platform::attr::kDirectory) {
        // Single failures are skipped: the rest of the tree still goes.
        (void)platform::RemoveEmptyFolder(path);
      } else {
        platform::RemoveFile(path);
      }
      continue;
    }
    if (attributes & platform::attr::kDirectory) {
      // A read-only or hidden subfolder is still part of the tree: make it
      // plain so that it can go with the rest.
      if (!IsPlainFolder(attributes)) {
        platform::WriteAttributes(path, platform::attr::kNormal);
      }
      std::string subfolder = platform::WithTrailingSeparator(path);
      DeleteTreeContents(subfolder, depth + 1);
      (void)platform::RemoveEmptyFolder(path); // skipped as above
      continue;
    }
    platform::WriteAttributes(path, platform::attr::kNormal);
    platform::RemoveFile(path);
  }
}

} // namespace

FileManager::FileManager() : tempRoot_(platform::TempFolder()) {}

FileManager::~FileManager() {
  Close();
}

std::optional<std::string> FileManager::MakeWorkFolder() {
  std::optional<std::string> folder =
      platform::MakeFreshFolder(tempRoot_, kWorkFolderPrefix);
  if (!folder) {
    return std::nullopt;
  }
  std::string path = platform::WithTrailingSeparator(std::move(*folder));
  if (path.size() >= platform::kMaxPath) {
    // Best effort: the open fails either way, and an empty folder left in
    // the temporary folder harms nothing.
    (void)platform::RemoveEmptyFolder(path);
    return std::nullopt;
  }
  lastTempFolder_ = path;
  return path;
}

void FileManager::DeleteFolderTree(const std::string &folder) {
  if (folder.empty()) {
    return;
  }
  std::optional<std::uint32_t> attributes = platform::ReadAttributes(folder);
  if (!attributes || !IsPlainFolder(*attributes)) {
    return;
  }
  std::string base = platform::WithTrailingSeparator(folder);
  DeleteTreeContents(base, 0);
  // A folder that keeps an entry stays: deletion has no result to report.
  (void)platform::RemoveEmptyFolder(base);
}

int FileManager::Close() {
  if (isOpen_) {
    DeleteFolderTree(workFolder_);
  }
  return 1;
}

int FileManager::DecodePicture(const std::string &path,
                               imaging::PicturePointers &out) {
  if (imaging::DecodePicture(imageCodec_, path, out) == 0) {
    return 0;
  }
  convertedImagePath_.clear();
  return 1;
}

int FileManager::ConvertPicture(const std::string &path,
                                imaging::PictureLimits limits) {
  return imaging::ConvertPicture(imageCodec_, path, limits, workFolder_,
                                 convertedImagePath_);
}

bool FileManager::Open(const std::string &path) {
  problem_.clear();
  if (!platform::PathExists(path)) {
    problem_ = path + ": no such file";
    return false;
  }
  std::optional<std::string> folder = MakeWorkFolder();
  if (!folder) {
    problem_ = "cannot make a working folder under " + tempRoot_;
    return false;
  }
  auto fail = [&](std::string why) {
    // Files extracted before a failure would otherwise stay behind in the
    // temporary folder.
    DeleteFolderTree(*folder);
    problem_ = std::move(why);
    return false;
  };
  if (!ExtractCabinet(path, *folder)) {
    return fail(path + ": not a readable cabinet");
  }
  switch (MigrateOldScene(*folder)) {
  case MigrationResult::NotNeeded:
  case MigrationResult::Migrated:
    break;
  case MigrationResult::Failed:
    return fail(path + ": an old scene whose template cannot be extracted");
  }
  if (!CheckFileList(*folder)) {
    return fail(path + ": \"FileList.ini\" is missing, empty or names a "
                       "file the package does not hold");
  }
  if (!document_.Open(*folder)) {
    return fail(document_.GetOpenProblem().Describe());
  }
  if (isOpen_) {
    DeleteFolderTree(workFolder_);
  }
  workFolder_ = *folder;
  packagePath_ = path;
  isOpen_ = true;
  return true;
}

bool FileManager::SaveAs(const std::string &path) {
  problem_.clear();
  if (!isOpen_ || !document_.HasScene()) {
    problem_ = "no package is open";
    return false;
  }
  // The cabinet's folder is made one level deep; an existing one is fine.
  const std::size_t cut = path.find_last_of(platform::kPathSeparators);
  if (cut != std::string::npos && cut > 0) {
    platform::MakeFolder(path.substr(0, cut));
  }

  std::vector<std::string> files = ListPackageFiles(document_);
  std::vector<std::string> maps = ListMapFiles(document_);
  files.insert(files.end(), maps.begin(), maps.end());
  if (!platform::FindInFolder(workFolder_, kFileListName)) {
    problem_ = "the working folder holds no \"FileList.ini\"";
    return false;
  }
  // A list that was not rewritten would no longer match the cabinet.
  if (!WriteFileList(workFolder_, files)) {
    problem_ = "\"FileList.ini\" could not be rewritten";
    return false;
  }
  // Files are stored relative to the working folder of the open package.
  if (!PackCabinet(path, workFolder_, files)) {
    problem_ = path + ": the cabinet could not be written";
    return false;
  }
  packagePath_ = path;
  return true;
}

} // namespace vorafile
