#include "document/scene_document.h"

#include "nodes/content/intro_node.h"
#include "scene_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vorafile {
namespace {

using nodes::SceneNode;
using test::SceneFolderTest;

constexpr NodePath kEnd = {VORA_NODE_END, 0};

class SceneDocumentTest : public SceneFolderTest {
protected:
  void SetUp() override {
    ASSERT_TRUE(Opens("Version 3\nBrightness 0.5\nLights 3\n"));
  }
  SceneNode &Intro() { return *Root().FindChild(SceneNode::Kind::Intro, 0); }
};

TEST_F(SceneDocumentTest, FindsNodesEveryWay) {
  SceneNode *intro = &Intro();
  EXPECT_EQ(document_.FindByTypeAndOrdinal(VORA_NODE_SCENE_ROOT, 0), &Root());
  EXPECT_EQ(document_.FindByTypeAndOrdinal(VORA_NODE_INTRO, 0), intro);
  EXPECT_EQ(document_.FindByTypeAndOrdinal(VORA_NODE_INTRO, 1), nullptr);
  EXPECT_EQ(document_.FindByTypeAndOrdinal(VORA_NODE_INTRO, -1), nullptr);
  EXPECT_EQ(document_.FindById(0), &Root());
  EXPECT_EQ(document_.FindById(intro->GetNodeId()), intro);
  EXPECT_EQ(document_.FindById(99), nullptr);

  const NodePath toIntro[] = {{VORA_NODE_INTRO, 0}, kEnd};
  const NodePath toNothing[] = {{VORA_NODE_INTRO, 1}, kEnd};
  EXPECT_EQ(document_.FindByPath(toIntro), intro);
  EXPECT_EQ(document_.FindByPath(toNothing), nullptr);
  EXPECT_EQ(document_.FindByPath(&kEnd), &Root());
  EXPECT_EQ(document_.FindByIdAndPath(intro->GetNodeId(), &kEnd), intro);
  EXPECT_EQ(document_.FindByIdAndPath(0, toIntro), intro);
  EXPECT_EQ(document_.FindByIdAndPath(42, &kEnd), nullptr);
}

TEST_F(SceneDocumentTest, LateNodesAreFoundByTypeButNotById) {
  ASSERT_NE(document_.FindById(0), nullptr); // the row count is taken now
  auto *late =
      Root().AddChild(std::make_unique<nodes::IntroNode>(&Root(), "late"));
  EXPECT_EQ(document_.FindByTypeAndOrdinal(VORA_NODE_INTRO, 1), late);
  EXPECT_EQ(document_.FindById(late->GetNodeId()), nullptr);
}

// The checks every write goes through, host or migration.
TEST_F(SceneDocumentTest, CheckedWritesKeepTypeAndSize) {
  const float brighter = 0.9f;
  const std::int32_t number = 1;
  const char title[] = "a title of any length";
  struct Case {
    const char *what;
    int id;
    const void *source;
    std::uint32_t code;
    std::uint32_t size;
    bool written;
  } cases[] = {
      {"same type and size", 3, &brighter, VORA_VALUE_FLOAT, 4, true},
      {"another type", 3, &number, VORA_VALUE_INT, 4, false},
      {"another size", 3, &brighter, VORA_VALUE_FLOAT, 8, false},
      {"no value", 3, nullptr, VORA_VALUE_FLOAT, 4, false},
      {"fewer bytes than the type", 4322, &brighter, VORA_VALUE_COLOR, 4,
       false},
      {"a new id is added", 4321, &number, VORA_VALUE_INT, 4, true},
      {"a text of another length", 160, title, VORA_VALUE_STRING, 1, true},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(SceneDocument::WriteParamChecked(Root(), c.id, c.source, c.code,
                                               c.size),
              c.written)
        << c.what;
  }
  EXPECT_EQ(RootParam<float>(3), 0.9f);
  EXPECT_EQ(RootParam<std::int32_t>(4321), 1);
  EXPECT_EQ(RootParam<std::string>(160), title);
  EXPECT_FALSE(RootParam<nodes::Color>(4322));
}

TEST(SceneOpenTest, FailuresSayWhatAndWhere) {
  test::TempDir dir;
  SceneDocument document;
  const SceneOpenResult none = document.Open(dir.folder());
  EXPECT_EQ(none.status, SceneOpenStatus::NoScript);
  EXPECT_EQ(none.file, dir.folder());

  dir.write("intro.ini", "");
  dir.write("vora.vrc", "Version 3\n; comment\nMsgOn 2\n");
  const SceneOpenResult rejected = document.Open(dir.folder());
  EXPECT_EQ(rejected.status, SceneOpenStatus::ScriptRejected);
  EXPECT_EQ(rejected.file, dir.file("vora.vrc"));
  EXPECT_EQ(rejected.line, 3);
  EXPECT_EQ(rejected.keyword, "MsgOn");
  EXPECT_EQ(rejected.Describe(),
            dir.file("vora.vrc") + ":3: MsgOn: " + rejected.reason);
  EXPECT_EQ(document.GetOpenProblem().status, SceneOpenStatus::ScriptRejected);

  dir.write("vora.vrc", "Version 3\n");
  EXPECT_EQ(document.Open(dir.folder()).status, SceneOpenStatus::Ok);
  EXPECT_EQ(document.GetOpenProblem().Describe(), "");
}

TEST(SceneOpenTest, DescriptionsLeaveOutWhatIsUnknown) {
  EXPECT_EQ(DescribeFailure("a.vrc", 3, "Lights", "expected a number"),
            "a.vrc:3: Lights: expected a number");
  EXPECT_EQ(DescribeFailure("a.vrc", 0, "", "cannot open"),
            "a.vrc: cannot open");
  EXPECT_EQ(DescribeFailure("", 0, "Lights", "bad"), "Lights: bad");
  EXPECT_EQ(DescribeFailure("", 0, "", ""), "");
}

} // namespace
} // namespace vorafile
