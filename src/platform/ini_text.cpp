#include "platform/ini_text.h"

#include "platform/ascii.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace vorafile::platform {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return {};
  }
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::string_view CutAtNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) !=
         std::string_view::npos;
}

bool IsWritableName(std::string_view name) {
  return !name.empty() && !HasLineBreakOrNul(name) && Trim(name) == name;
}

/// One line of the text as offsets: [begin, end) is its content without the
/// line break, `next` the start of the following line.
struct IniLine {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

/// Walks the lines of a text from a line start. Owns the line-break rules:
/// LF ends a line, a CR before it belongs to the break, the last line may
/// have no break. Lines have no length limit; nothing is copied.
class IniLineReader {
public:
  IniLineReader(std::string_view text, std::size_t from)
      : text_(text), position_(from) {
    if (from == 0 &&
        text_.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
      position_ = kUtf8ByteOrderMark.size();
    }
  }

  bool Next(IniLine &line) {
    if (position_ >= text_.size()) {
      return false;
    }
    line.begin = position_;
    const std::size_t feed = text_.find('\n', position_);
    if (feed == std::string_view::npos) {
      line.end = text_.size();
      line.next = text_.size();
    } else {
      line.end =
          (feed > position_ && text_[feed - 1] == '\r') ? feed - 1 : feed;
      line.next = feed + 1;
    }
    position_ = line.next;
    return true;
  }

  std::string_view Content(const IniLine &line) const {
    return text_.substr(line.begin, line.end - line.begin);
  }

private:
  std::string_view text_;
  std::size_t position_;
};

enum class IniLineKind { kBlank, kComment, kSection, kKey, kOther };

struct IniLineParts {
  IniLineKind kind = IniLineKind::kOther;
  std::string_view name;
  std::string_view value;
};

IniLineParts ClassifyLine(std::string_view content) {
  const std::string_view text = Trim(CutAtNul(content));
  IniLineParts parts;
  if (text.empty()) {
    parts.kind = IniLineKind::kBlank;
  } else if (text.front() == ';') {
    parts.kind = IniLineKind::kComment;
  } else if (const std::size_t close = text.rfind(']');
             text.front() == '[' && close != std::string_view::npos) {
    parts.kind = IniLineKind::kSection;
    parts.name = Trim(text.substr(1, close - 1));
  } else if (const std::size_t equals = text.find('=');
             equals != std::string_view::npos) {
    parts.kind = IniLineKind::kKey;
    parts.name = Trim(text.substr(0, equals));
    parts.value = Trim(text.substr(equals + 1));
  }
  return parts;
}

/// Where the first section of a name lies in the text.
struct SectionSpan {
  std::size_t headerBegin = 0; ///< start of the "[name]" line
  std::size_t bodyBegin = 0;   ///< first line after the header
  std::size_t end = 0;         ///< next header, or the end of the text
  std::size_t contentEnd = 0;  ///< after the last non-blank body line
};

std::optional<SectionSpan> FindSection(std::string_view text,
                                       std::string_view name) {
  // The lines before the first header form the section without name.
  std::optional<SectionSpan> span;
  if (name.empty()) {
    span.emplace();
  }
  IniLineReader reader(text, 0);
  IniLine line;
  while (reader.Next(line)) {
    const IniLineParts parts = ClassifyLine(reader.Content(line));
    if (parts.kind == IniLineKind::kSection) {
      if (span) {
        span->end = line.begin;
        return span;
      }
      if (ascii::EqualsIgnoreCase(parts.name, name)) {
        span.emplace();
        span->headerBegin = line.begin;
        span->bodyBegin = line.next;
        span->contentEnd = line.next;
      }
    } else if (span && parts.kind != IniLineKind::kBlank) {
      span->contentEnd = line.next;
    }
  }
  if (span) {
    span->end = text.size();
  }
  return span;
}

/// The first line of `key` within a section.
std::optional<IniLine> FindKeyLine(std::string_view text,
                                   const SectionSpan &span,
                                   std::string_view key) {
  IniLineReader reader(text, span.bodyBegin);
  IniLine line;
  while (reader.Next(line) && line.begin < span.end) {
    const IniLineParts parts = ClassifyLine(reader.Content(line));
    if (parts.kind == IniLineKind::kKey &&
        ascii::EqualsIgnoreCase(parts.name, key)) {
      return line;
    }
  }
  return std::nullopt;
}

/// The line break that new lines get: the one of the file's first line.
std::string_view LineBreakOf(std::string_view text) {
  const std::size_t feed = text.find('\n');
  if (feed == std::string_view::npos || (feed > 0 && text[feed - 1] == '\r')) {
    return "\r\n";
  }
  return "\n";
}

} // namespace

