// Where node writers put their lines and where node readers take them from.
//
// Scene files are text read line by line with a 256-byte buffer: a line
// longer than kMaxLineLength characters arrives in pieces, each taken as a
// line. Files with longer lines (the marquee's) pass their own limit. Positions
// are what Tell gives and Seek takes back; readers hand them from node to node.
#ifndef VORAFILE_NODES_CORE_TEXT_STREAM_H
#define VORAFILE_NODES_CORE_TEXT_STREAM_H

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vorafile::nodes {

/// Longest line, line feed included, that a scene file reader takes at
/// once unless its format says otherwise.
inline constexpr std::size_t kMaxLineLength = 255;

/// Receives text. Writers do not examine the result line by line; a sink
/// remembers a failed write so its owner can check once at the end.
class TextSink {
public:
  virtual ~TextSink() = default;
  /// Appends the text; false when it could not all be written.
  [[nodiscard]] virtual bool Write(std::string_view text) = 0;
  /// True once any write failed.
  [[nodiscard]] virtual bool HasFailed() const = 0;
};

/// Collects the text in memory.
class StringSink final : public TextSink {
public:
  [[nodiscard]] bool Write(std::string_view text) override;
  [[nodiscard]] bool HasFailed() const override { return false; }
  const std::string &GetText() const { return text_; }

private:
  std::string text_;
};

/// Writes a file. Every failure counts: a file that cannot be opened, a
/// short write, and a flush or close that fails (a full disk often shows
/// only there), so a writer checks Close() and nothing else.
class FileSink final : public TextSink {
public:
  /// Creates or truncates `path` for writing; when it cannot be opened, the
  /// sink has failed from the start and every write fails.
  explicit FileSink(const std::string &path);
  /// Closes the file when Close() did not (its result is lost).
  ~FileSink() override;
  FileSink(const FileSink &) = delete;
  FileSink &operator=(const FileSink &) = delete;

  [[nodiscard]] bool Write(std::string_view text) override;
  [[nodiscard]] bool HasFailed() const override { return failed_; }

  /// Flushes and closes the file. True when the file was opened and every
  /// write, the flush and the close succeeded.
  /// Writes after Close fail; a second Close answers false.
  [[nodiscard]] bool Close();

private:
  std::FILE *file_;
  bool failed_;
};

/// A seekable source of lines.
class TextSource {
public:
  virtual ~TextSource() = default;
  /// The current position; -1 when it cannot be told.
  virtual std::int64_t Tell() const = 0;
  /// Moves to a position that Tell gave; false (position unchanged) when
  /// the position lies outside the text.
  [[nodiscard]] virtual bool Seek(std::int64_t position) = 0;
  /// Reads the next line as fgets with a buffer of maxLength + 1 bytes
  /// does: up to and including a line feed, at most `maxLength` characters
  /// (a longer line arrives in pieces). A carriage return before a line
  /// feed is dropped, on every system. False at the end of the text, when
  /// nothing was read.
  [[nodiscard]] bool ReadLine(std::string &line,
                              std::size_t maxLength = kMaxLineLength) {
    assert(maxLength > 0 && "a line of at most 0 characters never ends");
    return ReadLineUpTo(line, maxLength);
  }

protected:
  [[nodiscard]] virtual bool ReadLineUpTo(std::string &line,
                                          std::size_t maxLength) = 0;
};

/// A line as read whose last characters are a carriage return and a line
/// feed (the text had two returns before the feed) loses the return: written
/// back, the pair would read as a plain line ending, and the line would
/// change on every save.
void DropReturnBeforeLineFeed(std::string &line);

/// Makes a line as read (or a piece of an over-long one) a whole line to
/// keep and write back: it ends with a line feed and, with it, holds at most
/// kMaxLineLength characters. A carriage return before that line feed is
/// dropped (see DropReturnBeforeLineFeed), also one left at the end of the
/// text.
void EndKeptLine(std::string &line);

/// Lines from text held in memory; positions are byte offsets.
class StringSource final : public TextSource {
public:
  explicit StringSource(std::string text) : text_(std::move(text)) {}
  std::int64_t Tell() const override;
  [[nodiscard]] bool Seek(std::int64_t position) override;

private:
  [[nodiscard]] bool ReadLineUpTo(std::string &line,
                                  std::size_t maxLength) override;

  std::string text_;
  std::size_t offset_ = 0;
};

/// Lines from an open file that the caller keeps and closes.
class FileSource final : public TextSource {
public:
  explicit FileSource(std::FILE *file) : file_(file) {}
  std::int64_t Tell() const override;
  [[nodiscard]] bool Seek(std::int64_t position) override;

private:
  [[nodiscard]] bool ReadLineUpTo(std::string &line,
                                  std::size_t maxLength) override;

  std::FILE *file_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_TEXT_STREAM_H
