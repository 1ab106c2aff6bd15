// Running the peer cabinet tools (cabextract, gcab, 7-Zip) from tests. The
// tests that use them skip when a tool is not installed (as on Windows).
#ifndef VORAFILE_TESTS_ARCHIVE_PEER_TOOLS_H
#define VORAFILE_TESTS_ARCHIVE_PEER_TOOLS_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace vorafile::archive::test {

inline bool HasPeerTool(const std::string &tool) {
#ifdef _WIN32
  (void)tool;
  return false;
#else
  std::string command = "command -v " + tool + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
#endif
}

/// Runs a shell command with its output discarded; true when it exits 0.
inline bool RunPeerTool(const std::string &command) {
  std::string quiet = command + " >/dev/null 2>&1";
  return std::system(quiet.c_str()) == 0;
}

inline std::string QuoteForShell(const std::string &text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

/// The command prefix that runs a 64-bit Windows program under Wine, with a
/// prefix kept across runs (a new one takes seconds to set up); empty when
/// Wine is not installed.
inline std::string WineCommand() {
#ifdef _WIN32
  return {};
#else
  const std::string wine = "/usr/lib/wine/wine64";
  if (std::system(("test -x " + wine).c_str()) != 0) {
    return {};
  }
  const char *prefix = std::getenv("WINEPREFIX");
  std::string folder =
      prefix != nullptr
          ? std::string(prefix)
          : (std::filesystem::temp_directory_path() / "vorafile-wine-prefix")
                .string();
  return "WINEPREFIX=" + QuoteForShell(folder) + " WINEDEBUG=-all " + wine;
#endif
}

/// A Unix path as Wine's Z: drive shows it.
inline std::string WinePath(const std::string &path) {
  std::string windows = "Z:" + path;
  for (char &c : windows) {
    if (c == '/') {
      c = '\\';
    }
  }
  return QuoteForShell(windows);
}

inline std::string ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

} // namespace vorafile::archive::test

#endif // VORAFILE_TESTS_ARCHIVE_PEER_TOOLS_H
