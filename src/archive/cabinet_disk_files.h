// The cabinet engine's file and memory callbacks over the C runtime's files,
// and the rules that turn file paths into names stored in a cabinet and back.
//
// Handles are std::FILE pointers; every routine takes the engine's `user`
// value and ignores it, so the wrappers can hand these out as they are.
#ifndef VORAFILE_ARCHIVE_CABINET_DISK_FILES_H
#define VORAFILE_ARCHIVE_CABINET_DISK_FILES_H

#include "archive/cabinet_engine.h"
#include "archive/cabinet_read_engine.h"
#include "archive/cabinet_write_engine.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorafile::archive {

void *DiskAlloc(std::size_t size, void *user);
void DiskFree(void *memory, void *user);
/// Opens `path` in binary mode as the open_flag bits ask; -1 on failure.
CabFileHandle DiskOpen(const char *path, int flags, int mode, int *err,
                       void *user);
std::int32_t DiskRead(CabFileHandle file, void *buffer, std::uint32_t count,
                      int *err, void *user);
std::int32_t DiskWrite(CabFileHandle file, const void *buffer,
                       std::uint32_t count, int *err, void *user);
int DiskClose(CabFileHandle file, int *err, void *user);
std::int64_t DiskSeek(CabFileHandle file, std::int64_t distance, int origin,
                      int *err, void *user);
int DiskDelete(const char *path, int *err, void *user);

/// A fresh name "xx" + a random number in the system's temporary folder; the
/// file is not created. False when it does not fit into `bufferSize` bytes
/// with its terminator.
[[nodiscard]] bool DiskTempFile(char *buffer, int bufferSize, void *user);

/// The file callbacks over the disk routines above.
CabFileCallbacks DiskFileCallbacks();

/// The writer's callbacks, every one of them the disk routines above (no
/// file-placed callback).
FciCallbacks DiskFciCallbacks();

/// The reader's callbacks over the disk routines above.
FdiCallbacks DiskFdiCallbacks();

/// The separator of names stored in a cabinet.
inline constexpr char kStoredSeparator = '\\';

/// The name a file is stored under: the part of `path` after the first
/// occurrence of `baseFolder` (a case-sensitive search anywhere in the path),
/// or the whole path when it does not occur or `baseFolder` is empty. Forward
/// slashes become backslashes.
std::string StoredNameOf(std::string_view path, std::string_view baseFolder);

/// Whether a stored name may be written below a destination folder: not
/// empty, not absolute, no drive or stream colon, and no component that
/// climbs out (".." and the forms that Windows reads as "..", such as
/// ". ." or "..."). The reader refuses to extract, and the writer to store,
/// any other name, so a written cabinet always extracts.
[[nodiscard]] bool IsSafeStoredName(std::string_view storedName);

/// A stored name with its separators turned into this system's.
std::string StoredNameToPath(std::string_view storedName);

/// True when `a` and `b` are equal ignoring ASCII case, and taking "/" and
/// "\" as the same character.
[[nodiscard]] bool StoredNamesEqual(std::string_view a, std::string_view b);

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_DISK_FILES_H
