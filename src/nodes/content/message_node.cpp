#include "nodes/content/message_node.h"

#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/value_writer.h"
#include "platform/ini_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace vorafile::nodes {

namespace {

constexpr const char *kGeneralSection = "General";
constexpr const char *kMessageSection = "Message";
constexpr const char *kDataSection = "Data";
constexpr const char *kChildNamePrefix = "MessageNode";
// Values are read with buffers of the path limit, as the player reads them.
constexpr std::size_t kValueCapacity = 260;
// The fields of a data line, in order. Font to extrusion must be there;
// the effect and its number may not.
enum DataField : std::size_t {
  kFontField,
  kItalicsField,
  kRedField, // then green, blue and alpha
  kWeightField = kRedField + 4,
  kSizeField,
  kExtrusionField,
  kEffectField,
  kEffectNumberField,
};
constexpr std::size_t kRequiredDataFields = kEffectField;
constexpr std::int32_t kMaxColorByte = 255;

// The settings of section "General" other than "NumMsgs", with their
// defaults.
struct GeneralKey {
  const char *key;
  int id;
  const char *defaultText;
};
constexpr std::array<GeneralKey, 4> kGeneralKeys = {{
    {"Rate", param::kRate, "50"},
    {"AutoSwitch", param::kAutoSwitch, "0"},
    {"Fade", param::kFade, "0"},
    {"Randomize", param::kRandomize, "0"},
}};

// atof: leading blanks, then as much of a number as there is; 0 for none.
float TextToFloat(std::string_view text) {
  const std::string terminated(text);
  return std::strtof(terminated.c_str(), nullptr);
}

// "%.<decimals>f"; "%f" is six decimals.
std::string FormatNumber(int decimals, double number) {
  std::array<char, 64> buffer{};
  const int length =
      std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, number);
  if (length <= 0) {
    return {};
  }
  return std::string(buffer.data(), std::min(static_cast<std::size_t>(length),
                                             buffer.size() - 1));
}

// The fields of a data line, empty ones kept in their places: the writer
// leaves a missing value's field empty, and the fields after it must not
// move up.
std::vector<std::string_view> SplitDataLine(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t end = line.find(';');
    fields.push_back(line.substr(0, end));
    if (end == std::string_view::npos) {
      return fields;
    }
    line.remove_prefix(end + 1);
  }
}

// A text or font line of a version-2 message ends at the first ";", tab
// or line break; a carriage return counts as one, since no INI value can
// hold it and the scene is saved with its messages in an INI file.
std::string CutValueText(std::string_view line) {
  return std::string(line.substr(0, line.find_first_of(";\t\r\n")));
}

std::optional<std::uint8_t> ColorByte(std::int32_t value) {
  if (value < 0 || value > kMaxColorByte) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(value);
}

std::string MessageLabel(const SceneNode &node) {
  return "message " +
         std::to_string(node.GetParamAs<std::int32_t>(param::kId).value_or(-1));
}

std::optional<std::string> MessagesFileOf(const SceneNode *node) {
  return node != nullptr ? node->GetTextParam(param::kFileName) : std::nullopt;
}

} // namespace

// ---- MessageDataNode ------------------------------------------------------

MessageDataNode::MessageDataNode(SceneNode *parent, std::string_view name,
                                 std::int32_t number)
    : SceneNode(name) {
  SetNodeType(Kind::MessageData);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
  // A new node holds no "ID" yet: the add cannot fail.
  (void)AddParamValue(param::kId, ParamValue(number));
}

std::int64_t MessageDataNode::Read(TextSource *in, std::int64_t position) {
  const int version = GetScriptVersion();
  if (version == 2) {
    if (in == nullptr) {
      return FailRead(position, "no script to read the message from");
    }
    return ReadVersion2(*in, position);
  }
  if (version != 3) {
    return FailRead(-1,
                    "unsupported script version " + std::to_string(version));
  }
  std::optional<std::string> file = MessagesFileOf(GetParent());
  if (!file) {
    return FailRead(-1, "the messages file is not named");
  }
  const std::string key =
      std::to_string(GetParamAs<std::int32_t>(param::kId).value_or(0));
  const std::vector<platform::IniQuery> query = {{key, ""}};
  const std::vector<std::string> text =
      platform::ReadIniStrings(*file, kMessageSection, query, kValueCapacity);
  const std::vector<std::string> data =
      platform::ReadIniStrings(*file, kDataSection, query, kValueCapacity);
  return ReadValues(text.front(), data.front());
}

