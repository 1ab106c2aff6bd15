// Line helpers that the section readers of the effect nodes share.
#ifndef VORAFILE_NODES_EFFECTS_SECTION_LINES_H
#define VORAFILE_NODES_EFFECTS_SECTION_LINES_H

#include "nodes/core/text_stream.h"

#include <cstdint>
#include <string>

namespace vorafile::nodes {

/// Script versions whose section layouts the effect nodes know.
[[nodiscard]] inline bool IsKnownScriptVersion(int version) {
  return version == 2 || version == 3;
}

/// Reads the next line that holds a word and does not start with ';'
/// (comment and blank lines are passed over) and sets `lineStart` to its
/// position. False at the end of the text.
[[nodiscard]] bool ReadSectionLine(TextSource &in, std::string &line,
                                   std::int64_t &lineStart);

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_SECTION_LINES_H
