#include "document/scene_root.h"

#include "nodes/core/param_names.h"
#include "nodes/core/text_stream.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

namespace vorafile {
namespace {

using nodes::SceneNode;
using test::SceneFolderTest;

using SceneScriptTest = SceneFolderTest;

TEST_F(SceneScriptTest, ChoosesTheReaderByTheFirstLine) {
  EXPECT_TRUE(Opens("; a comment first\nVersion 3\nBrightness 0.5\n"));
  EXPECT_EQ(Root().GetScriptVersion(), 3);
  EXPECT_EQ(RootParam<float>(3), 0.5f);

  const SceneOpenResult version2 = OpenScript("Version 2\nBrightness 0.5\n");
  EXPECT_EQ(version2.status, SceneOpenStatus::ScriptRejected);
  EXPECT_EQ(version2.keyword, "Version");
  EXPECT_FALSE(OpenScript("Brightness 0.5\n"));
  EXPECT_FALSE(OpenScript(""));
  EXPECT_FALSE(OpenScript("; only comments\n"));
}

TEST_F(SceneScriptTest, ReadsTheRootSettings) {
  dir_.write("effects.cfx", "x");
  ASSERT_TRUE(Opens("Version 3\n"
                    "FramesPerSecond\t30.000000\n"
                    "Brightness 0.75\n"
                    "Responsivness 2.5\n"
                    "Tmap 1\nWframe 0\nStrobe 1\nClights 1\nDynCol 0\n"
                    "Lights 3\nPause 0\nFlat 1\nTRot 1\nEnvMap 0\n"
                    "TDFX 1 25\n"
                    "NumObjects 0\n"
                    "CFX effects.cfx 100\n"
                    "MsgOn 1\n"
                    "EnableNewCameraNav 0\n"
                    "SceneLockMp3   song one.mp3  \n"
                    "SceneLockMp3 other.mp3\n"
                    "SceneDetail ReadOnly Set 1\n"
                    "EffectPresetCategoryInfo a 1 2\n"
                    "EffectPresetCategoryInfo b 3 4\n"));
  EXPECT_EQ(RootParam<float>(104), 30.0f);
  EXPECT_EQ(RootParam<float>(222), 2.5f);
  EXPECT_EQ(RootParam<std::int32_t>(121), 3);
  EXPECT_EQ(RootParam<std::uint8_t>(255), 1);
  EXPECT_EQ(RootParam<std::int32_t>(256), 25);
  EXPECT_EQ(RootParam<std::string>(8), "effects.cfx");
  EXPECT_EQ(RootParam<std::int32_t>(9), 100);
  EXPECT_EQ(RootParam<std::uint8_t>(157), 1);
  EXPECT_EQ(RootParam<std::uint8_t>(36), 0);
  // A repeated lock line keeps the first name instead of failing.
  EXPECT_EQ(RootParam<std::string>(226), "song one.mp3");
  EXPECT_EQ(RootParam<std::uint8_t>(220), 1);
  EXPECT_EQ(RootParam<std::int32_t>(169), 2);
  EXPECT_EQ(RootParam<std::string>(257), dir_.folder());
  ASSERT_NE(Root().FindChild(SceneNode::Kind::Intro, 0), nullptr);
}

TEST_F(SceneScriptTest, RejectsBadRootSettings) {
  dir_.write("effects.cfx", "x");
  const char *cases[][2] = {
      {"MsgOn 2\n", "MsgOn"},
      {"EnableNewCameraNav 2\n", "EnableNewCameraNav"},
      {"TDFX 3 25\n", "TDFX"},
      {"CFX effects.cfx 101\n", "CFX"},
      {"CFX missing.cfx 1\n", "CFX"},
      {"Brightness\n", "Brightness"},
      {"Lights many\n", "Lights"},
      {"Brightness 1\nBrightness 2\n", "Brightness"},
      {"SceneDetail ReadOnly Set 5\n", "SceneDetail"},
  };
  for (const auto &[body, keyword] : cases) {
    EXPECT_FALSE(OpenScript(std::string("Version 3\n") + body)) << body;
    EXPECT_EQ(document_.GetOpenProblem().keyword, keyword) << body;
    EXPECT_GT(document_.GetOpenProblem().line, 1) << body;
  }
}

TEST_F(SceneScriptTest, UnknownKeywordEndsAVersion3Script) {
  dir_.write("Vora.script", "x");
  ASSERT_TRUE(Opens("Version 3\n"
                    "; comment\n"
                    "\n"
                    "Brightness 0.5\n"
                    "NoSuchKeyword 1\n"
                    "Pause 1\n"));
  EXPECT_EQ(RootParam<float>(3), 0.5f);
  EXPECT_FALSE(RootParam<std::int32_t>(207));
  // The end-of-file steps do not run.
  EXPECT_FALSE(RootParam<std::int32_t>(169));
  EXPECT_FALSE(RootParam<std::string>(116));

  ASSERT_TRUE(OpenScript("Version 3\nPause 1\n"));
  EXPECT_EQ(RootParam<std::string>(116), dir_.file("Vora.script"));
}

TEST_F(SceneScriptTest, AStoppedReadKeepsTheRestForTheWriter) {
  struct Case {
    const char *what;
    std::string script;
    int line;         // where reading stopped; 0: it did not
    std::string kept; // the unread tail as the writer gives it back
  };
  const Case cases[] = {
      {"whole read", "Version 3\nPause 1\n", 0, ""},
      {"stop in the middle", "Version 3\nPause 1\n; note\nNoSuch 1\nTRot 1", 4,
       "NoSuch 1\nTRot 1"},
      {"line breaks of another system", "Version 3\r\nNoSuch 1\r\nTRot 1\r\n",
       2, "NoSuch 1\nTRot 1\n"},
  };
  for (const Case &c : cases) {
    const SceneOpenResult opened = OpenScript(c.script);
    ASSERT_TRUE(opened) << c.what << ": " << Problem();
    SceneRoot &root = *document_.GetRoot();
    EXPECT_EQ(root.HasUnreadTail(), c.line != 0) << c.what;
    EXPECT_EQ(opened.line, c.line) << c.what;
    EXPECT_EQ(opened.reason.empty(), c.line == 0) << c.what;
    EXPECT_EQ(root.GetUnreadTail(), c.kept) << c.what;
    ASSERT_TRUE(document_.WriteScript()) << c.what;
    const std::string written = dir_.read("vora.vrc");
    EXPECT_EQ(written.substr(written.size() - c.kept.size()), c.kept) << c.what;
  }
}

TEST_F(SceneScriptTest, Version3NeedsTheIntroductionPage) {
  dir_.write("vora.vrc", "Version 3\n");
  EXPECT_EQ(document_.Open(dir_.folder()).status,
            SceneOpenStatus::ScriptRejected);
  dir_.write("intro.ini", "");
  EXPECT_TRUE(Reopens());
}

TEST_F(SceneScriptTest, ReadsVersion2AndWritesVersion3) {
  const std::string script = "Scene\n"
                             "; comment between values\n"
                             "25.0\n"
                             "0.8\n"
                             "1.5\n"
                             "7\n"
                             "1029\n" // bits 0, 2 and 10
                             "0\n"
                             "extra\n"
                             "0\n" // audio bands
                             "1\nHello\n0.5\n500\n0\n254 254 254 255\n"
                             "1.0\nArial\n" // the message
                             "lock.mp3\n"
                             "; keyword lines\n"
                             "SceneDetail ReadOnly Set 1\n";
  ASSERT_TRUE(Opens(script, SceneDocument::kDeliveredScript));
  EXPECT_EQ(Root().GetScriptVersion(), 3);
  EXPECT_EQ(RootParam<std::int32_t>(277), 3);
  EXPECT_EQ(RootParam<float>(104), 25.0f);
  EXPECT_EQ(RootParam<std::int32_t>(234), 7);
  EXPECT_EQ(RootParam<std::int32_t>(243), 1); // bit 0: Tmap
  EXPECT_EQ(RootParam<std::int32_t>(278), 0); // bit 1: Wframe
  EXPECT_EQ(RootParam<std::int32_t>(239), 1); // bit 2: Strobe
  EXPECT_EQ(RootParam<std::int32_t>(241), 1029);
  EXPECT_EQ(RootParam<std::string>(235), "extra");
  EXPECT_EQ(RootParam<std::string>(226), "lock.mp3");
  EXPECT_EQ(RootParam<std::uint8_t>(220), 1);
  EXPECT_EQ(RootParam<std::int32_t>(169), 0);

  ASSERT_TRUE(document_.WriteScript());
  const std::string written = dir_.read("vora.vrc");
  EXPECT_EQ(written.rfind("Version\t3\n", 0), 0u) << written;

  // A keyword version 2 does not have fails at its line; the rows that set
  // values of objects pass over a line naming no object.
  EXPECT_FALSE(
      OpenScript(script + "Brightness 1\n", SceneDocument::kDeliveredScript));
  EXPECT_EQ(document_.GetOpenProblem().keyword, "Brightness");
  EXPECT_EQ(document_.GetOpenProblem().line, 22);
  for (const char *line : {"Culling nobody back", "ParentChildLink a b",
                           "TextureSettings Set a 1 1 1 1"}) {
    EXPECT_TRUE(
        OpenScript(script + line + "\n", SceneDocument::kDeliveredScript))
        << line;
  }
}

// The writer's own order, version 3 whatever the root holds, and the preset
// lines as they were read; every value reads back.
TEST_F(SceneScriptTest, WritesTheRootSettingsInOrderAndReadsThemBack) {
  dir_.write("effects.cfx", "x");
  dir_.write("intro.ini", "[Introduction]\nTitle=Night drive\nTime=2500\n");
  const std::string presets = "EffectPresetCategoryInfo\tWarm  1 2\n"
                              "EffectPresetCategoryInfo cold 3 4\n";
  ASSERT_TRUE(Opens("Version 3\n"
                    "SceneDetail ReadOnly\n"
                    "EnableNewCameraNav 1\n"
                    "SceneLockMp3 a b.mp3\n"
                    "MsgOn 1\n" +
                    presets +
                    "CFX effects.cfx 7\n"
                    "NumObjects 0\n"
                    "TDFX 0 12\n"
                    "EnvMap 1\n"
                    "Lights 2\n"
                    "Tmap 1\n"
                    "Responsivness 3\n"
                    "Pause 0\n"
                    "Brightness 0.5\n"
                    "FramesPerSecond 30\n"));
  EXPECT_EQ(RootParam<std::int32_t>(169), 2);
  auto snapshot = [this] {
    return test::SnapshotParams(
        {&Root(), Root().FindChild(SceneNode::Kind::Intro, 0)});
  };
  const auto before = snapshot();
  const std::int32_t changed = 7;
  ASSERT_TRUE(SceneDocument::WriteParamChecked(Root(), 277, &changed,
                                               VORA_VALUE_INT, 4));
  EXPECT_EQ(SaveAndReopen(), "Version\t3\n"
                             "FramesPerSecond\t30.000000\n"
                             "Brightness\t0.500000\n"
                             "Responsivness\t3.000000\n"
                             "Tmap\t1\n"
                             "Lights\t2\n"
                             "Pause\t0\n"
                             "EnvMap\t1\n"
                             "TDFX\t0\t12\n"
                             "NumObjects\t0\n"
                             "CFX\teffects.cfx\t7\n"
                             "MsgOn\t1\n"
                             "SceneLockMp3\ta b.mp3\n"
                             "EnableNewCameraNav\t1\n"
                             "SceneDetail ReadOnly Set\t1\n" +
                                 presets);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(SceneScriptTest, ACutRootLineKeepsItsLineEnd) {
  dir_.write("effects.cfx", "x");
  ASSERT_TRUE(Opens("Version 3\nCFX effects.cfx 7\nMsgOn 1\n"));
  // A host may name a file longer than a script line holds.
  ASSERT_TRUE(Root().SetParamValue(nodes::param::kCfxFileName,
                                   nodes::ParamValue(std::string(300, 'n'))));
  ASSERT_TRUE(document_.WriteScript());
  const std::string written = dir_.read("vora.vrc");
  const std::string cut = "CFX\t" + std::string(250, 'n') + "\n";
  EXPECT_EQ(written, "Version\t3\n" + cut + "MsgOn\t1\n");
  EXPECT_EQ(cut.size(), nodes::kMaxLineLength);
}

TEST(SceneRootTest, RootTakesRowZeroOfItsIndex) {
  nodes::ResetNodeIdCounter();
  SceneRoot root;
  const NodeIndex &index = root.GetNodeIndex();
  EXPECT_EQ(index.GetRowCount(), 1);
  EXPECT_EQ(index.GetRows()[0].type, VORA_NODE_SCENE_ROOT);
  EXPECT_EQ(index.FindById(0), &root);
  EXPECT_EQ(root.GetSceneRegistry(), &root.GetNodeIndex());
}

} // namespace
} // namespace vorafile
