#include "nodes/content/object_config_node.h"

#include "document/scene_root.h"
#include "nodes/content/macro_nodes.h"
#include "nodes/effects/def_file_node.h"
#include "nodes/effects/def_ref_node.h"
#include "nodes/node_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vorafile::nodes {
namespace {

using test::TempDir;
namespace cfg = config_param;

class ObjectConfigTest : public ::testing::Test {
protected:
  void SetUp() override {
    parent_.SetFolder(dir_.folder());
    for (const char *file : {"pod.jpg", "border.jpg", "highlight.jpg", "a.jpg",
                             "b.bmp", "c.jpg", "page.htm", "halo.vrd"}) {
      dir_.write(file, "x");
    }
  }

  std::int64_t Read(const std::string &text) {
    node_ = std::make_unique<ObjectConfigNode>(&parent_, "config",
                                               dir_.file("Config0.pod"));
    return test::ReadSection(*node_, text).end;
  }

  std::string Written() { return test::WriteSection(*node_); }

  std::string Text(int id, int index = -1) {
    ParamValue value;
    return node_->GetParamValue(id, value, index) ? std::string(value.GetText())
                                                  : "<none>";
  }

  TempDir dir_;
  test::VersionParent parent_{3};
  std::unique_ptr<ObjectConfigNode> node_;
};

TEST_F(ObjectConfigTest, PodReadsEveryKeyAndWritesTheReadersLayout) {
  ASSERT_NE(Read("; a pod\n"
                 "\n"
                 "Version 1\n"
                 "ObjectType pod\n"
                 "Category Music\n"
                 "URL file://page.htm\n"
                 "Texture pod.jpg ? a tip\n"
                 "BorderTexture border.bmp\n"
                 "WindowSizeX 320\n"
                 "WindowSizeY 240\n"
                 "BorderSize 4\n"
                 "BorderScale 1.5\n"
                 "OffsetSize 2\n"
                 "WindowPosition Center\n"
                 "ScaleX 1\n"
                 "ScaleY 0.5\n"
                 "CenterOffset 1, 2,3\n"
                 "HighlightAnimation halo.vrd, 2, 5\n"
                 "HighLightTexture highlight.jpg\n"
                 "FlyOutAnimation missing.vrd,1,1\n"
                 "PickCycles 3\n"),
            kReadFailed);
  EXPECT_EQ(node_->GetConfigKind(), ObjectConfigNode::ConfigKind::Pod);
  // A missing .bmp whose .jpg exists is the .jpg.
  EXPECT_EQ(Text(cfg::kBorderTexture), dir_.file("border.jpg"));
  EXPECT_EQ(Text(cfg::kUrl), dir_.file("page.htm"));
  EXPECT_EQ(Text(cfg::kHighlightAnimation + 2), dir_.file("halo.vrd"));
  // An animation whose file is missing, and a key of orbs, add nothing.
  EXPECT_EQ(Text(cfg::kFlyOutAnimation + 2), "<none>");
  EXPECT_EQ(node_->GetParamAs<std::int32_t>(cfg::kPickCycles), std::nullopt);

  EXPECT_EQ(Written(), "Version\t1\n"
                       "ObjectType\tpod\n"
                       "Category\tMusic\n"
                       "URL\tfile://page.htm\n"
                       "Texture\tpod.jpg\n"
                       "BorderTexture\tborder.jpg\n"
                       "WindowSizeX\t320\n"
                       "WindowSizeY\t240\n"
                       "BorderSize\t4\n"
                       "BorderScale\t1.500000\n"
                       "OffsetSize\t2\n"
                       "WindowPosition\tCenter\n"
                       "ScaleX\t1.000000\n"
                       "ScaleY\t0.500000\n"
                       "CenterOffset\t1.000000,2.000000,3.000000\n"
                       "HighlightAnimation\thalo.vrd,2,5\n"
                       "HighLightTexture\thighlight.jpg\n");

  // What was written reads back to the same text.
  const std::string first = Written();
  ASSERT_NE(Read(first), kReadFailed);
  EXPECT_EQ(Written(), first);
}

TEST_F(ObjectConfigTest, PodLinks) {
  const struct {
    const char *line;
    std::string stored;
  } cases[] = {
      {"URL file://page.htm", dir_.file("page.htm")},
      // Outside the working folder or missing: text, never a file.
      {"URL file://../page.htm", "file://../page.htm"},
      {"URL file://none.htm", "file://none.htm"},
      {"URL http://example.invalid/a | the tip", "http://example.invalid/a"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_NE(Read(std::string("Version 1\nObjectType POD\n") + c.line + "\n"),
              kReadFailed);
    EXPECT_EQ(Text(cfg::kUrl), c.stored);
  }
}

// An orb takes one texture more than its "BannerCount" (or, before that
// line, one texture); an unknown object type reads nothing more.
TEST_F(ObjectConfigTest, ReadsThatFailAndTheOrbTextureBound) {
  auto textures = [](int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      text += "Texture a.jpg\n";
    }
    return text;
  };
  // Appended piece by piece: g++ 12 at -O3 warns wrongly (-Wrestrict)
  // about string + string + literal chains.
  auto orb = [&](std::string_view before, int count, std::string_view after) {
    std::string text = "Version 1\nObjectType ORB\n";
    text.append(before).append(textures(count)).append(after);
    return text;
  };
  const struct {
    const char *what;
    std::string text;
    bool reads;
  } cases[] = {
      {"no version line", "ObjectType POD\n", false},
      {"no object type", "Version 1\n", false},
      {"a missing pod texture", "Version 1\nObjectType POD\nTexture no.jpg\n",
       false},
      {"an empty texture name", "Version 1\nObjectType POD\nTexture ?x\n",
       false},
      {"a missing highlight texture",
       "Version 1\nObjectType ORB\nHighLightTexture no.jpg\n", false},
      {"a key twice", "Version 1\nObjectType POD\nBorderSize 1\nBorderSize 2\n",
       false},
      {"an unknown type", "Version 1\nObjectType BOX\nTexture no.jpg\n", true},
      {"as many as the count", orb("BannerCount 2\n", 2, ""), true},
      {"one more is taken", orb("BannerCount 2\n", 3, ""), true},
      {"two more fail", orb("BannerCount 2\n", 4, ""), false},
      {"no count yet: one", orb("", 1, "BannerCount 5\n"), true},
      {"no count yet: two fail", orb("", 2, "BannerCount 5\n"), false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Read(c.text) != kReadFailed, c.reads);
    EXPECT_EQ(node_->GetReadFailure() != std::nullopt, !c.reads);
  }
}

TEST_F(ObjectConfigTest, OrbTexturesWithAndWithoutLinks) {
  ASSERT_NE(Read("Version 1\n"
                 "ObjectType ORB\n"
                 "BannerCount 2\n"
                 "Texture a.jpg\n"
                 "URL http://a.invalid\n"
                 "Texture missing.jpg\n"
                 "URL http://dropped.invalid\n"
                 "Texture b.bmp\n"
                 "Category Tiles\n"
                 "Texture c.jpg\n"
                 "URL file://page.htm\n"
                 "Duration 2.5\n"),
            kReadFailed);
  // The missing texture takes no index, and its link goes with it.
  ASSERT_EQ(node_->GetTextures().GetCount(), 3u);
  EXPECT_EQ(Text(cfg::kTexture, 1), dir_.file("b.bmp"));
  EXPECT_EQ(Text(cfg::kUrl, 0), "http://a.invalid");
  // The line after a texture without link is read as usual; a later link
  // keeps its texture's index.
  EXPECT_EQ(Text(cfg::kCategory), "Tiles");
  EXPECT_EQ(Text(cfg::kUrl, 1), "");
  EXPECT_EQ(Text(cfg::kUrl, 2), dir_.file("page.htm"));
  EXPECT_EQ(node_->GetIndexedParamName(cfg::kTexture, 2), "Texture2");

  EXPECT_EQ(
      test::SubItemTexts(*node_),
      (std::vector<std::string>{
          "Texture0=" + dir_.file("a.jpg"), "Texture1=" + dir_.file("b.bmp"),
          "Texture2=" + dir_.file("c.jpg"), "URL0=http://a.invalid",
          "URL1=", "URL2=" + dir_.file("page.htm")}));

  const std::string written = Written();
  EXPECT_EQ(written, "Version\t1\n"
                     "ObjectType\tORB\n"
                     "Category\tTiles\n"
                     "BannerCount\t2\n"
                     "Texture\ta.jpg\n"
                     "URL\thttp://a.invalid\n"
                     "Texture\tb.bmp\n"
                     "URL\t\n"
                     "Texture\tc.jpg\n"
                     "URL\tfile://page.htm\n"
                     "Duration\t2.500000\n");
  ASSERT_NE(Read(written), kReadFailed);
  EXPECT_EQ(Written(), written);
}

TEST_F(ObjectConfigTest, PlainKindsKeepTexturesAsPlainParameters) {
  ASSERT_NE(Read("Version 1\nObjectType POD\nTexture pod.jpg\n"), kReadFailed);
  const char *other = "other";
  EXPECT_FALSE(node_->AddParam(cfg::kTexture, other, VORA_VALUE_STRING, 0));
  EXPECT_TRUE(node_->SetParam(cfg::kTexture, other, VORA_VALUE_STRING, 3));
  EXPECT_EQ(Text(cfg::kTexture), "other");
  EXPECT_EQ(node_->GetIndexedParamName(cfg::kTexture, 3), "Texture");
}

TEST_F(ObjectConfigTest, MacroObjectHoldsItsMacroEffects) {
  dir_.write("spin.vrm", "Version\t3\nNumMacros\t0\n\n");
  ASSERT_NE(Read("Version 1\n"
                 "ObjectType MACRO\n"
                 "Category ignored\n"
                 "HighLightTexture highlight.jpg\n"
                 "MacroEffect spin.vrm 2 Spin it\n"
                 "MacroEffect absent.vrm 1 Nothing\n"),
            kReadFailed);
  ASSERT_EQ(node_->GetChildCount(), 1);
  auto *macro = DynCast<MacroEffectNode>(node_->GetChild(0));
  ASSERT_NE(macro, nullptr);
  EXPECT_EQ(macro->GetTextParam(macro_param::kMacroFriendlyName), "Spin it");
  EXPECT_EQ(Written(), "Version\t1\n"
                       "ObjectType\tMACRO\n"
                       "HighLightTexture\thighlight.jpg\n"
                       "MacroEffect\tspin.vrm 2 Spin it\n");
}

TEST(ObjectConfigSharingTest, AnimationKeysShareADefinition) {
  const std::string ripple =
      "DefType\tRipple\nMaxInstance\t4\nNumPresets\t1\n" +
      std::string(79, '#') + "\nPreset\t0\n";
  struct Case {
    const char *name;
    const char *keys;
    bool sceneHoldsItAlready; // a deformation reference read it first
    int holdsOfThePod;        // the pod's counted holds of Ripple.vrd
  } const cases[] = {
      {"two keys, the same file in another case",
       "HighlightAnimation ripple.vrd,1,0\nOpeningAnimation RIPPLE.VRD,2,0\n",
       false, 2},
      {"one key, the scene's definition", "FlyOutAnimation Ripple.vrd,1,0\n",
       true, 1},
      {"three keys, the scene's definition",
       "HighlightAnimation ripple.vrd,1,0\nOpeningAnimation Ripple.vrd,1,0\n"
       "FlyOutAnimation RIPPLE.vrd,1,0\n",
       true, 3},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.write("Ripple.vrd", ripple);
    auto root = std::make_unique<SceneRoot>();
    root->SetFolder(dir.folder());
    root->SetScriptVersion(3);
    std::unique_ptr<DefRefNode> reference;
    if (c.sceneHoldsItAlready) {
      reference = std::make_unique<DefRefNode>(root.get(), "reference");
      ASSERT_EQ(reference->AttachDefinition("ripple.vrd"),
                DefRefNode::DefinitionResult::Attached);
    }
    auto pod = std::make_unique<ObjectConfigNode>(root.get(), "POD",
                                                  dir.file("Config0.pod"));
    StringSource in(std::string("Version 1\nObjectType POD\n") + c.keys);
    ASSERT_NE(pod->Read(&in, 0), kReadFailed);

    ASSERT_EQ(pod->GetChildCount(), c.holdsOfThePod);
    auto *definition = DynCast<DefFileNode>(pod->GetChild(0));
    ASSERT_NE(definition, nullptr);
    EXPECT_TRUE(definition->IsReadComplete());
    EXPECT_EQ(root->GetNodeIndex().FindByTypeAndOrdinal(VORA_NODE_DEF_FILE, 1),
              nullptr);
    EXPECT_EQ(definition->GetRefCount(),
              c.holdsOfThePod + (c.sceneHoldsItAlready ? 1 : 0));
    for (int i = 0; i < c.holdsOfThePod; ++i) {
      EXPECT_EQ(pod->GetChild(i), definition);
      EXPECT_EQ(pod->GetChildHold(i), SceneNode::ChildHold::Counted);
    }
    // Each key stores the one definition's node id.
    for (int key : {cfg::kHighlightAnimation, cfg::kOpeningAnimation,
                    cfg::kFlyOutAnimation}) {
      if (pod->GetTextParam(key + 2)) {
        EXPECT_EQ(pod->GetParamAs<std::int32_t>(key + 1),
                  definition->GetNodeId());
      }
    }

    // The pod goes first: a definition still held stays in the scene; the
    // last holder destroys it (LeakSanitizer checks the node itself).
    pod.reset();
    if (reference != nullptr) {
      EXPECT_EQ(definition->GetRefCount(), 1);
      EXPECT_EQ(definition->GetRoot(), root.get());
      reference.reset();
    }
    EXPECT_EQ(root->GetNodeIndex().FindByTypeAndOrdinal(VORA_NODE_DEF_FILE, 0),
              nullptr);
  }
}

} // namespace
} // namespace vorafile::nodes
