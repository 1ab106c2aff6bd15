#include "nodes/content/text_helpers.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vorafile::nodes {
namespace {

using test::TempDir;

constexpr const char *kDefaultFont =
    "1.0,0.1,-11,0,0,0,500,0,0,0,0,3,2,1,34,Arial";

TEST(TextHelpersTest, ColorsScaleBytesAndWriteBackTruncated) {
  Color color;
  ASSERT_TRUE(ParseColor("0,0,255", color));
  EXPECT_EQ(color.components[0], 0.0f);
  EXPECT_EQ(color.components[2], 1.0f);
  EXPECT_EQ(color.components[3], 0.0f);
  EXPECT_EQ(FormatColor(color), "0,0,255");

  // Every byte value survives the trip through the float scale.
  for (int value = 0; value <= 255; ++value) {
    std::string text = std::to_string(value) + ",1,2";
    ASSERT_TRUE(ParseColor(text, color));
    EXPECT_EQ(FormatColor(color), text);
  }

  Color untouched = ColorFromBytes(1, 2, 3, 4);
  Color before = untouched;
  EXPECT_FALSE(ParseColor("1,2", untouched));
  EXPECT_FALSE(ParseColor("", untouched));
  EXPECT_FALSE(ParseColor("1,,2", untouched)); // empty fields do not count
  EXPECT_EQ(untouched, before);
  ASSERT_TRUE(ParseColor("red,  7,9x", color)); // atoi: no number reads 0
  EXPECT_EQ(FormatColor(color), "0,7,9");
}

TEST(TextHelpersTest, RectanglesAreStoredAsEdges) {
  IntQuad quad;
  ASSERT_TRUE(ParseRect("10,20,30,40", quad));
  EXPECT_EQ(quad.values, (std::array<std::int32_t, 4>{10, 20, 40, 60}));
  EXPECT_EQ(FormatRect(quad), "10,20,30,40");
  EXPECT_FALSE(ParseRect("10,20,30", quad));
  EXPECT_EQ(quad.values[2], 40);

  // Extreme numbers clamp instead of overflowing.
  ASSERT_TRUE(
      ParseRect("2147483647,-2147483648,99999999999,-99999999999", quad));
  EXPECT_EQ(quad.values[2], 2147483647);
  EXPECT_EQ(quad.values[3], -2147483647 - 1);
  EXPECT_FALSE(FormatRect(quad).empty());
}

TEST(TextHelpersTest, FontRecordsRoundTrip) {
  Block font;
  ASSERT_TRUE(ParseFontInfo(kDefaultFont, font));
  std::int32_t height = 0;
  std::memcpy(&height, font.bytes.data(), 4);
  EXPECT_EQ(height, -11);
  EXPECT_EQ(font.bytes[27], 34); // pitch and family
  EXPECT_STREQ(reinterpret_cast<const char *>(font.bytes.data() + 28), "Arial");
  EXPECT_EQ(FormatFontInfo(font),
            "1.000000,0.100000,-11,0,0,0,500,0,0,0,0,3,2,1,34,Arial");

  Block before = font;
  EXPECT_FALSE(ParseFontInfo("1.0,0.1,-11,0,0,0,500", font));
  EXPECT_EQ(font, before);

  // A face name longer than the record holds is cut to 31 characters.
  std::string longFace =
      "1,0,1,2,3,4,5,6,7,8,9,10,11,12,13," + std::string(40, 'F');
  ASSERT_TRUE(ParseFontInfo(longFace, font));
  EXPECT_EQ(FormatFontInfo(font).substr(FormatFontInfo(font).rfind(',') + 1),
            std::string(31, 'F'));
}

TEST(TextHelpersTest, SmallConversions) {
  Vector vector;
  ASSERT_TRUE(ParseVector("1.5,-2,3e2", vector));
  EXPECT_EQ(vector.components, (std::array<float, 3>{1.5f, -2.0f, 300.0f}));
  EXPECT_FALSE(ParseVector("1,2", vector));

  std::uint8_t flag = 9;
  EXPECT_EQ(FlagFromFloat(1.0f, flag), 1);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(FlagFromFloat(0.0f, flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(FlagFromFloat(0.5f, flag), -1);
  EXPECT_EQ(flag, 0);

  std::string text = " \t padded text \r\n";
  TrimSpaces(text);
  EXPECT_EQ(text, "padded text");
  text = "   ";
  TrimSpaces(text);
  EXPECT_EQ(text, "");

  EXPECT_EQ(QuoteIniValue("plain words"), "plain words");
  EXPECT_EQ(QuoteIniValue(" padded"), "\" padded\"");
  EXPECT_EQ(QuoteIniValue("'quoted'"), "\"'quoted'\"");
  EXPECT_EQ(QuoteIniValue("\"half"), "\"half");
  EXPECT_EQ(QuoteIniValue(""), "");

  EXPECT_EQ(TextToInt("  -42abc"), -42);
  EXPECT_EQ(TextToInt("x"), 0);
  EXPECT_EQ(TextToInt("99999999999"), 2147483647);
}

TEST(TextHelpersTest, ImageNamesResolveToTheOtherFormat) {
  TempDir dir;
  std::string name = "sky.jpg;old";
  EXPECT_FALSE(ResolveImageFile(dir.folder(), name));
  EXPECT_EQ(name, "sky.jpg");

  dir.write("sky.bmp", "b");
  name = "sky.jpg;old";
  EXPECT_TRUE(ResolveImageFile(dir.folder(), name));
  EXPECT_EQ(name, "sky.bmp");

  dir.write("sky.jpg", "j");
  name = "sky.jpg;old\tmore";
  EXPECT_TRUE(ResolveImageFile(dir.folder(), name));
  EXPECT_EQ(name, "sky.jpg");

  dir.write("only.jpg", "j");
  name = "only.BMP  ";
  EXPECT_TRUE(ResolveImageFile(dir.folder(), name));
  EXPECT_EQ(name, "only.jpg");

  name = "model.x";
  EXPECT_FALSE(ResolveImageFile(dir.folder(), name));
  name = "";
  EXPECT_TRUE(ResolveImageFile(dir.folder(), name)); // the folder exists
}

TEST(TextHelpersTest, FileTestsStayInsideTheFolder) {
  TempDir dir;
  dir.write("outside.jpg", "o");
  dir.write("work/maps/a.jpg", "a");
  const std::string work = dir.file("work/");
  struct Case {
    const char *name;
    bool found;
  };
  const Case cases[] = {
      {"maps/a.jpg", true},
      {"maps\\a.jpg", true},
      {"maps\\a.bmp", true}, // the other format
      {"../outside.jpg", false},
      {"../outside.bmp", false},
      {"maps/../../outside.jpg", false},
  };
  for (const Case &c : cases) {
    std::string name = c.name;
    EXPECT_EQ(ResolveImageFile(work, name), c.found) << c.name;
  }
  EXPECT_FALSE(FileExistsInFolder(work, dir.file("outside.jpg")));
}

} // namespace
} // namespace vorafile::nodes
