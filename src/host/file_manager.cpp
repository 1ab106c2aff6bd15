#include "host/file_manager.h"

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
  if (depth > kMaxTreeDepth)
    return;
  for (const platform::FolderEntry &entry : platform::ListFolder(folder)) {
    std::string path = folder + entry.name;
    const std::uint32_t attributes = entry.attributes;
    if (attributes & platform::attr::kReparsePoint) {
      // A link: remove the link itself, whatever it points at.
      if (attributes & platform::attr::kDirectory)
        platform::RemoveEmptyFolder(path);
      else
        platform::RemoveFile(path);
      continue;
    }
    if (attributes & platform::attr::kDirectory) {
      // A read-only or hidden subfolder is still part of the tree: make it
      // plain so that it can go with the rest.
      if (!IsPlainFolder(attributes))
        platform::WriteAttributes(path, platform::attr::kNormal);
      std::string subfolder = platform::WithTrailingSeparator(path);
      DeleteTreeContents(subfolder, depth + 1);
      platform::RemoveEmptyFolder(path);
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
  if (!folder)
    return std::nullopt;
  std::string path = platform::WithTrailingSeparator(std::move(*folder));
  if (path.size() >= platform::kMaxPath) {
    platform::RemoveEmptyFolder(path);
    return std::nullopt;
  }
  lastTempFolder_ = path;
  return path;
}

void FileManager::DeleteFolderTree(const std::string &folder) {
  if (folder.empty())
    return;
  std::optional<std::uint32_t> attributes = platform::ReadAttributes(folder);
  if (!attributes || !IsPlainFolder(*attributes))
    return;
  std::string base = platform::WithTrailingSeparator(folder);
  DeleteTreeContents(base, 0);
  platform::RemoveEmptyFolder(base);
}

int FileManager::Close() {
  if (isOpen_)
    DeleteFolderTree(workFolder_);
  return 1;
}

int FileManager::DecodePicture(const std::string &path,
                               imaging::PicturePointers &out) {
  if (imaging::DecodePicture(imageCodec_, path, out) == 0)
    return 0;
  convertedImagePath_.clear();
  return 1;
}

int FileManager::ConvertPicture(const std::string &path,
                                imaging::PictureLimits limits) {
  return imaging::ConvertPicture(imageCodec_, path, limits, workFolder_,
                                 convertedImagePath_);
}

} // namespace vorafile
