#include "nodes/content/intro_node.h"

#include "nodes/content/text_helpers.h"
#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/installation_names.h"
#include "platform/package_name.h"

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
    {"Version", param::kVersion, ValueType::Int, "0", Layout::Decimal},
    {"OnOff", param::kShowIntro, ValueType::Byte, "0", Layout::Flag},
    {"Mode", param::kMode, ValueType::UInt, "0", Layout::Decimal},
    {"Time", param::kTime, ValueType::Int, "0", Layout::Time},
    {"BkgColor", param::kBkgColor, ValueType::Color, "0,0,0",
     Layout::ColorText},
    {"TextColor", param::kTextColor, ValueType::Color, "0,0,255",
     Layout::ColorText},
    {"TextColorHot", param::kTextColorHot, ValueType::Color, "255,0,0",
     Layout::ColorText},
    {"TextFontInfo", param::kTextFontInfo, ValueType::Block,
     "1.0,0.1,-11,0,0,0,500,0,0,0,0,3,2,1,34,Arial", Layout::FontText},
    {"Cover", param::kCover, ValueType::String, "", Layout::Picture},
    {"CoverLoc", param::kCoverLoc, ValueType::IntQuad, "0,0,256,256",
     Layout::Rect},
    {"Logo", param::kLogo, ValueType::String, "", Layout::Picture},
    {"LogoLoc", param::kLogoLoc, ValueType::IntQuad, "467,3,40,40",
     Layout::Rect},
    {"Banner", param::kBanner, ValueType::String, "", Layout::Picture},
    {"BannerLoc", param::kBannerLoc, ValueType::IntQuad, "256,195,256,64",
     Layout::Rect},
    {"AlbumLink", param::kAlbumLink, ValueType::String, nullptr, Layout::Text},
    {"LogoLink", param::kLogoLink, ValueType::String, nullptr, Layout::Text},
    {"BannerLink", param::kBannerLink, ValueType::String, nullptr,
     Layout::Text},
    {"CursorLink", param::kCursorLink, ValueType::String, "", Layout::Cursor},
    {"CursorNormal", param::kCursorNormal, ValueType::String, "",
     Layout::Cursor},
    {"Title", param::kTitle, ValueType::String, "", Layout::Text},
    {"TitleLoc", param::kTitleLoc, ValueType::IntQuad, "260,35,248,14",
     Layout::Rect},
    {"To", param::kTo, ValueType::String, "", Layout::Text},
    {"ToLoc", param::kToLoc, ValueType::IntQuad, "260,55,248,14", Layout::Rect},
    {"Message", param::kIntroMessage, ValueType::String, "", Layout::Text},
    {"MessageLoc", param::kMessageLoc, ValueType::IntQuad, "260,75,248,79",
     Layout::Rect},
    {"From", param::kFrom, ValueType::String, "", Layout::Text},
    {"FromLoc", param::kFromLoc, ValueType::IntQuad, "260,160,248,14",
     Layout::Rect},
    {"Date", param::kDate, ValueType::String, "", Layout::Text},
    {"DateLoc", param::kDateLoc, ValueType::IntQuad, "260,180,248,14",
     Layout::Rect},
    {"GenreID", param::kGenreId, ValueType::Int, "0", Layout::Decimal},
    {"Genre", param::kGenre, ValueType::String, "", Layout::Text},
    {"GenreLoc", param::kGenreLoc, ValueType::IntQuad, "260,35,200,14",
     Layout::Rect},
    {"Song", param::kSong, ValueType::String, "", Layout::Text},
    {"SongLoc", param::kSongLoc, ValueType::IntQuad, "260,55,248,14",
     Layout::Rect},
    {"Artist", param::kArtist, ValueType::String, "", Layout::Text},
    {"ArtistLoc", param::kArtistLoc, ValueType::IntQuad, "260,75,248,14",
     Layout::Rect},
    {"Album", param::kAlbum, ValueType::String, "", Layout::Text},
    {"AlbumLoc", param::kAlbumLoc, ValueType::IntQuad, "260,95,248,14",
     Layout::Rect},
    {"Link", param::kLink, ValueType::String, "", Layout::Text},
    {"LinkLoc", param::kLinkLoc, ValueType::IntQuad, "260,115,248,14",
     Layout::Rect},
    {"Email", param::kEmail, ValueType::String, "", Layout::Text},
    {"EmailLoc", param::kEmailLoc, ValueType::IntQuad, "260,135,248,14",
     Layout::Rect},
    {"Comments", param::kComments, ValueType::String, "", Layout::Text},
    {"CommentsLoc", param::kCommentsLoc, ValueType::IntQuad, "260,155,248,25",
     Layout::Rect},
    {"YearCopyRight", param::kYearCopyRight, ValueType::String, "",
     Layout::Text},
    {"YearCopyRightLoc", param::kYearCopyRightLoc, ValueType::IntQuad,
     "260,180,248,14", Layout::Rect},
}};

// The stored path of a picture or cursor key: the working folder and the
// name, or "" when that names nothing usable. Names go through the package
// name resolver, so one that leaves the working folder is a missing file.
std::string ResolveStoredPath(const std::string &folder,
                              const std::string &name, Layout layout) {
  std::string path = folder + name;
  std::optional<std::uint32_t> attributes;
  if (name.empty()) {
    attributes = platform::ReadAttributes(path);
  } else if (std::optional<std::string> found =
                 platform::ResolvePackageName(folder, name)) {
    attributes = platform::ReadAttributes(path = *found);
  }
  if (!attributes) {
    // A cursor that names no file is no cursor, as an empty name is: both
    // store the folder. Storing "" would be written as an empty name, which
    // reads back as the folder, so a second save would differ from the first.
    return layout == Layout::Cursor ? folder : std::string{};
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
  // A new node holds no "ID" yet: the add cannot fail.
  (void)AddParamValue(param::kId, ParamValue(id));
}

std::int64_t IntroNode::Read(TextSource * /*in*/, std::int64_t /*position*/) {
  OwnedFileRead read(iniFileState_);
  if (!IsKnownVersion(GetScriptVersion())) {
    return kReadFailed;
  }
  std::optional<std::string> iniFile = GetTextParam(param::kIniFileName);
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
  read.Finish();
  return 1;
}

bool IntroNode::Write(TextSink * /*out*/) {
  if (!IsKnownVersion(GetScriptVersion())) {
    return false;
  }
  std::optional<std::string> iniFile = GetTextParam(param::kIniFileName);
  if (!iniFile) {
    return false;
  }
  if (!iniFileState_.MayRewrite()) {
    return true;
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
