#include "nodes/effects/camera_node.h"

#include "nodes/core/param_ids.h"
#include "nodes/node_test_support.h"

#include <gtest/gtest.h>

namespace vorafile::nodes {
namespace {

using test::ReadSection;
using test::VersionParent;
using test::WriteSection;

TEST(CameraNodeTest, ReadsTheRunOfCameraLines) {
  VersionParent parent(3);
  CameraNode camera(&parent, "CameraNode0");
  const std::string text = "Camera FOV Set 45\n"
                           "; between camera lines\n"
                           "\n"
                           "Camera lookat Set 0 1 2\n"
                           "Camera NearClip Nil 7\n"
                           "Brightness 1\n";
  const auto read = ReadSection(camera, text);
  EXPECT_EQ(read.end, static_cast<std::int64_t>(text.find("Brightness")));
  EXPECT_EQ(camera.GetParamAs<float>(param::kFov), 45.0f);
  EXPECT_EQ(camera.GetParamAs<Vector>(param::kLookAt), (Vector{{0, 1, 2}}));
  EXPECT_EQ(camera.GetParamAs<float>(param::kNearClip), 0.0f);
  EXPECT_EQ(camera.GetParamCount(), 5); // Name, NodeID and the three
}

TEST(CameraNodeTest, ALineThatIsNotTheCamerasEndsOrFailsTheRead) {
  struct Case {
    const char *text;
    int line; // of the failure; 0: the read hands back its first line
    const char *reason;
  };
  const Case cases[] = {
      {"camera FOV Set 45\n", 0, ""},
      {"Camera FOV Set 45\nCamera fov Set 50\n", 2, "\"FOV\" is set twice"},
      {"Camera Bogus Set 1\n", 1, "\"Bogus\" is no camera parameter"},
      {"Camera Brightness Set 1\n", 1, "no camera parameter"},
      {"Camera FOV Set\n", 1, "expected a number"},
      {"Camera LookAt Set 1 2\n", 1, "expected three numbers"},
      {"Camera FOV\n", 1, "expected a parameter name"},
  };
  for (const Case &c : cases) {
    VersionParent parent(2);
    CameraNode camera(&parent, "CameraNode0");
    // Read from after a first line, so that handing back the given position
    // differs from failing (0).
    const std::string text = std::string("Version 3\n") + c.text;
    const auto read = ReadSection(camera, text, 10);
    if (c.line == 0) {
      EXPECT_EQ(read.end, 10) << c.text;
      EXPECT_EQ(camera.GetParamCount(), 2) << c.text;
      continue;
    }
    EXPECT_EQ(read.end, kReadFailed) << c.text;
    EXPECT_EQ(read.failedLine, c.line + 1) << c.text;
    EXPECT_NE(read.reason.find(c.reason), std::string::npos) << read.reason;
  }
}

TEST(CameraNodeTest, WritesOnlyTheParametersOfItsTable) {
  VersionParent parent(3);
  CameraNode camera(&parent, "CameraNode0");
  // The near clip is of another type than the table gives: it would not
  // read back.
  ASSERT_TRUE(test::AddValues(
      camera, {{param::kFov, ParamValue(45.0f)},
               {param::kBrightness, ParamValue(0.5f)},
               {param::kLookAt, ParamValue(Vector{{0, 1, 2}})},
               {param::kNearClip, ParamValue(std::int32_t{3})}}));
  EXPECT_EQ(WriteSection(camera), "Camera FOV Set\t45.000000\n"
                                  "Camera LookAt Set\t0.000000 1.000000 "
                                  "2.000000\n");
}

TEST(CameraNodeTest, KnowsScriptVersions2And3Only) {
  VersionParent parent(4);
  CameraNode camera(&parent, "CameraNode0");
  EXPECT_EQ(ReadSection(camera, "Camera FOV Set 45\n").end, kReadFailed);
  StringSink out;
  EXPECT_FALSE(camera.Write(&out));
}

} // namespace
} // namespace vorafile::nodes
