// Where node writers put their lines and where node readers take them from.
//
// Scene files are text read line by line with a 256-byte buffer: a line
// longer than kMaxLineLength characters arrives in pieces, each taken as a
// line. Positions are what Tell gives and Seek takes back; readers hand them
// from node to node.
#ifndef VORAFILE_NODES_CORE_TEXT_STREAM_H
#define VORAFILE_NODES_CORE_TEXT_STREAM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vorafile::nodes {

/// Longest line, line feed included, that a scene file reader takes at once.
inline constexpr std::size_t kMaxLineLength = 255;

/// Receives text. Writers do not examine the result line by line; a sink
/// remembers a failed write so its owner can check once at the end.
class TextSink {
public:
  virtual ~TextSink() = default;
  /// Appends the text; false when it could not all be written.
  virtual bool Write(std::string_view text) = 0;
  /// True once any write failed.
  virtual bool HasFailed() const = 0;
};

/// Collects the text in memory.
class StringSink final : public TextSink {
public:
  bool Write(std::string_view text) override;
  bool HasFailed() const override { return false; }
  const std::string &GetText() const { return text_; }

private:
  std::string text_;
};

/// Writes to an open file that the caller keeps and closes.
class FileSink final : public TextSink {
public:
  explicit FileSink(std::FILE *file) : file_(file) {}
  bool Write(std::string_view text) override;
  bool HasFailed() const override { return failed_; }

private:
  std::FILE *file_;
  bool failed_ = false;
};

/// A seekable source of lines.
class TextSource {
public:
  virtual ~TextSource() = default;
  /// The current position; -1 when it cannot be told.
  virtual std::int64_t Tell() const = 0;
  /// Moves to a position that Tell gave; false (position unchanged) when
  /// the position lies outside the text.
  virtual bool Seek(std::int64_t position) = 0;
  /// Reads the next line as fgets with a 256-byte buffer does: up to and
  /// including a line feed, at most kMaxLineLength characters. A carriage
  /// return before a line feed is dropped, on every system. False at the
  /// end of the text, when nothing was read.
  virtual bool ReadLine(std::string &line) = 0;
};

/// Lines from text held in memory; positions are byte offsets.
class StringSource final : public TextSource {
public:
  explicit StringSource(std::string text) : text_(std::move(text)) {}
  std::int64_t Tell() const override;
  bool Seek(std::int64_t position) override;
  bool ReadLine(std::string &line) override;

private:
  std::string text_;
  std::size_t offset_ = 0;
};

/// Lines from an open file that the caller keeps and closes.
class FileSource final : public TextSource {
public:
  explicit FileSource(std::FILE *file) : file_(file) {}
  std::int64_t Tell() const override;
  bool Seek(std::int64_t position) override;
  bool ReadLine(std::string &line) override;

private:
  std::FILE *file_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_TEXT_STREAM_H
