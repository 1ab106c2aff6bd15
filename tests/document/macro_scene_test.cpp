// Macro effect entries in scene scripts, the old macro import, and the
// configuration nodes' lookups through the scene's node index.
#include "document/scene_root.h"
#include "nodes/content/macro_nodes.h"
#include "nodes/content/object_config_node.h"
#include "nodes/effects/def_file_node.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

namespace vorafile {
namespace {

using nodes::DynCast;
using nodes::MacroEffectNode;
using nodes::MacroEntryNode;
using nodes::ParamValue;
using nodes::SceneNode;
namespace param = nodes::param;
namespace macro_param = nodes::macro_param;
using test::SceneFolderTest;

using test::StandInNode;

using MacroSceneTest = SceneFolderTest;

TEST_F(MacroSceneTest, Version3MacroLinesReadAndWriteBack) {
  dir_.write("spin.vrm", "Version\t3\nNumMacros\t1\n\nMacro\t0\n"
                         "MacroName\tSpin\ncommand\n\n");
  const std::string script = "Version\t3\n"
                             "EffectPresetCategoryInfo Old 0 0\n"
                             "MacroEffect\tspin.vrm 1 Spin and stop\n";
  ASSERT_TRUE(OpenScript(script + "MacroEffect absent.vrm 1 Not counted\n"
                                  "MacroEffect ../spin.vrm 1 Outside\n"
                                  "MacroEffect spin.vrm 1\n"));
  // The kept settings line and the one macro node that read its file.
  EXPECT_EQ(RootParam<std::int32_t>(param::kNumMacroEffects), 2);
  auto *macro = DynCast<MacroEffectNode>(
      Root().FindChild(SceneNode::Kind::MacroEffect, 0));
  ASSERT_NE(macro, nullptr);
  EXPECT_EQ(Root().FindChild(SceneNode::Kind::MacroEffect, 1), nullptr);
  EXPECT_EQ(macro->GetTextParam(macro_param::kMacroFriendlyName),
            "Spin and stop");
  ASSERT_NE(macro->GetMacroFile(), nullptr);
  EXPECT_EQ(macro->GetMacroFile()->GetChildCount(), 1);
  // The macro entries are in the node index, for the host.
  EXPECT_NE(Root().GetSceneRegistry()->FindByTextParam(
                VORA_NODE_MACRO_ENTRY, macro_param::kMacroName, "spin"),
            nullptr);

  ASSERT_TRUE(document_.WriteScript());
  EXPECT_EQ(dir_.read("vora.vrc"), script);
}

// A friendly name keeps what a saved line can carry: "1name" is written
// "1 name", a blank longer, and no line may pass the reader's 255.
TEST_F(MacroSceneTest, FriendlyNamesFitTheLineTheirSaveWrites) {
  dir_.write("spin.vrm", "Version\t3\nNumMacros\t0\n");
  const std::string prefix = "MacroEffect\tspin.vrm 1 ";
  const std::string longest(nodes::kMaxLineLength - 1 - prefix.size(), 'n');
  ASSERT_TRUE(
      OpenScript("Version\t3\nMacroEffect spin.vrm 1" + longest + "x\n"));
  auto *macro = Root().FindChild(SceneNode::Kind::MacroEffect, 0);
  ASSERT_NE(macro, nullptr);
  EXPECT_EQ(macro->GetTextParam(macro_param::kMacroFriendlyName), longest);
  const std::string saved = SaveAndReopen();
  EXPECT_NE(saved.find(prefix + longest + "\n"), std::string::npos) << saved;
  EXPECT_EQ(Root()
                .FindChild(SceneNode::Kind::MacroEffect, 0)
                ->GetTextParam(macro_param::kMacroFriendlyName),
            longest);
}

TEST_F(MacroSceneTest, Version2SceneImportsItsOldMacroFiles) {
  dir_.write("old1.mac", "SD cube twist 0 4\n");
  dir_.write("old2.mac", "; nothing to convert\n");
  ASSERT_TRUE(OpenScript(test::Version2Values() + "0\n" +
                         test::kVersion2Message +
                         "lock.mp3\n"
                         "EffectPresetCategoryInfo Friendly 2 -1\n"
                         "EffectPreset old1.mac First\n"
                         "; a comment between\n"
                         "EffectPreset old2.mac Second\n"
                         "SceneDetail ReadOnly Set 0\n"));
  EXPECT_EQ(RootParam<std::int32_t>(param::kNumMacroEffects), 1);
  auto *macro = DynCast<MacroEffectNode>(
      Root().FindChild(SceneNode::Kind::MacroEffect, 0));
  ASSERT_NE(macro, nullptr);
  EXPECT_EQ(macro->GetTextParam(param::kFileName), dir_.file("old1.vrm"));
  ASSERT_NE(macro->GetMacroFile(), nullptr);
  ASSERT_EQ(macro->GetMacroFile()->GetChildCount(), 2);

  // Saved as version 3: a macro file named after the first old file holds
  // the macros; the old files stay as they were.
  ASSERT_TRUE(document_.WriteScript());
  EXPECT_NE(dir_.read("vora.vrc").find("MacroEffect\told1.vrm 0 Friendly\n"),
            std::string::npos);
  EXPECT_EQ(dir_.read("old1.mac"), "SD cube twist 0 4\n");
  EXPECT_EQ(dir_.read("old1.vrm"), "Version\t3\nNumMacros\t2\n\n"
                                   "Macro\t0\nMacroName\tFirst\n\n"
                                   "Macro\t1\nMacroName\tSecond\n\n");
  ASSERT_TRUE(document_.Open(dir_.folder()));
  macro = DynCast<MacroEffectNode>(
      Root().FindChild(SceneNode::Kind::MacroEffect, 0));
  ASSERT_NE(macro, nullptr);
  ASSERT_NE(macro->GetMacroFile(), nullptr);
  EXPECT_EQ(macro->GetMacroFile()->GetChildCount(), 2);
}

class MacroRootTest : public ::testing::Test {
protected:
  void SetUp() override {
    root_.SetFolder(dir_.folder());
    root_.SetScriptVersion(2);
  }

