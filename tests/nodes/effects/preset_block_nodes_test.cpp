#include "nodes/effects/preset_block_nodes.h"

#include "nodes/core/param_ids.h"
#include "nodes/effects/preset_keys.h"
#include "nodes/node_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vorafile::nodes {
namespace {

using Kind = SceneNode::Kind;

const std::string kSeparator(79, '#');

struct Walked {
  std::unique_ptr<test::VersionParent> file =
      std::make_unique<test::VersionParent>();
  PresetWalk walk{0, 0};

  SceneNode &Block(int i) const { return *file->GetChild(i); }
  std::string Written() const {
    std::string text;
    for (int i = 0; i < file->GetChildCount(); ++i)
      text += test::WriteSection(*file->GetChild(i));
    return text;
  }
};

Walked Walk(Kind kind, const std::string &text, int version = 3) {
  Walked walked;
  walked.file->SetScriptVersion(version);
  StringSource source(text);
  SceneNode *file = walked.file.get();
  walked.walk =
      WalkPresetBlocks(source, 0, [file, kind](int index) -> SceneNode & {
        const std::string name = "PresetNode" + std::to_string(index);
        if (kind == Kind::DefPreset)
          return *file->AddChild(std::make_unique<DefPresetNode>(file, name));
        return *file->AddChild(
            std::make_unique<FxPresetNode>(file, name, index, kind));
      });
  return walked;
}

TEST(PresetKeysTest, FamiliesHaveTheirSizesAndEndWithUnknown) {
  struct Case {
    const NameTable &table;
    std::size_t size;
    int unknown;
  };
  const Case cases[] = {
      {GetDeformationKeys(), kDeformationKeyCount, def_preset_param::kUnknown},
      {GetLensKeys(), kLensKeyCount, lens_preset_param::kUnknown},
      {GetTransitionKeys(), kTransitionKeyCount,
       transition_preset_param::kUnknown},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(c.table.GetSize(), c.size);
    EXPECT_EQ(c.table.NameOf(c.unknown), "Unknown");
    EXPECT_EQ(c.table.FindId("unknown"), c.unknown);
  }
  // A name that stands twice reads as its later id; both ids write it.
  EXPECT_EQ(GetDeformationKeys().FindId("xxvmin"), 1906);
  EXPECT_EQ(GetDeformationKeys().NameOf(1902), "XXVMin");
  EXPECT_EQ(GetDeformationKeys().FindId("State"), def_preset_param::kState);
  EXPECT_EQ(GetDeformationKeys().FindId("CameraSpace"), 2038);
  EXPECT_EQ(GetLensKeys().FindId("SpriteBmpNumber"), 2623);
  EXPECT_EQ(GetTransitionKeys().FindId("GravityAccel"), 3552);
}

TEST(PresetBlockTest, WalksTheBlocksOfAFile) {
  using Values = std::vector<std::pair<int, float>>;
  struct Case {
    const char *what;
    Kind kind;
    std::string text;
    int blocks;
    int firstParams; // the first block's, "Name" and "NodeID" included
    Values firstValues;
  };
  const std::vector<Case> cases = {
      {"no Preset line: one empty block", Kind::LensPreset, "OffsetX\t1.0\n", 1,
       3, Values{}},
      {"keys in any case", Kind::LensPreset,
       "Preset 0\nPresetName a\noffsetx 1\nOFFSETY 2\n", 1, 6,
       Values{{2503, 1.0f}, {2504, 2.0f}}},
      {"a lens block takes deformation keys", Kind::LensPreset,
       "Preset 0\nPresetName a\nAmpScale 1.5\n", 1, 5, Values{{1607, 1.5f}}},
      {"a transition block skips them", Kind::TransitionPreset,
       "Preset 0\nPresetName a\nAmpScale 1.5\nDuration 2\n", 1, 5,
       Values{{3502, 2.0f}}},
      {"unknown keys and blank lines are skipped", Kind::DefPreset,
       "Preset 0\nNoSuchKey 1\n\n   \nAmpScale 3\n", 1, 4,
       Values{{1607, 3.0f}}},
      {"a deformation block reads built-in names and Unknown", Kind::DefPreset,
       "Preset 0\nBrightness 1\nUnknown 2\n", 1, 5,
       Values{{3, 1.0f}, {2040, 2.0f}}},
      {"blocks split at each Preset line", Kind::DefPreset,
       "#\nPreset 0\nAmpScale 1\n#\nPreset 1\nAmpScale 2\nPreset 2\n", 3, 4,
       Values{{1607, 1.0f}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const Walked walked = Walk(c.kind, c.text);
    EXPECT_EQ(walked.walk.position, kReadEndOfFile);
    ASSERT_EQ(walked.file->GetChildCount(), c.blocks);
    const SceneNode &first = walked.Block(0);
    for (const auto &[id, value] : c.firstValues)
      EXPECT_EQ(first.GetParamAs<float>(id), value) << id;
    EXPECT_EQ(first.GetParamCount(), c.firstParams);
  }
}

TEST(PresetBlockTest, FailuresNameTheirLine) {
  struct Case {
    const char *what;
    Kind kind;
    std::string text;
    std::int64_t line;
  };
  const Case cases[] = {
      {"a value that is no number", Kind::DefPreset, "Preset 0\nAmpScale x\n",
       9},
      {"a key twice", Kind::LensPreset, "Preset 0\nN a\nOffsetX 1\nOffsetX 2\n",
       23},
      {"a Preset line without a number", Kind::TransitionPreset,
       "Preset\nDuration 1\n", 0},
      // Kept as "", the name would be written as a line of one word.
      {"a name of NUL bytes, then read as a value", Kind::TransitionPreset,
       std::string("Preset 0\nPresetName \0\0 1\n", 25), 9},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const Walked walked = Walk(c.kind, c.text);
    EXPECT_EQ(walked.walk.position, kReadFailed);
    ASSERT_NE(walked.walk.failedBlock, nullptr);
    ASSERT_TRUE(walked.walk.failedBlock->GetReadFailure());
    EXPECT_EQ(walked.walk.failedBlock->GetReadFailure()->position, c.line);
  }
}

TEST(PresetBlockTest, LensBlocksGoBackAsTheyWereRead) {
  const std::string file = kSeparator + "\nPreset\t4\nPresetName\tGlow\n" +
                           "OffsetX\t1.500000\nAmpScale\t-2.000000\n" +
                           kSeparator + "\nPreset\t5\nPresetName\tDim\n";
  const Walked walked = Walk(Kind::LensPreset, file);
  ASSERT_EQ(walked.file->GetChildCount(), 2);
  EXPECT_EQ(walked.Block(0).GetParamAs<std::int32_t>(param::kId), 4);
  EXPECT_EQ(walked.Written(), file);

  // Floats come back in "%f" form, comments before the name go, the name is
  // its first word, and keys take the table's spelling.
  EXPECT_EQ(Walk(Kind::LensPreset, "Preset 1\n; note\nPresetName Big Glow\n"
                                   "offsetx 1.5\n")
                .Written(),
            kSeparator + "\nPreset\t1\nPresetName\tBig\nOffsetX\t1.500000\n");
}

TEST(PresetBlockTest, APresetLineIsWrittenOnlyWhenOneWasRead) {
  // The walk gives the block an "ID" of its own; no Preset line was read.
  EXPECT_EQ(Walk(Kind::LensPreset, "OffsetX 1\n").Written(), kSeparator + "\n");
  // A block whose name line would be the next block's Preset line has no
  // name, and the next block keeps its Preset line.
  const Walked walked = Walk(Kind::TransitionPreset, "Preset 1\nPreset 2\n");
  ASSERT_EQ(walked.file->GetChildCount(), 2);
  EXPECT_FALSE(
      walked.Block(0).GetTextParam(transition_preset_param::kPresetName));
  EXPECT_EQ(walked.Written(),
            kSeparator + "\nPreset\t1\n" + kSeparator + "\nPreset\t2\n");
  // The writer's own output, a block without name or values, reads back.
  const Walked again = Walk(Kind::TransitionPreset, walked.Written());
  EXPECT_EQ(again.walk.position, kReadEndOfFile);
  EXPECT_EQ(again.Written(), walked.Written());
}

TEST(PresetBlockTest, VersionsGateReadsAndWrites) {
  EXPECT_EQ(Walk(Kind::LensPreset, "Preset 0\n", 2).walk.position, kReadFailed);
  EXPECT_EQ(Walk(Kind::DefPreset, "Preset 0\n", 2).walk.position,
            kReadEndOfFile);
  EXPECT_EQ(Walk(Kind::DefPreset, "Preset 0\n", 4).walk.position, kReadFailed);

  test::VersionParent file;
  file.SetScriptVersion(3);
  DefPresetNode builtIn(&file, "PresetNode2", true, 2);
  EXPECT_EQ(builtIn.GetParamAs<float>(def_preset_param::kState), 2.0f);
  EXPECT_EQ(test::WriteSection(builtIn), "");
  EXPECT_EQ(test::ReadSection(builtIn, "Preset 0\n").end, kReadFailed);
}

TEST(PresetBlockTest, NamesAndIdsFollowTheFamily) {
  test::VersionParent file;
  const FxPresetNode lens(&file, "l", Kind::LensPreset);
  const FxPresetNode transition(&file, "t", Kind::TransitionPreset);
  const DefPresetNode deformation(&file, "d");
  EXPECT_EQ(lens.GetParamName(1607), "AmpScale");
  EXPECT_EQ(lens.GetParamName(2624), "Unknown");
  EXPECT_EQ(transition.GetParamName(1607), "");
  EXPECT_EQ(transition.GetParamId("AmpScale"), 3553);
  EXPECT_EQ(lens.GetParamId("Brightness"), 2624);
  EXPECT_EQ(deformation.GetParamId("Brightness"), 3);
  EXPECT_EQ(deformation.GetParamId("nothing"), 275);
  EXPECT_EQ(deformation.GetParamName(param::kName), "Name");
}

} // namespace
} // namespace vorafile::nodes
