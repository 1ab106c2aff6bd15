// The root's text deformation lines of the scene script (rows of the
// reader's keyword tables): "TextDeform Num" and its "TextDeform Load"
// lines make built-in deformation references and their definitions for the
// message node made last.
#ifndef VORAFILE_DOCUMENT_TEXT_DEFORM_LINES_H
#define VORAFILE_DOCUMENT_TEXT_DEFORM_LINES_H

#include "document/scene_script_sections.h"

namespace vorafile {

/// Fails the read when the scene has no message node yet; a "Parent" line
/// stops it (the line and the rest are kept for the writer); other forms
/// are passed over.
[[nodiscard]] SectionResult ReadVersion3TextDeform(ScriptReadContext &context,
                                                   const KeywordLine &line);
/// Passes over the line when the scene has no message node, and "Parent"
/// lines; definition lines are the lines that hold a word and are no
/// comments.
[[nodiscard]] SectionResult ReadVersion2TextDeform(ScriptReadContext &context,
                                                   const KeywordLine &line);

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_TEXT_DEFORM_LINES_H