  StandInNode &Add(SceneNode &parent, SceneNode::Kind kind,
                   std::string_view name) {
    return *parent.AddChild(std::make_unique<StandInNode>(&parent, kind, name));
  }

  test::TempDir dir_;
  SceneRoot root_;
};

TEST_F(MacroRootTest, OldMacroLinesBecomeCommandsForKnownObjects) {
  StandInNode &cube = Add(root_, SceneNode::Kind::Object, "cube");
  Add(cube, SceneNode::Kind::DefRef, "twist");
  dir_.write("old.mac", "; header\n"
                        "SD cube twist 0 4\n"
                        "SD cube bend 0 1\n"
                        "SD sphere twist 0 2\n"
                        "XX cube twist 0 3\n");
  dir_.write("empty.mac", "SD nothing here 0 0\n");
  const std::string list = "EffectPresetCategoryInfo Friendly 2 3\n";
  nodes::StringSource in(list + "EffectPreset old.mac Spin\n"
                                "EffectPreset gone.mac Lost\n"
                                "EffectPreset empty.mac Two\n"
                                "EffectPreset old.mac Three\n");
  auto *macro = root_.AddChild(std::make_unique<MacroEffectNode>(
      &root_, "MacroNode0", 3, "Friendly", 2));
  const auto start = static_cast<std::int64_t>(list.size());
  ASSERT_EQ(macro->Read(&in, start), start);

  nodes::MacroFileNode *file = macro->GetMacroFile();
  ASSERT_NE(file, nullptr);
  // A missing old file takes no id; the count ends the import.
  ASSERT_EQ(file->GetChildCount(), 2);
  auto *spin = DynCast<MacroEntryNode>(file->GetChild(0));
  EXPECT_EQ(spin->GetTextParam(macro_param::kMacroName), "Spin");
  EXPECT_EQ(spin->GetParamAs<std::int32_t>(macro_param::kNumMacroCommands), 1);
  ParamValue command;
  ASSERT_TRUE(spin->GetParamValue(macro_param::kMacroCommand, command, 0));
  EXPECT_EQ(command.GetText(),
            "00:00:0.0 OBJECT cube DEFORMATION twist : SetPreset 4");
  auto *two = DynCast<MacroEntryNode>(file->GetChild(1));
  EXPECT_EQ(two->GetParamAs<std::int32_t>(param::kId), 1);
  EXPECT_EQ(two->GetParamAs<std::int32_t>(macro_param::kNumMacroCommands),
            std::nullopt);
}

TEST_F(MacroRootTest, AnimationKeysShareADefinitionTheSceneHolds) {
  root_.SetScriptVersion(3);
  dir_.write("halo.vrd", "x");
  dir_.write("other.vrd", "x");
  // Shared nodes count their holders: a stand-in cannot be one.
  auto &definition =
      *root_.AddChild(std::make_unique<nodes::DefFileNode>(&root_, "halo.vrd"));
  const std::string config = "Version 1\nObjectType ORB\n"
                             "HighlightAnimation halo.vrd, 1, 2\n";
  std::vector<std::unique_ptr<nodes::ObjectConfigNode>> configs;
  for (const char *name : {"a", "b"}) {
    configs.push_back(std::make_unique<nodes::ObjectConfigNode>(
        &root_, name, dir_.file("Config.orb")));
    nodes::StringSource in(config);
    ASSERT_NE(configs.back()->Read(&in, 0), nodes::kReadFailed);
  }
  for (const auto &node : configs) {
    EXPECT_EQ(node->GetParamAs<std::int32_t>(
                  nodes::config_param::kHighlightAnimation + 1),
              definition.GetNodeId());
    EXPECT_EQ(node->GetChild(0), &definition);
  }
  // A file that no definition of the scene reads yet gets its own
  // definition node, made and held by the configuration.
  auto other = std::make_unique<nodes::ObjectConfigNode>(&root_, "c", "");
  nodes::StringSource in("Version 1\nObjectType POD\n"
                         "OpeningAnimation other.vrd,0,0\n");
  ASSERT_NE(other->Read(&in, 0), nodes::kReadFailed);
  EXPECT_EQ(other->GetTextParam(nodes::config_param::kOpeningAnimation + 2),
            dir_.file("other.vrd"));
  ASSERT_EQ(other->GetChildCount(), 1);
  EXPECT_EQ(other->GetChild(0)->GetKind(), SceneNode::Kind::DefFile);
  EXPECT_EQ(other->GetParamAs<std::int32_t>(
                nodes::config_param::kOpeningAnimation + 1),
            other->GetChild(0)->GetNodeId());
}

} // namespace
} // namespace vorafile
