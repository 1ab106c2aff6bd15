#include "document/scene_script_sections.h"

#include "document/scene_root.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/param_names.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

#include <algorithm>

namespace vorafile {

using nodes::LineScanner;

bool IsCommentLine(std::string_view line) {
  return !line.empty() && line.front() == ';';
}

LineScanner ScanAfterKeyword(const KeywordLine &line) {
  LineScanner scan(line.text);
  std::string keyword;
  scan.Word(keyword);
  return scan;
}

ScriptReadContext::ScriptReadContext(SceneRoot &root, nodes::TextSource &in)
    : root_(root), in_(in),
      folder_(std::string(root.GetFolder().value_or(""))) {}

bool ScriptReadContext::HasFile(std::string_view name) const {
  return platform::ResolvePackageName(folder_, name).has_value();
}

bool ScriptReadContext::NextLine(std::string &line) {
  lineStart_ = in_.Tell();
  return in_.ReadLine(line);
}

bool ScriptReadContext::NextValueLine(std::string &line) {
  while (NextLine(line)) {
    if (IsCommentLine(line)) {
      continue;
    }
    std::string word;
    if (LineScanner(line).Word(word).Ok()) {
      return true;
    }
  }
  return false;
}

bool ScriptReadContext::Fail(std::string_view keyword, std::string reason) {
  return FailAt(lineStart_, keyword, std::move(reason));
}

bool ScriptReadContext::FailAt(std::int64_t position, std::string_view keyword,
                               std::string reason) {
  failed_ = true;
  root_.RecordReadProblem(
      ScriptReadProblem{position, std::string(keyword), std::move(reason)});
  return false;
}

SectionResult ScriptReadContext::FailNodeRead(const nodes::SceneNode &node,
                                              const KeywordLine &line) {
  const std::optional<nodes::SceneNode::ReadFailure> &failure =
      node.GetReadFailure();
  if (failure && failure->position >= 0) {
    FailAt(failure->position, line.keyword, failure->reason);
  } else if (failure) {
    FailAt(line.start, line.keyword, failure->reason);
  } else {
    FailAt(line.start, line.keyword, "the section cannot be read");
  }
  return SectionResult::Failed();
}

bool ScriptReadContext::Add(int id, const nodes::ParamValue &value,
                            std::string_view keyword) {
  if (root_.AddParamValue(id, value)) {
    return true;
  }
  return Fail(keyword, "parameter \"" + std::string(nodes::ParamNameOf(id)) +
                           "\" is already set");
}

namespace {

const SectionRow *FindRow(std::span<const SectionRow> rows, int keywordId) {
  const auto found = std::find_if(rows.begin(), rows.end(),
                                  [keywordId](const SectionRow &row) {
                                    return row.keywordId == keywordId;
                                  });
  return found == rows.end() ? nullptr : &*found;
}

const KeywordLoopEnd kLoopFailed{KeywordLoopEnd::Kind::Failed, -1};

KeywordLoopEnd StoppedAt(std::int64_t resume, std::int64_t tailStart,
                         std::int64_t line, std::string_view keyword,
                         std::string reason) {
  KeywordLoopEnd end{KeywordLoopEnd::Kind::Stopped, resume};
  end.tailStart = tailStart;
  end.stopLine = line;
  end.stopKeyword = std::string(keyword);
  end.stopReason = std::move(reason);
  return end;
}

} // namespace

KeywordLoopEnd ReadKeywordLines(ScriptReadContext &context,
                                std::span<const SectionRow> rows,
                                UnknownKeywordKind unknown) {
  nodes::TextSource &in = context.Source();
  std::int64_t resume = in.Tell();
  std::string line;
  while (true) {
    const std::int64_t start = in.Tell();
    if (!context.NextLine(line)) {
      break;
    }
    if (line == "\n") {
      continue;
    }
    std::string word;
    if (!LineScanner(line).Word(word).Ok()) {
      resume = in.Tell();
      continue; // blanks only: nothing to handle
    }
    if (IsCommentLine(line)) {
      continue;
    }
    const int id = nodes::ParamIdOf(word);
    const SectionRow *row = FindRow(rows, id);
    if (row == nullptr) {
      if (unknown == UnknownKeywordKind::FailsTheRead) {
        context.FailAt(start, word, "unknown keyword");
        return kLoopFailed;
      }
      return StoppedAt(resume, start, start, word,
                       "no reader for this keyword");
    }

    const KeywordLine keywordLine{word, id, line, start, in.Tell()};
    const bool atKeywordLine = row->start != SectionStartKind::AfterKeywordLine;
    const std::int64_t handed = atKeywordLine ? start : keywordLine.end;
    if (atKeywordLine && !in.Seek(start)) {
      context.FailAt(start, word, "cannot go back to the keyword line");
      return kLoopFailed;
    }
    const SectionResult result = row->read(context, keywordLine);
    if (result.GetKind() == SectionResult::Kind::Failed) {
      if (!context.HasFailed()) {
        context.FailAt(start, word, "the section cannot be read");
      }
      return kLoopFailed;
    }
    if (result.GetKind() == SectionResult::Kind::Stop) {
      return StoppedAt(resume, start, start, word,
                       "the section reader stopped");
    }
    if (result.GetKind() == SectionResult::Kind::StopAfterLine) {
      return StoppedAt(resume, keywordLine.end, start, word,
                       "the section reader stopped after the line");
    }
    std::int64_t next = result.GetPosition();
    if (atKeywordLine && next == start) {
      if (row->start == SectionStartKind::AtKeywordLine) {
        context.FailAt(start, word, "no reader takes the line");
        return kLoopFailed;
      }
      next = keywordLine.end;
    }
    if (next < handed) {
      context.FailAt(start, word,
                     "the section reader went back before its section");
      return kLoopFailed;
    }
    // Seeking a file drops its read buffer: only when the reader did not
    // leave the source where the loop goes on.
    if (next != in.Tell() && !in.Seek(next)) {
      context.FailAt(start, word, "the section reader ended past the text");
      return kLoopFailed;
    }
    resume = next;
  }
  return {KeywordLoopEnd::Kind::EndOfFile, in.Tell()};
}

} // namespace vorafile
