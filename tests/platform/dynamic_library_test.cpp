#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

namespace vorafile::platform {
namespace {

#ifdef _WIN32
constexpr const char *kSystemLibrary = "kernel32.dll";
constexpr const char *kKnownExport = "GetTickCount";
#else
constexpr const char *kSystemLibrary = "libc.so.6";
constexpr const char *kKnownExport = "strlen";
#endif

TEST(DynamicLibraryTest, LoadsALibraryAndFindsExports) {
  std::unique_ptr<DynamicLibrary> library =
      DynamicLibrary::Load(kSystemLibrary);
  ASSERT_NE(library, nullptr);
  EXPECT_NE(library->FindExport(kKnownExport), nullptr);
  EXPECT_EQ(library->FindExport("NoSuchExportInThisLibrary"), nullptr);
  EXPECT_EQ(library->FindExport(nullptr), nullptr);
}

TEST(DynamicLibraryTest, MissingLibrariesDoNotLoad) {
  EXPECT_EQ(DynamicLibrary::Load("no-such-library-vorafile.so"), nullptr);
  EXPECT_EQ(DynamicLibrary::Load(""), nullptr);
}

} // namespace
} // namespace vorafile::platform
