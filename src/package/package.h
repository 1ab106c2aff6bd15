// The open package: a cabinet extracted into a private working folder,
// whose scene the document holds, and packed again on save.
#ifndef VORAFILE_PACKAGE_PACKAGE_H
#define VORAFILE_PACKAGE_PACKAGE_H

#include "document/scene_document.h"
#include "package/package_result.h"

#include <optional>
#include <string>

namespace vorafile {

/// Loads the scene of an unpacked scene folder into `document`, and merges
/// the values of an old list ("vora_.rudov") when the folder holds one.
[[nodiscard]] OpenResult LoadScene(SceneDocument &document,
                                   const std::string &folder);

/// The steps of a package's open before its file list and scene: extracts
/// the cabinet at `path` into `folder` (ending with a separator) and
/// migrates an oldest-version scene through its template. A failure may
/// leave files in the folder. Lets a caller that reports every problem of
/// a package check the list and read the scene itself.
[[nodiscard]] OpenResult ExtractPackage(const std::string &path,
                                        const std::string &folder);

class Package {
public:
  /// No package open; working folders go under the system's temporary
  /// folder, taken once. The document holds the scenes that Open loads and
  /// SaveAs packs; it outlives the package.
  explicit Package(SceneDocument &document);
  Package(const Package &) = delete;
  Package &operator=(const Package &) = delete;
  /// Close().
  ~Package();

  /// Opens the package (a cabinet) at `path`: extracts it into a fresh
  /// working folder, migrates an oldest-version scene through its template,
  /// checks the file list and loads the scene. Only a successful open
  /// replaces the current package (whose working folder is deleted then);
  /// a failed one deletes its own folder and keeps the current package,
  /// though the document may have been replaced from the scene on. Running
  /// out of memory is a failure (OutOfMemory) like any other.
  [[nodiscard]] OpenResult Open(const std::string &path);

  /// Packs the working folder's package files into the cabinet `path`
  /// (creating its folder, one level) after rewriting "FileList.ini". The
  /// caller writes the scene script first. A target whose folder cannot be
  /// made fails before the list is touched; when the cabinet cannot be
  /// written, the list is put back byte for byte and an existing file at
  /// `path` stays as it was. Running out of memory is a failure
  /// (OutOfMemory) like any other.
  [[nodiscard]] SaveResult SaveAs(const std::string &path);

  /// Deletes the working folder tree when a package was ever opened.
  void Close();

  /// Makes a fresh working folder (see MakeWorkFolder in work_folder.h) and
  /// remembers it as LastTempFolder(); nothing, and LastTempFolder()
  /// unchanged, when none could be made.
  [[nodiscard]] std::optional<std::string> MakeWorkFolder();

  [[nodiscard]] bool IsOpen() const { return isOpen_; }
  [[nodiscard]] const std::string &PackagePath() const { return packagePath_; }
  [[nodiscard]] const std::string &WorkFolder() const { return workFolder_; }
  [[nodiscard]] const std::string &TempRoot() const { return tempRoot_; }
  [[nodiscard]] const std::string &LastTempFolder() const {
    return lastTempFolder_;
  }

private:
  /// Open, and SaveAs, less the catching of std::bad_alloc. `madeFolder`
  /// receives the fresh working folder as soon as it exists.
  [[nodiscard]] OpenResult OpenInFreshFolder(const std::string &path,
                                             std::string &madeFolder);
  [[nodiscard]] SaveResult PackWorkFolder(const std::string &path);

  /// The open's steps on the fresh folder, from the extraction on.
  [[nodiscard]] OpenResult Unpack(const std::string &path,
                                  const std::string &folder);

  SceneDocument &document_;
  bool isOpen_ = false;
  std::string packagePath_;
  std::string workFolder_;
  std::string tempRoot_;
  std::string lastTempFolder_;
};

} // namespace vorafile

#endif // VORAFILE_PACKAGE_PACKAGE_H
