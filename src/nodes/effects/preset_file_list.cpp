#include "nodes/effects/preset_file_list.h"

#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/preset_block_nodes.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

#include <cstdio>
#include <memory>

namespace vorafile::nodes {

namespace {

constexpr int kEffectScriptVersion = 3;

struct FileCloser {
  void operator()(std::FILE *file) const { (void)std::fclose(file); }
};

std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  quoted += text;
  quoted += '"';
  return quoted;
}

} // namespace

bool NextContentLine(TextSource &in, std::string &line,
                     std::int64_t &lineStart) {
  std::string word;
  while (true) {
    lineStart = in.Tell();
    if (!in.ReadLine(line)) {
      return false;
    }
    if (line.front() != ';' && LineScanner(line).Word(word).Ok()) {
      return true;
    }
  }
}

// ---- One preset file ------------------------------------------------------

PresetFileNode::PresetFileNode(SceneNode *parent, std::string_view name,
                               Kind kind, const PresetFileFamily &family)
    : SceneNode(parent, name), family_(family) {
  SetNodeType(kind);
  RegisterWithRoot();
}

std::string PresetFileNode::GetParamName(int id, int reserved) const {
  if (family_.names.Contains(id)) {
    return std::string(family_.names.NameOf(id));
  }
  return SceneNode::GetParamName(id, reserved);
}

std::int64_t PresetFileNode::Read(TextSource *in, std::int64_t /*position*/) {
  if (GetScriptVersion() != kEffectScriptVersion) {
    return FailRead(-1, "preset files are read in script version 3 only");
  }
  if (in == nullptr) {
    return FailRead(-1, "no preset file to read");
  }
  struct HeaderField {
    int id;
    bool isNumber;
  };
  const HeaderField fields[] = {{param::kVersion, true},
                                {family_.typeId, false},
                                {family_.friendlyNameId, false},
                                {family_.numPresetsId, true}};
  std::string line;
  std::int64_t lineStart = 0;
  for (const HeaderField &field : fields) {
    const std::string name = GetParamName(field.id);
    if (!NextContentLine(*in, line, lineStart)) {
      return FailRead(-1, "the file ends before its " + Quoted(name) + " line");
    }
    std::string key;
    std::string word;
    std::int32_t number = 0;
    LineScanner scan(line);
    scan.Word(key);
    const bool parsed =
        field.isNumber ? scan.Int(number).Ok() : scan.Word(word).Ok();
    if (!parsed) {
      return FailRead(lineStart, Quoted(name) + ": expected " +
                                     (field.isNumber ? "a number" : "a word"));
    }
    const ParamValue value =
        field.isNumber ? ParamValue(number) : ParamValue(std::move(word));
    if (!AddParamValue(field.id, value)) {
      return FailRead(lineStart, Quoted(name) + " stands twice");
    }
  }
  const Kind blockKind = family_.blockKind;
  const std::string prefix(family_.blockPrefix);
  const PresetWalk walk = WalkPresetBlocks(
      *in, in->Tell(), [this, blockKind, &prefix](int index) -> SceneNode & {
        return *AddChild(std::make_unique<FxPresetNode>(
            this, prefix + std::to_string(index), index, blockKind));
      });
  if (walk.position == kReadFailed) {
    const std::optional<ReadFailure> &failure =
        walk.failedBlock->GetReadFailure();
    return FailRead(failure ? failure->position : -1,
                    failure ? failure->reason : "a preset cannot be read");
  }
  return walk.position;
}

bool PresetFileNode::Write(TextSink *out) {
  if (GetScriptVersion() != kEffectScriptVersion || out == nullptr) {
    return false;
  }
  for (int id : {param::kVersion, family_.typeId, family_.friendlyNameId,
                 family_.numPresetsId}) {
    ParamValue value;
    if (GetParamValue(id, value)) {
      (void)WriteValueLine(*out, GetParamName(id), value, false);
    }
  }
  for (int i = 0; i < GetChildCount(); ++i) {
    SceneNode *block = GetChild(i);
    if (block->GetKind() == family_.blockKind && !block->Write(out)) {
      return false;
    }
  }
  return !out->HasFailed();
}

// ---- A list of preset files -------------------------------------------------

PresetFileListNode::PresetFileListNode(SceneNode *parent, std::string_view name,
                                       Kind kind, const NameTable &names,
                                       int listId, int countId, int rootFileId)
    : IndexedListNode(parent, name, kind, names, listId, ValueType::String),
      countId_(countId), rootFileId_(rootFileId) {}

PresetFileNode *PresetFileListNode::FindPresetFile(std::int32_t id) const {
  for (int i = 0; i < GetChildCount(); ++i) {
    auto *file = DynCast<PresetFileNode>(GetChild(i));
    if (file != nullptr && file->GetParamAs<std::int32_t>(param::kId) == id) {
      return file;
    }
  }
  return nullptr;
}

std::vector<PresetFileNode *> PresetFileListNode::GetFilesInWriteOrder() const {
  std::vector<PresetFileNode *> files;
  for (std::size_t i = 0; i < GetList().GetCount(); ++i) {
    if (PresetFileNode *file = FindPresetFile(static_cast<std::int32_t>(i))) {
      files.push_back(file);
    }
  }
  return files;
}

