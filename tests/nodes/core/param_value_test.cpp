#include "nodes/core/param_value.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

namespace vorafile::nodes {
namespace {

TEST(ParamValueTest, SizesFollowTheTypeTable) {
  struct Case {
    std::uint32_t code;
    std::size_t size;
  };
  const Case cases[] = {{0, 1},   {1, 4},   {2, 4},  {3, 8},          {4, 4},
                        {5, 60},  {6, 16},  {7, 16}, {8, 0},          {9, 0},
                        {10, 12}, {11, 16}, {12, 0}, {0xFFFFFFFFu, 0}};
  for (const Case &c : cases) {
    EXPECT_EQ(FixedSizeOfType(c.code), c.size) << "code " << c.code;
  }
  EXPECT_EQ(ParamValue(std::string("abc")).GetSize(), 4u);
  EXPECT_EQ(ParamValue(std::string()).GetSize(), 1u);
  EXPECT_EQ(ParamValue(Vector{}).GetSize(), 12u);
  EXPECT_EQ(ParamValue().GetType(), ValueType::Byte);
  EXPECT_EQ(ParamValue().GetSize(), 1u);
}

// Every fixed-size type: the bytes read by Assign are the bytes copied out,
// exactly the type's size and no more.
TEST(ParamValueTest, RawBytesRoundTripForEveryFixedType) {
  std::array<std::uint8_t, 64> source{};
  for (std::size_t i = 0; i < source.size(); ++i) {
    source[i] = static_cast<std::uint8_t>(i * 7 + 1);
  }
  for (std::uint32_t code : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 10u, 11u}) {
    ParamValue value;
    ASSERT_TRUE(value.Assign(code, source.data())) << "code " << code;
    EXPECT_EQ(static_cast<std::uint32_t>(value.GetType()), code);
    const std::size_t size = value.GetSize();
    ASSERT_EQ(size, FixedSizeOfType(code));
    std::array<std::uint8_t, 64> out{};
    out.fill(0xEE);
    ASSERT_TRUE(value.CopyBytes(out.data(), out.size()));
    EXPECT_EQ(std::memcmp(out.data(), source.data(), size), 0) << code;
    EXPECT_EQ(out[size], 0xEE) << "wrote past the size, code " << code;
  }
}

TEST(ParamValueTest, TypedPayloadsKeepTheirValues) {
  const float floatValue = 45.0f;
  ParamValue value;
  ASSERT_TRUE(value.Assign(VORA_VALUE_FLOAT, &floatValue));
  EXPECT_EQ(value, ParamValue(45.0f));
  // No conversion between types: a Float is not an Int.
  EXPECT_EQ(value.GetIf<std::int32_t>(), nullptr);

  const Color color{{1.0f, 0.5f, 0.0f, 1.0f}};
  ASSERT_TRUE(value.Assign(VORA_VALUE_COLOR, &color));
  EXPECT_EQ(value, ParamValue(color));
  EXPECT_EQ(value.GetIf<FloatQuad>(), nullptr);
}

TEST(ParamValueTest, InvalidCodesAndNullSourcesLeaveTheValue) {
  ParamValue value(std::int32_t{7});
  const std::int32_t other = 9;
  EXPECT_FALSE(value.Assign(9, &other));
  EXPECT_FALSE(value.Assign(12, &other));
  EXPECT_FALSE(value.Assign(VORA_VALUE_INT, nullptr));
  EXPECT_EQ(value, ParamValue(std::int32_t{7}));
}

TEST(ParamValueTest, StringsAreOwnedCopies) {
  char text[] = "abc";
  ParamValue value;
  ASSERT_TRUE(value.Assign(VORA_VALUE_STRING, text));
  text[0] = 'X';
  EXPECT_EQ(value.GetText(), "abc");

  auto original = std::make_unique<ParamValue>(std::string("kept"));
  const ParamValue copy = *original;
  original.reset();
  EXPECT_EQ(copy.GetText(), "kept");

  // A null text becomes the empty text, so its size and bytes stay defined.
  ASSERT_TRUE(value.Assign(VORA_VALUE_STRING, nullptr));
  EXPECT_EQ(value.GetType(), ValueType::String);
  EXPECT_EQ(value.GetSize(), 1u);
}

TEST(ParamValueTest, CopyBytesOfTextIncludesTheTerminator) {
  const ParamValue value(std::string("abc"));
  std::array<char, 8> out{};
  out.fill('#');
  EXPECT_FALSE(value.CopyBytes(out.data(), 3));
  EXPECT_EQ(out[0], '#');
  ASSERT_TRUE(value.CopyBytes(out.data(), 4));
  EXPECT_STREQ(out.data(), "abc");
  EXPECT_EQ(out[4], '#');
}

TEST(ParamValueTest, SourceRebuildsTheValue) {
  for (const ParamValue &value :
       {ParamValue(std::string("text")), ParamValue(Vector{{1, 2, 3}}),
        ParamValue(2.5), ParamValue(std::uint8_t{200})}) {
    ParamValue rebuilt;
    ASSERT_TRUE(rebuilt.Assign(static_cast<std::uint32_t>(value.GetType()),
                               value.GetSource()));
    EXPECT_EQ(rebuilt, value);
  }
}

TEST(NodeParamTest, NewParameterIsToBeIdentifiedWithoutValue) {
  const NodeParam param;
  EXPECT_EQ(param.GetId(), 275);
  EXPECT_EQ(param.GetValue(), nullptr);
  ParamValue out(std::int32_t{1});
  EXPECT_FALSE(param.CopyValue(out));
  EXPECT_FALSE(param.Get(275, out));
  EXPECT_EQ(out, ParamValue(std::int32_t{1}));
}

TEST(NodeParamTest, SetRefusesInvalidCodesButRecordsTheId) {
  const std::int32_t number = 5;
  for (std::uint32_t code : {9u, 12u}) {
    NodeParam param;
    EXPECT_FALSE(param.Set(42, code, &number));
    EXPECT_EQ(param.GetId(), 42);
    ParamValue value(std::int32_t{1});
    ASSERT_TRUE(param.CopyValue(value));
    EXPECT_EQ(value, ParamValue());
  }
}

TEST(NodeParamTest, GetCopiesOnlyForItsOwnId) {
  NodeParam param;
  ASSERT_TRUE(param.Set(160, VORA_VALUE_STRING, "CameraNode0"));
  ParamValue out(std::int32_t{1});
  EXPECT_FALSE(param.Get(161, out));
  EXPECT_EQ(out, ParamValue(std::int32_t{1}));
  ASSERT_TRUE(param.Get(160, out));
  EXPECT_EQ(out.GetText(), "CameraNode0");
  // The copy is independent of the parameter's own value.
  ASSERT_TRUE(param.GetValue()->Assign(VORA_VALUE_STRING, "changed"));
  EXPECT_EQ(out.GetText(), "CameraNode0");
}

} // namespace
} // namespace vorafile::nodes
