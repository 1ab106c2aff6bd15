#include "nodes/core/value_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vorafile::nodes {
namespace {

std::string LineOf(std::string_view prefix, const ParamValue &value,
                   bool colorBytes) {
  StringSink sink;
  EXPECT_TRUE(WriteValueLine(sink, prefix, value, colorBytes));
  return sink.GetText();
}

// One golden line per value type.
TEST(ValueWriterTest, GoldenLinesForEveryType) {
  Block block;
  block.bytes.fill(0x41);
  struct Case {
    ParamValue value;
    std::string line;
  };
  const Case cases[] = {
      {ParamValue(std::uint8_t{255}), "Key\t255\n"},
      {ParamValue(std::int32_t{-2147483647 - 1}), "Key\t-2147483648\n"},
      {ParamValue(std::uint32_t{4294967295u}), "Key\t4294967295\n"},
      {ParamValue(1.5), "Key\t1.500000e+00\n"},
      {ParamValue(-0.25f), "Key\t-0.250000\n"},
      {ParamValue(block), "Key\t\n"},
      {ParamValue(IntQuad{{1, 2, 3, 4}}), "Key\t\n"},
      {ParamValue(Color{{1.0f, 0.5f, 0.0f, 1.0f}}), "Key\t255 127 0 255\n"},
      {ParamValue(std::string("vora.vrc")), "Key\tvora.vrc\n"},
      {ParamValue(Vector{{0.0f, 1.0f, 0.5f}}),
       "Key\t0.000000 1.000000 0.500000\n"},
      {ParamValue(FloatQuad{{0.0f, -1.0f, 2.0f, 0.125f}}),
       "Key\t0.000000 -1.000000 2.000000 0.125000\n"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(LineOf("Key", c.value, true), c.line)
        << "type " << static_cast<int>(c.value.GetType());
  }
}

TEST(ValueWriterTest, ColorWithoutColorBytesWritesFloats) {
  const ParamValue color(Color{{1.0f, 0.5f, 0.0f, 1.0f}});
  EXPECT_EQ(LineOf("TColor", color, false),
            "TColor\t1.000000 0.500000 0.000000 1.000000\n");
  // Only colours change with colorBytes.
  EXPECT_EQ(LineOf("FOV", ParamValue(45.0f), false), "FOV\t45.000000\n");
  EXPECT_EQ(LineOf("V", ParamValue(FloatQuad{{1, 1, 1, 1}}), true),
            "V\t1.000000 1.000000 1.000000 1.000000\n");
}

TEST(ValueWriterTest, ColorBytesTruncateTowardZero) {
  const ParamValue color(Color{{0.999f, -0.5f, 0.0039f, 2.0f}});
  EXPECT_EQ(FormatValueText(color, true), "254 -127 0 510");
  // What a 32-bit conversion cannot hold gives the indefinite integer.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float huge = 1e30f;
  EXPECT_EQ(FormatValueText(ParamValue(Color{{nan, huge, -huge, 1.0f}}), true),
            "-2147483648 -2147483648 -2147483648 255");
}

TEST(ValueWriterTest, EmptyPrefixWritesNoTab) {
  EXPECT_EQ(LineOf("", ParamValue(std::int32_t{3}), true), "3\n");
  EXPECT_EQ(LineOf("", ParamValue(IntQuad{}), true), "\n");
  StringSink sink;
  EXPECT_TRUE(WriteValue(sink, ParamValue(Color{{1, 1, 1, 1}})));
  EXPECT_TRUE(WriteTextLine(sink, "TextDeform Parent Obj1"));
  EXPECT_TRUE(WriteTextLine(sink, ""));
  EXPECT_EQ(sink.GetText(), "255 255 255 255\nTextDeform Parent Obj1\n\n");
}

TEST(ValueWriterTest, LongLinesAreCutToWhatReadersTake) {
  // 250 + tab + 3 = 254 characters: the line feed makes 255, written whole.
  const std::string prefix(250, 'p');
  EXPECT_EQ(LineOf(prefix, ParamValue(std::string("abc")), true),
            prefix + "\tabc\n");
  const std::string line =
      LineOf(prefix, ParamValue(std::string("abcd")), true);
  EXPECT_EQ(line, prefix + "\tabc\n");
  EXPECT_EQ(line.size(), kMaxLineLength);
  // Four of the largest floats ("%f", 46 characters each) after a long key.
  const float max = std::numeric_limits<float>::max();
  const std::string big = LineOf(
      std::string(80, 'k'), ParamValue(FloatQuad{{max, max, max, max}}), true);
  EXPECT_EQ(big.size(), kMaxLineLength);
  EXPECT_EQ(big.back(), '\n');
  EXPECT_EQ(LineOf("D", ParamValue(1e300), true), "D\t1.000000e+300\n");
  EXPECT_EQ(FormatValueText(ParamValue(1.7e308), false).size(), 13u);
}

class FailingSink final : public TextSink {
public:
  bool Write(std::string_view) override {
    failed_ = true;
    return false;
  }
  bool HasFailed() const override { return failed_; }

private:
  bool failed_ = false;
};

TEST(ValueWriterTest, WriteResultIsLeftToTheSink) {
  FailingSink sink;
  EXPECT_TRUE(WriteValueLine(sink, "Key", ParamValue(1.0f), true));
  EXPECT_TRUE(sink.HasFailed());
}

} // namespace
} // namespace vorafile::nodes