PresetFileListNode::ListRead
PresetFileListNode::ReadPresetFiles(TextSource &in, std::int32_t count) {
  const std::string folder(GetFolder().value_or(""));
  const std::string countName = GetParamName(countId_);
  if (count < 0) {
    (void)FailRead(-1, Quoted(countName) + " is negative");
    return ListRead::Failed;
  }
  std::string line;
  for (std::int32_t i = 0; i < count;) {
    const std::int64_t lineStart = in.Tell();
    if (!in.ReadLine(line)) {
      (void)FailRead(lineStart, "expected " + std::to_string(count) +
                                    " preset file lines");
      return ListRead::Failed;
    }
    TrimSpaces(line);
    if (!line.empty() && line.front() == ';') {
      continue;
    }
    std::int32_t unused = 0;
    std::string fileName;
    std::string name;
    if (!LineScanner(line).Int(unused).Word(fileName).Word(name).Ok()) {
      (void)FailRead(lineStart, "expected an index, a file name and a name");
      return ListRead::Failed;
    }
    std::optional<std::string> path =
        platform::ResolvePackageName(folder, fileName);
    if (!path) {
      (void)FailRead(lineStart, "preset file " + Quoted(fileName) +
                                    " is not in the working folder");
      return ListRead::Failed;
    }
    // A folder of that name cannot be opened as a file on any system (POSIX
    // would open it and fail the first read).
    const std::optional<std::uint32_t> attributes =
        platform::ReadAttributes(*path);
    const bool isFolder =
        attributes && (*attributes & platform::attr::kDirectory) != 0;
    std::unique_ptr<std::FILE, FileCloser> file(
        isFolder ? nullptr : std::fopen(path->c_str(), "rb"));
    if (file == nullptr) {
      return ListRead::StoppedEarly;
    }
    // The list starts empty and grows by one per line: the add cannot fail.
    (void)List().Add(i, ParamValue(*path));
    PresetFileNode &preset = MakePresetFile(name, *path);
    (void)preset.AddParamValue(param::kId, ParamValue(i));
    FileSource source(file.get());
    if (preset.Read(&source, 0) == kReadFailed) {
      const std::optional<ReadFailure> &failure = preset.GetReadFailure();
      (void)FailRead(lineStart,
                     Quoted(fileName) + ": " +
                         (failure ? failure->reason : "cannot be read"));
      return ListRead::Failed;
    }
    ++i;
  }
  return ListRead::Complete;
}

bool PresetFileListNode::WritePresetFiles(
    TextSink &out, const std::vector<PresetFileNode *> &files,
    std::string_view countName) {
  (void)WriteValueLine(out, countName,
                       ParamValue(static_cast<std::int32_t>(files.size())),
                       false);
  const std::string folder(GetFolder().value_or(""));
  std::int32_t index = 0;
  for (PresetFileNode *file : files) {
    const std::optional<std::int32_t> id =
        file->GetParamAs<std::int32_t>(param::kId);
    ParamValue pathValue;
    // GetFilesInWriteOrder found the file by its entry.
    (void)GetParamValue(GetList().GetId(), pathValue, id.value_or(-1));
    const std::string fileName = FileNameOf(pathValue.GetText());
    (void)WriteTextLine(out, std::to_string(index) + "\t" + fileName + "\t" +
                                 file->GetName());
    // The path a host may have set is never written as it stands: only its
    // file name, inside the working folder.
    std::optional<std::string> path =
        platform::PackagePathFor(folder, fileName);
    if (!path) {
      return false;
    }
    FileSink sink(*path);
    const bool written = file->Write(&sink);
    if (!sink.Close() || !written) {
      return false;
    }
    ++index;
  }
  return !out.HasFailed();
}

bool PresetFileListNode::Write(TextSink *out) {
  if (GetScriptVersion() != kEffectScriptVersion) {
    return false;
  }
  if (out != nullptr) {
    return WriteList(*out);
  }
  if (!fileState_.MayRewrite()) {
    return true;
  }
  const SceneNode *root = GetRoot();
  const std::optional<std::string> named =
      root != nullptr ? root->GetTextParam(rootFileId_) : std::nullopt;
  if (!named) {
    return true;
  }
  const std::optional<std::string> path = platform::ResolvePackageName(
      std::string(GetFolder().value_or("")), FileNameOf(*named));
  if (!path) {
    return true;
  }
  FileSink sink(*path);
  const bool written = WriteList(sink);
  return sink.Close() && written;
}

bool PresetFileListNode::RemoveEntry(int index) {
  if (!List().Remove(index)) {
    return false;
  }
  for (int i = 0; i < GetChildCount(); ++i) {
    auto *file = DynCast<PresetFileNode>(GetChild(i));
    if (file == nullptr) {
      continue;
    }
    const std::int32_t id =
        file->GetParamAs<std::int32_t>(param::kId).value_or(-1);
    if (id == index) {
      ForgetPresetFile(*file);
      (void)RemoveChild(i);
      --i;
    } else if (id > index) {
      // An Int of a held id: the set cannot fail.
      (void)file->SetParamValue(param::kId, ParamValue(std::int32_t{id - 1}));
    }
  }
  DecrementCount(countId_);
  return true;
}

} // namespace vorafile::nodes
