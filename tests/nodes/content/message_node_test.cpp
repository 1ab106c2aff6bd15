#include "nodes/content/message_node.h"

#include "nodes/core/param_ids.h"
#include "nodes/core/value_writer.h"
#include "nodes/node_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vorafile::nodes {
namespace {

using test::TempDir;

std::array<std::int32_t, 4> ColorBytes(const SceneNode &node) {
  const Color color = node.GetParamAs<Color>(param::kColor).value_or(Color{});
  return {ColorComponentByte(color.components[0]),
          ColorComponentByte(color.components[1]),
          ColorComponentByte(color.components[2]),
          ColorComponentByte(color.components[3])};
}

class MessageNodeTest : public ::testing::Test {
protected:
  void SetUp() override { parent_.SetFolder(dir_.folder()); }

  MessageNode &Load(const std::string &iniText) {
    dir_.write("Text.ini", iniText);
    node_ = std::make_unique<MessageNode>(&parent_, "ThreeDTextNode0",
                                          dir_.file("Text.ini"));
    result_ = node_->Read(nullptr, 0);
    return *node_;
  }

  SceneNode &Message(int n) {
    SceneNode *message = node_->FindChild(SceneNode::Kind::MessageData, n);
    EXPECT_NE(message, nullptr) << n;
    return *message;
  }

