#include "document/node_index.h"

#include "document/scene_root.h"
#include "nodes/content/intro_node.h"
#include "nodes/core/param_names.h"

#include <gtest/gtest.h>

#include <memory>

namespace vorafile {
namespace {

using nodes::IntroNode;

TEST(NodeIndexTest, HoldsAtMost1024Nodes) {
  nodes::ResetNodeIdCounter();
  SceneRoot root;
  NodeIndex index;
  for (int i = 0; i < static_cast<int>(kNodeIndexRows); ++i)
    index.Register(VORA_NODE_CAMERA, i, root);
  EXPECT_FALSE(index.IsOverfull());
  index.Register(VORA_NODE_CAMERA, 5000, root);
  EXPECT_TRUE(index.IsOverfull());
  EXPECT_EQ(index.GetRowCount(), 1024);
  EXPECT_EQ(index.FindById(5000), nullptr);
  EXPECT_EQ(index.FindById(1023), &root);
}

TEST(NodeIndexTest, FindsNodesByParameter) {
  nodes::ResetNodeIdCounter();
  SceneRoot root;
  const NodeIndex &index = root.GetNodeIndex();
  EXPECT_TRUE(root.AddParamValue(300, nodes::ParamValue(std::int32_t{7})));
  EXPECT_EQ(index.FindByIntParam(VORA_NODE_SCENE_ROOT, 300, 7), &root);
  EXPECT_EQ(index.FindByIntParam(VORA_NODE_SCENE_ROOT, 300, 8), nullptr);
  EXPECT_EQ(index.FindByTextParam(VORA_NODE_SCENE_ROOT, nodes::param::kName,
                                  "UNKNOWN"),
            &root);
  EXPECT_EQ(
      index.FindByTextParam(VORA_NODE_CAMERA, nodes::param::kName, "Unknown"),
      nullptr);
}

// A node made under the root registers itself; when it is discarded before
// it joins the tree, its row stays in place but points nowhere, and every
// lookup passes over it.
TEST(NodeIndexTest, ADiscardedNodeLeavesNoRowBehind) {
  nodes::ResetNodeIdCounter();
  SceneRoot root;
  const NodeIndex &index = root.GetNodeIndex();
  auto first = std::make_unique<IntroNode>(&root, "first");
  const int firstId = first->GetNodeId();
  EXPECT_TRUE(first->AddParamValue(300, nodes::ParamValue(std::int32_t{1})));
  auto *kept = root.AddChild(std::make_unique<IntroNode>(&root, "kept"));
  EXPECT_TRUE(kept->AddParamValue(300, nodes::ParamValue(std::int32_t{1})));
  ASSERT_EQ(index.GetRowCount(), 3);
  ASSERT_EQ(index.FindByTypeAndOrdinal(VORA_NODE_INTRO, 0), first.get());

  first.reset(); // its read failed: it never joined the tree
  EXPECT_EQ(index.GetRowCount(), 3);
  EXPECT_EQ(index.GetRows()[1].node, nullptr);
  EXPECT_EQ(index.GetRows()[1].type, kForgottenRowType);
  EXPECT_EQ(index.FindById(firstId), nullptr);
  EXPECT_EQ(index.FindByTypeAndOrdinal(VORA_NODE_INTRO, 0), kept);
  EXPECT_EQ(index.FindByTypeAndOrdinal(VORA_NODE_INTRO, 1), nullptr);
  EXPECT_EQ(index.FindByIntParam(VORA_NODE_INTRO, 300, 1), kept);
  EXPECT_EQ(
      index.FindByTextParam(VORA_NODE_INTRO, nodes::param::kName, "first"),
      nullptr);
  EXPECT_EQ(index.FindById(kept->GetNodeId()), kept);
}

TEST(NodeIndexTest, ForgetClearsEveryRowOfTheNode) {
  nodes::ResetNodeIdCounter();
  SceneRoot root;
  NodeIndex index;
  SceneRoot other;
  index.Register(VORA_NODE_OBJECT_CONFIG, 4, root);
  index.Register(VORA_NODE_OBJECT_CONFIG, 5, other);
  index.Register(VORA_NODE_ORB, 4, root); // a second row of one node
  index.Forget(root);
  EXPECT_EQ(index.FindById(4), nullptr);
  EXPECT_EQ(index.FindByTypeAndOrdinal(VORA_NODE_ORB, 0), nullptr);
  EXPECT_EQ(index.FindByTypeAndOrdinal(VORA_NODE_OBJECT_CONFIG, 0), &other);
  index.Forget(root); // nothing left to clear
  EXPECT_EQ(index.FindById(5), &other);
}

} // namespace
} // namespace vorafile
