// The messages in the scene script: the version-2 message lines, the
// version-3 "MsgIni" row, and scenes that go through a save and come back.
#include "document/scene_root.h"
#include "nodes/content/message_node.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/value_writer.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

namespace vorafile {
namespace {

using nodes::MessageNode;
using nodes::ParamValue;
using nodes::SceneNode;
namespace param = nodes::param;

constexpr const char *kMessageLines[] = {
    "1\n", "Hello world;old\n", "0.5\n", "700\n",
    "1\n", "255 127.9 0 255\n", "2.0\n", "Tahoma\tx\n",
};

std::string AllMessageLines() {
  std::string lines;
  for (const char *line : kMessageLines) {
    lines += line;
  }
  return lines;
}

// A version-2 root with its message node, reading `text` from its start.
struct Version2Read {
  explicit Version2Read(std::string text) : in(std::move(text)) {
    root.SetScriptVersion(2);
    messages =
        root.AddChild(std::make_unique<MessageNode>(&root, "ThreeDTextNode0"));
    end = messages->Read(&in, 0);
  }
  SceneRoot root;
  nodes::StringSource in;
  MessageNode *messages;
  std::int64_t end;
};

TEST(MessageLinesTest, ReadsAndWritesTheVersion2Lines) {
  const std::string lines = "; comment\n" + AllMessageLines();
  Version2Read read(lines + "after\n");
  ASSERT_EQ(read.end, static_cast<std::int64_t>(lines.size()));
  EXPECT_EQ(read.root.GetParamAs<std::uint8_t>(param::kMsgOn), 1);
  EXPECT_EQ(read.messages->GetParamAs<std::int32_t>(param::kNumMsgs), 1);
  EXPECT_EQ(read.messages->GetParamAs<float>(param::kRate), 0.0f);
  const SceneNode &message = *read.messages->GetChild(0);
  EXPECT_EQ(message.GetName(), "MessageNode0");
  EXPECT_EQ(message.GetTextParam(param::kMessage), "Hello world");
  EXPECT_EQ(message.GetTextParam(param::kFont), "Tahoma");
  EXPECT_EQ(message.GetParamAs<std::int32_t>(param::kWeight), 700);

  nodes::StringSink out;
  ASSERT_TRUE(read.messages->Write(&out));
  EXPECT_EQ(out.GetText(), "1\nHello world\n0.500000\n700\n1\n"
                           "255 127 0 255\n2.000000\nTahoma\n");
}

TEST(MessageLinesTest, TextsEndAtTheFirstSeparator) {
  // A carriage return cannot go into the INI file the scene is saved with.
  for (const char *text : {"Hi;old\n", "Hi\told\n", "Hi\rold\n", "Hi\n"}) {
    const std::string original = kMessageLines[1];
    std::string lines = AllMessageLines();
    lines.replace(lines.find(original), original.size(), text);
    Version2Read read(lines);
    ASSERT_NE(read.end, nodes::kReadFailed) << text;
    EXPECT_EQ(read.messages->GetChild(0)->GetTextParam(param::kMessage), "Hi")
        << text;
  }
}

TEST(MessageLinesTest, FailsAtTheLineAtFault) {
  // Every prefix of the eight lines fails at the end of the text.
  for (std::size_t count = 0; count < std::size(kMessageLines); ++count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
      text += kMessageLines[i];
    }
    Version2Read read(text);
    EXPECT_EQ(read.end, nodes::kReadFailed) << count;
    ASSERT_TRUE(read.messages->GetReadFailure()) << count;
    EXPECT_EQ(read.messages->GetReadFailure()->position,
              static_cast<std::int64_t>(text.size()))
        << count;
  }
  const struct {
    std::size_t line;
    const char *replacement;
  } bad[] = {{0, "on\n"},      {2, "big\n"},         {3, "\n"},
             {5, "255 0 0\n"}, {5, "255 0 256 0\n"}, {5, "0 0 -1 0\n"},
             {6, "deep\n"}};
  for (const auto &c : bad) {
    std::string text;
    std::int64_t at = 0;
    for (std::size_t i = 0; i < std::size(kMessageLines); ++i) {
      if (i == c.line) {
        at = static_cast<std::int64_t>(text.size());
      }
      text += i == c.line ? c.replacement : kMessageLines[i];
    }
    Version2Read read(text);
    EXPECT_EQ(read.end, nodes::kReadFailed) << c.replacement;
    ASSERT_TRUE(read.messages->GetReadFailure()) << c.replacement;
    EXPECT_EQ(read.messages->GetReadFailure()->position, at) << c.replacement;
  }
}

class MessageScriptTest : public test::SceneFolderTest {
protected:
  SceneNode *Messages() {
    return Root().FindChild(SceneNode::Kind::Message, 0);
  }

