#include "nodes/effects/section_lines.h"

#include "nodes/core/line_scanner.h"

namespace vorafile::nodes {

bool ReadSectionLine(TextSource &in, std::string &line,
                     std::int64_t &lineStart) {
  while (true) {
    lineStart = in.Tell();
    if (!in.ReadLine(line)) {
      return false;
    }
    if (!line.empty() && line.front() == ';') {
      continue;
    }
    std::string word;
    if (LineScanner(line).Word(word).Ok()) {
      return true;
    }
  }
}

} // namespace vorafile::nodes
