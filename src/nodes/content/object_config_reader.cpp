// The reader of ObjectConfigNode.
//
// Format notes: after comment (";") and empty lines come a "Version <n>"
// line and an "ObjectType <POD|ORB|MACRO>" line; then key lines, a key and
// a value. File values (textures, links, animation files) are names in the
// working folder; a texture's name runs to a "?", a pod link's to a "|".
// An orb's "Texture" line may be followed by its "URL" line. Animation
// keys hold "<file>,<band>,<preset>". A macro object's "MacroEffect" lines
// are "<file> <preset> <friendly name>", the name taking the rest of the
// line as in the scene script.
#include "nodes/content/object_config_node.h"

#include "nodes/content/line_reading.h"
#include "nodes/content/macro_nodes.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/node_registry.h"
#include "nodes/effects/def_file_node.h"
#include "platform/ascii.h"
#include "platform/package_name.h"

#include <algorithm>
#include <memory>

namespace vorafile::nodes {

namespace {

namespace cfg = config_param;

constexpr std::string_view kFileLinkPrefix = "file://";
constexpr const char *kMacroNodeName = "MacroNode0";

bool IsCommentOrBlank(std::string_view line) {
  return (!line.empty() && line.front() == ';') || line == "\n";
}

// The text after the line's first word, up to `stop`, trimmed.
std::string ValueAfterKey(std::string_view line, char stop) {
  LineScanner scan(line);
  std::string key;
  scan.Word(key);
  std::string value(scan.Rest());
  value.resize(std::min(value.find(stop), value.size()));
  TrimSpaces(value);
  return value;
}

// The keys each kind reads; others are passed over.
bool IsKeyOfKind(ObjectConfigNode::ConfigKind kind, int id) {
  switch (kind) {
  case ObjectConfigNode::ConfigKind::Pod:
    return (id >= cfg::kCategory && id <= cfg::kHighlightAnimation) ||
           id == cfg::kOpeningAnimation || id == cfg::kFlyOutAnimation ||
           id == cfg::kBorderScale;
  case ObjectConfigNode::ConfigKind::Orb:
    return id == cfg::kCategory || id == cfg::kHighLightTexture ||
           id == cfg::kTexture || id == cfg::kHighlightAnimation ||
           (id >= cfg::kBannerCount && id <= cfg::kPickCycles);
  case ObjectConfigNode::ConfigKind::Macro:
    return id == cfg::kHighLightTexture || id == cfg::kHighlightAnimation ||
           id == param::kMacroEffect;
  }
  return false;
}

bool IsIntKey(int id) {
  return (id >= cfg::kWindowSizeX && id <= cfg::kOffsetSize) ||
         id == cfg::kBannerCount || id == cfg::kPickCycles;
}

bool IsFloatKey(int id) {
  return id == cfg::kScaleX || id == cfg::kScaleY || id == cfg::kBorderScale ||
         (id >= cfg::kTextureAlpha && id <= cfg::kPickDuration);
}

} // namespace

class ObjectConfigNode::ConfigReader {
public:
  ConfigReader(ObjectConfigNode &node, TextSource &in)
      : node_(node), in_(in),
        folder_(std::string(node.GetFolder().value_or(""))) {}

  std::int64_t Read(std::int64_t position);

private:
  // Each answers false when the read fails (the reason recorded).
  [[nodiscard]] bool ReadHeader();
  [[nodiscard]] bool ReadKeyLine(int id, const std::string &line);
  [[nodiscard]] bool ReadTexture(int id, const std::string &line);
  [[nodiscard]] bool ReadOrbTexture(const std::string &line);
  [[nodiscard]] bool ReadAnimation(int key, const std::string &line);
  void ReadMacroEffect(const std::string &line);
  /// The value of a link: a "file://" name that exists in the folder as
  /// its path there, anything else as it is (never opened).
  std::string ResolveLink(std::string link) const;
  [[nodiscard]] bool Fail(std::string reason) {
    (void)node_.FailRead(lineStart_, std::move(reason));
    return false;
  }
  [[nodiscard]] bool Add(int id, const ParamValue &value) {
    if (node_.AddParamValue(id, value)) {
      return true;
    }
    // Appended piece by piece: g++ 12 at -O3 warns wrongly (-Wrestrict)
    // about a literal + string chain here.
    std::string reason = ConfigParamName(id);
    reason.append(" cannot be stored");
    return Fail(std::move(reason));
  }
  /// The next line that is no comment and not empty.
  [[nodiscard]] bool NextContentLine(std::string &line) {
    do {
      lineStart_ = in_.Tell();
      if (!ReadScannedLine(in_, line)) {
        return false;
      }
    } while (IsCommentOrBlank(line));
    return true;
  }

