#include "document/scene_script_sections.h"

#include "document/scene_root.h"
#include "nodes/core/param_names.h"

#include <gtest/gtest.h>

#include <string>

namespace vorafile {
namespace {

using EndKind = KeywordLoopEnd::Kind;
using Start = SectionStartKind;

// Fake section readers: each answers one of the ways a real one can.
int pauseLines = 0;

SectionResult CountPause(ScriptReadContext &, const KeywordLine &line) {
  ++pauseLines;
  return SectionResult::ContinueAt(line.end);
}
SectionResult EmptySection(ScriptReadContext &, const KeywordLine &line) {
  return SectionResult::ContinueAt(line.end);
}
// Reads the indented lines of its section, from wherever it was handed.
SectionResult IndentedSection(ScriptReadContext &context,
                              const KeywordLine &line) {
  nodes::TextSource &in = context.Source();
  std::string text;
  if (in.Tell() == line.start && !context.NextLine(text))
    return SectionResult::Failed();
  std::int64_t next = in.Tell();
  while (context.NextLine(text) && !text.empty() && text.front() == ' ')
    next = in.Tell();
  return SectionResult::ContinueAt(next);
}
SectionResult HandBackTheKeywordLine(ScriptReadContext &,
                                     const KeywordLine &line) {
  return SectionResult::ContinueAt(line.start);
}
SectionResult GoBeforeTheKeywordLine(ScriptReadContext &,
                                     const KeywordLine &line) {
  return SectionResult::ContinueAt(line.start - 1);
}
SectionResult GoPastTheText(ScriptReadContext &, const KeywordLine &line) {
  return SectionResult::ContinueAt(line.end + 1000);
}
SectionResult FailTheSection(ScriptReadContext &context,
                             const KeywordLine &line) {
  context.Fail(line.keyword, "fake failure");
  return SectionResult::Failed();
}
SectionResult StopTheRead(ScriptReadContext &, const KeywordLine &) {
  return SectionResult::Stop();
}
SectionResult StopAfterTheLine(ScriptReadContext &, const KeywordLine &) {
  return SectionResult::StopAfterLine();
}

struct LoopRun {
  KeywordLoopEnd end;
  ScriptReadProblem problem;
};

LoopRun RunLoop(const std::string &script, Start start, SectionReader reader,
                UnknownKeywordKind unknown = UnknownKeywordKind::EndsTheRead) {
  pauseLines = 0;
  nodes::ResetNodeIdCounter();
  SceneRoot root;
  nodes::StringSource source(script);
  ScriptReadContext context(root, source);
  const SectionRow rows[] = {
      {nodes::ParamIdOf("Pause"), Start::AfterKeywordLine, &CountPause},
      {nodes::ParamIdOf("Camera"), start, reader},
  };
  const KeywordLoopEnd end = ReadKeywordLines(context, rows, unknown);
  return {end, root.GetReadProblem()};
}

// "Pause 1\n" ends at 8; the "Camera" line runs from 8 to 15.
const std::string kEmptySection = "Pause 1\nCamera\nPause 2\n";
const std::string kSection = "Pause 1\nCamera\n  value 1\n  value 2\nPause 2\n";

TEST(KeywordLoopTest, SectionReadersDecideWhereTheLoopGoesOn) {
  struct Case {
    const char *what;
    const std::string &script;
    Start start;
    SectionReader reader;
    EndKind end;
    int pauseLines;
  };
  const Case cases[] = {
      {"empty section after the keyword", kEmptySection,
       Start::AfterKeywordLine, &EmptySection, EndKind::EndOfFile, 2},
      {"empty section at the keyword", kEmptySection, Start::AtKeywordLine,
       &IndentedSection, EndKind::EndOfFile, 2},
      {"section after the keyword", kSection, Start::AfterKeywordLine,
       &IndentedSection, EndKind::EndOfFile, 2},
      {"section at the keyword", kSection, Start::AtKeywordLine,
       &IndentedSection, EndKind::EndOfFile, 2},
      {"section at a skippable keyword", kSection,
       Start::AtKeywordLineSkippable, &IndentedSection, EndKind::EndOfFile, 2},
      {"a failed section", kSection, Start::AfterKeywordLine, &FailTheSection,
       EndKind::Failed, 1},
      {"stop", kSection, Start::AfterKeywordLine, &StopTheRead,
       EndKind::Stopped, 1},
      {"keyword line handed back after it", kEmptySection,
       Start::AfterKeywordLine, &HandBackTheKeywordLine, EndKind::Failed, 1},
      {"before the keyword line, after it", kEmptySection,
       Start::AfterKeywordLine, &GoBeforeTheKeywordLine, EndKind::Failed, 1},
      {"before the keyword line, at it", kEmptySection, Start::AtKeywordLine,
       &GoBeforeTheKeywordLine, EndKind::Failed, 1},
      {"before the keyword line, skippable", kEmptySection,
       Start::AtKeywordLineSkippable, &GoBeforeTheKeywordLine, EndKind::Failed,
       1},
      {"same line: no reader takes it", kEmptySection, Start::AtKeywordLine,
       &HandBackTheKeywordLine, EndKind::Failed, 1},
      {"same line: skipped by design", kEmptySection,
       Start::AtKeywordLineSkippable, &HandBackTheKeywordLine,
       EndKind::EndOfFile, 2},
      {"past the end of the text", kEmptySection, Start::AfterKeywordLine,
       &GoPastTheText, EndKind::Failed, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const LoopRun run = RunLoop(c.script, c.start, c.reader);
    EXPECT_EQ(run.end.kind, c.end);
    EXPECT_EQ(pauseLines, c.pauseLines);
    if (c.end == EndKind::Failed) {
      EXPECT_EQ(run.problem.keyword, "Camera");
      EXPECT_EQ(run.problem.position, 8);
      EXPECT_EQ(run.end.position, -1);
    } else {
      EXPECT_EQ(run.problem.reason, "");
    }
    if (c.end == EndKind::EndOfFile) {
      EXPECT_EQ(run.end.position, static_cast<std::int64_t>(c.script.size()));
    }
    if (c.end == EndKind::Stopped) {
      EXPECT_EQ(run.end.position, 8); // before the line
    }
  }
}

TEST(KeywordLoopTest, AKeywordWithoutARowEndsOrFailsTheRead) {
  const std::string script =
      "Pause 1\n; note\n\n   \nNoSuchKeyword 1\nPause 2\n";
  const LoopRun ends = RunLoop(script, Start::AfterKeywordLine, &EmptySection);
  EXPECT_EQ(ends.end.kind, EndKind::Stopped);
  // Past the blank-only line; comments and bare line breaks move nothing.
  EXPECT_EQ(ends.end.position, 20);
  EXPECT_EQ(pauseLines, 1);

  const LoopRun fails = RunLoop(script, Start::AfterKeywordLine, &EmptySection,
                                UnknownKeywordKind::FailsTheRead);
  EXPECT_EQ(fails.end.kind, EndKind::Failed);
  EXPECT_EQ(fails.problem.keyword, "NoSuchKeyword");
  EXPECT_EQ(fails.problem.position, 20);
}

TEST(KeywordLoopTest, AStoppedReadSaysWhereTheUnreadTailStarts) {
  struct Case {
    const char *what;
    const std::string &script;
    SectionReader reader;
    std::int64_t tailStart;
  };
  const std::string unknown = "Pause 1\n; note\n\nNoSuchKeyword 1\nPause 2\n";
  const Case cases[] = {
      // The "Camera" line runs from 8 to 15.
      {"a reader that stops at its line", kSection, &StopTheRead, 8},
      {"a reader that consumed its line", kSection, &StopAfterTheLine, 15},
      // The comment and the bare line break before the keyword stay out.
      {"a keyword without a row", unknown, &EmptySection, 16},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const LoopRun run = RunLoop(c.script, Start::AfterKeywordLine, c.reader);
    ASSERT_EQ(run.end.kind, EndKind::Stopped);
    EXPECT_EQ(run.end.position, 8);
    EXPECT_EQ(run.end.tailStart, c.tailStart);
    EXPECT_FALSE(run.end.stopReason.empty());
  }
  const LoopRun consumed =
      RunLoop(kSection, Start::AfterKeywordLine, &StopAfterTheLine);
  EXPECT_EQ(consumed.end.stopLine, 8);
  EXPECT_EQ(consumed.end.stopKeyword, "Camera");
}

} // namespace
} // namespace vorafile
