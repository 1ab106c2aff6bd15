#include "document/scene_root.h"

#include "document/scene_script_reader.h"
#include "document/scene_script_writer.h"

namespace vorafile {

SceneRoot::SceneRoot() : SceneNode("Unknown") {
  SetNodeType(Kind::SceneRoot);
  RegisterWithRoot();
}

std::int64_t SceneRoot::Read(nodes::TextSource *in, std::int64_t position) {
  problem_ = {};
  stop_.reset();
  tail_.clear();
  effectPresetLines_.clear();
  if (in == nullptr) {
    return nodes::kReadFailed;
  }
  return ReadSceneScript(*this, *in, position);
}

bool SceneRoot::Write(nodes::TextSink *out) {
  return out != nullptr && WriteSceneScript(*this, *out);
}

void SceneRoot::RecordReadProblem(ScriptReadProblem problem) {
  if (problem_.reason.empty()) {
    problem_ = std::move(problem);
  }
}

void SceneRoot::SetUnreadTail(ScriptReadProblem stop, std::string tail) {
  stop_ = std::move(stop);
  tail_ = std::move(tail);
}

} // namespace vorafile
