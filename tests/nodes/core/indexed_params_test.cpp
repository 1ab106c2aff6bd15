#include "nodes/core/indexed_params.h"

#include "nodes/core/param_ids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorafile::nodes {
namespace {

ParamValue Text(const char *text) {
  return ParamValue(std::string(text));
}

std::vector<std::string> Texts(const IndexedParamList &list) {
  std::vector<std::string> texts;
  for (const ParamValue &value : list.GetValues()) {
    texts.emplace_back(value.GetText());
  }
  return texts;
}

IndexedParamList FourTexts() {
  IndexedParamList list(transition_param::kTfpPresetFile);
  for (const char *text : {"a", "b", "c", "d"}) {
    EXPECT_TRUE(list.Add(static_cast<int>(list.GetCount()), Text(text)));
  }
  return list;
}

TEST(IndexedParamListTest, RemovalRenumbersTheEntriesBehind) {
  IndexedParamList list = FourTexts();
  ASSERT_TRUE(list.Remove(1));
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "c", "d"}));
  ASSERT_NE(list.Find(1), nullptr);
  EXPECT_EQ(list.Find(1)->GetText(), "c");
  EXPECT_EQ(list.Find(3), nullptr);
  // The next add takes the freed end, not the removed index.
  EXPECT_FALSE(list.Add(1, Text("x")));
  EXPECT_TRUE(list.Add(3, Text("e")));
  ASSERT_TRUE(list.Remove(0));
  EXPECT_EQ(list.Find(0)->GetText(), "c");
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"c", "d", "e"}));
}

// Every operation on an index that is not an entry (or, for add and set,
// not the next one) fails and leaves the list as it was.
TEST(IndexedParamListTest, IndexesOutsideTheEntriesChangeNothing) {
  IndexedParamList list = FourTexts();
  EXPECT_FALSE(list.Add(2, Text("x"))); // exists
  EXPECT_FALSE(list.Add(5, Text("x"))); // a gap
  EXPECT_FALSE(list.Add(-1, Text("x")));
  EXPECT_FALSE(list.Set(5, Text("x")));
  EXPECT_FALSE(list.Set(-1, Text("x")));
  EXPECT_FALSE(list.Remove(4));
  EXPECT_FALSE(list.Remove(-1));
  EXPECT_EQ(list.GetSize(4), std::nullopt);
  EXPECT_EQ(list.Find(-1), nullptr);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(IndexedParamListTest, SetReplacesInPlaceOrAppendsTheNext) {
  IndexedParamList list = FourTexts();
  EXPECT_TRUE(list.Set(1, Text("bee")));
  EXPECT_TRUE(list.Set(4, Text("e")));
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "bee", "c", "d", "e"}));
  EXPECT_EQ(list.GetSize(1), 4u); // text and terminator
  EXPECT_EQ(list.GetTotalSize(), 2u + 4u + 2u + 2u + 2u);
}

TEST(IndexedNameTest, ComposeAndParseRoundTrip) {
  struct Case {
    std::string_view name;
    int index;
    std::string_view composed;
  };
  const Case cases[] = {
      {"Text", 0, "Text0"},
      {"URL", 3, "URL3"},
      {"Lfp Preset File", 2, "Lfp Preset File2"},
      {"Vro0", 1, "Vro01"}, // a name that ends in a digit itself
      {"Text", 2147483647, "Text2147483647"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(ComposeIndexedName(c.name, c.index), c.composed);
    EXPECT_EQ(ParseIndexedName(c.composed, c.name), c.index) << c.composed;
  }
  EXPECT_EQ(ComposeIndexedName("Text", -1), "Text");
}

TEST(IndexedNameTest, ParseTakesOnlyWhatComposeWrites) {
  EXPECT_EQ(ParseIndexedName("text12", "Text"), 12);
  EXPECT_EQ(ParseIndexedName("url0", "URL"), 0);
  for (std::string_view text :
       {"Text", "Text07", "Text-1", "Text+1", "Text 1", "Text1a",
        "Text2147483648", "Texts1", "URL1", ""})
    EXPECT_EQ(ParseIndexedName(text, "Text"), std::nullopt) << text;
}

} // namespace
} // namespace vorafile::nodes
