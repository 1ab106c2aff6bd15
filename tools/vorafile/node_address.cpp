#include "node_address.h"

#include "nodes/core/indexed_params.h"
#include "nodes/core/param_names.h"
#include "platform/ascii.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace vorafile::cli {

namespace {

constexpr std::pair<std::int32_t, std::string_view> kTypeNames[] = {
    {VORA_NODE_AUDIO_ANALYSIS, "audio"},
    {VORA_NODE_CAMERA, "camera"},
    {VORA_NODE_DEF_REF, "defref"},
    {VORA_NODE_FILTER_BAND, "band"},
    {VORA_NODE_INTRO, "intro"},
    {VORA_NODE_LIGHTING, "lighting"},
    {VORA_NODE_DEF_FILE, "deffile"},
    {VORA_NODE_MESSAGE_DATA, "messagedata"},
    {VORA_NODE_OBJECT, "object"},
    {VORA_NODE_DEF_PRESET, "defpreset"},
    {VORA_NODE_SCENE_ROOT, "root"},
    {VORA_NODE_MESSAGE, "message"},
    {VORA_NODE_LENS_EFFECTS, "lens"},
    {VORA_NODE_HYPER_PRESET_ENTRY, "hyper"},
    {VORA_NODE_LENS_PRESET, "lenspreset"},
    {VORA_NODE_LENS_PRESET_FILE, "lensfile"},
    {VORA_NODE_TRANSITION_EFFECT, "transition"},
    {VORA_NODE_TRANSITION_PRESET_FILE, "transitionfile"},
    {VORA_NODE_TRANSITION_PRESET, "transitionpreset"},
    {VORA_NODE_OBJECT_CONFIG, "config"},
    {VORA_NODE_MARQUEE, "marquee"},
    {VORA_NODE_MACRO_EFFECT, "macro"},
    {VORA_NODE_MACRO_FILE, "macrofile"},
    {VORA_NODE_MACRO_ENTRY, "macroentry"},
};

std::optional<std::int32_t> ParseNumber(std::string_view text) {
  std::int32_t value = 0;
  auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() ||
      end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::int32_t> ParseType(std::string_view text) {
  for (const auto &[type, name] : kTypeNames) {
    if (ascii::EqualsIgnoreCase(name, text)) {
      return type;
    }
  }
  return ParseNumber(text);
}

// "TYPE:ORDINAL" (ordinal 0 when left out).
std::optional<NodePath> ParseStep(std::string_view text) {
  std::size_t colon = text.find(':');
  std::optional<std::int32_t> type = ParseType(text.substr(0, colon));
  std::optional<std::int32_t> ordinal =
      colon == std::string_view::npos ? std::optional<std::int32_t>(0)
                                      : ParseNumber(text.substr(colon + 1));
  if (!type || !ordinal || *type == VORA_NODE_END) {
    return std::nullopt;
  }
  return NodePath{*type, *ordinal};
}

std::optional<std::vector<NodePath>> ParsePath(std::string_view text) {
  std::vector<NodePath> path;
  while (!text.empty()) {
    if (text.front() == '/') {
      text.remove_prefix(1);
      continue;
    }
    std::size_t end = text.find('/');
    std::optional<NodePath> step = ParseStep(text.substr(0, end));
    if (!step) {
      return std::nullopt;
    }
    path.push_back(*step);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
  }
  path.push_back({VORA_NODE_END, 0});
  return path;
}

} // namespace

nodes::SceneNode *FindNode(SceneDocument &document, std::string_view address,
                           std::string &error) {
  nodes::SceneNode *node = nullptr;
  if (ascii::EqualsIgnoreCase(address, "root")) {
    node = document.GetRoot();
  } else if (!address.empty() && address.front() == '#') {
    address.remove_prefix(1);
    std::size_t slash = address.find('/');
    std::optional<std::int32_t> id = ParseNumber(address.substr(0, slash));
    std::optional<std::vector<NodePath>> path =
        ParsePath(slash == std::string_view::npos ? std::string_view()
                                                  : address.substr(slash));
    if (!id || !path) {
      error = "expected #ID or #ID/TYPE:ORDINAL...";
      return nullptr;
    }
    node = document.FindByIdAndPath(*id, path->data());
  } else if (!address.empty() && address.front() == '/') {
    std::optional<std::vector<NodePath>> path = ParsePath(address);
    if (!path) {
      error = "expected /TYPE:ORDINAL/...";
      return nullptr;
    }
    node = document.FindByPath(path->data());
  } else {
    std::optional<NodePath> step = ParseStep(address);
    if (!step) {
      error = "expected root, TYPE:ORDINAL, /PATH or #ID (types: " +
              NodeTypeNames() + ")";
      return nullptr;
    }
    node = document.FindByTypeAndOrdinal(step->type, step->ordinal);
  }
  if (node == nullptr) {
    error = "no such node";
  }
  return node;
}

std::optional<int> FindParamId(const nodes::SceneNode &node,
                               std::string_view text) {
  if (std::optional<std::int32_t> id = ParseNumber(text)) {
    return *id;
  }
  const int id = node.GetParamId(text);
  if (id == nodes::param::kToBeIdentified &&
      !ascii::EqualsIgnoreCase(text, nodes::ParamNameOf(id))) {
    return std::nullopt;
  }
  return id;
}

namespace {

// The listed entry whose name is `text` (ASCII case aside).
class SubItemByName final : public nodes::SubItemVisitor {
public:
  explicit SubItemByName(std::string_view text) : text_(text) {}
  void Visit(const nodes::SubItem &item) override {
    if (!found && ascii::EqualsIgnoreCase(item.name, text_)) {
      found = ParamAddress{item.id, item.key};
    }
  }
  std::optional<ParamAddress> found;

private:
  std::string_view text_;
};

// "Text2" for a list that has no entry 2 yet: the name of an id from the
// node's own family (not a built-in one, so "Version3" never names the
// version) that is not in its parameter list, followed by an index.
std::optional<ParamAddress> FindNewEntry(const nodes::SceneNode &node,
                                         std::string_view text) {
  const std::size_t digits = text.find_last_not_of("0123456789") + 1;
  if (digits == 0 || digits == text.size()) {
    return std::nullopt;
  }
  const std::string_view name = text.substr(0, digits);
  const int id = node.GetParamId(name);
  const auto &params = node.GetParamArray();
  const bool isPlain =
      std::any_of(params.begin(), params.end(),
                  [id](const nodes::NodeParam &p) { return p.GetId() == id; });
  if (!nodes::ParamNameOf(id).empty() || isPlain) {
    return std::nullopt;
  }
  if (std::optional<int> index = nodes::ParseIndexedName(text, name)) {
    return ParamAddress{id, *index};
  }
  return std::nullopt;
}

} // namespace

std::optional<ParamAddress> FindParamAddress(const nodes::SceneNode &node,
                                             std::string_view text) {
  SubItemByName listed(text);
  node.VisitSubItems(listed);
  if (listed.found) {
    return listed.found;
  }
  if (std::optional<int> id = FindParamId(node, text)) {
    return ParamAddress{*id};
  }
  return FindNewEntry(node, text);
}

std::string NodeTypeName(std::int32_t type) {
  for (const auto &[known, name] : kTypeNames) {
    if (known == type) {
      return std::string(name);
    }
  }
  return std::to_string(type);
}

std::string NodeTypeNames() {
  std::string names;
  for (const auto &[type, name] : kTypeNames) {
    if (!names.empty()) {
      names += ", ";
    }
    names += name;
  }
  return names;
}

} // namespace vorafile::cli
