// The one top-level object of the library: it holds the loaded scene, the
// open package that the scene came from and the picture services.
#ifndef VORAFILE_HOST_FILE_MANAGER_H
#define VORAFILE_HOST_FILE_MANAGER_H

#include "document/scene_document.h"
#include "imaging/picture_service.h"
#include "package/package.h"

#include <optional>
#include <string>

namespace vorafile {

class FileManager {
public:
  /// No package open; the temporary folder is taken from the system once.
  FileManager();
  FileManager(const FileManager &) = delete;
  FileManager &operator=(const FileManager &) = delete;
  /// Closes the package (deletes its working folder tree).
  ~FileManager() = default;

  /// Package::MakeWorkFolder.
  [[nodiscard]] std::optional<std::string> MakeWorkFolder() {
    return package_.MakeWorkFolder();
  }
  /// vorafile::DeleteFolderTree (package/work_folder.h).
  static void DeleteFolderTree(const std::string &folder);

  /// Deletes the working folder tree when a package was ever opened. Always
  /// answers 1.
  int Close();

  /// Package::Open: the package at `path` into a fresh working folder and
  /// its scene into Document().
  [[nodiscard]] OpenResult Open(const std::string &path) {
    return package_.Open(path);
  }
  /// Package::SaveAs. The caller writes the scene script first.
  [[nodiscard]] SaveResult SaveAs(const std::string &path) {
    return package_.SaveAs(path);
  }

  [[nodiscard]] bool IsOpen() const { return package_.IsOpen(); }
  [[nodiscard]] const std::string &PackagePath() const {
    return package_.PackagePath();
  }
  [[nodiscard]] const std::string &WorkFolder() const {
    return package_.WorkFolder();
  }
  [[nodiscard]] const std::string &TempRoot() const {
    return package_.TempRoot();
  }
  [[nodiscard]] const std::string &LastTempFolder() const {
    return package_.LastTempFolder();
  }

  /// The loaded scene (empty until a package is opened).
  [[nodiscard]] SceneDocument &Document() { return document_; }

  /// The picture service (codec library not loaded until asked).
  [[nodiscard]] imaging::PictureService &Pictures() { return pictures_; }

private:
  // The package loads into and packs from the document, which is made
  // before it and goes after it.
  SceneDocument document_;
  Package package_{document_};
  imaging::PictureService pictures_;
};

} // namespace vorafile

#endif // VORAFILE_HOST_FILE_MANAGER_H
