#include "nodes/core/param_value.h"

#include <cstring>
#include <type_traits>

namespace vorafile::nodes {

namespace {

// The payload alternatives follow the type codes: 0 to 8 at their own
// index, 10 and 11 at 9 and 10.
static_assert(
    std::is_same_v<std::variant_alternative_t<8, ParamValue::Payload>,
                   std::string> &&
        std::is_same_v<std::variant_alternative_t<9, ParamValue::Payload>,
                       Vector>,
    "payload alternatives follow the type codes");

template <class T> T ReadPayload(const void *source) {
  T value{};
  std::memcpy(&value, source, sizeof value);
  return value;
}

ParamValue::Payload PayloadFromBytes(ValueType type, const void *source) {
  switch (type) {
  case ValueType::Byte:
    return ReadPayload<std::uint8_t>(source);
  case ValueType::Int:
    return ReadPayload<std::int32_t>(source);
  case ValueType::UInt:
    return ReadPayload<std::uint32_t>(source);
  case ValueType::Double:
    return ReadPayload<double>(source);
  case ValueType::Float:
    return ReadPayload<float>(source);
  case ValueType::Block:
    return ReadPayload<Block>(source);
  case ValueType::IntQuad:
    return ReadPayload<IntQuad>(source);
  case ValueType::Color:
    return ReadPayload<Color>(source);
  case ValueType::String:
    return std::string(source ? static_cast<const char *>(source) : "");
  case ValueType::Vector:
    return ReadPayload<Vector>(source);
  case ValueType::FloatQuad:
    return ReadPayload<FloatQuad>(source);
  }
  return std::uint8_t{0};
}

} // namespace

std::optional<ValueType> ValueTypeFromCode(std::uint32_t code) {
  if (code == 9 || code > 11) {
    return std::nullopt;
  }
  return static_cast<ValueType>(code);
}

std::size_t FixedSizeOfType(std::uint32_t code) {
  const auto type = ValueTypeFromCode(code);
  if (!type) {
    return 0;
  }
  switch (*type) {
  case ValueType::Byte:
    return 1;
  case ValueType::Int:
  case ValueType::UInt:
  case ValueType::Float:
    return 4;
  case ValueType::Double:
    return 8;
  case ValueType::Block:
    return kBlockSize;
  case ValueType::IntQuad:
  case ValueType::Color:
  case ValueType::FloatQuad:
    return 16;
  case ValueType::Vector:
    return 12;
  case ValueType::String:
    return 0;
  }
  return 0;
}

ValueType ParamValue::GetType() const {
  const std::size_t index = payload_.index();
  return static_cast<ValueType>(index < 9 ? index : index + 1);
}

std::size_t ParamValue::GetSize() const {
  if (const auto *text = std::get_if<std::string>(&payload_)) {
    return text->size() + 1;
  }
  return FixedSizeOfType(static_cast<std::uint32_t>(GetType()));
}

bool ParamValue::Assign(std::uint32_t code, const void *source) {
  const auto type = ValueTypeFromCode(code);
  if (!type || (source == nullptr && *type != ValueType::String)) {
    return false;
  }
  payload_ = PayloadFromBytes(*type, source);
  return true;
}

bool ParamValue::CopyBytes(void *out, std::size_t capacity) const {
  const std::size_t size = GetSize();
  if (out == nullptr || capacity < size) {
    return false;
  }
  if (const auto *text = std::get_if<std::string>(&payload_)) {
    std::memcpy(out, text->c_str(), size);
  } else {
    std::memcpy(out, GetSource(), size);
  }
  return true;
}

const void *ParamValue::GetSource() const {
  return std::visit(
      [](const auto &payload) -> const void * {
        if constexpr (std::is_same_v<std::decay_t<decltype(payload)>,
                                     std::string>) {
          return payload.c_str();
        } else {
          return &payload;
        }
      },
      payload_);
}

std::string_view ParamValue::GetText() const {
  const auto *text = std::get_if<std::string>(&payload_);
  return text ? std::string_view(*text) : std::string_view();
}

bool NodeParam::Set(int id, std::uint32_t code, const void *source) {
  id_ = id;
  value_.emplace();
  return value_->Assign(code, source);
}

bool NodeParam::Get(int id, ParamValue &out) const {
  if (id != id_) {
    return false;
  }
  return CopyValue(out);
}

bool NodeParam::CopyValue(ParamValue &out) const {
  if (!value_) {
    return false;
  }
  out = *value_;
  return true;
}

} // namespace vorafile::nodes