  TempDir dir_;
  test::VersionParent parent_{3};
  std::unique_ptr<MessageNode> node_;
  std::int64_t result_ = 0;
};

TEST_F(MessageNodeTest, ReadsTheMessagesUpToTheFirstMissingNumber) {
  MessageNode &list = Load("[General]\nAutoSwitch=3\nFade=1\n"
                           "[Message]\n0=Hello\n1=  \"World\"  \n3=Late\n"
                           "[Data]\n0=\n1=Tahoma;1;255;127;0;255;700;0.25;2;"
                           "Spin;3.5\n");
  ASSERT_EQ(result_, 1) << list.GetReadFailure()->reason;
  EXPECT_EQ(list.GetParamAs<float>(param::kRate), 50.0f);
  EXPECT_EQ(list.GetParamAs<std::uint8_t>(param::kAutoSwitch), 1);
  EXPECT_EQ(list.GetParamAs<std::uint8_t>(param::kFade), 1);
  EXPECT_EQ(list.GetParamAs<std::uint8_t>(param::kRandomize), 0);
  EXPECT_EQ(list.GetParamAs<std::int32_t>(param::kNumMsgs), 2);
  EXPECT_EQ(list.GetChildCount(), 2);
  EXPECT_EQ(Message(1).GetName(), "MessageNode1");
  EXPECT_EQ(Message(1).GetParamAs<std::int32_t>(param::kId), 1);
  EXPECT_EQ(Message(1).GetTextParam(param::kMessage), "World");
  // An empty data line takes the built-in default.
  SceneNode &first = Message(0);
  EXPECT_EQ(first.GetTextParam(param::kFont), "Arial");
  EXPECT_EQ(first.GetParamAs<std::uint8_t>(param::kItalics), 0);
  EXPECT_EQ(ColorBytes(first),
            (std::array<std::int32_t, 4>{254, 254, 254, 255}));
  EXPECT_EQ(first.GetParamAs<std::int32_t>(param::kWeight), 500);
  EXPECT_EQ(first.GetParamAs<float>(param::kSize), 0.5f);
  EXPECT_EQ(first.GetParamAs<float>(param::kExtrusion), 1.0f);
  EXPECT_EQ(first.GetTextParam(param::kMessageEffect), "Explode");
  EXPECT_EQ(first.GetParamAs<float>(param::kMessageEffectNumber), 0.0f);
}

TEST_F(MessageNodeTest, ReadsDataLines) {
  using Bytes = std::array<std::int32_t, 4>;
  struct Case {
    const char *what;
    const char *data;
    bool ok;
    const char *font;
    Bytes color;
    std::optional<std::string> effect;
    std::optional<float> number;
  };
  const Case cases[] = {
      {"nine fields", "Tahoma;1;255;127;0;255;700;0.2500;2.0000", true,
       "Tahoma", Bytes{255, 127, 0, 255}, std::nullopt, std::nullopt},
      {"eleven fields", "Arial;0;1;2;3;4;400;1.0;0.5;Spin;3.5", true, "Arial",
       Bytes{1, 2, 3, 4}, "Spin", 3.5f},
      {"empty effect and number", "Arial;0;1;2;3;4;400;1.0;0.5;;", true,
       "Arial", Bytes{1, 2, 3, 4}, std::nullopt, std::nullopt},
      {"empty font keeps its place", ";0;1;2;3;4;400;1.0;0.5", true, "",
       Bytes{1, 2, 3, 4}, std::nullopt, std::nullopt},
      {"eight fields", "Arial;0;1;2;3;4;400;1.0", false, "", {}, {}, {}},
      {"commas", "Arial,0,1,2,3,4,400,1.0,0.5", false, "", {}, {}, {}},
      {"colour above 255", "Arial;0;256;0;0;0;400;1;1", false, "", {}, {}, {}},
      {"negative colour", "Arial;0;0;-1;0;0;400;1;1", false, "", {}, {}, {}},
  };
  for (const Case &c : cases) {
    Load(std::string("[Message]\n0=Hi\n[Data]\n0=") + c.data + "\n");
    EXPECT_EQ(result_ == 1, c.ok) << c.what;
    if (!c.ok) {
      ASSERT_TRUE(node_->GetReadFailure()) << c.what;
      EXPECT_EQ(node_->GetReadFailure()->reason.rfind("message 0: ", 0), 0u)
          << c.what << ": " << node_->GetReadFailure()->reason;
      continue;
    }
    const SceneNode &message = Message(0);
    EXPECT_EQ(message.GetTextParam(param::kFont), c.font) << c.what;
    EXPECT_EQ(ColorBytes(message), c.color) << c.what;
    EXPECT_EQ(message.GetTextParam(param::kMessageEffect), c.effect) << c.what;
    EXPECT_EQ(message.GetParamAs<float>(param::kMessageEffectNumber), c.number)
        << c.what;
  }
}

TEST_F(MessageNodeTest, WritesConsecutiveKeysAndReadsThemBack) {
  node_ = std::make_unique<MessageNode>(&parent_, "ThreeDTextNode0",
                                        dir_.file("Text.ini"));
  ASSERT_TRUE(test::AddValues(
      *node_, {{param::kRate, ParamValue(50.0f)},
               {param::kAutoSwitch, ParamValue(std::uint8_t{1})},
               {param::kRandomize, ParamValue(std::uint8_t{0})}}));
  auto add = [this](std::int32_t n) {
    // Appended rather than concatenated: g++ 12 for i686 warns falsely
    // about overlapping copies in "literal" + std::string.
    std::string name = "MessageNode";
    name += std::to_string(n);
    return node_->AddChild(
        std::make_unique<MessageDataNode>(node_.get(), name, n));
  };
  MessageDataNode *first = add(0);
  ASSERT_TRUE(test::AddValues(
      *first, {{param::kMessage, ParamValue(std::string(" Hi "))},
               {param::kFont, ParamValue(std::string("Arial"))},
               {param::kItalics, ParamValue(std::uint8_t{1})},
               {param::kColor, ParamValue(Color{{1.0f, 0.5f, 0.0f, 1.0f}})},
               {param::kWeight, ParamValue(std::int32_t{700})},
               {param::kSize, ParamValue(0.25f)},
               {param::kExtrusion, ParamValue(2.0f)},
               {param::kMessageEffect, ParamValue(std::string("Spin"))},
               {param::kMessageEffectNumber, ParamValue(3.5f)}}));
  add(1); // no text: left out
  MessageDataNode *third = add(2);
  ASSERT_TRUE(
      third->AddParamValue(param::kMessage, ParamValue(std::string("Bye"))));

  ASSERT_TRUE(node_->Write(nullptr));
  EXPECT_EQ(dir_.read("Text.ini"),
            "[General]\r\n"
            "Rate=50.000000\r\n"
            "AutoSwitch=1\r\n"
            "Randomize=0\r\n"
            "NumMsgs=2\r\n"
            "[Message]\r\n"
            "0=\" Hi \"\r\n"
            "1=Bye\r\n"
            "[Data]\r\n"
            "0=Arial;1;255;127;0;255;700;0.2500;2.0000;Spin;3.5000\r\n"
            "1=;;;;;;;;;;\r\n");

  MessageNode reread(&parent_, "ThreeDTextNode0", dir_.file("Text.ini"));
  ASSERT_EQ(reread.Read(nullptr, 0), 1);
  EXPECT_EQ(reread.GetParamAs<std::int32_t>(param::kNumMsgs), 2);
  const SceneNode *again = reread.FindChild(SceneNode::Kind::MessageData, 0);
  // The colour goes through bytes: 0.5 comes back as 127/255.
  EXPECT_EQ(ColorBytes(*again),
            (std::array<std::int32_t, 4>{255, 127, 0, 255}));
  for (const NodeParam &param : first->GetParamArray()) {
    if (param.GetId() != param::kNodeId && param.GetId() != param::kColor) {
      ParamValue value;
      EXPECT_TRUE(again->GetParamValue(param.GetId(), value)) << param.GetId();
      EXPECT_EQ(value, *param.GetValue()) << param.GetId();
    }
  }
  EXPECT_EQ(reread.FindChild(SceneNode::Kind::MessageData, 1)
                ->GetTextParam(param::kMessage),
            "Bye");
}

TEST_F(MessageNodeTest, AFileThatReadsNothingIsNotRewritten) {
  const std::string text = "[Message]\n0=Hi\n1=There\n[Data]\n1=short\n";
  Load(text);
  EXPECT_EQ(result_, kReadFailed);
  ASSERT_TRUE(node_->GetReadFailure());
  EXPECT_EQ(node_->GetReadFailure()->reason,
            "message 1: the data line has 1 fields, expected at least 9");
  EXPECT_TRUE(node_->Write(nullptr));
  EXPECT_EQ(dir_.read("Text.ini"), text);
}

TEST_F(MessageNodeTest, NeedsItsFileNameAndAKnownVersion) {
  MessageNode unnamed(&parent_, "ThreeDTextNode0");
  EXPECT_EQ(unnamed.Read(nullptr, 0), kReadFailed);
  EXPECT_FALSE(unnamed.Write(nullptr));
  parent_.SetScriptVersion(4);
  Load("[Message]\n0=Hi\n");
  EXPECT_EQ(result_, kReadFailed);
  EXPECT_FALSE(node_->Write(nullptr));
}

} // namespace
} // namespace vorafile::nodes
