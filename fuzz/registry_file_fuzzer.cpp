// Feeds arbitrary bytes as the registry stand-in's ".reg" file and looks up
// the values the library asks for and values that the text names, checking
// that a found value is no longer than the text it came from.
//
// Input: the file text. The key and value looked up besides the fixed ones
// are taken from the first "[HKEY_LOCAL_MACHINE\" line and the first quoted
// name of the text, so the search reaches the matching branches.
#include "fuzz_support.h"
#include "platform/registry_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using vorafile::fuzz::Check;

using vorafile::platform::FindRegistryString;

// Registry exports of interest are small; bigger inputs only slow the search.
constexpr std::size_t kMaxInputSize = 256 * 1024;
constexpr std::string_view kRootPrefix = "[HKEY_LOCAL_MACHINE\\";

// The text after the first `open`, up to the next `close`.
std::string_view Between(std::string_view text, std::string_view open,
                         char close) {
  const std::size_t start = text.find(open);
  if (start == std::string_view::npos)
    return {};
  text.remove_prefix(start + open.size());
  return text.substr(0, text.find(close));
}

void Look(std::string_view text, std::string_view key, std::string_view name) {
  const std::optional<std::string> value = FindRegistryString(text, key, name);
  Check(!value || value->size() < text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size > kMaxInputSize)
    return 0;
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  const std::string_view key = Between(text, kRootPrefix, ']');
  const std::string_view name = Between(text, "\"", '"');
  Look(text, "Software\\Mervel Tech\\Tervy", "Path");
  Look(text, key, name);
  Look(text, key, "");
  return 0;
}
