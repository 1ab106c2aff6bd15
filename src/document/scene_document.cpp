#include "document/scene_document.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/text_stream.h"
#include "platform/file_system.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

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

// A packed colour: red in the lowest byte, then green, then blue; alpha 1.
nodes::Color UnpackColor(std::int32_t packed) {
  const auto bits = static_cast<std::uint32_t>(packed);
  nodes::Color color;
  color.components = {static_cast<float>(bits & 0xffu) / 255.0f,
                      static_cast<float>((bits >> 8) & 0xffu) / 255.0f,
                      static_cast<float>((bits >> 16) & 0xffu) / 255.0f, 1.0f};
  return color;
}

// The old style flags moved to other bits.
std::int32_t RemapOldStyle(std::int32_t old) {
  constexpr std::uint32_t kNewBitOfOld[] = {2, 1, 8, 16, 4, 64};
  std::uint32_t remapped = 0;
  for (std::size_t bit = 0; bit < std::size(kNewBitOfOld); ++bit) {
    if ((static_cast<std::uint32_t>(old) >> bit) & 1u) {
      remapped |= kNewBitOfOld[bit];
    }
  }
  return static_cast<std::int32_t>(remapped);
}

// A number stored as an integer, fraction dropped; values no integer can
// hold are clamped (NaN gives 0).
std::int32_t TruncateToInt(float value) {
  if (!(value == value)) {
    return 0;
  }
  if (value >= 2147483648.0f) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value <= -2147483648.0f) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

} // namespace

std::vector<int> SceneDocument::MigrationOrdinals(int layout, int i,
                                                  int count) {
  switch (layout) {
  case 1:
    return {i == count - 1 ? 0 : i + 1};
  case 2:
  case 5:
  case 7:
    return {i};
  case 3: {
    static const std::vector<int> kLayout3[] = {
        {0, 6}, {1, 7}, {2, 8}, {9}, {3, 4, 5}};
    return i < 5 ? kLayout3[i] : std::vector<int>{};
  }
  case 4:
    return {i == 0 ? count - 1 : i - 1};
  case 6: {
    static const std::vector<int> kLayout6[] = {{2}, {0, 1, 3, 4}, {5}};
    return i < 3 ? kLayout6[i] : std::vector<int>{};
  }
  case 8: {
    static const std::vector<int> kLayout8[] = {
        {0}, {7}, {8}, {9}, {1, 2, 3, 4, 5, 6}};
    return i < 5 ? kLayout8[i] : std::vector<int>{};
  }
  default:
    return {};
  }
}

namespace {

// Value bytes that WriteParam hands to a node for a host's query.
struct HostValue {
  ParamQuery query{};
  std::string text;

  template <class T> HostValue(std::uint32_t id, std::uint32_t type, T value) {
    static_assert(std::is_trivially_copyable_v<T>);
    query.id = id;
    query.valueType = type;
    query.size = sizeof value;
    query.extra = -1;
    std::memcpy(bytes, &value, sizeof value);
    query.data = bytes;
  }
  HostValue(std::uint32_t id, std::string value) : text(std::move(value)) {
    query.id = id;
    query.valueType = VORA_VALUE_STRING;
    query.size = static_cast<std::uint32_t>(platform::kMaxPath);
    query.extra = -1;
    query.data = text.data();
  }
  HostValue(const HostValue &) = delete;
  HostValue &operator=(const HostValue &) = delete;

  unsigned char bytes[16]{};
};

} // namespace

std::string SceneOpenProblem::Describe() const {
  std::string text = file;
  if (line > 0) {
    text.append(":").append(std::to_string(line));
  }
  for (const std::string *part : {&keyword, &reason}) {
    if (part->empty()) {
      continue;
    }
    if (!text.empty()) {
      text.append(": ");
    }
    text.append(*part);
  }
  return text;
}

SceneDocument::SceneDocument() = default;
SceneDocument::~SceneDocument() = default;

void SceneDocument::DropScene() {
  root_.reset();
  cachedRowCount_.reset();
  scriptPath_.clear();
}

void SceneDocument::RecordProblem(const std::string &file,
                                  std::int64_t position, std::string keyword,
                                  std::string reason) {
  problem_.file = file;
  problem_.line = position >= 0 ? LineNumberAt(file, position) : 0;
  problem_.keyword = std::move(keyword);
  problem_.reason = std::move(reason);
}

bool SceneDocument::Open(const std::string &rawFolder) {
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
    RecordProblem(folder, -1, "",
                  "no scene script (\"vora.rudov\" or "
                  "\"vora.vrc\")");
    return false;
  }
  scriptPath_ = *script;
  const bool migrationPending =
      platform::FindInFolder(folder, kMigrationList).has_value();
  root_->SetMigrationPending(migrationPending);

  FileHandle file = OpenFile(scriptPath_, "rb");
  if (!file) {
    RecordProblem(scriptPath_, -1, "", "cannot open the scene script");
    return false;
  }
  nodes::FileSource source(file.get());
  const std::int64_t result = root_->Read(&source, 0);
  file.reset();
  if (result == nodes::kReadFailed || root_->GetNodeIndex().IsOverfull()) {
    const ScriptReadProblem &problem = root_->GetReadProblem();
    RecordProblem(scriptPath_, problem.position, problem.keyword,
                  problem.reason.empty() ? "cannot read the scene script"
                                         : problem.reason);
    return false;
  }
  if (!migrationPending) {
    return true;
  }
  return MergeMigrationList() != 0;
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

