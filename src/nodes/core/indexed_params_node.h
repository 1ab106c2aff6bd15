// The parameter operations of a node with indexed lists (IndexedParamList):
// one place that routes every operation on a list's id to that list, with
// the index argument selecting the entry, and every other id to the base
// list, which ignores the index. Classes say which lists they have and may
// check entry types or remove more with an entry.
#ifndef VORAFILE_NODES_CORE_INDEXED_PARAMS_NODE_H
#define VORAFILE_NODES_CORE_INDEXED_PARAMS_NODE_H

#include "nodes/core/indexed_params.h"
#include "nodes/core/name_table.h"
#include "nodes/core/scene_node.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

/// A node whose lists are addressed by the index argument. Names come from
/// the class's own name family, then the built-in names.
class IndexedParamsNode : public SceneNode {
public:
  /// For a list id, entry `index` made from the raw bytes (see
  /// IndexedParamList::Add); refused when AcceptsEntryType says no.
  [[nodiscard]] bool AddParam(int id, const void *source, std::uint32_t code,
                              int index = -1) override;
  /// For a list id, RemoveListEntry.
  [[nodiscard]] bool RemoveParam(int id, int index = -1) override;
  /// For a list id, the entry's bytes when `code` is its type, it fits and
  /// AnswersEntryType agrees.
  [[nodiscard]] bool GetParam(int id, void *out, std::size_t capacity,
                              std::uint32_t code,
                              int index = -1) const override;
  [[nodiscard]] bool GetParamValue(int id, ParamValue &out,
                                   int index = -1) const override;
  /// For a list id, replaces entry `index` or appends it when it is the
  /// next one; refused when AcceptsEntryType says no.
  [[nodiscard]] bool SetParam(int id, const void *source, std::uint32_t code,
                              int index = -1) override;
  std::string GetParamName(int id, int reserved = -1) const override;
  /// The base count plus the entries of every list (GetLists).
  int GetParamCount() const override;
  std::uint32_t GetParamSize(int id, int reserved = -1,
                             int index = -1) const override;
  std::size_t GetParamsSize() const override;
  /// The family's names first, then the built-in ones.
  int GetParamId(std::string_view name) const override;
  /// Every entry of the lists in GetLists order, as the list id, key i and
  /// GetIndexedParamName; a list that its id does not address now
  /// (FindList) is passed over.
  void VisitSubItems(SubItemVisitor &visitor) const override;

  /// The name of `id`, for a list id followed by `index` ("Text0", "URL3",
  /// "Lfp Preset File2"); the bare name for other ids.
  [[nodiscard]] std::string GetIndexedParamName(int id, int index) const;

protected:
  IndexedParamsNode(std::string_view name, const NameTable &names)
      : SceneNode(name), names_(names) {}
  IndexedParamsNode(SceneNode *parent, std::string_view name,
                    const NameTable &names)
      : SceneNode(parent, name), names_(names) {}

  /// The list that `id` addresses now; null for a plain parameter id.
  virtual IndexedParamList *FindList(int id) = 0;
  virtual const IndexedParamList *FindList(int id) const = 0;
  /// Every list, in the order sub-items are visited; counts and sizes sum
  /// over them.
  [[nodiscard]] virtual std::vector<const IndexedParamList *>
  GetLists() const = 0;
  /// Removes entry `index` of `list`; classes whose entries stand for child
  /// nodes or counts remove or lower those with it.
  [[nodiscard]] virtual bool RemoveListEntry(IndexedParamList &list, int index);
  /// Whether an add or set may store a value of type `code` in `list`.
  [[nodiscard]] virtual bool AcceptsEntryType(const IndexedParamList & /*list*/,
                                              std::uint32_t /*code*/) const {
    return true;
  }
  /// Whether GetParam copies an entry of `list` that holds `type`.
  [[nodiscard]] virtual bool AnswersEntryType(const IndexedParamList & /*list*/,
                                              ValueType /*type*/) const {
    return true;
  }

  const NameTable &Names() const { return names_; }

private:
  const NameTable &names_;
};

/// A node with one indexed list whose entries hold one value type.
class IndexedListNode : public IndexedParamsNode {
public:
  [[nodiscard]] const IndexedParamList &GetList() const { return list_; }

protected:
  /// Registers with the root above `parent`; entries hold values of
  /// `entryType` only.
  IndexedListNode(SceneNode *parent, std::string_view name, Kind kind,
                  const NameTable &names, int listId, ValueType entryType);

  /// Removes entry `index`; classes whose entries stand for other nodes
  /// remove those with it.
  [[nodiscard]] virtual bool RemoveEntry(int index);
  IndexedParamList &List() { return list_; }
  /// Lowers the Int parameter `id` by one, when it is held and above 0.
  void DecrementCount(int id);

  IndexedParamList *FindList(int id) override;
  const IndexedParamList *FindList(int id) const override;
  [[nodiscard]] std::vector<const IndexedParamList *>
  GetLists() const override {
    return {&list_};
  }
  [[nodiscard]] bool RemoveListEntry(IndexedParamList &list, int index) final;
  [[nodiscard]] bool AcceptsEntryType(const IndexedParamList &list,
                                      std::uint32_t code) const override;

private:
  IndexedParamList list_;
  ValueType entryType_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_INDEXED_PARAMS_NODE_H
