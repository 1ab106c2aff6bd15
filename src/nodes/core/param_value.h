// Typed parameter values and the parameters that hold them.
//
// A parameter is an id paired with one typed value. The type codes, and the
// bytes and sizes that leave a value, are what the host and the scene files
// see: a value's bytes are its fixed-size payload in memory order, or, for a
// String, the text and its terminating NUL.
#ifndef VORAFILE_NODES_CORE_PARAM_VALUE_H
#define VORAFILE_NODES_CORE_PARAM_VALUE_H

#include "nodes/core/param_names.h"
#include "vorafile/vorafile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vorafile::nodes {

/// Value type codes. Code 9 and codes above 11 are not types: no value can
/// be given them.
enum class ValueType : std::uint32_t {
  Byte = VORA_VALUE_BYTE,
  Int = VORA_VALUE_INT,
  UInt = VORA_VALUE_UINT,
  Double = VORA_VALUE_DOUBLE,
  Float = VORA_VALUE_FLOAT,
  Block = VORA_VALUE_BLOCK,
  IntQuad = VORA_VALUE_INT_QUAD,
  Color = VORA_VALUE_COLOR,
  String = VORA_VALUE_STRING,
  Vector = VORA_VALUE_VECTOR,
  FloatQuad = VORA_VALUE_FLOAT_QUAD,
};

/// Bytes of a Block value: the whole fixed payload of the host's values.
inline constexpr std::size_t kBlockSize = 60;

struct Block {
  std::array<std::uint8_t, kBlockSize> bytes{};
  bool operator==(const Block &) const = default;
};
struct IntQuad {
  std::array<std::int32_t, 4> values{};
  bool operator==(const IntQuad &) const = default;
};
/// Red, green, blue, alpha, each from 0.0 to 1.0.
struct Color {
  std::array<float, 4> components{};
  bool operator==(const Color &) const = default;
};
/// x, y, z.
struct Vector {
  std::array<float, 3> components{};
  bool operator==(const Vector &) const = default;
};
struct FloatQuad {
  std::array<float, 4> components{};
  bool operator==(const FloatQuad &) const = default;
};

static_assert(sizeof(Block) == 60 && sizeof(IntQuad) == 16 &&
                  sizeof(Color) == 16 && sizeof(Vector) == 12 &&
                  sizeof(FloatQuad) == 16,
              "payloads are the host's value bytes");

/// The value type of a code; nothing for 9 and codes above 11.
[[nodiscard]] std::optional<ValueType> ValueTypeFromCode(std::uint32_t code);

/// Bytes that a value of this type reports and copies out; for a String
/// that is 0 here, as its size is its text's length plus 1. Invalid codes
/// give 0.
std::size_t FixedSizeOfType(std::uint32_t code);

/// One typed value. A default value is the Byte 0.
class ParamValue {
public:
  /// Alternatives in type-code order (codes 0 to 8, then 10 and 11).
  using Payload =
      std::variant<std::uint8_t, std::int32_t, std::uint32_t, double, float,
                   Block, IntQuad, Color, std::string, Vector, FloatQuad>;

  ParamValue() = default;
  /// ParamValue(45.0f) is a Float, ParamValue(std::int32_t{3}) an Int,
  /// ParamValue(std::string("abc")) a String, and so on.
  explicit ParamValue(Payload payload) : payload_(std::move(payload)) {}

  ValueType GetType() const;

  /// The size the host sees: the fixed size of the type, or for a String
  /// the text's length plus 1.
  std::size_t GetSize() const;

  /// Sets type and payload from raw host bytes. For String, `source` is a
  /// NUL-terminated text that is copied (a null pointer gives the empty
  /// text); for the other types exactly FixedSizeOfType(code) bytes are
  /// read. An invalid code, or a null source for a fixed-size type, returns
  /// false and leaves the value as it was.
  [[nodiscard]] bool Assign(std::uint32_t code, const void *source);

  /// Copies the value's GetSize() bytes to `out` (a String's text with its
  /// NUL). False, and nothing written, when `capacity` is smaller.
  [[nodiscard]] bool CopyBytes(void *out, std::size_t capacity) const;

  /// A pointer that Assign(GetType(), ...) accepts to rebuild this value:
  /// the text for a String, the payload bytes otherwise. Valid until the
  /// value changes.
  const void *GetSource() const;

  /// The payload if the value holds a T, else null.
  template <class T> const T *GetIf() const {
    return std::get_if<T>(&payload_);
  }
  /// The text of a String value; empty for every other type.
  std::string_view GetText() const;

  const Payload &GetPayload() const { return payload_; }

  bool operator==(const ParamValue &) const = default;

private:
  Payload payload_{std::uint8_t{0}};
};

/// One parameter: an id and the value it owns. A new parameter has id 275
/// ("To Be Identified") and no value.
class NodeParam {
public:
  NodeParam() = default;
  NodeParam(int id, ParamValue value) : id_(id), value_(std::move(value)) {}

  /// Records the id and makes the value from raw bytes (ParamValue::Assign).
  /// For an invalid code the id is still recorded, the value is the Byte 0,
  /// and the result is false.
  [[nodiscard]] bool Set(int id, std::uint32_t code, const void *source);

  /// Copies the value into `out` when `id` is this parameter's id and it
  /// has a value; otherwise false and `out` untouched.
  [[nodiscard]] bool Get(int id, ParamValue &out) const;
  /// Copies the value into `out`; false (untouched) when there is none.
  [[nodiscard]] bool CopyValue(ParamValue &out) const;

  /// The owned value itself; null before Set.
  const ParamValue *GetValue() const { return value_ ? &*value_ : nullptr; }
  ParamValue *GetValue() { return value_ ? &*value_ : nullptr; }

  int GetId() const { return id_; }

private:
  int id_ = param::kToBeIdentified;
  std::optional<ParamValue> value_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_PARAM_VALUE_H