std::int64_t MessageDataNode::ReadValues(const std::string &text,
                                         const std::string &data) {
  const std::string label = MessageLabel(*this);
  const std::vector<std::string_view> fields =
      SplitDataLine(data.empty() ? kDefaultMessageData : data);
  if (fields.size() < kRequiredDataFields) {
    return FailRead(-1, label + ": the data line has " +
                            std::to_string(fields.size()) +
                            " fields, expected at least 9");
  }
  std::array<std::uint8_t, 4> color{};
  for (std::size_t i = 0; i < color.size(); ++i) {
    const std::int32_t value = TextToInt(fields[kRedField + i]);
    std::optional<std::uint8_t> byte = ColorByte(value);
    if (!byte) {
      return FailRead(-1, label + ": colour component " +
                              std::to_string(value) + " is outside 0 to 255");
    }
    color[i] = *byte;
  }
  const auto italics =
      static_cast<std::uint8_t>(TextToInt(fields[kItalicsField]) != 0);
  const bool added =
      AddParamValue(param::kMessage, ParamValue(text)) &&
      AddParamValue(param::kFont,
                    ParamValue(std::string(fields[kFontField]))) &&
      AddParamValue(param::kItalics, ParamValue(italics)) &&
      AddParamValue(
          param::kColor,
          ParamValue(ColorFromBytes(color[0], color[1], color[2], color[3]))) &&
      AddParamValue(param::kWeight,
                    ParamValue(TextToInt(fields[kWeightField]))) &&
      AddParamValue(param::kSize,
                    ParamValue(TextToFloat(fields[kSizeField]))) &&
      AddParamValue(param::kExtrusion,
                    ParamValue(TextToFloat(fields[kExtrusionField])));
  if (!added) {
    return FailRead(-1, label + ": a value is already set");
  }
  // An empty effect or number is no value, as the writer writes a missing
  // one, so that such a message reads back the same.
  if (fields.size() > kEffectField && !fields[kEffectField].empty() &&
      !AddParamValue(param::kMessageEffect,
                     ParamValue(std::string(fields[kEffectField])))) {
    return FailRead(-1, label + ": the effect is already set");
  }
  if (fields.size() > kEffectNumberField &&
      !fields[kEffectNumberField].empty() &&
      !AddParamValue(param::kMessageEffectNumber,
                     ParamValue(TextToFloat(fields[kEffectNumberField])))) {
    return FailRead(-1, label + ": the effect number is already set");
  }
  return 1;
}

