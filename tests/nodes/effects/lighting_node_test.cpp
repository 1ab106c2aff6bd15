#include "nodes/effects/lighting_node.h"

#include "nodes/core/param_ids.h"
#include "nodes/node_test_support.h"

#include <gtest/gtest.h>

namespace vorafile::nodes {
namespace {

using test::ReadSection;
using test::VersionParent;
using test::WriteSection;

TEST(LightingNodeTest, ReadsTheLightAndKeepsUnknownLines) {
  VersionParent parent(3);
  LightingNode light(&parent, "LightingNode0");
  const std::string text = "Lighting 0 Diffuse 1 0.5 0 1\n"
                           "Lighting 0 Foo 1 2 3\n"
                           "; between lighting lines\n"
                           "Lighting 0 spot 1\n"
                           "Lighting 2 SpotCutOff 30\n"
                           "Camera FOV Set 45\n";
  const auto read = ReadSection(light, text);
  EXPECT_EQ(read.end, static_cast<std::int64_t>(text.find("Camera")));
  EXPECT_EQ(light.GetParamAs<Color>(param::kDiffuse), (Color{{1, 0.5f, 0, 1}}));
  EXPECT_EQ(light.GetParamAs<std::uint8_t>(param::kSpot), 1);
  EXPECT_EQ(light.GetParamAs<float>(param::kSpotCutOff), 30.0f);
  // The known lines in the table's order, then the kept line as read.
  EXPECT_EQ(WriteSection(light),
            "Lighting 0  Diffuse\t1.000000 0.500000 0.000000 1.000000\n"
            "Lighting 0  Spot\t1\n"
            "Lighting 0  SpotCutOff\t30.000000\n"
            "Lighting 0 Foo 1 2 3\n");
}

TEST(LightingNodeTest, RejectsBadLines) {
  struct Case {
    const char *text;
    int line; // of the failure; 0: the read hands back its first line
    const char *reason;
  };
  const Case cases[] = {
      {"lighting 0 Spot 1\n", 0, ""},
      {"Lighting 0 Spot 2\n", 1, "expected 0 or 1, got 2"},
      {"Lighting 0 Spot\n", 1, "expected 0 or 1"},
      {"Lighting 0 Spot 1\nLighting 1 Spot 0\n", 2, "\"Spot\" is set twice"},
      {"Lighting 0 Diffuse 1 1 1\n", 1, "expected four numbers"},
      {"Lighting 0 SpotCutOff x\n", 1, "expected a number"},
      {"Lighting Diffuse 1 1 1 1\n", 1, "expected a light number"},
  };
  for (const Case &c : cases) {
    VersionParent parent(3);
    LightingNode light(&parent, "LightingNode0");
    const std::string text = std::string("Version 3\n") + c.text;
    const auto read = ReadSection(light, text, 10);
    if (c.line == 0) {
      EXPECT_EQ(read.end, 10) << c.text;
      continue;
    }
    EXPECT_EQ(read.end, kReadFailed) << c.text;
    EXPECT_EQ(read.failedLine, c.line + 1) << c.text;
    EXPECT_NE(read.reason.find(c.reason), std::string::npos) << read.reason;
  }
}

TEST(LightingNodeTest, WritesLightZeroInTheTablesOrder) {
  VersionParent parent(3);
  LightingNode light(&parent, "LightingNode0");
  // Then not a lighting parameter, and a known one of the wrong type.
  ASSERT_TRUE(test::AddValues(
      light, {{param::kDirection, ParamValue(FloatQuad{{0, 0, -1, 0}})},
              {param::kBrightness, ParamValue(1.0f)},
              {param::kSpot, ParamValue(std::int32_t{1})}}));
  EXPECT_EQ(WriteSection(light),
            "Lighting 0  Direction\t0.000000 0.000000 -1.000000 0.000000\n");

  LightingNode again(&parent, "LightingNode0");
  ASSERT_GT(ReadSection(again, WriteSection(light)).end, 0);
  EXPECT_EQ(again.GetParamAs<FloatQuad>(param::kDirection),
            (FloatQuad{{0, 0, -1, 0}}));
}

TEST(LightingNodeTest, KnowsScriptVersions2And3Only) {
  VersionParent parent(4);
  LightingNode light(&parent, "LightingNode0");
  EXPECT_EQ(ReadSection(light, "Lighting 0 Spot 1\n").end, kReadFailed);
  StringSink out;
  EXPECT_FALSE(light.Write(&out));
}

} // namespace
} // namespace vorafile::nodes
