#include "nodes/core/name_table.h"

#include "platform/ascii.h"

#include <algorithm>
#include <cassert>
#include <climits>

namespace vorafile::nodes {

namespace {

struct NameLess {
  template <class E>
  bool operator()(const E &entry, std::string_view name) const {
    return ascii::CompareIgnoreCase(entry.name, name) < 0;
  }
};

} // namespace

NameTable::NameTable(int baseId, std::span<const std::string_view> names)
    : baseId_(baseId), names_(names) {
  assert(baseId >= 0 &&
         names.size() <= static_cast<std::size_t>(INT_MAX - baseId) &&
         "a family's ids must fit in int");
  index_.reserve(names.size());
  // Walking the ids upwards and overwriting makes a name that stands twice
  // map to its highest id, while the stored key stays the first spelling.
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int id = baseId + static_cast<int>(i);
    const std::string_view name = names[i];
    auto at = std::lower_bound(index_.begin(), index_.end(), name, NameLess{});
    if (at != index_.end() && ascii::EqualsIgnoreCase(at->name, name)) {
      at->id = id;
      continue;
    }
    index_.insert(at, Entry{name, id});
  }
}

std::optional<int> NameTable::FindId(std::string_view name) const {
  const auto at =
      std::lower_bound(index_.begin(), index_.end(), name, NameLess{});
  if (at == index_.end() || !ascii::EqualsIgnoreCase(at->name, name)) {
    return std::nullopt;
  }
  return at->id;
}

bool NameTable::Contains(int id) const {
  return id >= baseId_ &&
         static_cast<std::size_t>(id - baseId_) < names_.size();
}

std::string_view NameTable::NameOf(int id) const {
  if (!Contains(id)) {
    return {};
  }
  return names_[static_cast<std::size_t>(id - baseId_)];
}

} // namespace vorafile::nodes
