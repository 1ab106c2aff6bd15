#include "nodes/core/text_stream.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace vorafile::nodes {
namespace {

std::vector<std::string> ReadAll(TextSource &source) {
  std::vector<std::string> lines;
  std::string line;
  while (source.ReadLine(line)) {
    lines.push_back(line);
  }
  return lines;
}

// The same text through both sources: pieces of at most 255 characters,
// CRLF read as LF, a last line without a line feed.
const std::string kSample = "Version\t3\r\n;comment\n\n" +
                            std::string(255, 'a') + "\n" +
                            std::string(256, 'b') + "\nlast";
const std::vector<std::string> kSampleLines = {
    "Version\t3\n", ";comment\n",          "\n",  std::string(255, 'a'),
    "\n",           std::string(255, 'b'), "b\n", "last"};

// A file source and a string source give the same pieces.
TEST(TextStreamTest, SourcesReadPiecesLikeFgetsAndSeekBackToALine) {
  test::TempDir dir;
  dir.write("script.vrc", kSample);
  dir.write("s.txt", "one\r\ntwo\nthree\n");
  using File = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;
  File sample(std::fopen(dir.file("script.vrc").c_str(), "rb"), &std::fclose);
  File file(std::fopen(dir.file("s.txt").c_str(), "rb"), &std::fclose);
  ASSERT_NE(sample, nullptr);
  ASSERT_NE(file, nullptr);
  FileSource sampleSource(sample.get());
  EXPECT_EQ(ReadAll(sampleSource), kSampleLines);
  StringSource sampleString(kSample);
  EXPECT_EQ(ReadAll(sampleString), kSampleLines);
  std::string line = "stale";
  EXPECT_FALSE(sampleString.ReadLine(line));
  EXPECT_TRUE(line.empty());

  FileSource fileSource(file.get());
  StringSource stringSource("one\r\ntwo\nthree\n");
  for (TextSource *source : {static_cast<TextSource *>(&fileSource),
                             static_cast<TextSource *>(&stringSource)}) {
    ASSERT_TRUE(source->ReadLine(line));
    const std::int64_t second = source->Tell();
    EXPECT_EQ(second, 5);
    ASSERT_TRUE(source->ReadLine(line));
    EXPECT_EQ(line, "two\n");
    ASSERT_TRUE(source->Seek(second));
    ASSERT_TRUE(source->ReadLine(line));
    EXPECT_EQ(line, "two\n");
    EXPECT_FALSE(source->Seek(-1));
    EXPECT_EQ(source->Tell(), 9);
  }
  EXPECT_FALSE(stringSource.Seek(16));
  EXPECT_TRUE(stringSource.Seek(15));
}

TEST(TextStreamTest, LoneCarriageReturnStaysInTheLine) {
  StringSource source("a\rb\r");
  std::string line;
  ASSERT_TRUE(source.ReadLine(line));
  EXPECT_EQ(line, "a\rb\r");
}

// A format with longer lines passes its own limit; lines at the limit come
// whole, one character more arrives in two pieces.
// A kept line is written back with a line feed and must read back as the
// same line, whatever ended it.
TEST(TextStreamTest, KeptLinesReadBackAsTheyWereRead) {
  const std::string longLine(300, 'x');
  for (const std::string &read :
       {std::string("a b\n"), std::string("a b"), std::string("a b\r"),
        std::string("a b\r\n"), longLine}) {
    SCOPED_TRACE(read.substr(0, 10));
    std::string kept = read;
    EndKeptLine(kept);
    StringSource again(kept);
    std::string line;
    ASSERT_TRUE(again.ReadLine(line));
    EXPECT_EQ(line, kept);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_FALSE(again.ReadLine(line));
  }
}

TEST(TextStreamTest, LineLimitIsTheCallersChoice) {
  struct Case {
    std::size_t limit;
    std::size_t length; // line feed included
    std::vector<std::size_t> pieces;
  };
  const Case cases[] = {
      {kMaxLineLength, 255, {255}}, {kMaxLineLength, 256, {255, 1}},
      {1024, 256, {256}},           {1024, 1024, {1024}},
      {1024, 1025, {1024, 1}},      {1, 3, {1, 1, 1}},
  };
  for (const Case &c : cases) {
    StringSource source(std::string(c.length - 1, 'x') + "\n");
    std::vector<std::size_t> pieces;
    std::string line;
    while (source.ReadLine(line, c.limit)) {
      pieces.push_back(line.size());
    }
    EXPECT_EQ(pieces, c.pieces) << c.limit << " " << c.length;
  }
}

TEST(TextStreamTest, FileSinkWritesAFileItOpens) {
  test::TempDir dir;
  FileSink sink(dir.file("out.txt"));
  EXPECT_TRUE(sink.Write("Camera FOV Set\t45.000000\n"));
  EXPECT_TRUE(sink.Write(""));
  EXPECT_FALSE(sink.HasFailed());
  EXPECT_TRUE(sink.Close());
  EXPECT_EQ(dir.read("out.txt"), "Camera FOV Set\t45.000000\n");
  EXPECT_FALSE(sink.Write("late"));
  EXPECT_FALSE(sink.Close());
  EXPECT_EQ(dir.read("out.txt"), "Camera FOV Set\t45.000000\n");
}

TEST(TextStreamTest, FileSinkThatCannotOpenFailsEveryWrite) {
  test::TempDir dir;
  FileSink sink(dir.file("no such folder/out.txt"));
  EXPECT_TRUE(sink.HasFailed());
  EXPECT_FALSE(sink.Write("x"));
  EXPECT_FALSE(sink.Close());
}

// Writes land in the C library's buffer; a full disk shows only when it
// is flushed, so the sink's result must come from Close.
TEST(TextStreamTest, FileSinkOnAFullDiskFailsAtClose) {
  std::FILE *probe = std::fopen("/dev/full", "wb");
  if (probe == nullptr) {
    GTEST_SKIP() << "no always-full device on this system";
  }
  static_cast<void>(std::fclose(probe));
  FileSink sink(std::string("/dev/full"));
  EXPECT_TRUE(sink.Write("Version\t3\n"));
  EXPECT_FALSE(sink.Close());
  EXPECT_TRUE(sink.HasFailed());
}

} // namespace
} // namespace vorafile::nodes
