// Indexed parameters: several values under one parameter id, addressed by
// the index argument of the parameter operations (the marquee's texts and
// links, the lens and transition preset files, hyper preset numbers, an
// object's files, an orb's textures and links).
//
// The stored index of an entry is always its position. An add or set that
// would leave a gap is refused, and removing an entry renumbers those
// behind it, so entry i is found at i whatever was removed before it.
#ifndef VORAFILE_NODES_CORE_INDEXED_PARAMS_H
#define VORAFILE_NODES_CORE_INDEXED_PARAMS_H

#include "nodes/core/param_value.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

/// The entries of one indexed parameter id.
class IndexedParamList {
public:
  explicit IndexedParamList(int id) : id_(id) {}

  /// The parameter id whose entries this list holds.
  [[nodiscard]] int GetId() const { return id_; }
  [[nodiscard]] std::size_t GetCount() const { return values_.size(); }

  /// Appends entry `index`, which must be the next one (GetCount()): an
  /// index that exists, a negative one and one past the end all fail and
  /// change nothing.
  [[nodiscard]] bool Add(int index, ParamValue value);
  /// Replaces entry `index`, or appends it when it is the next one; false,
  /// and no change, for a negative index or one past the end.
  [[nodiscard]] bool Set(int index, ParamValue value);
  /// Removes entry `index`; every entry behind it moves one place forward
  /// and is then addressed by its new position. False when there is no
  /// such entry.
  [[nodiscard]] bool Remove(int index);

  /// Entry `index`; null when there is none.
  [[nodiscard]] const ParamValue *Find(int index) const;
  /// The size the host sees of entry `index` (ParamValue::GetSize);
  /// nothing when there is no such entry.
  [[nodiscard]] std::optional<std::size_t> GetSize(int index) const;
  /// The sum of all entries' sizes.
  [[nodiscard]] std::size_t GetTotalSize() const;

  /// The entries in index order.
  [[nodiscard]] std::span<const ParamValue> GetValues() const {
    return values_;
  }

private:
  int id_;
  std::vector<ParamValue> values_;
};

/// The host's name of an indexed entry: `name` followed by the index in
/// decimal ("Text0", "URL3", "Lfp Preset File2"); `name` alone for an index
/// below 0.
[[nodiscard]] std::string ComposeIndexedName(std::string_view name, int index);

/// The index that `text` names when it is `name` (ASCII case aside)
/// followed by an index as ComposeIndexedName writes it: decimal digits, no
/// sign, no leading zero, within int. Nothing for any other text, `name`
/// alone included.
[[nodiscard]] std::optional<int> ParseIndexedName(std::string_view text,
                                                  std::string_view name);

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_INDEXED_PARAMS_H
