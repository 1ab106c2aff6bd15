#include "nodes/effects/lens_effects_node.h"

#include "document/scene_root.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/value_writer.h"
#include "nodes/node_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vorafile::nodes {
namespace {

using test::TempDir;
using Kind = SceneNode::Kind;

const std::string kSeparator(79, '#');

// Lens preset files and a lens effects file as this library writes them:
// each reads and writes back byte for byte.
const std::string kGlow =
    "Version\t1\nLfxType\tGlow\nPresetFriendlyName\tSoft\nNumPresets\t2\n" +
    kSeparator + "\nPreset\t0\nPresetName\tWarm\nAlpha\t0.500000\n" +
    kSeparator + "\nPreset\t1\nPresetName\tCold\nAmpScale\t1.500000\n";
const std::string kBlur =
    "Version\t1\nLfxType\tBlur\nPresetFriendlyName\tHaze\nNumPresets\t1\n" +
    kSeparator + "\nPreset\t4\nPresetName\tWide\nGridX\t8.000000\n";
const std::string kLenses = "LensEffectsFile\nVersion\t2\nNumLenses\t2\n"
                            "0\tglow.lfp\tMyGlow\n1\tblur.lfp\tMyBlur\n"
                            "NumHyperPresets\t2\nCurrentHyperPreset\t1\n"
                            "0\tHyperPresetName\tBoth\nNumPresetRefs\t2\n"
                            "0\t1\n1\t4\n"
                            "1\tHyperPresetName\tJustBlur\nNumPresetRefs\t1\n"
                            "1\t4\n";

class LensEffectsTest : public ::testing::Test {
protected:
  void SetUp() override {
    root_->SetFolder(dir_.folder());
    root_->SetScriptVersion(3);
    dir_.write("glow.lfp", kGlow);
    dir_.write("blur.lfp", kBlur);
  }

  LensEffectsNode &Read(const std::string &text, bool expectRead = true) {
    lenses_ = root_->AddChild(
        std::make_unique<LensEffectsNode>(root_.get(), "lens.lfx"));
    EXPECT_EQ(test::ReadSection(*lenses_, text).end != kReadFailed, expectRead)
        << text;
    return *lenses_;
  }

  std::string Written() { return test::WriteSection(*lenses_); }

  std::string Reason() const {
    const auto &failure = lenses_->GetReadFailure();
    return failure ? failure->reason : "";
  }

  TempDir dir_;
  // Destroyed with the fixture: the sanitizer build's leak checker sees
  // whether the hyper presets went with the scene.
  std::unique_ptr<SceneRoot> root_ = std::make_unique<SceneRoot>();
  LensEffectsNode *lenses_ = nullptr;
};

TEST_F(LensEffectsTest, FilesGoBackByteForByte) {
  LensEffectsNode &node = Read(kLenses);
  EXPECT_TRUE(node.IsReadComplete());
  // Lenses first, then hyper presets; the blocks below the lenses.
  ASSERT_EQ(node.GetChildCount(), 4);
  const SceneNode *glow = node.GetChild(0);
  EXPECT_EQ(glow->GetKind(), Kind::LensPresetFile);
  EXPECT_EQ(glow->GetName(), "MyGlow");
  EXPECT_EQ(glow->GetParamAs<std::int32_t>(param::kId), 0);
  EXPECT_EQ(glow->GetTextParam(param::kFileName), dir_.file("glow.lfp"));
  EXPECT_EQ(glow->GetTextParam(lens_param::kLfxType), "Glow");
  ASSERT_EQ(glow->GetChildCount(), 2);
  EXPECT_EQ(glow->GetChild(1)->GetName(), "LfxPresetNode1");
  EXPECT_EQ(glow->GetChild(1)->GetKind(), Kind::LensPreset);
  EXPECT_EQ(node.GetChild(2)->GetName(), "HyperPresetNode0");
  EXPECT_EQ(node.GetChild(3)->GetTextParam(lens_param::kHyperPresetName),
            "JustBlur");
  // A hyper preset refers to the lenses; its preset numbers are integers.
  const SceneNode *both = node.GetChild(2);
  EXPECT_EQ(both->GetChild(1), node.GetChild(1));
  EXPECT_EQ(both->GetChildHold(1), SceneNode::ChildHold::Reference);
  std::int32_t preset = 0;
  EXPECT_TRUE(both->GetParam(lens_param::kPresetNum, &preset, sizeof preset,
                             VORA_VALUE_INT, 1));
  EXPECT_EQ(preset, 4);

  dir_.write("glow.lfp", "");
  dir_.write("blur.lfp", "");
  EXPECT_EQ(Written(), kLenses);
  EXPECT_EQ(dir_.read("glow.lfp"), kGlow);
  EXPECT_EQ(dir_.read("blur.lfp"), kBlur);
}

TEST_F(LensEffectsTest, ReadsOfOddFiles) {
  const struct {
    const char *what;
    std::string text;
    std::string written; // "" when the read fails
    std::string reason;
  } cases[] = {
      {"the lens line's number is not its index; blanks end a name",
       "; comment\nLensEffectsFile\nNumLenses 1\n 7 glow.lfp MyGlow \n"
       "NumHyperPresets 1\nCurrentHyperPreset 0\n; c\n\n"
       "5 HyperPresetName My Glow\nNumPresetRefs 1\n0 1\n",
       "LensEffectsFile\nNumLenses\t1\n0\tglow.lfp\tMyGlow\n"
       "NumHyperPresets\t1\nCurrentHyperPreset\t0\n"
       "0\tHyperPresetName\tMy\nNumPresetRefs\t1\n0\t1\n",
       ""},
      {"hyper presets before their count are not made",
       "LensEffectsFile\nCurrentHyperPreset 0\nNumHyperPresets 2\n"
       "Other 4\n",
       "LensEffectsFile\nNumLenses\t0\nNumHyperPresets\t0\n"
       "CurrentHyperPreset\t0\n",
       ""},
      {"a hyper preset names a missing lens",
       "LensEffectsFile\nNumLenses 1\n0 glow.lfp G\nNumHyperPresets 1\n"
       "CurrentHyperPreset 0\n0 HyperPresetName H\nNumPresetRefs 1\n1 0\n",
       "", "hyper preset 0: lens 1 is not in the lens list"},
      {"a blank line takes a lens's place",
       "LensEffectsFile\nNumLenses 2\n0 glow.lfp G\n\n1 blur.lfp B\n", "",
       "expected an index, a file name and a name"},
      {"a lens file that is missing", "LensEffectsFile\nNumLenses 1\n0 x G\n",
       "", "preset file \"x\" is not in the working folder"},
      {"a lens file outside the working folder",
       "LensEffectsFile\nNumLenses 1\n0 ../glow.lfp G\n", "",
       "preset file \"../glow.lfp\" is not in the working folder"},
      {"too few lens lines", "LensEffectsFile\nNumLenses 2\n0 glow.lfp G\n", "",
       "expected 2 preset file lines"},
      {"a count read twice", "LensEffectsFile\nNumLenses 0\nNUMLENSES 0\n", "",
       "\"NUMLENSES\" stands twice"},
      {"a lens file whose header is short",
       "LensEffectsFile\nNumLenses 1\n0 short.lfp G\n", "",
       "\"short.lfp\": \"LfxType\": expected a word"},
      {"an empty file", "; only a comment\n", "",
       "the lens effects file holds no line"},
  };
  dir_.write("short.lfp", "Version 1\nLfxType\n");
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    Read(c.text, c.written.size() > 0);
    if (c.written.empty())
      EXPECT_EQ(Reason(), c.reason);
    else
      EXPECT_EQ(Written(), c.written);
  }
}

