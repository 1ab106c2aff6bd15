// Parameter values as a person types and reads them on a command line.
#ifndef VORAFILE_TOOLS_VORAFILE_VALUE_TEXT_H
#define VORAFILE_TOOLS_VORAFILE_VALUE_TEXT_H

#include "nodes/core/param_value.h"

#include <optional>
#include <string>
#include <string_view>

namespace vorafile::cli {

/// The value type of a name ("Float", "string", ...) or code ("4").
std::optional<nodes::ValueType> ValueTypeFromText(std::string_view text);
/// "Byte", "Int", ... for a type.
std::string_view ValueTypeName(nodes::ValueType type);

/// The value as text: numbers in decimal, floats with up to 9 significant
/// digits, several components joined by single spaces, texts as they are,
/// blocks in hexadecimal.
std::string FormatValue(const nodes::ParamValue &value);
/// The same as a JSON value.
std::string FormatValueJson(const nodes::ParamValue &value);
/// The value as a scene author reads it: a text naming a path inside
/// `sceneFolder` (the scene's working folder, with or without a final
/// separator) relative to it ("paint.bmp", "" for the folder itself), the
/// introduction page's font record (`paramId` "TextFontInfo") decoded as
/// "Arial, height -11, weight 500, italic" (", upright" when not italic),
/// anything else as FormatValue. An empty folder leaves texts as they are.
std::string FormatAuthorValue(const nodes::ParamValue &value, int paramId,
                              std::string_view sceneFolder);
/// `path` relative to `folder` when it lies inside it (ASCII case and "/"
/// against "\\" ignored, as on Windows); nothing otherwise or for an empty
/// folder.
std::optional<std::string> PathInsideFolder(std::string_view path,
                                            std::string_view folder);

/// Quotes and escapes a text for JSON.
std::string JsonString(std::string_view text);

/// Reads a value of `type` from text: components separated by blanks or
/// commas; a Block from hexadecimal. Nothing when the text does not fit.
std::optional<nodes::ParamValue> ParseValue(nodes::ValueType type,
                                            std::string_view text);

} // namespace vorafile::cli

#endif // VORAFILE_TOOLS_VORAFILE_VALUE_TEXT_H
