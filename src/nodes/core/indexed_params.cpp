#include "nodes/core/indexed_params.h"

#include "platform/ascii.h"

#include <charconv>
#include <system_error>

namespace vorafile::nodes {

namespace {

// The position of entry `index` among `count` entries, when it exists.
std::optional<std::size_t> PositionOf(int index, std::size_t count) {
  if (index < 0 || static_cast<std::size_t>(index) >= count) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(index);
}

bool IsNextIndex(int index, std::size_t count) {
  return index >= 0 && static_cast<std::size_t>(index) == count;
}

} // namespace

bool IndexedParamList::Add(int index, ParamValue value) {
  if (!IsNextIndex(index, values_.size())) {
    return false;
  }
  values_.push_back(std::move(value));
  return true;
}

bool IndexedParamList::Set(int index, ParamValue value) {
  if (const std::optional<std::size_t> at = PositionOf(index, values_.size())) {
    values_[*at] = std::move(value);
    return true;
  }
  return Add(index, std::move(value));
}

bool IndexedParamList::Remove(int index) {
  const std::optional<std::size_t> at = PositionOf(index, values_.size());
  if (!at) {
    return false;
  }
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(*at));
  return true;
}

const ParamValue *IndexedParamList::Find(int index) const {
  const std::optional<std::size_t> at = PositionOf(index, values_.size());
  return at ? &values_[*at] : nullptr;
}

std::optional<std::size_t> IndexedParamList::GetSize(int index) const {
  if (const ParamValue *value = Find(index)) {
    return value->GetSize();
  }
  return std::nullopt;
}

std::size_t IndexedParamList::GetTotalSize() const {
  std::size_t total = 0;
  for (const ParamValue &value : values_) {
    total += value.GetSize();
  }
  return total;
}

std::string ComposeIndexedName(std::string_view name, int index) {
  std::string composed(name);
  if (index >= 0) {
    composed += std::to_string(index);
  }
  return composed;
}

std::optional<int> ParseIndexedName(std::string_view text,
                                    std::string_view name) {
  if (text.size() <= name.size() ||
      !ascii::EqualsIgnoreCase(text.substr(0, name.size()), name)) {
    return std::nullopt;
  }
  const std::string_view digits = text.substr(name.size());
  if (digits.front() < '0' || digits.front() > '9' ||
      (digits.front() == '0' && digits.size() > 1)) {
    return std::nullopt;
  }
  int index = 0;
  const char *end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, index);
  if (error != std::errc() || stop != end) {
    return std::nullopt;
  }
  return index;
}

} // namespace vorafile::nodes
