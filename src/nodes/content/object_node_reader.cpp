// The reader of ObjectNode: one object section of the scene script, in
// script version 2 or 3 (see the format notes of object_node.h).
#include "nodes/content/object_node.h"

#include "nodes/content/line_reading.h"
#include "nodes/content/object_config_node.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "nodes/effects/def_ref_node.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

namespace vorafile::nodes {

namespace {

constexpr std::string_view kDeformationPrefix = "DeformationNode";
constexpr std::string_view kHotNodeName = "HotNode";
constexpr std::string_view kBuiltInDefinition = "defhydracreate.vrd";
constexpr std::int32_t kMaxObjectType = 2;

struct FileCloser {
  void operator()(std::FILE *file) const { (void)std::fclose(file); }
};

std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  quoted += text;
  quoted += '"';
  return quoted;
}

// A file name as the scene gives it: cut at the first ';', line feed or
// tab, trailing blanks dropped.
std::string CutFileName(std::string_view text) {
  std::string name(text.substr(0, text.find_first_of(";\n\t")));
  while (!name.empty() && name.back() == ' ') {
    name.pop_back();
  }
  return name;
}

bool IsObjectType(std::int32_t value) {
  return value >= 0 && value <= kMaxObjectType;
}

bool IsFlag(std::int32_t value) {
  return value == 0 || value == 1;
}

Color ColorFromInts(const std::array<std::int32_t, 4> &bytes) {
  // Only the low eight bits count.
  return ColorFromBytes(static_cast<std::uint8_t>(bytes[0] & 0xFF),
                        static_cast<std::uint8_t>(bytes[1] & 0xFF),
                        static_cast<std::uint8_t>(bytes[2] & 0xFF),
                        static_cast<std::uint8_t>(bytes[3] & 0xFF));
}

} // namespace

// Reads one section; every failure names its line.
class ObjectNode::SectionReader {
public:
  SectionReader(ObjectNode &node, TextSource &in)
      : node_(node), in_(in),
        folder_(std::string(node.GetFolder().value_or(""))) {}

  std::int64_t ReadVersion2(std::int64_t position);
  std::int64_t ReadVersion3(std::int64_t position);

private:
  std::int64_t Fail(std::string reason) {
    return node_.FailRead(lineStart_, std::move(reason));
  }
  // Fail for the readers that answer whether they succeeded.
  bool Refuse(std::string reason) {
    (void)Fail(std::move(reason));
    return false;
  }
  // The next line that does not start with ';'.
  [[nodiscard]] bool NextValueLine(std::string_view what);
  [[nodiscard]] bool Add(int id, const ParamValue &value);
  // folder + name, when the name stays in the folder ("" gives the folder).
  [[nodiscard]] std::optional<std::string> PathOf(const std::string &name);
  // The texture `text` names, resolved (unless `checked` is false) and
  // added as `id`.
  [[nodiscard]] bool AddTexture(int id, std::string_view text, bool checked);
  void AddObjectFile(std::string path);
  [[nodiscard]] bool ReadVector(std::string_view what, Vector &vector);
  [[nodiscard]] bool ReadVersion2Color(int id);
  [[nodiscard]] std::optional<std::int32_t> ReadVersion2Int(std::string_view,
                                                            int id);
  // Makes DeformationNode<k> and reads it from the current position; the
  // position it answers, or kReadFailed.
  std::int64_t ReadDeformation(std::optional<std::string> displayName);

  [[nodiscard]] bool ReadVersion3Line(int id, LineScanner &scan);
  [[nodiscard]] bool ReadHotSpot();
  [[nodiscard]] bool ReadObjectFileLine(std::string_view rest);
  [[nodiscard]] std::int32_t Count(int id) const {
    return node_.GetParamAs<std::int32_t>(id).value_or(0);
  }

  ObjectNode &node_;
  TextSource &in_;
  std::string folder_;
  std::string line_;
  std::int64_t lineStart_ = -1;
  int deformations_ = 0;
  // The counts as their lines give them: the stored ones follow the one
  // file or deformation accepted beyond them.
  std::int32_t morphLimit_ = 0;
  std::int32_t deformationLimit_ = 0;
};

bool ObjectNode::SectionReader::NextValueLine(std::string_view what) {
  while (true) {
    lineStart_ = in_.Tell();
    if (!ReadScannedLine(in_, line_)) {
      return Refuse("the object section ends before its " + std::string(what));
    }
    if (line_.empty() || line_.front() != ';') {
      return true;
    }
  }
}

