// The one top-level object of the library: the open package, its working
// folder under the system's temporary folder, and the folder services that
// opening and saving packages rely on.
#ifndef VORAFILE_HOST_FILE_MANAGER_H
#define VORAFILE_HOST_FILE_MANAGER_H

#include "document/scene_document.h"
#include "imaging/picture_service.h"

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
  ~FileManager();

  /// Makes a fresh working folder "__" + a number under the temporary folder
  /// and remembers it as LastTempFolder(). Answers its path, ending with a
  /// separator, or nothing (LastTempFolder() unchanged) when no folder could
  /// be made.
  [[nodiscard]] std::optional<std::string> MakeWorkFolder();

  /// Deletes `folder` (ending with a separator) and everything under it. Only
  /// a plain folder is touched: a path that is missing, a file, a link or a
  /// folder with further attributes (read-only, hidden) is left alone.
  /// Inside, read-only files are made writable and deleted, and a symbolic
  /// link or junction is removed itself, never entered. Single failures are
  /// skipped; the rest still goes.
  static void DeleteFolderTree(const std::string &folder);

  /// Deletes the working folder tree when a package was ever opened. Always
  /// answers 1.
  int Close();

  /// Opens the package (a cabinet) at `path`: extracts it into a fresh
  /// working folder, migrates an oldest-version scene through its template,
  /// checks the file list and loads the scene. Only a successful open
  /// replaces the current package (whose working folder is deleted then);
  /// a failed one deletes its own folder and keeps the current package,
  /// though the scene document may have been replaced.
  [[nodiscard]] bool Open(const std::string &path);

  /// Packs the working folder's package files into the cabinet `path`
  /// (creating its folder, one level) and rewrites "FileList.ini". The
  /// caller writes the scene script first. Fails without a package, without
  /// a "FileList.ini" in the working folder, or when the cabinet could not
  /// be written (an existing file at `path` then stays as it was).
  [[nodiscard]] bool SaveAs(const std::string &path);

  /// Why the last Open or SaveAs failed, for a person to read.
  [[nodiscard]] const std::string &LastProblem() const { return problem_; }

  [[nodiscard]] bool IsOpen() const { return isOpen_; }
  [[nodiscard]] const std::string &PackagePath() const { return packagePath_; }
  [[nodiscard]] const std::string &WorkFolder() const { return workFolder_; }
  [[nodiscard]] const std::string &TempRoot() const { return tempRoot_; }
  [[nodiscard]] const std::string &LastTempFolder() const {
    return lastTempFolder_;
  }

  /// The loaded scene (empty until a package is opened).
  [[nodiscard]] SceneDocument &Document() { return document_; }

  /// The picture service (codec library not loaded until asked).
  [[nodiscard]] imaging::PictureService &Pictures() { return pictures_; }

private:
  bool isOpen_ = false;
  std::string packagePath_;
  std::string workFolder_;
  std::string tempRoot_;
  std::string lastTempFolder_;
  SceneDocument document_;
  std::string problem_;
  imaging::PictureService pictures_;
};

} // namespace vorafile

#endif // VORAFILE_HOST_FILE_MANAGER_H
