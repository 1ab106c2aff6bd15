// The "diff" command of the vorafile tool: the nodes, parameters and files
// that differ between two scenes, for an author reviewing a change.
#ifndef VORAFILE_TOOLS_VORAFILE_DIFF_COMMAND_H
#define VORAFILE_TOOLS_VORAFILE_DIFF_COMMAND_H

#include <string>

namespace vorafile::cli {

/// Compares the packages or scene folders `before` and `after` (see
/// scene_diff.h) and prints the changes as text or JSON. Files that the
/// scene holds as parameters (those a save of the scene writes, and the
/// scene script and file list) are compared through the parameters only;
/// every other file byte for byte. Neither scene is changed. Answers the
/// exit code: 0 when the scenes are the same, 1 when they differ, 2 when one
/// does not open (with the reason on standard error).
[[nodiscard]] int RunDiff(const std::string &before, const std::string &after,
                          bool json);

} // namespace vorafile::cli

#endif // VORAFILE_TOOLS_VORAFILE_DIFF_COMMAND_H
