#include "value_text.h"

#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "platform/ascii.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vorafile::cli {

namespace {

using nodes::ValueType;

constexpr std::pair<ValueType, std::string_view> kTypeNames[] = {
    {ValueType::Byte, "Byte"},           {ValueType::Int, "Int"},
    {ValueType::UInt, "UInt"},           {ValueType::Double, "Double"},
    {ValueType::Float, "Float"},         {ValueType::Block, "Block"},
    {ValueType::IntQuad, "IntQuad"},     {ValueType::Color, "Color"},
    {ValueType::String, "String"},       {ValueType::Vector, "Vector"},
    {ValueType::FloatQuad, "FloatQuad"},
};

std::string Number(double value) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

// The shortest text that reads back as the same float: 0.65, not
// 0.649999976.
std::string Number(float value) {
  char text[32];
  for (int digits = 6; digits <= 9; ++digits) {
    (void)std::snprintf(text, sizeof text, "%.*g", digits,
                        static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) {
      break;
    }
  }
  return text;
}

template <class T, std::size_t N>
std::string Join(const std::array<T, N> &values) {
  std::string text;
  for (const T &value : values) {
    if (!text.empty()) {
      text += ' ';
    }
    if constexpr (std::is_floating_point_v<T>) {
      text += Number(value);
    } else {
      text += std::to_string(value);
    }
  }
  return text;
}

// The logical-font record that the introduction page's font text fills:
// five 32-bit fields (height, width, escapement, orientation, weight), eight
// flag bytes from italic on, then the face name.
constexpr std::size_t kFontHeightOffset = 0;
constexpr std::size_t kFontWeightOffset = 16;
constexpr std::size_t kFontItalicOffset = 20;
constexpr std::size_t kFontFaceOffset = 28;
constexpr std::size_t kFontFaceCapacity = 32;

std::int32_t BlockInt32(const nodes::Block &block, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(block.bytes[offset + i]) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

std::string FormatFont(const nodes::Block &block) {
  const auto *face =
      reinterpret_cast<const char *>(block.bytes.data() + kFontFaceOffset);
  std::string text(face, strnlen(face, kFontFaceCapacity));
  text += ", height " + std::to_string(BlockInt32(block, kFontHeightOffset));
  text += ", weight " + std::to_string(BlockInt32(block, kFontWeightOffset));
  text += block.bytes[kFontItalicOffset] != 0 ? ", italic" : ", upright";
  return text;
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

bool SamePathCharacter(char a, char b) {
  return (IsSeparator(a) && IsSeparator(b)) ||
         ascii::ToLower(a) == ascii::ToLower(b);
}

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of(" ,\t", at);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    if (end > at) {
      fields.push_back(text.substr(at, end - at));
    }
    at = end + 1;
  }
  return fields;
}

template <class T> std::optional<T> ParseInteger(std::string_view text) {
  T value{};
  auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> ParseReal(std::string_view text) {
  std::string copy(text);
  char *end = nullptr;
  double value = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size()) {
    return std::nullopt;
  }
  return value;
}

template <class T, std::size_t N>
std::optional<std::array<T, N>> ParseArray(std::string_view text) {
  std::vector<std::string_view> fields = Fields(text);
  if (fields.size() != N) {
    return std::nullopt;
  }
  std::array<T, N> values{};
  for (std::size_t i = 0; i < N; ++i) {
    if constexpr (std::is_floating_point_v<T>) {
      std::optional<double> value = ParseReal(fields[i]);
      if (!value) {
        return std::nullopt;
      }
      values[i] = static_cast<T>(*value);
    } else {
      std::optional<T> value = ParseInteger<T>(fields[i]);
      if (!value) {
        return std::nullopt;
      }
      values[i] = *value;
    }
  }
  return values;
}

} // namespace

std::optional<ValueType> ValueTypeFromText(std::string_view text) {
  for (const auto &[type, name] : kTypeNames) {
    if (ascii::EqualsIgnoreCase(name, text) ||
        text == std::to_string(static_cast<std::uint32_t>(type))) {
      return type;
    }
  }
  return std::nullopt;
}

std::string_view ValueTypeName(ValueType type) {
  for (const auto &[known, name] : kTypeNames) {
    if (known == type) {
      return name;
    }
  }
  return "?";
}

std::string FormatValue(const nodes::ParamValue &value) {
  const auto &payload = value.GetPayload();
  if (const auto *b = std::get_if<std::uint8_t>(&payload)) {
    return std::to_string(*b);
  }
  if (const auto *i = std::get_if<std::int32_t>(&payload)) {
    return std::to_string(*i);
  }
  if (const auto *u = std::get_if<std::uint32_t>(&payload)) {
    return std::to_string(*u);
  }
  if (const auto *d = std::get_if<double>(&payload)) {
    return Number(*d);
  }
  if (const auto *f = std::get_if<float>(&payload)) {
    return Number(*f);
  }
  if (const auto *s = std::get_if<std::string>(&payload)) {
    return *s;
  }
  if (const auto *q = std::get_if<nodes::IntQuad>(&payload)) {
    return Join(q->values);
  }
  if (const auto *c = std::get_if<nodes::Color>(&payload)) {
    return Join(c->components);
  }
  if (const auto *v = std::get_if<nodes::Vector>(&payload)) {
    return Join(v->components);
  }
  if (const auto *fq = std::get_if<nodes::FloatQuad>(&payload)) {
    return Join(fq->components);
  }
  if (const auto *block = std::get_if<nodes::Block>(&payload)) {
    std::string text;
    char hex[3];
    for (std::uint8_t byte : block->bytes) {
      (void)std::snprintf(hex, sizeof hex, "%02x", byte);
      text += hex;
    }
    return text;
  }
  return {};
}

