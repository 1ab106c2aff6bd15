#include "document/scene_document.h"

#include "nodes/core/text_stream.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

#include <cstdio>
#include <cstring>

namespace vorafile {

using nodes::ParamValue;
using nodes::SceneNode;

namespace {

// Closes a C file when it goes out of scope.
struct FileCloser {
  void operator()(std::FILE *file) const { (void)std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

FileHandle OpenFile(const std::string &path, const char *mode) {
  return FileHandle(std::fopen(path.c_str(), mode));
}

// The 1-based number of the line that starts at `position` of a file.
int LineNumberAt(const std::string &path, std::int64_t position) {
  FileHandle file = OpenFile(path, "rb");
  if (!file || position < 0) {
    return 0;
  }
  int line = 1;
  for (std::int64_t offset = 0; offset < position; ++offset) {
    int c = std::fgetc(file.get());
    if (c == EOF) {
      break;
    }
    if (c == '\n') {
      ++line;
    }
  }
  return line;
}

} // namespace

SceneDocument::SceneDocument() = default;
SceneDocument::~SceneDocument() = default;

void SceneDocument::DropScene() {
  root_.reset();
  cachedRowCount_.reset();
  scriptPath_.clear();
}

const SceneOpenResult &SceneDocument::RecordProblem(SceneOpenStatus status,
                                                    const std::string &file,
                                                    std::int64_t position,
                                                    std::string_view keyword,
                                                    std::string_view reason) {
  problem_ = SceneOpenResult::Failure(
      status, file, reason, position >= 0 ? LineNumberAt(file, position) : 0,
      keyword);
  return problem_;
}

SceneOpenResult SceneDocument::Open(const std::string &rawFolder) {
  DropScene();
  problem_ = {};
  const std::string folder = platform::WithTrailingSeparator(rawFolder);
  nodes::ResetNodeIdCounter();
  root_ = std::make_unique<SceneRoot>();
  root_->SetFolder(folder);
  root_->SetMigrationPending(
      platform::FindInFolder(folder, kMigrationList).has_value());

  std::optional<std::string> script =
      platform::FindInFolder(folder, kDeliveredScript);
  if (!script) {
    script = platform::FindInFolder(folder, kSavedScript);
  }
  if (!script) {
    return RecordProblem(SceneOpenStatus::NoScript, folder, -1, "",
                         "no scene script (\"vora.rudov\" or "
                         "\"vora.vrc\")");
  }
  scriptPath_ = *script;

  FileHandle file = OpenFile(scriptPath_, "rb");
  if (!file) {
    return RecordProblem(SceneOpenStatus::ScriptUnreadable, scriptPath_, -1, "",
                         "cannot open the scene script");
  }
  nodes::FileSource source(file.get());
  const std::int64_t result = root_->Read(&source, 0);
  file.reset();
  if (result == nodes::kReadFailed || root_->GetNodeIndex().IsOverfull()) {
    const ScriptReadProblem &problem = root_->GetReadProblem();
    return RecordProblem(root_->GetNodeIndex().IsOverfull()
                             ? SceneOpenStatus::TooManyNodes
                             : SceneOpenStatus::ScriptRejected,
                         scriptPath_, problem.position, problem.keyword,
                         problem.reason.empty() ? "cannot read the scene script"
                                                : problem.reason);
  }
  if (const std::optional<ScriptReadProblem> &stop = root_->GetReadStop()) {
    problem_.file = scriptPath_;
    problem_.line = LineNumberAt(scriptPath_, stop->position);
    problem_.keyword = stop->keyword;
    problem_.reason = "reading stopped here (" + stop->reason +
                      "); the rest is kept as it is";
  }
  return problem_;
}

bool SceneDocument::WriteScript() {
  if (!root_) {
    return false;
  }
  std::optional<std::string_view> folder = root_->GetFolder();
  if (!folder) {
    return false;
  }
  // An existing script of that name in another case is rewritten, not
  // joined by a second one.
  nodes::FileSink sink(
      *platform::PackagePathFor(std::string(*folder), kSavedScript));
  const bool written = root_->Write(&sink);
  return sink.Close() && written;
}

int SceneDocument::CachedRowCount() {
  if (!cachedRowCount_ && root_) {
    cachedRowCount_ = root_->GetNodeIndex().GetRowCount();
  }
  return cachedRowCount_.value_or(0);
}

SceneNode *SceneDocument::FindById(std::int32_t id) {
  if (!root_) {
    return nullptr;
  }
  return root_->GetNodeIndex().FindByIdInRows(id, CachedRowCount());
}

SceneNode *SceneDocument::FindByTypeAndOrdinal(std::int32_t type,
                                               std::int32_t ordinal) {
  if (!root_ || ordinal < 0) {
    return nullptr;
  }
  CachedRowCount();
  return root_->GetNodeIndex().FindByTypeAndOrdinal(type, ordinal);
}

SceneNode *SceneDocument::FollowPath(SceneNode *start, const NodePath *path) {
  if (start == nullptr || path == nullptr) {
    return nullptr;
  }
  SceneNode *node = start;
  // Each step goes one level down, so a path ends or fails within the
  // depth of the tree.
  for (const NodePath *step = path; step->type != VORA_NODE_END; ++step) {
    node = node->FindChild(static_cast<SceneNode::Kind>(step->type),
                           step->ordinal);
    if (node == nullptr) {
      return nullptr;
    }
  }
  return node;
}

SceneNode *SceneDocument::FindByPath(const NodePath *path) {
  CachedRowCount();
  return FollowPath(root_.get(), path);
}

SceneNode *SceneDocument::FindByIdAndPath(std::int32_t id,
                                          const NodePath *path) {
  return FollowPath(FindById(id), path);
}

bool SceneDocument::WriteParamChecked(SceneNode &node, int id,
                                      const void *source, std::uint32_t code,
                                      std::uint32_t size, int extra) {
  if (source == nullptr) {
    return false;
  }
  // Fewer bytes than the type holds: reading them all would overrun the
  // caller's value.
  if (code != VORA_VALUE_STRING && size < nodes::FixedSizeOfType(code)) {
    return false;
  }
  ParamValue stored;
  if (node.GetParamValue(id, stored, extra)) {
    if (static_cast<std::uint32_t>(stored.GetType()) != code) {
      return false;
    }
    if (code != VORA_VALUE_STRING && stored.GetSize() != size) {
      return false;
    }
    return node.SetParam(id, source, code, extra);
  }
  return node.AddParam(id, source, code, extra);
}

} // namespace vorafile