std::int64_t MessageDataNode::ReadVersion2(TextSource &in,
                                           std::int64_t position) {
  if (!in.Seek(position)) {
    return FailRead(position, "cannot seek to the message lines");
  }
  std::string line;
  std::int64_t lineStart = position;
  auto nextLine = [&](const char *what) {
    while (true) {
      lineStart = in.Tell();
      if (!in.ReadLine(line)) {
        line.clear();
        FailRead(lineStart, std::string("the script ends before the ") + what);
        return false;
      }
      if (line.empty() || line.front() != ';') {
        return true;
      }
    }
  };
  auto fail = [&](std::string reason) {
    return FailRead(lineStart, std::move(reason));
  };

  std::int32_t msgOn = 0;
  if (!nextLine("\"MsgOn\" line")) {
    return kReadFailed;
  }
  if (!LineScanner(line).Int(msgOn).Ok()) {
    return fail("expected a whole number for \"MsgOn\"");
  }
  SceneNode *root = GetRoot();
  if (root == nullptr ||
      !root->AddParamValue(param::kMsgOn,
                           ParamValue(static_cast<std::uint8_t>(msgOn != 0)))) {
    return fail("\"MsgOn\" is already set");
  }
  if (!nextLine("message text") ||
      !AddParamValue(param::kMessage, ParamValue(CutValueText(line)))) {
    return FailRead(lineStart, "expected the message text");
  }
  float size = 0;
  if (!nextLine("message size") || !LineScanner(line).Float(size).Ok() ||
      !AddParamValue(param::kSize, ParamValue(size))) {
    return fail("expected the message size");
  }
  std::int32_t weight = 0;
  if (!nextLine("message weight") || !LineScanner(line).Int(weight).Ok() ||
      !AddParamValue(param::kWeight, ParamValue(weight))) {
    return fail("expected the message weight");
  }
  std::int32_t italics = 0;
  if (!nextLine("italics flag") || !LineScanner(line).Int(italics).Ok() ||
      !AddParamValue(param::kItalics,
                     ParamValue(static_cast<std::uint8_t>(italics != 0)))) {
    return fail("expected the italics flag");
  }
  std::array<float, 4> components{};
  if (!nextLine("message colour") || !LineScanner(line)
                                          .Float(components[0])
                                          .Float(components[1])
                                          .Float(components[2])
                                          .Float(components[3])
                                          .Ok()) {
    return fail("expected four colour components");
  }
  std::array<std::uint8_t, 4> color{};
  for (std::size_t i = 0; i < color.size(); ++i) {
    // NaN fails the range test as well.
    if (!(components[i] >= 0.0f && components[i] < 256.0f)) {
      return fail("colour component outside 0 to 255");
    }
    color[i] = static_cast<std::uint8_t>(components[i]);
  }
  if (!AddParamValue(
          param::kColor,
          ParamValue(ColorFromBytes(color[0], color[1], color[2], color[3])))) {
    return fail("the colour is already set");
  }
  float extrusion = 0;
  if (!nextLine("message extrusion") ||
      !LineScanner(line).Float(extrusion).Ok() ||
      !AddParamValue(param::kExtrusion, ParamValue(extrusion))) {
    return fail("expected the message extrusion");
  }
  if (!nextLine("message font") ||
      !AddParamValue(param::kFont, ParamValue(CutValueText(line)))) {
    return fail("expected the message font");
  }
  return in.Tell();
}

bool MessageDataNode::FormatValues(std::string &text, std::string &data) const {
  std::optional<std::string> message = GetTextParam(param::kMessage);
  // An empty text would end the list where it stands when read back.
  if (!message || message->empty()) {
    return false;
  }
  std::string line = GetTextParam(param::kFont).value_or("");
  line += ';';
  if (std::optional<std::uint8_t> italics =
          GetParamAs<std::uint8_t>(param::kItalics)) {
    line += *italics != 0 ? "1" : "0";
  }
  std::optional<Color> color = GetParamAs<Color>(param::kColor);
  for (std::size_t i = 0; i < 4; ++i) {
    line += ';';
    if (color) {
      line += std::to_string(ColorComponentByte(color->components[i]));
    }
  }
  line += ';';
  if (std::optional<std::int32_t> weight =
          GetParamAs<std::int32_t>(param::kWeight)) {
    line += std::to_string(*weight);
  }
  for (int id : {param::kSize, param::kExtrusion}) {
    line += ';';
    if (std::optional<float> number = GetParamAs<float>(id)) {
      line += FormatNumber(4, static_cast<double>(*number));
    }
  }
  line += ';';
  line += GetTextParam(param::kMessageEffect).value_or("");
  line += ';';
  if (std::optional<float> number =
          GetParamAs<float>(param::kMessageEffectNumber)) {
    line += FormatNumber(4, static_cast<double>(*number));
  }
  text = QuoteIniValue(*message);
  data = QuoteIniValue(line);
  return true;
}

