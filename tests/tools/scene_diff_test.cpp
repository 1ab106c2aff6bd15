#include "scene_diff.h"

#include "document/scene_document.h"
#include "nodes/core/param_ids.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace vorafile::cli {
namespace {

using nodes::ParamValue;
using nodes::SceneNode;

// A node of no class: parameters and children only.
class PlainNode final : public SceneNode {
public:
  explicit PlainNode(std::string_view name, Kind kind = Kind::Plain)
      : SceneNode(name) {
    SetNodeType(kind);
  }
  bool Write(nodes::TextSink *) override { return true; }
  std::int64_t Read(nodes::TextSource *, std::int64_t) override { return 0; }
};

PlainNode &AddNode(SceneNode &parent, std::string_view name, float size) {
  auto *node = parent.AddChild(
      std::make_unique<PlainNode>(name, SceneNode::Kind::Lighting));
  EXPECT_TRUE(node->AddParamValue(nodes::param::kSize, ParamValue(size)));
  return *node;
}

TEST(SceneDiffTest, NodesMatchByTypeNameAndOrdinalNotById) {
  PlainNode before("root");
  AddNode(before, "lamp", 1);
  AddNode(before, "lamp", 2);
  AddNode(AddNode(before, "hall", 3), "bulb", 4);

  // Made in another order, so every id differs: an added first node, the
  // second lamp changed, the hall's subtree gone.
  PlainNode after("root");
  PlainNode &added = AddNode(after, "porch", 5);
  AddNode(after, "lamp", 1);
  AddNode(after, "lamp", 2.5f);
  after.AddChild(std::make_unique<PlainNode>("hall", SceneNode::Kind::Camera));
  ASSERT_TRUE(added.AddParamValue(nodes::param::kFileName,
                                  ParamValue(std::string("/w/b/porch.bmp"))));

  const SceneDiff diff = CompareScenes(TakeSceneSnapshot(before, "/w/a/"),
                                       TakeSceneSnapshot(after, "/w/b/"));
  EXPECT_EQ(FormatDiffText(diff), "~ lighting \"lamp\"[1] Size: 2 -> 2.5\n"
                                  "- lighting \"hall\"\n"
                                  "+ lighting \"porch\"\n"
                                  "+ camera \"hall\"\n"
                                  "4 differences\n");
  EXPECT_EQ(FormatDiffJson(diff),
            "{\"nodes\": [\n"
            "  {\"kind\": \"changed\", \"node\": \"lighting \\\"lamp\\\"[1]\", "
            "\"param\": \"Size\", \"before\": \"2\", \"after\": \"2.5\"},\n"
            "  {\"kind\": \"removed\", \"node\": \"lighting \\\"hall\\\"\"},\n"
            "  {\"kind\": \"added\", \"node\": \"lighting \\\"porch\\\"\"},\n"
            "  {\"kind\": \"added\", \"node\": \"camera \\\"hall\\\"\"}],\n"
            " \"files\": []}\n");

  const SceneDiff same = CompareScenes(TakeSceneSnapshot(after, "/w/b/"),
                                       TakeSceneSnapshot(after, "/w/b/"));
  EXPECT_TRUE(same.IsEmpty());
  EXPECT_EQ(FormatDiffText(same), "0 differences\n");
  EXPECT_EQ(FormatDiffJson(same), "{\"nodes\": [],\n \"files\": []}\n");
}

// Two scene folders read as a package's open reads them: parameters that
// name files in different working folders compare equal, list entries and
// message nodes are compared, files byte for byte.
TEST(SceneDiffTest, ScenesReadFromFolders) {
  // One message, then two.
  constexpr std::string_view kMessages[2] = {
      "[General]\nNumMsgs=1\n[Message]\n0=Hello\n"
      "[Data]\n0=Arial;0;1;2;3;255;400;0.5;1.0\n",
      "[General]\nNumMsgs=2\n[Message]\n0=Hello\n1=Again\n"
      "[Data]\n0=Arial;0;1;2;3;255;400;0.5;1.0\n"
      "1=Arial;1;1;2;3;255;700;0.5;1.0\n"};
  test::TempDir folders[2];
  SceneDocument documents[2];
  SceneSnapshot snapshots[2];
  for (int i = 0; i < 2; ++i) {
    test::TempDir &dir = folders[i];
    std::string script = "Version 3\nBrightness ";
    script.append(i == 0 ? "0.5" : "0.7")
        .append("\nMsgOn 1\nMsgIni msgs.ini\n");
    dir.write(SceneDocument::kSavedScript, script);
    dir.write("intro.ini", "");
    dir.write("msgs.ini", kMessages[i]);
    dir.write("paint.bmp", i == 0 ? "old picture" : "new picture");
    dir.write("same.bmp", "picture");
    dir.write(i == 0 ? "only_a.txt" : "only_b.txt", "text");
    ASSERT_TRUE(documents[i].Open(dir.folder()));
    snapshots[i] = TakeSceneSnapshot(*documents[i].GetRoot(), dir.folder());
    for (const char *file :
         {"paint.bmp", "same.bmp", "only_a.txt", "only_b.txt"}) {
      if (!dir.read(file).empty()) {
        snapshots[i].files[file] = dir.file(file);
      }
    }
  }
  EXPECT_EQ(FormatDiffText(CompareScenes(snapshots[0], snapshots[1])),
            "~ root Brightness: 0.5 -> 0.7\n"
            "~ message \"ThreeDTextNode0\" NumMsgs: 1 -> 2\n"
            "+ message \"ThreeDTextNode0\"/messagedata \"MessageNode1\"\n"
            "- file only_a.txt\n"
            "+ file only_b.txt\n"
            "~ file paint.bmp\n"
            "6 differences\n");
}

} // namespace
} // namespace vorafile::cli
