// The one way a value becomes a line of a scene file: key, tab, value text,
// line feed.
#ifndef VORAFILE_NODES_CORE_VALUE_WRITER_H
#define VORAFILE_NODES_CORE_VALUE_WRITER_H

#include "nodes/core/param_value.h"
#include "nodes/core/text_stream.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorafile::nodes {

/// A colour component as a byte of the scene files: the component times
/// 255.0 truncated toward zero; -2147483648 when the product is no 32-bit
/// integer (out of range, NaN).
std::int32_t ColorComponentByte(float component);

/// The text form of a value:
///   Byte, Int, UInt: decimal; Double: "%e"; Float: "%f" (1.5 gives
///   1.500000); Color, Vector, FloatQuad: each component "%f", joined by
///   single spaces; String: the text itself; Block and IntQuad: empty.
/// With `colorBytes` a Color's components are written as "%i" of the
/// component times 255.0 truncated toward zero (1.0 gives 255, 0.5 gives
/// 127; ColorComponentByte).
std::string FormatValueText(const ParamValue &value, bool colorBytes);

/// Writes `prefix`, a tab, the value's text and a line feed with one write;
/// with an empty prefix only the text and the line feed. A line that would
/// be longer than kMaxLineLength characters (line feed included) is cut to
/// that length, its last character the line feed, so that readers take it
/// as one line. Always true: the outcome of the write is left to the sink
/// (TextSink::HasFailed).
[[nodiscard]] bool WriteValueLine(TextSink &out, std::string_view prefix,
                                  const ParamValue &value, bool colorBytes);

/// WriteValueLine with an empty prefix and colour bytes.
[[nodiscard]] bool WriteValue(TextSink &out, const ParamValue &value);

/// Writes the text and a line feed (as a String value through WriteValue).
[[nodiscard]] bool WriteTextLine(TextSink &out, std::string_view text);

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_VALUE_WRITER_H
