// Feeds arbitrary bytes to the scene script reader, with an arbitrary
// introduction page and messages file beside it, and checks that a script
// that reads writes back into one that reads, and that from the first write
// on the scene goes round unchanged: every node of the tree with the same
// values (less the values derived from the folder and the end of the file).
//
// Input: the script text, optionally followed by a NUL byte and the text of
// "intro.ini", and optionally by another NUL byte and the text of
// "text.ini" (the messages file). The folder also holds a few files that
// object sections can name (a.vro, a.bmp, a.pod, a.vrd).
#include "document/scene_root.h"
#include "fuzz_support.h"
#include "nodes/content/intro_node.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/text_stream.h"
#include "nodes/core/value_writer.h"
#include "platform/ini_text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace {

using vorafile::fuzz::Check;
using vorafile::fuzz::WorkFolder;
using vorafile::fuzz::WriteFile;

using vorafile::SceneRoot;
using vorafile::nodes::NodeParam;
using vorafile::nodes::SceneNode;

// Scripts are a few kilobytes; larger inputs only slow the search.
constexpr std::size_t kMaxInputSize = 64 * 1024;

// Files that object sections may name: an object file, a texture, a
// hot-spot pod and a deformation definition. Written afresh for every
// input, since a save rewrites the pod and the definition.
void WriteObjectFiles() {
  WriteFile(WorkFolder() + "a.vro", "mesh");
  WriteFile(WorkFolder() + "a.bmp", "BM");
  WriteFile(WorkFolder() + "a.pod",
            "Version 1\nObjectType POD\nTexture a.bmp\n");
  WriteFile(WorkFolder() + "a.vrd",
            "DefType\tDefRipple\nMaxInstance\t2\nNumPresets\t0\n");
}

std::unique_ptr<SceneRoot> ReadScene(const std::string &script,
                                     std::int64_t &result) {
  vorafile::nodes::ResetNodeIdCounter();
  auto root = std::make_unique<SceneRoot>();
  root->SetFolder(WorkFolder());
  vorafile::nodes::StringSource source(script);
  result = root->Read(&source, 0);
  return root;
}

// Values the reader derives from the folder and the end of the file, or
// that only version 2 holds (version 3 has no keyword for them): a written
// script cannot carry them.
// An old scene's imported macros lack "NumMacroCommands" (4505) when no
// command converted, while a read macro file always counts its commands.
bool IsDerived(int id) {
  constexpr int kDerived[] = {116, 117, 169, 234, 235, 241, 4505};
  return std::find(std::begin(kDerived), std::end(kDerived), id) !=
         std::end(kDerived);
}

// Values by the node's path of kinds and names from the root, and id.
// Node ids are left out: they count every node made, in reading order.
using ValueKey = std::pair<std::string, int>;
using ValueMap = std::map<ValueKey, vorafile::nodes::ParamValue>;

void CollectValues(const SceneNode &node, const std::string &path,
                   ValueMap &values) {
  // Macros imported from an old scene and macros read from a macro file
  // are named differently ("MacroCommands", "Macro").
  const bool isMacroEntry = node.GetKind() == SceneNode::Kind::MacroEntry;
  for (const NodeParam &param : node.GetParamArray()) {
    Check(param.GetValue() != nullptr);
    if (isMacroEntry && param.GetId() == vorafile::nodes::param::kName)
      continue;
    if (!IsDerived(param.GetId()) &&
        param.GetId() != vorafile::nodes::param::kNodeId)
      Check(values.emplace(ValueKey(path, param.GetId()), *param.GetValue())
                .second);
  }
  // The writer may order sections otherwise than the script did (the
  // light before the camera): children are told apart by kind, name and
  // the ordinal among their namesakes, not by their place.
  std::map<std::string, int> namesakes;
  for (int i = 0; i < node.GetChildCount(); ++i) {
    const SceneNode *child = node.GetChild(i);
    Check(child != nullptr);
    // Macro entries are named by how they were read (an imported entry
    // differs from a read one), not by what they hold; objects of an old
    // scene by their place, later by their object name.
    const bool namedByReading =
        child->GetKind() == SceneNode::Kind::MacroEntry ||
        child->GetKind() == SceneNode::Kind::Object;
    const std::string name = namedByReading ? "" : child->GetName();
    const std::string step = std::to_string(child->GetTypeCode()) + ":" + name;
    // Shared nodes are listed under every holder; their values are the
    // same under each.
    CollectValues(*child,
                  path + "/" + step + "#" + std::to_string(namesakes[step]++),
                  values);
  }
}

