// Whole packages through the host's messages: a scene opened, saved and
// reopened shows the host every node with the same values.
#include "host/host_package_fixture.h"
#include "host/message_dispatcher.h"
#include "host/scene_snapshot.h"
#include "nodes/core/param_ids.h"
#include "platform/ascii.h"
#include "support/cabinet_names.h"
#include "support/example_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vorafile {
namespace {

namespace param = nodes::param;
using test::HostPackageTest;
using test::SceneSnapshot;

SceneSnapshot TakeSnapshot(MessageDispatcher &dispatcher) {
  SceneSnapshot snapshot = test::TakeSceneSnapshot(
      [&dispatcher](std::uint32_t message, std::uintptr_t p1, std::uintptr_t p2,
                    std::uintptr_t p3, std::uintptr_t p4) {
        return dispatcher.Send(message, p1, p2, p3, p4);
      });
  EXPECT_EQ(snapshot.failedMessages, 0);
  return snapshot;
}

using SceneFiles = std::vector<std::pair<std::string, std::string>>;

const char kIntro[] = "[Introduction]\r\nTitle=Round trip\r\n";
const char kFileList[] =
    "[3d]\r\nCount=1\r\n1=vora.vrc\r\n[Texture]\r\nCount=0\r\n";

struct RoundTripCase {
  const char *name;
  SceneFiles files;
  // Node types the scene must show (so that a reader that silently stopped
  // does not pass for a lossless one).
  std::vector<int> types;
};

const RoundTripCase kCases[] = {
    {"version3",
     {{"vora.vrc", "Version 3\n"
                   "FramesPerSecond\t30.000000\n"
                   "Nbands\t2\n"
                   "B0Min\t20.000000\n"
                   "B0Max\t200.000000\n"
                   "B1Max\t20480.000000\n"
                   "B1Min\t200.000000\n"
                   "MsgOn\t1\n"
                   "MsgIni\ttext.ini\n"
                   "LFX\tlens.lfx\n"
                   "TFX\tfx.tfx\n"
                   "Lighting 0  Diffuse\t1.000000 0.500000 0.000000 1.000000\n"
                   "Lighting 0  Spot\t1\n"
                   "Lighting 0  SpotCutOff\t30.000000\n"
                   "Camera FOV Set\t45.000000\n"
                   "Camera LookAt Set\t0.000000 1.000000 2.000000\n"
                   "Camera NearClip Nil\t7\n"},
      {"intro.ini", kIntro},
      {"text.ini", "[General]\r\nRate=50\r\nFade=1\r\n"
                   "[Message]\r\n0=Hello\r\n1=World\r\n"
                   "[Data]\r\n0=Arial;1;255;127;0;255;700;0.5000;1.0000;"
                   "Explode;0.0000\r\n"
                   "1=Tahoma;0;10;20;30;40;400;0.2500;2.0000\r\n"},
      {"lens.lfx", "LensEffectsFile\nVersion\t2\nNumLenses\t2\n"
                   "0\tglow.lfp\tGlow\n1\tglow2.lfp\tGlow2\n"
                   "NumHyperPresets\t1\nCurrentHyperPreset\t0\n"
                   "0\tHyperPresetName\tBoth\nNumPresetRefs\t2\n0\t0\n1\t0\n"},
      {"glow.lfp", "Version\t1\nLfxType\tGlow\nPresetFriendlyName\tSoft\n"
                   "NumPresets\t1\n" +
                       std::string(79, '#') +
                       "\nPreset\t0\nPresetName\tWarm\nAlpha\t0.500000\n"},
      {"glow2.lfp", "Version\t1\nLfxType\tGlow\nPresetFriendlyName\tHard\n"
                    "NumPresets\t0\n"},
      {"fx.tfx", "TransitionEffectFile\nVersion\t1\nNumTfp\t1\n"
                 "0\tfade.tfp\tMyFade\n"},
      {"fade.tfp", "Version\t1\nTfxType\tFade\nPresetFriendlyName\tSlow\n"
                   "NumPresets\t1\n" +
                       std::string(79, '#') +
                       "\nPreset\t2\nPresetName\tLong\nDuration\t2.500000\n"},
      {"Vora.mrq", "Version\t3\nNumMarquees\t2\nText\tOne|cut\nURL\thttp://a\n"
                   "Text\tTwo\nURL\t\n"},
      {"FileList.ini", kFileList}},
     {VORA_NODE_AUDIO_ANALYSIS, VORA_NODE_FILTER_BAND, VORA_NODE_CAMERA,
      VORA_NODE_LIGHTING, VORA_NODE_MESSAGE, VORA_NODE_MESSAGE_DATA,
      VORA_NODE_LENS_EFFECTS, VORA_NODE_HYPER_PRESET_ENTRY,
      VORA_NODE_LENS_PRESET, VORA_NODE_LENS_PRESET_FILE,
      VORA_NODE_TRANSITION_EFFECT, VORA_NODE_TRANSITION_PRESET_FILE,
      VORA_NODE_TRANSITION_PRESET, VORA_NODE_MARQUEE}},
};

class SceneRoundTripTest : public HostPackageTest {
protected:
  // Opens the cabinet, saves it as OUT and answers the scene before and
  // after (reopened from OUT).
  std::pair<SceneSnapshot, SceneSnapshot>
  OpenSaveReopen(const std::string &cabinet, const std::string &out) {
    MessageDispatcher dispatcher;
    EXPECT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
    EXPECT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, Arg(cabinet), 0, 0, 0),
              1u);
    SceneSnapshot before = TakeSnapshot(dispatcher);
    const std::string saved = source_.file(out);
    EXPECT_EQ(dispatcher.Send(VORA_MSG_SAVE_PACKAGE, Arg(saved), 0, 0, 0), 1u);
    EXPECT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, Arg(saved), 0, 0, 0), 1u);
    SceneSnapshot after = TakeSnapshot(dispatcher);
    EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 1u);
    return {std::move(before), std::move(after)};
  }
};

