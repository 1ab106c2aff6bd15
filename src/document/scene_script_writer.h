// The scene script writer: writes the scene as a version-3 script, one
// step after another, and lets the nodes that keep files of their own
// write them.
#ifndef VORAFILE_DOCUMENT_SCENE_SCRIPT_WRITER_H
#define VORAFILE_DOCUMENT_SCENE_SCRIPT_WRITER_H

#include "nodes/core/text_stream.h"

namespace vorafile {

class SceneRoot;

/// Runs every step of the writer in order; false when a step fails or the
/// sink failed a write.
[[nodiscard]] bool WriteSceneScript(SceneRoot &root, nodes::TextSink &out);

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_SCENE_SCRIPT_WRITER_H
