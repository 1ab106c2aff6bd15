// File names that a package's own files give for other files of the
// package: the one place where such a name becomes a path. A downloaded
// package is untrusted, so a name may never reach outside the package's
// working folder.
#ifndef VORAFILE_PLATFORM_PACKAGE_NAME_H
#define VORAFILE_PLATFORM_PACKAGE_NAME_H

#include <optional>
#include <string>
#include <string_view>

namespace vorafile::platform {

/// Whether `name` stays inside the folder it is relative to: not empty, not
/// absolute ("/x", "\x", "\\server"), no drive or stream colon, no NUL, and
/// no component that climbs out: ".." and the forms that Windows reads as
/// "..", since it drops trailing dots and blanks ("...", ". .", ".. ").
/// Either separator divides the components.
[[nodiscard]] bool IsInsideFolderName(std::string_view name);

/// The existing file or folder that `name` gives inside `folder`, as the
/// disk spells it: subfolders are divided by either separator, and on POSIX
/// each component is found without regard to ASCII case (see FindInFolder).
/// Nothing when the name is not inside the folder (IsInsideFolderName) or
/// names nothing; such a name is never looked up on disk.
[[nodiscard]] std::optional<std::string>
ResolvePackageName(const std::string &folder, std::string_view name);

/// Where the library reads, writes or packs `name` of `folder`: the existing
/// file in any case (ResolvePackageName), else folder + name with this
/// system's separators. Nothing when the name is not inside the folder.
[[nodiscard]] std::optional<std::string>
PackagePathFor(const std::string &folder, std::string_view name);

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_PACKAGE_NAME_H
