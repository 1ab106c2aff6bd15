// Feeds arbitrary bytes to the lens effects and transition effect readers,
// with arbitrary preset files beside them, and checks that a file that
// reads whole writes back into one that reads, and that from the first
// write on the text and the preset files go round unchanged.
//
// Input: NUL-separated parts: the lens effects file, the transition effect
// file, then the preset files "p0.fp", "p1.fp" and "p2.fp" of the working
// folder (missing parts are empty).
#include "document/scene_root.h"
#include "fuzz_support.h"
#include "nodes/effects/lens_effects_node.h"
#include "nodes/effects/transition_effect_node.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using vorafile::fuzz::Check;
using vorafile::fuzz::WorkFolder;
using vorafile::fuzz::WriteFile;

using vorafile::SceneRoot;

// Effects files are a few kilobytes; larger inputs only slow the search.
constexpr std::size_t kMaxInputSize = 64 * 1024;
constexpr std::array<const char *, 3> kPresetFiles = {"p0.fp", "p1.fp",
                                                      "p2.fp"};

std::string ReadFile(const std::string &name) {
  std::string text;
  if (std::FILE *file = std::fopen((WorkFolder() + name).c_str(), "rb")) {
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
      text.append(buffer, got);
    std::fclose(file);
  }
  return text;
}

std::vector<std::string> PresetFileTexts() {
  std::vector<std::string> texts;
  for (const char *name : kPresetFiles)
    texts.push_back(ReadFile(name));
  return texts;
}

struct Round {
  bool read = false;
  bool complete = false;
  std::string written;
};

// Reads `text` into a fresh node of a fresh scene, and writes it back when
// the read took the whole file.
template <class Node> Round ReadAndWrite(const std::string &text) {
  vorafile::nodes::ResetNodeIdCounter();
  auto root = std::make_unique<SceneRoot>();
  root->SetFolder(WorkFolder());
  root->SetScriptVersion(3);
  Node *node = root->AddChild(std::make_unique<Node>(root.get(), "fx"));
  vorafile::nodes::StringSource source(text);
  Round round;
  round.read = node->Read(&source, 0) != vorafile::nodes::kReadFailed;
  round.complete = round.read && node->IsReadComplete();
  if (round.complete) {
    vorafile::nodes::StringSink sink;
    Check(node->Write(&sink));
    round.written = sink.GetText();
  }
  return round;
}

template <class Node> void GoRound(const std::string &text) {
  const Round first = ReadAndWrite<Node>(text);
  if (!first.complete)
    return;
  const std::vector<std::string> files = PresetFileTexts();
  const Round second = ReadAndWrite<Node>(first.written);
  Check(second.complete);
  Check(second.written == first.written);
  Check(PresetFileTexts() == files);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size > kMaxInputSize)
    return 0;
  std::string_view input(reinterpret_cast<const char *>(data), size);
  std::array<std::string, 2 + kPresetFiles.size()> parts;
  for (std::string &part : parts) {
    const std::size_t nul = input.find('\0');
    part = std::string(input.substr(0, nul));
    input = nul == std::string_view::npos ? std::string_view()
                                          : input.substr(nul + 1);
  }
  const auto writePresetFiles = [&parts] {
    for (std::size_t i = 0; i < kPresetFiles.size(); ++i)
      WriteFile(WorkFolder() + kPresetFiles[i], parts[2 + i]);
  };
  // Each side starts from the given preset files: the other side's writes
  // would give them another family's keys.
  writePresetFiles();
  GoRound<vorafile::nodes::LensEffectsNode>(parts[0]);
  writePresetFiles();
  GoRound<vorafile::nodes::TransitionEffectNode>(parts[1]);
  return 0;
}
