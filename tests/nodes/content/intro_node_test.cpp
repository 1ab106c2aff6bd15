#include "nodes/content/intro_node.h"

#include "nodes/node_test_support.h"
#include "platform/ini_file.h"
#include "platform/installation_names.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vorafile::nodes {
namespace {

using test::TempDir;

class IntroNodeTest : public ::testing::Test {
protected:
  void SetUp() override { parent_.SetFolder(dir_.folder()); }

  IntroNode &Load(const std::string &iniText) {
    if (!iniText.empty())
      dir_.write("intro.ini", iniText);
    node_ = std::make_unique<IntroNode>(&parent_, "introNode1");
    EXPECT_TRUE(node_->AddParamValue(param::kIniFileName,
                                     ParamValue(dir_.file("intro.ini"))));
    result_ = node_->Read(nullptr, 0);
    return *node_;
  }

  std::string Key(const char *key) {
    return platform::ReadIniString(dir_.file("intro.ini"), "Introduction", key,
                                   "<missing>");
  }

  TempDir dir_;
  test::VersionParent parent_{3};
  std::unique_ptr<IntroNode> node_;
  std::int64_t result_ = 0;
};

TEST_F(IntroNodeTest, MissingKeysTakeTheirDefaults) {
  IntroNode &intro = Load("");
  ASSERT_EQ(result_, 1);
  // Name, NodeID, IniFileName and one parameter per key.
  EXPECT_EQ(intro.GetParamCount(), 3 + kIntroKeyCount);
  EXPECT_EQ(intro.GetParamAs<std::int32_t>(param::kTime), 1000);
  EXPECT_EQ(intro.GetParamAs<std::uint8_t>(param::kShowIntro), 0);
  EXPECT_EQ(intro.GetTextParam(param::kAlbumLink),
            std::string(installation::kProductWebAddress));
  EXPECT_EQ(intro.GetTextParam(param::kCover), ""); // the folder is no picture
  EXPECT_EQ(intro.GetTextParam(param::kCursorLink),
            dir_.folder()); // a cursor may be it
  EXPECT_EQ(intro.GetParamAs<IntQuad>(param::kCoverLoc)->values,
            (std::array<std::int32_t, 4>{0, 0, 256, 256}));
}

TEST_F(IntroNodeTest, AMissingCursorReadsAsNoCursorAfterASave) {
  IntroNode &intro = Load("[Introduction]\r\nCursorNormal=missing.cur\r\n");
  ASSERT_EQ(result_, 1);
  // The same value as the empty name a save writes for it.
  EXPECT_EQ(intro.GetTextParam(param::kCursorNormal), dir_.folder());
  ASSERT_TRUE(intro.Write(nullptr));
  EXPECT_EQ(Key("CursorNormal"), "");
}

TEST_F(IntroNodeTest, ConvertsValuesAndWritesThemBack) {
  dir_.write("cover.jpg", "jpeg");
  IntroNode &intro = Load("[Introduction]\r\n"
                          "OnOff=7\r\n"
                          "Time=2500\r\n"
                          "TextColor=0,0,255\r\n"
                          "CoverLoc=10,20,30,40\r\n"
                          "Cover=cover.jpg\r\n"
                          "Logo=missing.bmp\r\n"
                          "Title=Night drive\r\n"
                          "[Other]\r\n"
                          "Keep=me\r\n");
  ASSERT_EQ(result_, 1);
  EXPECT_EQ(intro.GetParamAs<std::uint8_t>(param::kShowIntro), 1);
  EXPECT_EQ(intro.GetParamAs<std::int32_t>(param::kTime), 2500);
  EXPECT_EQ(intro.GetParamAs<Color>(param::kTextColor)->components,
            (std::array<float, 4>{0.0f, 0.0f, 1.0f, 0.0f}));
  EXPECT_EQ(intro.GetParamAs<IntQuad>(param::kCoverLoc)->values,
            (std::array<std::int32_t, 4>{10, 20, 40, 60}));
  EXPECT_EQ(intro.GetTextParam(param::kCover), dir_.file("cover.jpg"));
  EXPECT_EQ(intro.GetTextParam(param::kLogo), "");

  ASSERT_TRUE(intro.Write(nullptr));
  EXPECT_EQ(Key("OnOff"), "1");
  EXPECT_EQ(Key("Time"), "2500");
  EXPECT_EQ(Key("TextColor"), "0,0,255");
  EXPECT_EQ(Key("CoverLoc"), "10,20,30,40");
  EXPECT_EQ(Key("Cover"), "cover.jpg");
  EXPECT_EQ(Key("Logo"), "");
  EXPECT_EQ(Key("TextFontInfo"),
            "1.000000,0.100000,-11,0,0,0,500,0,0,0,0,3,2,1,34,Arial");
  EXPECT_EQ(
      platform::ReadIniString(dir_.file("intro.ini"), "Other", "Keep", ""),
      "me");
}

TEST_F(IntroNodeTest, OnlyScriptVersions2And3) {
  parent_.SetScriptVersion(4);
  Load("");
  EXPECT_EQ(result_, kReadFailed);
  EXPECT_FALSE(node_->Write(nullptr));

  // Without its INI file name the node can neither read nor write.
  parent_.SetScriptVersion(2);
  IntroNode bare(&parent_, "bare");
  EXPECT_EQ(bare.Read(nullptr, 0), kReadFailed);
  EXPECT_FALSE(bare.Write(nullptr));
}

TEST_F(IntroNodeTest, WriteStopsAtTheFirstMissingValue) {
  IntroNode &intro = Load("");
  ASSERT_EQ(result_, 1);
  ASSERT_TRUE(intro.RemoveParam(param::kBanner));
  EXPECT_FALSE(intro.Write(nullptr));
  EXPECT_EQ(Key("Logo"), "");
  EXPECT_EQ(Key("Banner"), "<missing>");
}

// A short value fails the read. The values then do not describe the file:
// writing them back would drop the keys after the failure.
TEST_F(IntroNodeTest, AReadThatEndedEarlyLeavesTheFileAsItWas) {
  const std::string original = "[Introduction]\nTime=5\nTitle=Kept\n"
                               "TextFontInfo=1.0,0.1,-11,0,0,0,500\n"
                               "Song=After the failure\n";
  IntroNode &intro = Load(original);
  ASSERT_EQ(result_, kReadFailed);
  // The keys before the failing one stay added.
  EXPECT_EQ(intro.GetParamAs<std::int32_t>(param::kTime), 1000);
  EXPECT_FALSE(intro.GetParamAs<Block>(param::kTextFontInfo));
  EXPECT_TRUE(intro.Write(nullptr));
  EXPECT_EQ(dir_.read("intro.ini"), original);
}

} // namespace
} // namespace vorafile::nodes
