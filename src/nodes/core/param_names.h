// The built-in parameter names and their case-insensitive index.
//
// A parameter id from 0 to 280 is the index of its name in the table. Names
// that stand more than once map to their highest id ("Message" is 152, not
// 68); "To Be Identified" marks ids without a name of their own, and 275 is
// the id that every unknown name gets. Node classes with names of their own
// use ids above 280 and fall back to these lookups.
#ifndef VORAFILE_NODES_CORE_PARAM_NAMES_H
#define VORAFILE_NODES_CORE_PARAM_NAMES_H

#include <array>
#include <cstddef>
#include <string_view>

namespace vorafile::nodes {

/// Number of built-in names: ids 0 to 280.
inline constexpr int kParamNameCount = 281;
/// The id of a name that is not in the table, and of a new parameter.
inline constexpr int kParamIdToBeIdentified = 275;
/// Parameters every node holds from construction on, in this order.
inline constexpr int kParamIdName = 160;   // "Name": String
inline constexpr int kParamIdNodeId = 163; // "NodeID": Int

using ParamNameTable = std::array<std::string_view, kParamNameCount>;

/// The names by id, exactly as the scene files spell them.
const ParamNameTable &GetParamNameTable();

/// The process-wide name index: built on first use, read-only afterwards.
class ParamNameIndex {
public:
  static const ParamNameIndex &Get();

  /// Id of a name, letters compared without regard to case; 275 when the
  /// name is not in the table.
  int IdOf(std::string_view name) const;
  /// Name of an id; "" for ids outside 0 to 280.
  std::string_view NameOf(int id) const;

private:
  ParamNameIndex();

  struct Entry {
    std::string_view name;
    int id;
  };
  // Sorted by name without regard to case, one entry per distinct name.
  std::array<Entry, kParamNameCount> entries_{};
  std::size_t count_ = 0;
};

/// ParamNameIndex::Get().IdOf(name).
int ParamIdOf(std::string_view name);
/// ParamNameIndex::Get().NameOf(id).
std::string_view ParamNameOf(int id);

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_PARAM_NAMES_H
