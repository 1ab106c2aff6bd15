// Feeds arbitrary text to the preset file readers: a deformation
// definition, or the blocks of a lens or transition preset file. A text that
// reads must write back into one that reads, and from the first write on
// the text goes round unchanged.
//
// Input: one byte that chooses the reader (its value modulo 3: definition,
// lens blocks, transition blocks), then the file's text.
#include "document/scene_root.h"
#include "fuzz_support.h"
#include "nodes/effects/def_file_node.h"
#include "nodes/effects/preset_block_nodes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using vorafile::fuzz::Check;

using vorafile::SceneRoot;
using vorafile::nodes::DefFileNode;
using vorafile::nodes::FxPresetNode;
using vorafile::nodes::kReadFailed;
using vorafile::nodes::SceneNode;
using vorafile::nodes::StringSink;
using vorafile::nodes::StringSource;

// Preset files are a few kilobytes; larger inputs only slow the search.
constexpr std::size_t kMaxInputSize = 64 * 1024;

enum class Reader : std::uint8_t { Definition, Lens, Transition };

// Reads `text` into a new scene; nothing when the read fails. A definition
// whose read ended early is never written, so it counts as failed here.
std::unique_ptr<SceneRoot> ReadText(Reader reader, const std::string &text) {
  vorafile::nodes::ResetNodeIdCounter();
  auto root = std::make_unique<SceneRoot>();
  root->SetScriptVersion(3);
  StringSource source(text);
  if (reader == Reader::Definition) {
    auto *file = root->AddChild(std::make_unique<DefFileNode>(root.get(), "d"));
    if (file->Read(&source, 0) == kReadFailed || !file->IsReadComplete())
      return nullptr;
    return root;
  }
  const SceneNode::Kind kind = reader == Reader::Lens
                                   ? SceneNode::Kind::LensPreset
                                   : SceneNode::Kind::TransitionPreset;
  SceneRoot *parent = root.get();
  const vorafile::nodes::PresetWalk walk = vorafile::nodes::WalkPresetBlocks(
      source, 0, [parent, kind](int index) -> SceneNode & {
        return *parent->AddChild(std::make_unique<FxPresetNode>(
            parent, "FxPresetNode" + std::to_string(index), index, kind));
      });
  Check(walk.blockCount >= 1);
  if (walk.position == kReadFailed)
    return nullptr;
  return root;
}

std::string WriteText(Reader reader, SceneRoot &root) {
  StringSink sink;
  if (reader == Reader::Definition) {
    Check(root.GetChild(0)->Write(&sink));
  } else {
    for (int i = 0; i < root.GetChildCount(); ++i)
      Check(root.GetChild(i)->Write(&sink));
  }
  return sink.GetText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size < 1 || size > kMaxInputSize)
    return 0;
  const auto reader = static_cast<Reader>(data[0] % 3);
  const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);

  std::unique_ptr<SceneRoot> first = ReadText(reader, text);
  if (first == nullptr)
    return 0;
  const std::string written = WriteText(reader, *first);
  // Long lines may be cut on the first write; after it, nothing changes.
  std::unique_ptr<SceneRoot> second = ReadText(reader, written);
  Check(second != nullptr);
  const std::string again = WriteText(reader, *second);
  std::unique_ptr<SceneRoot> third = ReadText(reader, again);
  Check(third != nullptr);
  Check(WriteText(reader, *third) == again);
  return 0;
}
