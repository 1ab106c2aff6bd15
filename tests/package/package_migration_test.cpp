#include "package/package_migration.h"

#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorafile {
namespace {

using test::ScopedEnv;
using test::TempDir;

TEST(PackageMigrationTest, TemplatesAreNamedByNumber) {
  EXPECT_EQ(TemplateCabinetName(7), "Vrt7.Vrt");
  EXPECT_EQ(TemplateCabinetName(12), "Vrt12.Vrt");
}

TEST(PackageMigrationTest, OnlyOldListsWithoutASavedScriptMigrate) {
  TempDir dir;
  EXPECT_EQ(MigrateOldScene(dir.folder()), MigrationResult::NotNeeded);

  dir.write("vora.rudov", "Version 3\n");
  EXPECT_EQ(MigrateOldScene(dir.folder()), MigrationResult::NotNeeded);
  dir.write("vora.rudov", "2\n7\n");
  EXPECT_EQ(MigrateOldScene(dir.folder()), MigrationResult::NotNeeded);

  // A saved script wins even over an old list.
  dir.write("vora.rudov", "1\n7\n");
  dir.write("vora.vrc", "Version 3\n");
  EXPECT_EQ(MigrateOldScene(dir.folder()), MigrationResult::NotNeeded);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "vora.rudov"));
}

#ifndef _WIN32
TEST(PackageMigrationTest, AMissingInstallationFailsTheMigration) {
  TempDir dir;
  TempDir registry;
  registry.write("registry.reg", "[HKEY_LOCAL_MACHINE\\Software\\Other]\n");
  ScopedEnv env("VORAFILE_REGISTRY", registry.file("registry.reg"));

  dir.write("vora.rudov", "1\n");
  EXPECT_EQ(MigrateOldScene(dir.folder()), MigrationResult::NoTemplateNumber);

  dir.write("vora.rudov", "1\n7\n");
  EXPECT_EQ(MigrateOldScene(dir.folder()), MigrationResult::NoInstallation);
  EXPECT_EQ(dir.read("vora_.rudov"), "1\n7\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "vora.rudov"));

  // The list set aside by that attempt is in the way of another.
  dir.write("vora.rudov", "1\n7\n");
  EXPECT_EQ(MigrateOldScene(dir.folder()), MigrationResult::CannotRenameScript);

  // An installation without template 7.
  std::filesystem::remove(dir.path() / "vora_.rudov");
  registry.write("registry.reg",
                 "[HKEY_LOCAL_MACHINE\\Software\\Mervel Tech\\Tervy]\n"
                 "\"Path\"=\"" +
                     registry.path().string() + "\"\n");
  EXPECT_EQ(MigrateOldScene(dir.folder()),
            MigrationResult::CannotExtractTemplate);
}
#endif

} // namespace
} // namespace vorafile
