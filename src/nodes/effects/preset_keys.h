// The key families of the preset files: deformation keys (definition files,
// and accepted in lens blocks), lens keys and transition keys. Each is a
// NameTable whose last name is the literal "Unknown"; in the lens and
// transition families that last id also stands for every unknown key.
#ifndef VORAFILE_NODES_EFFECTS_PRESET_KEYS_H
#define VORAFILE_NODES_EFFECTS_PRESET_KEYS_H

#include "nodes/core/name_table.h"
#include "nodes/core/param_ids.h"

#include <cstddef>

namespace vorafile::nodes {

inline constexpr std::size_t kDeformationKeyCount = 441;
inline constexpr std::size_t kLensKeyCount = 125;
inline constexpr std::size_t kTransitionKeyCount = 54;

/// Ids 1600 to 2040.
const NameTable &GetDeformationKeys();
/// Ids 2500 to 2624.
const NameTable &GetLensKeys();
/// Ids 3500 to 3553.
const NameTable &GetTransitionKeys();

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_PRESET_KEYS_H
