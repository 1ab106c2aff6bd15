#include "host/host_records.h"

#include "document/scene_fixture.h"
#include "host/message_dispatcher.h"
#include "host/node_info_block.h"
#include "nodes/content/intro_node.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vorafile {
namespace {

using nodes::ParamValue;
using nodes::SceneNode;
using test::SceneFolderTest;

constexpr NodePath kEnd = {VORA_NODE_END, 0};

class HostRecordsTest : public SceneFolderTest {
protected:
  void SetUp() override {
    ASSERT_TRUE(OpenScript("Version 3\nBrightness 0.5\nLights 3\n"))
        << document_.GetOpenProblem().Describe();
  }
  SceneNode &Intro() { return *Root().FindChild(SceneNode::Kind::Intro, 0); }
};

TEST_F(HostRecordsTest, ReadParamNegotiatesTheSize) {
  ParamQuery query{};
  query.id = 3; // Brightness
  query.extra = -1;
  float value = 0;
  query.data = &value;
  query.size = 2;
  EXPECT_FALSE(host::ReadParam(Root(), query));
  EXPECT_EQ(query.size, 4u);
  EXPECT_EQ(query.valueType, static_cast<std::uint32_t>(VORA_VALUE_FLOAT));
  EXPECT_STREQ(query.text, "Brightness");
  ASSERT_TRUE(host::ReadParam(Root(), query));
  EXPECT_EQ(value, 0.5f);

  // Texts: size 0 reports the length plus one; a null buffer fails with
  // the size too.
  ParamQuery text{};
  text.id = 160; // Name
  text.extra = -1;
  EXPECT_FALSE(host::ReadParam(Root(), text));
  EXPECT_EQ(text.size, std::strlen("Unknown") + 1);
  EXPECT_FALSE(host::ReadParam(Root(), text)); // data still null
  char name[16] = {};
  text.data = name;
  text.size = sizeof name;
  ASSERT_TRUE(host::ReadParam(Root(), text));
  EXPECT_STREQ(name, "Unknown");
  EXPECT_EQ(text.size, 8u);

  ParamQuery missing{};
  missing.id = 999;
  missing.extra = -1;
  missing.data = name;
  missing.size = sizeof name;
  EXPECT_FALSE(host::ReadParam(Root(), missing));
}

TEST_F(HostRecordsTest, WriteParamChecksTypeAndSize) {
  ParamQuery query{};
  query.id = 3;
  query.extra = -1;
  float brighter = 0.9f;
  query.data = &brighter;
  query.valueType = VORA_VALUE_FLOAT;
  query.size = 4;
  ASSERT_TRUE(host::WriteParam(Root(), query));
  EXPECT_EQ(RootParam<float>(3), 0.9f);

  std::int32_t asInt = 1;
  query.data = &asInt;
  query.valueType = VORA_VALUE_INT;
  EXPECT_FALSE(host::WriteParam(Root(), query));
  query.valueType = VORA_VALUE_FLOAT;
  query.size = 8;
  EXPECT_FALSE(host::WriteParam(Root(), query));
  query.data = nullptr;
  query.size = 4;
  EXPECT_FALSE(host::WriteParam(Root(), query));
  EXPECT_EQ(RootParam<float>(3), 0.9f);

  // A text may change length; an absent id is added.
  char title[] = "A longer title than before";
  ParamQuery text{};
  text.id = 78; // Title of the introduction page
  text.extra = -1;
  text.valueType = VORA_VALUE_STRING;
  text.data = title;
  text.size = sizeof title;
  ASSERT_TRUE(host::WriteParam(Intro(), text));
  EXPECT_EQ(Intro().GetTextParam(78), title);
  text.id = 4321;
  ASSERT_TRUE(host::WriteParam(Intro(), text));
  EXPECT_EQ(Intro().GetTextParam(4321), title);
  // Too few bytes for a fixed-size value are refused.
  ParamQuery shortValue{};
  shortValue.id = 4322;
  shortValue.valueType = VORA_VALUE_COLOR;
  shortValue.size = 4;
  shortValue.data = &brighter;
  EXPECT_FALSE(host::WriteParam(Intro(), shortValue));
}

TEST_F(HostRecordsTest, FillInfoPacksValuesIntoTheSharedBlock) {
  NodeInfoBlock block{};
  block.recordSize = sizeof(NodeInfoBlock) + 1;
  EXPECT_FALSE(host::FillInfo(Root(), block));
  EXPECT_EQ(block.entries, nullptr);

  block.recordSize = sizeof(NodeInfoBlock);
  ASSERT_TRUE(host::FillInfo(Root(), block));
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

TEST_F(HostRecordsTest, FillInfoNeverWritesPastTheSharedBlock) {
  const std::string longText(250, 'x');
  for (int id = 5000; id < 5100; ++id) // 100 texts of 251 bytes
    ASSERT_TRUE(Intro().AddParamValue(id, nodes::ParamValue(longText)));
  NodeInfoBlock block{};
  block.recordSize = sizeof(NodeInfoBlock);
  EXPECT_FALSE(host::FillInfo(Intro(), block));
  EXPECT_LE(block.used, static_cast<std::uint32_t>(VORA_SHARED_BLOCK_SIZE));
  EXPECT_NE(block.entries, nullptr); // left for the host to release
  ReleaseNodeInfo(&block);
  EXPECT_EQ(block.entries, nullptr);
  EXPECT_EQ(block.mapping, 0u);
}

TEST_F(HostRecordsTest, RemovesParameters) {
  EXPECT_TRUE(host::RemoveParam(Root(), 3));
  EXPECT_FALSE(host::RemoveParam(Root(), 3));
  EXPECT_FALSE(RootParam<float>(3));
}

TEST_F(HostRecordsTest, MessagesReachTheScene) {
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

// A node class with two indexed lists beyond its parameters: the host sees
// them after the parameters, in the order the class lists them.
class ListNode final : public SceneNode {
public:
  ListNode() : SceneNode("lists") {}
  bool Write(nodes::TextSink *) override { return false; }
  std::int64_t Read(nodes::TextSource *, std::int64_t) override {
    return nodes::kReadFailed;
  }
  void VisitSubItems(nodes::SubItemVisitor &visitor) const override {
    for (std::size_t i = 0; i < textures.size(); ++i)
      visitor.Visit({2005, static_cast<int>(i), "Texture", textures[i]});
    for (std::size_t i = 0; i < links.size(); ++i)
      visitor.Visit({2004, static_cast<int>(i), "Link", links[i]});
  }
  std::vector<ParamValue> textures{ParamValue(std::string("a.bmp")),
                                   ParamValue(std::string("b.bmp"))};
  std::vector<ParamValue> links{ParamValue(std::int32_t{7})};
};

TEST(HostSubItemTest, FillInfoListsSubItemsAfterTheParameters) {
  ListNode node;
  NodeInfoBlock block{};
  block.recordSize = sizeof block;
  ASSERT_TRUE(host::FillInfo(node, block));
  ASSERT_EQ(block.count, 5u); // Name, NodeID, two textures, one link
  const struct {
    std::uint32_t id;
    std::int32_t extra;
    const char *text;
  } expected[] = {{160, -1, "Name"},
                  {163, -1, "NodeID"},
                  {2005, 0, "Texture"},
                  {2005, 1, "Texture"},
                  {2004, 0, "Link"}};
  for (std::uint32_t i = 0; i < block.count; ++i) {
    EXPECT_EQ(block.entries[i].id, expected[i].id) << i;
    EXPECT_EQ(block.entries[i].extra, expected[i].extra) << i;
    EXPECT_STREQ(block.entries[i].text, expected[i].text) << i;
  }
  EXPECT_STREQ(static_cast<const char *>(block.entries[3].data), "b.bmp");
  std::int32_t link = 0;
  std::memcpy(&link, block.entries[4].data, sizeof link);
  EXPECT_EQ(link, 7);
  ReleaseNodeInfo(&block);
}

TEST(HostSubItemTest, ReadParamReadsASubItemByItsKey) {
  ListNode node;
  char text[16] = {};
  ParamQuery query{};
  query.id = 2005;
  query.extra = 1;
  query.data = text;
  query.size = sizeof text;
  ASSERT_TRUE(host::ReadParam(node, query));
  EXPECT_STREQ(text, "b.bmp");
  EXPECT_STREQ(query.text, "Texture");
  EXPECT_EQ(query.valueType, static_cast<std::uint32_t>(VORA_VALUE_STRING));
  query.extra = 2; // no such item, and no such parameter
  EXPECT_FALSE(host::ReadParam(node, query));
}

} // namespace
} // namespace vorafile
