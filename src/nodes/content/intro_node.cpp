#include "nodes/content/intro_node.h"

#include "nodes/content/text_helpers.h"
#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/installation_names.h"

#include <array>
#include <cstring>
#include <string>

namespace vorafile::nodes {

namespace {

constexpr const char *kSection = "Introduction";
// Values are read into buffers of the path limit.
constexpr std::size_t kValueCapacity = platform::kMaxPath;

enum class Layout : std::uint8_t {
  Decimal,   // atoi
  Flag,      // atoi, any nonzero number reads as 1
  Time,      // atoi, below 1000 reads as 1000
  ColorText, // "r,g,b"
  FontText,  // sixteen fields
  Picture,   // a file name in the working folder
  Cursor,    // the same, but a folder counts as found
  Text,      // as is
  Rect,      // "x,y,width,height"
};

struct IntroKey {
  const char *key;
  int id;
  ValueType type;
  const char *defaultText; // null: the product's web address
  Layout layout;
};

constexpr std::array<IntroKey, kIntroKeyCount> kKeys = {{
    {"Version", 277, ValueType::Int, "0", Layout::Decimal},
    {"OnOff", 232, ValueType::Byte, "0", Layout::Flag},
    {"Mode", 70, ValueType::UInt, "0", Layout::Decimal},
    {"Time", 77, ValueType::Int, "0", Layout::Time},
    {"BkgColor", 44, ValueType::Color, "0,0,0", Layout::ColorText},
    {"TextColor", 75, ValueType::Color, "0,0,255", Layout::ColorText},
    {"TextColorHot", 62, ValueType::Color, "255,0,0", Layout::ColorText},
    {"TextFontInfo", 76, ValueType::Block,
     "1.0,0.1,-11,0,0,0,500,0,0,0,0,3,2,1,34,Arial", Layout::FontText},
    {"Cover", 39, ValueType::String, "", Layout::Picture},
    {"CoverLoc", 40, ValueType::IntQuad, "0,0,256,256", Layout::Rect},
    {"Logo", 65, ValueType::String, "", Layout::Picture},
    {"LogoLoc", 66, ValueType::IntQuad, "467,3,40,40", Layout::Rect},
    {"Banner", 45, ValueType::String, "", Layout::Picture},
    {"BannerLoc", 46, ValueType::IntQuad, "256,195,256,64", Layout::Rect},
    {"AlbumLink", 41, ValueType::String, nullptr, Layout::Text},
    {"LogoLink", 67, ValueType::String, nullptr, Layout::Text},
    {"BannerLink", 47, ValueType::String, nullptr, Layout::Text},
    {"CursorLink", 61, ValueType::String, "", Layout::Cursor},
    {"CursorNormal", 71, ValueType::String, "", Layout::Cursor},
    {"Title", 78, ValueType::String, "", Layout::Text},
    {"TitleLoc", 79, ValueType::IntQuad, "260,35,248,14", Layout::Rect},
    {"To", 80, ValueType::String, "", Layout::Text},
    {"ToLoc", 81, ValueType::IntQuad, "260,55,248,14", Layout::Rect},
    {"Message", 68, ValueType::String, "", Layout::Text},
    {"MessageLoc", 69, ValueType::IntQuad, "260,75,248,79", Layout::Rect},
    {"From", 56, ValueType::String, "", Layout::Text},
    {"FromLoc", 57, ValueType::IntQuad, "260,160,248,14", Layout::Rect},
    {"Date", 52, ValueType::String, "", Layout::Text},
    {"DateLoc", 53, ValueType::IntQuad, "260,180,248,14", Layout::Rect},
    {"GenreID", 60, ValueType::Int, "0", Layout::Decimal},
    {"Genre", 58, ValueType::String, "", Layout::Text},
    {"GenreLoc", 59, ValueType::IntQuad, "260,35,200,14", Layout::Rect},
    {"Song", 73, ValueType::String, "", Layout::Text},
    {"SongLoc", 74, ValueType::IntQuad, "260,55,248,14", Layout::Rect},
    {"Artist", 42, ValueType::String, "", Layout::Text},
    {"ArtistLoc", 43, ValueType::IntQuad, "260,75,248,14", Layout::Rect},
    {"Album", 37, ValueType::String, "", Layout::Text},
    {"AlbumLoc", 38, ValueType::IntQuad, "260,95,248,14", Layout::Rect},
    {"Link", 63, ValueType::String, "", Layout::Text},
    {"LinkLoc", 64, ValueType::IntQuad, "260,115,248,14", Layout::Rect},
    {"Email", 54, ValueType::String, "", Layout::Text},
    {"EmailLoc", 55, ValueType::IntQuad, "260,135,248,14", Layout::Rect},
    {"Comments", 48, ValueType::String, "", Layout::Text},
    {"CommentsLoc", 49, ValueType::IntQuad, "260,155,248,25", Layout::Rect},
    {"YearCopyRight", 50, ValueType::String, "", Layout::Text},
    {"YearCopyRightLoc", 51, ValueType::IntQuad, "260,180,248,14",
     Layout::Rect},
}};

// The stored path of a picture or cursor key: the working folder and the
// name, or "" when that names nothing usable.
std::string ResolveStoredPath(const std::string &folder,
                              const std::string &name, Layout layout) {
  std::string path = folder + name;
  std::optional<std::uint32_t> attributes;
  if (name.empty()) {
    attributes = platform::ReadAttributes(path);
  } else if (std::optional<std::string> found =
                 platform::FindInFolder(folder, name)) {
    attributes = platform::ReadAttributes(path = *found);
  }
  if (!attributes) {
    return {};
  }
  if (layout == Layout::Picture && *attributes == platform::attr::kDirectory) {
    return {};
  }
  return path;
}

std::optional<ParamValue> ConvertKeyValue(const IntroKey &key,
                                          const std::string &text,
                                          const std::string &folder) {
  switch (key.layout) {
  case Layout::Decimal:
    if (key.type == ValueType::UInt) {
      return ParamValue(static_cast<std::uint32_t>(TextToInt(text)));
    }
    return ParamValue(TextToInt(text));
  case Layout::Flag:
    return ParamValue(static_cast<std::uint8_t>(TextToInt(text) != 0));
  case Layout::Time:
    return ParamValue(std::max(TextToInt(text), std::int32_t{1000}));
  case Layout::ColorText: {
    Color color;
    if (!ParseColor(text, color)) {
      return std::nullopt;
    }
    return ParamValue(color);
  }
  case Layout::FontText: {
    Block font;
    if (!ParseFontInfo(text, font)) {
      return std::nullopt;
    }
    return ParamValue(font);
  }
  case Layout::Rect: {
    IntQuad quad;
    if (!ParseRect(text, quad)) {
      return std::nullopt;
    }
    return ParamValue(quad);
  }
  case Layout::Picture:
  case Layout::Cursor:
    return ParamValue(ResolveStoredPath(folder, text, key.layout));
  case Layout::Text:
    return ParamValue(text);
  }
  return std::nullopt;
}

std::optional<std::string> FormatKeyValue(const IntroKey &key,
                                          const ParamValue &value) {
  if (value.GetType() != key.type) {
    return std::nullopt;
  }
  switch (key.layout) {
  case Layout::Decimal:
  case Layout::Flag:
  case Layout::Time:
    if (const auto *i = value.GetIf<std::int32_t>()) {
      return std::to_string(*i);
    }
    if (const auto *u = value.GetIf<std::uint32_t>()) {
      return std::to_string(static_cast<std::int32_t>(*u));
    }
    if (const auto *b = value.GetIf<std::uint8_t>()) {
      return std::to_string(*b);
    }
    return std::nullopt;
  case Layout::ColorText:
    return FormatColor(*value.GetIf<Color>());
  case Layout::FontText:
    return FormatFontInfo(*value.GetIf<Block>());
  case Layout::Rect:
    return FormatRect(*value.GetIf<IntQuad>());
  case Layout::Picture:
  case Layout::Cursor:
    return FileNameOf(value.GetText());
  case Layout::Text:
    return QuoteIniValue(value.GetText());
  }
  return std::nullopt;
}

bool IsKnownVersion(int version) {
  return version == 2 || version == 3;
}

} // namespace

IntroNode::IntroNode(SceneNode *parent, std::string_view name)
    : SceneNode(name) {
  SetNodeType(Kind::Intro);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
}

IntroNode::IntroNode(SceneNode *parent, std::string_view name, std::int32_t id)
    : IntroNode(parent, name) {
  AddParamValue(kParamIdIntroId, ParamValue(id));
}

std::int64_t IntroNode::Read(TextSource * /*in*/, std::int64_t /*position*/) {
  if (!IsKnownVersion(GetScriptVersion())) {
    return kReadFailed;
  }
  std::optional<std::string> iniFile = GetTextParam(kParamIdIniFileName);
  if (!iniFile) {
    return kReadFailed;
  }
  std::optional<std::string_view> folderView = GetFolder();
  const std::string folder(folderView.value_or(""));
  std::vector<platform::IniQuery> queries;
  queries.reserve(kKeys.size());
  for (const IntroKey &key : kKeys) {
    queries.push_back(
        {key.key, key.defaultText != nullptr
                      ? key.defaultText
                      : std::string(installation::kProductWebAddress)});
  }
  const std::vector<std::string> texts =
      platform::ReadIniStrings(*iniFile, kSection, queries, kValueCapacity);
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    std::optional<ParamValue> value =
        ConvertKeyValue(kKeys[i], texts[i], folder);
    if (!value || !AddParamValue(kKeys[i].id, *value)) {
      return kReadFailed;
    }
  }
  return 1;
}

bool IntroNode::Write(TextSink * /*out*/) {
  if (!IsKnownVersion(GetScriptVersion())) {
    return false;
  }
  std::optional<std::string> iniFile = GetTextParam(kParamIdIniFileName);
  if (!iniFile) {
    return false;
  }
  // The section is written anew in one rewrite of the file. A missing
  // value, or one that cannot be written (a line break in a text), ends the
  // section there, with the keys before it, as a write key by key would.
  std::vector<platform::IniEntry> entries;
  bool complete = true;
  for (const IntroKey &key : kKeys) {
    ParamValue value;
    std::optional<std::string> text;
    if (GetParamValue(key.id, value)) {
      text = FormatKeyValue(key, value);
    }
    if (!text || !platform::IsWritableIniValue(*text)) {
      complete = false;
      break;
    }
    entries.push_back({key.key, std::move(*text)});
  }
  const bool written = platform::ReplaceIniSection(*iniFile, kSection, entries);
  return platform::FlushIniFile(*iniFile) && written && complete;
}

} // namespace vorafile::nodes