bool ObjectNode::SectionReader::Add(int id, const ParamValue &value) {
  if (node_.AddParamValue(id, value)) {
    return true;
  }
  return Refuse(Quoted(ParamNameOf(id)) + " stands twice");
}

std::optional<std::string>
ObjectNode::SectionReader::PathOf(const std::string &name) {
  if (name.empty()) {
    return folder_;
  }
  std::optional<std::string> path = platform::PackagePathFor(folder_, name);
  if (!path) {
    (void)Fail(Quoted(name) + " is not a name in the working folder");
  }
  return path;
}

bool ObjectNode::SectionReader::AddTexture(int id, std::string_view text,
                                           bool checked) {
  std::string name(text);
  TrimSpaces(name);
  name = CutFileName(name);
  if (!name.empty() && !platform::IsInsideFolderName(name)) {
    return Refuse("texture " + Quoted(name) +
                  " is not a name in the working folder");
  }
  if (checked && !ResolveImageFile(folder_, name)) {
    return Refuse("texture " + Quoted(name) + " is missing");
  }
  std::optional<std::string> path = PathOf(name);
  return path && Add(id, ParamValue(std::move(*path)));
}

void ObjectNode::SectionReader::AddObjectFile(std::string path) {
  const auto index = static_cast<int>(node_.GetList().GetCount());
  // The list grows by one per file: the add cannot be refused.
  (void)node_.List().Add(index, ParamValue(std::move(path)));
}

bool ObjectNode::SectionReader::ReadVector(std::string_view what,
                                           Vector &vector) {
  if (!NextValueLine(what)) {
    return false;
  }
  auto &c = vector.components;
  if (!LineScanner(line_).Float(c[0]).Float(c[1]).Float(c[2]).Ok()) {
    return Refuse("expected three numbers for the " + std::string(what));
  }
  return true;
}

std::optional<std::int32_t>
ObjectNode::SectionReader::ReadVersion2Int(std::string_view what, int id) {
  std::int32_t value = 0;
  if (!NextValueLine(what)) {
    return std::nullopt;
  }
  if (!LineScanner(line_).Int(value).Ok()) {
    (void)Fail("expected a whole number for the " + std::string(what));
    return std::nullopt;
  }
  if (!Add(id, ParamValue(value))) {
    return std::nullopt;
  }
  return value;
}

bool ObjectNode::SectionReader::ReadVersion2Color(int id) {
  const std::string what(ParamNameOf(id));
  if (!NextValueLine(what)) {
    return false;
  }
  std::array<float, 4> numbers{};
  if (!LineScanner(line_)
           .Float(numbers[0])
           .Float(numbers[1])
           .Float(numbers[2])
           .Float(numbers[3])
           .Ok()) {
    return Refuse("expected four numbers for " + Quoted(what));
  }
  std::array<std::int32_t, 4> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    // Truncated toward zero; what is no 32-bit integer (NaN among them)
    // cannot be.
    if (!(std::fabs(numbers[i]) < 2147483520.0f)) {
      return Refuse(Quoted(what) + ": a component is no whole number");
    }
    bytes[i] = static_cast<std::int32_t>(numbers[i]);
  }
  return Add(id, ParamValue(ColorFromInts(bytes)));
}

std::int64_t ObjectNode::SectionReader::ReadDeformation(
    std::optional<std::string> displayName) {
  const std::string name =
      std::string(kDeformationPrefix) + std::to_string(deformations_++);
  auto child = displayName
                   ? std::make_unique<DefRefNode>(&node_, name, *displayName)
                   : std::make_unique<DefRefNode>(&node_, name);
  DefRefNode *reference = node_.AddChild(std::move(child));
  const std::int64_t end = reference->Read(&in_, in_.Tell());
  if (end == kReadFailed) {
    const std::optional<ReadFailure> &failure = reference->GetReadFailure();
    return node_.FailRead(
        failure ? failure->position : lineStart_,
        name + ": " +
            (failure ? failure->reason : "the deformation cannot be read"));
  }
  return end;
}

