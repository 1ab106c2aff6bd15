// The scene's node index as nodes see it: the scene root keeps one, every
// node made under that root registers itself there, and nodes that look up
// other nodes by id or by a parameter value do so through it. The index
// itself belongs to the scene document layer; nodes know only this face.
#ifndef VORAFILE_NODES_CORE_NODE_REGISTRY_H
#define VORAFILE_NODES_CORE_NODE_REGISTRY_H

#include <cstdint>
#include <string_view>

namespace vorafile::nodes {

class SceneNode;

class NodeRegistry {
public:
  /// Records the node in the next free row under `rowType` (its kind code,
  /// or an extra row type such as an orb's). A full index records nothing
  /// and marks itself over-full, which fails the read that made the node.
  virtual void Register(int rowType, int nodeId, SceneNode &node) = 0;
  /// Clears every row of the node, so that no row points at it once it is
  /// gone. Lookups pass over a cleared row; other rows keep their places.
  virtual void Forget(const SceneNode &node) = 0;

  /// The node of the first row with that id; null when there is none.
  virtual SceneNode *FindById(int nodeId) const = 0;
  /// The first registered node of the row type whose Int parameter
  /// `paramId` equals `value`; null when there is none.
  virtual SceneNode *FindByIntParam(int rowType, int paramId,
                                    std::int32_t value) const = 0;
  /// The same for a String parameter, compared without regard to case.
  virtual SceneNode *FindByTextParam(int rowType, int paramId,
                                     std::string_view text) const = 0;

protected:
  ~NodeRegistry() = default;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_NODE_REGISTRY_H
