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

} // namespace vorafile