int SceneDocument::MergeMigrationList() {
  if (!root_) {
    return 0;
  }
  const std::string folder(root_->GetFolder().value_or(""));
  std::optional<std::string> path =
      platform::FindInFolder(folder, kMigrationList);
  FileHandle file = path ? OpenFile(*path, "rb") : FileHandle();
  if (!file) {
    RecordProblem(folder + kMigrationList, -1, "", "cannot open the file");
    return 0;
  }
  nodes::FileSource source(file.get());

  auto write = [&](std::int32_t type, std::int32_t ordinal,
                   const HostValue &value) {
    // A value that the template holds with another type is left out.
    if (SceneNode *node = FindByTypeAndOrdinal(type, ordinal)) {
      (void)WriteParamChecked(*node, static_cast<int>(value.query.id),
                              value.query.data, value.query.valueType,
                              value.query.size);
    }
  };
  struct Entry {
    std::string name;
    std::int32_t colorA = 0;
    std::int32_t colorB = 0;
    float number = 0;
  };
  std::vector<Entry> entries;
  std::optional<std::int32_t> layout;
  std::optional<std::int32_t> count;
  std::string line;
  for (int number = 1; source.ReadLine(line); ++number) {
    nodes::LineScanner scan(line);
    std::int32_t i = 0;
    float f = 0;
    std::string word;
    if (number < 20) {
      switch (number) {
      case 2:
        if (scan.Int(i).Ok()) {
          layout = i;
        }
        break;
      case 4:
        if (scan.Float(f).Ok()) {
          write(VORA_NODE_SCENE_ROOT, 0, HostValue(3, VORA_VALUE_FLOAT, f));
        }
        break;
      case 6:
        if (scan.Float(f).Ok()) {
          write(VORA_NODE_SCENE_ROOT, 0, HostValue(222, VORA_VALUE_FLOAT, f));
        }
        break;
      case 8:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_SCENE_ROOT, 0,
                HostValue(241, VORA_VALUE_INT, RemapOldStyle(i)));
        }
        break;
      case 9:
        if (!scan.Int(i).Ok() || i < 1) {
          RecordProblem(*path, -1, "", "no entries to merge");
          return 0;
        }
        count = i;
        break;
      case 11:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0,
                HostValue(35, VORA_VALUE_BYTE, static_cast<std::uint8_t>(i)));
        }
        break;
      case 12:
      case 18:
        if (scan.Word(word).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0,
                HostValue(number == 12 ? 152u : 99u, word));
        }
        break;
      case 13:
      case 17:
        if (scan.Float(f).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0,
                HostValue(number == 13 ? 95u : 94u, VORA_VALUE_FLOAT, f));
        }
        break;
      case 14:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0,
                HostValue(100, VORA_VALUE_UINT, static_cast<std::uint32_t>(i)));
        }
        break;
      case 15:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0,
                HostValue(115, VORA_VALUE_BYTE, static_cast<std::uint8_t>(i)));
        }
        break;
      case 16:
        if (scan.Int(i).Ok()) {
          write(VORA_NODE_MESSAGE_DATA, 0,
                HostValue(259, VORA_VALUE_COLOR, UnpackColor(i)));
        }
        break;
      default:
        break;
      }
      continue;
    }
    if (!count || static_cast<std::int64_t>(entries.size()) >= *count) {
      break;
    }
    const int field = (number - 20) % 4;
    if (field == 0) {
      entries.push_back({});
      scan.Word(entries.back().name);
    } else if (field == 1) {
      scan.Int(entries.back().colorA);
    } else if (field == 2) {
      scan.Int(entries.back().colorB);
    } else {
      scan.Float(entries.back().number);
    }
  }
  if (!layout || !count) {
    RecordProblem(*path, -1, "",
                  "too short to give the layout and the entry count");
    return 0;
  }
  const int entryCount = static_cast<int>(entries.size());
  for (int i = 0; i < entryCount; ++i) {
    const Entry &entry = entries[static_cast<std::size_t>(i)];
    for (int ordinal : MigrationOrdinals(*layout, i, *count)) {
      write(VORA_NODE_OBJECT, ordinal, HostValue(245, folder + entry.name));
      write(VORA_NODE_OBJECT, ordinal,
            HostValue(242, VORA_VALUE_COLOR, UnpackColor(entry.colorA)));
      write(VORA_NODE_OBJECT, ordinal,
            HostValue(233, VORA_VALUE_COLOR, UnpackColor(entry.colorB)));
      write(VORA_NODE_OBJECT, ordinal,
            HostValue(107, VORA_VALUE_INT, TruncateToInt(entry.number)));
    }
  }
  return *count;
}

} // namespace vorafile
