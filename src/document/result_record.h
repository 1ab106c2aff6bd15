// The answer of an operation on a scene's files: a status, and for a
// failure where and why, read as "file:line: keyword: reason".
#ifndef VORAFILE_DOCUMENT_RESULT_RECORD_H
#define VORAFILE_DOCUMENT_RESULT_RECORD_H

#include <string>
#include <string_view>
#include <utility>

namespace vorafile {

/// "file:line: keyword: reason", leaving out what is unknown (an empty
/// text, line 0).
[[nodiscard]] inline std::string DescribeFailure(std::string_view file,
                                                 int line,
                                                 std::string_view keyword,
                                                 std::string_view reason) {
  std::string text(file);
  if (line > 0) {
    text.append(":").append(std::to_string(line));
  }
  for (std::string_view part : {keyword, reason}) {
    if (part.empty()) {
      continue;
    }
    if (!text.empty()) {
      text.append(": ");
    }
    text.append(part);
  }
  return text;
}

/// `Status` is an enum whose first enumerator `Ok` means success; tests
/// compare the status, people read Describe().
template <class Status> struct ResultRecord {
  Status status = Status::Ok;
  std::string file; // the file being read or written; empty when none
  int line = 0;     // 1-based; 0 when the failure has no line
  std::string keyword;
  std::string reason;

  static ResultRecord Failure(Status status, std::string_view file,
                              std::string_view reason, int line = 0,
                              std::string_view keyword = {}) {
    ResultRecord result;
    result.status = status;
    result.file = file;
    result.line = line;
    result.keyword = keyword;
    result.reason = reason;
    return result;
  }

  explicit operator bool() const { return status == Status::Ok; }
  [[nodiscard]] std::string Describe() const {
    return DescribeFailure(file, line, keyword, reason);
  }
};

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_RESULT_RECORD_H
