// POSIX-only code: the registry stand-in, a file in the ".reg" export format.
#include "platform/registry.h"

#include "platform/ascii.h"
#include "platform/registry_file.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>

namespace vorafile::platform {

namespace {

constexpr std::string_view kRootPrefix = "HKEY_LOCAL_MACHINE\\";
constexpr const char *kDefaultRegistryFile = "/etc/vorafile/registry.reg";
// Bounds what a hostile or broken file can make us hold.
constexpr std::size_t kMaxLineLength = std::size_t{64} * 1024;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' ||
                           text.front() == '\r' || text.front() == '\xef' ||
                           text.front() == '\xbb' || text.front() == '\xbf')) {
    text.remove_prefix(1);
  }
  while (!text.empty() &&
         (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// Reads a quoted string with \\ and \" escapes starting at text[0] == '"'.
// Answers the unescaped text and moves `text` past the closing quote.
std::optional<std::string> TakeQuoted(std::string_view &text) {
  if (text.empty() || text.front() != '"') {
    return std::nullopt;
  }
  std::string value;
  for (std::size_t i = 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      value += text[++i];
    } else if (c == '"') {
      text.remove_prefix(i + 1);
      return value;
    } else {
      value += c;
    }
  }
  return std::nullopt;
}

} // namespace

std::optional<std::string> FindRegistryString(std::string_view fileText,
                                              std::string_view keyPath,
                                              std::string_view valueName) {
  bool inKey = false;
  while (!fileText.empty()) {
    const std::size_t end = fileText.find('\n');
    const std::string_view line = fileText.substr(0, end);
    fileText.remove_prefix(end == std::string_view::npos ? fileText.size()
                                                         : end + 1);
    if (line.size() > kMaxLineLength) {
      continue;
    }
    std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';') {
      continue;
    }
    if (text.front() == '[') {
      inKey = false;
      if (text.back() != ']') {
        continue;
      }
      std::string_view key = text.substr(1, text.size() - 2);
      if (key.size() >= kRootPrefix.size() &&
          ascii::EqualsIgnoreCase(key.substr(0, kRootPrefix.size()),
                                  kRootPrefix)) {
        inKey =
            ascii::EqualsIgnoreCase(key.substr(kRootPrefix.size()), keyPath);
      }
      continue;
    }
    if (!inKey) {
      continue;
    }
    std::optional<std::string> name;
    if (text.front() == '@') {
      name = "";
      text.remove_prefix(1);
    } else {
      name = TakeQuoted(text);
    }
    if (!name || !ascii::EqualsIgnoreCase(*name, valueName)) {
      continue;
    }
    text = Trim(text);
    if (text.empty() || text.front() != '=') {
      continue;
    }
    text.remove_prefix(1);
    text = Trim(text);
    // Only string values are read; other kinds (dword:, hex:) are absent.
    return TakeQuoted(text);
  }
  return std::nullopt;
}

std::optional<std::string>
ReadMachineRegistryString(const std::string &keyPath,
                          const std::string &valueName) {
  const char *env = std::getenv("VORAFILE_REGISTRY");
  std::ifstream file(env != nullptr && *env != '\0' ? env
                                                    : kDefaultRegistryFile,
                     std::ios::binary);
  if (!file) {
    return std::nullopt;
  }
  const std::string text((std::istreambuf_iterator<char>(file)),
                         std::istreambuf_iterator<char>());
  return FindRegistryString(text, keyPath, valueName);
}

} // namespace vorafile::platform
