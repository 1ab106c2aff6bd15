// The configuration file of a pod, an orb or a macro object: one
// ObjectConfigNode per file, named by its "ObjectType" ("POD", "ORB",
// "MACRO"). Pods carry textures, a link, window geometry and animations;
// orbs a list of textures each with its own link, timing values and a
// highlight animation; macro objects macro effect entries (MacroEffectNode
// children).
//
// The node's own names are the configuration family (ids 2000 to 2037),
// asked before the built-in ones. An orb's textures (2005) and links (2004)
// are indexed lists, addressed by the index argument of the parameter
// operations; other kinds keep those ids as plain parameters.
#ifndef VORAFILE_NODES_CONTENT_OBJECT_CONFIG_NODE_H
#define VORAFILE_NODES_CONTENT_OBJECT_CONFIG_NODE_H

#include "nodes/core/indexed_params_node.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/scene_node.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

/// The name of a configuration family id, or the built-in name of another.
std::string ConfigParamName(int id);
/// The id of a configuration family name (case aside), else the built-in
/// one.
int ConfigParamId(std::string_view name);

class ObjectConfigNode final : public IndexedParamsNode {
public:
  /// What the configuration describes, as its "ObjectType" says.
  enum class ConfigKind : std::int32_t { Pod = 0, Orb = 1, Macro = 2 };

  /// Registers the node with the root above `parent` (when there is one)
  /// and adds "FileName" = `filePath`.
  ObjectConfigNode(SceneNode *parent, std::string_view name,
                   std::string_view filePath);
  /// Hands a deformation definition that names this node as its parent and
  /// has other holders on to this node's parent, so that it still reaches
  /// the scene.
  ~ObjectConfigNode() override;

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::ObjectConfig;
  }

  /// Version 3: reads the configuration from `position` to the end of
  /// `in`: the "Version" and "ObjectType" lines, then the keys of the kind
  /// (keys without an id, keys of other kinds and lines that do not parse
  /// are passed over). Answers the position after the last line, or
  /// kReadFailed on a refused add, a texture that is not found (except an
  /// orb's, which is dropped with its link), more orb textures than one
  /// beyond "BannerCount", or another version. File names that leave the
  /// working folder name no file.
  std::int64_t Read(TextSource *in, std::int64_t position) override;
  /// Version 3: the configuration in the layout the reader takes, each key
  /// only when its values are present. False for another version, and
  /// without an Int "Version" and a String "ObjectType".
  [[nodiscard]] bool Write(TextSink *out) override;

  [[nodiscard]] ConfigKind GetConfigKind() const { return kind_; }
  [[nodiscard]] const IndexedParamList &GetTextures() const {
    return textures_;
  }
  [[nodiscard]] const IndexedParamList &GetLinks() const { return links_; }

private:
  class ConfigReader;

  /// An orb's textures (2005) and links (2004); null for other ids and
  /// kinds, whose 2004 and 2005 are plain parameters (and which therefore
  /// list no sub-items).
  IndexedParamList *FindList(int id) override;
  const IndexedParamList *FindList(int id) const override;
  /// The textures, then the links, whatever the kind: only an orb fills
  /// them.
  [[nodiscard]] std::vector<const IndexedParamList *>
  GetLists() const override {
    return {&textures_, &links_};
  }

  ConfigKind kind_ = ConfigKind::Pod;
  IndexedParamList textures_{config_param::kTexture};
  IndexedParamList links_{config_param::kUrl};
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CONTENT_OBJECT_CONFIG_NODE_H
