#include "nodes/core/value_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <variant>

namespace vorafile::nodes {

namespace {

// Longest text of one number: "%f" of the largest double has 309 digits
// before the point.
constexpr std::size_t kNumberBufferSize = 400;

void AppendFixed(std::string &out, double number) {
  std::array<char, kNumberBufferSize> buffer{};
  const int length = std::snprintf(buffer.data(), buffer.size(), "%f", number);
  if (length > 0) {
    out.append(buffer.data(),
               std::min(static_cast<std::size_t>(length), buffer.size() - 1));
  }
}

void AppendExponent(std::string &out, double number) {
  std::array<char, kNumberBufferSize> buffer{};
  const int length = std::snprintf(buffer.data(), buffer.size(), "%e", number);
  if (length > 0) {
    out.append(buffer.data(),
               std::min(static_cast<std::size_t>(length), buffer.size() - 1));
  }
}

template <std::size_t N>
void AppendComponents(std::string &out, const std::array<float, N> &values,
                      bool asColorBytes) {
  for (std::size_t i = 0; i < N; ++i) {
    if (i > 0) {
      out.push_back(' ');
    }
    if (asColorBytes) {
      out.append(std::to_string(ColorComponentByte(values[i])));
    } else {
      AppendFixed(out, static_cast<double>(values[i]));
    }
  }
}

} // namespace

// What cannot be converted gives the x86 "integer indefinite", as the
// player's own conversion does, instead of undefined behaviour here.
std::int32_t ColorComponentByte(float component) {
  const double product = static_cast<double>(component) * 255.0;
  if (!(product > -2147483649.0 && product < 2147483648.0)) {
    return INT32_MIN;
  }
  return static_cast<std::int32_t>(product);
}

std::string FormatValueText(const ParamValue &value, bool colorBytes) {
  std::string text;
  std::visit(
      [&text, colorBytes](const auto &payload) {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, std::uint8_t> ||
                      std::is_same_v<T, std::int32_t> ||
                      std::is_same_v<T, std::uint32_t>) {
          text = std::to_string(payload);
        } else if constexpr (std::is_same_v<T, double>) {
          AppendExponent(text, payload);
        } else if constexpr (std::is_same_v<T, float>) {
          AppendFixed(text, static_cast<double>(payload));
        } else if constexpr (std::is_same_v<T, Color>) {
          AppendComponents(text, payload.components, colorBytes);
        } else if constexpr (std::is_same_v<T, Vector> ||
                             std::is_same_v<T, FloatQuad>) {
          AppendComponents(text, payload.components, false);
        } else if constexpr (std::is_same_v<T, std::string>) {
          text = payload;
        } else {
          // Block and IntQuad have no text form.
          static_assert(std::is_same_v<T, Block> || std::is_same_v<T, IntQuad>);
        }
      },
      value.GetPayload());
  return text;
}

bool WriteValueLine(TextSink &out, std::string_view prefix,
                    const ParamValue &value, bool colorBytes) {
  std::string line;
  if (!prefix.empty()) {
    line.append(prefix);
    line.push_back('\t');
  }
  line.append(FormatValueText(value, colorBytes));
  if (line.size() > kMaxLineLength - 1) {
    line.resize(kMaxLineLength - 1);
  }
  line.push_back('\n');
  (void)out.Write(line);
  return true;
}

bool WriteValue(TextSink &out, const ParamValue &value) {
  return WriteValueLine(out, {}, value, true);
}

bool WriteTextLine(TextSink &out, std::string_view text) {
  return WriteValue(out, ParamValue(std::string(text)));
}

} // namespace vorafile::nodes
