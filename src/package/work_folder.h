// Working folders: the private folders under the temporary folder into
// which packages are extracted, and their removal.
#ifndef VORAFILE_PACKAGE_WORK_FOLDER_H
#define VORAFILE_PACKAGE_WORK_FOLDER_H

#include <optional>
#include <string>

namespace vorafile {

/// Makes a fresh folder "__" + a number under `tempRoot` (or under $TMP,
/// as the runtime's temporary-name service does). Answers its path, ending
/// with a separator, or nothing when no folder of a usable path length
/// could be made.
[[nodiscard]] std::optional<std::string>
MakeWorkFolder(const std::string &tempRoot);

/// Deletes `folder` (ending with a separator) and everything under it. Only
/// a plain folder is touched: a path that is missing, a file, a link or a
/// folder with further attributes (read-only, hidden) is left alone.
/// Inside, read-only files are made writable and deleted, and a symbolic
/// link or junction is removed itself, never entered. Single failures are
/// skipped; the rest still goes.
void DeleteFolderTree(const std::string &folder);

} // namespace vorafile

#endif // VORAFILE_PACKAGE_WORK_FOLDER_H
