#include "document/scene_document.h"

#include "document/node_info_block.h"
#include "host/message_dispatcher.h"
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

TEST_F(SceneDocumentTest, ReadParamNegotiatesTheSize) {
  ParamQuery query{};
  query.id = 3; // Brightness
  query.extra = -1;
  float value = 0;
  query.data = &value;
  query.size = 2;
  EXPECT_FALSE(SceneDocument::ReadParam(Root(), query));
  EXPECT_EQ(query.size, 4u);
  EXPECT_EQ(query.valueType, static_cast<std::uint32_t>(VORA_VALUE_FLOAT));
  EXPECT_STREQ(query.text, "Brightness");
  ASSERT_TRUE(SceneDocument::ReadParam(Root(), query));
  EXPECT_EQ(value, 0.5f);

  // Texts: size 0 reports the length plus one; a null buffer fails with
  // the size too.
  ParamQuery text{};
  text.id = 160; // Name
  text.extra = -1;
  EXPECT_FALSE(SceneDocument::ReadParam(Root(), text));
  EXPECT_EQ(text.size, std::strlen("Unknown") + 1);
  EXPECT_FALSE(SceneDocument::ReadParam(Root(), text)); // data still null
  char name[16] = {};
  text.data = name;
  text.size = sizeof name;
  ASSERT_TRUE(SceneDocument::ReadParam(Root(), text));
  EXPECT_STREQ(name, "Unknown");
  EXPECT_EQ(text.size, 8u);

  ParamQuery missing{};
  missing.id = 999;
  missing.extra = -1;
  missing.data = name;
  missing.size = sizeof name;
  EXPECT_FALSE(SceneDocument::ReadParam(Root(), missing));
}

TEST_F(SceneDocumentTest, WriteParamChecksTypeAndSize) {
  ParamQuery query{};
  query.id = 3;
  query.extra = -1;
  float brighter = 0.9f;
  query.data = &brighter;
  query.valueType = VORA_VALUE_FLOAT;
  query.size = 4;
  ASSERT_TRUE(SceneDocument::WriteParam(Root(), query));
  EXPECT_EQ(RootParam<float>(3), 0.9f);

  std::int32_t asInt = 1;
  query.data = &asInt;
  query.valueType = VORA_VALUE_INT;
  EXPECT_FALSE(SceneDocument::WriteParam(Root(), query));
  query.valueType = VORA_VALUE_FLOAT;
  query.size = 8;
  EXPECT_FALSE(SceneDocument::WriteParam(Root(), query));
  query.data = nullptr;
  query.size = 4;
  EXPECT_FALSE(SceneDocument::WriteParam(Root(), query));
  EXPECT_EQ(RootParam<float>(3), 0.9f);

  // A text may change length; an absent id is added.
  char title[] = "A longer title than before";
  ParamQuery text{};
  text.id = 78; // Title of the introduction page
  text.extra = -1;
  text.valueType = VORA_VALUE_STRING;
  text.data = title;
  text.size = sizeof title;
  ASSERT_TRUE(SceneDocument::WriteParam(Intro(), text));
  EXPECT_EQ(Intro().GetTextParam(78), title);
  text.id = 4321;
  ASSERT_TRUE(SceneDocument::WriteParam(Intro(), text));
  EXPECT_EQ(Intro().GetTextParam(4321), title);
  // Too few bytes for a fixed-size value are refused.
  ParamQuery shortValue{};
  shortValue.id = 4322;
  shortValue.valueType = VORA_VALUE_COLOR;
  shortValue.size = 4;
  shortValue.data = &brighter;
  EXPECT_FALSE(SceneDocument::WriteParam(Intro(), shortValue));
}

TEST_F(SceneDocumentTest, FillInfoPacksValuesIntoTheSharedBlock) {
  NodeInfoBlock block{};
  block.recordSize = sizeof(NodeInfoBlock) + 1;
  EXPECT_FALSE(SceneDocument::FillInfo(Root(), block));
  EXPECT_EQ(block.entries, nullptr);

  block.recordSize = sizeof(NodeInfoBlock);
  ASSERT_TRUE(SceneDocument::FillInfo(Root(), block));
  const auto &params = Root().GetParamArray();
  ASSERT_EQ(block.count, params.size());
  ASSERT_NE(block.mapping, 0u);
  std::uint32_t expectedUsed = 0;
  auto *view = static_cast<unsigned char *>(block.view);
  for (std::uint32_t i = 0; i < block.count; ++i) {
    const ParamQuery &entry = block.entries[i];
    EXPECT_EQ(entry.id, static_cast<std::uint32_t>(params[i].GetId()));
    EXPECT_EQ(entry.extra, -1);
    EXPECT_EQ(entry.data, view + expectedUsed) << "values are unpadded";
    EXPECT_EQ(entry.size, params[i].GetValue()->GetSize());
    expectedUsed += entry.size;
  }
  EXPECT_EQ(block.used, expectedUsed);
  EXPECT_STREQ(block.entries[0].text, "Name");
  EXPECT_STREQ(static_cast<const char *>(block.entries[0].data), "Unknown");
  ReleaseNodeInfo(&block);
  EXPECT_EQ(block.view, nullptr);
}