TEST_F(LensEffectsTest, VersionTwoNeitherReadsNorWrites) {
  root_->SetScriptVersion(2);
  LensEffectsNode &node = Read(kLenses, false);
  StringSink sink;
  EXPECT_FALSE(node.Write(&sink));
  EXPECT_FALSE(node.Write(nullptr));
}

TEST_F(LensEffectsTest, IndexedOperations) {
  LensEffectsNode &node = Read(kLenses);
  HyperPresetEntry &both = *DynCast<HyperPresetEntry>(node.GetChild(2));
  const std::string path = dir_.file("x.lfp");
  const std::int32_t seven = 7;
  ParamValue value;

  // Name, NodeID, the four numbers of the file, and the two entries.
  EXPECT_EQ(node.GetParamCount(), 8);
  EXPECT_TRUE(node.GetParamValue(lens_param::kLfpPresetFile, value, 1));
  EXPECT_EQ(value.GetText(), dir_.file("blur.lfp"));
  EXPECT_FALSE(node.GetParamValue(lens_param::kLfpPresetFile, value, 2));
  EXPECT_FALSE(node.GetParamValue(lens_param::kLfpPresetFile, value, -1));
  EXPECT_EQ(node.GetParamSize(lens_param::kLfpPresetFile, -1, 0),
            dir_.file("glow.lfp").size() + 1);
  // An existing entry, a gap and another type are refused.
  EXPECT_FALSE(node.AddParam(lens_param::kLfpPresetFile, path.c_str(),
                             VORA_VALUE_STRING, 1));
  EXPECT_FALSE(node.AddParam(lens_param::kLfpPresetFile, path.c_str(),
                             VORA_VALUE_STRING, 3));
  EXPECT_FALSE(
      node.SetParam(lens_param::kLfpPresetFile, &seven, VORA_VALUE_INT, 0));
  EXPECT_FALSE(both.SetParam(lens_param::kPresetNum, path.c_str(),
                             VORA_VALUE_STRING, 0));
  EXPECT_TRUE(both.SetParam(lens_param::kPresetNum, &seven, VORA_VALUE_INT, 0));
  EXPECT_EQ(both.GetIndexedParamName(lens_param::kPresetNum, 0), "PresetNum0");
  EXPECT_EQ(node.GetIndexedParamName(lens_param::kLfpPresetFile, 1),
            "Lfp Preset File1");

  // A new entry without its lens is not written; the count says so.
  EXPECT_TRUE(node.AddParam(lens_param::kLfpPresetFile, path.c_str(),
                            VORA_VALUE_STRING, 2));
  const std::string written = Written();
  EXPECT_NE(written.find("NumLenses\t2\n"), std::string::npos);
  EXPECT_EQ(written.find("x.lfp"), std::string::npos);
  EXPECT_NE(written.find("NumPresetRefs\t2\n0\t7\n"), std::string::npos);
}