  ObjectConfigNode &node_;
  TextSource &in_;
  std::string folder_;
  std::int64_t lineStart_ = -1;
  bool readsKeys_ = true;
};

std::int64_t ObjectConfigNode::Read(TextSource *in, std::int64_t position) {
  if (GetScriptVersion() != 3) {
    return FailRead(-1, "unknown script version");
  }
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot seek in the configuration");
  }
  return ConfigReader(*this, *in).Read(position);
}

std::int64_t ObjectConfigNode::ConfigReader::Read(std::int64_t position) {
  if (!ReadHeader()) {
    return kReadFailed;
  }
  std::string line;
  while (readsKeys_) {
    lineStart_ = in_.Tell();
    if (!ReadScannedLine(in_, line)) {
      break;
    }
    std::string key;
    if (!LineScanner(line).Word(key).Ok()) {
      continue;
    }
    const int id = ConfigParamId(key);
    if (!IsKeyOfKind(node_.kind_, id)) {
      continue;
    }
    if (!ReadKeyLine(id, line)) {
      return kReadFailed;
    }
  }
  return std::max<std::int64_t>({in_.Tell(), position, 1});
}

bool ObjectConfigNode::ConfigReader::ReadHeader() {
  std::string line;
  std::string word;
  std::int32_t version = 0;
  if (!NextContentLine(line) ||
      !LineScanner(line).Word(word).Int(version).Ok()) {
    return Fail("expected \"Version\" and a number");
  }
  if (!Add(ConfigParamId(word), ParamValue(version))) {
    return false;
  }
  std::string type;
  if (!NextContentLine(line) || !LineScanner(line).Word(word).Word(type).Ok()) {
    return Fail("expected \"ObjectType\" and a word");
  }
  if (!Add(ConfigParamId(word), ParamValue(type))) {
    return false;
  }
  if (ascii::EqualsIgnoreCase(type, "POD")) {
    node_.kind_ = ConfigKind::Pod;
  } else if (ascii::EqualsIgnoreCase(type, "ORB")) {
    node_.kind_ = ConfigKind::Orb;
  } else if (ascii::EqualsIgnoreCase(type, "MACRO")) {
    node_.kind_ = ConfigKind::Macro;
  } else {
    // An object type without keys: nothing more is read.
    readsKeys_ = false;
  }
  return true;
}

bool ObjectConfigNode::ConfigReader::ReadKeyLine(int id,
                                                 const std::string &line) {
  std::string key;
  if (id == cfg::kHighLightTexture ||
      (node_.kind_ == ConfigKind::Pod &&
       (id == cfg::kTexture || id == cfg::kBorderTexture))) {
    return ReadTexture(id, line);
  }
  if (id == cfg::kTexture) {
    return ReadOrbTexture(line);
  }
  if (id == cfg::kHighlightAnimation || id == cfg::kOpeningAnimation ||
      id == cfg::kFlyOutAnimation) {
    return ReadAnimation(id, line);
  }
  if (id == param::kMacroEffect) {
    ReadMacroEffect(line);
    return true;
  }
  if (id == cfg::kCategory || id == cfg::kWindowPosition) {
    std::string word;
    return !LineScanner(line).Word(key).Word(word).Ok() ||
           Add(id, ParamValue(word));
  }
  if (id == cfg::kUrl) {
    std::string word;
    if (!LineScanner(line).Word(key).Word(word).Ok()) {
      return true;
    }
    return Add(id, ParamValue(ResolveLink(ValueAfterKey(line, '|'))));
  }
  if (IsIntKey(id)) {
    std::int32_t number = 0;
    return !LineScanner(line).Word(key).Int(number).Ok() ||
           Add(id, ParamValue(number));
  }
  if (IsFloatKey(id)) {
    float number = 0;
    return !LineScanner(line).Word(key).Float(number).Ok() ||
           Add(id, ParamValue(number));
  }
  if (id == cfg::kCenterOffset) {
    Vector offset{};
    return !ParseVector(ValueAfterKey(line, '\n'), offset) ||
           Add(id, ParamValue(offset));
  }
  return true;
}

bool ObjectConfigNode::ConfigReader::ReadTexture(int id,
                                                 const std::string &line) {
  std::string name = ValueAfterKey(line, '?');
  const std::string given = name;
  // A name that the cut leaves empty would name the folder itself, which
  // no save could give back.
  if (name.empty() || !ResolveImageFile(folder_, name) || name.empty()) {
    return Fail("texture \"" + given + "\" is missing");
  }
  std::optional<std::string> path = platform::ResolvePackageName(folder_, name);
  return Add(id, ParamValue(path.value_or(folder_ + name)));
}