bool MessageDataNode::WriteVersion2(TextSink &out) const {
  ParamValue value;
  // The reader gives the first line to the root as "MsgOn"; without
  // "Enable" the root's value goes back there, and a line is written in
  // any case so that the seven after it stay in their places.
  if (GetParamValue(param::kEnable, value) ||
      (GetRoot() != nullptr &&
       GetRoot()->GetParamValue(param::kMsgOn, value))) {
    (void)WriteValue(out, value);
  } else {
    (void)WriteTextLine(out, "0");
  }
  for (int id : {param::kMessage, param::kSize, param::kWeight, param::kItalics,
                 param::kColor, param::kExtrusion, param::kFont}) {
    if (GetParamValue(id, value)) {
      (void)WriteValue(out, value);
    }
  }
  return !out.HasFailed();
}

bool MessageDataNode::Write(TextSink *out) {
  const int version = GetScriptVersion();
  if (version == 2) {
    return out != nullptr && WriteVersion2(*out);
  }
  if (version != 3) {
    return false;
  }
  std::optional<std::string> file = MessagesFileOf(GetParent());
  if (!file) {
    return false;
  }
  std::string text;
  std::string data;
  if (!FormatValues(text, data)) {
    return true;
  }
  const std::string key =
      std::to_string(GetParamAs<std::int32_t>(param::kId).value_or(0));
  const bool written =
      platform::WriteIniString(*file, kMessageSection, key, text) &&
      platform::WriteIniString(*file, kDataSection, key, data);
  return platform::FlushIniFile(*file) && written;
}

// ---- MessageNode ------------------------------------------------------------

MessageNode::MessageNode(SceneNode *parent, std::string_view name)
    : SceneNode(name) {
  SetNodeType(Kind::Message);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
}

MessageNode::MessageNode(SceneNode *parent, std::string_view name,
                         std::string_view messagesFile)
    : MessageNode(parent, name) {
  // A new node holds no "FileName" yet: the add cannot fail.
  (void)AddParamValue(param::kFileName, ParamValue(std::string(messagesFile)));
}

std::int64_t MessageNode::Read(TextSource *in, std::int64_t position) {
  const int version = GetScriptVersion();
  if (version == 3) {
    return ReadVersion3();
  }
  if (version != 2) {
    return FailRead(-1,
                    "unsupported script version " + std::to_string(version));
  }
  // A version-2 scene has one message and no playback settings; "Fade" is
  // added with the others so that the scene saved as version 3 reads back
  // with the same values.
  const bool added =
      AddParamValue(param::kNumMsgs, ParamValue(std::int32_t{1})) &&
      AddParamValue(param::kRandomize, ParamValue(std::uint8_t{0})) &&
      AddParamValue(param::kAutoSwitch, ParamValue(std::uint8_t{0})) &&
      AddParamValue(param::kRate, ParamValue(0.0f)) &&
      AddParamValue(param::kFade, ParamValue(std::uint8_t{0}));
  if (!added) {
    return FailRead(position, "the message settings are already set");
  }
  MessageDataNode *message = AddChild(std::make_unique<MessageDataNode>(
      this, std::string(kChildNamePrefix) + "0", 0));
  const std::int64_t end = message->Read(in, position);
  if (end == kReadFailed) {
    const std::optional<ReadFailure> &failure = message->GetReadFailure();
    return FailRead(failure ? failure->position : position,
                    failure ? failure->reason : "the message cannot be read");
  }
  return end;
}

