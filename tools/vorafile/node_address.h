// Nodes and parameters as a person names them on a command line.
//
// A node is one of:
//   root                  the scene root
//   TYPE:ORDINAL          the ordinal-th node of a type, e.g. camera:0, 7:0
//   /TYPE:ORD/TYPE:ORD    a path of children from the root
//   #ID[/TYPE:ORD...]     a node id, optionally followed by a path
// TYPE is a node type name (see NodeTypeNames) or its number. A parameter
// is its name (any case) or its id.
#ifndef VORAFILE_TOOLS_VORAFILE_NODE_ADDRESS_H
#define VORAFILE_TOOLS_VORAFILE_NODE_ADDRESS_H

#include "document/scene_document.h"

#include <optional>
#include <string>
#include <string_view>

namespace vorafile::cli {

/// The node an address names; nothing, with the reason in `error`, when
/// the address does not parse or names no node.
nodes::SceneNode *FindNode(SceneDocument &document, std::string_view address,
                           std::string &error);

/// The parameter id a name or number stands for on this node.
std::optional<int> FindParamId(const nodes::SceneNode &node,
                               std::string_view text);

/// A parameter as a command line names it: the id, and for an entry of an
/// indexed parameter (a marquee's "Text0", "URL3") the entry's index.
struct ParamAddress {
  int id;
  int index = -1;
};

/// The parameter or indexed entry that `text` names on this node: an id, a
/// name, an entry the node lists (SceneNode::VisitSubItems) by its name, or
/// the name of a list of the node's own followed by a new entry's index.
std::optional<ParamAddress> FindParamAddress(const nodes::SceneNode &node,
                                             std::string_view text);

/// The short name of a node type ("camera"), or its number as text.
std::string NodeTypeName(std::int32_t type);

/// "audio, camera, ..." for help texts.
std::string NodeTypeNames();

} // namespace vorafile::cli

#endif // VORAFILE_TOOLS_VORAFILE_NODE_ADDRESS_H
