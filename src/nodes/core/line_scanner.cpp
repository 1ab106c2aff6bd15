#include "nodes/core/line_scanner.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace vorafile::nodes {

bool LineScanner::SkipBlanks() {
  if (failed_) {
    return false;
  }
  while (offset_ < line_.size() && IsScanBlank(line_[offset_])) {
    ++offset_;
  }
  if (offset_ == line_.size()) {
    failed_ = true;
    return false;
  }
  return true;
}

LineScanner &LineScanner::Word(std::string &out) {
  if (!SkipBlanks()) {
    return *this;
  }
  std::size_t end = offset_;
  while (end < line_.size() && !IsScanBlank(line_[end])) {
    ++end;
  }
  out.assign(line_.substr(offset_, end - offset_));
  offset_ = end;
  ++count_;
  return *this;
}

LineScanner &LineScanner::Int(std::int32_t &out) {
  if (!SkipBlanks()) {
    return *this;
  }
  std::size_t at = offset_;
  bool negative = false;
  if (line_[at] == '+' || line_[at] == '-') {
    negative = line_[at] == '-';
    ++at;
  }
  const std::size_t digitsStart = at;
  constexpr std::int64_t kLimit =
      std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  while (at < line_.size() && line_[at] >= '0' && line_[at] <= '9') {
    value = std::min(value * 10 + (line_[at] - '0'), kLimit);
    ++at;
  }
  if (at == digitsStart) {
    failed_ = true;
    return *this;
  }
  if (negative) {
    value = -value;
  }
  out = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()));
  offset_ = at;
  ++count_;
  return *this;
}

LineScanner &LineScanner::Float(float &out) {
  if (!SkipBlanks()) {
    return *this;
  }
  // strtof needs a terminated text; a line holds at most a few hundred
  // characters, and the number ends at the next blank anyway.
  std::size_t end = offset_;
  while (end < line_.size() && !IsScanBlank(line_[end])) {
    ++end;
  }
  std::string field(line_.substr(offset_, end - offset_));
  char *stop = nullptr;
  float value = std::strtof(field.c_str(), &stop);
  if (stop == field.c_str()) {
    failed_ = true;
    return *this;
  }
  out = value;
  offset_ += static_cast<std::size_t>(stop - field.c_str());
  ++count_;
  return *this;
}

} // namespace vorafile::nodes
