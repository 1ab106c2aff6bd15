#include "document/scene_script_writer.h"

#include "document/object_rows.h"
#include "document/scene_root.h"
#include "nodes/content/object_node.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/def_file_node.h"
#include "nodes/effects/def_ref_node.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vorafile {

using nodes::ParamValue;
using nodes::SceneNode;
namespace param = nodes::param;

namespace {

// One step of the writer. A node class adds its step to kWriteSteps.
using WriteStep = bool (*)(SceneRoot &root, nodes::TextSink &out);

// A root parameter as a keyword line, when the root holds it. A failed
// write sticks in the sink, which the writer checks once at its end.
void WriteParamLine(const SceneRoot &root, nodes::TextSink &out, int id) {
  ParamValue value;
  if (root.GetParamValue(id, value)) {
    (void)nodes::WriteValueLine(out, nodes::ParamNameOf(id), value, true);
  }
}

// A line (ending with a line feed) cut to the longest line a reader takes,
// line feed included: cutting the line feed off would join the next line
// to this one.
void WriteCutLine(nodes::TextSink &out, std::string_view line) {
  if (line.size() <= nodes::kMaxLineLength) {
    (void)out.Write(line);
    return;
  }
  std::string cut(line.substr(0, nodes::kMaxLineLength - 1));
  cut.push_back('\n');
  (void)out.Write(cut);
}

bool WriteIntroFile(SceneRoot &root, nodes::TextSink &) {
  SceneNode *intro = root.FindChild(SceneNode::Kind::Intro, 0);
  return intro != nullptr && intro->Write(nullptr);
}

bool WriteGlobalSettings(SceneRoot &root, nodes::TextSink &out) {
  // This writer writes version 3, whatever the host left in "Version": any
  // other number would make the saved scene unreadable.
  (void)nodes::WriteValueLine(out, nodes::ParamNameOf(param::kVersion),
                              ParamValue(std::int32_t{3}), true);
  for (int id :
       {param::kFramesPerSecond, param::kBrightness, param::kResponsivness,
        param::kTmap, param::kWframe, param::kStrobe, param::kClights,
        param::kDynCol, param::kLights, param::kPause, param::kFlat,
        param::kTRot, param::kEnvMap}) {
    WriteParamLine(root, out, id);
  }
  return true;
}

bool WriteTdfx(SceneRoot &root, nodes::TextSink &out) {
  std::optional<std::uint8_t> tdfx =
      root.GetParamAs<std::uint8_t>(param::kTdfx);
  std::optional<std::int32_t> rate =
      root.GetParamAs<std::int32_t>(param::kTdfxRate);
  if (tdfx && rate) {
    WriteCutLine(out, "TDFX\t" + std::to_string(*tdfx) + "\t" +
                          std::to_string(*rate) + "\n");
  }
  return true;
}

bool WriteObjectCount(SceneRoot &root, nodes::TextSink &out) {
  WriteParamLine(root, out, param::kNumObjects);
  return true;
}

// The colour effect in the form the reader takes back: file name and
// preset number on one "CFX" line.
bool WriteColorEffect(SceneRoot &root, nodes::TextSink &out) {
  std::optional<std::string> name = root.GetTextParam(param::kCfxFileName);
  std::optional<std::int32_t> preset =
      root.GetParamAs<std::int32_t>(param::kCfxPreset);
  if (name && preset) {
    WriteCutLine(out, "CFX\t" + *name + "\t" + std::to_string(*preset) + "\n");
  }
  return true;
}

// Every audio analysis node, in the order of the tree.
bool WriteAudioAnalysis(SceneRoot &root, nodes::TextSink &out) {
  for (int ordinal = 0;; ++ordinal) {
    SceneNode *node = root.FindChild(SceneNode::Kind::AudioAnalysis, ordinal);
    if (node == nullptr) {
      return true;
    }
    if (!node->Write(&out)) {
      return false;
    }
  }
}

// An effects file that the root names: its line in the script, then its
// node writes the file and the preset files it lists.
bool WriteEffectsFile(SceneRoot &root, nodes::TextSink &out, int fileId,
                      std::string_view keyword, SceneNode::Kind kind) {
  const std::optional<std::string> path = root.GetTextParam(fileId);
  if (!path) {
    return true;
  }
  WriteCutLine(out,
               std::string(keyword) + "\t" + nodes::FileNameOf(*path) + "\n");
  SceneNode *node = root.FindChild(kind, 0);
  return node != nullptr && node->Write(nullptr);
}

bool WriteLensEffects(SceneRoot &root, nodes::TextSink &out) {
  return WriteEffectsFile(root, out, param::kLfxFileName, "LFX",
                          SceneNode::Kind::LensEffects);
}

bool WriteTransitionEffects(SceneRoot &root, nodes::TextSink &out) {
  return WriteEffectsFile(root, out, param::kTfxFileName, "TFX",
                          SceneNode::Kind::TransitionEffect);
}

// A messages file that cannot be read stops the read right after its
// "MsgIni" line, so everything read before that line must be written before
// it too, or the next read would leave it in the unread tail.
bool StoppedAtMessages(const SceneRoot &root) {
  const std::optional<ScriptReadProblem> &stop = root.GetReadStop();
  return stop && nodes::ParamIdOf(stop->keyword) == param::kMsgIni;
}

void WriteMsgIniLine(const SceneRoot &root, nodes::TextSink &out) {
  if (std::optional<std::string> msgIni = root.GetTextParam(param::kMsgIni)) {
    WriteCutLine(out, "MsgIni\t" + nodes::FileNameOf(*msgIni) + "\n");
  }
}

bool WriteMessageSettings(SceneRoot &root, nodes::TextSink &out) {
  WriteParamLine(root, out, param::kMsgOn);
  if (!StoppedAtMessages(root)) {
    WriteMsgIniLine(root, out);
  }
  return true;
}

// In version 3 the message node writes its own file, which the "MsgIni"
// line names.
bool WriteMessages(SceneRoot &root, nodes::TextSink &out) {
  SceneNode *messages = root.FindChild(SceneNode::Kind::Message, 0);
  return messages == nullptr || messages->Write(&out);
}

bool WriteLockAndNavigation(SceneRoot &root, nodes::TextSink &out) {
  WriteParamLine(root, out, param::kSceneLockMp3);
  WriteParamLine(root, out, param::kEnableNewCameraNav);
  return true;
}

// The marquee writes its own file, which the root names; a scene without
// that file has no marquee to write.
bool WriteMarqueeFile(SceneRoot &root, nodes::TextSink &) {
  SceneNode *marquee = root.FindChild(SceneNode::Kind::Marquee, 0);
  if (marquee == nullptr ||
      !root.GetTextParam(param::kVoraMarqueeFileName).has_value()) {
    return true;
  }
  return marquee->Write(nullptr);
}

bool WriteReadOnly(SceneRoot &root, nodes::TextSink &out) {
  ParamValue readOnly;
  if (root.GetParamValue(param::kReadOnly, readOnly)) {
    (void)nodes::WriteValueLine(out, "SceneDetail ReadOnly Set", readOnly,
                                true);
  }
  return true;
}

bool WriteLightingAndCamera(SceneRoot &root, nodes::TextSink &out) {
  for (SceneNode::Kind kind :
       {SceneNode::Kind::Lighting, SceneNode::Kind::Camera}) {
    SceneNode *node = root.FindChild(kind, 0);
    if (node != nullptr && !node->Write(&out)) {
      return false;
    }
  }
  return true;
}

// The message node's parent object, then its text deformation: the number
// of references, then the references that the "TextDeform Load" lines made
// (the root's own, in the order they were read), each writing its line and
// its definition files.
// The number is the count written, so that the reader takes exactly these
// lines back.
bool WriteTextDeformations(SceneRoot &root, nodes::TextSink &out) {
  const SceneNode *message = root.FindChild(SceneNode::Kind::Message, 0);
  if (message == nullptr) {
    return true;
  }
  if (std::optional<std::string> parent =
          message->GetTextParam(param::kParent)) {
    const SceneNode *object = root.FindDescendantByTextParam(
        SceneNode::Kind::Object, param::kName, *parent);
    if (object == nullptr) {
      return false;
    }
    (void)nodes::WriteTextLine(
        out, "TextDeform Parent " +
                 object->GetTextParam(param::kName).value_or(*parent));
  }
  if (!message->GetParamAs<std::int32_t>(param::kNum3DTextDefs)) {
    return true;
  }
  std::vector<nodes::DefRefNode *> references;
  for (int i = 0; i < root.GetChildCount(); ++i) {
    if (auto *reference = nodes::DynCast<nodes::DefRefNode>(root.GetChild(i))) {
      references.push_back(reference);
    }
  }
  (void)nodes::WriteValueLine(
      out, "TextDeform\tNum",
      ParamValue(static_cast<std::int32_t>(references.size())), true);
  return std::all_of(
      references.begin(), references.end(),
      [&out](nodes::DefRefNode *reference) { return reference->Write(&out); });
}

// Given back as they were read; the macro lines join them here.
bool WriteEffectPresetLines(SceneRoot &root, nodes::TextSink &out) {
  for (const std::string &line : root.GetEffectPresetLines()) {
    (void)out.Write(line);
  }
  return true;
}

// Each macro effect entry's line, and its macro file.
bool WriteMacroEffects(SceneRoot &root, nodes::TextSink &out) {
  for (int i = 0;
       SceneNode *macro = root.FindChild(SceneNode::Kind::MacroEffect, i);
       ++i) {
    if (!macro->Write(&out)) {
      return false;
    }
  }
  return true;
}

// A read that stopped at an object's keyword (a "Gloss" line after the
// lighting, say) would, from the next save on, find that line right after
// the last object section, which would take it as its own. A line that
// every section ends at and the top level passes over keeps them apart: a
// "MacroEffect" line without its file makes no macro.
constexpr std::string_view kSectionBreakLine = "MacroEffect\n";

bool TailWouldJoinAnObject(const SceneRoot &root) {
  const std::optional<ScriptReadProblem> &stop = root.GetReadStop();
  return stop && root.FindChild(SceneNode::Kind::Object, 0) != nullptr &&
         nodes::ObjectNode::TakesSectionKeyword(
             nodes::ParamIdOf(stop->keyword));
}

// What a read that stopped early did not understand, after every section
// this writer knows, so that the saved scene stops at the same place.
bool WriteUnreadTail(SceneRoot &root, nodes::TextSink &out) {
  if (StoppedAtMessages(root)) {
    WriteMsgIniLine(root, out);
  } else if (TailWouldJoinAnObject(root)) {
    (void)out.Write(kSectionBreakLine);
  }
  (void)out.Write(root.GetUnreadTail());
  return true;
}

// The order of the script.
constexpr WriteStep kWriteSteps[] = {
    &WriteIntroFile,         &WriteGlobalSettings,    &WriteTdfx,
    &WriteObjectCount,       &WriteColorEffect,       &WriteLensEffects,
    &WriteTransitionEffects, &WriteAudioAnalysis,     &WriteMessageSettings,
    &WriteMessages,          &WriteLockAndNavigation, &WriteObjects,
    &WriteMarqueeFile,       &WriteReadOnly,          &WriteTextDeformations,
    &WriteParentChildLinks,  &WriteLightingAndCamera, &WriteEffectPresetLines,
    &WriteMacroEffects,      &WriteTextureSettings,   &WriteUnreadTail,
};

} // namespace

bool WriteSceneScript(SceneRoot &root, nodes::TextSink &out) {
  // Definition files shared by several references are written once.
  nodes::DefFileNode::BeginSave();
  for (WriteStep step : kWriteSteps) {
    if (!step(root, out)) {
      return false;
    }
  }
  return !out.HasFailed();
}

} // namespace vorafile
