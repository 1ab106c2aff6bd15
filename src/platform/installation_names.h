// Where the player's maker installs things: the registry values that name
// the installation and program files folders, the components folder and the
// codec library's file name. Spelled here once; the package migration and
// the picture service read them.
#ifndef VORAFILE_PLATFORM_INSTALLATION_NAMES_H
#define VORAFILE_PLATFORM_INSTALLATION_NAMES_H

#include <string_view>

namespace vorafile::installation {

/// Key (under HKEY_LOCAL_MACHINE) and value of the installation folder,
/// which holds the template cabinets.
inline constexpr const char *kInstallationKey = "Software\\Mervel Tech\\Tervy";
inline constexpr const char *kInstallationValue = "Path";

/// Key (under HKEY_LOCAL_MACHINE) and value of the program files folder.
inline constexpr const char *kProgramFilesKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr const char *kProgramFilesValue = "ProgramFilesDir";

/// The codec library lives in program files + maker + components folder.
inline constexpr const char *kMakerFolder = "Mervel";
inline constexpr const char *kComponentsFolder = "TERVY Components";
#ifdef _WIN32
inline constexpr const char *kCodecLibraryFile = "QVImage.dll";
#else
inline constexpr const char *kCodecLibraryFile = "QVImage.so";
#endif

/// Default of the introduction page's link keys.
inline constexpr std::string_view kProductWebAddress =
    "https://tervy.mervel.example/";

} // namespace vorafile::installation

#endif // VORAFILE_PLATFORM_INSTALLATION_NAMES_H
