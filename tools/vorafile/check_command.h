// The "check" command of the vorafile tool: every problem of a package or
// scene folder, each on its own line, and their count.
#ifndef VORAFILE_TOOLS_VORAFILE_CHECK_COMMAND_H
#define VORAFILE_TOOLS_VORAFILE_CHECK_COMMAND_H

#include <string>

namespace vorafile::cli {

/// Checks the package or scene folder at `path`: its unpacking, its file
/// list, its scene's read and the files the scene names. Prints "PATH:
/// file:line: what" for each problem, then "N problem(s)". Answers the exit
/// code: 0 when there is no problem, else 1.
[[nodiscard]] int RunCheck(const std::string &path);

} // namespace vorafile::cli

#endif // VORAFILE_TOOLS_VORAFILE_CHECK_COMMAND_H