std::int64_t ObjectNode::SectionReader::ReadVersion2(std::int64_t position) {
  if (!in_.Seek(position)) {
    lineStart_ = position;
    return Fail("cannot seek to the object section");
  }
  std::string name;
  if (!NextValueLine("name")) {
    return kReadFailed;
  }
  if (!LineScanner(line_).Word(name).Ok()) {
    return Fail("expected the object's name");
  }
  if (!node_.SetParamValue(param::kName, ParamValue(name))) {
    return Fail("cannot set the name");
  }
  if (!Add(param::kVisible, ParamValue(std::uint8_t{1}))) {
    return kReadFailed;
  }
  const std::optional<std::int32_t> morphs =
      ReadVersion2Int("object file count", param::kNumMorphs);
  if (!morphs) {
    return kReadFailed;
  }
  if (*morphs < 0) {
    return Fail("\"NumMorphs\" is negative");
  }
  const std::optional<std::int32_t> type =
      ReadVersion2Int("object type", param::kOType);
  if (!type) {
    return kReadFailed;
  }
  if (!IsObjectType(*type)) {
    return Fail("the object type " + std::to_string(*type) +
                " is outside 0 to 2");
  }
  Vector position3;
  if (!ReadVector("position", position3)) {
    return kReadFailed;
  }
  if (*type == 1) {
    position3.components[2] = 0.0f;
  }
  Vector angle;
  if (!ReadVector("angle", angle)) {
    return kReadFailed;
  }
  if (*type == 1) {
    // The line gives the third component first.
    const auto &c = angle.components;
    angle = Vector{{c[1], c[2], c[0]}};
  }
  Vector size;
  float scale = 0.0f;
  if (!Add(param::kOPos, ParamValue(position3)) ||
      !Add(param::kOAng, ParamValue(angle)) || !ReadVector("size", size) ||
      !Add(param::kOSize, ParamValue(size)) || !NextValueLine("scale")) {
    return kReadFailed;
  }
  if (!LineScanner(line_).Float(scale).Ok()) {
    return Fail("expected a number for the scale");
  }
  if (!(scale >= 0.0f)) {
    return Fail("the scale is negative");
  }
  if (!Add(param::kDefScale, ParamValue(scale)) || !NextValueLine("texture") ||
      !AddTexture(param::kTName, line_, !node_.skipTextureCheck_) ||
      !ReadVersion2Color(param::kTColor) ||
      !ReadVersion2Color(param::kSpecCol) ||
      !ReadVersion2Int("gloss", param::kGloss)) {
    return kReadFailed;
  }
  const std::optional<std::int32_t> defs =
      ReadVersion2Int("deformation count", param::kNumDefs);
  if (!defs) {
    return kReadFailed;
  }
  if (*defs < 0) {
    return Fail("\"NumDefs\" is negative");
  }
  for (std::int32_t i = 0; i < *morphs; ++i) {
    if (!NextValueLine("object files")) {
      return kReadFailed;
    }
    std::string fileName = CutFileName(line_);
    TrimSpaces(fileName);
    std::optional<std::string> path;
    if (ascii::EqualsIgnoreCase(fileName, kBuiltInObjectFile)) {
      path = PathOf(std::string(kBuiltInDefinition));
    } else {
      // The file must be there, as a saved scene's reader will ask (and a
      // package could not be saved without it).
      path = platform::ResolvePackageName(folder_, fileName);
      if (!path) {
        return Fail("object file " + Quoted(fileName) + " is missing");
      }
    }
    if (!path) {
      return kReadFailed;
    }
    AddObjectFile(std::move(*path));
  }
  std::int64_t end = in_.Tell();
  for (std::int32_t i = 0; i < *defs; ++i) {
    lineStart_ = end;
    end = ReadDeformation(std::nullopt);
    if (end == kReadFailed) {
      return kReadFailed;
    }
    if (!in_.Seek(end)) {
      return Fail("cannot seek behind the deformation");
    }
  }
  return end;
}

