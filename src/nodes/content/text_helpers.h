// Small text conversions that several node classes share: colours,
// rectangles, vectors and font records in their comma-separated file forms,
// trimming, and finding files in a node's folder.
//
// Format notes: fields are separated by ","; empty fields are skipped, so
// "1,,2" has two fields. Numbers convert like the C library's atoi and atof:
// leading blanks are skipped, conversion stops at the first character that
// does not fit, and text that is no number reads as 0. A parse with too few
// fields fails and leaves its output as it was.
#ifndef VORAFILE_NODES_CONTENT_TEXT_HELPERS_H
#define VORAFILE_NODES_CONTENT_TEXT_HELPERS_H

#include "nodes/core/param_value.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorafile::nodes {

/// 1/255 as the file formats scale colour bytes.
inline constexpr float kColorByteScale = 0.0039215689f;

/// "r,g,b" (0 to 255 each) into a Color: each times kColorByteScale, alpha 0.
[[nodiscard]] bool ParseColor(std::string_view text, Color &color);
/// "r,g,b" of the first three components as ColorComponentByte gives them
/// (times 255, truncated; -2147483648 for what is no 32-bit integer).
std::string FormatColor(const Color &color);

/// "x,y,width,height" into left, top, right, bottom.
[[nodiscard]] bool ParseRect(std::string_view text, IntQuad &quad);
/// "x,y,width,height" of left, top, right - left, bottom - top.
std::string FormatRect(const IntQuad &quad);

/// Sixteen fields into a logical-font record: two skipped numbers, height,
/// width, escapement, orientation, weight, italic, underline, strike-out,
/// character set, output precision, clip precision, quality, pitch and
/// family, and the face name (at most 31 characters).
[[nodiscard]] bool ParseFontInfo(std::string_view text, Block &block);
/// The sixteen fields of a logical-font record, the first two as
/// "1.000000,0.100000".
std::string FormatFontInfo(const Block &block);

/// "x,y,z" into a Vector.
[[nodiscard]] bool ParseVector(std::string_view text, Vector &vector);

/// Four bytes into a Color, each times kColorByteScale.
Color ColorFromBytes(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                     std::uint8_t a);

/// 1.0 gives 1 and 0.0 gives 0 in `out`, the answer being that value;
/// anything else answers -1 and leaves `out` as it was.
int FlagFromFloat(float value, std::uint8_t &out);

/// Removes leading and trailing white space.
void TrimSpaces(std::string &text);

/// atoi of a text: leading blanks, a sign and digits; 0 for no number; out
/// of range values are clamped.
std::int32_t TextToInt(std::string_view text);

/// A value as an INI line must hold it to read back unchanged: values with
/// blanks at either end, or with a pair of matching quotes around them, are
/// put in double quotes (the private-profile read removes one pair).
std::string QuoteIniValue(std::string_view value);

/// The file name and extension of a path, the folder dropped (either
/// separator, or a drive colon, ends the folder).
std::string FileNameOf(std::string_view path);

/// True when `name` names an existing file or folder inside `folder` (which
/// ends with a separator), or when `name` is empty and the folder exists.
/// Names are resolved as ResolvePackageName does: never outside the
/// folder, subfolders with either separator, any case on POSIX.
[[nodiscard]] bool FileExistsInFolder(const std::string &folder,
                                      std::string_view name);

/// Makes `name` (a file name as a scene file gives it) name an existing
/// picture in `folder`: cuts it at the first ";", line break and tab and
/// drops trailing blanks; keeps it when the file exists; otherwise tries the
/// other of ".jpg" and ".bmp" and, when that exists, makes the name its base
/// name with that extension. False when no file was found (the name is then
/// the cut name).
[[nodiscard]] bool ResolveImageFile(const std::string &folder,
                                    std::string &name);

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CONTENT_TEXT_HELPERS_H
