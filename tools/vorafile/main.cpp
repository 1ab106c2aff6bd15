// vorafile: the command-line tool for scene authors and host developers.
#include "host/file_manager.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr const char *kUsage =
    "usage: vorafile <command> [arguments]\n"
    "\n"
    "commands:\n"
    "  version     print the library version\n"
    "  temp        print the temporary folder that working folders go under\n"
    "\n"
    "options:\n"
    "  -h, --help  show this help\n";

int Fail(const char *message) {
  std::fprintf(stderr, "vorafile: %s\n", message);
  std::fputs("try 'vorafile --help'\n", stderr);
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2)
    return Fail("missing command");
  std::string_view command = argv[1];
  if (command == "-h" || command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "version" || command == "--version") {
    std::printf("vorafile %s\n", VORAFILE_VERSION);
    return 0;
  }
  if (command == "temp") {
    vorafile::FileManager manager;
    std::printf("%s\n", manager.TempRoot().c_str());
    return 0;
  }
  return Fail("unknown command");
}
