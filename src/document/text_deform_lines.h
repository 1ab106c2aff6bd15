// The root's text deformation lines of the scene script (rows of the
// reader's keyword tables): "TextDeform Num" and its "TextDeform Load"
// lines make built-in deformation references and their definitions for the
// message node made last; "TextDeform Parent" ties the messages to an
// object.
#ifndef VORAFILE_DOCUMENT_TEXT_DEFORM_LINES_H
#define VORAFILE_DOCUMENT_TEXT_DEFORM_LINES_H

#include "document/scene_script_sections.h"

namespace vorafile {

/// Fails the read when the scene has no message node yet, and for a
/// "Parent" line that names no object; other forms are passed over.
[[nodiscard]] SectionResult ReadVersion3TextDeform(ScriptReadContext &context,
                                                   const KeywordLine &line);
/// Passes over the line when the scene has no message node; a "Parent"
/// line must name an object. Definition lines are the lines that hold a
/// word and are no comments.
[[nodiscard]] SectionResult ReadVersion2TextDeform(ScriptReadContext &context,
                                                   const KeywordLine &line);

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_TEXT_DEFORM_LINES_H
