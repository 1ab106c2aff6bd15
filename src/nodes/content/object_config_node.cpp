#include "nodes/content/object_config_node.h"

#include "nodes/content/macro_nodes.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/name_table.h"
#include "nodes/core/param_names.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/def_file_node.h"
#include "platform/ascii.h"
#include "platform/package_name.h"

#include <array>
#include <cstdio>

namespace vorafile::nodes {

namespace {

namespace cfg = config_param;

constexpr std::array<std::string_view, 38> kConfigNames = {
    "Version",
    "ObjectType",
    "Category",
    "HighLightTexture",
    "URL",
    "Texture",
    "BorderTexture",
    "WindowSizeX",
    "WindowSizeY",
    "BorderSize",
    "OffsetSize",
    "WindowPosition",
    "ScaleX",
    "ScaleY",
    "CenterOffset",
    "HighlightAnimation",
    "HighlightAnimation ID",
    "HighLightAnimVrdFile",
    "HighLightAnimBand",
    "HighLightAnimPreset",
    "OpeningAnimation",
    "OpeningAnimation ID",
    "OpeningAnimVrdFile",
    "OpeningAnimBand",
    "OpeningAnimPreset",
    "FlyOutAnimation",
    "FlyOutAnimation ID",
    "FlyOutAnimVrdFile",
    "FlyOutAnimBand",
    "FlyOutAnimPreset",
    "BorderScale",
    "BannerCount",
    "TextureAlpha",
    "Duration",
    "FadeDuration",
    "PickDuration",
    "PickCycles",
    "Unknown",
};

const NameTable &ConfigNameTable() {
  static const NameTable table(cfg::kVersion, kConfigNames);
  return table;
}

constexpr const char *kFileLinkPrefix = "file://";

// The name of `path` inside `folder`, when the path begins with it.
std::optional<std::string> NameInFolder(std::string_view folder,
                                        const std::string &path) {
  if (!folder.empty() && path.size() > folder.size() &&
      ascii::EqualsIgnoreCase(std::string_view(path).substr(0, folder.size()),
                              folder)) {
    return path.substr(folder.size());
  }
  return std::nullopt;
}

// The name a file is written under: relative to the working folder when
// it lies inside, else its file name and extension.
std::string NameForFile(std::string_view folder, const std::string &path) {
  return NameInFolder(folder, path).value_or(FileNameOf(path));
}

class ConfigWriter {
public:
  ConfigWriter(const ObjectConfigNode &node, TextSink &out)
      : node_(node), out_(out),
        folder_(std::string(node.GetFolder().value_or(""))) {}

