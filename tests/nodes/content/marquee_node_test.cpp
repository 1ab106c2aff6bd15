#include "nodes/content/marquee_node.h"

#include "nodes/node_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace vorafile::nodes {
namespace {

namespace mq = marquee_param;
using namespace std::string_literals;

struct Entries {
  std::vector<std::string> texts;
  std::vector<std::string> links;
  bool operator==(const Entries &) const = default;
};

Entries EntriesOf(const MarqueeNode &node) {
  Entries entries;
  ParamValue value;
  for (int i = 0; node.GetParamValue(mq::kText, value, i); ++i)
    entries.texts.emplace_back(value.GetText());
  for (int i = 0; node.GetParamValue(mq::kUrl, value, i); ++i)
    entries.links.emplace_back(value.GetText());
  return entries;
}

class MarqueeNodeTest : public ::testing::Test {
protected:
  MarqueeNode &Load(const std::string &file) {
    node_ = std::make_unique<MarqueeNode>(&parent_, "MarqueeNode");
    result_ = test::ReadSection(*node_, file).end;
    return *node_;
  }
  std::string Failure() const {
    const auto &failure = node_->GetReadFailure();
    return failure ? failure->reason : "";
  }

  test::VersionParent parent_{3};
  std::unique_ptr<MarqueeNode> node_;
  std::int64_t result_ = kReadFailed;
};

TEST_F(MarqueeNodeTest, ReadsTextsUpToTheBarWithoutTheirBlanks) {
  MarqueeNode &node = Load("Version 3\nNumMarquees 2\n"
                           "Text Hello world|ignored\nURL somewhere\n"
                           "Text  Second  \nURL elsewhere\n");
  ASSERT_NE(result_, kReadFailed) << Failure();
  EXPECT_EQ(EntriesOf(node),
            (Entries{{"Hello world", "Second"}, {"somewhere", "elsewhere"}}));
  // Name, NodeID, Version, NumMarquees, two texts, two links.
  EXPECT_EQ(node.GetParamCount(), 8);
  EXPECT_EQ(node.GetParamAs<std::int32_t>(mq::kNumMarquees), 2);
  // Written back with a tab between the name and the text.
  EXPECT_EQ(test::WriteSection(node), "Version\t3\nNumMarquees\t2\n"
                                      "Text\tHello world\nURL\tsomewhere\n"
                                      "Text\tSecond\nURL\telsewhere\n");
}

TEST_F(MarqueeNodeTest, AWrittenFileReadsBackByteForByte) {
  const std::string file = "Version\t3\nNumMarquees\t3\n"
                           "Text\tNight drive\nURL\thttp://example.invalid/\n"
                           "Text\tno link here\nURL\t\n"
                           "Text\t\nURL\tlink of an empty text\n";
  MarqueeNode &node = Load(file);
  ASSERT_NE(result_, kReadFailed) << Failure();
  EXPECT_EQ(test::WriteSection(node), file);
}

TEST_F(MarqueeNodeTest, ReadCases) {
  const struct {
    const char *name;
    std::string file;
    Entries entries;
    std::optional<std::int32_t> count; // "NumMarquees" after the read
    std::string failure;               // "" for a successful read
  } cases[] = {
      {"empty file", "", Entries{}, std::nullopt, ""},
      {"one more than declared",
       "NumMarquees 1\nText a\nURL 1\nText b\nURL 2\n",
       Entries{{"a", "b"}, {"1", "2"}}, 2, ""},
      {"text before the count is entry 0", "Text a\nURL 1\n",
       Entries{{"a"}, {"1"}}, 1, ""},
      {"empty text and empty link", "NumMarquees 1\nText\nURL\n",
       Entries{{""}, {""}}, 1, ""},
      {"the link line's first word is never the link",
       "NumMarquees 1\nText a\nhttp://x\n", Entries{{"a"}, {""}}, 1, ""},
      {"the line after a text is its link, whatever it says",
       "NumMarquees 2\nText a\nText b\n", Entries{{"a"}, {"b"}}, 2, ""},
      {"a text at the end has no link", "NumMarquees 1\nText a",
       Entries{{"a"}, {}}, 1, ""},
      {"keywords in any case, other lines passed over",
       "; note\nnummarquees 1\nSpeed 5\n\nTEXT a\nurl 1\n",
       Entries{{"a"}, {"1"}}, 1, ""},
      {"a NUL ends the text as it ends a C string",
       "NumMarquees 1\nText a \0b\nURL 1\0\n"s, Entries{{"a"}, {"1"}}, 1, ""},
      {"carriage returns", "NumMarquees 1\r\nText a \r\nURL 1\rx\r\n",
       Entries{{"a"}, {"1\rx"}}, 1, ""},
      {"a count without a number is passed over", "NumMarquees\nText a\nU 1\n",
       Entries{{"a"}, {"1"}}, 1, ""},
      {"second version", "Version 3\nversion 3\n", Entries{}, std::nullopt,
       "line 2: a second \"version\" line"},
      {"second count", "NumMarquees 1\nNumMarquees 1\n", Entries{}, 1,
       "line 2: a second \"NumMarquees\" line"},
      {"two more than declared", "NumMarquees 0\nText a\nURL\nText b\nURL\n",
       Entries{{"a"}, {""}}, 0,
       "line 4: more \"Text\" lines than NumMarquees + 1"},
      {"a second text before the count", "Text a\nURL\nText b\nURL\n",
       Entries{{"a"}, {""}}, std::nullopt,
       "line 3: more \"Text\" lines than NumMarquees + 1"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    MarqueeNode &node = Load(c.file);
    EXPECT_EQ(result_ == kReadFailed, !c.failure.empty());
    EXPECT_EQ(Failure(), c.failure);
    EXPECT_EQ(EntriesOf(node), c.entries);
    EXPECT_EQ(node.GetParamAs<std::int32_t>(mq::kNumMarquees), c.count);
  }
}

TEST_F(MarqueeNodeTest, KeepsTextsAndLinksOf1023Characters) {
  const std::string whole(kMaxMarqueeTextLength, 'w');
  const std::string tooLong = std::string(kMaxMarqueeTextLength, 'x') + "y";
  const std::string file = "NumMarquees\t2\nText\t" + whole + "\nURL\t" +
                           whole + "\nText\t" + tooLong + "\nURL\tnext\n";
  MarqueeNode &node = Load(file);
  ASSERT_NE(result_, kReadFailed) << Failure();
  const std::string cut(kMaxMarqueeTextLength, 'x');
  // The rest of the long line is never taken as the link.
  EXPECT_EQ(EntriesOf(node), (Entries{{whole, cut}, {whole, "next"}}));
  EXPECT_EQ(test::WriteSection(node), "NumMarquees\t2\nText\t" + whole +
                                          "\nURL\t" + whole + "\nText\t" + cut +
                                          "\nURL\tnext\n");
}

// The count is written as held (a file may declare more texts than it
// holds), but never below the entries held, so that none is lost.
TEST_F(MarqueeNodeTest, WritesEveryEntryItHoldsAndItsCount) {
  MarqueeNode node(&parent_, "MarqueeNode", 1);
  EXPECT_EQ(test::WriteSection(node), "NumMarquees\t1\n");
  const std::string link = "a link\nwith a line break";
  ASSERT_TRUE(node.AddParamValue(mq::kText, ParamValue(std::string("one")), 0));
  ASSERT_TRUE(node.AddParamValue(mq::kText, ParamValue(std::string("two")), 1));
  ASSERT_TRUE(node.AddParamValue(mq::kUrl, ParamValue(link), 0));
  // The last text may go without its link line; no other may.
  EXPECT_EQ(test::WriteSection(node), "NumMarquees\t2\nText\tone\nURL\ta link\n"
                                      "Text\ttwo\n");
  ASSERT_TRUE(node.AddParamValue(mq::kText, ParamValue(std::string("3")), 2));
  EXPECT_EQ(test::WriteSection(node), "NumMarquees\t3\nText\tone\nURL\ta link\n"
                                      "Text\ttwo\nURL\t\nText\t3\n");
  MarqueeNode empty(&parent_);
  EXPECT_EQ(empty.GetName(), "Unknown");
  EXPECT_EQ(test::WriteSection(empty), "");
}

TEST_F(MarqueeNodeTest, IndexedOperationsCheckTypeAndIndex) {
  MarqueeNode &node = Load("NumMarquees 1\nText first\nURL\nText second\n");
  ASSERT_NE(result_, kReadFailed) << Failure();
  char text[32] = {};
  std::int32_t number = 0;
  EXPECT_FALSE(
      node.GetParam(mq::kText, &number, sizeof number, VORA_VALUE_INT, 0));
  EXPECT_FALSE(
      node.GetParam(mq::kText, text, sizeof text, VORA_VALUE_STRING, 5));
  EXPECT_FALSE(node.GetParam(mq::kText, text, 3, VORA_VALUE_STRING, 1));
  ASSERT_TRUE(
      node.GetParam(mq::kText, text, sizeof text, VORA_VALUE_STRING, 1));
  EXPECT_STREQ(text, "second");
  EXPECT_EQ(node.GetParamSize(mq::kText, -1, 1), 7u);
  EXPECT_EQ(node.GetParamSize(mq::kUrl, -1, 1), kParamSizeAbsent);
  EXPECT_EQ(node.GetParamSize(mq::kText, -1, -1), kParamSizeAbsent);

  // An existing index is refused by an add, replaced by a set; a gap is
  // refused by both.
  EXPECT_FALSE(node.AddParam(mq::kText, "again", VORA_VALUE_STRING, 0));
  EXPECT_TRUE(node.SetParam(mq::kText, "changed", VORA_VALUE_STRING, 0));
  EXPECT_FALSE(node.SetParam(mq::kText, "gap", VORA_VALUE_STRING, 3));
  EXPECT_FALSE(node.AddParam(mq::kUrl, "x", 99u, 1)); // invalid type
  EXPECT_TRUE(node.AddParam(mq::kUrl, "x", VORA_VALUE_STRING, 1));
  EXPECT_EQ(EntriesOf(node), (Entries{{"changed", "second"}, {"", "x"}}));
  EXPECT_EQ(node.GetParamsSize(), std::size_t{(std::strlen("MarqueeNode") + 1) +
                                              4 + 4 + 8 + 7 + 1 + 2});
  EXPECT_FALSE(node.RemoveParam(mq::kText, 2));
  EXPECT_FALSE(node.RemoveParam(mq::kText, -1));
}

TEST_F(MarqueeNodeTest, RemovingAnEntryRenumbersThoseBehindIt) {
  MarqueeNode &node = Load("NumMarquees 3\nText a\nURL 1\nText b\nURL 2\n"
                           "Text c\nURL 3\n");
  ASSERT_NE(result_, kReadFailed) << Failure();
  ASSERT_TRUE(node.RemoveParam(mq::kText, 1));
  ASSERT_TRUE(node.RemoveParam(mq::kUrl, 1));
  EXPECT_EQ(EntriesOf(node), (Entries{{"a", "c"}, {"1", "3"}}));
  char text[8] = {};
  ASSERT_TRUE(
      node.GetParam(mq::kText, text, sizeof text, VORA_VALUE_STRING, 1));
  EXPECT_STREQ(text, "c");
  // The count is the host's to change.
  EXPECT_EQ(test::WriteSection(node),
            "NumMarquees\t3\nText\ta\nURL\t1\nText\tc\nURL\t3\n");
}

TEST_F(MarqueeNodeTest, NamesAreTheMarqueesOwnFirst) {
  MarqueeNode node(&parent_);
  for (const char *name : {"NumMarquees", "nummarquees", "NUMMARQUEES"})
    EXPECT_EQ(node.GetParamId(name), mq::kNumMarquees) << name;
  EXPECT_EQ(node.GetParamId("Version"), mq::kVersion);
  EXPECT_EQ(parent_.GetParamId("Version"), 277);
  EXPECT_EQ(node.GetParamId("Brightness"), 3);
  EXPECT_EQ(node.GetParamId("NoSuchName"), 275);
  EXPECT_EQ(node.GetParamName(mq::kUnknown), "Unknown");
  EXPECT_EQ(node.GetParamName(160), "Name");
  EXPECT_EQ(node.GetIndexedParamName(mq::kText, 0), "Text0");
  EXPECT_EQ(node.GetIndexedParamName(mq::kUrl, 3), "URL3");
  EXPECT_EQ(node.GetIndexedParamName(mq::kNumMarquees, 3), "NumMarquees");
}

TEST_F(MarqueeNodeTest, OnlyScriptVersion3HasAMarquee) {
  parent_.SetScriptVersion(2);
  MarqueeNode &node = Load("NumMarquees 1\nText a\nURL\n");
  EXPECT_EQ(result_, kReadFailed);
  EXPECT_EQ(EntriesOf(node), Entries{});
  StringSink sink;
  EXPECT_FALSE(node.Write(&sink));
  EXPECT_EQ(sink.GetText(), "");
}

TEST_F(MarqueeNodeTest, AFileReadInPartIsLeftAsItWas) {
  test::TempDir dir;
  const std::string broken = "NumMarquees 0\nText a\nURL\nText b\nURL\n";
  dir.write("Vora.mrq", broken);
  MarqueeNode &node = Load(broken);
  ASSERT_EQ(result_, kReadFailed);
  EXPECT_TRUE(node.WriteFile(dir.file("Vora.mrq")));
  EXPECT_EQ(dir.read("Vora.mrq"), broken);

  MarqueeNode &whole = Load("Text a\nURL\n");
  ASSERT_NE(result_, kReadFailed) << Failure();
  EXPECT_TRUE(whole.WriteFile(dir.file("Vora.mrq")));
  EXPECT_EQ(dir.read("Vora.mrq"), "NumMarquees\t1\nText\ta\nURL\t\n");
  EXPECT_FALSE(whole.WriteFile(dir.file("no/such/folder/Vora.mrq")));
}

} // namespace
} // namespace vorafile::nodes
