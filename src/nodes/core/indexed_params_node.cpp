#include "nodes/core/indexed_params_node.h"

#include "nodes/core/param_names.h"

#include <optional>
#include <utility>

namespace vorafile::nodes {

// ---- Any number of lists ----------------------------------------------------

bool IndexedParamsNode::AddParam(int id, const void *source, std::uint32_t code,
                                 int index) {
  IndexedParamList *list = FindList(id);
  if (list == nullptr) {
    return SceneNode::AddParam(id, source, code, index);
  }
  ParamValue value;
  return AcceptsEntryType(*list, code) && value.Assign(code, source) &&
         list->Add(index, std::move(value));
}

bool IndexedParamsNode::RemoveParam(int id, int index) {
  IndexedParamList *list = FindList(id);
  if (list == nullptr) {
    return SceneNode::RemoveParam(id, index);
  }
  return RemoveListEntry(*list, index);
}

bool IndexedParamsNode::RemoveListEntry(IndexedParamList &list, int index) {
  return list.Remove(index);
}

bool IndexedParamsNode::GetParam(int id, void *out, std::size_t capacity,
                                 std::uint32_t code, int index) const {
  const IndexedParamList *list = FindList(id);
  if (list == nullptr) {
    return SceneNode::GetParam(id, out, capacity, code, index);
  }
  const ParamValue *value = list->Find(index);
  return value != nullptr &&
         code == static_cast<std::uint32_t>(value->GetType()) &&
         AnswersEntryType(*list, value->GetType()) &&
         value->CopyBytes(out, capacity);
}

bool IndexedParamsNode::GetParamValue(int id, ParamValue &out,
                                      int index) const {
  const IndexedParamList *list = FindList(id);
  if (list == nullptr) {
    return SceneNode::GetParamValue(id, out, index);
  }
  const ParamValue *value = list->Find(index);
  if (value == nullptr) {
    return false;
  }
  out = *value;
  return true;
}

bool IndexedParamsNode::SetParam(int id, const void *source, std::uint32_t code,
                                 int index) {
  IndexedParamList *list = FindList(id);
  if (list == nullptr) {
    return SceneNode::SetParam(id, source, code, index);
  }
  ParamValue value;
  return AcceptsEntryType(*list, code) && value.Assign(code, source) &&
         list->Set(index, std::move(value));
}

std::string IndexedParamsNode::GetParamName(int id, int reserved) const {
  if (names_.Contains(id)) {
    return std::string(names_.NameOf(id));
  }
  return SceneNode::GetParamName(id, reserved);
}

int IndexedParamsNode::GetParamCount() const {
  int count = SceneNode::GetParamCount();
  for (const IndexedParamList *list : GetLists()) {
    count += static_cast<int>(list->GetCount());
  }
  return count;
}

std::uint32_t IndexedParamsNode::GetParamSize(int id, int reserved,
                                              int index) const {
  const IndexedParamList *list = FindList(id);
  if (list == nullptr) {
    return SceneNode::GetParamSize(id, reserved, index);
  }
  const std::optional<std::size_t> size = list->GetSize(index);
  return size ? static_cast<std::uint32_t>(*size) : kParamSizeAbsent;
}

std::size_t IndexedParamsNode::GetParamsSize() const {
  std::size_t size = SceneNode::GetParamsSize();
  for (const IndexedParamList *list : GetLists()) {
    size += list->GetTotalSize();
  }
  return size;
}

int IndexedParamsNode::GetParamId(std::string_view name) const {
  return names_.FindId(name).value_or(ParamIdOf(name));
}

void IndexedParamsNode::VisitSubItems(SubItemVisitor &visitor) const {
  for (const IndexedParamList *list : GetLists()) {
    if (FindList(list->GetId()) != list) {
      continue;
    }
    int key = 0;
    for (const ParamValue &value : list->GetValues()) {
      const std::string name = GetIndexedParamName(list->GetId(), key);
      visitor.Visit(SubItem{list->GetId(), key, name, value});
      ++key;
    }
  }
}

std::string IndexedParamsNode::GetIndexedParamName(int id, int index) const {
  const std::string name = GetParamName(id);
  return FindList(id) != nullptr ? ComposeIndexedName(name, index) : name;
}

// ---- One list ---------------------------------------------------------------

IndexedListNode::IndexedListNode(SceneNode *parent, std::string_view name,
                                 Kind kind, const NameTable &names, int listId,
                                 ValueType entryType)
    : IndexedParamsNode(parent, name, names), list_(listId),
      entryType_(entryType) {
  SetNodeType(kind);
  RegisterWithRoot();
}

IndexedParamList *IndexedListNode::FindList(int id) {
  return id == list_.GetId() ? &list_ : nullptr;
}

const IndexedParamList *IndexedListNode::FindList(int id) const {
  return id == list_.GetId() ? &list_ : nullptr;
}

bool IndexedListNode::RemoveListEntry(IndexedParamList & /*list*/, int index) {
  return RemoveEntry(index);
}

bool IndexedListNode::RemoveEntry(int index) {
  return list_.Remove(index);
}

bool IndexedListNode::AcceptsEntryType(const IndexedParamList & /*list*/,
                                       std::uint32_t code) const {
  return code == static_cast<std::uint32_t>(entryType_);
}

void IndexedListNode::DecrementCount(int id) {
  if (std::optional<std::int32_t> count = GetParamAs<std::int32_t>(id);
      count && *count > 0) {
    // An Int of a held id: the set cannot fail.
    (void)SetParamValue(id, ParamValue(std::int32_t{*count - 1}));
  }
}

} // namespace vorafile::nodes
