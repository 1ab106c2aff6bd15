#include "nodes/core/scene_node.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <utility>
#include <vector>

namespace vorafile::nodes {
namespace {

using Kind = SceneNode::Kind;
using ChildHold = SceneNode::ChildHold;

// A node class following the constructor pattern: base constructor with the
// name, the node type, the parent, then registration with the root.
class TestNode : public SceneNode {
public:
  explicit TestNode(std::string_view name, Kind kind = Kind::Plain,
                    SceneNode *parent = nullptr, bool *destroyed = nullptr)
      : SceneNode(name), destroyed_(destroyed) {
    SetNodeType(kind);
    SetParent(parent);
    if (parent != nullptr) {
      RegisterWithRoot();
    }
  }
  ~TestNode() override {
    if (destroyed_ != nullptr) {
      *destroyed_ = true;
    }
  }
  bool Write(TextSink *) override { return false; }
  std::int64_t Read(TextSource *, std::int64_t) override { return kReadFailed; }

  using SceneNode::MakeShared;

private:
  bool *destroyed_;
};

class CameraTestNode : public TestNode {
public:
  CameraTestNode() : TestNode("CameraNode0", Kind::Camera) {}
  static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::Camera;
  }
};

// The root's side of registration: it records the rows it is given and the
// nodes it is told to forget.
class TestRoot : public TestNode, private NodeRegistry {
public:
  struct Row {
    int nodeType;
    int nodeId;
    SceneNode *node;
    bool operator==(const Row &) const = default;
  };
  TestRoot() : TestNode("Unknown", Kind::SceneRoot) { RegisterWithRoot(); }
  void Register(int nodeType, int nodeId, SceneNode &node) override {
    rows.push_back(Row{nodeType, nodeId, &node});
  }
  void Forget(const SceneNode &node) override { forgotten.push_back(&node); }
  SceneNode *FindById(int) const override { return nullptr; }
  SceneNode *FindByIntParam(int, int, std::int32_t) const override {
    return nullptr;
  }
  SceneNode *FindByTextParam(int, int, std::string_view) const override {
    return nullptr;
  }
  using SceneNode::RegisterWithRoot;
  std::vector<Row> rows;
  std::vector<const SceneNode *> forgotten;

private:
  NodeRegistry *GetKeptRegistry() override { return this; }
};

TEST(SceneNodeTest, NewNodeHoldsNameAndNodeId) {
  ResetNodeIdCounter();
  const TestNode first("abc");
  const TestNode second("CameraNode0");
  EXPECT_EQ(first.GetNodeId(), 0);
  EXPECT_EQ(second.GetNodeId(), 1);
  EXPECT_EQ(first.GetParamCount(), 2);
  const auto &params = first.GetParamArray();
  ASSERT_EQ(params.size(), 2u);
  EXPECT_EQ(params[0].GetId(), 160);
  EXPECT_EQ(params[0].GetValue()->GetText(), "abc");
  EXPECT_EQ(params[1].GetId(), 163);
  ParamValue id;
  ASSERT_TRUE(params[1].CopyValue(id));
  EXPECT_EQ(id, ParamValue(std::int32_t{0}));
  EXPECT_EQ(second.GetParamAs<std::int32_t>(163), 1);
  EXPECT_EQ(first.GetKind(), Kind::Plain);
  EXPECT_EQ(first.GetParent(), nullptr);
  EXPECT_EQ(first.GetScriptVersion(), 0);
  EXPECT_FALSE(first.IsShared());
  EXPECT_EQ(first.GetRefCount(), 0);

  ResetNodeIdCounter();
  const TestNode afterReset("x");
  EXPECT_EQ(afterReset.GetNodeId(), 0);
}

TEST(SceneNodeTest, AddRefusesPresentIdsSetReplacesInPlace) {
  TestNode node("n");
  const float fov = 45.0f;
  const float other = 60.0f;
  ASSERT_TRUE(node.AddParam(101, &fov, VORA_VALUE_FLOAT));
  ASSERT_TRUE(node.AddParam(161, &fov, VORA_VALUE_FLOAT));
  EXPECT_FALSE(node.AddParam(101, &other, VORA_VALUE_FLOAT));
  EXPECT_EQ(node.GetParamAs<float>(101), 45.0f);

  // Set keeps the position, also when the type changes.
  ASSERT_TRUE(node.SetParam(101, "wide", VORA_VALUE_STRING));
  EXPECT_EQ(node.GetParamArray()[2].GetId(), 101);
  EXPECT_EQ(node.GetTextParam(101), "wide");
  EXPECT_EQ(node.GetParamCount(), 4);

  ASSERT_TRUE(node.SetParam(87, &other, VORA_VALUE_FLOAT));
  EXPECT_EQ(node.GetParamArray()[4].GetId(), 87);

  // Invalid codes change nothing.
  EXPECT_FALSE(node.AddParam(300, &fov, 9));
  EXPECT_FALSE(node.SetParam(101, &fov, 12));
  EXPECT_EQ(node.GetParamCount(), 5);
  EXPECT_EQ(node.GetTextParam(101), "wide");

  // The name given at construction stays when "Name" changes.
  ASSERT_TRUE(node.SetParamValue(160, ParamValue(std::string("renamed"))));
  EXPECT_EQ(node.GetName(), "n");
  EXPECT_EQ(node.GetTextParam(160), "renamed");
}

TEST(SceneNodeTest, RemoveKeepsTheOrderOfTheRest) {
  TestNode node("n");
  for (int id : {1, 2, 3}) {
    ASSERT_TRUE(node.AddParamValue(id, ParamValue(std::int32_t{id})));
  }
  EXPECT_FALSE(node.RemoveParam(4));
  ASSERT_TRUE(node.RemoveParam(2));
  std::vector<int> ids;
  for (const NodeParam &param : node.GetParamArray()) {
    ids.push_back(param.GetId());
  }
  EXPECT_EQ(ids, (std::vector<int>{160, 163, 1, 3}));

  for (int id : {160, 163, 1, 3}) {
    ASSERT_TRUE(node.RemoveParam(id));
  }
  EXPECT_EQ(node.GetParamCount(), 0);
  EXPECT_FALSE(node.RemoveParam(160));
}

TEST(SceneNodeTest, GetParamCopiesOnlyTheStoredType) {
  TestNode node("abc");
  std::array<unsigned char, 8> out{};
  out.fill(0xEE);
  EXPECT_FALSE(node.GetParam(163, out.data(), out.size(), VORA_VALUE_FLOAT));
  EXPECT_FALSE(node.GetParam(163, out.data(), out.size(), 9));
  EXPECT_FALSE(node.GetParam(999, out.data(), out.size(), VORA_VALUE_INT));
  EXPECT_EQ(out[0], 0xEE);

  ASSERT_TRUE(node.GetParam(163, out.data(), out.size(), VORA_VALUE_INT));
  std::int32_t id = -1;
  std::memcpy(&id, out.data(), sizeof id);
  EXPECT_EQ(id, node.GetNodeId());
  EXPECT_EQ(out[4], 0xEE);

  // A text needs room for its terminator.
  std::array<char, 4> text{};
  EXPECT_FALSE(node.GetParam(160, text.data(), 3, VORA_VALUE_STRING));
  ASSERT_TRUE(node.GetParam(160, text.data(), 4, VORA_VALUE_STRING));
  EXPECT_STREQ(text.data(), "abc");

  ParamValue value;
  EXPECT_FALSE(node.GetParamValue(999, value));
  ASSERT_TRUE(node.GetParamValue(160, value));
  EXPECT_EQ(value.GetText(), "abc");
}

TEST(SceneNodeTest, SizesOfParameters) {
  TestNode node("abc");
  EXPECT_EQ(node.GetParamSize(160), 4u);
  EXPECT_EQ(node.GetParamSize(163), 4u);
  EXPECT_EQ(node.GetParamSize(999), 0xFFFFFFFFu);
  ASSERT_TRUE(node.AddParamValue(128, ParamValue(Vector{{0, 1, 2}})));
  ASSERT_TRUE(node.AddParamValue(17, ParamValue(Block{})));
  EXPECT_EQ(node.GetParamsSize(), 4u + 4u + 12u + 60u);
}

TEST(SceneNodeTest, NamesAndIdsThroughTheBuiltInTable) {
  const TestNode node("n");
  EXPECT_EQ(node.GetParamName(68), "Message");
  EXPECT_EQ(node.GetParamName(4000), "");
  EXPECT_EQ(node.GetParamId("fov"), 101);
  EXPECT_EQ(node.GetParamId("NoSuchName"), 275);
  EXPECT_EQ(node.ComposeParamName(263, 275), "TextDeform Num");
  EXPECT_EQ(node.ComposeParamName(260, 194), "TextDeform Parent");
  EXPECT_EQ(node.ComposeParamName(4000, 194), std::nullopt);
}

TEST(SceneNodeTest, FindChildCountsOrdinalsPerKind) {
  TestNode parent("p");
  SceneNode *band0 =
      parent.AddChild(std::make_unique<TestNode>("b", Kind::FilterBand));
  parent.AddChild(std::make_unique<TestNode>("a", Kind::AudioAnalysis));
  SceneNode *band1 =
      parent.AddChild(std::make_unique<TestNode>("b", Kind::FilterBand));
  EXPECT_EQ(parent.GetChildCount(), 3);
  EXPECT_EQ(parent.FindChild(Kind::FilterBand, 0), band0);
  EXPECT_EQ(parent.FindChild(Kind::FilterBand, 1), band1);
  EXPECT_EQ(parent.FindChild(Kind::FilterBand, 2), nullptr);
  EXPECT_EQ(parent.FindChild(Kind::FilterBand, -1), nullptr);
  EXPECT_EQ(parent.FindChild(Kind::Camera, 0), nullptr);
  EXPECT_EQ(parent.GetChild(2), band1);
  EXPECT_EQ(parent.GetChild(3), nullptr);
  EXPECT_EQ(parent.GetChild(-1), nullptr);
  EXPECT_EQ(band1->GetParent(), &parent);
  EXPECT_EQ(parent.GetChildHold(0), ChildHold::Owned);
}

TEST(SceneNodeTest, DescendantSearchTestsChildrenBeforeSubtrees) {
  TestNode root("r");
  auto *first =
      root.AddChild(std::make_unique<TestNode>("holder", Kind::Camera));
  auto *deep =
      first->AddChild(std::make_unique<TestNode>("target", Kind::Object));
  auto *direct =
      root.AddChild(std::make_unique<TestNode>("TARGET", Kind::Object));
  auto *later = root.AddChild(std::make_unique<TestNode>("x", Kind::Lighting));
  auto *deepest =
      later->AddChild(std::make_unique<TestNode>("only", Kind::Object));

  EXPECT_EQ(root.FindDescendantByTextParam(Kind::Object, 160, "Target"),
            direct);
  EXPECT_EQ(first->FindDescendantByTextParam(Kind::Object, 160, "target"),
            deep);
  EXPECT_EQ(root.FindDescendantByTextParam(Kind::Object, 160, "ONLY"), deepest);
  EXPECT_EQ(root.FindDescendantByTextParam(Kind::Camera, 160, "target"),
            nullptr);
  // The start node is never a candidate.
  EXPECT_EQ(deep->FindDescendantByTextParam(Kind::Object, 160, "target"),
            nullptr);

  // Integers compare exactly, and only Int values match.
  ASSERT_TRUE(deepest->AddParamValue(108, ParamValue(std::int32_t{7})));
  ASSERT_TRUE(direct->AddParamValue(108, ParamValue(std::uint32_t{7})));
  EXPECT_EQ(root.FindDescendantByIntParam(Kind::Object, 108, 7), deepest);
  EXPECT_EQ(root.FindDescendantByIntParam(Kind::Object, 163, deep->GetNodeId()),
            deep);
  // A text search does not match a number stored under the id.
  EXPECT_EQ(root.FindDescendantByTextParam(Kind::Object, 108, "7"), nullptr);
}

TEST(SceneNodeTest, ScriptVersionAndFolderAreInherited) {
  TestNode root("r");
  auto *child = root.AddChild(std::make_unique<TestNode>("c"));
  auto *grandchild = child->AddChild(std::make_unique<TestNode>("g"));
  EXPECT_EQ(grandchild->GetScriptVersion(), 0);
  EXPECT_EQ(grandchild->GetFolder(), std::nullopt);

  root.SetScriptVersion(3);
  EXPECT_EQ(grandchild->GetScriptVersion(), 3);
  child->SetScriptVersion(2);
  EXPECT_EQ(grandchild->GetScriptVersion(), 2);

  root.SetFolder("work\\");
  EXPECT_EQ(grandchild->GetFolder(), "work\\");
  // The first call kept a copy: a later change above is not seen.
  root.SetFolder("other\\");
  EXPECT_EQ(grandchild->GetFolder(), "work\\");
  EXPECT_EQ(child->GetFolder(), "work\\");
  grandchild->SetFolder("own\\");
  EXPECT_EQ(grandchild->GetFolder(), "own\\");
}

TEST(SceneNodeTest, NodesMadeUnderARootRegisterThemselves) {
  ResetNodeIdCounter();
  TestRoot root;
  auto *camera = root.AddChild(
      std::make_unique<TestNode>("CameraNode0", Kind::Camera, &root));
  auto *band = camera->AddChild(
      std::make_unique<TestNode>("b", Kind::FilterBand, camera));
  TestNode loose("loose", Kind::Camera);
  root.RegisterWithRoot(VORA_NODE_ORB);

  EXPECT_EQ(root.rows,
            (std::vector<TestRoot::Row>{{VORA_NODE_SCENE_ROOT, 0, &root},
                                        {VORA_NODE_CAMERA, 1, camera},
                                        {VORA_NODE_FILTER_BAND, 2, band},
                                        {VORA_NODE_ORB, 0, &root}}));
  EXPECT_EQ(band->GetRoot(), &root);
  EXPECT_EQ(root.GetRoot(), &root);
  EXPECT_EQ(loose.GetRoot(), nullptr);
  EXPECT_EQ(loose.GetSceneRegistry(), nullptr);
  EXPECT_EQ(band->GetSceneRegistry(), root.GetSceneRegistry());
  EXPECT_TRUE(root.forgotten.empty());
}

TEST(SceneNodeTest, NodesDiscardedUnderALivingRootAreForgotten) {
  ResetNodeIdCounter();
  TestRoot root;
  auto discarded = std::make_unique<TestNode>("d", Kind::Camera, &root);
  const SceneNode *address = discarded.get();
  discarded.reset(); // a failed read drops a node that never joined the tree
  ASSERT_EQ(root.forgotten.size(), 1u);
  EXPECT_EQ(root.forgotten[0], address);
  // A node outside any scene has no index to clear.
  { const TestNode loose("loose", Kind::Camera); }
  EXPECT_EQ(root.forgotten.size(), 1u);
}

TEST(SceneNodeTest, OwnedChildrenDieWithTheirParent) {
  bool childGone = false;
  bool grandchildGone = false;
  {
    TestNode parent("p");
    auto *child = parent.AddChild(
        std::make_unique<TestNode>("c", Kind::Plain, nullptr, &childGone));
    child->AddChild(
        std::make_unique<TestNode>("g", Kind::Plain, nullptr, &grandchildGone));
  }
  EXPECT_TRUE(childGone);
  EXPECT_TRUE(grandchildGone);
}

TEST(SceneNodeTest, SharedChildLivesUntilItsLastHolderGoes) {
  bool gone = false;
  auto first = std::make_unique<TestNode>("first");
  auto second = std::make_unique<TestNode>("second");
  auto shared =
      std::make_unique<TestNode>("def.vrd", Kind::DefFile, nullptr, &gone);
  shared->MakeShared(1);
  TestNode *node = first->AddChild(std::move(shared));
  second->AddSharedChild(*node);
  EXPECT_EQ(node->GetRefCount(), 2);
  EXPECT_EQ(node->GetParent(), second.get());
  EXPECT_EQ(second->GetChildHold(0), ChildHold::Counted);

  second.reset();
  EXPECT_FALSE(gone);
  EXPECT_EQ(node->GetRefCount(), 1);
  // The parent it named is gone; it names none rather than a dead node.
  EXPECT_EQ(node->GetParent(), nullptr);
  first.reset();
  EXPECT_TRUE(gone);
}

TEST(SceneNodeTest, SharedNodeHeldTwiceByOneParent) {
  bool gone = false;
  {
    TestNode root("r");
    auto shared =
        std::make_unique<TestNode>("d", Kind::DefFile, nullptr, &gone);
    shared->MakeShared(1);
    TestNode *node = root.AddChild(std::move(shared));
    root.AddSharedChild(*node);
    EXPECT_EQ(node->GetRefCount(), 2);
    EXPECT_EQ(root.FindChild(Kind::DefFile, 1), node);
  }
  EXPECT_TRUE(gone);
}

// A shared node whose count was never raised has one holder, which
// destroys it; the nodes it only refers to are left to their owner.
TEST(SceneNodeTest, UncountedSharedChildAndReferences) {
  bool entryGone = false;
  bool fileGone = false;
  {
    TestNode effects("lens");
    auto *file = effects.AddChild(std::make_unique<TestNode>(
        "glow", Kind::LensPresetFile, nullptr, &fileGone));
    auto entry = std::make_unique<TestNode>(
        "HyperPresetNode0", Kind::HyperPresetEntry, nullptr, &entryGone);
    entry->MakeShared(0);
    auto *held = effects.AddChild(std::move(entry));
    held->AddReferenceChild(*file);
    EXPECT_EQ(held->GetChildHold(0), ChildHold::Reference);
    EXPECT_EQ(file->GetParent(), &effects);
    EXPECT_EQ(held->GetChild(0), file);
  }
  EXPECT_TRUE(entryGone);
  EXPECT_TRUE(fileGone);
}

// A removed child goes as the parent's destruction would let it go, and
// the children behind it move forward.
TEST(SceneNodeTest, RemoveChildLetsGoByHold) {
  bool ownedGone = false;
  bool sharedGone = false;
  bool referencedGone = false;
  TestNode parent("p");
  TestNode referenced("r", Kind::Plain, nullptr, &referencedGone);
  parent.AddChild(
      std::make_unique<TestNode>("o", Kind::Plain, nullptr, &ownedGone));
  auto shared =
      std::make_unique<TestNode>("s", Kind::DefFile, nullptr, &sharedGone);
  shared->MakeShared(1);
  TestNode *held = parent.AddChild(std::move(shared));
  held->AddRef(); // a second holder elsewhere
  parent.AddReferenceChild(referenced);

  EXPECT_FALSE(parent.RemoveChild(3));
  EXPECT_FALSE(parent.RemoveChild(-1));
  ASSERT_TRUE(parent.RemoveChild(0));
  EXPECT_TRUE(ownedGone);
  EXPECT_EQ(parent.GetChild(0), held);
  ASSERT_TRUE(parent.RemoveChild(0));
  EXPECT_FALSE(sharedGone);
  EXPECT_EQ(held->GetRefCount(), 1);
  ASSERT_TRUE(parent.RemoveChild(0));
  EXPECT_FALSE(referencedGone);
  EXPECT_EQ(parent.GetChildCount(), 0);
  EXPECT_EQ(held->Release(), 0);
  delete held;
}

TEST(SceneNodeTest, OnlySharedNodesCount) {
  TestNode plain("p");
  EXPECT_EQ(plain.AddRef(), 0);
  EXPECT_EQ(plain.Release(), 0);
  EXPECT_EQ(plain.GetRefCount(), 0);
  TestNode shared("s");
  shared.MakeShared(1);
  EXPECT_EQ(shared.AddRef(), 2);
  EXPECT_EQ(shared.Release(), 1);
}

TEST(SceneNodeTest, DynCastChecksTheKind) {
  CameraTestNode camera;
  TestNode plain("p");
  EXPECT_EQ(camera.GetTypeCode(), VORA_NODE_CAMERA);
  SceneNode *asBase = &camera;
  EXPECT_EQ(DynCast<CameraTestNode>(asBase), &camera);
  EXPECT_EQ(DynCast<CameraTestNode>(static_cast<SceneNode *>(&plain)), nullptr);
  EXPECT_TRUE(IsA<SceneNode>(&plain));
  EXPECT_FALSE(IsA<CameraTestNode>(nullptr));
}

} // namespace
} // namespace vorafile::nodes
