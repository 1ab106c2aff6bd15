// The lens and transition effects files of a scene: the "LFX" and "TFX"
// lines make their nodes, and a save writes the script line and the files.
#include "document/scene_document.h"

#include "document/scene_fixture.h"
#include "nodes/core/param_ids.h"
#include "nodes/effects/lens_effects_node.h"
#include "nodes/effects/transition_effect_node.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vorafile {
namespace {

using nodes::SceneNode;
namespace param = nodes::param;

const std::string kSeparator(79, '#');
const std::string kGlow =
    "Version\t1\nLfxType\tGlow\nPresetFriendlyName\tSoft\nNumPresets\t1\n" +
    kSeparator + "\nPreset\t0\nPresetName\tWarm\nAlpha\t0.500000\n";
const std::string kFade =
    "Version\t1\nTfxType\tFade\nPresetFriendlyName\tSlow\nNumPresets\t1\n" +
    kSeparator + "\nPreset\t2\nPresetName\tLong\nDuration\t2.500000\n";
const std::string kLenses = "LensEffectsFile\nVersion\t2\nNumLenses\t1\n"
                            "0\tglow.lfp\tMyGlow\n"
                            "NumHyperPresets\t1\nCurrentHyperPreset\t0\n"
                            "0\tHyperPresetName\tAll\nNumPresetRefs\t1\n"
                            "0\t0\n";
const std::string kTransitions =
    "TransitionEffectFile\nVersion\t1\nNumTfp\t1\n0\tfade.tfp\tMyFade\n";
// In the writer's order, so that a save gives it back unchanged.
const std::string kScript = "Version\t3\nBrightness\t0.500000\n"
                            "LFX\tlens.lfx\nTFX\tfx.tfx\n";

class SceneEffectFilesTest : public test::SceneFolderTest {
protected:
  void SetUp() override {
    dir_.write("glow.lfp", kGlow);
    dir_.write("fade.tfp", kFade);
    dir_.write("lens.lfx", kLenses);
    dir_.write("fx.tfx", kTransitions);
  }

  SceneNode *Find(std::int32_t type, int ordinal = 0) {
    return document_.FindByTypeAndOrdinal(type, ordinal);
  }
};

TEST_F(SceneEffectFilesTest, ASceneWithBothFilesGoesRound) {
  ASSERT_TRUE(Opens(kScript));
  EXPECT_EQ(RootParam<std::string>(param::kLfxFileName), dir_.file("lens.lfx"));
  EXPECT_EQ(RootParam<std::string>(param::kTfxFileName), dir_.file("fx.tfx"));
  ASSERT_NE(Find(VORA_NODE_LENS_EFFECTS), nullptr);
  EXPECT_EQ(Find(VORA_NODE_LENS_EFFECTS)->GetName(), "lens.lfx");
  EXPECT_NE(Find(VORA_NODE_HYPER_PRESET_ENTRY), nullptr);
  EXPECT_NE(Find(VORA_NODE_TRANSITION_PRESET), nullptr);

  for (const char *name : {"lens.lfx", "fx.tfx", "glow.lfp", "fade.tfp"})
    dir_.write(name, "");
  ASSERT_TRUE(document_.WriteScript());
  EXPECT_EQ(dir_.read("vora.vrc"), kScript);
  EXPECT_EQ(dir_.read("lens.lfx"), kLenses);
  EXPECT_EQ(dir_.read("fx.tfx"), kTransitions);
  EXPECT_EQ(dir_.read("glow.lfp"), kGlow);
  EXPECT_EQ(dir_.read("fade.tfp"), kFade);

  // The saved scene reads again, with the same tree.
  ASSERT_TRUE(document_.Open(dir_.folder()));
  EXPECT_EQ(Find(VORA_NODE_LENS_PRESET_FILE)->GetName(), "MyGlow");
  EXPECT_EQ(Find(VORA_NODE_TRANSITION_PRESET_FILE)->GetName(), "MyFade");
  EXPECT_EQ(Find(VORA_NODE_TRANSITION_PRESET_FILE, 1), nullptr);
}

TEST_F(SceneEffectFilesTest, EffectsLinesThatFailTheRead) {
  dir_.write("bad.lfx", "LensEffectsFile\nNumLenses 1\n0 glow.lfp G\n"
                        "NumHyperPresets 1\nCurrentHyperPreset 0\n"
                        "0 HyperPresetName H\nNumPresetRefs 1\n3 0\n");
  const struct {
    std::string line;
    std::string problem;
  } cases[] = {
      {"LFX\n", "vora.vrc:2: LFX: expected a file name"},
      {"LFX missing.lfx\n", "vora.vrc:2: LFX: file \"missing.lfx\" is missing"},
      {"TFX ../fx.tfx\n", "vora.vrc:2: TFX: file \"../fx.tfx\" is missing"},
      {"LFX bad.lfx\n", "vora.vrc:2: LFX: \"bad.lfx\": hyper preset 0: lens 3 "
                        "is not in the lens list"},
      {"LFX lens.lfx\nLFX lens.lfx\n",
       "vora.vrc:3: LFX: parameter \"LFXFileName\" is already set"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.line);
    const SceneOpenResult result = OpenScript("Version 3\n" + c.line);
    EXPECT_EQ(result.status, SceneOpenStatus::ScriptRejected);
    EXPECT_EQ(
        DescribeFailure("vora.vrc", result.line, result.keyword, result.reason),
        c.problem);
  }
}

TEST_F(SceneEffectFilesTest, AListThatStoppedEarlyIsPackedAsItWas) {
  std::filesystem::create_directory(dir_.file("gone.tfp"));
  const std::string stopped =
      "TransitionEffectFile\nVersion 1\nNumTfp 2\n0 fade.tfp F\n1 gone.tfp G\n";
  dir_.write("fx.tfx", stopped);
  ASSERT_TRUE(Opens(kScript));
  dir_.write("fade.tfp", "unchanged");
  ASSERT_TRUE(document_.WriteScript());
  EXPECT_EQ(dir_.read("fx.tfx"), stopped);
  EXPECT_EQ(dir_.read("fade.tfp"), "unchanged");
  EXPECT_EQ(dir_.read("lens.lfx"), kLenses);
}

} // namespace
} // namespace vorafile
