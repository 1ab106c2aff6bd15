// The keyword dispatch of the scene script reader: a table whose rows pair
// a keyword with the reader of its line or section, and the loop that runs
// it. Adding a node class adds one row to a table (scene_script_reader.cpp);
// the loop never names a class.
//
// Control rules, so that the reader never loops:
// - A row's reader is handed the position after its keyword line, or, for
//   rows that start at their keyword line, that line's position.
// - It answers ContinueAt(position), Failed() or Stop(). The loop seeks to
//   the position it is given and goes on there.
// - A position before the one the reader was handed fails the read. For a
//   reader handed its keyword line, handing that same line back means that
//   no reader took it: the read fails (AtKeywordLine), or, where the format
//   allows it, the loop continues after the line (AtKeywordLineSkippable).
// - Stop ends the read at once, as a keyword without a row does in a
//   version-3 script: the result is the position before the line, and the
//   unread tail starts at the line. StopAfterLine does the same for a line
//   that the reader consumed (the root took its value): the tail starts
//   after it.
#ifndef VORAFILE_DOCUMENT_SCENE_SCRIPT_SECTIONS_H
#define VORAFILE_DOCUMENT_SCENE_SCRIPT_SECTIONS_H

#include "nodes/core/line_scanner.h"
#include "nodes/core/param_value.h"
#include "nodes/core/scene_node.h"
#include "nodes/core/text_stream.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorafile {

class SceneRoot;

/// What a section reader answers.
class SectionResult {
public:
  enum class Kind : std::uint8_t { ContinueAt, Failed, Stop, StopAfterLine };

  /// Go on reading at `position`.
  static SectionResult ContinueAt(std::int64_t position) {
    return SectionResult(Kind::ContinueAt, position);
  }
  /// The whole read fails (the reader records why through the context).
  static SectionResult Failed() { return SectionResult(Kind::Failed, -1); }
  /// The read ends here, successfully, without the end-of-file steps.
  static SectionResult Stop() { return SectionResult(Kind::Stop, -1); }
  /// The same, after the keyword line, which the reader consumed.
  static SectionResult StopAfterLine() {
    return SectionResult(Kind::StopAfterLine, -1);
  }

  [[nodiscard]] Kind GetKind() const { return kind_; }
  /// Meaningful for ContinueAt only.
  [[nodiscard]] std::int64_t GetPosition() const { return position_; }

private:
  SectionResult(Kind kind, std::int64_t position)
      : kind_(kind), position_(position) {}

  Kind kind_;
  std::int64_t position_;
};

/// The line whose keyword chose the row.
struct KeywordLine {
  std::string_view keyword; // the first word
  int keywordId;            // its id in the parameter name table
  std::string_view text;    // the whole line
  std::int64_t start;       // position of the line
  std::int64_t end;         // position after it
};

/// Where a row's reader starts, and what handing its keyword line back
/// means (see the control rules above).
enum class SectionStartKind : std::uint8_t {
  AfterKeywordLine,
  AtKeywordLine,
  AtKeywordLineSkippable,
};

class ScriptReadContext;

using SectionReader = SectionResult (*)(ScriptReadContext &context,
                                        const KeywordLine &line);

struct SectionRow {
  int keywordId;
  SectionStartKind start;
  SectionReader read;
};

/// What a line whose keyword has no row does.
enum class UnknownKeywordKind : std::uint8_t { EndsTheRead, FailsTheRead };

/// How the keyword loop ended.
struct KeywordLoopEnd {
  enum class Kind : std::uint8_t { EndOfFile, Stopped, Failed };
  Kind kind;
  /// EndOfFile: the end of the text; Stopped: the position after the last
  /// line handled (where a caller would go on); Failed: -1.
  std::int64_t position;
  /// Stopped only: where the unread tail starts, and the line that stopped
  /// the read (its position, keyword and why).
  std::int64_t tailStart = -1;
  std::int64_t stopLine = -1;
  std::string stopKeyword{};
  std::string stopReason{};
};

/// What section readers share while one script is read: the root, the
/// source, the first failure, and the counts the end of the file uses.
class ScriptReadContext {
public:
  ScriptReadContext(SceneRoot &root, nodes::TextSource &in);

  [[nodiscard]] SceneRoot &Root() { return root_; }
  [[nodiscard]] nodes::TextSource &Source() { return in_; }
  /// The root's folder, ending with a separator ("" when it has none).
  [[nodiscard]] const std::string &Folder() const { return folder_; }
  /// Whether a file name that the script gives names an existing file of
  /// the folder; one that leaves the folder never does (ResolvePackageName).
  [[nodiscard]] bool HasFile(std::string_view name) const;

  /// Reads the next line and remembers where it started; false at the end.
  [[nodiscard]] bool NextLine(std::string &line);
  /// Reads the next line that is not a comment and holds a word.
  [[nodiscard]] bool NextValueLine(std::string &line);

  /// Records the first failure of the read at the last line read, and
  /// answers false.
  bool Fail(std::string_view keyword, std::string reason);
  /// The same at a given position.
  bool FailAt(std::int64_t position, std::string_view keyword,
              std::string reason);
  /// Fails the read for a node whose Read failed: at the line the node
  /// names (SceneNode::GetReadFailure) and for its reason, or else at the
  /// keyword line.
  SectionResult FailNodeRead(const nodes::SceneNode &node,
                             const KeywordLine &line);
  /// True once a failure was recorded.
  [[nodiscard]] bool HasFailed() const { return failed_; }

  /// The root adds the value; a refused add (the id is present) fails.
  [[nodiscard]] bool Add(int id, const nodes::ParamValue &value,
                         std::string_view keyword);

  /// Settings lines of "EffectPresetCategoryInfo" and macro nodes made;
  /// together they give "NumMacroEffects".
  int effectPresetLines = 0;
  int macrosMade = 0;
  /// Object sections read; "NumObjects" bounds them.
  int objectsRead = 0;

private:
  SceneRoot &root_;
  nodes::TextSource &in_;
  std::string folder_;
  std::int64_t lineStart_ = 0;
  bool failed_ = false;
};

/// True for a line that starts with ';'.
[[nodiscard]] bool IsCommentLine(std::string_view line);

/// A scanner over the line, past its keyword.
[[nodiscard]] nodes::LineScanner ScanAfterKeyword(const KeywordLine &line);

/// Runs the rows over the lines from the source's position to the end of
/// the text. Lines that are a bare line break, hold no word or start with
/// ';' are passed over.
[[nodiscard]] KeywordLoopEnd ReadKeywordLines(ScriptReadContext &context,
                                              std::span<const SectionRow> rows,
                                              UnknownKeywordKind unknown);

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_SCENE_SCRIPT_SECTIONS_H
