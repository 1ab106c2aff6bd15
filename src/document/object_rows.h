// The root's scene script lines about scene objects (rows of the reader's
// keyword tables), the version-2 object sections, and the writer's steps
// for the lines that name objects.
//
// Format notes: in version 3 an "OName <name>" line starts an object's
// section, which the object node reads; in version 2 "NumObjects" sections
// follow the lock song, each starting with the object's name. After the
// sections, "ParentChildLink <parent> <child>" links two objects by name,
// "TextureSettings Set|Nil <object> <four numbers>" gives an object its
// texture transform, and (version 2 only) "Culling <object> <mode>" its
// culling mode.
#ifndef VORAFILE_DOCUMENT_OBJECT_ROWS_H
#define VORAFILE_DOCUMENT_OBJECT_ROWS_H

#include "document/scene_script_sections.h"
#include "nodes/core/text_stream.h"

namespace vorafile {

class SceneRoot;

/// "OName": fails once more objects were read than "NumObjects" declared
/// plus one, and when the object's section fails.
[[nodiscard]] SectionResult ReadObjectSection(ScriptReadContext &context,
                                              const KeywordLine &line);
/// Version 3: both objects must exist.
[[nodiscard]] SectionResult
ReadVersion3ParentChildLink(ScriptReadContext &context,
                            const KeywordLine &line);
/// Version 2: a line that names a missing object is passed over.
[[nodiscard]] SectionResult
ReadVersion2ParentChildLink(ScriptReadContext &context,
                            const KeywordLine &line);
/// Version 3: the object must exist and the four numbers be there.
[[nodiscard]] SectionResult
ReadVersion3TextureSettings(ScriptReadContext &context,
                            const KeywordLine &line);
/// Version 2: a line that names a missing object is passed over; missing
/// numbers are 0.
[[nodiscard]] SectionResult
ReadVersion2TextureSettings(ScriptReadContext &context,
                            const KeywordLine &line);
/// Version 2: a line that names a missing object is passed over.
[[nodiscard]] SectionResult ReadVersion2Culling(ScriptReadContext &context,
                                                const KeywordLine &line);

/// The `count` version-2 object sections from the source's position; the
/// source stands after the last one. A scene being migrated does not need
/// the textures it names (`skipTextureCheck`): the template brings them.
[[nodiscard]] bool ReadVersion2Objects(ScriptReadContext &context,
                                       std::int32_t count,
                                       bool skipTextureCheck);

/// Every object's section.
[[nodiscard]] bool WriteObjects(SceneRoot &root, nodes::TextSink &out);
/// "ParentChildLink" for every object whose parent is an object of the
/// scene.
[[nodiscard]] bool WriteParentChildLinks(SceneRoot &root, nodes::TextSink &out);
/// "TextureSettings Set" for every object that holds a texture transform.
[[nodiscard]] bool WriteTextureSettings(SceneRoot &root, nodes::TextSink &out);

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_OBJECT_ROWS_H