std::int64_t MessageNode::ReadVersion3() {
  OwnedFileRead read(messagesFileState_);
  std::optional<std::string> file = GetTextParam(param::kFileName);
  if (!file) {
    return FailRead(-1, "the messages file is not named");
  }
  std::vector<platform::IniQuery> queries;
  queries.reserve(kGeneralKeys.size());
  for (const GeneralKey &key : kGeneralKeys) {
    queries.push_back({key.key, key.defaultText});
  }
  const std::vector<std::string> general =
      platform::ReadIniStrings(*file, kGeneralSection, queries, kValueCapacity);
  for (std::size_t i = 0; i < kGeneralKeys.size(); ++i) {
    const GeneralKey &key = kGeneralKeys[i];
    const ParamValue value =
        key.id == param::kRate
            ? ParamValue(TextToFloat(general[i]))
            : ParamValue(static_cast<std::uint8_t>(TextToInt(general[i]) != 0));
    if (!AddParamValue(key.id, value)) {
      return FailRead(-1, std::string("\"") + key.key + "\" is already set");
    }
  }

  // The messages run from key 0 to the first key without text, so there
  // are at most as many as the section has keys; both sections are read
  // once for all of them.
  const std::size_t keyCount =
      platform::ReadIniKeys(*file, kMessageSection).size();
  queries.clear();
  for (std::size_t n = 0; n < keyCount; ++n) {
    queries.push_back({std::to_string(n), ""});
  }
  const std::vector<std::string> texts =
      platform::ReadIniStrings(*file, kMessageSection, queries, kValueCapacity);
  const std::vector<std::string> data =
      platform::ReadIniStrings(*file, kDataSection, queries, kValueCapacity);
  std::int32_t count = 0;
  for (std::size_t n = 0; n < texts.size() && !texts[n].empty(); ++n) {
    MessageDataNode *message = AddChild(std::make_unique<MessageDataNode>(
        this, kChildNamePrefix + std::to_string(n), count));
    if (message->ReadValues(texts[n], data[n]) == kReadFailed) {
      const std::optional<ReadFailure> &failure = message->GetReadFailure();
      return FailRead(-1,
                      failure ? failure->reason : "a message cannot be read");
    }
    ++count;
  }
  if (!AddParamValue(param::kNumMsgs, ParamValue(count))) {
    return FailRead(-1, "\"NumMsgs\" is already set");
  }
  read.Finish();
  return 1;
}

bool MessageNode::Write(TextSink *out) {
  const int version = GetScriptVersion();
  if (version == 3) {
    return WriteVersion3();
  }
  if (version != 2 || out == nullptr) {
    return false;
  }
  for (int i = 0;; ++i) {
    SceneNode *message = FindChild(Kind::MessageData, i);
    if (message == nullptr) {
      return true;
    }
    if (!message->Write(out)) {
      return false;
    }
  }
}

bool MessageNode::WriteVersion3() {
  std::optional<std::string> file = GetTextParam(param::kFileName);
  if (!file) {
    return false;
  }
  if (!messagesFileState_.MayRewrite()) {
    return true;
  }
  std::vector<platform::IniEntry> texts;
  std::vector<platform::IniEntry> data;
  for (int i = 0;; ++i) {
    const auto *message =
        DynCast<MessageDataNode>(FindChild(Kind::MessageData, i));
    if (message == nullptr) {
      break;
    }
    std::string text;
    std::string line;
    if (message->FormatValues(text, line)) {
      const std::string key = std::to_string(texts.size());
      texts.push_back({key, std::move(text)});
      data.push_back({key, std::move(line)});
    }
  }

  std::vector<platform::IniEntry> general;
  for (const GeneralKey &key : kGeneralKeys) {
    if (key.id == param::kRate) {
      if (std::optional<float> rate = GetParamAs<float>(key.id)) {
        general.push_back(
            {key.key, FormatNumber(6, static_cast<double>(*rate))});
      }
    } else if (std::optional<std::uint8_t> flag =
                   GetParamAs<std::uint8_t>(key.id)) {
      general.push_back({key.key, *flag != 0 ? "1" : "0"});
    }
  }
  general.push_back({"NumMsgs", std::to_string(texts.size())});

  // Checked first, so that a value that cannot be written (a line break in
  // a text) leaves the whole file as it was.
  if (!platform::IsWritableIniSection(kGeneralSection, general) ||
      !platform::IsWritableIniSection(kMessageSection, texts) ||
      !platform::IsWritableIniSection(kDataSection, data)) {
    return false;
  }
  const bool written =
      platform::ReplaceIniSection(*file, kGeneralSection, general) &&
      platform::ReplaceIniSection(*file, kMessageSection, texts) &&
      platform::ReplaceIniSection(*file, kDataSection, data);
  return platform::FlushIniFile(*file) && written;
}

} // namespace vorafile::nodes
