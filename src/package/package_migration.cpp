#include "package/package_migration.h"

#include "nodes/core/line_scanner.h"
#include "package/cabinet_io.h"
#include "platform/file_system.h"
#include "platform/installation_names.h"
#include "platform/registry.h"

#include <cstdio>
#include <memory>

namespace vorafile {

namespace {

constexpr const char *kSavedScript = "vora.vrc";
constexpr const char *kDeliveredScript = "vora.rudov";
constexpr const char *kMigratedScript = "vora_.rudov";

// The first two whitespace-separated integers of a file; fewer when the
// file does not start with them.
int ReadLeadingIntegers(const std::string &path, std::int32_t (&values)[2]) {
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(
      std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    return -1;
  }
  // Two integers fit in the first few hundred bytes of any such script.
  char head[512];
  const std::size_t length = std::fread(head, 1, sizeof head - 1, file.get());
  nodes::LineScanner scan(std::string_view(head, length));
  scan.Int(values[0]).Int(values[1]);
  return scan.Count();
}

} // namespace

std::string TemplateCabinetName(int number) {
  return "Vrt" + std::to_string(number) + ".Vrt";
}

MigrationResult MigrateOldScene(const std::string &rawFolder) {
  const std::string folder = platform::WithTrailingSeparator(rawFolder);
  if (platform::FindInFolder(folder, kSavedScript)) {
    return MigrationResult::NotNeeded;
  }
  std::optional<std::string> script =
      platform::FindInFolder(folder, kDeliveredScript);
  if (!script) {
    return MigrationResult::NotNeeded;
  }
  std::int32_t values[2] = {0, 0};
  const int count = ReadLeadingIntegers(*script, values);
  if (count < 1 || values[0] != 1) {
    return MigrationResult::NotNeeded;
  }
  // A list that names no template cannot be migrated.
  if (count < 2) {
    return MigrationResult::NoTemplateNumber;
  }
  if (!platform::MoveFileNoOverwrite(*script, folder + kMigratedScript)) {
    return MigrationResult::CannotRenameScript;
  }

  std::optional<std::string> installation = platform::ReadMachineRegistryString(
      installation::kInstallationKey, installation::kInstallationValue);
  if (!installation || installation->empty() ||
      installation->size() >= platform::kMaxPath) {
    return MigrationResult::NoInstallation;
  }
  const std::string cabinet = platform::WithTrailingSeparator(*installation) +
                              TemplateCabinetName(values[1]);
  return ExtractCabinet(cabinet, folder)
             ? MigrationResult::Migrated
             : MigrationResult::CannotExtractTemplate;
}

} // namespace vorafile
