// A family of parameter names: consecutive ids from a base id, each the
// index of its name in one array, and a case-insensitive index from name
// to id.
//
// Every name family (the built-in names 0 to 280 and those that node
// classes bring) is one NameTable. Families are looked up one at a time,
// never merged into one map: some id ranges overlap, and a class that has a
// family of its own asks it first and falls back to the built-in one.
#ifndef VORAFILE_NODES_CORE_NAME_TABLE_H
#define VORAFILE_NODES_CORE_NAME_TABLE_H

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

class NameTable {
public:
  /// `names[i]` names id `baseId + i`. The names must outlive the table
  /// (they are string literals in practice).
  NameTable(int baseId, std::span<const std::string_view> names);

  /// The id of a name, ASCII letters compared without regard to case; a
  /// name that stands more than once gives its highest id. Nothing when the
  /// family has no such name (the caller picks the fallback).
  [[nodiscard]] std::optional<int> FindId(std::string_view name) const;
  /// The name of an id as spelt in the array; "" for ids outside the family.
  [[nodiscard]] std::string_view NameOf(int id) const;
  [[nodiscard]] bool Contains(int id) const;

  [[nodiscard]] int GetBaseId() const { return baseId_; }
  /// Number of ids, named or not, from the base id on.
  [[nodiscard]] std::size_t GetSize() const { return names_.size(); }

private:
  struct Entry {
    std::string_view name;
    int id;
  };

  int baseId_;
  std::span<const std::string_view> names_;
  // Sorted by name without regard to case, one entry per distinct name.
  std::vector<Entry> index_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_NAME_TABLE_H
