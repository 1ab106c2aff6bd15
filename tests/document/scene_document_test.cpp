#include "document/scene_document.h"

#include "nodes/content/intro_node.h"
#include "scene_fixture.h"

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
    ASSERT_TRUE(OpenScript("Version 3\nBrightness 0.5\nLights 3\n"))
        << document_.GetOpenProblem().Describe();
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

TEST_F(SceneDocumentTest, MigrationMergesTheOldList) {
  dir_.write("vora_.rudov", "1\n"
                            "2\n" // layout
                            "\n"
                            "0.75\n" // Brightness
                            "\n"
                            "4.5\n" // Responsivness
                            "\n"
                            "35\n" // style: bits 0, 1 and 5
                            "2\n"  // entries
                            "\n\n\n\n\n\n\n\n\n\n"
                            "a.bmp\n255\n65280\n3.9\n"
                            "b.bmp\n0\n0\n-1\n");
  dir_.write("vora.vrc", "Version 3\nBrightness 0.5\nResponsivness 1\n"
                         "Style 0\n");
  ASSERT_TRUE(document_.Open(dir_.folder()))
      << document_.GetOpenProblem().Describe();
  EXPECT_EQ(RootParam<float>(3), 0.75f);
  EXPECT_EQ(RootParam<float>(222), 4.5f);
  EXPECT_EQ(document_.MergeMigrationList(), 2);

  dir_.write("vora_.rudov", "1\n2\n");
  EXPECT_FALSE(document_.Open(dir_.folder()));
  dir_.write("vora_.rudov", "1\n2\n\n\n\n\n\n\n0\n");
  EXPECT_FALSE(document_.Open(dir_.folder()));
}

TEST(SceneDocumentMigrationTest, LayoutsChooseTheReceivingObjects) {
  using Ordinals = std::vector<int>;
  EXPECT_EQ(SceneDocument::MigrationOrdinals(1, 0, 3), Ordinals{1});
  EXPECT_EQ(SceneDocument::MigrationOrdinals(1, 1, 3), Ordinals{2});
  EXPECT_EQ(SceneDocument::MigrationOrdinals(1, 2, 3), Ordinals{0});
  for (int layout : {2, 5, 7})
    EXPECT_EQ(SceneDocument::MigrationOrdinals(layout, 4, 6), Ordinals{4});
  EXPECT_EQ(SceneDocument::MigrationOrdinals(3, 0, 5), (Ordinals{0, 6}));
  EXPECT_EQ(SceneDocument::MigrationOrdinals(3, 4, 5), (Ordinals{3, 4, 5}));
  EXPECT_EQ(SceneDocument::MigrationOrdinals(3, 5, 6), Ordinals{});
  EXPECT_EQ(SceneDocument::MigrationOrdinals(4, 0, 4), Ordinals{3});
  EXPECT_EQ(SceneDocument::MigrationOrdinals(4, 2, 4), Ordinals{1});
  EXPECT_EQ(SceneDocument::MigrationOrdinals(6, 1, 3), (Ordinals{0, 1, 3, 4}));
  EXPECT_EQ(SceneDocument::MigrationOrdinals(8, 4, 5),
            (Ordinals{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(SceneDocument::MigrationOrdinals(9, 0, 1), Ordinals{});
}

} // namespace
} // namespace vorafile
