#include "value_text.h"

#include "nodes/core/param_ids.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vorafile::cli {
namespace {

using nodes::ParamValue;

TEST(AuthorValueTest, FilesRelativeToTheSceneAndFontsDecoded) {
  nodes::Block font;
  font.bytes[0] = 0xf5; // height -11
  font.bytes[1] = font.bytes[2] = font.bytes[3] = 0xff;
  font.bytes[16] = 0xf4; // weight 500
  font.bytes[17] = 0x01;
  std::memcpy(font.bytes.data() + 28, "Arial", 5);
  nodes::Block italicFont = font;
  italicFont.bytes[20] = 1;

  struct Case {
    ParamValue value;
    int paramId;
    std::string_view folder;
    std::string_view expected;
  };
  const Case cases[] = {
      {ParamValue(std::string("/w/x1/paint.bmp")), 245, "/w/x1/", "paint.bmp"},
      {ParamValue(std::string("/w/x1/Misc/a.txt")), 245, "/w/x1", "Misc/a.txt"},
      {ParamValue(std::string("C:\\Temp\\X1\\paint.bmp")), 245, "c:/temp/x1/",
       "paint.bmp"},
      // The working folder itself, as a folder parameter holds it.
      {ParamValue(std::string("/w/x1/")), 257, "/w/x1/", ""},
      // Beside the folder, or with no folder known: as stored.
      {ParamValue(std::string("/w/x10/paint.bmp")), 245, "/w/x1/",
       "/w/x10/paint.bmp"},
      {ParamValue(std::string("/w/x1/paint.bmp")), 245, "", "/w/x1/paint.bmp"},
      {ParamValue(font), nodes::param::kTextFontInfo, "/w/x1/",
       "Arial, height -11, weight 500, upright"},
      {ParamValue(italicFont), nodes::param::kTextFontInfo, "",
       "Arial, height -11, weight 500, italic"},
      {ParamValue(0.65f), 3, "/w/x1/", "0.65"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(FormatAuthorValue(c.value, c.paramId, c.folder), c.expected)
        << FormatValue(c.value) << " in " << c.folder;
  }
}

} // namespace
} // namespace vorafile::cli
