// The extra entries of a node, beyond its parameter list: the items of its
// indexed lists, which the host reads and lists with their own id and key.
// A node class lists them through SceneNode::VisitSubItems, in the order it
// defines; the host records count them, then fill them, in that order.
#ifndef VORAFILE_NODES_CORE_SUB_ITEM_VISITOR_H
#define VORAFILE_NODES_CORE_SUB_ITEM_VISITOR_H

#include "nodes/core/param_value.h"

#include <string_view>

namespace vorafile::nodes {

/// One extra entry, valid for the duration of the visit.
struct SubItem {
  int id;                // the sub-item id of its list
  int key;               // the item's key within the list
  std::string_view name; // the name the host is given
  const ParamValue &value;
};

class SubItemVisitor {
public:
  virtual void Visit(const SubItem &item) = 0;

protected:
  ~SubItemVisitor() = default;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_SUB_ITEM_VISITOR_H
