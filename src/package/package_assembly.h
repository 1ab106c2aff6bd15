// Works out which files a saved package holds: the fixed files of the
// working folder, the files that node parameters name, and folders and
// numbered map images found on disk.
#ifndef VORAFILE_PACKAGE_PACKAGE_ASSEMBLY_H
#define VORAFILE_PACKAGE_PACKAGE_ASSEMBLY_H

#include "document/scene_document.h"

#include <string>
#include <vector>

namespace vorafile {

/// Full paths of the package's files, collector by collector. A path is
/// listed once per collector, so a file that two collectors name is listed
/// twice. Named files are not checked for existence (the packer reports a
/// missing one), except where a collector looks for a file on disk.
std::vector<std::string> ListPackageFiles(SceneDocument &document);

/// Every file a save packs: ListPackageFiles and then ListMapFiles, each
/// path once (KeepFirstOccurrences).
std::vector<std::string> ListSavedFiles(SceneDocument &document);

/// `paths` with each path only at its first occurrence, paths comparing
/// without regard to ASCII case and taking "/" and "\" as one.
std::vector<std::string> KeepFirstOccurrences(std::vector<std::string> paths);

/// The height and mask map images: "heightmap" + n and then "maskmap" + n,
/// each with the first of ".bmp", ".jpg" and ".jpeg" that exists, from
/// n = 0 up to the first n that has none.
std::vector<std::string> ListMapFiles(SceneDocument &document);

/// After a read that stopped early (SceneRoot::HasUnreadTail) the files
/// that the unread lines name are unknown, so every regular file of the
/// working folder, at any depth, that `files` does not hold yet (compared
/// without regard to case or separator) is appended to `files`; the
/// delivered script and the old value list stay out, as a saved package
/// opens its saved script. Does nothing after a whole read.
void AddFilesNoCollectorNamed(SceneDocument &document,
                              std::vector<std::string> &files);

} // namespace vorafile

#endif // VORAFILE_PACKAGE_PACKAGE_ASSEMBLY_H
