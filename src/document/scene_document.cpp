#include "document/scene_document.h"

#include "document/node_info_block.h"
#include "nodes/core/text_stream.h"
#include "platform/file_system.h"
#include "platform/shared_memory.h"

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

void CopyName(char (&text)[VORA_PARAM_TEXT_SIZE], const std::string &name) {
  const std::size_t length = std::min(name.size(), sizeof text - 1);
  std::memcpy(text, name.data(), length);
  text[length] = '\0';
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
                                                    std::string keyword,
                                                    std::string reason) {
  problem_ = SceneOpenResult::Failure(
      status, file, std::move(reason),
      position >= 0 ? LineNumberAt(file, position) : 0, std::move(keyword));
  return problem_;
}

SceneOpenResult SceneDocument::Open(const std::string &rawFolder) {
  DropScene();
  problem_ = {};
  const std::string folder = platform::WithTrailingSeparator(rawFolder);
  nodes::ResetNodeIdCounter();
  root_ = std::make_unique<SceneRoot>();
  root_->SetFolder(folder);

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
  root_->SetMigrationPending(
      platform::FindInFolder(folder, kMigrationList).has_value());

  FileHandle file = OpenFile(scriptPath_, "rb");
  if (!file) {
    return RecordProblem(SceneOpenStatus::ScriptUnreadable, scriptPath_, -1, "",
                         "cannot open the scene script");
  }
  nodes::FileSource source(file.get());
  const std::int64_t result = root_->Read(&source, 0);
  file.reset();
  if (result == nodes::kReadFailed || root_->IsTableOverfull()) {
    const ScriptReadProblem &problem = root_->GetReadProblem();
    return RecordProblem(root_->IsTableOverfull()
                             ? SceneOpenStatus::TooManyNodes
                             : SceneOpenStatus::ScriptRejected,
                         scriptPath_, problem.position, problem.keyword,
                         problem.reason.empty() ? "cannot read the scene script"
                                                : problem.reason);
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
  const std::string path = std::string(*folder) + kSavedScript;
  FileHandle file = OpenFile(path, "wb");
  if (!file) {
    return false;
  }
  nodes::FileSink sink(file.get());
  const bool written = root_->Write(&sink);
  return std::fclose(file.release()) == 0 && written;
}

int SceneDocument::CachedRowCount() {
  if (!cachedRowCount_ && root_) {
    cachedRowCount_ = root_->GetRowCount();
  }
  return cachedRowCount_.value_or(0);
}

SceneNode *SceneDocument::FindById(std::int32_t id) {
  if (!root_) {
    return nullptr;
  }
  const int rows = CachedRowCount();
  const auto &table = root_->GetIndexTable();
  for (int row = 0; row < rows; ++row) {
    if (table[static_cast<std::size_t>(row)].id == id) {
      return table[static_cast<std::size_t>(row)].node;
    }
  }
  return nullptr;
}

SceneNode *SceneDocument::FindByTypeAndOrdinal(std::int32_t type,
                                               std::int32_t ordinal) {
  if (!root_ || ordinal < 0) {
    return nullptr;
  }
  CachedRowCount();
  std::int32_t seen = 0;
  for (const NodeIndexRow &row : root_->GetIndexTable()) {
    if (row.type == VORA_NODE_END) {
      break;
    }
    if (row.type == type && seen++ == ordinal) {
      return row.node;
    }
  }
  return nullptr;
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

bool SceneDocument::ReadParam(SceneNode &node, ParamQuery &query) {
  const int id = static_cast<int>(query.id);
  ParamValue value;
  if (!node.GetParamValue(id, value, query.extra)) {
    return false;
  }
  CopyName(query.text, node.GetParamName(id, -1));
  query.valueType = static_cast<std::uint32_t>(value.GetType());
  const auto size = static_cast<std::uint32_t>(value.GetSize());
  if (query.size < size) {
    query.size = size;
    return false;
  }
  query.size = size;
  if (query.data == nullptr) {
    return false;
  }
  return value.CopyBytes(query.data, size);
}

bool SceneDocument::WriteParam(SceneNode &node, const ParamQuery &query) {
  if (query.data == nullptr) {
    return false;
  }
  const int id = static_cast<int>(query.id);
  const void *source = query.data;
  std::string text;
  if (query.valueType == VORA_VALUE_STRING) {
    // A text is taken up to its terminator, and never past the size the
    // host gave when it gave one.
    const char *chars = static_cast<const char *>(query.data);
    text.assign(chars, query.size > 0 ? strnlen(chars, query.size)
                                      : std::strlen(chars));
    source = text.c_str();
  } else if (query.size < nodes::FixedSizeOfType(query.valueType)) {
    // Fewer bytes than the type holds: reading them all would overrun the
    // host's value.
    return false;
  }
  ParamValue stored;
  if (node.GetParamValue(id, stored, query.extra)) {
    if (static_cast<std::uint32_t>(stored.GetType()) != query.valueType) {
      return false;
    }
    if (query.valueType != VORA_VALUE_STRING &&
        stored.GetSize() != query.size) {
      return false;
    }
    return node.SetParam(id, source, query.valueType, query.extra);
  }
  return node.AddParam(id, source, query.valueType, query.extra);
}

bool SceneDocument::FillInfo(SceneNode &node, NodeInfoBlock &block) {
  if (block.recordSize != sizeof(NodeInfoBlock)) {
    return false;
  }
  const int count = node.GetParamCount();
  block.count = static_cast<std::uint32_t>(std::max(count, 0));
  if (count <= 0) {
    return true;
  }
  block.entries = AllocateNodeInfoEntries(block.count);
  if (block.entries == nullptr) {
    return false;
  }
  std::optional<platform::SharedMapping> mapping =
      platform::MapSharedBlock(VORA_SHARED_BLOCK_NAME, VORA_SHARED_BLOCK_SIZE);
  if (!mapping) {
    return false;
  }
  block.mapping = mapping->handle;
  block.view = mapping->view;
  block.used = 0;

  auto *shared = static_cast<unsigned char *>(block.view);
  std::uint32_t entry = 0;
  for (const nodes::NodeParam &param : node.GetParamArray()) {
    const ParamValue *value = param.GetValue();
    if (entry == block.count || value == nullptr) {
      break;
    }
    const std::size_t size = value->GetSize();
    // The block has a fixed size; values that do not fit fail the fill
    // rather than run past its end.
    if (size > VORA_SHARED_BLOCK_SIZE - block.used) {
      return false;
    }
    ParamQuery &query = block.entries[entry++];
    query.id = static_cast<std::uint32_t>(param.GetId());
    query.extra = -1;
    CopyName(query.text, node.GetParamName(param.GetId(), -1));
    query.valueType = static_cast<std::uint32_t>(value->GetType());
    query.size = static_cast<std::uint32_t>(size);
    query.data = shared + block.used;
    value->CopyBytes(query.data, size);
    block.used += static_cast<std::uint32_t>(size);
  }
  return true;
}

bool SceneDocument::RemoveParam(SceneNode &node, std::uint32_t paramId) {
  return node.RemoveParam(static_cast<int>(paramId), -1);
}

} // namespace vorafile
