// Packages of the oldest script version: their script is a plain list of
// values that a template scene of the installation takes in.
#ifndef VORAFILE_PACKAGE_PACKAGE_MIGRATION_H
#define VORAFILE_PACKAGE_PACKAGE_MIGRATION_H

#include <string>

namespace vorafile {

enum class MigrationResult {
  NotNeeded,
  Migrated,
  NoTemplateNumber,      // the old list starts with 1 but names no template
  CannotRenameScript,    // "vora_.rudov" cannot take the old list's place
  NoInstallation,        // the installation folder is not registered
  CannotExtractTemplate, // the template cabinet is missing or broken
};

/// The template cabinet of number n: "Vrt" n ".Vrt".
std::string TemplateCabinetName(int number);

/// When `folder` holds no "vora.vrc" and its "vora.rudov" starts with the
/// integer 1 followed by a template number n: renames the script to
/// "vora_.rudov" and extracts template n of the installation folder over
/// the folder. Any other answer than NotNeeded and Migrated says why the
/// migration failed.
[[nodiscard]] MigrationResult MigrateOldScene(const std::string &folder);

} // namespace vorafile

#endif // VORAFILE_PACKAGE_PACKAGE_MIGRATION_H
