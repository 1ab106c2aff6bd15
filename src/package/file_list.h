// "FileList.ini": the list of a package's media files, in two groups ("3d"
// for data files, "Texture" for images), which opening checks and saving
// rewrites.
#ifndef VORAFILE_PACKAGE_FILE_LIST_H
#define VORAFILE_PACKAGE_FILE_LIST_H

#include <string>
#include <string_view>
#include <vector>

namespace vorafile {

inline constexpr const char *kFileListName = "FileList.ini";

/// True for names ending in ".bmp", ".jpg" or ".jpeg" (any case).
[[nodiscard]] bool IsImageFileName(std::string_view name);

/// True when every file the list of `folder` names was extracted: the list
/// exists, has at least one "3d" entry, and every non-empty entry of both
/// groups names an existing file of the folder.
[[nodiscard]] bool CheckFileList(const std::string &folder);

/// One reason why CheckFileList fails, for people: what is wrong ("[3d] 1
/// names missing file a.x") and the list's line that holds it (1-based; 0
/// when no line does, as for a missing list or "Count").
struct FileListProblem {
  int line = 0;
  std::string text;
};

/// Every reason CheckFileList would fail, in list order; empty when the
/// list is complete. A name that leaves the folder is told apart from one
/// that names no file.
[[nodiscard]] std::vector<FileListProblem>
FindFileListProblems(const std::string &folder);

/// Rewrites both groups of the list in `workFolder` from `paths`: only files
/// directly in the working folder are listed, images under "Texture" and
/// the rest under "3d", numbered from 1; names with a line break are left
/// out. Other sections stay. False when the working folder holds no list
/// or it cannot be written.
[[nodiscard]] bool WriteFileList(const std::string &workFolder,
                                 const std::vector<std::string> &paths);

} // namespace vorafile

#endif // VORAFILE_PACKAGE_FILE_LIST_H
