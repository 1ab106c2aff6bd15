// Feeds arbitrary bytes as an INI file to the private-profile text engine
// and drives reads, writes and deletes over it, checking after each edit
// what a later read must see.
//
// Input: the file text. The last bytes double as a script of up to
// kMaxOperations operations, three bytes each (operation, two name
// choices), read from the end. Names are picked from fixed names and from
// the pieces of the text between brackets, "=", ";" and line breaks, so
// that the operations hit the sections and keys the file has.
#include "platform/ini_text.h"

#include "fuzz_support.h"
#include "platform/ascii.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using vorafile::fuzz::Check;

using vorafile::platform::ChooseIniString;
using vorafile::platform::IniEntry;
using vorafile::platform::IniText;
using vorafile::platform::IsWritableIniKey;
using vorafile::platform::IsWritableIniSection;
using vorafile::platform::IsWritableIniValue;

// The files are small settings files; bigger inputs only slow the search.
constexpr std::size_t kMaxInputSize = 64 * 1024;
constexpr std::size_t kMaxOperations = 24;
constexpr std::size_t kMaxNames = 64;

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

std::vector<std::string> CandidateNames(std::string_view text) {
  std::vector<std::string> names = {
      "S",    "3d", "Texture", "Count", "General",     "Message",
      "Data", "1",  "",        "k",     "Introduction"};
  std::size_t start = 0;
  while (start < text.size() && names.size() < kMaxNames) {
    std::size_t end =
        text.find_first_of(std::string_view("[]=;\r\n", 6), start);
    if (end == std::string_view::npos)
      end = text.size();
    const std::string_view piece = Trim(text.substr(start, end - start));
    if (!piece.empty() && piece.size() <= 64)
      names.emplace_back(piece);
    start = end + 1;
  }
  return names;
}

void CheckSetValue(IniText &ini, const std::string &section,
                   const std::string &key, const std::string &value) {
  const std::string before = ini.Text();
  const bool writable = IsWritableIniSection(section) &&
                        IsWritableIniKey(key) && IsWritableIniValue(value);
  const bool changed = ini.SetValue(section, key, value);
  Check(writable || !changed);
  if (!changed)
    Check(ini.Text() == before);
  if (writable) {
    const std::optional<std::string> found = ini.FindValue(section, key);
    Check(found.has_value() && *found == Unquote(Trim(value)));
    const std::vector<std::string> keys = ini.ListKeys(section);
    Check(std::any_of(keys.begin(), keys.end(), [&](const std::string &name) {
      return vorafile::ascii::EqualsIgnoreCase(name, key);
    }));
  }
}

void CheckDelete(IniText &ini, const std::string &section,
                 const std::string &key, bool wholeSection) {
  const std::string before = ini.Text();
  const bool changed =
      wholeSection ? ini.DeleteSection(section) : ini.DeleteKey(section, key);
  if (changed)
    Check(ini.Text().size() < before.size());
  else
    Check(ini.Text() == before);
}

// Replacing a section in one pass gives what deleting every copy and
// setting each entry gives.
void CheckReplaceSection(IniText &ini, const std::string &section,
                         const std::vector<IniEntry> &entries) {
  IniText stepwise(ini.Text());
  const bool replaced = ini.ReplaceSection(section, entries);
  Check(replaced == IsWritableIniSection(section, entries));
  if (!replaced) {
    Check(ini.Text() == stepwise.Text());
    return;
  }
  while (stepwise.DeleteSection(section)) {
  }
  for (const IniEntry &entry : entries)
    Check(stepwise.SetValue(section, entry.key, entry.value));
  Check(ini.Text() == stepwise.Text());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size > kMaxInputSize)
    return 0;
  const std::string text =
      size == 0 ? std::string()
                : std::string(reinterpret_cast<const char *>(data), size);
  IniText ini(text);
  const std::vector<std::string> names = CandidateNames(text);

  std::size_t end = size;
  for (std::size_t op = 0; op < kMaxOperations && end >= 3; ++op, end -= 3) {
    const unsigned kind = data[end - 1] % 7u;
    const std::string &first = names[data[end - 2] % names.size()];
    const std::string &second = names[data[end - 3] % names.size()];
    switch (kind) {
    case 0: {
      const std::optional<std::string> found = ini.FindValue(first, second);
      const std::vector<std::optional<std::string>> values =
          ini.FindValues(first, {second, first, second});
      Check(values.size() == 3 && values[0] == found && values[2] == found &&
            values[1] == ini.FindValue(first, first));
      const std::string answer =
          ChooseIniString(found, second, data[end - 2] % 8u);
      Check(answer.size() < std::max<std::size_t>(data[end - 2] % 8u, 1));
      break;
    }
    case 1:
      for (const std::string &key : ini.ListKeys(first))
        Check(!key.empty() && ini.FindValue(first, key).has_value());
      break;
    case 2:
      CheckSetValue(ini, first, second, first + " " + second);
      break;
    case 3:
      CheckSetValue(ini, second, first, "\"" + second + "\"");
      break;
    case 4:
      CheckDelete(ini, first, second, false);
      break;
    case 5:
      CheckDelete(ini, first, second, true);
      break;
    default:
      CheckReplaceSection(ini, first, {{second, first}, {"k", second}});
      break;
    }
  }
  return 0;
}
