#include "host/file_manager.h"

#include "package/work_folder.h"

namespace vorafile {

FileManager::FileManager() = default;

void FileManager::DeleteFolderTree(const std::string &folder) {
  vorafile::DeleteFolderTree(folder);
}

int FileManager::Close() {
  package_.Close();
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
  return imaging::ConvertPicture(imageCodec_, path, limits, WorkFolder(),
                                 convertedImagePath_);
}

} // namespace vorafile
