#include "platform/ascii.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vorafile::ascii {
namespace {

TEST(AsciiTest, FoldsAsciiLettersOnly) {
  EXPECT_EQ(CompareIgnoreCase("CameraNode0", "cameranode0"), 0);
  // Letters fold to lower case, so '_' (0x5F) sorts before both 'a' and 'A'.
  EXPECT_LT(CompareIgnoreCase("_", "a"), 0);
  EXPECT_LT(CompareIgnoreCase("_", "A"), 0);
  EXPECT_LT(CompareIgnoreCase("abc", "abcd"), 0);
  // Bytes above 0x7F compare unsigned and never fold.
  EXPECT_GT(CompareIgnoreCase("\xE9", "z"), 0);
  EXPECT_FALSE(EqualsIgnoreCase("\xC9", "\xE9"));
  EXPECT_TRUE(EqualsIgnoreCase("", ""));
  EXPECT_EQ(ToLower("Maps\\A.JPG"), "maps\\a.jpg");
}

TEST(AsciiTest, SuffixAndSetOrder) {
  EXPECT_TRUE(EndsWithIgnoreCase("Cover.BMP", ".bmp"));
  EXPECT_FALSE(EndsWithIgnoreCase("bmp", ".bmp"));
  const std::set<std::string, LessIgnoreCase> names{"Misc", "MISC", "a.jpg"};
  EXPECT_EQ(names.size(), 2u);
  EXPECT_EQ(names.count("misc"), 1u);
}

} // namespace
} // namespace vorafile::ascii
