// The scene script's object lines: sections, links between objects, texture
// settings and the messages' parent object, in both script versions.
#include "document/scene_root.h"
#include "nodes/core/param_ids.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

namespace vorafile {
namespace {

using nodes::SceneNode;
namespace param = nodes::param;

class ObjectSceneTest : public test::SceneFolderTest {
protected:
  void SetUp() override {
    for (const char *file : {"car.vro", "wheel.vro", "sky.bmp"}) {
      dir_.write(file, "x");
    }
    dir_.write("text.ini", "[General]\nNumMsgs=0\n");
  }

  SceneNode *Object(const char *name) {
    return Root().FindDescendantByTextParam(SceneNode::Kind::Object,
                                            param::kName, name);
  }
};

constexpr const char *kVersion3Objects = "Version 3\n"
                                         "NumObjects 2\n"
                                         "MsgIni text.ini\n"
                                         "OName car\n"
                                         "NumMorphs 1\n"
                                         "TName sky.jpg\n"
                                         "VroFile car.vro\n"
                                         "OName wheel\n"
                                         "NumMorphs 1\n"
                                         "VroFile wheel.vro\n"
                                         "TextDeform Parent CAR\n"
                                         "ParentChildLink car wheel\n"
                                         "TextureSettings Set wheel 1 2 3 4\n"
                                         "TextureSettings Nil car\n";

TEST_F(ObjectSceneTest, Version3LinesSurviveASave) {
  ASSERT_TRUE(Opens(kVersion3Objects));
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    SceneNode *car = Object("car");
    SceneNode *wheel = Object("wheel");
    ASSERT_NE(car, nullptr);
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(car->GetName(), "car");
    EXPECT_EQ(car->GetTextParam(param::kTName), dir_.file("sky.bmp"));
    EXPECT_EQ(wheel->GetTextParam(param::kParent), "car");
    EXPECT_EQ(car->GetTextParam(param::kParent), std::nullopt);
    EXPECT_EQ(wheel->GetParamAs<nodes::FloatQuad>(param::kTextureSettings),
              (nodes::FloatQuad{{1, 2, 3, 4}}));
    EXPECT_EQ(car->GetParamSize(param::kTextureSettings),
              nodes::kParamSizeAbsent);
    SceneNode *messages = Root().FindChild(SceneNode::Kind::Message, 0);
    ASSERT_NE(messages, nullptr);
    EXPECT_EQ(messages->GetTextParam(param::kParent), "car");
    if (pass == 0) {
      const std::string saved = SaveAndReopen();
      for (const char *line :
           {"\nOName\tcar\n", "\nTName\tsky.bmp\n", "\nVroFile\twheel.vro\n",
            "\nTextDeform Parent car\n", "\nParentChildLink\tcar wheel\n",
            "\nTextureSettings Set wheel 1.000000 2.000000 3.000000 "
            "4.000000\n"}) {
        EXPECT_NE(saved.find(line), std::string::npos) << line << saved;
      }
    }
  }
}

TEST_F(ObjectSceneTest, Version3LinesMustNameObjects) {
  struct Case {
    const char *lines;
    const char *reason;
  };
  const Case cases[] = {
      {"ParentChildLink car nobody\n", "no object \"nobody\""},
      {"TextureSettings Set nobody 1 2 3 4\n", "no object \"nobody\""},
      {"TextureSettings Nil nobody\n", "no object \"nobody\""},
      {"TextureSettings Set car 1 2\n", "expected four numbers"},
      {"ParentChildLink car car\nParentChildLink car car\n",
       "the object \"car\" has this setting already"},
      // One object more than declared is taken, two are not.
      {"OName b\nOName c\n", "more objects than \"NumObjects\" declares (1)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.lines);
    EXPECT_FALSE(OpenScript(std::string("Version 3\nNumObjects 1\n"
                                        "OName car\n") +
                            c.lines));
    EXPECT_EQ(document_.GetOpenProblem().reason, c.reason);
  }
  EXPECT_TRUE(Opens("Version 3\nNumObjects 1\nOName a\nOName b\n"));
}

// An object's keyword that stopped the read after another section must not
// join the last object when the saved script is read again.
TEST_F(ObjectSceneTest, UnreadObjectLinesStayOutOfTheLastObject) {
  for (const char *stop : {"Gloss 8\n", "DefBand 1\n"}) {
    SCOPED_TRACE(stop);
    ASSERT_TRUE(Opens(std::string("Version 3\nNumObjects 1\nOName car\n"
                                  "VroFile car.vro\nBrightness 0.5\n") +
                      stop + "Culling back\n"));
    EXPECT_EQ(document_.GetRoot()->GetUnreadTail(),
              std::string(stop) + "Culling back\n");
    const std::string saved = SaveAndReopen();
    EXPECT_NE(saved.find("VroFile\tcar.vro\nMacroEffect\n" + std::string(stop)),
              std::string::npos)
        << saved;
    ASSERT_NE(Object("car"), nullptr);
    EXPECT_EQ(Object("car")->GetParamSize(param::kGloss),
              nodes::kParamSizeAbsent);
    EXPECT_EQ(Object("car")->GetChildCount(), 0);
    EXPECT_EQ(SaveAndReopen(), saved);
  }
}

// A version-2 script's fixed values for `objects` objects, without bands.
std::string Version2Head(int objects) {
  return test::Version2Values(objects) + "0\n" + test::kVersion2Message +
         "lock.mp3\n";
}

// A version-2 object section with one object file and no deformation.
std::string Version2Object(const char *name, const char *file) {
  return std::string(name) +
         "\n1\n0\n1 2 3\n4 5 6\n1 1 1\n0.5\nsky.jpg\n"
         "255 128 0 255\n0 0 0 255\n8\n0\n" +
         file + "\n";
}

TEST_F(ObjectSceneTest, Version2ObjectsAndTheirLines) {
  const std::string script = Version2Head(2) +
                             Version2Object("car", "car.vro") +
                             Version2Object("wheel", "RARUZ.VRO") +
                             "Culling wheel back\n"
                             "Culling nobody front\n"
                             "ParentChildLink car wheel\n"
                             "ParentChildLink car nobody\n"
                             "TextureSettings Set wheel 0.5 0.25\n"
                             "TextureSettings Set nobody 1 1 1 1\n"
                             "TextDeform Parent wheel\n";
  ASSERT_TRUE(Opens(script, SceneDocument::kDeliveredScript));
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    SceneNode *car = Object("car");
    SceneNode *wheel = Object("wheel");
    ASSERT_NE(car, nullptr);
    ASSERT_NE(wheel, nullptr);
    // Version 2 names the nodes by their place; version 3 by the object.
    EXPECT_EQ(car->GetName(), pass == 0 ? "ObjectNode0" : "car");
    EXPECT_EQ(wheel->GetTextParam(param::kCulling), "back");
    EXPECT_EQ(wheel->GetTextParam(param::kParent), "car");
    EXPECT_EQ(wheel->GetParamAs<nodes::FloatQuad>(param::kTextureSettings),
              (nodes::FloatQuad{{0.5f, 0.25f, 0, 0}}));
    EXPECT_EQ(car->GetTextParam(param::kVro0), std::nullopt);
    nodes::ParamValue file;
    ASSERT_TRUE(wheel->GetParamValue(param::kVro0, file, 0));
    // The built-in deformation, no file of the folder, reads back too.
    EXPECT_EQ(file, nodes::ParamValue(dir_.file("defhydracreate.vrd")));
    EXPECT_EQ(Root()
                  .FindChild(SceneNode::Kind::Message, 0)
                  ->GetTextParam(param::kParent),
              "wheel");
    if (pass == 0) {
      (void)SaveAndReopen();
    }
  }
}

TEST_F(ObjectSceneTest, Version2TexturesAreNotNeededWhileMigrating) {
  const std::string script = Version2Head(1) + Version2Object("car", "car.vro");
  std::filesystem::remove(dir_.file("sky.bmp"));
  EXPECT_FALSE(OpenScript(script, SceneDocument::kDeliveredScript));
  EXPECT_EQ(document_.GetOpenProblem().line, 26) << Problem(); // sky.jpg
  dir_.write(SceneDocument::kMigrationList, "1\n7\n");
  EXPECT_TRUE(Opens(script, SceneDocument::kDeliveredScript));
}

} // namespace
} // namespace vorafile