TEST_F(SceneRoundTripTest, EveryNodeKeepsItsValues) {
  for (const RoundTripCase &scene : kCases) {
    SCOPED_TRACE(scene.name);
    const std::string cabinet = PackFiles(scene.name, scene.files);
    const auto [before, after] =
        OpenSaveReopen(cabinet, std::string(scene.name) + "_saved.cab");
    for (int type : scene.types) {
      EXPECT_TRUE(before.HasNodeOfType(type)) << "no node of type " << type;
    }
    // The writer may order a node's lines as it likes (band limits), so
    // the first save keeps the values; later ones keep the order too.
    EXPECT_EQ(before.values, after.values);
    const auto [again, third] =
        OpenSaveReopen(source_.file(std::string(scene.name) + "_saved.cab"),
                       std::string(scene.name) + "_again.cab");
    EXPECT_EQ(third.lines, after.lines);
  }
}

// The shipped example uses every node kind: each one reaches the host, and
// goes round a save with every value; the saved cabinet holds each file
// once.
TEST_F(SceneRoundTripTest, TheExampleGoesRoundWhole) {
  ASSERT_TRUE(test::CopyExampleScene(source_.file("example")));
  const std::string cabinet = PackFiles("example", {});
  const auto [before, after] = OpenSaveReopen(cabinet, "example_saved.cab");
  for (int type = VORA_NODE_AUDIO_ANALYSIS; type < VORA_NODE_ORB; ++type) {
    if (type != 3 && type != 4 && type != 8) { // no kinds of their own
      EXPECT_TRUE(before.HasNodeOfType(type)) << "no node of type " << type;
    }
  }
  EXPECT_EQ(before.values, after.values);
  const std::optional<std::vector<std::string>> names =
      test::ReadCabinetNames(source_.file("example_saved.cab"));
  ASSERT_TRUE(names.has_value());
  std::vector<std::string> folded;
  for (std::string name : *names) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return ascii::ToLower(c); });
    folded.push_back(std::move(name));
  }
  std::sort(folded.begin(), folded.end());
  EXPECT_EQ(std::adjacent_find(folded.begin(), folded.end()), folded.end())
      << "a file packed twice";
  // Every file of the example travels, the script under its saved name.
  EXPECT_GE(folded.size(), 20u);
  EXPECT_TRUE(std::binary_search(folded.begin(), folded.end(), "dash.pod"));
}

// A version-2 scene is saved as version 3: every value it had survives (the
// version-3 reader may add its defaults), and from the first save on the
// scene goes round unchanged.
TEST_F(SceneRoundTripTest, AVersion2SceneKeepsItsValuesAsVersion3) {
  const std::string cabinet = PackFiles(
      "version2", {{"vora.rudov", "; an old scene\n"
                                  "Scene\n"
                                  "30.0\n0.8\n1.2\n7\n37\n0\nextra\n"
                                  "2\n20\n200\n; the second band\n200\n20480\n"
                                  "1\nHello there;ignored\n0.5\n700\n0\n"
                                  "255 128 0 255\n1.5\nArial\n"
                                  "track.mp3\n"
                                  "Camera FOV Set 45\n"
                                  "Lighting 0 Spot 1\n"},
                   {"intro.ini", kIntro},
                   {"FileList.ini", "[3d]\r\nCount=1\r\n1=vora.rudov\r\n"
                                    "[Texture]\r\nCount=0\r\n"}});
  const auto [before, after] = OpenSaveReopen(cabinet, "version2_saved.cab");
  for (int type :
       {VORA_NODE_AUDIO_ANALYSIS, VORA_NODE_FILTER_BAND, VORA_NODE_CAMERA,
        VORA_NODE_LIGHTING, VORA_NODE_MESSAGE, VORA_NODE_MESSAGE_DATA}) {
    EXPECT_TRUE(before.HasNodeOfType(type)) << "no node of type " << type;
  }
  // Values of the version-2 header that version 3 has no line for.
  const std::uint32_t kVersion2Only[] = {param::kSpecialField1,
                                         param::kSpecialField2, param::kStyle};
  for (const auto &[key, value] : before.values) {
    const auto [type, ordinal, id, extra] = key;
    if (type == VORA_NODE_SCENE_ROOT &&
        std::find(std::begin(kVersion2Only), std::end(kVersion2Only), id) !=
            std::end(kVersion2Only)) {
      continue;
    }
    const auto found = after.values.find(key);
    ASSERT_NE(found, after.values.end())
        << "lost: type " << type << " ordinal " << ordinal << " id " << id;
    EXPECT_EQ(found->second, value)
        << "type " << type << " ordinal " << ordinal << " id " << id;
  }

  const auto [again, third] = OpenSaveReopen(source_.file("version2_saved.cab"),
                                             "version2_saved_again.cab");
  EXPECT_EQ(again.lines, after.lines);
  EXPECT_EQ(third.lines, after.lines);
}

} // namespace
} // namespace vorafile
