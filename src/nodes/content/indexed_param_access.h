// The parameter operations of a node class over one of its indexed lists,
// from and to the raw bytes that the operations take (ParamValue::Assign,
// CopyBytes). The index argument selects the entry; see IndexedParamList
// for the rules (no gaps, removal renumbers).
#ifndef VORAFILE_NODES_CONTENT_INDEXED_PARAM_ACCESS_H
#define VORAFILE_NODES_CONTENT_INDEXED_PARAM_ACCESS_H

#include "nodes/core/indexed_params.h"
#include "nodes/core/param_value.h"

#include <cstddef>
#include <cstdint>

namespace vorafile::nodes {

/// Appends entry `index` made from raw bytes; false for an invalid code or
/// an index other than the next one.
[[nodiscard]] inline bool AddIndexedBytes(IndexedParamList &list,
                                          const void *source,
                                          std::uint32_t code, int index) {
  ParamValue value;
  return value.Assign(code, source) && list.Add(index, std::move(value));
}

/// Replaces entry `index`, or appends it when it is the next one.
[[nodiscard]] inline bool SetIndexedBytes(IndexedParamList &list,
                                          const void *source,
                                          std::uint32_t code, int index) {
  ParamValue value;
  return value.Assign(code, source) && list.Set(index, std::move(value));
}

/// Copies entry `index` when it holds exactly that type and fits.
[[nodiscard]] inline bool GetIndexedBytes(const IndexedParamList &list,
                                          void *out, std::size_t capacity,
                                          std::uint32_t code, int index) {
  const ParamValue *value = list.Find(index);
  return value != nullptr &&
         static_cast<std::uint32_t>(value->GetType()) == code &&
         value->CopyBytes(out, capacity);
}

/// Copies entry `index` whatever its type.
[[nodiscard]] inline bool GetIndexedValue(const IndexedParamList &list,
                                          ParamValue &out, int index) {
  const ParamValue *value = list.Find(index);
  if (value == nullptr) {
    return false;
  }
  out = *value;
  return true;
}

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CONTENT_INDEXED_PARAM_ACCESS_H
