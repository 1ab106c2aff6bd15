#include "nodes/content/marquee_node.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/value_writer.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

// Format notes: "Vora.mrq" is a text file of lines. A "Version" or
// "NumMarquees" line holds a number. A "Text" line holds a text up to the
// end of the line or up to a '|', whichever comes first, without its
// leading and trailing blanks; the line after it is always that entry's
// link line, whatever its first word, and holds the link the same way.
// Every other line is passed over. At most NumMarquees + 1 texts are taken
// (a "Text" line before any "NumMarquees" line can only be entry 0).
//
// The player reads the file with 1024-byte line buffers. Here a line is
// read whole, piece by piece, and only its text is cut to the buffer's
// size: a long text must not spill into the next line's place, where it
// would be taken as the link and shift every later entry.

namespace vorafile::nodes {

namespace {

namespace mq = marquee_param;

constexpr int kMarqueeScriptVersion = 3;
// One fgets of the player's 1024-byte buffer.
constexpr std::size_t kLinePieceLength = 1023;
// Of a longer line only this much is kept: room for the keyword, its blanks
// and a whole text; the rest is consumed and dropped.
constexpr std::size_t kMaxKeptLineLength = std::size_t{4} * 1024;

constexpr std::array<std::string_view, 5> kMarqueeNames = {
    "Version", "NumMarquees", "Text", "URL", "Unknown"};

// The next line, whatever its length; false at the end of the text. A NUL
// ends what is kept of it, as it ends the player's C string (texts are
// NUL-terminated wherever they go); the rest of the line is consumed.
bool ReadWholeLine(TextSource &in, std::string &line) {
  line.clear();
  std::string piece;
  bool any = false;
  while (in.ReadLine(piece, kLinePieceLength)) {
    any = true;
    if (line.size() < kMaxKeptLineLength) {
      line.append(piece, 0, kMaxKeptLineLength - line.size());
    }
    if (piece.back() == '\n') {
      break;
    }
  }
  line.resize(std::min(line.find('\0'), line.size()));
  return any;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsScanBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsScanBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// The text of a "Text" or link line: after its first word, up to a '|' or
// the end of the line, without the blanks around it, cut to the longest
// text kept. A line with no text gives an empty text (and so does a link
// line), so that every text keeps its place and its link.
std::string TakeEntryText(std::string_view line) {
  LineScanner scan(line);
  std::string keyword;
  scan.Word(keyword);
  std::string_view text = scan.Rest();
  text = TrimBlanks(text.substr(0, text.find('|')));
  // Trimmed again after the cut, so that the text reads back the same.
  return std::string(
      TrimBlanks(text.substr(0, std::min(text.size(), kMaxMarqueeTextLength))));
}

// "Text" or "URL", a tab and the entry's text, written through the sink
// directly: WriteValueLine cuts lines at the script's length. The text ends
// at its first line feed, which would otherwise end the line and shift
// every later entry (a carriage return alone ends no line: a text read with
// one keeps it); a missing entry is written empty.
void WriteEntryLine(TextSink &out, std::string_view name,
                    const ParamValue *value) {
  std::string text = value != nullptr ? FormatValueText(*value, true) : "";
  text.resize(std::min({text.find('\n'), text.size(), kMaxMarqueeTextLength}));
  std::string line(name);
  line += '\t';
  line += text;
  line += '\n';
  (void)out.Write(line);
}

} // namespace

MarqueeNode::MarqueeNode(SceneNode *parent) : MarqueeNode(parent, "Unknown") {}

MarqueeNode::MarqueeNode(SceneNode *parent, std::string_view name)
    : IndexedParamsNode(name, GetNameTable()) {
  SetNodeType(Kind::Marquee);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
}

MarqueeNode::MarqueeNode(SceneNode *parent, std::string_view name,
                         std::int32_t count)
    : MarqueeNode(parent, name) {
  // A new node holds no "NumMarquees" yet: the add cannot fail.
  (void)AddParamValue(mq::kNumMarquees, ParamValue(count));
}

const NameTable &MarqueeNode::GetNameTable() {
  static const NameTable table(mq::kVersion, kMarqueeNames);
  return table;
}

// ---- Parameter operations ------------------------------------------------

IndexedParamList *MarqueeNode::FindList(int id) {
  return const_cast<IndexedParamList *>(std::as_const(*this).FindList(id));
}

const IndexedParamList *MarqueeNode::FindList(int id) const {
  if (id == mq::kText) {
    return &texts_;
  }
  if (id == mq::kUrl) {
    return &urls_;
  }
  return nullptr;
}

std::size_t MarqueeNode::GetEntryCount() const {
  return std::max(texts_.GetCount(), urls_.GetCount());
}

// ---- The marquee file ------------------------------------------------------

std::int64_t MarqueeNode::Read(TextSource *in, std::int64_t position) {
  OwnedFileRead read(fileState_);
  if (GetScriptVersion() != kMarqueeScriptVersion) {
    return FailRead(-1, "a marquee needs script version 3");
  }
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(-1, "cannot go to the start of the marquee file");
  }
  // The file is the node's own: failures name its line in the reason, as
  // positions are taken for lines of the scene script.
  int lineNumber = 0;
  auto fail = [&](const std::string &why) {
    return FailRead(-1, "line " + std::to_string(lineNumber) + ": " + why);
  };
  std::int32_t expected = 0;
  std::int32_t next = 0;
  std::string line;
  while (ReadWholeLine(*in, line)) {
    ++lineNumber;
    std::string keyword;
    std::int32_t number = 0;
    LineScanner scan(line);
    scan.Word(keyword).Int(number);
    if (scan.Count() == 0) {
      continue;
    }
    const int id = GetParamId(keyword);
    if (id == mq::kVersion || id == mq::kNumMarquees) {
      if (scan.Count() < 2) {
        continue;
      }
      if (!AddParamValue(id, ParamValue(number))) {
        return fail("a second \"" + keyword + "\" line");
      }
      if (id == mq::kNumMarquees) {
        expected = number;
      }
    } else if (id == mq::kText) {
      if (next > expected) {
        return fail("more \"Text\" lines than NumMarquees + 1");
      }
      if (!AddParamValue(mq::kText, ParamValue(TakeEntryText(line)), next)) {
        return fail("text " + std::to_string(next) + " is refused");
      }
      if (ReadWholeLine(*in, line)) {
        ++lineNumber;
        if (!AddParamValue(mq::kUrl, ParamValue(TakeEntryText(line)), next)) {
          return fail("link " + std::to_string(next) + " is refused");
        }
      }
      ++next;
    }
  }
  // The one text that the format takes beyond the declared count is
  // counted, so that the count stored (and written) matches the entries.
  if (next > 0 && next > expected &&
      !SetParamValue(mq::kNumMarquees, ParamValue(next))) {
    return fail("cannot count the texts");
  }
  read.Finish();
  // An empty file ends at position 0, which would read as a failure.
  return std::max<std::int64_t>(in->Tell(), 1);
}

bool MarqueeNode::Write(TextSink *out) {
  if (GetScriptVersion() != kMarqueeScriptVersion) {
    return false;
  }
  if (out == nullptr) {
    const SceneNode *root = GetRoot();
    const std::optional<std::string> path =
        root != nullptr ? root->GetTextParam(param::kVoraMarqueeFileName)
                        : std::nullopt;
    return path && WriteFile(*path);
  }
  ParamValue version;
  if (GetParamValue(mq::kVersion, version)) {
    (void)WriteValueLine(*out, GetNameTable().NameOf(mq::kVersion), version,
                         true);
  }
  // The count as held, so that a file declaring more texts than it holds
  // keeps its count; raised to the entries held, so that none is lost.
  const std::size_t entries = GetEntryCount();
  const std::optional<std::int32_t> held =
      GetParamAs<std::int32_t>(mq::kNumMarquees);
  if (entries > 0 || held) {
    const ParamValue count(
        std::max(held.value_or(0), static_cast<std::int32_t>(entries)));
    (void)WriteValueLine(*out, GetNameTable().NameOf(mq::kNumMarquees), count,
                         true);
  }
  for (std::size_t i = 0; i < entries; ++i) {
    const int index = static_cast<int>(i);
    WriteEntryLine(*out, GetNameTable().NameOf(mq::kText), texts_.Find(index));
    // Only the file's last text can lack its link line (the line after a
    // text is its link); an empty one would give it a link on reading.
    const ParamValue *url = urls_.Find(index);
    if (url != nullptr || i + 1 < entries) {
      WriteEntryLine(*out, GetNameTable().NameOf(mq::kUrl), url);
    }
  }
  return !out->HasFailed();
}

bool MarqueeNode::WriteFile(const std::string &path) {
  if (GetScriptVersion() != kMarqueeScriptVersion) {
    return false;
  }
  if (!fileState_.MayRewrite()) {
    return true;
  }
  FileSink sink(path);
  const bool written = Write(&sink);
  return sink.Close() && written;
}

} // namespace vorafile::nodes
