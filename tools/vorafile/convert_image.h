// The "convert-image" command of the vorafile tool: the work of the host's
// "convert picture" message from the command line.
#ifndef VORAFILE_TOOLS_VORAFILE_CONVERT_IMAGE_H
#define VORAFILE_TOOLS_VORAFILE_CONVERT_IMAGE_H

namespace vorafile::cli {

/// Usage lines for the tool's help text.
inline constexpr const char *kConvertImageUsage =
    "  convert-image PICTURE [--max-width N] [--max-height N] [--out-dir D]\n"
    "                                  decode a BMP, JPEG or PNG picture with\n"
    "                                  the codec library found through the\n"
    "                                  registry, resize it to exactly N x N\n"
    "                                  when larger (default 640 x 480) and\n"
    "                                  write D/NAME.jpg (default: the current\n"
    "                                  folder); prints the file's path\n";

/// Runs "convert-image" with the arguments after the command word. Answers
/// the exit code: 0 done, 1 the library did not load or the conversion
/// failed, 2 bad arguments.
int RunConvertImage(int argc, const char *const *argv);

} // namespace vorafile::cli

#endif // VORAFILE_TOOLS_VORAFILE_CONVERT_IMAGE_H
