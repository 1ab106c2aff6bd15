#include "nodes/effects/def_file_node.h"

#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/name_table.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/preset_block_nodes.h"
#include "platform/ascii.h"
#include "platform/package_name.h"

#include <array>
#include <cstdio>
#include <memory>

namespace vorafile::nodes {

namespace {

constexpr std::array<std::string_view, 3> kHeaderNames = {
    "DefType", "MaxInstance", "NumPresets"};
constexpr std::string_view kBuiltInType = "DefRaruzCreate";
constexpr std::string_view kBuiltInStoredType = "DefSelector";

const NameTable &GetHeaderNames() {
  static const NameTable table(def_file_param::kDefType, kHeaderNames);
  return table;
}

// Saves counted from 1, so that a node never written has an older stamp.
std::uint32_t currentSave = 1;

struct HeaderLine {
  std::string line;
  std::string key;
  std::string value;
  std::int64_t start = 0;
};

// The next line of at least two words; with `skipComments`, lines that
// start with ';' are passed over as well. Nothing at the end of the file.
std::optional<HeaderLine> NextHeaderLine(TextSource &in, bool skipComments) {
  HeaderLine header;
  while (true) {
    header.start = in.Tell();
    if (!in.ReadLine(header.line)) {
      return std::nullopt;
    }
    if (skipComments && !header.line.empty() && header.line.front() == ';') {
      continue;
    }
    if (LineScanner(header.line).Word(header.key).Word(header.value).Ok()) {
      return header;
    }
  }
}

struct FileCloser {
  void operator()(std::FILE *file) const { (void)std::fclose(file); }
};

} // namespace

DefFileNode::DefFileNode(SceneNode *parent) : DefFileNode(parent, "Unknown") {}

DefFileNode::DefFileNode(SceneNode *parent, std::string_view name)
    : SceneNode(parent, name) {
  SetNodeType(Kind::DefFile);
  MakeShared(1);
  RegisterWithRoot();
}

DefFileNode::DefFileNode(SceneNode *parent, std::string_view name,
                         std::int32_t preset)
    : DefFileNode(parent, name) {
  // A new node holds no "Preset": the add cannot fail.
  (void)AddParamValue(param::kPreset, ParamValue(preset));
}

std::string DefFileNode::GetParamName(int id, int reserved) const {
  if (GetHeaderNames().Contains(id)) {
    return std::string(GetHeaderNames().NameOf(id));
  }
  return SceneNode::GetParamName(id, reserved);
}

int DefFileNode::GetParamId(std::string_view name) const {
  return GetHeaderNames().FindId(name).value_or(ParamIdOf(name));
}

std::int64_t DefFileNode::Read(TextSource *in, std::int64_t position) {
  OwnedFileRead read(fileState_);
  builtIn_ = false;
  const int version = GetScriptVersion();
  if (version != 2 && version != 3) {
    return FailRead(-1, "unknown script version");
  }
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot seek to the definition");
  }
  std::optional<HeaderLine> type = NextHeaderLine(*in, false);
  if (!type) {
    return kReadEndOfFile;
  }
  if (GetParamId(type->key) != def_file_param::kDefType) {
    return FailRead(type->start, "expected \"DefType\"");
  }
  // A text value ends at a NUL byte; an empty type would be written as a
  // line of one word, which no read takes for "DefType".
  if (type->value.front() == '\0') {
    return FailRead(type->start, "expected a deformation type");
  }
  builtIn_ = ascii::EqualsIgnoreCase(type->value, kBuiltInType);
  const std::string storedType =
      builtIn_ ? std::string(kBuiltInStoredType) : type->value;
  if (!AddParamValue(def_file_param::kDefType, ParamValue(storedType))) {
    return FailRead(type->start, "\"DefType\" stands twice");
  }

  std::optional<HeaderLine> limit = NextHeaderLine(*in, true);
  if (!limit) {
    return FailRead(in->Tell(), "expected \"MaxInstance\"");
  }
  if (!ascii::EqualsIgnoreCase(limit->key, "MaxInstance")) {
    return FailRead(limit->start, "expected \"MaxInstance\"");
  }
  if (!AddParamValue(def_file_param::kMaxInstance,
                     ParamValue(TextToInt(limit->value)))) {
    return FailRead(limit->start, "\"MaxInstance\" stands twice");
  }

