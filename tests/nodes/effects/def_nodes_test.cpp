#include "nodes/effects/def_file_node.h"
#include "nodes/effects/def_ref_node.h"

#include "document/scene_root.h"
#include "nodes/core/param_ids.h"
#include "nodes/effects/preset_block_nodes.h"
#include "nodes/node_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vorafile::nodes {
namespace {

using test::TempDir;
using Kind = SceneNode::Kind;

const std::string kSeparator(79, '#');

// A definition as this library writes it: it reads and writes back byte
// for byte.
const std::string kRipple = "DefType\tRipple\nMaxInstance\t4\nNumPresets\t2\n" +
                            kSeparator + "\nPreset\t0\nAmpScale\t1.500000\n" +
                            kSeparator + "\nPreset\t1\nAmpScale\t0.250000\n" +
                            "Unknown\t3.000000\n";

class DefNodesTest : public ::testing::Test {
protected:
  void SetUp() override {
    root_->SetFolder(dir_.folder());
    root_->SetScriptVersion(3);
  }

  DefFileNode &ReadDefinition(const std::string &text, std::int64_t expected) {
    dir_.write("def.vrd", text);
    auto *node =
        root_->AddChild(std::make_unique<DefFileNode>(root_.get(), "def.vrd"));
    EXPECT_EQ(node->ReadOwnFile(), expected);
    return *node;
  }

  DefRefNode &MakeReference(const std::string &name) {
    return *root_->AddChild(std::make_unique<DefRefNode>(root_.get(), name));
  }

  int DefinitionCount() const {
    int count = 0;
    while (root_->GetNodeIndex().FindByTypeAndOrdinal(VORA_NODE_DEF_FILE,
                                                      count) != nullptr)
      ++count;
    return count;
  }

