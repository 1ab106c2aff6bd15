// A parent that gives nodes their script version and folder, as the scene
// root does, and helpers to read a node's section from text, write it, and
// list its indexed values.
#ifndef VORAFILE_TESTS_NODES_NODE_TEST_SUPPORT_H
#define VORAFILE_TESTS_NODES_NODE_TEST_SUPPORT_H

#include "nodes/core/scene_node.h"
#include "nodes/core/text_stream.h"
#include "nodes/core/value_writer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace vorafile::nodes::test {

using vorafile::test::TempDir;

class VersionParent final : public SceneNode {
public:
  explicit VersionParent(int version = 0) : SceneNode("parent") {
    SetScriptVersion(version);
  }
  bool Write(TextSink *) override { return true; }
  std::int64_t Read(TextSource *, std::int64_t position) override {
    return position;
  }
};

/// Where a read ended and, when it failed, the line (1-based) and reason
/// that the node recorded.
struct SectionRead {
  std::int64_t end = 0;
  int failedLine = 0;
  std::string reason;
};

inline int LineAt(const std::string &text, std::int64_t position) {
  int line = 1;
  for (std::int64_t i = 0; i < position; ++i) {
    line += text[static_cast<std::size_t>(i)] == '\n' ? 1 : 0;
  }
  return line;
}

inline SectionRead ReadSection(SceneNode &node, const std::string &text,
                               std::int64_t position = 0) {
  StringSource in(text);
  SectionRead read;
  read.end = node.Read(&in, position);
  if (const auto &failure = node.GetReadFailure()) {
    read.failedLine = LineAt(text, failure->position);
    read.reason = failure->reason;
  }
  return read;
}

inline std::string WriteSection(SceneNode &node) {
  StringSink out;
  EXPECT_TRUE(node.Write(&out));
  return out.GetText();
}

/// Adds each (id, value) in turn; the failure names the id refused.
inline ::testing::AssertionResult
AddValues(SceneNode &node,
          std::initializer_list<std::pair<int, ParamValue>> values) {
  for (const auto &[id, value] : values)
    if (!node.AddParamValue(id, value))
      return ::testing::AssertionFailure() << "id " << id << " refused";
  return ::testing::AssertionSuccess();
}

/// "name=value" of each indexed value the node hands its visitors.
inline std::vector<std::string> SubItemTexts(const SceneNode &node) {
  struct Texts final : SubItemVisitor {
    void Visit(const SubItem &item) override {
      seen.push_back(std::string(item.name) + "=" +
                     FormatValueText(item.value, false));
    }
    std::vector<std::string> seen;
  } texts;
  node.VisitSubItems(texts);
  return texts.seen;
}

} // namespace vorafile::nodes::test

#endif // VORAFILE_TESTS_NODES_NODE_TEST_SUPPORT_H
