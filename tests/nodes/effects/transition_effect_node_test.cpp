#include "nodes/effects/transition_effect_node.h"

#include "document/scene_root.h"
#include "nodes/core/param_ids.h"
#include "nodes/node_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace vorafile::nodes {
namespace {

using Kind = SceneNode::Kind;

const std::string kSeparator(79, '#');

const std::string kFade =
    "Version\t1\nTfxType\tFade\nPresetFriendlyName\tSlow\nNumPresets\t1\n" +
    kSeparator + "\nPreset\t0\nPresetName\tLong\nDuration\t2.500000\n";
const std::string kWipe =
    "Version\t1\nTfxType\tWipe\nPresetFriendlyName\tSide\nNumPresets\t1\n" +
    kSeparator + "\nPreset\t3\nPresetName\tLeft\nMinX\t0.250000\n";
const std::string kTransitions = "TransitionEffectFile\nVersion\t1\nNumTfp\t2\n"
                                 "0\tfade.tfp\tMyFade\n1\twipe.tfp\tMyWipe\n";

class TransitionEffectTest : public ::testing::Test {
protected:
  void SetUp() override {
    root_->SetFolder(dir_.folder());
    root_->SetScriptVersion(3);
    dir_.write("fade.tfp", kFade);
    dir_.write("wipe.tfp", kWipe);
  }

  TransitionEffectNode &Read(const std::string &text, std::int64_t expected) {
    node_ = root_->AddChild(
        std::make_unique<TransitionEffectNode>(root_.get(), "fx.tfx"));
    EXPECT_EQ(test::ReadSection(*node_, text).end, expected) << text;
    return *node_;
  }

  std::string Written() { return test::WriteSection(*node_); }

  test::TempDir dir_;
  std::unique_ptr<SceneRoot> root_ = std::make_unique<SceneRoot>();
  TransitionEffectNode *node_ = nullptr;
};

TEST_F(TransitionEffectTest, FilesGoBackByteForByte) {
  TransitionEffectNode &node =
      Read(kTransitions, static_cast<std::int64_t>(kTransitions.size()));
  ASSERT_EQ(node.GetChildCount(), 2);
  const SceneNode *wipe = node.GetChild(1);
  EXPECT_EQ(wipe->GetKind(), Kind::TransitionPresetFile);
  EXPECT_EQ(wipe->GetParamAs<std::int32_t>(param::kId), 1);
  EXPECT_EQ(wipe->GetTextParam(transition_param::kTfxType), "Wipe");
  EXPECT_EQ(wipe->GetChild(0)->GetKind(), Kind::TransitionPreset);
  EXPECT_EQ(wipe->GetChild(0)->GetName(), "TfxPresetNode0");
  dir_.write("fade.tfp", "");
  dir_.write("wipe.tfp", "");
  EXPECT_EQ(Written(), kTransitions);
  EXPECT_EQ(dir_.read("fade.tfp"), kFade);
  EXPECT_EQ(dir_.read("wipe.tfp"), kWipe);
}

TEST_F(TransitionEffectTest, ReadsOfOddFiles) {
  const struct {
    const char *what;
    std::string text;
    std::string written; // "" when the read fails
    std::string reason;
  } cases[] = {
      {"the first number of a line is not its index",
       "TransitionEffectFile\n; c\n\nVersion 1\nNumTfp 1\n;x\n5 fade.tfp F\n"
       "ignored after the list\n",
       "TransitionEffectFile\nVersion\t1\nNumTfp\t1\n0\tfade.tfp\tF\n", ""},
      {"a preset file without a Preset line has one block",
       "TransitionEffectFile\nVersion 1\nNumTfp 1\n0 bare.tfp B\n",
       "TransitionEffectFile\nVersion\t1\nNumTfp\t1\n0\tbare.tfp\tB\n", ""},
      {"the file ends before the count", "TransitionEffectFile\nVersion 1\n",
       "", "the file ends before its \"NumTfp\" line"},
      {"a count that is no number", "TransitionEffectFile\nVersion 1\nNumTfp\n",
       "", "\"NumTfp\": expected a number"},
      {"a negative count", "TransitionEffectFile\nVersion 1\nNumTfp -1\n", "",
       "\"NumTfp\" is negative"},
  };
  dir_.write("bare.tfp", "Version 2\nTfxType T\nPresetFriendlyName P\n"
                         "NumPresets 0\n");
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    // A read ends after the list: at the line that follows it.
    const std::size_t after = std::min(c.text.find("ignored"), c.text.size());
    TransitionEffectNode &node =
        Read(c.text, c.written.empty() ? kReadFailed
                                       : static_cast<std::int64_t>(after));
    if (c.written.empty()) {
      ASSERT_TRUE(node.GetReadFailure());
      EXPECT_EQ(node.GetReadFailure()->reason, c.reason);
    } else {
      EXPECT_EQ(Written(), c.written);
    }
  }
  // The bare file got its block: a separator line.
  EXPECT_EQ(dir_.read("bare.tfp"), "Version\t2\nTfxType\tT\n"
                                   "PresetFriendlyName\tP\nNumPresets\t0\n" +
                                       kSeparator + "\n");
}

TEST_F(TransitionEffectTest, RemovingATransitionRenumbersTheRest) {
  TransitionEffectNode &node =
      Read(kTransitions, static_cast<std::int64_t>(kTransitions.size()));
  ASSERT_TRUE(node.RemoveParam(transition_param::kTfpPresetFile, 0));
  ASSERT_EQ(node.GetChildCount(), 1);
  EXPECT_EQ(node.GetChild(0)->GetParamAs<std::int32_t>(param::kId), 0);
  EXPECT_EQ(node.GetParamAs<std::int32_t>(transition_param::kNumTfp), 1);
  EXPECT_EQ(node.GetIndexedParamName(transition_param::kTfpPresetFile, 0),
            "Tfp Preset File0");
  EXPECT_EQ(Written(), "TransitionEffectFile\nVersion\t1\nNumTfp\t1\n"
                       "0\twipe.tfp\tMyWipe\n");
}

TEST_F(TransitionEffectTest, VersionTwoNeitherReadsNorWrites) {
  root_->SetScriptVersion(2);
  TransitionEffectNode &node = Read(kTransitions, kReadFailed);
  StringSink sink;
  EXPECT_FALSE(node.Write(&sink));
}

} // namespace
} // namespace vorafile::nodes
