#include "document/object_rows.h"

#include "document/scene_root.h"
#include "nodes/content/object_node.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/value_writer.h"
#include "platform/ascii.h"

#include <memory>
#include <string>

namespace vorafile {

using nodes::kReadFailed;
using nodes::LineScanner;
using nodes::ObjectNode;
using nodes::ParamValue;
using nodes::SceneNode;
namespace param = nodes::param;

namespace {

// The scene's object of that name (any case).
SceneNode *FindObject(SceneRoot &root, std::string_view name) {
  return root.FindDescendantByTextParam(SceneNode::Kind::Object, param::kName,
                                        name);
}

// Only the objects the root holds itself take texture settings.
SceneNode *FindRootObject(SceneRoot &root, std::string_view name) {
  for (int i = 0;
       SceneNode *object = root.FindChild(SceneNode::Kind::Object, i); ++i) {
    const std::optional<std::string> objectName =
        object->GetTextParam(param::kName);
    if (objectName && ascii::EqualsIgnoreCase(*objectName, name)) {
      return object;
    }
  }
  return nullptr;
}

SectionResult Refused(ScriptReadContext &context, const KeywordLine &line,
                      std::string reason) {
  context.Fail(line.keyword, std::move(reason));
  return SectionResult::Failed();
}

SectionResult AddToObject(ScriptReadContext &context, const KeywordLine &line,
                          SceneNode &object, int id, const ParamValue &value) {
  if (!object.AddParamValue(id, value)) {
    return Refused(context, line,
                   "the object \"" +
                       object.GetTextParam(param::kName).value_or("") +
                       "\" has this setting already");
  }
  return SectionResult::ContinueAt(line.end);
}

// "ParentChildLink <parent> <child>" in either version.
SectionResult ReadParentChildLink(ScriptReadContext &context,
                                  const KeywordLine &line, bool mustExist) {
  std::string parentName;
  std::string childName;
  if (!ScanAfterKeyword(line).Word(parentName).Word(childName).Ok()) {
    return mustExist ? Refused(context, line, "expected two object names")
                     : SectionResult::ContinueAt(line.end);
  }
  SceneRoot &root = context.Root();
  SceneNode *parent = FindObject(root, parentName);
  SceneNode *child = FindObject(root, childName);
  if (parent == nullptr || child == nullptr) {
    if (!mustExist) {
      return SectionResult::ContinueAt(line.end);
    }
    return Refused(context, line,
                   "no object \"" +
                       (parent == nullptr ? parentName : childName) + "\"");
  }
  return AddToObject(context, line, *child, param::kParent,
                     ParamValue(parentName));
}

// "TextureSettings Set|Nil <object> <u> <v> <w> <h>" in either version.
SectionResult ReadTextureSettings(ScriptReadContext &context,
                                  const KeywordLine &line, int version) {
  std::string how;
  std::string name;
  nodes::FloatQuad quad;
  LineScanner scan = ScanAfterKeyword(line);
  scan.Word(how).Word(name);
  for (float &component : quad.components) {
    scan.Float(component);
  }
  if (scan.Count() < 2) {
    return version == 3 ? Refused(context, line, "expected an object name")
                        : SectionResult::ContinueAt(line.end);
  }
  SceneRoot &root = context.Root();
  SceneNode *object =
      version == 3 ? FindRootObject(root, name) : FindObject(root, name);
  if (object == nullptr) {
    return version == 3 ? Refused(context, line, "no object \"" + name + "\"")
                        : SectionResult::ContinueAt(line.end);
  }
  if (how == "Nil") {
    return SectionResult::ContinueAt(line.end);
  }
  if (version == 3 && !scan.Ok()) {
    return Refused(context, line, "expected four numbers");
  }
  return AddToObject(context, line, *object, param::kTextureSettings,
                     ParamValue(quad));
}

} // namespace

SectionResult ReadObjectSection(ScriptReadContext &context,
                                const KeywordLine &line) {
  std::string name;
  if (!ScanAfterKeyword(line).Word(name).Ok()) {
    return Refused(context, line, "expected the object's name");
  }
  SceneRoot &root = context.Root();
  // One section more than declared is taken, as the object files of an
  // object are; the writer declares what it wrote, so saves read back.
  if (context.objectsRead > root.GetDeclaredObjectCount()) {
    return Refused(context, line,
                   "more objects than \"NumObjects\" declares (" +
                       std::to_string(root.GetDeclaredObjectCount()) + ")");
  }
  ObjectNode *object = root.AddChild(std::make_unique<ObjectNode>(&root, name));
  if (root.GetNodeIndex().IsOverfull()) {
    return Refused(context, line, "more than 1024 nodes");
  }
  const std::int64_t next = object->Read(&context.Source(), line.end);
  if (next == kReadFailed) {
    return context.FailNodeRead(*object, line);
  }
  ++context.objectsRead;
  return SectionResult::ContinueAt(next);
}

SectionResult ReadVersion3ParentChildLink(ScriptReadContext &context,
                                          const KeywordLine &line) {
  return ReadParentChildLink(context, line, true);
}

SectionResult ReadVersion2ParentChildLink(ScriptReadContext &context,
                                          const KeywordLine &line) {
  return ReadParentChildLink(context, line, false);
}

SectionResult ReadVersion3TextureSettings(ScriptReadContext &context,
                                          const KeywordLine &line) {
  return ReadTextureSettings(context, line, 3);
}

SectionResult ReadVersion2TextureSettings(ScriptReadContext &context,
                                          const KeywordLine &line) {
  return ReadTextureSettings(context, line, 2);
}

SectionResult ReadVersion2Culling(ScriptReadContext &context,
                                  const KeywordLine &line) {
  std::string name;
  std::string mode;
  if (!ScanAfterKeyword(line).Word(name).Word(mode).Ok()) {
    return SectionResult::ContinueAt(line.end);
  }
  SceneNode *object = FindObject(context.Root(), name);
  if (object == nullptr) {
    return SectionResult::ContinueAt(line.end);
  }
  return AddToObject(context, line, *object, param::kCulling, ParamValue(mode));
}

bool ReadVersion2Objects(ScriptReadContext &context, std::int32_t count,
                         bool skipTextureCheck) {
  SceneRoot &root = context.Root();
  nodes::TextSource &in = context.Source();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int64_t start = in.Tell();
    ObjectNode *object = root.AddChild(
        std::make_unique<ObjectNode>(&root, "ObjectNode" + std::to_string(i)));
    if (root.GetNodeIndex().IsOverfull()) {
      return context.FailAt(start, "NumObjects", "more than 1024 nodes");
    }
    const std::int64_t next = object->Read(&in, start, skipTextureCheck);
    const KeywordLine section{"object", param::kName, "", start, start};
    if (next == kReadFailed) {
      (void)context.FailNodeRead(*object, section);
      return false;
    }
    if (!in.Seek(next)) {
      return context.FailAt(start, "object", "cannot go on after the object");
    }
    ++context.objectsRead;
  }
  return true;
}