std::optional<std::string> PathInsideFolder(std::string_view path,
                                            std::string_view folder) {
  while (!folder.empty() && IsSeparator(folder.back())) {
    folder.remove_suffix(1);
  }
  if (folder.empty() || path.size() < folder.size() ||
      !std::equal(folder.begin(), folder.end(), path.begin(),
                  SamePathCharacter)) {
    return std::nullopt;
  }
  std::string_view rest = path.substr(folder.size());
  if (!rest.empty() && !IsSeparator(rest.front())) {
    return std::nullopt; // "/w/ab" is not inside "/w/a"
  }
  while (!rest.empty() && IsSeparator(rest.front())) {
    rest.remove_prefix(1);
  }
  return std::string(rest);
}

std::string FormatAuthorValue(const nodes::ParamValue &value, int paramId,
                              std::string_view sceneFolder) {
  if (const auto *text = value.GetIf<std::string>()) {
    return PathInsideFolder(*text, sceneFolder).value_or(*text);
  }
  if (const auto *block = value.GetIf<nodes::Block>();
      block != nullptr && paramId == nodes::param::kTextFontInfo) {
    return FormatFont(*block);
  }
  return FormatValue(value);
}

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      char escaped[8];
      (void)std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

std::string FormatValueJson(const nodes::ParamValue &value) {
  switch (value.GetType()) {
  case ValueType::Byte:
  case ValueType::Int:
  case ValueType::UInt:
    return FormatValue(value);
  case ValueType::Double:
  case ValueType::Float: {
    std::string number = FormatValue(value);
    // JSON has no NaN or infinity.
    return number.find_first_of("ni") == std::string::npos ? number
                                                           : JsonString(number);
  }
  case ValueType::String:
  case ValueType::Block:
    return JsonString(FormatValue(value));
  case ValueType::IntQuad:
  case ValueType::Color:
  case ValueType::Vector:
  case ValueType::FloatQuad: {
    std::string text = FormatValue(value);
    for (char &c : text) {
      if (c == ' ') {
        c = ',';
      }
    }
    return text.find_first_of("ni") == std::string::npos
               ? "[" + text + "]"
               : JsonString(FormatValue(value));
  }
  }
  return "null";
}

std::optional<nodes::ParamValue> ParseValue(ValueType type,
                                            std::string_view text) {
  using nodes::ParamValue;
  switch (type) {
  case ValueType::Byte:
    if (auto v = ParseInteger<std::uint8_t>(text)) {
      return ParamValue(*v);
    }
    return std::nullopt;
  case ValueType::Int:
    if (auto v = ParseInteger<std::int32_t>(text)) {
      return ParamValue(*v);
    }
    return std::nullopt;
  case ValueType::UInt:
    if (auto v = ParseInteger<std::uint32_t>(text)) {
      return ParamValue(*v);
    }
    return std::nullopt;
  case ValueType::Double:
    if (auto v = ParseReal(text)) {
      return ParamValue(*v);
    }
    return std::nullopt;
  case ValueType::Float:
    if (auto v = ParseReal(text)) {
      return ParamValue(static_cast<float>(*v));
    }
    return std::nullopt;
  case ValueType::String:
    return ParamValue(std::string(text));
  case ValueType::IntQuad:
    if (auto v = ParseArray<std::int32_t, 4>(text)) {
      return ParamValue(nodes::IntQuad{*v});
    }
    return std::nullopt;
  case ValueType::Color:
    if (auto v = ParseArray<float, 4>(text)) {
      return ParamValue(nodes::Color{*v});
    }
    return std::nullopt;
  case ValueType::Vector:
    if (auto v = ParseArray<float, 3>(text)) {
      return ParamValue(nodes::Vector{*v});
    }
    return std::nullopt;
  case ValueType::FloatQuad:
    if (auto v = ParseArray<float, 4>(text)) {
      return ParamValue(nodes::FloatQuad{*v});
    }
    return std::nullopt;
  case ValueType::Block: {
    if (text.size() != 2 * nodes::kBlockSize) {
      return std::nullopt;
    }
    nodes::Block block;
    for (std::size_t i = 0; i < nodes::kBlockSize; ++i) {
      unsigned value = 0;
      auto [end, error] = std::from_chars(text.data() + 2 * i,
                                          text.data() + 2 * i + 2, value, 16);
      if (error != std::errc() || end != text.data() + 2 * i + 2) {
        return std::nullopt;
      }
      block.bytes[i] = static_cast<std::uint8_t>(value);
    }
    return ParamValue(block);
  }
  }
  return std::nullopt;
}

} // namespace vorafile::cli