  TempDir dir_;
  std::unique_ptr<SceneRoot> root_ = std::make_unique<SceneRoot>();
};

TEST_F(DefNodesTest, ADefinitionGoesBackByteForByte) {
  DefFileNode &node =
      ReadDefinition(kRipple, static_cast<std::int64_t>(kRipple.size()));
  EXPECT_EQ(node.GetTextParam(def_file_param::kDefType), "Ripple");
  EXPECT_EQ(node.GetChildCount(), 2);
  EXPECT_EQ(node.GetChild(1)->GetName(), "PresetNode1");
  dir_.write("def.vrd", "");
  EXPECT_TRUE(node.Write(nullptr));
  EXPECT_EQ(dir_.read("def.vrd"), kRipple);
}

TEST_F(DefNodesTest, HeaderLinesAreFoundAmongCommentsAndCountsAreMade) {
  // ';' lines and one-word lines before the header lines; the count of
  // blocks replaces the file's number.
  const std::string text =
      "\nDefType Wave\n; MaxInstance 9\nalone\nmaxinstance 2\n; c\n"
      "NUMPRESETS 7\nPreset 0\nPreset 1\nPreset 2\nPreset 3\n";
  DefFileNode &node =
      ReadDefinition(text, static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(node.GetParamAs<std::int32_t>(def_file_param::kMaxInstance), 2);
  EXPECT_EQ(node.GetParamAs<std::int32_t>(def_file_param::kNumPresets), 4);
  EXPECT_TRUE(node.IsReadComplete());
}

TEST_F(DefNodesTest, TheBuiltInDefinitionMakesItsPresets) {
  DefFileNode &node =
      ReadDefinition("DefType defraruzcreate\nMaxInstance 4\nNumPresets 3\n" +
                         kSeparator + "\nPreset 0\nAmpScale 1\n",
                     1);
  EXPECT_TRUE(node.IsBuiltIn());
  EXPECT_EQ(node.GetTextParam(def_file_param::kDefType), "DefSelector");
  ASSERT_EQ(node.GetChildCount(), 3);
  for (int i = 0; i < 3; ++i) {
    const auto *preset = DynCast<DefPresetNode>(node.GetChild(i));
    ASSERT_NE(preset, nullptr);
    EXPECT_TRUE(preset->IsBuiltIn());
    EXPECT_EQ(preset->GetParamAs<float>(def_preset_param::kState),
              static_cast<float>(i));
  }
  // Written with its built-in type and count, so it reads back with its
  // presets.
  const std::string written = test::WriteSection(node);
  EXPECT_EQ(written,
            "DefType\tDefRaruzCreate\nMaxInstance\t4\nNumPresets\t3\n");
  DefFileNode copy(root_.get(), "copy.vrd");
  EXPECT_EQ(test::ReadSection(copy, written).end, 1);
  EXPECT_EQ(copy.GetChildCount(), 3);
}

TEST_F(DefNodesTest, ReadsThatEndEarlyLeaveTheFileAsItWas) {
  struct Case {
    const char *what;
    std::string text;
    std::int64_t result;
    std::int64_t failedLine; // -1: no failure recorded
  };
  const Case cases[] = {
      {"empty", "", kReadEndOfFile, -1},
      {"no NumPresets", "DefType A\nMaxInstance 1\nPresets 2\n", kReadEndOfFile,
       -1},
      {"no DefType", "Type A\nMaxInstance 1\n", kReadFailed, 0},
      {"a type of NUL bytes", std::string("DefType \0\0\nMaxInstance 1\n", 25),
       kReadFailed, 0},
      {"no MaxInstance", "DefType A\nLimit 1\n", kReadFailed, 10},
      {"cut after DefType", "DefType A\n", kReadFailed, 10},
      {"a bad block",
       "DefType A\nMaxInstance 1\nNumPresets 1\nPreset 0\nX y\n"
       "AmpScale y\n",
       kReadFailed, 50},
      {"too many built-in presets",
       "DefType DefRaruzCreate\nMaxInstance 1\nNumPresets 1025\n", kReadFailed,
       37},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    DefFileNode &node = ReadDefinition(c.text, c.result);
    EXPECT_FALSE(node.IsReadComplete());
    const auto &failure = node.GetReadFailure();
    EXPECT_EQ(failure ? failure->position : -1, c.failedLine);
    EXPECT_TRUE(node.Write(nullptr));
    EXPECT_EQ(dir_.read("def.vrd"), c.text);
  }
}

TEST_F(DefNodesTest, TwoReferencesShareOneDefinitionReadOnce) {
  dir_.write("Ripple.vrd", kRipple);
  DefRefNode &first = MakeReference("first");
  DefRefNode &second = MakeReference("second");
  ASSERT_EQ(first.AttachDefinition("Ripple.vrd"),
            DefRefNode::DefinitionResult::Attached);
  // Gone from the disk: the second reference must not read it again.
  dir_.write("Ripple.vrd", "not a definition");
  ASSERT_EQ(second.AttachDefinition("RIPPLE.VRD"),
            DefRefNode::DefinitionResult::Attached);
  DefFileNode *shared = first.GetDefinition();
  ASSERT_EQ(second.GetDefinition(), shared);
  EXPECT_EQ(shared->GetRefCount(), 2);
  EXPECT_EQ(DefinitionCount(), 1);
  EXPECT_EQ(first.GetChildHold(0), SceneNode::ChildHold::Counted);
  EXPECT_EQ(second.GetChildHold(0), SceneNode::ChildHold::Counted);

  // Written once per save, whichever reference asks.
  DefFileNode::BeginSave();
  dir_.write("Ripple.vrd", "");
  EXPECT_TRUE(shared->WriteOwnFileOnce());
  dir_.write("Ripple.vrd", "untouched");
  EXPECT_TRUE(shared->WriteOwnFileOnce());
  EXPECT_EQ(dir_.read("Ripple.vrd"), "untouched");
  DefFileNode::BeginSave();
  EXPECT_TRUE(shared->WriteOwnFileOnce());
  EXPECT_EQ(dir_.read("Ripple.vrd"), kRipple);
}

TEST_F(DefNodesTest, TheLastHolderDestroysTheDefinition) {
  dir_.write("Ripple.vrd", kRipple);
  auto first = std::make_unique<DefRefNode>(root_.get(), "first");
  auto second = std::make_unique<DefRefNode>(root_.get(), "second");
  ASSERT_EQ(first->AttachDefinition("ripple.vrd"),
            DefRefNode::DefinitionResult::Attached);
  ASSERT_EQ(second->AttachDefinition("ripple.vrd"),
            DefRefNode::DefinitionResult::Attached);
  DefFileNode *shared = first->GetDefinition();
  second.reset();
  EXPECT_EQ(shared->GetRefCount(), 1);
  EXPECT_EQ(DefinitionCount(), 1);
  // Still in the scene: a later reference finds it.
  EXPECT_EQ(shared->GetRoot(), root_.get());
  first.reset();
  // Its rows went with it (LeakSanitizer checks the nodes themselves).
  EXPECT_EQ(DefinitionCount(), 0);
}

TEST_F(DefNodesTest, ReferencesReadTheirLinesAndSayWhereTheyStopped) {
  dir_.write("Ripple.vrd", kRipple);
  const std::string lines = "DefBand 2\nDefVrd Ripple.vrd\nDefPreset 1\n";
  DefRefNode &reference = MakeReference("Wobble");
  EXPECT_EQ(test::ReadSection(reference, lines + "NextSection 1\n").end,
            static_cast<std::int64_t>(lines.size()));
  EXPECT_EQ(reference.GetParamAs<std::int32_t>(param::kInput1Band), 2);
  EXPECT_EQ(reference.GetParamAs<std::int32_t>(param::kPreset), 1);
  DefFileNode::BeginSave();
  EXPECT_EQ(test::WriteSection(reference),
            "DefName\tWobble\nDefBand\t2\n"
            "DefVrd\tRipple.vrd\nDefPreset\t1\n");

  // A definition that fails to read ends the reference after its line.
  dir_.write("bad.vrd", "nonsense here\n");
  EXPECT_EQ(
      test::ReadSection(MakeReference("b"), "DefVrd bad.vrd\nDefPreset 1\n")
          .end,
      15);

  struct Case {
    const char *what;
    std::string text;
  };
  const Case failures[] = {
      {"a missing file", "DefVrd none.vrd\n"},
      {"a name that leaves the folder", "DefVrd ../Ripple.vrd\n"},
      {"a band that is no number", "DefBand x\n"},
      {"a preset twice", "DefPreset 1\nDefPreset 2\n"},
  };
  for (const Case &c : failures) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(test::ReadSection(MakeReference("r"), c.text).end, kReadFailed);
  }
}

TEST_F(DefNodesTest, Version2ReferencesAreValueLines) {
  root_->SetScriptVersion(2);
  dir_.write("Ripple.vrd", kRipple);
  const std::string lines = "1\n; comment\n0\n2\n1\nRipple.vrd\nWobble\n3\n";
  DefRefNode &reference = MakeReference("r");
  EXPECT_EQ(test::ReadSection(reference, lines + "Next\n").end,
            static_cast<std::int64_t>(lines.size()));
  DefFileNode::BeginSave();
  EXPECT_EQ(test::WriteSection(reference),
            "1\n0\n2\n1\nRipple.vrd\nWobble\n3\n");
}

TEST_F(DefNodesTest, TheSystemDefinitionIsNeverWritten) {
  dir_.write("DefHydraCreate.vrd",
             "DefType DefRaruzCreate\nMaxInstance 1\nNumPresets 2\n");
  auto *reference = root_->AddChild(std::make_unique<DefRefNode>(
      root_.get(), "defhydracreate.vrd", DefRefNode::BuiltIn{1}));
  // It reads no line: the position it is given comes back.
  EXPECT_EQ(test::ReadSection(*reference, "Next\n", 5).end, 5);
  EXPECT_EQ(reference->GetParamAs<std::int32_t>(param::kPreset), 1);
  ASSERT_EQ(reference->AttachDefinition("defhydracreate.vrd"),
            DefRefNode::DefinitionResult::Attached);
  dir_.write("DefHydraCreate.vrd", "kept");
  DefFileNode::BeginSave();
  EXPECT_EQ(test::WriteSection(*reference),
            "TextDeform Load\tdefhydracreate.vrd\t1\n");
  EXPECT_EQ(dir_.read("DefHydraCreate.vrd"), "kept");
}

} // namespace
} // namespace vorafile::nodes
