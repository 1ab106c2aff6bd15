// The two cabinet operations that packages need, run on a worker thread
// while the calling thread keeps dispatching its window messages.
#ifndef VORAFILE_PACKAGE_CABINET_IO_H
#define VORAFILE_PACKAGE_CABINET_IO_H

#include <string>
#include <vector>

namespace vorafile {

/// Extracts every file of `cabinetPath` into `destinationFolder` (ending
/// with a separator). False on any failure; then `failure` (when given)
/// says what and where: the file, or the folder and block, and the reason,
/// led by the cabinet's name when another cabinet of its set failed.
[[nodiscard]] bool ExtractCabinet(const std::string &cabinetPath,
                                  const std::string &destinationFolder,
                                  std::string *failure = nullptr);

/// Writes the cabinet `cabinetPath` (MSZIP) holding `files`, each stored
/// under its path relative to `baseFolder`. The target is replaced only
/// when the new cabinet is complete.
[[nodiscard]] bool PackCabinet(const std::string &cabinetPath,
                               const std::string &baseFolder,
                               const std::vector<std::string> &files);

} // namespace vorafile

#endif // VORAFILE_PACKAGE_CABINET_IO_H