bool HasUnwritableIniText(const SceneNode &node) {
  for (const NodeParam &param : node.GetParamArray())
    if (param.GetValue()->GetType() == vorafile::nodes::ValueType::String &&
        !vorafile::platform::IsWritableIniValue(param.GetValue()->GetText()))
      return true;
  for (int i = 0; i < node.GetChildCount(); ++i)
    if (HasUnwritableIniText(*node.GetChild(i)))
      return true;
  return false;
}

ValueMap Values(const SceneRoot &root) {
  ValueMap values;
  CollectValues(root, "", values);
  return values;
}

bool SameAfterWriting(const ValueMap &before, const ValueMap &after) {
  if (before.size() != after.size())
    return false;
  for (auto a = before.begin(), b = after.begin(); a != before.end();
       ++a, ++b) {
    if (a->first != b->first || a->second.GetType() != b->second.GetType())
      return false;
    switch (a->second.GetType()) {
    case vorafile::nodes::ValueType::Float:
      // Messages keep sizes with four decimals: the first write may round
      // there.
      if (std::fabs(*a->second.GetIf<float>() - *b->second.GetIf<float>()) >
          5e-5f * std::max(1.0f, std::fabs(*a->second.GetIf<float>())))
        return false;
      break;
    case vorafile::nodes::ValueType::Double:
    case vorafile::nodes::ValueType::Color:
    case vorafile::nodes::ValueType::Vector:
    case vorafile::nodes::ValueType::FloatQuad:
      if (vorafile::nodes::FormatValueText(a->second, true) !=
          vorafile::nodes::FormatValueText(b->second, true))
        return false;
      break;
    default:
      if (!(a->second == b->second))
        return false;
    }
  }
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size > kMaxInputSize)
    return 0;
  std::string_view input(reinterpret_cast<const char *>(data), size);
  std::string_view script = input;
  std::string_view intro;
  std::string_view messages;
  if (std::size_t nul = input.find('\0'); nul != std::string_view::npos) {
    script = input.substr(0, nul);
    intro = input.substr(nul + 1);
  }
  if (std::size_t nul = intro.find('\0'); nul != std::string_view::npos) {
    messages = intro.substr(nul + 1);
    intro = intro.substr(0, nul);
  }
  WriteFile(WorkFolder() + "intro.ini", intro);
  WriteFile(WorkFolder() + "text.ini", messages);
  WriteObjectFiles();

  std::int64_t result = 0;
  std::unique_ptr<SceneRoot> root = ReadScene(std::string(script), result);
  if (result == vorafile::nodes::kReadFailed)
    return 0;

  // What was read must survive being written and read again. The writer
  // rewrites "intro.ini" on the way.
  vorafile::nodes::StringSink sink;
  if (!root->Write(&sink)) {
    // Only a text that no INI line can hold (a line break, a NUL) may stop
    // a node that keeps an INI file (the introduction page, the messages)
    // from being written.
    const bool unwritable = HasUnwritableIniText(*root);
    Check(unwritable);
    return 0;
  }
  // Floats are written with six decimals (colours as bytes), so the first
  // write may round them; everything else must come back as it was, and
  // from there on the scene goes round unchanged.
  std::unique_ptr<SceneRoot> again = ReadScene(sink.GetText(), result);
  Check(result != vorafile::nodes::kReadFailed);
  Check(SameAfterWriting(Values(*root), Values(*again)));
  vorafile::nodes::StringSink secondSink;
  Check(again->Write(&secondSink));
  Check(secondSink.GetText() == sink.GetText());
  std::unique_ptr<SceneRoot> third = ReadScene(secondSink.GetText(), result);
  Check(result != vorafile::nodes::kReadFailed);
  Check(Values(*again) == Values(*third));
  return 0;
}
