#include "nodes/content/object_node.h"

#include "document/scene_root.h"
#include "nodes/content/object_config_node.h"
#include "nodes/core/param_ids.h"
#include "nodes/effects/def_ref_node.h"
#include "nodes/node_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vorafile::nodes {
namespace {

using test::TempDir;

const std::string kWaveDefinition =
    "DefType\tRipple\nMaxInstance\t4\nNumPresets\t1\n" + std::string(79, '#') +
    "\nPreset\t0\n";

// A version-3 section as a scene gives it after its "OName" line, with the
// next object's "OName" line behind it.
const std::string kVersion3Section = "visible 1\n"
                                     "; a comment between the keys\n"
                                     "NumMorphs 2\n"
                                     "OType 2\n"
                                     "EnableEnvMap 0\n"
                                     "EnableTexture 1\n"
                                     "EnableLighting 1\n"
                                     "EnableWireFrame 0\n"
                                     "EnableDecimation 0\n"
                                     "EnableTexSwap 1\n"
                                     "OPos 1 2 3\n"
                                     "OAng 0 90 0\n"
                                     "OSize 1 1 1\n"
                                     "DefScale 0.5\n"
                                     "TName Sky.jpg\n"
                                     "T2Name  Sky.bmp \\ the rest is no name\n"
                                     "T2ScaleTransRotate 1 2 0.5 0.25 45\n"
                                     "TColor 255 128 0 511\n"
                                     "SpecCol 10 20 30 40\n"
                                     "Gloss 8\n"
                                     "Culling Back\n"
                                     "NumDefs 1\n"
                                     "VroFile \"cube.vro\"\n"
                                     "VroFile ball.vro ; the second morph\n"
                                     "Olink 0\n"
                                     "DefName Wobble\n"
                                     "DefBand 3\n"
                                     "DefVrd Wave.vrd\n"
                                     "DefPreset 0\n"
                                     "OName Next\n";

const std::string kVersion3Written =
    "OName\tRock\n"
    "Visible\t1\n"
    "NumMorphs\t2\n"
    "OType\t2\n"
    "EnableEnvMap\t0\n"
    "EnableTexture\t1\n"
    "EnableLighting\t1\n"
    "EnableWireFrame\t0\n"
    "EnableDecimation\t0\n"
    "EnableTexSwap\t1\n"
    "OPos\t1.000000 2.000000 3.000000\n"
    "OAng\t0.000000 90.000000 0.000000\n"
    "OSize\t1.000000 1.000000 1.000000\n"
    "DefScale\t0.500000\n"
    "TName\tSky.bmp\n"
    "T2Name\tSky.bmp\n"
    "T2ScaleTransRotate\t1.000000 2.000000 0.500000 0.250000 45.000000\n"
    "TColor\t255 128 0 255\n"
    "SpecCol\t10 20 30 40\n"
    "Gloss\t8\n"
    "Culling\tBack\n"
    "NumDefs\t1\n"
    "VroFile\tcube.vro\n"
    "VroFile\tball.vro\n"
    "Olink\t0\n"
    "DefName\tWobble\n"
    "DefBand\t3\n"
    "DefVrd\tWave.vrd\n"
    "DefPreset\t0\n";

class ObjectNodeTest : public ::testing::Test {
protected:
  void SetUp() override {
    root_->SetFolder(dir_.folder());
    root_->SetScriptVersion(3);
    for (const char *file : {"Sky.bmp", "cube.vro", "ball.vro", "cone.vro"}) {
      dir_.write(file, "x");
    }
    dir_.write("Wave.vrd", kWaveDefinition);
  }

  ObjectNode &MakeObject(std::string_view name = "Rock") {
    objects_.push_back(std::make_unique<ObjectNode>(root_.get(), name));
    return *objects_.back();
  }

  static std::int64_t Read(ObjectNode &node, const std::string &text,
                           bool skipTextureCheck = false) {
    StringSource in(text);
    return node.Read(&in, 0, skipTextureCheck);
  }

  static std::string Written(ObjectNode &node) {
    return test::WriteSection(node);
  }

  // The 1-based line of the read failure; 0 when there is none.
  static int FailedLine(const ObjectNode &node, const std::string &text) {
    const auto &failure = node.GetReadFailure();
    if (!failure || failure->position < 0) {
      return 0;
    }
    return 1 +
           static_cast<int>(std::count(
               text.begin(),
               text.begin() + static_cast<std::ptrdiff_t>(failure->position),
               '\n'));
  }

