// Host messages on an open package: what a host sees through the dispatcher.
#include "host/message_dispatcher.h"

#include "host_package_fixture.h"
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