TEST_F(LensEffectsTest, SubItemsAreNamedByIndex) {
  struct Names final : SubItemVisitor {
    void Visit(const SubItem &item) override {
      seen.push_back(std::to_string(item.id) + ":" + std::to_string(item.key) +
                     " " + std::string(item.name) + "=" +
                     FormatValueText(item.value, false));
    }
    std::vector<std::string> seen;
  };
  LensEffectsNode &node = Read(kLenses);
  Names lensNames;
  node.VisitSubItems(lensNames);
  EXPECT_EQ(lensNames.seen,
            (std::vector<std::string>{
                "2202:0 Lfp Preset File0=" + dir_.file("glow.lfp"),
                "2202:1 Lfp Preset File1=" + dir_.file("blur.lfp")}));
  Names hyperNames;
  node.GetChild(2)->VisitSubItems(hyperNames);
  EXPECT_EQ(hyperNames.seen, (std::vector<std::string>{"2208:0 PresetNum0=1",
                                                       "2208:1 PresetNum1=4"}));
}

TEST_F(LensEffectsTest, RemovingALensTakesItsNodeAndReferences) {
  LensEffectsNode &node = Read(kLenses);
  const int rowsBefore = root_->GetNodeIndex().GetRowCount();
  ASSERT_TRUE(node.RemoveParam(lens_param::kLfpPresetFile, 0));
  EXPECT_FALSE(node.RemoveParam(lens_param::kLfpPresetFile, 1));
  // The glow lens and its blocks are gone from the tree and the index.
  EXPECT_EQ(node.GetChildCount(), 3);
  EXPECT_EQ(
      root_->GetNodeIndex().FindByTypeAndOrdinal(VORA_NODE_LENS_PRESET, 1),
      nullptr);
  EXPECT_EQ(root_->GetNodeIndex().GetRowCount(), rowsBefore);
  EXPECT_EQ(node.GetParamAs<std::int32_t>(lens_param::kNumLenses), 1);
  EXPECT_EQ(node.GetChild(0)->GetParamAs<std::int32_t>(param::kId), 0);
  EXPECT_EQ(
      node.GetChild(1)->GetParamAs<std::int32_t>(lens_param::kNumPresetRefs),
      1);

  dir_.write("blur.lfp", "");
  EXPECT_EQ(Written(), "LensEffectsFile\nVersion\t2\nNumLenses\t1\n"
                       "0\tblur.lfp\tMyBlur\n"
                       "NumHyperPresets\t2\nCurrentHyperPreset\t1\n"
                       "0\tHyperPresetName\tBoth\nNumPresetRefs\t1\n0\t4\n"
                       "1\tHyperPresetName\tJustBlur\nNumPresetRefs\t1\n"
                       "0\t4\n");
  EXPECT_EQ(dir_.read("blur.lfp"), kBlur);
}

TEST_F(LensEffectsTest, RemovingAPresetNumberTakesItsReference) {
  LensEffectsNode &node = Read(kLenses);
  SceneNode &both = *node.GetChild(2);
  ASSERT_TRUE(both.RemoveParam(lens_param::kPresetNum, 0));
  EXPECT_EQ(both.GetChildCount(), 1);
  EXPECT_EQ(both.GetChild(0), node.GetChild(1));
  ParamValue value;
  ASSERT_TRUE(both.GetParamValue(lens_param::kPresetNum, value, 0));
  EXPECT_EQ(value, ParamValue(std::int32_t{4}));
  EXPECT_EQ(both.GetParamAs<std::int32_t>(lens_param::kNumPresetRefs), 1);
  // The lens itself stays.
  EXPECT_EQ(node.GetChild(0)->GetName(), "MyGlow");
}

TEST_F(LensEffectsTest, AListThatStoppedEarlyIsNotRewritten) {
  // The second file exists but is a folder: the read stops there.
  std::filesystem::create_directory(dir_.file("lost.lfp"));
  const std::string text =
      "LensEffectsFile\nNumLenses 2\n0 glow.lfp G\n1 lost.lfp L\n";
  dir_.write("lens.lfx", text);
  ASSERT_TRUE(root_->AddParamValue(param::kLfxFileName,
                                   ParamValue(dir_.file("lens.lfx"))));
  LensEffectsNode &node = Read(text);
  EXPECT_FALSE(node.IsReadComplete());
  EXPECT_EQ(node.GetChildCount(), 1);
  dir_.write("glow.lfp", "unchanged");
  EXPECT_TRUE(node.Write(nullptr));
  EXPECT_EQ(dir_.read("lens.lfx"), text);
  EXPECT_EQ(dir_.read("glow.lfp"), "unchanged");
}

} // namespace
} // namespace vorafile::nodes
