// The camera, lighting and audio analysis sections as the scene script
// reader and writer handle them.
#include "document/scene_root.h"

#include "nodes/core/param_ids.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace vorafile {
namespace {

using nodes::SceneNode;
using test::SceneFolderTest;

// The camera, lighting and audio nodes below `node`.
void CollectEffectNodes(const SceneNode &node,
                        std::vector<const SceneNode *> &out) {
  using Kind = SceneNode::Kind;
  for (int i = 0; i < node.GetChildCount(); ++i) {
    const SceneNode &child = *node.GetChild(i);
    const Kind kind = child.GetKind();
    if (kind == Kind::AudioAnalysis || kind == Kind::FilterBand ||
        kind == Kind::Camera || kind == Kind::Lighting) {
      out.push_back(&child);
      CollectEffectNodes(child, out);
    }
  }
}

class SceneEffectsTest : public SceneFolderTest {
protected:
  test::ParamSnapshot EffectNodes() {
    std::vector<const SceneNode *> nodes;
    CollectEffectNodes(Root(), nodes);
    return test::SnapshotParams(nodes);
  }

  // Saves, checks that the saved script reads back to the same nodes, and
  // answers the saved script.
  std::string SaveAndReopenSame() {
    const test::ParamSnapshot before = EffectNodes();
    std::string written = SaveAndReopen();
    EXPECT_EQ(EffectNodes(), before);
    return written;
  }
};

TEST_F(SceneEffectsTest, Version3SectionsRoundTrip) {
  ASSERT_TRUE(Opens("Version 3\n"
                    "Camera FOV Set 45\n"
                    "Camera LookAt Set 0 1 2\n"
                    "Lighting 0 Diffuse 1 0.5 0 1\n"
                    "Lighting 0 Glow 1 2 3\n"
                    "Lighting 1 Spot 0\n"
                    "Brightness 0.5\n"
                    "Nbands 2\n"
                    "B0Min 20\n"
                    "B0Max 200\n"
                    "; between bands\n"
                    "B1Max 20480\n"
                    "B1Min 200\n"
                    "MsgOn 0\n"
                    "; a second camera section joins the first\n"
                    "Camera NearClip Nil\n"
                    "Lighting 0 Position 0 10 0 1\n"));
  EXPECT_EQ(Root().GetChildCount(), 4); // intro, camera, lighting, audio
  const std::string golden =
      "Version\t3\n"
      "Brightness\t0.500000\n"
      "Nbands\t2\n"
      "B0Min\t20.000000\n"
      "B0Max\t200.000000\n"
      "B1Min\t200.000000\n"
      "B1Max\t20480.000000\n"
      "MsgOn\t0\n"
      "Lighting 0  Diffuse\t1.000000 0.500000 0.000000 1.000000\n"
      "Lighting 0  Position\t0.000000 10.000000 0.000000 1.000000\n"
      "Lighting 0  Spot\t0\n"
      "Lighting 0 Glow 1 2 3\n"
      "Camera FOV Set\t45.000000\n"
      "Camera LookAt Set\t0.000000 1.000000 2.000000\n"
      "Camera NearClip Set\t0.000000\n";
  EXPECT_EQ(SaveAndReopenSame(), golden);
  EXPECT_EQ(SaveAndReopenSame(), golden);
}

TEST_F(SceneEffectsTest, BadSectionLinesFailTheOpenAtTheirLine) {
  const auto v3 = [](const char *body) {
    return std::string("Version 3\n") + body;
  };
  const std::string v2 = test::Version2Values();
  const std::string v2Message = v2 + "0\n" + test::kVersion2Message;
  struct Case {
    std::string script;
    int line;
  };
  const Case cases[] = {
      {v3("camera FOV Set 45\n"), 2},
      {v3("Camera FOV Set 45\nCamera Bogus Set 1\n"), 3},
      {v3("Camera FOV Set 45\nPause 1\nCamera FOV Set 50\n"), 4},
      {v3("Lighting 0 Spot 1\nLighting 0 Spot 0\n"), 3},
      {v3("Lighting 0 Spot 2\n"), 2},
      {v3("lighting 0 Spot 1\n"), 2},
      {v3("Nbands 11\n"), 2},
      {v3("Nbands\n"), 2},
      {v3("Nbands 1\nB0Min 20480.5\nB0Max 1\n"), 3},
      {v3("Nbands 1\nB0Min 1\nB0Max -1\n"), 4},
      {v2 + "11\n", 9},
      {v2 + "1\n20\n", 11},
      {v2Message + "lock.mp3\ncamera FOV Set 45\n", 19},
      {v2Message + "lock.mp3\nCamera Bogus Set 45\n", 19},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.script);
    // A version-2 script comes as the delivered one.
    const SceneOpenResult opened =
        OpenScript(c.script, c.script.rfind("Scene", 0) == 0
                                 ? SceneDocument::kDeliveredScript
                                 : SceneDocument::kSavedScript);
    EXPECT_EQ(opened.status, SceneOpenStatus::ScriptRejected);
    EXPECT_EQ(opened.line, c.line) << Problem();
    std::filesystem::remove(dir_.file(SceneDocument::kDeliveredScript));
  }
  // Frequencies at the ends of the range are accepted.
  EXPECT_TRUE(Opens("Version 3\nNbands 1\nB0Min 0\nB0Max 20480\n"));
  EXPECT_TRUE(Opens("Version 3\nNbands 0\nPause 1\n"));
  EXPECT_EQ(
      Root().FindChild(SceneNode::Kind::AudioAnalysis, 0)->GetChildCount(), 0);
}

TEST_F(SceneEffectsTest, Version2ScriptWithBandsOpensAndSavesAsVersion3) {
  ASSERT_TRUE(Opens(test::Version2Values() +
                        "; the audio section\n"
                        "2\n20\n200\n200\n20480\n" +
                        test::kVersion2Message +
                        "lock.mp3\n"
                        "Camera FOV Set 45\n"
                        "Lighting 0 Spot 1\n"
                        "Camera NearClip Set 1\n",
                    SceneDocument::kDeliveredScript));
  EXPECT_EQ(RootParam<std::string>(nodes::param::kSceneLockMp3), "lock.mp3");
  std::vector<const SceneNode *> read;
  CollectEffectNodes(Root(), read);
  ASSERT_EQ(read.size(), 5u); // audio, its two bands, camera, lighting
  EXPECT_EQ(read[0]->GetName(), "AudioAnalysisNode0");
  EXPECT_EQ(read[2]->GetName(), "FilterBandNode1");
  const std::string written = SaveAndReopenSame();
  EXPECT_NE(written.find("Nbands\t2\nB0Min\t20.000000\n"), std::string::npos)
      << written;
}

} // namespace
} // namespace vorafile
