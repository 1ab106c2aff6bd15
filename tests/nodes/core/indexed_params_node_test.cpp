#include "nodes/core/indexed_params_node.h"

#include "nodes/core/param_ids.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace vorafile::nodes {
namespace {

constexpr int kAlpha = 5000;
constexpr int kBeta = 5001;
constexpr int kRemoved = 5002;
constexpr std::array<std::string_view, 3> kNames = {"Alpha", "Beta", "Removed"};

const NameTable &TestNames() {
  static const NameTable table(kAlpha, kNames);
  return table;
}

// Two lists: Alpha answers GetParam for Strings only and counts removals;
// Beta takes Ints only and is addressed only while switched on.
class TwoListNode final : public IndexedParamsNode {
public:
  TwoListNode() : IndexedParamsNode("Test", TestNames()) {}
  bool Write(TextSink *) override { return false; }
  std::int64_t Read(TextSource *, std::int64_t) override { return kReadFailed; }

  bool betaOn = true;
  int removed = 0;

private:
  IndexedParamList *FindList(int id) override {
    return id == kAlpha ? &alpha_ : id == kBeta && betaOn ? &beta_ : nullptr;
  }
  const IndexedParamList *FindList(int id) const override {
    return const_cast<TwoListNode *>(this)->FindList(id);
  }
  std::vector<const IndexedParamList *> GetLists() const override {
    return {&alpha_, &beta_};
  }
  bool RemoveListEntry(IndexedParamList &list, int index) override {
    removed += list.GetId() == kAlpha ? 1 : 0;
    return IndexedParamsNode::RemoveListEntry(list, index);
  }
  bool AcceptsEntryType(const IndexedParamList &list,
                        std::uint32_t code) const override {
    return list.GetId() != kBeta || code == VORA_VALUE_INT;
  }
  bool AnswersEntryType(const IndexedParamList &list,
                        ValueType type) const override {
    return list.GetId() != kAlpha || type == ValueType::String;
  }

  IndexedParamList alpha_{kAlpha};
  IndexedParamList beta_{kBeta};
};

struct NameCollector final : SubItemVisitor {
  void Visit(const SubItem &item) override { names.emplace_back(item.name); }
  std::vector<std::string> names;
};

TEST(IndexedParamsNodeTest, RoutesListIdsToTheirListsThroughTheHooks) {
  TwoListNode node;
  // The base may hold parameters of its own from the start.
  const int held = node.GetParamCount();
  const std::int32_t number = 7;
  ASSERT_TRUE(node.AddParamValue(kAlpha, ParamValue(std::string("a")), 0));
  ASSERT_TRUE(node.AddParam(kAlpha, &number, VORA_VALUE_INT, 1));
  ASSERT_TRUE(node.AddParam(kBeta, &number, VORA_VALUE_INT, 0));
  EXPECT_FALSE(node.AddParamValue(kBeta, ParamValue(std::string("b")), 1));
  // A plain parameter under an id of neither list.
  ASSERT_TRUE(node.AddParam(param::kId, &number, VORA_VALUE_INT));

  std::int32_t out = 0;
  EXPECT_FALSE(node.GetParam(kAlpha, &out, sizeof out, VORA_VALUE_INT, 1));
  EXPECT_TRUE(node.GetParam(kBeta, &out, sizeof out, VORA_VALUE_INT, 0));
  EXPECT_EQ(node.GetParamCount(), held + 4);
  EXPECT_EQ(node.GetParamSize(kBeta, -1, 0), 4u);
  EXPECT_EQ(node.GetParamSize(kBeta, -1, 1), kParamSizeAbsent);
  EXPECT_EQ(node.GetParamId("beta"), kBeta);
  EXPECT_EQ(node.GetParamName(param::kId), "ID");

  NameCollector visited;
  node.VisitSubItems(visited);
  EXPECT_EQ(visited.names,
            (std::vector<std::string>{"Alpha0", "Alpha1", "Beta0"}));

  // Switched off, Beta is a plain id: not visited, named bare, still
  // counted.
  node.betaOn = false;
  NameCollector alphaOnly;
  node.VisitSubItems(alphaOnly);
  EXPECT_EQ(alphaOnly.names, (std::vector<std::string>{"Alpha0", "Alpha1"}));
  EXPECT_EQ(node.GetIndexedParamName(kBeta, 2), "Beta");
  EXPECT_EQ(node.GetIndexedParamName(kAlpha, 2), "Alpha2");
  EXPECT_EQ(node.GetParamCount(), held + 4);

  ASSERT_TRUE(node.RemoveParam(kAlpha, 0));
  EXPECT_EQ(node.removed, 1);
  EXPECT_EQ(node.GetParamCount(), held + 3);
}

} // namespace
} // namespace vorafile::nodes