bool ObjectNode::SectionReader::ReadHotSpot() {
  const std::int64_t siteLineStart = in_.Tell();
  std::string key;
  std::string fileName;
  if (!ReadScannedLine(in_, line_)) {
    return Refuse("\"Olink\" 1 must be followed by the hot-spot file's line");
  }
  lineStart_ = siteLineStart;
  if (!LineScanner(line_).Word(key).Word(fileName).Ok()) {
    return Refuse("expected the hot-spot file's key and name");
  }
  std::optional<std::string> path =
      platform::ResolvePackageName(folder_, fileName);
  if (!path) {
    return Refuse("hot-spot file " + Quoted(fileName) +
                  " is not a file of the working folder");
  }
  if (!Add(param::kObjSite, ParamValue(*path))) {
    return false;
  }
  auto hotNode =
      std::make_unique<ObjectConfigNode>(&node_, kHotNodeName, *path);
  // A folder cannot be opened as a file on any system (POSIX would open it
  // and fail the first read).
  const std::optional<std::uint32_t> attributes =
      platform::ReadAttributes(*path);
  const bool isFolder =
      attributes && (*attributes & platform::attr::kDirectory) != 0;
  std::unique_ptr<std::FILE, FileCloser> file(
      isFolder ? nullptr : std::fopen(path->c_str(), "rb"));
  if (file == nullptr) {
    // Destroyed here, the node takes its index row with it.
    return true;
  }
  ObjectConfigNode *hotSpot = node_.AddChild(std::move(hotNode));
  FileSource source(file.get());
  if (hotSpot->Read(&source, 0) == kReadFailed) {
    const std::optional<ReadFailure> &failure = hotSpot->GetReadFailure();
    return Refuse("hot-spot file " + Quoted(fileName) + ": " +
                  (failure ? failure->reason : "cannot be read"));
  }
  return true;
}

bool ObjectNode::SectionReader::ReadObjectFileLine(std::string_view rest) {
  const std::int32_t morphs = morphLimit_;
  const auto held = static_cast<std::int32_t>(node_.GetList().GetCount());
  if (held > morphs) {
    return Refuse("more \"VroFile\" lines than \"NumMorphs\" allows");
  }
  // The name runs to the next double quote, so that it may be quoted.
  std::string value(rest);
  TrimSpaces(value);
  if (!value.empty() && value.front() == '"') {
    value.erase(0, 1);
  }
  value.resize(std::min(value.find('"'), value.size()));
  value.resize(std::min(value.find(';'), value.size()));
  TrimSpaces(value);
  std::optional<std::string> path =
      platform::ResolvePackageName(folder_, value);
  // The built-in deformation that old scenes name as an object file is no
  // file: a saved old scene reads back without it.
  if (!path && ascii::EqualsIgnoreCase(value, kBuiltInDefinition)) {
    path = platform::PackagePathFor(folder_, value);
  }
  if (!path) {
    return Refuse("object file " + Quoted(value) +
                  " is not a file of the working folder");
  }
  AddObjectFile(std::move(*path));
  // The file one beyond the count is kept, and the count follows it, so
  // that the section is written back with every file.
  if (held + 1 > morphs) {
    (void)node_.SetParamValue(param::kNumMorphs, ParamValue(held + 1));
  }
  return true;
}

bool ObjectNode::SectionReader::ReadVersion3Line(int id, LineScanner &scan) {
  const std::string key(ParamNameOf(id));
  std::int32_t number = 0;
  float real = 0.0f;
  std::string word;
  auto needInt = [&]() {
    if (!scan.Int(number).Ok()) {
      return Refuse(Quoted(key) + ": expected a whole number");
    }
    return true;
  };
  switch (id) {
  case param::kCulling:
    if (!scan.Word(word).Ok()) {
      return Refuse(Quoted(key) + ": expected a word");
    }
    return Add(id, ParamValue(std::move(word)));
  case param::kNumMorphs:
  case param::kNumDefs:
    if (!needInt()) {
      return false;
    }
    if (number < 0) {
      return Refuse(Quoted(key) + " is negative");
    }
    (id == param::kNumMorphs ? morphLimit_ : deformationLimit_) = number;
    return Add(id, ParamValue(number));
  case param::kOType:
    if (!needInt()) {
      return false;
    }
    if (!IsObjectType(number)) {
      return Refuse(Quoted(key) + " " + std::to_string(number) +
                    " is outside 0 to 2");
    }
    return Add(id, ParamValue(number));
  case param::kGloss:
    return needInt() && Add(id, ParamValue(number));
  case param::kOlink:
    if (!needInt() || !Add(id, ParamValue(number))) {
      return false;
    }
    return number != 1 || ReadHotSpot();
  case param::kOPos:
  case param::kOAng:
  case param::kOSize: {
    Vector vector;
    auto &c = vector.components;
    if (!scan.Float(c[0]).Float(c[1]).Float(c[2]).Ok()) {
      return Refuse(Quoted(key) + ": expected three numbers");
    }
    return Add(id, ParamValue(vector));
  }
  case param::kDefScale:
    if (!scan.Float(real).Ok()) {
      return Refuse(Quoted(key) + ": expected a number");
    }
    if (!(real >= 0.0f)) {
      return Refuse(Quoted(key) + " is negative");
    }
    return Add(id, ParamValue(real));
  case param::kTColor:
  case param::kSpecCol: {
    std::array<std::int32_t, 4> bytes{};
    if (!scan.Int(bytes[0]).Int(bytes[1]).Int(bytes[2]).Int(bytes[3]).Ok()) {
      return Refuse(Quoted(key) + ": expected four whole numbers");
    }
    return Add(id, ParamValue(ColorFromInts(bytes)));
  }
  case param::kTName:
  case param::kT2Name: {
    std::string_view rest = scan.Rest();
    return AddTexture(id, rest.substr(0, rest.find('\\')), true);
  }
  case param::kT2ScaleTransRotate: {
    std::array<float, kTextureTransformIds.size()> values{};
    for (float &value : values) {
      scan.Float(value);
    }
    if (!scan.Ok()) {
      return Refuse(Quoted(key) + ": expected five numbers");
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (!Add(kTextureTransformIds[i], ParamValue(values[i]))) {
        return false;
      }
    }
    return true;
  }
  case param::kVroFile:
    return ReadObjectFileLine(scan.Rest());
  default:
    break;
  }
  // The flags.
  if (!needInt()) {
    return false;
  }
  if (!IsFlag(number)) {
    return Refuse(Quoted(key) + " " + std::to_string(number) +
                  " is not 0 or 1");
  }
  return Add(id, ParamValue(static_cast<std::uint8_t>(number)));
}

