// The scene script reader: picks the version-2 or version-3 reader by the
// first line that is not a comment and fills the root from the script.
#ifndef VORAFILE_DOCUMENT_SCENE_SCRIPT_READER_H
#define VORAFILE_DOCUMENT_SCENE_SCRIPT_READER_H

#include "nodes/core/text_stream.h"

#include <cstdint>

namespace vorafile {

class SceneRoot;

/// Reads the script from `start` into `root`. Answers the position after
/// the last line consumed, or kReadFailed with the reason recorded in the
/// root (SceneRoot::GetReadProblem). A successful version-2 read leaves
/// the root at version 3.
[[nodiscard]] std::int64_t
ReadSceneScript(SceneRoot &root, nodes::TextSource &in, std::int64_t start);

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_SCENE_SCRIPT_READER_H