bool WriteObjects(SceneRoot &root, nodes::TextSink &out) {
  for (int i = 0;
       SceneNode *object = root.FindChild(SceneNode::Kind::Object, i); ++i) {
    if (!object->Write(&out)) {
      return false;
    }
  }
  return true;
}

bool WriteParentChildLinks(SceneRoot &root, nodes::TextSink &out) {
  for (int i = 0;
       SceneNode *object = root.FindChild(SceneNode::Kind::Object, i); ++i) {
    const std::optional<std::string> parentName =
        object->GetTextParam(param::kParent);
    const std::optional<std::string> name = object->GetTextParam(param::kName);
    if (!parentName || !name || FindObject(root, *parentName) == nullptr) {
      continue;
    }
    (void)nodes::WriteTextLine(out,
                               "ParentChildLink\t" + *parentName + " " + *name);
  }
  return true;
}

bool WriteTextureSettings(SceneRoot &root, nodes::TextSink &out) {
  for (int i = 0;
       SceneNode *object = root.FindChild(SceneNode::Kind::Object, i); ++i) {
    ParamValue settings;
    const std::optional<std::string> name = object->GetTextParam(param::kName);
    if (!name || !object->GetParamValue(param::kTextureSettings, settings) ||
        settings.GetType() != nodes::ValueType::FloatQuad) {
      continue;
    }
    (void)nodes::WriteTextLine(out,
                               "TextureSettings Set " + *name + " " +
                                   nodes::FormatValueText(settings, false));
  }
  return true;
}

} // namespace vorafile