TEST_F(SceneDocumentTest, FillInfoNeverWritesPastTheSharedBlock) {
  const std::string longText(250, 'x');
  for (int id = 5000; id < 5100; ++id) // 100 texts of 251 bytes
    ASSERT_TRUE(Intro().AddParamValue(id, nodes::ParamValue(longText)));
  NodeInfoBlock block{};
  block.recordSize = sizeof(NodeInfoBlock);
  EXPECT_FALSE(SceneDocument::FillInfo(Intro(), block));
  EXPECT_LE(block.used, static_cast<std::uint32_t>(VORA_SHARED_BLOCK_SIZE));
  EXPECT_NE(block.entries, nullptr); // left for the host to release
  ReleaseNodeInfo(&block);
  EXPECT_EQ(block.entries, nullptr);
  EXPECT_EQ(block.mapping, 0u);
}

TEST_F(SceneDocumentTest, RemovesParameters) {
  EXPECT_TRUE(SceneDocument::RemoveParam(Root(), 3));
  EXPECT_FALSE(SceneDocument::RemoveParam(Root(), 3));
  EXPECT_FALSE(RootParam<float>(3));
}

TEST_F(SceneDocumentTest, MessagesReachTheScene) {
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  SceneDocument &document = dispatcher.GetFileManager()->Document();
  ASSERT_TRUE(document.Open(dir_.folder()));
  auto arg = [](const void *p) { return reinterpret_cast<std::uintptr_t>(p); };

  float value = 0;
  ParamQuery query{};
  query.id = 3;
  query.extra = -1;
  query.data = &value;
  query.size = sizeof value;
  EXPECT_EQ(dispatcher.Send(VORA_MSG_READ_PARAM_BY_TYPE, VORA_NODE_SCENE_ROOT,
                            0, arg(&query), 0),
            1u);
  EXPECT_EQ(value, 0.5f);
  value = 0.25f;
  query.valueType = VORA_VALUE_FLOAT;
  EXPECT_EQ(dispatcher.Send(VORA_MSG_WRITE_PARAM_BY_ID, 0, arg(&query), 0, 0),
            1u);
  value = 0;
  EXPECT_EQ(dispatcher.Send(VORA_MSG_READ_PARAM_BY_ID, 0, arg(&query), 0, 0),
            1u);
  EXPECT_EQ(value, 0.25f);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_READ_PARAM_BY_PATH, arg(&kEnd),
                            arg(&query), 0, 0),
            1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_READ_PARAM_BY_ID_PATH, 0, arg(&kEnd),
                            arg(&query), 0),
            1u);

  EXPECT_EQ(
      dispatcher.Send(VORA_MSG_NODE_EXISTS_BY_TYPE, VORA_NODE_INTRO, 0, 0, 0),
      1u);
  EXPECT_EQ(
      dispatcher.Send(VORA_MSG_NODE_EXISTS_BY_TYPE, VORA_NODE_CAMERA, 0, 0, 0),
      0u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_NODE_EXISTS_BY_ID, 1, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_NODE_EXISTS_BY_PATH, arg(&kEnd), 0, 0, 0),
            1u);

  for (std::uint32_t msg :
       {VORA_MSG_FILL_INFO_BY_TYPE, VORA_MSG_FILL_INFO_BY_TYPE_2}) {
    NodeInfoBlock block{};
    block.recordSize = sizeof block;
    EXPECT_EQ(dispatcher.Send(msg, VORA_NODE_INTRO, 0, arg(&block), 0), 1u);
    EXPECT_GT(block.count, 40u);
    EXPECT_EQ(
        dispatcher.Send(VORA_MSG_RELEASE_INFO_ENTRIES, arg(&block), 0, 0, 0),
        1u);
    EXPECT_EQ(block.entries, nullptr);
    EXPECT_NE(block.view, nullptr);
    EXPECT_EQ(dispatcher.Send(VORA_MSG_RELEASE_INFO, arg(&block), 0, 0, 0), 1u);
  }

  EXPECT_EQ(dispatcher.Send(VORA_MSG_REMOVE_PARAM, 0, 3, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_REMOVE_PARAM, 0, 3, 0, 0), 0u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_WRITE_SCRIPT, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dir_.read("vora.vrc").find("Brightness"), std::string::npos);
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
