#include "document/text_deform_lines.h"

#include "document/scene_root.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "nodes/effects/def_ref_node.h"
#include "platform/ascii.h"

#include <memory>
#include <string>

// Format notes: "TextDeform Num n" on a line of its own, then n definition
// lines "TextDeform Load <definition file> <preset>"; each makes a built-in
// deformation reference under the root and reads its definition file, which
// references naming the same file (any case) share. A repeated definition
// name makes no second reference. The settings belong to the message node
// made last.

namespace vorafile {

using nodes::DefRefNode;
using nodes::kReadFailed;
using nodes::LineScanner;
using nodes::ParamValue;
namespace param = nodes::param;

namespace {

nodes::SceneNode *FindLastMessageNode(SceneRoot &root) {
  for (int i = root.GetChildCount() - 1; i >= 0; --i) {
    nodes::SceneNode *child = root.GetChild(i);
    if (child->GetKind() == nodes::SceneNode::Kind::Message) {
      return child;
    }
  }
  return nullptr;
}

bool HasRootReference(SceneRoot &root, std::string_view name) {
  for (int i = 0; i < root.GetChildCount(); ++i) {
    const nodes::SceneNode *child = root.GetChild(i);
    if (nodes::IsA<DefRefNode>(child) &&
        ascii::EqualsIgnoreCase(child->GetName(), name)) {
      return true;
    }
  }
  return false;
}

// One definition line (just read by the context); lines of other words are
// passed over.
bool ReadDefinitionLine(ScriptReadContext &context, std::string_view text) {
  std::string first;
  std::string second;
  std::string name;
  std::int32_t preset = 0;
  LineScanner scan(text);
  scan.Word(first).Word(second).Word(name).Int(preset);
  if (scan.Count() < 2 || !ascii::EqualsIgnoreCase(first, "TextDeform") ||
      !ascii::EqualsIgnoreCase(second, "Load")) {
    return true;
  }
  if (scan.Count() < 4) {
    return context.Fail("TextDeform",
                        "expected a definition file and a preset number");
  }
  SceneRoot &root = context.Root();
  if (HasRootReference(root, name)) {
    return true;
  }
  DefRefNode *reference = root.AddChild(
      std::make_unique<DefRefNode>(&root, name, DefRefNode::BuiltIn{preset}));
  nodes::TextSource &in = context.Source();
  if (reference->Read(&in, in.Tell()) == kReadFailed) {
    return context.Fail("TextDeform", "the deformation reference \"" + name +
                                          "\" cannot be read");
  }
  switch (reference->AttachDefinition(name)) {
  case DefRefNode::DefinitionResult::Missing:
    return context.Fail("TextDeform", "definition \"" + name + "\" is missing");
  case DefRefNode::DefinitionResult::ReadFailed: {
    const auto &failure = reference->GetDefinition()->GetReadFailure();
    return context.Fail("TextDeform",
                        "definition \"" + name + "\" cannot be read" +
                            (failure ? ": " + failure->reason : ""));
  }
  case DefRefNode::DefinitionResult::Attached:
    break;
  }
  if (root.GetNodeIndex().IsOverfull()) {
    return context.Fail("TextDeform", "more than 1024 nodes");
  }
  return true;
}

// "TextDeform Num n" and its definition lines. Version 3 counts every line
// but comments; version 2 only lines that hold a word.
SectionResult ReadTextDeformCount(ScriptReadContext &context,
                                  const KeywordLine &line,
                                  nodes::SceneNode &message, int version) {
  std::string form;
  std::int32_t count = 0;
  if (!ScanAfterKeyword(line).Word(form).Int(count).Ok() || count < 0) {
    context.Fail(line.keyword, "expected a number of definitions");
    return SectionResult::Failed();
  }
  if (!message.AddParamValue(param::kNum3DTextDefs, ParamValue(count))) {
    context.Fail(line.keyword, "the number of definitions is already set");
    return SectionResult::Failed();
  }
  std::string text;
  for (std::int32_t i = 0; i < count; ++i) {
    bool found = false;
    if (version == 2) {
      found = context.NextValueLine(text);
    } else {
      while ((found = context.NextLine(text)) && IsCommentLine(text)) {
      }
    }
    if (!found) {
      context.FailAt(line.start, line.keyword,
                     "expected " + std::to_string(count) + " definition lines");
      return SectionResult::Failed();
    }
    if (!ReadDefinitionLine(context, text)) {
      return SectionResult::Failed();
    }
  }
  return SectionResult::ContinueAt(context.Source().Tell());
}

// "TextDeform Parent <object>": the messages follow that object, which must
// exist; the message node keeps the object's own spelling of its name.
SectionResult ReadTextDeformParent(ScriptReadContext &context,
                                   const KeywordLine &line,
                                   nodes::SceneNode &message) {
  std::string form;
  std::string name;
  if (!ScanAfterKeyword(line).Word(form).Word(name).Ok()) {
    context.Fail(line.keyword, "expected an object name");
    return SectionResult::Failed();
  }
  const nodes::SceneNode *object = context.Root().FindDescendantByTextParam(
      nodes::SceneNode::Kind::Object, param::kName, name);
  if (object == nullptr) {
    context.Fail(line.keyword, "no object \"" + name + "\"");
    return SectionResult::Failed();
  }
  if (!message.AddParamValue(
          param::kParent,
          ParamValue(object->GetTextParam(param::kName).value_or(name)))) {
    context.Fail(line.keyword, "the messages have a parent already");
    return SectionResult::Failed();
  }
  return SectionResult::ContinueAt(line.end);
}

SectionResult ReadTextDeform(ScriptReadContext &context,
                             const KeywordLine &line, int version) {
  nodes::SceneNode *message = FindLastMessageNode(context.Root());
  if (message == nullptr) {
    if (version == 2) {
      return SectionResult::ContinueAt(line.end);
    }
    context.Fail(line.keyword, "no message node to deform");
    return SectionResult::Failed();
  }
  std::string form;
  (void)ScanAfterKeyword(line).Word(form);
  switch (nodes::ParamIdOf(form)) {
  case param::kNum:
    return ReadTextDeformCount(context, line, *message, version);
  case param::kParent:
    return ReadTextDeformParent(context, line, *message);
  default:
    return SectionResult::ContinueAt(line.end);
  }
}

} // namespace

SectionResult ReadVersion3TextDeform(ScriptReadContext &context,
                                     const KeywordLine &line) {
  return ReadTextDeform(context, line, 3);
}

SectionResult ReadVersion2TextDeform(ScriptReadContext &context,
                                     const KeywordLine &line) {
  return ReadTextDeform(context, line, 2);
}

} // namespace vorafile
