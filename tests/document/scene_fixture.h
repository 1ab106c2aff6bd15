// Scene folders for tests: a working folder with a scene script, its
// "intro.ini" and whatever else a test adds.
#ifndef VORAFILE_TESTS_DOCUMENT_SCENE_FIXTURE_H
#define VORAFILE_TESTS_DOCUMENT_SCENE_FIXTURE_H

#include "document/scene_document.h"
#include "nodes/core/param_ids.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace vorafile::test {

/// The fixed values of a version-2 script up to its audio bands.
inline std::string Version2Values(int objects = 0) {
  return "Scene\n25.0\n0.8\n1.5\n7\n0\n" + std::to_string(objects) +
         "\nextra\n";
}
/// The version-2 message lines that follow the audio bands.
inline const std::string kVersion2Message =
    "1\nHello\n0.5\n500\n0\n254 254 254 255\n1.0\nArial\n";

/// Stands in for a node class that a test does not need whole: a kind and
/// a name, registered with the root.
class StandInNode final : public nodes::SceneNode {
public:
  StandInNode(SceneNode *parent, Kind kind, std::string_view name)
      : SceneNode(name) {
    SetNodeType(kind);
    SetParent(parent);
    RegisterWithRoot();
  }
  bool Write(nodes::TextSink *) override { return true; }
  std::int64_t Read(nodes::TextSource *, std::int64_t position) override {
    return position;
  }
};

/// Node name, parameter id and value of every parameter of `nodes` but
/// "NodeID" (it follows the order nodes are made), sorted by name and id:
/// the writer puts sections and lines in an order of its own.
using ParamSnapshot =
    std::vector<std::tuple<std::string, int, nodes::ParamValue>>;

inline ParamSnapshot
SnapshotParams(const std::vector<const nodes::SceneNode *> &nodes) {
  ParamSnapshot values;
  for (const nodes::SceneNode *node : nodes)
    for (const nodes::NodeParam &param : node->GetParamArray())
      if (param.GetId() != nodes::param::kNodeId)
        values.emplace_back(node->GetName(), param.GetId(), *param.GetValue());
  std::stable_sort(values.begin(), values.end(),
                   [](const auto &a, const auto &b) {
                     return std::tie(std::get<0>(a), std::get<1>(a)) <
                            std::tie(std::get<0>(b), std::get<1>(b));
                   });
  return values;
}

class SceneFolderTest : public ::testing::Test {
protected:
  /// Writes "vora.vrc" (and an empty "intro.ini" unless there is one) and
  /// opens the folder.
  SceneOpenResult
  OpenScript(const std::string &script,
             const char *scriptName = SceneDocument::kSavedScript) {
    dir_.write(scriptName, script);
    if (dir_.read("intro.ini").empty())
      dir_.write("intro.ini", "");
    return document_.Open(dir_.folder());
  }

  /// OpenScript, and Open of the folder as it is, as assertions that name
  /// the problem when the open fails.
  ::testing::AssertionResult
  Opens(const std::string &script,
        const char *scriptName = SceneDocument::kSavedScript) {
    return Checked(OpenScript(script, scriptName));
  }
  ::testing::AssertionResult Reopens() {
    return Checked(document_.Open(dir_.folder()));
  }
  ::testing::AssertionResult Checked(const SceneOpenResult &opened) const {
    if (opened)
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Problem();
  }

  /// Saves, and opens what was saved in place of the script read; answers
  /// the saved script.
  std::string SaveAndReopen() {
    EXPECT_TRUE(document_.WriteScript());
    std::string saved = dir_.read(SceneDocument::kSavedScript);
    std::filesystem::remove(dir_.file(SceneDocument::kDeliveredScript));
    EXPECT_TRUE(Reopens()) << saved;
    return saved;
  }

  std::string Problem() const { return document_.GetOpenProblem().Describe(); }

  nodes::SceneNode &Root() { return *document_.GetRoot(); }

  template <class T> std::optional<T> RootParam(int id) {
    return Root().GetParamAs<T>(id);
  }

  TempDir dir_;
  SceneDocument document_;
};

} // namespace vorafile::test

#endif // VORAFILE_TESTS_DOCUMENT_SCENE_FIXTURE_H