  std::optional<HeaderLine> count = NextHeaderLine(*in, true);
  if (!count) {
    return FailRead(in->Tell(), "expected \"NumPresets\"");
  }
  if (!ascii::EqualsIgnoreCase(count->key, "NumPresets")) {
    // The definition ends here, without presets; the read ended early, so
    // the file is never rewritten.
    return kReadEndOfFile;
  }
  if (builtIn_) {
    const std::int32_t presets = TextToInt(count->value);
    if (presets > kMaxBuiltInPresets) {
      return FailRead(count->start, "more than 1024 built-in presets");
    }
    return ReadPresets(*in, 0, presets, read);
  }
  return ReadPresets(*in, in->Tell(), 0, read);
}

std::int64_t DefFileNode::ReadPresets(TextSource &in, std::int64_t position,
                                      std::int32_t builtInCount,
                                      OwnedFileRead &read) {
  std::int32_t made = 0;
  std::int64_t result = 1;
  if (builtIn_) {
    for (; made < builtInCount; ++made) {
      (void)AddChild(std::make_unique<DefPresetNode>(
          this, "PresetNode" + std::to_string(made), true, made));
    }
  } else {
    const PresetWalk walk =
        WalkPresetBlocks(in, position, [this](int index) -> SceneNode & {
          return *AddChild(std::make_unique<DefPresetNode>(
              this, "PresetNode" + std::to_string(index)));
        });
    if (walk.position == kReadFailed) {
      const std::optional<ReadFailure> &failure =
          walk.failedBlock->GetReadFailure();
      return FailRead(failure ? failure->position : -1,
                      failure ? failure->reason : "a preset cannot be read");
    }
    made = walk.blockCount;
    result = in.Tell();
  }
  if (!AddParamValue(def_file_param::kNumPresets, ParamValue(made))) {
    return FailRead(-1, "\"NumPresets\" stands twice");
  }
  read.Finish();
  return result;
}

std::optional<std::int64_t> DefFileNode::ReadOwnFile() {
  const std::string folder(GetFolder().value_or(""));
  std::optional<std::string> path =
      platform::ResolvePackageName(folder, GetName());
  if (!path) {
    return std::nullopt;
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path->c_str(), "rb"));
  if (file == nullptr) {
    return std::nullopt;
  }
  FileSource source(file.get());
  return Read(&source, 0);
}

bool DefFileNode::Write(TextSink *out) {
  const int version = GetScriptVersion();
  if (version != 2 && version != 3) {
    return false;
  }
  if (out == nullptr) {
    if (!fileState_.MayRewrite()) {
      return true;
    }
    const std::string folder(GetFolder().value_or(""));
    std::optional<std::string> path =
        platform::PackagePathFor(folder, GetName());
    if (!path) {
      return false;
    }
    FileSink file(*path);
    const bool written = Write(&file);
    return file.Close() && written;
  }
  ParamValue type;
  ParamValue limit;
  ParamValue count;
  if (!GetParamValue(def_file_param::kDefType, type) ||
      !GetParamValue(def_file_param::kMaxInstance, limit) ||
      !GetParamValue(def_file_param::kNumPresets, count)) {
    return false;
  }
  if (builtIn_) {
    type = ParamValue(std::string(kBuiltInType));
  }
  (void)WriteValueLine(*out, "DefType", type, false);
  (void)WriteValueLine(*out, "MaxInstance", limit, false);
  (void)WriteValueLine(*out, "NumPresets", count, false);
  for (int i = 0; i < GetChildCount(); ++i) {
    if (auto *preset = DynCast<DefPresetNode>(GetChild(i))) {
      if (!preset->Write(out)) {
        return false;
      }
    }
  }
  return !out->HasFailed();
}

void DefFileNode::BeginSave() {
  ++currentSave;
}

bool DefFileNode::WriteOwnFileOnce() {
  if (lastSave_ == currentSave) {
    return true;
  }
  lastSave_ = currentSave;
  return Write(nullptr);
}

} // namespace vorafile::nodes