bool IsWritableIniSection(std::string_view section) {
  return IsWritableName(section);
}

bool IsWritableIniKey(std::string_view key) {
  return IsWritableName(key) && key.find('=') == std::string_view::npos &&
         key.front() != ';' && key.front() != '[';
}

bool IsWritableIniValue(std::string_view value) {
  return !HasLineBreakOrNul(value);
}

std::string IniValueReadingAs(std::string_view value) {
  if (Unquote(Trim(value)) == value) {
    return std::string(value);
  }
  // Quotes come off only as a pair around the whole trimmed value, and
  // nothing of a quoted value is trimmed.
  std::string quoted(1, '"');
  quoted += value;
  quoted += '"';
  return quoted;
}

bool IsWritableIniSection(std::string_view section,
                          const std::vector<IniEntry> &entries) {
  if (!IsWritableIniSection(section)) {
    return false;
  }
  std::set<std::string> keys;
  for (const IniEntry &entry : entries) {
    if (!IsWritableIniKey(entry.key) || !IsWritableIniValue(entry.value)) {
      return false;
    }
    std::string folded = ascii::ToLower(entry.key);
    if (!keys.insert(std::move(folded)).second) {
      return false;
    }
  }
  return true;
}

std::string ChooseIniString(const std::optional<std::string> &found,
                            std::string_view defaultValue,
                            std::size_t capacity) {
  std::string_view answer;
  if (found) {
    answer = *found;
  } else {
    answer = CutAtNul(defaultValue);
    answer = answer.substr(0, answer.find_last_not_of(' ') + 1);
    answer = Unquote(answer);
  }
  if (capacity == 0) {
    return {};
  }
  return std::string(answer.substr(0, capacity - 1));
}

std::optional<std::string> IniText::FindValue(std::string_view section,
                                              std::string_view key) const {
  const std::optional<SectionSpan> span =
      FindSection(text_, Trim(CutAtNul(section)));
  if (!span) {
    return std::nullopt;
  }
  const std::optional<IniLine> line =
      FindKeyLine(text_, *span, Trim(CutAtNul(key)));
  if (!line) {
    return std::nullopt;
  }
  const std::string_view content =
      std::string_view(text_).substr(line->begin, line->end - line->begin);
  return std::string(Unquote(ClassifyLine(content).value));
}

int IniText::FindLineNumber(std::string_view section,
                            std::string_view key) const {
  const std::optional<SectionSpan> span =
      FindSection(text_, Trim(CutAtNul(section)));
  if (!span) {
    return 0;
  }
  const std::optional<IniLine> line =
      FindKeyLine(text_, *span, Trim(CutAtNul(key)));
  if (!line) {
    return 0;
  }
  const auto breaks = std::count(
      text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(line->begin),
      '\n');
  return static_cast<int>(breaks) + 1;
}

