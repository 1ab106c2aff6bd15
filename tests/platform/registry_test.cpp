#include "platform/registry.h"

#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vorafile::platform {
namespace {

#ifdef _WIN32

TEST(RegistryTest, ReadsTheSystemRegistry) {
  // Every Windows (and Wine) installation has this value.
  std::optional<std::string> folder = ReadMachineRegistryString(
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  ASSERT_TRUE(folder);
  EXPECT_FALSE(folder->empty());
  EXPECT_FALSE(ReadMachineRegistryString(
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "NoSuchValue.vorafile"));
  EXPECT_FALSE(
      ReadMachineRegistryString("SOFTWARE\\NoSuchKey\\vorafile", "Path"));
}

#else

using test::ScopedEnv;
using test::TempDir;

TEST(RegistryTest, ReadsStringValuesFromTheExportFile) {
  TempDir dir;
  dir.write("registry.reg",
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
            "\"Path\"=\"/wrong\"\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Mervel Tech\\Tervy]\r\n"
            "\"Version\"=dword:00000003\r\n"
            "\"Path\"=\"/opt/tervy\"\r\n"
            "\"Quoted\"=\"say \\\"hi\\\" c:\\\\dir\"\r\n"
            "@=\"default value\"\r\n");
  ScopedEnv env("VORAFILE_REGISTRY", dir.file("registry.reg"));

  EXPECT_EQ(ReadMachineRegistryString("Software\\Mervel Tech\\Tervy", "Path"),
            "/opt/tervy");
  // Key paths and value names compare without regard to case.
  EXPECT_EQ(ReadMachineRegistryString("SOFTWARE\\mervel tech\\TERVY", "path"),
            "/opt/tervy");
  EXPECT_EQ(ReadMachineRegistryString("Software\\Mervel Tech\\Tervy", "Quoted"),
            "say \"hi\" c:\\dir");
  EXPECT_EQ(ReadMachineRegistryString("Software\\Mervel Tech\\Tervy", ""),
            "default value");
  // Only string values are read.
  EXPECT_FALSE(
      ReadMachineRegistryString("Software\\Mervel Tech\\Tervy", "Version"));
  EXPECT_FALSE(
      ReadMachineRegistryString("Software\\Mervel Tech\\Tervy", "Missing"));
  EXPECT_FALSE(ReadMachineRegistryString("Software\\Mervel Tech", "Path"));
}

TEST(RegistryTest, MissingOrBrokenFilesReadAsAbsent) {
  TempDir dir;
  {
    ScopedEnv env("VORAFILE_REGISTRY", dir.file("missing.reg"));
    EXPECT_FALSE(ReadMachineRegistryString("Software\\X", "Path"));
  }
  dir.write("broken.reg", "[HKEY_LOCAL_MACHINE\\Software\\X\n"
                          "\"Path\"=\"unterminated\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\X]\n"
                          "\"Path\"\n"
                          "\"Path\"=\"/good\"\n");
  ScopedEnv env("VORAFILE_REGISTRY", dir.file("broken.reg"));
  EXPECT_EQ(ReadMachineRegistryString("Software\\X", "Path"), "/good");
}

#endif

} // namespace
} // namespace vorafile::platform