bool ObjectConfigNode::ConfigReader::ReadOrbTexture(const std::string &line) {
  // One texture beyond the banner count is still taken.
  const std::int32_t bound =
      node_.GetParamAs<std::int32_t>(cfg::kBannerCount).value_or(0);
  const std::size_t index = node_.textures_.GetCount();
  if (index > static_cast<std::size_t>(std::max(bound, 0))) {
    return Fail("more textures than \"BannerCount\" allows");
  }
  std::string name = ValueAfterKey(line, '?');
  std::optional<std::string> path;
  if (!name.empty() && ResolveImageFile(folder_, name)) {
    path = platform::ResolvePackageName(folder_, name);
  }
  if (path &&
      !node_.textures_.Add(static_cast<int>(index), ParamValue(*path))) {
    return Fail("the texture cannot be stored");
  }

  // A "URL" line right after the texture is its link; any other line is
  // given back. A texture that was not found takes its link with it.
  const std::int64_t nextStart = in_.Tell();
  std::string next;
  std::string key;
  if (!ReadScannedLine(in_, next) || !LineScanner(next).Word(key).Ok() ||
      ConfigParamId(key) != cfg::kUrl) {
    return in_.Seek(nextStart) || Fail("cannot give the line back");
  }
  if (!path) {
    return true;
  }
  // Links keep the textures' indices: textures without a link before this
  // one get an empty link.
  while (node_.links_.GetCount() < index) {
    (void)node_.links_.Add(static_cast<int>(node_.links_.GetCount()),
                           ParamValue(std::string{}));
  }
  const std::string link = ResolveLink(ValueAfterKey(next, '?'));
  return node_.links_.Add(static_cast<int>(index), ParamValue(link)) ||
         Fail("the link cannot be stored");
}

std::string
ObjectConfigNode::ConfigReader::ResolveLink(std::string link) const {
  if (link.size() <= kFileLinkPrefix.size() ||
      !ascii::EqualsIgnoreCase(
          std::string_view(link).substr(0, kFileLinkPrefix.size()),
          kFileLinkPrefix)) {
    return link;
  }
  const std::string_view name =
      std::string_view(link).substr(kFileLinkPrefix.size());
  if (std::optional<std::string> path =
          platform::ResolvePackageName(folder_, name)) {
    return *path;
  }
  return link;
}

bool ObjectConfigNode::ConfigReader::ReadAnimation(int key,
                                                   const std::string &line) {
  const std::string value = ValueAfterKey(line, '\n');
  std::string parts[3];
  std::size_t start = 0;
  for (std::string &part : parts) {
    if (start > value.size()) {
      break;
    }
    const std::size_t comma = std::min(value.find(',', start), value.size());
    part = value.substr(start, comma - start);
    TrimSpaces(part);
    start = comma + 1;
  }
  std::optional<std::string> path =
      parts[0].empty() ? std::nullopt
                       : platform::ResolvePackageName(folder_, parts[0]);
  if (!path) {
    return true;
  }
  if (!Add(key + 3, ParamValue(TextToInt(parts[1]))) ||
      !Add(key + 4, ParamValue(TextToInt(parts[2]))) ||
      !Add(key + 2, ParamValue(*path))) {
    return false;
  }
  // Every holder that names a definition file shares one node: one the
  // scene holds already (any case) gains this node as a holder, otherwise
  // this node makes it and reads it from the working folder.
  const std::string fileName = FileNameOf(*path);
  NodeRegistry *registry = node_.GetSceneRegistry();
  SceneNode *definition =
      registry == nullptr
          ? nullptr
          : registry->FindByTextParam(static_cast<int>(Kind::DefFile),
                                      param::kName, fileName);
  if (definition != nullptr) {
    node_.AddSharedChild(*definition);
  } else {
    auto *made =
        node_.AddChild(std::make_unique<DefFileNode>(&node_, fileName));
    // One that does not read stays held, as a deformation reference keeps
    // it: the key names it all the same, and the configuration reads on.
    (void)made->ReadOwnFile();
    definition = made;
  }
  return Add(key + 1, ParamValue(std::int32_t{definition->GetNodeId()}));
}

void ObjectConfigNode::ConfigReader::ReadMacroEffect(const std::string &line) {
  LineScanner scan(line);
  std::string key;
  std::string file;
  std::int32_t preset = 0;
  if (!scan.Word(key).Word(file).Int(preset).Ok()) {
    return;
  }
  std::string friendly(scan.Rest());
  TrimSpaces(friendly);
  std::optional<std::string> path = platform::ResolvePackageName(folder_, file);
  if (friendly.empty() || !path) {
    return;
  }
  auto *macro = node_.AddChild(std::make_unique<MacroEffectNode>(
      &node_, kMacroNodeName, *path, preset, friendly));
  // A macro file that cannot be read is kept as it is (its node does not
  // rewrite it); the configuration reads on.
  (void)macro->Read(&in_, in_.Tell());
}

} // namespace vorafile::nodes