std::vector<std::optional<std::string>>
IniText::FindValues(std::string_view section,
                    const std::vector<std::string_view> &keys) const {
  std::vector<std::optional<std::string>> values(keys.size());
  const std::optional<SectionSpan> span =
      FindSection(text_, Trim(CutAtNul(section)));
  if (!span) {
    return values;
  }
  // The first line of each name wins, as in FindKeyLine.
  std::map<std::string, std::string_view> firstValues;
  IniLineReader reader(text_, span->bodyBegin);
  IniLine line;
  while (reader.Next(line) && line.begin < span->end) {
    const IniLineParts parts = ClassifyLine(reader.Content(line));
    if (parts.kind == IniLineKind::kKey) {
      firstValues.emplace(ascii::ToLower(parts.name), parts.value);
    }
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const auto found =
        firstValues.find(ascii::ToLower(Trim(CutAtNul(keys[i]))));
    if (found != firstValues.end()) {
      values[i] = std::string(Unquote(found->second));
    }
  }
  return values;
}

std::vector<std::string> IniText::ListKeys(std::string_view section) const {
  std::vector<std::string> keys;
  const std::optional<SectionSpan> span =
      FindSection(text_, Trim(CutAtNul(section)));
  if (!span) {
    return keys;
  }
  IniLineReader reader(text_, span->bodyBegin);
  IniLine line;
  while (reader.Next(line) && line.begin < span->end) {
    const IniLineParts parts = ClassifyLine(reader.Content(line));
    if (parts.kind == IniLineKind::kKey && !parts.name.empty()) {
      keys.emplace_back(parts.name);
    }
  }
  return keys;
}

bool IniText::SetValue(std::string_view section, std::string_view key,
                       std::string_view value) {
  if (!IsWritableIniSection(section) || !IsWritableIniKey(key) ||
      !IsWritableIniValue(value)) {
    return false;
  }
  const std::string lineBreak(LineBreakOf(text_));
  const std::optional<SectionSpan> span = FindSection(text_, section);

  std::string added;
  std::size_t at = text_.size();
  if (span) {
    if (const std::optional<IniLine> line = FindKeyLine(text_, *span, key)) {
      const std::string_view content =
          std::string_view(text_).substr(line->begin, line->end - line->begin);
      const IniLineParts parts = ClassifyLine(content);
      if (parts.value == value) {
        return false;
      }
      std::string replacement(parts.name);
      replacement += '=';
      replacement += value;
      text_.replace(line->begin, line->end - line->begin, replacement);
      return true;
    }
    at = span->contentEnd;
  } else {
    added = "[";
    added += section;
    added += ']';
    added += lineBreak;
  }
  added += key;
  added += '=';
  added += value;
  added += lineBreak;
  // The last line of a file may lack its break; give it one first.
  if (at > 0 && text_[at - 1] != '\n') {
    added.insert(0, lineBreak);
  }
  text_.insert(at, added);
  return true;
}

bool IniText::DeleteKey(std::string_view section, std::string_view key) {
  if (!IsWritableIniSection(section) || !IsWritableIniKey(key)) {
    return false;
  }
  const std::optional<SectionSpan> span = FindSection(text_, section);
  if (!span) {
    return false;
  }
  const std::optional<IniLine> line = FindKeyLine(text_, *span, key);
  if (!line) {
    return false;
  }
  text_.erase(line->begin, line->next - line->begin);
  return true;
}

bool IniText::DeleteSection(std::string_view section) {
  if (!IsWritableIniSection(section)) {
    return false;
  }
  const std::optional<SectionSpan> span = FindSection(text_, section);
  if (!span) {
    return false;
  }
  text_.erase(span->headerBegin, span->end - span->headerBegin);
  return true;
}

bool IniText::ReplaceSection(std::string_view section,
                             const std::vector<IniEntry> &entries) {
  if (!IsWritableIniSection(section, entries)) {
    return false;
  }
  while (DeleteSection(section)) {
  }
  if (entries.empty()) {
    return true;
  }
  const std::string lineBreak(LineBreakOf(text_));
  std::string added;
  // The last line of a file may lack its break; give it one first.
  if (!text_.empty() && text_.back() != '\n') {
    added = lineBreak;
  }
  added += '[';
  added += section;
  added += ']';
  added += lineBreak;
  for (const IniEntry &entry : entries) {
    added += entry.key;
    added += '=';
    added += entry.value;
    added += lineBreak;
  }
  text_ += added;
  return true;
}

} // namespace vorafile::platform
