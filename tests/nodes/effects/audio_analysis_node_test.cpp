#include "nodes/effects/audio_analysis_node.h"

#include "nodes/core/param_ids.h"
#include "nodes/node_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace vorafile::nodes {
namespace {

using test::ReadSection;
using test::VersionParent;
using test::WriteSection;

struct Band {
  std::string name;
  std::int32_t id;
  float min;
  float max;
  bool operator==(const Band &) const = default;
};

std::vector<Band> BandsOf(const SceneNode &audio) {
  std::vector<Band> bands;
  for (int i = 0;
       SceneNode *band = audio.FindChild(SceneNode::Kind::FilterBand, i); ++i) {
    bands.push_back(
        {band->GetName(),
         band->GetParamAs<std::int32_t>(param::kId).value_or(-1),
         band->GetParamAs<float>(param::kMinimumFrequency).value_or(-1),
         band->GetParamAs<float>(param::kMaximumFrequency).value_or(-1)});
  }
  return bands;
}

TEST(AudioAnalysisNodeTest, ReadsTheVersion2Layout) {
  VersionParent parent(2);
  AudioAnalysisNode audio(&parent, "AudioAnalysisNode0");
  const std::string text = "2\n20\n; comment\n\n200\n200\n20480\nnext\n";
  EXPECT_EQ(ReadSection(audio, text).end,
            static_cast<std::int64_t>(text.find("next")));
  EXPECT_EQ(audio.GetParamAs<std::int32_t>(param::kNbands), 2);
  EXPECT_EQ(BandsOf(audio),
            (std::vector<Band>{{"FilterBandNode0", 0, 20, 200},
                               {"FilterBandNode1", 1, 200, 20480}}));
  EXPECT_EQ(WriteSection(audio), "2\n"
                                 "20.000000\n200.000000\n"
                                 "200.000000\n20480.000000\n");
}

TEST(AudioAnalysisNodeTest, ReadsTheVersion3Layout) {
  VersionParent parent(3);
  AudioAnalysisNode audio(&parent, "AudioAnalysisNode0", 1);
  // Either order; the writer puts "Min" first.
  const std::string text = "B0Max 300\n; comment\nB0Min 100\n";
  EXPECT_EQ(ReadSection(audio, text).end,
            static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(BandsOf(audio),
            (std::vector<Band>{{"FilterBandNode0", 0, 100, 300}}));
  EXPECT_EQ(WriteSection(audio),
            "Nbands\t1\nB0Min\t100.000000\nB0Max\t300.000000\n");
}

// Version 2 checks the frequencies as version 3 does, so that the scene
// opens once saved.
TEST(AudioAnalysisNodeTest, ChecksTheCountAndTheBandLines) {
  struct Case {
    int version;
    const char *text;
    int line; // of the failure; 0: the read succeeds
    const char *reason;
  };
  const Case cases[] = {
      {3, "B0Min 0\nB0Max 20480\n", 0, ""},
      {3, "B0Min 20480.5\nB0Max 1\n", 1, "frequency 20480.500000 is outside"},
      {3, "B0Min 1\nB0Max -1\n", 2, "frequency -1.000000 is outside"},
      {3, "B0Min nan\nB0Max 1\n", 1, "is outside"},
      {3, "B0Min 1\nB0Min 2\n", 2, "one \"Min\" and one \"Max\""},
      {3, "B0Low 1\nB0Max 2\n", 1, "got \"B0Low\""},
      {3, "B0Min\nB0Max 2\n", 1, "expected a word and a frequency"},
      {3, "B0Min 1\n", 2, "frequencies are missing"},
      {2, "11\n", 1, "band count 11 is outside 0 to 10"},
      {2, "-1\n", 1, "band count -1 is outside"},
      {2, "many\n", 1, "expected the number of bands"},
      {2, "; only a comment\n", 2, "the number of bands is missing"},
      {2, "1\n20\nlow\n", 3, "band 0: expected a frequency"},
      {2, "1\n20\n30000\n", 3, "band 0: frequency 30000.000000 is outside"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    VersionParent parent(c.version);
    // Version 2 reads the count; version 3 has it from the "Nbands" line.
    auto audio =
        c.version == 2
            ? std::make_unique<AudioAnalysisNode>(&parent, "AudioAnalysisNode0")
            : std::make_unique<AudioAnalysisNode>(&parent, "AudioAnalysisNode0",
                                                  1);
    const auto read = ReadSection(*audio, c.text);
    if (c.line == 0) {
      EXPECT_GT(read.end, 0);
      continue;
    }
    EXPECT_EQ(read.end, kReadFailed);
    EXPECT_EQ(read.failedLine, c.line);
    EXPECT_NE(read.reason.find(c.reason), std::string::npos) << read.reason;
    if (c.version == 3) {
      EXPECT_EQ(read.reason.rfind("band 0: ", 0), 0u) << read.reason;
    }
  }
}

TEST(AudioAnalysisNodeTest, NoBandsReadsNothing) {
  VersionParent parent(3);
  AudioAnalysisNode audio(&parent, "AudioAnalysisNode0", 0);
  EXPECT_EQ(ReadSection(audio, "x\nB0Min 1\n", 2).end, 2);
  EXPECT_EQ(audio.GetChildCount(), 0);
  EXPECT_EQ(WriteSection(audio), "Nbands\t0\n");
}

TEST(AudioAnalysisNodeTest, WritesAreCheckedAgainstTheCount) {
  VersionParent parent(3);
  AudioAnalysisNode audio(&parent, "AudioAnalysisNode0", 2);
  FilterBandNode *band = audio.AddChild(
      std::make_unique<FilterBandNode>(&audio, "FilterBandNode0", 0));
  ASSERT_TRUE(band->AddParamValue(param::kMaximumFrequency, ParamValue(9.0f)));
  ASSERT_TRUE(band->AddParamValue(param::kMinimumFrequency, ParamValue(1.0f)));
  // One band of two: false, after writing what there is.
  StringSink out;
  EXPECT_FALSE(audio.Write(&out));
  EXPECT_EQ(out.GetText(), "Nbands\t2\nB0Min\t1.000000\nB0Max\t9.000000\n");
  // Version 2 writes the band's values in list order.
  VersionParent old(2);
  band->SetParent(&old);
  EXPECT_EQ(WriteSection(*band), "9.000000\n1.000000\n");
  band->SetParent(&audio);
  // Without a count, version 3 writes nothing.
  AudioAnalysisNode empty(&parent, "AudioAnalysisNode0");
  EXPECT_EQ(WriteSection(empty), "");
}

TEST(AudioAnalysisNodeTest, KnowsScriptVersions2And3Only) {
  VersionParent parent(4);
  AudioAnalysisNode audio(&parent, "AudioAnalysisNode0", 1);
  FilterBandNode band(&parent, "FilterBandNode0", 0);
  EXPECT_EQ(ReadSection(audio, "B0Min 1\nB0Max 2\n").end, kReadFailed);
  EXPECT_EQ(ReadSection(band, "B0Min 1\nB0Max 2\n").end, kReadFailed);
  StringSink out;
  EXPECT_FALSE(audio.Write(&out));
  EXPECT_FALSE(band.Write(&out));
}

TEST(FilterBandNodeTest, SetFrequencyKeepsTheRange) {
  VersionParent parent(3);
  FilterBandNode band(&parent, "FilterBandNode0", 0);
  EXPECT_FALSE(band.SetFrequency(param::kMinimumFrequency, -0.5f));
  EXPECT_FALSE(band.SetFrequency(param::kMinimumFrequency, 20480.5f));
  EXPECT_EQ(band.GetParamCount(), 3);
  EXPECT_TRUE(band.SetFrequency(param::kMinimumFrequency, 20480.0f));
  // Held already: the first value stays.
  EXPECT_TRUE(band.SetFrequency(param::kMinimumFrequency, 5.0f));
  EXPECT_EQ(band.GetParamAs<float>(param::kMinimumFrequency), 20480.0f);
}

} // namespace
} // namespace vorafile::nodes
