// Feeds arbitrary bytes as a marquee file to the marquee node and checks
// that whatever it reads it writes in a form that reads back the same:
// write(read(write(read(x)))) == write(read(x)). A text must never spill
// into a link's place, whatever the line lengths and line breaks.
#include "fuzz_support.h"
#include "nodes/content/marquee_node.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using vorafile::fuzz::Check;

using vorafile::nodes::kReadFailed;
using vorafile::nodes::MarqueeNode;
using vorafile::nodes::SceneNode;
using vorafile::nodes::StringSink;
using vorafile::nodes::StringSource;
using vorafile::nodes::TextSink;
using vorafile::nodes::TextSource;

// The marquee file is a short list; bigger inputs only slow the search.
constexpr std::size_t kMaxInputSize = 64 * 1024;

// Gives the marquee the script version a root gives it.
class Version3Parent final : public SceneNode {
public:
  Version3Parent() : SceneNode("parent") { SetScriptVersion(3); }
  bool Write(TextSink *) override { return true; }
  std::int64_t Read(TextSource *, std::int64_t position) override {
    return position;
  }
};

// The file as the node writes it after reading `text`; nothing when the
// read fails.
bool ReadAndWrite(Version3Parent &parent, const std::string &text,
                  std::string &written) {
  MarqueeNode node(&parent, "MarqueeNode");
  StringSource source(text);
  if (node.Read(&source, 0) == kReadFailed) {
    return false;
  }
  StringSink sink;
  Check(node.Write(&sink));
  written = sink.GetText();
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size > kMaxInputSize) {
    return 0;
  }
  Version3Parent parent;
  const std::string text(reinterpret_cast<const char *>(data), size);
  std::string first;
  if (!ReadAndWrite(parent, text, first)) {
    return 0;
  }
  std::string second;
  Check(ReadAndWrite(parent, first, second));
  Check(second == first);
  return 0;
}
