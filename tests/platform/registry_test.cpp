#include "platform/registry.h"

#include "platform/registry_file.h"

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

// The parsing on text, as the fuzzer drives it: line ends, the line length
// bound, and values that do not close.
TEST(RegistryTest, FindsStringsInTheFileText) {
  const std::string key = "[HKEY_LOCAL_MACHINE\\K]\n";
  // The value line "P"="vvv..." is exactly 64 KiB long.
  const std::string longValue(64 * 1024 - 6, 'v');
  struct Case {
    const char *name;
    std::string text;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"no final line break", key + "\"P\"=\"a\"", "a"},
      {"BOM and CRLF", "\xef\xbb\xbf" + key + "\"P\" = \"a\"\r\n", "a"},
      {"first match wins", key + "\"P\"=\"a\"\n\"p\"=\"b\"\n", "a"},
      {"later key of the same name",
       key + "[HKEY_LOCAL_MACHINE\\L]\n" + key + "\"P\"=\"c\"\n", "c"},
      {"line at the length bound", key + "\"P\"=\"" + longValue + "\"\n",
       longValue},
      {"line past the length bound",
       key + "\"P\"=\"" + longValue + "v\"\n\"P\"=\"short\"\n", "short"},
      {"escape at the end", key + "\"P\"=\"a\\", std::nullopt},
      {"value outside any key", "\"P\"=\"a\"\n", std::nullopt},
      {"other root", "[HKEY_CURRENT_USER\\K]\n\"P\"=\"a\"\n", std::nullopt},
      {"empty text", "", std::nullopt},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindRegistryString(c.text, "K", "P"), c.expected);
  }
}

#endif

} // namespace
} // namespace vorafile::platform
