// Lens and transition effects as a host reaches them: indexed entries
// through the extra index of messages 1019, 1020, 1024 and the info block,
// and a save that packs every file of the effects.
#include "host/message_dispatcher.h"

#include "host/host_package_fixture.h"
#include "nodes/core/param_ids.h"
#include "nodes/effects/lens_effects_node.h"
#include "nodes/effects/transition_effect_node.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vorafile {
namespace {

namespace param = nodes::param;
namespace lens_param = nodes::lens_param;
namespace transition_param = nodes::transition_param;

const std::string kSeparator(79, '#');

std::string PresetFile(const std::string &type, int preset) {
  return "Version\t1\nLfxType\t" + type + "\nPresetFriendlyName\tF\n" +
         "NumPresets\t1\n" + kSeparator + "\nPreset\t" +
         std::to_string(preset) + "\nPresetName\tP\nAlpha\t0.500000\n";
}

const std::string kLenses = "LensEffectsFile\nVersion\t1\nNumLenses\t3\n"
                            "0\ta.lfp\tA\n1\tb.lfp\tB\n2\tc.lfp\tC\n"
                            "NumHyperPresets\t1\nCurrentHyperPreset\t0\n"
                            "0\tHyperPresetName\tMix\nNumPresetRefs\t3\n"
                            "0\t10\n1\t11\n2\t12\n";

std::string ReadWhole(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class HostEffectsTest : public test::HostPackageTest {
protected:
  std::string PackEffectsScene() {
    const std::string folder = "fx/";
    source_.write(folder + "vora.vrc",
                  "Version 3\nLFX lens.lfx\nTFX trans.tfx\n");
    source_.write(folder + "intro.ini", "[Introduction]\r\nTitle=T\r\n");
    source_.write(folder + "text.ini", "[General]\r\nRate=50\r\n");
    source_.write(folder + "FileList.ini",
                  "[3d]\r\nCount=1\r\n1=vora.vrc\r\n[Texture]\r\nCount=0\r\n");
    source_.write(folder + "lens.lfx", kLenses);
    for (const char *name : {"a", "b", "c"})
      source_.write(folder + name + ".lfp", PresetFile(name, 10));
    source_.write(folder + "trans.tfx", "TransitionEffectFile\nVersion 1\n"
                                        "NumTfp 1\n0 t.tfp T\n");
    source_.write(folder + "t.tfp", "Version 1\nTfxType T\n"
                                    "PresetFriendlyName F\nNumPresets 0\n");
    const std::string base =
        platform::WithTrailingSeparator(source_.file("fx"));
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(base))
      files.push_back(entry.path().string());
    const std::string cabinet = source_.file("fx.cab");
    EXPECT_TRUE(PackCabinet(cabinet, base, files));
    return cabinet;
  }

  void Open(MessageDispatcher &dispatcher, const std::string &cabinet) {
    ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
    ASSERT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, Arg(cabinet), 0, 0, 0),
              1u);
  }

  // Message 1020 for a text entry; "" with the name when it fails.
  static std::pair<std::string, std::string>
  ReadText(MessageDispatcher &dispatcher, std::int32_t type, std::uint32_t id,
           std::int32_t extra) {
    char text[300] = {};
    ParamQuery query{};
    query.id = id;
    query.extra = extra;
    query.data = text;
    query.size = sizeof text;
    if (dispatcher.Send(VORA_MSG_READ_PARAM_BY_TYPE,
                        static_cast<std::uintptr_t>(type), 0, Arg(&query),
                        0) != 1u)
      return {"", query.text};
    return {text, query.text};
  }

  static std::int32_t NodeId(MessageDispatcher &dispatcher, std::int32_t type) {
    std::int32_t id = -1;
    ParamQuery query{};
    query.id = param::kNodeId;
    query.extra = -1;
    query.data = &id;
    query.size = sizeof id;
    EXPECT_EQ(dispatcher.Send(VORA_MSG_READ_PARAM_BY_TYPE,
                              static_cast<std::uintptr_t>(type), 0, Arg(&query),
                              0),
              1u);
    return id;
  }
};

