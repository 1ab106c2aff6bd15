// Message 1030: pods and orbs added to an open package, as a host adds them.
#include "host/message_dispatcher.h"

#include "document/pod_orb_package.h"
#include "host/host_package_fixture.h"
#include "nodes/content/object_config_node.h"
#include "nodes/core/param_ids.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace vorafile {
namespace {

namespace param = nodes::param;
using nodes::SceneNode;
using test::HostPackageTest;

std::string ReadWhole(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteWhole(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Object nodes are not built here; a registered stand-in with a name is
// enough to receive a pod.
class StandInObject final : public SceneNode {
public:
  StandInObject(SceneNode *parent, std::string_view name) : SceneNode(name) {
    SetNodeType(Kind::Object);
    SetParent(parent);
    RegisterWithRoot();
  }
  bool Write(nodes::TextSink *) override { return true; }
  std::int64_t Read(nodes::TextSource *, std::int64_t position) override {
    return position;
  }
};

constexpr const char *kPodConfig = "Version 1\n"
                                   "ObjectType POD\n"
                                   "Texture border.jpg\n"
                                   "HighLightTexture highlight.jpg\n"
                                   "WindowSizeX 320\n";

class PodOrbMessagesTest : public HostPackageTest {
protected:
  void SetUp() override {
    HostPackageTest::SetUp();
    source_.write("pod/Config.pod", kPodConfig);
    for (const char *file :
         {"border.jpg", "flyout.jpg", "highlight.jpg", "defPodHalo.vrd"}) {
      source_.write(std::string("pod/") + file, file);
    }
    source_.write("orb/Config.orb", "Version 1\nObjectType ORB\n"
                                    "BannerCount 1\nTexture Orb0.jpg\n"
                                    "URL http://orb.invalid\n");
    source_.write("orb/Orb0.jpg", "orb");
    source_.write("bad/Config.pod", "Version 1\nObjectType POD\n"
                                    "Texture missing.jpg\n");
    cabinet_ = PackScene("scene");
    ASSERT_EQ(dispatcher_.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
    ASSERT_EQ(dispatcher_.Send(VORA_MSG_OPEN_PACKAGE, Arg(cabinet_), 0, 0, 0),
              1u);
  }

  std::uint32_t Add(std::uint32_t kind, std::uint32_t targetType,
                    const std::string &target, const std::string &bundle) {
    const std::string folder = source_.folder() + bundle;
    return dispatcher_.Send(
        VORA_MSG_ADD_CONFIG_NODE, MakePodOrbKindWord(kind, targetType),
        Arg(std::string("podNode")), Arg(folder), Arg(target));
  }

  SceneDocument &Document() { return dispatcher_.GetFileManager()->Document(); }
  std::string WorkFile(const std::string &name) {
    return std::string(Document().GetRoot()->GetFolder().value_or("")) + name;
  }
  SceneNode &Intro() {
    return *Document().FindByTypeAndOrdinal(VORA_NODE_INTRO, 0);
  }

  std::string cabinet_;
  MessageDispatcher dispatcher_;
};

TEST_F(PodOrbMessagesTest, StatusesAndWhatEachLeavesBehind) {
  const std::string intro = "introNode1";
  EXPECT_EQ(Add(VORA_NODE_SCENE_ROOT, VORA_NODE_INTRO, intro, "pod"),
            kConfigNodeKindRefused);
  EXPECT_EQ(Add(VORA_NODE_OBJECT_CONFIG, VORA_NODE_CAMERA, intro, "pod"),
            kConfigNodeTargetMissing);
  // Kind 29 copies nothing and makes nothing.
  EXPECT_EQ(Add(VORA_NODE_ORB_2, VORA_NODE_INTRO, intro, "pod"),
            kConfigNodeNotMade);
  EXPECT_FALSE(platform::PathExists(WorkFile("border.jpg")));
  // A configuration that fails its read leaves no node, no row, no link.
  EXPECT_EQ(Add(VORA_NODE_OBJECT_CONFIG, VORA_NODE_INTRO, intro, "bad"),
            kConfigNodeNotMade);
  EXPECT_EQ(Document().FindByTypeAndOrdinal(VORA_NODE_OBJECT_CONFIG, 0),
            nullptr);
  EXPECT_EQ(Intro().GetChildCount(), 0);
  EXPECT_EQ(Intro().GetParamAs<std::int32_t>(param::kOlink), std::nullopt);
  EXPECT_FALSE(platform::PathExists(WorkFile("Config0.pod")));

  ASSERT_EQ(Add(VORA_NODE_OBJECT_CONFIG, VORA_NODE_INTRO, intro, "pod"),
            kConfigNodeAdded);
  // Two rows of type 23 for a pod; the target links the configuration.
  SceneNode *pod = Document().FindByTypeAndOrdinal(VORA_NODE_OBJECT_CONFIG, 0);
  ASSERT_NE(pod, nullptr);
  EXPECT_EQ(Document().FindByTypeAndOrdinal(VORA_NODE_OBJECT_CONFIG, 1), pod);
  EXPECT_EQ(pod->GetParent(), &Intro());
  EXPECT_EQ(pod->GetName(), "podNode");
  EXPECT_EQ(Intro().GetParamAs<std::int32_t>(param::kOlink), 1);
  EXPECT_EQ(Intro().GetTextParam(param::kObjSite), WorkFile("Config0.pod"));
  EXPECT_EQ(pod->GetTextParam(nodes::config_param::kTexture),
            WorkFile("border.jpg"));

  ASSERT_EQ(Add(VORA_NODE_ORB, VORA_NODE_INTRO, intro, "orb"),
            kConfigNodeAdded);
  SceneNode *orb = Document().FindByTypeAndOrdinal(VORA_NODE_ORB, 0);
  ASSERT_NE(orb, nullptr);
  EXPECT_EQ(Document().FindByTypeAndOrdinal(VORA_NODE_OBJECT_CONFIG, 2), orb);
  // The target keeps its first link.
  EXPECT_EQ(Intro().GetTextParam(param::kObjSite), WorkFile("Config0.pod"));
}

TEST_F(PodOrbMessagesTest, BundleFilesAreCopiedOnce) {
  ASSERT_EQ(Add(VORA_NODE_OBJECT_CONFIG, VORA_NODE_INTRO, "introNode1", "pod"),
            kConfigNodeAdded);
  WriteWhole(WorkFile("border.jpg"), "edited");
  ASSERT_EQ(Add(VORA_NODE_OBJECT_CONFIG, VORA_NODE_INTRO, "introNode1", "pod"),
            kConfigNodeAdded);
  EXPECT_EQ(ReadWhole(WorkFile("border.jpg")), "edited");
  EXPECT_EQ(ReadWhole(WorkFile("Config0.pod")), kPodConfig);
}

TEST_F(PodOrbMessagesTest, AConfigurationIsNamedByItsTargetsOrdinal) {
  SceneNode &root = *Document().GetRoot();
  for (const char *name : {"a", "b", "c"}) {
    root.AddChild(std::make_unique<StandInObject>(&root, name));
  }
  ASSERT_EQ(Add(VORA_NODE_OBJECT_CONFIG, VORA_NODE_OBJECT, "B", "pod"),
            kConfigNodeAdded);
  EXPECT_TRUE(platform::PathExists(WorkFile("Config1.pod")));
  EXPECT_FALSE(platform::PathExists(WorkFile("Config0.pod")));
}

TEST_F(PodOrbMessagesTest, APodIsSavedWithItsFilesAndReadsBack) {
  ASSERT_EQ(Add(VORA_NODE_OBJECT_CONFIG, VORA_NODE_INTRO, "introNode1", "pod"),
            kConfigNodeAdded);
  const std::string saved = source_.file("saved.cab");
  ASSERT_EQ(dispatcher_.Send(VORA_MSG_SAVE_PACKAGE, Arg(saved), 0, 0, 0), 1u);

  MessageDispatcher reopened;
  ASSERT_EQ(reopened.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ASSERT_EQ(reopened.Send(VORA_MSG_OPEN_PACKAGE, Arg(saved), 0, 0, 0), 1u);
  SceneNode &root = *reopened.GetFileManager()->Document().GetRoot();
  const std::string folder(root.GetFolder().value_or(""));
  for (const char *file : {"border.jpg", "highlight.jpg"}) {
    EXPECT_EQ(ReadWhole(folder + file), file);
  }
  SceneNode &intro = *root.FindChild(SceneNode::Kind::Intro, 0);
  nodes::ObjectConfigNode pod(&intro, "podNode", folder + "Config0.pod");
  nodes::StringSource in(ReadWhole(folder + "Config0.pod"));
  ASSERT_NE(pod.Read(&in, 0), nodes::kReadFailed);
  EXPECT_EQ(pod.GetParamAs<std::int32_t>(nodes::config_param::kWindowSizeX),
            320);
  EXPECT_EQ(pod.GetTextParam(nodes::config_param::kHighLightTexture),
            folder + "highlight.jpg");
}

} // namespace
} // namespace vorafile
