// The marquee file as the scene root reads it at the end of a script and
// writes it back, and its entries as the host reaches them.
#include "document/scene_root.h"

#include "host/message_dispatcher.h"
#include "host/node_info_block.h"
#include "nodes/content/marquee_node.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace vorafile {
namespace {

using nodes::MarqueeNode;
using nodes::SceneNode;
using test::SceneFolderTest;
namespace mq = nodes::marquee_param;

constexpr const char *kTwoEntries = "Version\t3\nNumMarquees\t2\n"
                                    "Text\tHello\nURL\thttp://a.invalid/\n"
                                    "Text\tWorld\nURL\t\n";

class SceneMarqueeTest : public SceneFolderTest {
protected:
  MarqueeNode *Marquee() {
    return nodes::DynCast<MarqueeNode>(
        Root().FindChild(SceneNode::Kind::Marquee, 0));
  }
};

TEST_F(SceneMarqueeTest, TheRootMakesTheMarqueeAtTheEndOfTheScript) {
  dir_.write("Vora.mrq", kTwoEntries);
  ASSERT_TRUE(Opens("Version 3\nBrightness 0.5\n"));
  MarqueeNode *marquee = Marquee();
  ASSERT_NE(marquee, nullptr);
  EXPECT_EQ(marquee->GetName(), "MarqueeNode");
  EXPECT_EQ(Root().GetChild(Root().GetChildCount() - 1), marquee);
  EXPECT_EQ(document_.FindByTypeAndOrdinal(VORA_NODE_MARQUEE, 0), marquee);
  EXPECT_EQ(RootParam<std::string>(nodes::param::kVoraMarqueeFileName),
            dir_.file("Vora.mrq"));
  EXPECT_EQ(marquee->GetParamCount(), 8);

  // The script keeps its own lines; the marquee goes back into its file.
  ASSERT_TRUE(marquee->SetParamValue(
      mq::kText, nodes::ParamValue(std::string("Again")), 1));
  const std::string changed = "Version\t3\nNumMarquees\t2\n"
                              "Text\tHello\nURL\thttp://a.invalid/\n"
                              "Text\tAgain\nURL\t\n";
  ASSERT_TRUE(document_.WriteScript());
  EXPECT_EQ(dir_.read("vora.vrc"), "Version\t3\nBrightness\t0.500000\n");
  EXPECT_EQ(dir_.read("Vora.mrq"), changed);
  ASSERT_TRUE(Reopens());
  ASSERT_TRUE(document_.WriteScript());
  EXPECT_EQ(dir_.read("Vora.mrq"), changed);
}

TEST_F(SceneMarqueeTest, MarqueeFileCases) {
  const struct {
    const char *name;
    const char *file;   // null: no marquee file
    const char *script; // after "Version 3\n"
    bool marqueeMade;
    const char *problem; // "" when the open succeeds
  } cases[] = {
      {"no file", nullptr, "", false, ""},
      {"an empty file is a marquee without texts", "", "", true, ""},
      {"a stopped read makes no marquee", kTwoEntries, "NoReaderYet 1\n", false,
       ""},
      {"too many texts", "NumMarquees 0\nText a\nURL\nText b\n", "", true,
       "\"Vora.mrq\" line 4: more \"Text\" lines than NumMarquees + 1"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_.file("Vora.mrq"));
    if (c.file != nullptr)
      dir_.write("Vora.mrq", c.file);
    const SceneOpenResult result =
        OpenScript(std::string("Version 3\n") + c.script);
    EXPECT_EQ(static_cast<bool>(result), *c.problem == '\0');
    EXPECT_EQ(result ? "" : result.reason, c.problem);
    EXPECT_EQ(Marquee() != nullptr, c.marqueeMade);
    if (result && c.file != nullptr) {
      // A scene without a marquee node leaves the file as it was.
      ASSERT_TRUE(document_.WriteScript());
      EXPECT_EQ(dir_.read("Vora.mrq"), c.file);
    }
  }
}

TEST_F(SceneMarqueeTest, TheHostReachesTheEntriesByIndex) {
  dir_.write("Vora.mrq", kTwoEntries);
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  SceneDocument &document = dispatcher.GetFileManager()->Document();
  dir_.write("vora.vrc", "Version 3\n");
  dir_.write("intro.ini", "");
  ASSERT_TRUE(document.Open(dir_.folder()));
  auto arg = [](const void *p) { return reinterpret_cast<std::uintptr_t>(p); };
  const std::uintptr_t type = VORA_NODE_MARQUEE;

  NodeInfoBlock block{};
  block.recordSize = sizeof block;
  ASSERT_EQ(
      dispatcher.Send(VORA_MSG_FILL_INFO_BY_TYPE, type, 0, arg(&block), 0), 1u);
  std::string listed;
  for (std::uint32_t i = 0; i < block.count; ++i)
    listed += std::string(block.entries[i].text) + ":" +
              std::to_string(block.entries[i].extra) + " ";
  EXPECT_EQ(listed, "Name:-1 NodeID:-1 Version:-1 NumMarquees:-1 Text0:0 "
                    "Text1:1 URL0:0 URL1:1 ");
  EXPECT_STREQ(static_cast<const char *>(block.entries[5].data), "World");
  ReleaseNodeInfo(&block);

  char text[32] = {};
  ParamQuery query{};
  query.id = mq::kText;
  query.extra = 1;
  query.data = text;
  query.size = sizeof text;
  ASSERT_EQ(
      dispatcher.Send(VORA_MSG_READ_PARAM_BY_TYPE, type, 0, arg(&query), 0),
      1u);
  EXPECT_STREQ(text, "World");
  EXPECT_STREQ(query.text, "Text1");

  // A write to the next index adds an entry; one past it is refused.
  std::strcpy(text, "Third");
  query.extra = 2;
  query.valueType = VORA_VALUE_STRING;
  EXPECT_EQ(
      dispatcher.Send(VORA_MSG_WRITE_PARAM_BY_TYPE, type, 0, arg(&query), 0),
      1u);
  query.extra = 4;
  EXPECT_EQ(
      dispatcher.Send(VORA_MSG_WRITE_PARAM_BY_TYPE, type, 0, arg(&query), 0),
      0u);

  // Removing text 0 moves the others forward.
  const auto id = static_cast<std::uintptr_t>(
      document.FindByTypeAndOrdinal(VORA_NODE_MARQUEE, 0)->GetNodeId());
  EXPECT_EQ(dispatcher.Send(VORA_MSG_REMOVE_PARAM, id, mq::kText, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_REMOVE_PARAM, id, mq::kText, 2, 0), 0u);
  query.extra = 1;
  ASSERT_EQ(
      dispatcher.Send(VORA_MSG_READ_PARAM_BY_TYPE, type, 0, arg(&query), 0),
      1u);
  EXPECT_STREQ(text, "Third");
  ASSERT_EQ(dispatcher.Send(VORA_MSG_WRITE_SCRIPT, 0, 0, 0, 0), 1u);
  // Texts and links are removed apart: link 0 stays with the text now 0.
  EXPECT_EQ(dir_.read("Vora.mrq"), "Version\t3\nNumMarquees\t2\n"
                                   "Text\tWorld\nURL\thttp://a.invalid/\n"
                                   "Text\tThird\nURL\t\n");
}

} // namespace
} // namespace vorafile
