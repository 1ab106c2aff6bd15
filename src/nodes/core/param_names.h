// The built-in parameter names and their case-insensitive index.
//
// A parameter id from 0 to 280 is the index of its name in the table. Names
// that stand more than once map to their highest id ("Message" is 152, not
// 68); "To Be Identified" marks ids without a name of their own, and 275 is
// the id that every unknown name gets. Node classes with names of their own
// use ids above 280 in NameTables of their own and fall back to these
// lookups.
#ifndef VORAFILE_NODES_CORE_PARAM_NAMES_H
#define VORAFILE_NODES_CORE_PARAM_NAMES_H

#include "nodes/core/name_table.h"
#include "nodes/core/param_ids.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace vorafile::nodes {

/// Number of built-in names: ids 0 to 280.
inline constexpr int kParamNameCount = 281;

using ParamNameTable = std::array<std::string_view, kParamNameCount>;

/// The names by id, exactly as the scene files spell them.
const ParamNameTable &GetParamNameTable();

/// The built-in family as a NameTable: built on first use, read-only
/// afterwards.
const NameTable &GetParamNameIndex();

/// Id of a built-in name, letters compared without regard to case; 275
/// when the name is not in the table.
int ParamIdOf(std::string_view name);
/// Name of a built-in id; "" for ids outside 0 to 280.
std::string_view ParamNameOf(int id);

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_PARAM_NAMES_H