  TempDir dir_;
  std::unique_ptr<SceneRoot> root_ = std::make_unique<SceneRoot>();
  // Declared after the root: destroyed before it, as its children would be.
  std::vector<std::unique_ptr<ObjectNode>> objects_;
};

TEST_F(ObjectNodeTest, Version3SectionReadsWritesAndReadsBack) {
  ObjectNode &rock = MakeObject();
  EXPECT_EQ(Read(rock, kVersion3Section),
            static_cast<std::int64_t>(kVersion3Section.find("OName")))
      << (rock.GetReadFailure() ? rock.GetReadFailure()->reason : "");
  EXPECT_EQ(rock.GetTextParam(param::kTName), dir_.file("Sky.bmp"));
  EXPECT_EQ(rock.GetParamAs<std::int32_t>(param::kOType), 2);
  EXPECT_EQ(rock.GetParamAs<float>(param::kT2Rotate), 45.0f);
  const DefRefNode *wobble =
      DynCast<DefRefNode>(rock.FindChild(SceneNode::Kind::DefRef, 0));
  ASSERT_NE(wobble, nullptr);
  EXPECT_EQ(wobble->GetName(), "DeformationNode0");
  EXPECT_EQ(wobble->GetTextParam(param::kName), "Wobble");
  EXPECT_EQ(Written(rock), kVersion3Written);

  ObjectNode &again = MakeObject();
  const std::string text = kVersion3Written.substr(
      kVersion3Written.find('\n') + 1); // the scene reader takes "OName"
  EXPECT_EQ(Read(again, text), static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(Written(again), kVersion3Written);
}

TEST_F(ObjectNodeTest, Version2SectionReadsAndWritesItsFixedPlacement) {
  root_->SetScriptVersion(2);
  const std::string section = "; object 0\n"
                              "Rock\n"
                              "2\n"
                              "1\n"
                              "1 2 3\n"
                              "10 20 30\n"
                              "1 1 1\n"
                              "0.5\n"
                              "Sky.jpg;old texture\n"
                              "255 128.9 0 256.7\n"
                              "0 0 0 0\n"
                              "8\n"
                              "1\n"
                              "RARUZ.VRO\n"
                              "; the second morph\n"
                              "cube.vro\n"
                              "0\n1\n0\n0\nWave.vrd\nWobble\n2\n"
                              "NextObject\n";
  ObjectNode &rock = MakeObject("ObjectNode0");
  EXPECT_EQ(Read(rock, section),
            static_cast<std::int64_t>(section.find("NextObject")));
  EXPECT_EQ(rock.GetTextParam(param::kName), "Rock");
  EXPECT_EQ(rock.GetParamAs<std::uint8_t>(param::kVisible), 1);
  // Type 1: the position's third component is 0, the angle line gives the
  // third component first.
  EXPECT_EQ(rock.GetParamAs<Vector>(param::kOPos), (Vector{{1, 2, 0}}));
  EXPECT_EQ(rock.GetParamAs<Vector>(param::kOAng), (Vector{{20, 30, 10}}));
  EXPECT_EQ(rock.GetTextParam(param::kTName), dir_.file("Sky.bmp"));
  ParamValue first;
  ASSERT_TRUE(rock.GetParamValue(param::kVro0, first, 0));
  EXPECT_EQ(first.GetText(), dir_.file("defhydracreate.vrd"));

  EXPECT_EQ(Written(rock), "Rock\n2\n1\n"
                           "0.000000 -1.700000 1.000000\n"
                           "0.000000 -90.000000 0.000000\n"
                           "1.000000 1.000000 1.000000\n"
                           "0.500000\n"
                           "Sky.bmp\n"
                           "255 128 0 0\n"
                           "0 0 0 0\n"
                           "8\n1\n"
                           "raruz.vro\n"
                           "cube.vro\n"
                           "0\n1\n0\n0\nWave.vrd\nWobble\n2\n");
}

// The texture check switch skips only the texture's existence test. Object
// files must be there, as a saved scene's reader asks for them (but for the
// built-in deformation, which is no file). Values out of the ranges that
// version 3 checks fail as they do there: a saved scene could not be read.
TEST_F(ObjectNodeTest, Version2ValuesAndFilesAreChecked) {
  root_->SetScriptVersion(2);
  dir_.write("Rock.jpg", "j");
  struct Case {
    const char *what;
    const char *type;
    const char *scale;
    const char *texture;
    const char *file;
    bool skipTextureCheck;
    int failedLine; // 0: the read succeeds
  } const cases[] = {
      {"a missing texture, unchecked", "0", "1", "Missing.jpg", "cube.vro",
       true, 0},
      {"a missing texture", "0", "1", "Missing.jpg", "cube.vro", false, 8},
      {"a texture outside the folder, unchecked", "0", "1", "/etc/x",
       "cube.vro", true, 8},
      {"a missing object file", "0", "1", "Rock.jpg", "gone.vro", false, 13},
      {"the built-in deformation", "0", "1", "Rock.jpg", "Raruz.vro", false, 0},
      {"the last object type", "2", "0", "Rock.jpg", "cube.vro", false, 0},
      {"an object type beyond 2", "3", "1", "Rock.jpg", "cube.vro", false, 3},
      {"a negative object type", "-1", "1", "Rock.jpg", "cube.vro", false, 3},
      {"a negative scale", "0", "-0.5", "Rock.jpg", "cube.vro", false, 7},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text = std::string("Rock\n1\n") + c.type +
                             "\n0 0 0\n0 0 0\n1 1 1\n" + c.scale + "\n" +
                             c.texture + "\n0 0 0 0\n0 0 0 0\n0\n0\n" + c.file +
                             "\n";
    ObjectNode &node = MakeObject("ObjectNode0");
    EXPECT_EQ(Read(node, text, c.skipTextureCheck) == kReadFailed,
              c.failedLine != 0);
    EXPECT_EQ(FailedLine(node, text), c.failedLine);
    if (c.failedLine == 0) {
      EXPECT_EQ(node.GetTextParam(param::kTName), dir_.file(c.texture));
    }
  }
}

TEST_F(ObjectNodeTest, Version3FaultsFailAtTheirLine) {
  struct Case {
    const char *name;
    std::string text;
    int failedLine;
  } const cases[] = {
      {"a flag of 2", "OType 0\nVisible 2\n", 2},
      {"a type beyond 2", "OType 3\n", 1},
      {"a negative count", "NumMorphs -1\n", 1},
      {"a negative scale", "DefScale -0.5\n", 1},
      {"a colour of three numbers", "TColor 1 2 3\n", 1},
      {"a transform of four numbers", "T2ScaleTransRotate 1 2 3 4\n", 1},
      {"a missing texture", "TName Sea.jpg\n", 1},
      {"a texture that climbs out", "TName ../x.jpg\n", 1},
      {"an absolute texture", "T2Name /etc/x\n", 1},
      {"an object file on a drive", "NumMorphs 1\nVroFile C:\\x.vro\n", 2},
      {"an object file that climbs out", "NumMorphs 1\nVroFile ../cube.vro\n",
       2},
      {"a missing object file", "NumMorphs 1\nVroFile sphere.vro\n", 2},
      {"two object files beyond the count",
       "NumMorphs 2\nVroFile cube.vro\nVroFile ball.vro\nVroFile "
       "cone.vro\nVroFile cube.vro\n",
       5},
      {"a link without its line", "Olink 1\n", 1},
      {"a hot-spot file that climbs out", "Olink 1\nObjSite ../hot.pod\n", 2},
      {"two deformations beyond the count",
       "NumDefs 0\nDefName A\nDefVrd Wave.vrd\nDefName B\n", 4},
      {"a deformation without its definition",
       "NumDefs 1\nDefName A\nDefVrd Gone.vrd\n", 3},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ObjectNode &node = MakeObject();
    EXPECT_EQ(Read(node, c.text), kReadFailed);
    EXPECT_EQ(FailedLine(node, c.text), c.failedLine);
    ASSERT_TRUE(node.GetReadFailure());
    EXPECT_FALSE(node.GetReadFailure()->reason.empty());
  }
}

TEST_F(ObjectNodeTest, ObjectFileOneBeyondTheCountIsWrittenWithItsCount) {
  ObjectNode &node = MakeObject();
  const std::string text =
      "NumMorphs 2\nVroFile cube.vro\nVroFile ball.vro\nVroFile cone.vro\n";
  EXPECT_NE(Read(node, text), kReadFailed);
  EXPECT_EQ(node.GetList().GetCount(), 3u);
  EXPECT_EQ(node.GetParamAs<std::int32_t>(param::kNumMorphs), 3);
  EXPECT_EQ(Written(node), "OName\tRock\nNumMorphs\t3\n"
                           "VroFile\tcube.vro\nVroFile\tball.vro\n"
                           "VroFile\tcone.vro\n");
}

TEST_F(ObjectNodeTest, SectionEndIsTheRecordedLineStartWithLfAndCrLf) {
  struct Case {
    const char *name;
    std::string text;
    std::string endsBefore; // "" for the end of the text
  } const cases[] = {
      {"LF, ends at the end", "Visible 1\nOType 1\n", ""},
      {"CRLF, ends at the end", "Visible 1\r\nOType 1\r\n", ""},
      {"CRLF, no final line break", "Visible 1\r\nOType 1", ""},
      {"CRLF, blank and comment lines last", "OType 1\r\n\r\n; end\r\n", ""},
      {"LF, ends at another key", "OType 1\nOName B\n", "OName"},
      {"CRLF, ends at another key", "OType 1\r\nOName B\r\n", "OName"},
      {"CRLF, ends behind a deformation",
       "NumDefs 1\r\nDefName A\r\nDefVrd Wave.vrd\r\nCamera 1\r\n", "Camera"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ObjectNode &node = MakeObject();
    const std::size_t end =
        c.endsBefore.empty() ? c.text.size() : c.text.find(c.endsBefore);
    EXPECT_EQ(Read(node, c.text), static_cast<std::int64_t>(end));
  }
}

TEST_F(ObjectNodeTest, HotSpotFileIsReadAndWrittenBack) {
  dir_.write("hot.pod", "Version 1\r\nObjectType POD\r\nCategory Music\r\n");
  ObjectNode &node = MakeObject();
  ASSERT_NE(Read(node, "Olink 1\nObjSite hot.pod\n"), kReadFailed);
  EXPECT_EQ(node.GetTextParam(param::kObjSite), dir_.file("hot.pod"));
  const SceneNode *hotSpot = node.FindChild(SceneNode::Kind::ObjectConfig, 0);
  ASSERT_NE(hotSpot, nullptr);
  EXPECT_EQ(hotSpot->GetName(), "HotNode");
  EXPECT_EQ(
      root_->GetNodeIndex().FindByTypeAndOrdinal(VORA_NODE_OBJECT_CONFIG, 0),
      hotSpot);

  std::filesystem::remove(dir_.file("hot.pod"));
  EXPECT_EQ(Written(node), "OName\tRock\nOlink\t1\nObjSite\thot.pod\n");
  EXPECT_EQ(dir_.read("hot.pod"),
            "Version\t1\nObjectType\tPOD\nCategory\tMusic\n");
}

TEST_F(ObjectNodeTest, HotSpotThatDoesNotOpenLeavesNoNode) {
  std::filesystem::create_directory(dir_.file("hot.pod"));
  ObjectNode &node = MakeObject();
  EXPECT_NE(Read(node, "Olink 1\nObjSite hot.pod\nOType 1\n"), kReadFailed);
  EXPECT_EQ(node.GetParamAs<std::int32_t>(param::kOType), 1);
  EXPECT_EQ(node.FindChild(SceneNode::Kind::ObjectConfig, 0), nullptr);
  EXPECT_EQ(
      root_->GetNodeIndex().FindByTypeAndOrdinal(VORA_NODE_OBJECT_CONFIG, 0),
      nullptr);
}

TEST_F(ObjectNodeTest, HostNamesIndexOnlyTheObjectFiles) {
  ObjectNode &node = MakeObject();
  ASSERT_NE(Read(node, "NumMorphs 2\nVroFile cube.vro\nVroFile ball.vro\n"),
            kReadFailed);
  EXPECT_EQ(node.GetIndexedParamName(param::kVro0, 1), "Vro01");
  EXPECT_EQ(node.GetIndexedParamName(param::kOPos, 1), "OPos");

  EXPECT_EQ(test::SubItemTexts(node),
            (std::vector<std::string>{"Vro00=" + dir_.file("cube.vro"),
                                      "Vro01=" + dir_.file("ball.vro")}));
}

} // namespace
} // namespace vorafile::nodes
