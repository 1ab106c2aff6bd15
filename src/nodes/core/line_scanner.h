// Takes typed fields from one line of a scene file, the way the C library's
// scanning formats "%s", "%d" and "%f" do: each field skips leading white
// space; a word runs to the next white space; a number must start right
// there. The first field that cannot be read stops the scan: it and every
// later field report failure and leave their output untouched, and Count()
// says how many fields were read, as the scanning functions answer.
#ifndef VORAFILE_NODES_CORE_LINE_SCANNER_H
#define VORAFILE_NODES_CORE_LINE_SCANNER_H

#include <cstdint>
#include <string>
#include <string_view>

namespace vorafile::nodes {

class LineScanner {
public:
  explicit LineScanner(std::string_view line) : line_(line) {}

  /// "%s": the next word.
  LineScanner &Word(std::string &out);
  /// "%d": an optionally signed decimal number; values beyond 32 bits are
  /// clamped.
  LineScanner &Int(std::int32_t &out);
  /// "%f": a floating-point number as strtof reads it.
  LineScanner &Float(float &out);

  /// Fields read so far.
  [[nodiscard]] int Count() const { return count_; }
  /// True while no field failed.
  [[nodiscard]] bool Ok() const { return !failed_; }
  /// What follows the last field read.
  [[nodiscard]] std::string_view Rest() const { return line_.substr(offset_); }

private:
  [[nodiscard]] bool SkipBlanks();

  std::string_view line_;
  std::size_t offset_ = 0;
  int count_ = 0;
  bool failed_ = false;
};

/// True when `c` is white space for the scanning formats.
[[nodiscard]] inline bool IsScanBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f';
}

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_LINE_SCANNER_H
