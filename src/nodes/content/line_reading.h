// Reading the lines of the files that the content nodes own.
#ifndef VORAFILE_NODES_CONTENT_LINE_READING_H
#define VORAFILE_NODES_CONTENT_LINE_READING_H

#include "nodes/core/text_stream.h"

#include <string>

namespace vorafile::nodes {

/// The next line as the scanning functions see it: a NUL byte ends the
/// text, as it ends a C string. Without the cut, a word holding a NUL
/// would be stored cut short and written back as another line than it
/// was read. False at the end of the text.
[[nodiscard]] inline bool ReadScannedLine(TextSource &in, std::string &line) {
  if (!in.ReadLine(line)) {
    return false;
  }
  if (const std::size_t nul = line.find('\0'); nul != std::string::npos) {
    line.resize(nul);
  }
  return true;
}

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CONTENT_LINE_READING_H
