// Host messages on an open package: what a host sees through the dispatcher.
#include "host/message_dispatcher.h"

#include "host/host_package_fixture.h"
#include "nodes/core/param_ids.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace vorafile {
namespace {

namespace param = nodes::param;
using test::HostPackageTest;

using HostMessagesTest = HostPackageTest;

std::string ReadWhole(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The kind word of message 1030: the new node's kind in the low 16 bits, the
// receiving node's type in the high 16 bits.
std::uintptr_t KindWord(std::uint32_t kind, std::uint32_t targetType) {
  return (targetType << 16) | kind;
}

TEST_F(HostMessagesTest, AddConfigNodeReportsWhyNothingWasAdded) {
  const std::string cabinet = PackScene("scene");
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  const std::string pod = "pod1";
  const std::string folder = source_.folder();
  const std::string intro = "INTRONODE1"; // names compare without case
  const std::string nobody = "nobody";

  // No scene: 0, the same answer as "added", and nothing happens; like
  // every scene message, before the kind is looked at.
  for (int kind : {VORA_NODE_OBJECT_CONFIG, VORA_NODE_SCENE_ROOT}) {
    EXPECT_EQ(dispatcher.Send(
                  VORA_MSG_ADD_CONFIG_NODE,
                  KindWord(static_cast<std::uint32_t>(kind), VORA_NODE_INTRO),
                  Arg(pod), Arg(folder), Arg(intro)),
              0u)
        << kind;
  }
  ASSERT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, Arg(cabinet), 0, 0, 0), 1u);

  const struct {
    std::uint32_t kind;
    std::uint32_t targetType;
    const std::string &target;
    std::uint32_t status;
  } cases[] = {
      // Kind 14 is refused whatever the target.
      {VORA_NODE_SCENE_ROOT, VORA_NODE_INTRO, intro, 1},
      {VORA_NODE_SCENE_ROOT, VORA_NODE_INTRO, nobody, 1},
      // No node of that type has that name.
      {VORA_NODE_OBJECT_CONFIG, VORA_NODE_INTRO, nobody, 3},
      {VORA_NODE_ORB, VORA_NODE_CAMERA, intro, 3},
      // The target exists; a source folder without a configuration makes
      // the node unread.
      {VORA_NODE_OBJECT_CONFIG, VORA_NODE_INTRO, intro, 0},
      {VORA_NODE_ORB, VORA_NODE_INTRO, intro, 0},
      // Kind 29 makes nothing.
      {VORA_NODE_ORB_2, VORA_NODE_INTRO, intro, 2},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(dispatcher.Send(VORA_MSG_ADD_CONFIG_NODE,
                              KindWord(c.kind, c.targetType), Arg(pod),
                              Arg(folder), Arg(c.target)),
              c.status)
        << c.kind << " on " << c.targetType << " " << c.target;
  }
  // A null name finds no node.
  EXPECT_EQ(dispatcher.Send(VORA_MSG_ADD_CONFIG_NODE,
                            KindWord(VORA_NODE_OBJECT_CONFIG, VORA_NODE_INTRO),
                            Arg(pod), Arg(folder), 0),
            3u);
}

TEST_F(HostMessagesTest, ColoursThatAreNoBytesSaveAsTheIndefiniteInteger) {
  const std::string cabinet = PackScene("scene");
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ASSERT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, Arg(cabinet), 0, 0, 0), 1u);

  float color[4] = {1e30f, std::numeric_limits<float>::quiet_NaN(), -1e30f,
                    0.0f};
  ParamQuery query{};
  query.id = param::kTextColor;
  query.extra = -1;
  query.valueType = VORA_VALUE_COLOR;
  query.size = sizeof color;
  query.data = color;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_WRITE_PARAM_BY_TYPE, VORA_NODE_INTRO, 0,
                            Arg(&query), 0),
            1u);
  const std::string saved = source_.file("saved.cab");
  ASSERT_EQ(dispatcher.Send(VORA_MSG_SAVE_PACKAGE, Arg(saved), 0, 0, 0), 1u);

  // The saved package reopens with the value the text gave.
  MessageDispatcher reader;
  ASSERT_EQ(reader.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ASSERT_EQ(reader.Send(VORA_MSG_OPEN_PACKAGE, Arg(saved), 0, 0, 0), 1u);
  float reread[4] = {};
  query.data = reread;
  query.size = sizeof reread;
  ASSERT_EQ(reader.Send(VORA_MSG_READ_PARAM_BY_TYPE, VORA_NODE_INTRO, 0,
                        Arg(&query), 0),
            1u);
  const std::string text =
      ReadWhole(reader.GetFileManager()->WorkFolder() + "intro.ini");
  EXPECT_NE(text.find("TextColor=-2147483648,-2147483648,-2147483648"),
            std::string::npos)
      << text;
  const float indefinite = -2147483648.0f * 0.0039215689f;
  for (int i = 0; i < 3; ++i)
    EXPECT_FLOAT_EQ(reread[i], indefinite) << i;
}

} // namespace
} // namespace vorafile