std::int64_t ObjectNode::SectionReader::ReadVersion3(std::int64_t position) {
  if (!in_.Seek(position)) {
    lineStart_ = position;
    return Fail("cannot seek to the object section");
  }
  while (true) {
    lineStart_ = in_.Tell();
    if (!ReadScannedLine(in_, line_)) {
      return lineStart_;
    }
    std::string keyword;
    LineScanner scan(line_);
    if (!scan.Word(keyword).Ok() || keyword.front() == ';') {
      continue;
    }
    const int id = ParamIdOf(keyword);
    if (id == param::kDefName) {
      if (deformations_ > deformationLimit_) {
        return Fail("more \"DefName\" sections than \"NumDefs\" allows");
      }
      std::string displayName;
      if (!scan.Word(displayName).Ok()) {
        return Fail("\"DefName\": expected the deformation's name");
      }
      const std::int64_t end = ReadDeformation(std::move(displayName));
      if (end == kReadFailed) {
        return kReadFailed;
      }
      if (deformations_ > Count(param::kNumDefs)) {
        (void)node_.SetParamValue(param::kNumDefs, ParamValue(deformations_));
      }
      if (!in_.Seek(end)) {
        return Fail("cannot seek behind the deformation");
      }
      continue;
    }
    if (!IsValueLineKeyword(id)) {
      // The first line of what follows the section.
      return lineStart_;
    }
    if (!ReadVersion3Line(id, scan)) {
      return kReadFailed;
    }
  }
}

bool ObjectNode::IsValueLineKeyword(int id) {
  return id == param::kVisible ||
         std::find(kFlagIds.begin(), kFlagIds.end(), id) != kFlagIds.end() ||
         id == param::kCulling || id == param::kNumMorphs ||
         id == param::kNumDefs || id == param::kOType || id == param::kGloss ||
         id == param::kOlink || id == param::kOPos || id == param::kOAng ||
         id == param::kOSize || id == param::kDefScale ||
         id == param::kTColor || id == param::kSpecCol || id == param::kTName ||
         id == param::kT2Name || id == param::kT2ScaleTransRotate ||
         id == param::kVroFile;
}

bool ObjectNode::TakesSectionKeyword(int id) {
  return IsValueLineKeyword(id) || id == param::kDefName ||
         id == param::kDefBand || id == param::kDefPreset ||
         id == param::kDefVrd;
}

std::int64_t ObjectNode::Read(TextSource *in, std::int64_t position,
                              bool skipTextureCheck) {
  skipTextureCheck_ = skipTextureCheck;
  return Read(in, position);
}

std::int64_t ObjectNode::Read(TextSource *in, std::int64_t position) {
  const int version = GetScriptVersion();
  if (version != 2 && version != 3) {
    return FailRead(-1,
                    "unsupported script version " + std::to_string(version));
  }
  if (in == nullptr) {
    return FailRead(position, "no script to read the object from");
  }
  SectionReader reader(*this, *in);
  return version == 2 ? reader.ReadVersion2(position)
                      : reader.ReadVersion3(position);
}

} // namespace vorafile::nodes