TEST_F(HostEffectsTest, IndexedEntriesThroughMessages) {
  MessageDispatcher dispatcher;
  Open(dispatcher, PackEffectsScene());
  const std::string folder = dispatcher.GetFileManager()->WorkFolder();

  // 1020 with the extra index reads an entry under its indexed name.
  const struct {
    std::int32_t type;
    std::uint32_t id;
    std::int32_t extra;
    std::string value;
    std::string name;
  } reads[] = {
      {VORA_NODE_LENS_EFFECTS, lens_param::kLfpPresetFile, 1, folder + "b.lfp",
       "Lfp Preset File1"},
      {VORA_NODE_TRANSITION_EFFECT, transition_param::kTfpPresetFile, 0,
       folder + "t.tfp", "Tfp Preset File0"},
      {VORA_NODE_LENS_EFFECTS, lens_param::kLfpPresetFile, 3, "", ""},
  };
  for (const auto &r : reads) {
    const auto [value, name] = ReadText(dispatcher, r.type, r.id, r.extra);
    EXPECT_EQ(value, r.value) << r.extra;
    EXPECT_EQ(name, r.name) << r.extra;
  }

  // 1019 with the extra index changes a hyper preset's preset number.
  std::int32_t preset = 42;
  ParamQuery write{};
  write.id = lens_param::kPresetNum;
  write.extra = 2;
  write.valueType = VORA_VALUE_INT;
  write.size = sizeof preset;
  write.data = &preset;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_WRITE_PARAM_BY_TYPE,
                            VORA_NODE_HYPER_PRESET_ENTRY, 0, Arg(&write), 0),
            1u);

  // The info block lists the entries with their indexed names.
  NodeInfoBlock block{};
  block.recordSize = sizeof block;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_FILL_INFO_BY_TYPE,
                            VORA_NODE_HYPER_PRESET_ENTRY, 0, Arg(&block), 0),
            1u);
  std::vector<std::string> indexed;
  for (std::uint32_t i = 0; i < block.count; ++i) {
    const ParamQuery &entry = block.entries[i];
    if (entry.extra < 0)
      continue;
    std::int32_t number = 0;
    std::memcpy(&number, entry.data, sizeof number);
    indexed.push_back(std::string(entry.text) + "=" + std::to_string(number));
  }
  EXPECT_EQ(indexed, (std::vector<std::string>{"PresetNum0=10", "PresetNum1=11",
                                               "PresetNum2=42"}));
  EXPECT_EQ(dispatcher.Send(VORA_MSG_RELEASE_INFO, Arg(&block), 0, 0, 0), 1u);

  // 1024 with the extra index removes lens 1 from the middle; lens 2
  // moves to its place.
  const std::int32_t lenses = NodeId(dispatcher, VORA_NODE_LENS_EFFECTS);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_REMOVE_PARAM,
                            static_cast<std::uintptr_t>(lenses),
                            lens_param::kLfpPresetFile, 5, 0),
            0u);
  ASSERT_EQ(dispatcher.Send(VORA_MSG_REMOVE_PARAM,
                            static_cast<std::uintptr_t>(lenses),
                            lens_param::kLfpPresetFile, 1, 0),
            1u);
  EXPECT_EQ(ReadText(dispatcher, VORA_NODE_LENS_EFFECTS,
                     lens_param::kLfpPresetFile, 1)
                .first,
            folder + "c.lfp");

  // The save writes the shorter list and packs every file it names.
  const std::string saved = source_.file("saved.cab");
  ASSERT_EQ(dispatcher.Send(VORA_MSG_SAVE_PACKAGE, Arg(saved), 0, 0, 0), 1u);
  MessageDispatcher reader;
  Open(reader, saved);
  const std::string reread = reader.GetFileManager()->WorkFolder();
  EXPECT_EQ(ReadWhole(reread + "lens.lfx"),
            "LensEffectsFile\nVersion\t1\nNumLenses\t2\n"
            "0\ta.lfp\tA\n1\tc.lfp\tC\n"
            "NumHyperPresets\t1\nCurrentHyperPreset\t0\n"
            "0\tHyperPresetName\tMix\nNumPresetRefs\t2\n0\t10\n1\t42\n");
  EXPECT_EQ(ReadWhole(reread + "c.lfp"), PresetFile("c", 10));
  EXPECT_EQ(ReadText(reader, VORA_NODE_TRANSITION_PRESET_FILE, param::kName, -1)
                .first,
            "T");
}

} // namespace
} // namespace vorafile
