#include "nodes/core/text_stream.h"

#include <algorithm>
#include <climits>

namespace vorafile::nodes {

bool StringSink::Write(std::string_view text) {
  text_.append(text);
  return true;
}

FileSink::FileSink(const std::string &path)
    : file_(std::fopen(path.c_str(), "wb")), failed_(file_ == nullptr) {}

FileSink::~FileSink() {
  if (file_ != nullptr) {
    static_cast<void>(std::fclose(file_));
  }
}

bool FileSink::Write(std::string_view text) {
  if (file_ == nullptr) {
    failed_ = true;
    return false;
  }
  if (text.empty()) {
    return true;
  }
  const bool written =
      std::fwrite(text.data(), 1, text.size(), file_) == text.size();
  failed_ = failed_ || !written;
  return written;
}

bool FileSink::Close() {
  if (file_ == nullptr) {
    failed_ = true;
    return false;
  }
  // Buffered bytes reach the system only here; a full disk shows up now.
  bool ok = std::fflush(file_) == 0;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  failed_ = failed_ || !ok;
  return !failed_;
}

void DropReturnBeforeLineFeed(std::string &line) {
  if (line.size() >= 2 && line.ends_with("\r\n")) {
    line.erase(line.size() - 2, 1);
  }
}

void EndKeptLine(std::string &line) {
  if (!line.empty() && line.back() == '\n') {
    DropReturnBeforeLineFeed(line);
    return;
  }
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  line.resize(std::min(line.size(), kMaxLineLength - 1));
  line.push_back('\n');
}

std::int64_t StringSource::Tell() const {
  return static_cast<std::int64_t>(offset_);
}

bool StringSource::Seek(std::int64_t position) {
  if (position < 0 || static_cast<std::uint64_t>(position) > text_.size()) {
    return false;
  }
  offset_ = static_cast<std::size_t>(position);
  return true;
}

bool StringSource::ReadLineUpTo(std::string &line, std::size_t maxLength) {
  line.clear();
  while (offset_ < text_.size() && line.size() < maxLength) {
    char c = text_[offset_++];
    if (c == '\r' && offset_ < text_.size() && text_[offset_] == '\n') {
      c = text_[offset_++];
    }
    line.push_back(c);
    if (c == '\n') {
      break;
    }
  }
  return !line.empty();
}

std::int64_t FileSource::Tell() const {
  if (file_ == nullptr) {
    return -1;
  }
  return static_cast<std::int64_t>(std::ftell(file_));
}

bool FileSource::Seek(std::int64_t position) {
  // std::fseek takes a long, which is 32 bits on Windows; scene files are
  // far smaller than that.
  if (file_ == nullptr || position < 0 || position > LONG_MAX) {
    return false;
  }
  return std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
}

bool FileSource::ReadLineUpTo(std::string &line, std::size_t maxLength) {
  line.clear();
  if (file_ == nullptr) {
    return false;
  }
  while (line.size() < maxLength) {
    int c = std::fgetc(file_);
    if (c == EOF) {
      break;
    }
    if (c == '\r') {
      const int next = std::fgetc(file_);
      if (next == '\n') {
        c = next;
      } else if (next != EOF) {
        static_cast<void>(std::ungetc(next, file_));
      }
    }
    line.push_back(static_cast<char>(c));
    if (c == '\n') {
      break;
    }
  }
  return !line.empty();
}

} // namespace vorafile::nodes
