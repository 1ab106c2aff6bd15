// Feeds arbitrary bytes to the readers of macro files, old macro lists and
// object configurations (pods, orbs, macro objects), and checks that what
// one of them reads writes back into text that reads again and, from the
// first write on, goes round unchanged.
//
// Input: the first byte picks the reader (its value modulo 3); the rest is
// the file's text. The readers look files up in a working folder that
// holds one picture, one page and one macro file, so texture, link and
// macro lines can succeed.
#include "fuzz_support.h"
#include "nodes/content/macro_nodes.h"
#include "nodes/content/object_config_node.h"
#include "nodes/core/text_stream.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

using vorafile::fuzz::Check;
using vorafile::fuzz::WriteFile;

using vorafile::nodes::kReadFailed;
using vorafile::nodes::MacroEffectNode;
using vorafile::nodes::MacroFileNode;
using vorafile::nodes::ObjectConfigNode;
using vorafile::nodes::SceneNode;
using vorafile::nodes::StringSink;
using vorafile::nodes::StringSource;

// Configuration files are small; larger inputs only slow the search.
constexpr std::size_t kMaxInputSize = 16 * 1024;

// The working folder, with the files that configuration lines may name.
const std::string &WorkFolder() {
  static const std::string folder = [] {
    std::string path = vorafile::fuzz::WorkFolder();
    WriteFile(path + "a.jpg", "picture");
    WriteFile(path + "page.htm", "page");
    WriteFile(path + "m.vrm", "Version\t3\nNumMacros\t1\n\nMacro\t0\n"
                              "MacroName\tm\ncommand\n\n");
    WriteFile(path + "old.mac", "SD cube twist 0 4\n");
    return path;
  }();
  return folder;
}

// Gives its children their folder and script version, as the root does.
class ParentNode final : public SceneNode {
public:
  explicit ParentNode(int version) : SceneNode("parent") {
    SetFolder(WorkFolder());
    SetScriptVersion(version);
  }
  bool Write(vorafile::nodes::TextSink *) override { return true; }
  std::int64_t Read(vorafile::nodes::TextSource *,
                    std::int64_t position) override {
    return position;
  }
};

// Reads `text` into a fresh node and writes it back; nothing when the
// read or the write fails (a file read without its header lines cannot be
// written).
template <class MakeNode>
std::optional<std::string> ReadAndWrite(const std::string &text,
                                        MakeNode makeNode) {
  ParentNode parent(3);
  std::unique_ptr<SceneNode> node = makeNode(parent);
  StringSource in(text);
  if (node->Read(&in, 0) == kReadFailed) {
    return std::nullopt;
  }
  StringSink out;
  if (!node->Write(&out)) {
    return std::nullopt;
  }
  return out.GetText();
}

template <class MakeNode>
void CheckRoundTrip(const std::string &text, MakeNode makeNode) {
  std::optional<std::string> first = ReadAndWrite(text, makeNode);
  if (!first) {
    return;
  }
  std::optional<std::string> second = ReadAndWrite(*first, makeNode);
  Check(second.has_value());
  std::optional<std::string> third = ReadAndWrite(*second, makeNode);
  Check(third.has_value() && *third == *second);
}

// The old import reads from the scene script: its list follows the line
// that names it, and the converted macros must write as a macro file.
void ImportOldMacros(const std::string &text) {
  ParentNode parent(2);
  const std::string list = "EffectPresetCategoryInfo Friendly 2 0\n";
  StringSource in(list + text);
  auto macro = std::make_unique<MacroEffectNode>(&parent, "MacroNode0", 0,
                                                 "Friendly", 2);
  const auto start = static_cast<std::int64_t>(list.size());
  const std::int64_t end = macro->Read(&in, start);
  Check(end == kReadFailed || end == start);
  parent.SetScriptVersion(3);
  if (MacroFileNode *file = macro->GetMacroFile()) {
    StringSink out;
    Check(file->Write(&out));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size == 0 || size > kMaxInputSize) {
    return 0;
  }
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  switch (data[0] % 3) {
  case 0:
    CheckRoundTrip(text, [](SceneNode &parent) {
      return std::make_unique<MacroFileNode>(&parent, "VRM Node 0",
                                             WorkFolder() + "m.vrm");
    });
    break;
  case 1:
    CheckRoundTrip(text, [](SceneNode &parent) {
      return std::make_unique<ObjectConfigNode>(&parent, "config",
                                                WorkFolder() + "Config0.pod");
    });
    break;
  default:
    ImportOldMacros(text);
    break;
  }
  return 0;
}
