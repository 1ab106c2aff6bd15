#include "nodes/content/text_helpers.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/param_names.h"
#include "nodes/core/value_writer.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace vorafile::nodes {

namespace {

// Face names of logical-font records hold 31 characters and a terminator.
constexpr std::size_t kFaceNameOffset = 28;
constexpr std::size_t kFaceNameCapacity = 32;
constexpr std::size_t kFontFieldCount = 16;

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    if (end > start) {
      fields.push_back(text.substr(start, end - start));
    }
    start = end + 1;
  }
  return fields;
}

float TextToFloat(std::string_view text) {
  // strtof needs a terminated text; fields are short.
  std::string copy(text);
  return std::strtof(copy.c_str(), nullptr);
}

void PutInt32(Block &block, std::size_t offset, std::int32_t value) {
  std::memcpy(block.bytes.data() + offset, &value, sizeof value);
}

std::int32_t GetInt32(const Block &block, std::size_t offset) {
  std::int32_t value = 0;
  std::memcpy(&value, block.bytes.data() + offset, sizeof value);
  return value;
}

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Format(const char *format, ...) {
  char buffer[64];
  std::va_list args;
  va_start(args, format);
  // The analyzer loses va_start through std::va_list (a known false alarm).
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length < 0) {
    return {};
  }
  return std::string(
      buffer, std::min(static_cast<std::size_t>(length), sizeof buffer - 1));
}

} // namespace

std::int32_t TextToInt(std::string_view text) {
  std::int32_t value = 0;
  LineScanner(text).Int(value);
  return value;
}

bool ParseColor(std::string_view text, Color &color) {
  std::vector<std::string_view> fields = SplitFields(text);
  if (fields.size() < 3) {
    return false;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    color.components[i] =
        static_cast<float>(TextToInt(fields[i])) * kColorByteScale;
  }
  color.components[3] = 0.0f;
  return true;
}

std::string FormatColor(const Color &color) {
  return Format("%d,%d,%d", ColorComponentByte(color.components[0]),
                ColorComponentByte(color.components[1]),
                ColorComponentByte(color.components[2]));
}

bool ParseRect(std::string_view text, IntQuad &quad) {
  std::vector<std::string_view> fields = SplitFields(text);
  if (fields.size() < 4) {
    return false;
  }
  const std::int64_t x = TextToInt(fields[0]);
  const std::int64_t y = TextToInt(fields[1]);
  auto clamp = [](std::int64_t v) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
  };
  quad.values = {clamp(x), clamp(y), clamp(x + TextToInt(fields[2])),
                 clamp(y + TextToInt(fields[3]))};
  return true;
}

std::string FormatRect(const IntQuad &quad) {
  const auto &v = quad.values;
  // Widths are computed wide: a hostile rectangle must not overflow.
  return Format("%d,%d,%lld,%lld", v[0], v[1],
                static_cast<long long>(v[2]) - v[0],
                static_cast<long long>(v[3]) - v[1]);
}

bool ParseFontInfo(std::string_view text, Block &block) {
  std::vector<std::string_view> fields = SplitFields(text);
  if (fields.size() < kFontFieldCount) {
    return false;
  }
  Block font;
  for (std::size_t i = 0; i < 5; ++i) {
    PutInt32(font, i * 4, TextToInt(fields[2 + i]));
  }
  for (std::size_t i = 0; i < 8; ++i) {
    font.bytes[20 + i] = static_cast<std::uint8_t>(TextToInt(fields[7 + i]));
  }
  std::string_view face =
      fields[15].substr(0, std::min(fields[15].size(), kFaceNameCapacity - 1));
  std::memcpy(font.bytes.data() + kFaceNameOffset, face.data(), face.size());
  block = font;
  return true;
}

std::string FormatFontInfo(const Block &block) {
  std::string text = Format("%f,%f,", 1.0, 0.1);
  text += Format("%d,%d,", GetInt32(block, 0), GetInt32(block, 4));
  text += Format("%d,%d,%d,", GetInt32(block, 8), GetInt32(block, 12),
                 GetInt32(block, 16));
  const auto &b = block.bytes;
  text += Format("%d,%d,%d,", b[20], b[21], b[22]);
  text += Format("%d,%d,%d,", b[23], b[24], b[25]);
  text += Format("%d,%d,", b[26], b[27]);
  const char *face = reinterpret_cast<const char *>(b.data() + kFaceNameOffset);
  text.append(face, strnlen(face, kFaceNameCapacity));
  return text;
}

bool ParseVector(std::string_view text, Vector &vector) {
  std::vector<std::string_view> fields = SplitFields(text);
  if (fields.size() < 3) {
    return false;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    vector.components[i] = TextToFloat(fields[i]);
  }
  return true;
}

Color ColorFromBytes(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                     std::uint8_t a) {
  Color color;
  color.components = {static_cast<float>(r) * kColorByteScale,
                      static_cast<float>(g) * kColorByteScale,
                      static_cast<float>(b) * kColorByteScale,
                      static_cast<float>(a) * kColorByteScale};
  return color;
}

int FlagFromFloat(float value, std::uint8_t &out) {
  if (value == 1.0f) {
    out = 1;
    return 1;
  }
  if (value == 0.0f) {
    out = 0;
    return 0;
  }
  return -1;
}

void TrimSpaces(std::string &text) {
  std::size_t end = text.size();
  while (end > 0 && IsScanBlank(text[end - 1])) {
    --end;
  }
  std::size_t start = 0;
  while (start < end && IsScanBlank(text[start])) {
    ++start;
  }
  text = text.substr(start, end - start);
}

std::string QuoteIniValue(std::string_view value) {
  const bool blankAtEnd = !value.empty() && (IsScanBlank(value.front()) ||
                                             IsScanBlank(value.back()));
  const bool inQuotes = value.size() >= 2 && value.front() == value.back() &&
                        (value.front() == '"' || value.front() == '\'');
  if (!blankAtEnd && !inQuotes) {
    return std::string(value);
  }
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted.append(1, '"').append(value).append(1, '"');
  return quoted;
}

std::string FileNameOf(std::string_view path) {
  std::size_t cut = path.find_last_of("/\\:");
  return std::string(cut == std::string_view::npos ? path
                                                   : path.substr(cut + 1));
}

bool FileExistsInFolder(const std::string &folder, std::string_view name) {
  if (name.empty()) {
    return platform::PathExists(folder);
  }
  return platform::ResolvePackageName(folder, name).has_value();
}

bool ResolveImageFile(const std::string &folder, std::string &name) {
  for (char cut : {';', '\n', '\t'}) {
    if (std::size_t at = name.find(cut); at != std::string::npos) {
      name.erase(at);
    }
  }
  while (!name.empty() && name.back() == ' ') {
    name.pop_back();
  }
  if (FileExistsInFolder(folder, name)) {
    return true;
  }

  // The other picture format of the same base name.
  std::size_t dot = name.find_last_of('.');
  std::size_t slash = name.find_last_of("/\\:");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return false;
  }
  std::string_view extension = std::string_view(name).substr(dot);
  const char *replacement = nullptr;
  if (ascii::EqualsIgnoreCase(extension, ".jpg")) {
    replacement = ".bmp";
  } else if (ascii::EqualsIgnoreCase(extension, ".bmp")) {
    replacement = ".jpg";
  } else {
    return false;
  }
  std::string candidate = name.substr(0, dot) + replacement;
  if (!FileExistsInFolder(folder, candidate)) {
    return false;
  }
  std::size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
  name = candidate.substr(baseStart);
  return true;
}

} // namespace vorafile::nodes