  void Value(int id) {
    ParamValue value;
    if (node_.GetParamValue(id, value)) {
      (void)WriteValueLine(out_, ConfigParamName(id), value, true);
    }
  }
  void Line(int id, const std::string &text) {
    (void)WriteTextLine(out_, ConfigParamName(id) + "\t" + text);
  }
  void File(int id, int index = -1) {
    ParamValue value;
    if (node_.GetParamValue(id, value, index)) {
      Line(id, NameForFile(folder_, std::string(value.GetText())));
    }
  }
  // A link that names a file of the folder is written as "file://" and
  // its name; any other link as it is.
  void Link(int index = -1) {
    ParamValue value;
    if (!node_.GetParamValue(cfg::kUrl, value, index)) {
      return;
    }
    const std::string link(value.GetText());
    const std::optional<std::string> name = NameInFolder(folder_, link);
    if (name && FileExistsInFolder(folder_, *name)) {
      Line(cfg::kUrl, kFileLinkPrefix + *name);
    } else {
      Line(cfg::kUrl, link);
    }
  }
  void CenterOffset() {
    if (std::optional<Vector> offset =
            node_.GetParamAs<Vector>(cfg::kCenterOffset)) {
      std::array<char, 128> text{};
      (void)std::snprintf(text.data(), text.size(), "%f,%f,%f",
                          static_cast<double>(offset->components[0]),
                          static_cast<double>(offset->components[1]),
                          static_cast<double>(offset->components[2]));
      Line(cfg::kCenterOffset, text.data());
    }
  }
  // Written when its file, band and preset are present; the definition's
  // node id is not needed to read the line back.
  void Animation(int key) {
    std::optional<std::string> file = node_.GetTextParam(key + 2);
    std::optional<std::int32_t> band = node_.GetParamAs<std::int32_t>(key + 3);
    std::optional<std::int32_t> preset =
        node_.GetParamAs<std::int32_t>(key + 4);
    if (file && band && preset) {
      Line(key, NameForFile(folder_, *file) + "," + std::to_string(*band) +
                    "," + std::to_string(*preset));
    }
  }

private:
  const ObjectConfigNode &node_;
  TextSink &out_;
  std::string folder_;
};

} // namespace

std::string ConfigParamName(int id) {
  if (ConfigNameTable().Contains(id)) {
    return std::string(ConfigNameTable().NameOf(id));
  }
  return std::string(ParamNameOf(id));
}

int ConfigParamId(std::string_view name) {
  return ConfigNameTable().FindId(name).value_or(ParamIdOf(name));
}

ObjectConfigNode::ObjectConfigNode(SceneNode *parent, std::string_view name,
                                   std::string_view filePath)
    : IndexedParamsNode(name, ConfigNameTable()) {
  SetNodeType(Kind::ObjectConfig);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
  (void)SceneNode::AddParamValue(param::kFileName,
                                 ParamValue(std::string(filePath)));
}

ObjectConfigNode::~ObjectConfigNode() {
  for (int i = 0; i < GetChildCount(); ++i) {
    SceneNode *child = GetChild(i);
    if (IsA<DefFileNode>(child) && child->GetParent() == this &&
        child->GetRefCount() > 1) {
      child->SetParent(GetParent());
    }
  }
}

bool ObjectConfigNode::Write(TextSink *out) {
  // The first two lines are what makes a configuration readable.
  if (out == nullptr || GetScriptVersion() != 3 ||
      !GetParamAs<std::int32_t>(cfg::kVersion) ||
      !GetTextParam(cfg::kObjectType)) {
    return false;
  }
  ConfigWriter write(*this, *out);
  write.Value(cfg::kVersion);
  write.Value(cfg::kObjectType);
  if (kind_ != ConfigKind::Macro) {
    write.Value(cfg::kCategory);
  }
  switch (kind_) {
  case ConfigKind::Pod:
    write.Link();
    write.File(cfg::kTexture);
    write.File(cfg::kBorderTexture);
    for (int id : {cfg::kWindowSizeX, cfg::kWindowSizeY, cfg::kBorderSize,
                   cfg::kBorderScale, cfg::kOffsetSize, cfg::kWindowPosition,
                   cfg::kScaleX, cfg::kScaleY}) {
      write.Value(id);
    }
    write.CenterOffset();
    write.Animation(cfg::kHighlightAnimation);
    write.File(cfg::kHighLightTexture);
    write.Animation(cfg::kOpeningAnimation);
    write.Animation(cfg::kFlyOutAnimation);
    break;
  case ConfigKind::Orb: {
    write.Value(cfg::kBannerCount);
    // Every texture read is written: the reader takes one beyond the
    // banner count.
    for (int i = 0; static_cast<std::size_t>(i) < textures_.GetCount(); ++i) {
      write.File(cfg::kTexture, i);
      write.Link(i);
    }
    for (int id : {cfg::kTextureAlpha, cfg::kDuration, cfg::kFadeDuration,
                   cfg::kPickDuration, cfg::kPickCycles}) {
      write.Value(id);
    }
    write.Animation(cfg::kHighlightAnimation);
    write.File(cfg::kHighLightTexture);
    break;
  }
  case ConfigKind::Macro:
    write.File(cfg::kHighLightTexture);
    write.Animation(cfg::kHighlightAnimation);
    for (int i = 0; SceneNode *macro = FindChild(Kind::MacroEffect, i); ++i) {
      if (!macro->Write(out)) {
        return false;
      }
    }
    break;
  }
  return !out->HasFailed();
}

IndexedParamList *ObjectConfigNode::FindList(int id) {
  return const_cast<IndexedParamList *>(
      static_cast<const ObjectConfigNode *>(this)->FindList(id));
}

const IndexedParamList *ObjectConfigNode::FindList(int id) const {
  if (kind_ != ConfigKind::Orb) {
    return nullptr;
  }
  if (id == cfg::kTexture) {
    return &textures_;
  }
  return id == cfg::kUrl ? &links_ : nullptr;
}

} // namespace vorafile::nodes