  // Every value of the root's message node and its messages.
  test::ParamSnapshot MessageValues() {
    std::vector<const SceneNode *> nodes;
    if (SceneNode *messages = Messages()) {
      nodes.push_back(messages);
      for (int i = 0; i < messages->GetChildCount(); ++i)
        nodes.push_back(messages->GetChild(i));
    }
    return test::SnapshotParams(nodes);
  }
};

TEST_F(MessageScriptTest, MsgIniNamesTheMessagesFile) {
  dir_.write("msgs.ini", "[General]\nRate=25\n[Message]\n0=Hi\n[Data]\n0=\n");
  ASSERT_TRUE(Opens("Version 3\nMsgOn 1\nMsgIni msgs.ini\n"
                    "Brightness 0.5\n"));
  EXPECT_EQ(RootParam<std::string>(param::kMsgIni), dir_.file("msgs.ini"));
  EXPECT_EQ(RootParam<float>(param::kBrightness), 0.5f);
  ASSERT_NE(Messages(), nullptr);
  EXPECT_EQ(Messages()->GetName(), "ThreeDTextNode0");
  EXPECT_EQ(Messages()->GetParamAs<float>(param::kRate), 25.0f);
  EXPECT_EQ(Messages()->GetChildCount(), 1);

  for (const char *lines : {"MsgIni missing.ini\n", "MsgIni ../msgs.ini\n",
                            "MsgIni\n", "MsgIni msgs.ini\nMsgIni msgs.ini\n"}) {
    EXPECT_FALSE(OpenScript(std::string("Version 3\n") + lines)) << lines;
    EXPECT_EQ(document_.GetOpenProblem().keyword, "MsgIni") << lines;
  }
}

TEST_F(MessageScriptTest, AFileThatReadsNothingStopsTheReadAfterItsLine) {
  const std::string file = "[Message]\n0=Hi\n[Data]\n0=short\n";
  dir_.write("msgs.ini", file);
  const SceneOpenResult opened =
      OpenScript("Version 3\nMsgOn 1\nCamera FOV Set 4\nMsgIni "
                 "msgs.ini\nBrightness 0.5\n");
  ASSERT_TRUE(opened) << Problem();
  EXPECT_EQ(opened.line, 4);
  EXPECT_EQ(document_.GetRoot()->GetUnreadTail(), "Brightness 0.5\n");
  EXPECT_FALSE(RootParam<float>(param::kBrightness));

  // The camera, read before the stop, is written before the "MsgIni" line
  // (not after it, in its usual place), so that it reads again.
  const std::string written = "Version\t3\nMsgOn\t1\nCamera FOV Set\t4.000000\n"
                              "MsgIni\tmsgs.ini\nBrightness 0.5\n";
  ASSERT_TRUE(document_.WriteScript());
  EXPECT_EQ(dir_.read("vora.vrc"), written);
  EXPECT_EQ(dir_.read("msgs.ini"), file);
  ASSERT_TRUE(Reopens());
  EXPECT_NE(document_.GetRoot()->FindChild(nodes::SceneNode::Kind::Camera, 0),
            nullptr);
  ASSERT_TRUE(document_.WriteScript());
  EXPECT_EQ(dir_.read("vora.vrc"), written);
}

TEST_F(MessageScriptTest, Version3RoundTripKeepsEveryValue) {
  dir_.write("msgs.ini", "[General]\nRate=12.5\nAutoSwitch=1\nFade=1\n"
                         "[Message]\n0=First\n1=Second one\n"
                         "[Data]\n0=Arial;1;10;20;30;40;400;0.75;1.5;Spin;2\n"
                         "1=Tahoma;0;255;255;255;255;700;1;0.5\n");
  ASSERT_TRUE(Opens("Version 3\nMsgOn 0\nMsgIni msgs.ini\n"));
  const auto before = MessageValues();
  ASSERT_EQ(Messages()->GetChildCount(), 2);
  SaveAndReopen();
  EXPECT_EQ(MessageValues(), before);
  EXPECT_EQ(RootParam<std::uint8_t>(param::kMsgOn), 0);
}

TEST_F(MessageScriptTest, AVersion2SceneKeepsItsMessageAsVersion3) {
  ASSERT_TRUE(Opens("Scene\n25\n0.8\n1.5\n7\n0\n0\nextra\n"
                    "0\n" // audio bands
                    "; the message\n" +
                        AllMessageLines() + "; the lock song\nlock.mp3\n",
                    SceneDocument::kDeliveredScript));
  EXPECT_EQ(RootParam<std::string>(param::kSceneLockMp3), "lock.mp3");
  EXPECT_EQ(RootParam<std::string>(param::kMsgIni), dir_.file("Text.ini"));
  ASSERT_NE(Messages(), nullptr);
  EXPECT_EQ(Messages()->GetTextParam(param::kFileName), dir_.file("Text.ini"));
  const auto before = MessageValues();

  const std::string written = SaveAndReopen();
  EXPECT_NE(written.find("MsgOn\t1\nMsgIni\tText.ini\n"), std::string::npos)
      << written;
  EXPECT_EQ(Root().GetScriptVersion(), 3);
  EXPECT_EQ(RootParam<std::uint8_t>(param::kMsgOn), 1);
  EXPECT_EQ(MessageValues(), before);
}

} // namespace
} // namespace vorafile
