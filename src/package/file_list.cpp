#include "package/file_list.h"

#include "nodes/content/text_helpers.h"
#include "nodes/core/param_names.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/ini_text.h"
#include "platform/package_name.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace vorafile {

namespace {

constexpr const char *kDataSection = "3d";
constexpr const char *kTextureSection = "Texture";
constexpr const char *kCountKey = "Count";
// List values are read with room for 255 characters.
constexpr std::size_t kValueCapacity = 256;

// The "Count" of a group: nothing when it is missing or empty.
std::optional<std::int32_t> ReadCount(const std::string &list,
                                      const char *section) {
  std::string text =
      platform::ReadIniString(list, section, kCountKey, "", kValueCapacity);
  if (text.empty()) {
    return std::nullopt;
  }
  return nodes::TextToInt(text);
}

struct ListEntry {
  std::int32_t number = 0;
  std::string name;
};

// The entries "1" to `count` of a group that the list holds, in number
// order, read in one pass: the walk is bounded by the keys present, not by
// a Count that a hostile list may set near 2^31.
std::vector<ListEntry> ReadEntries(const std::string &list, const char *section,
                                   std::int32_t count) {
  std::vector<std::int32_t> numbers;
  for (const std::string &key : platform::ReadIniKeys(list, section)) {
    // Only the keys that the decimal numbering writes name an entry.
    const std::int32_t number = nodes::TextToInt(key);
    if (number >= 1 && number <= count && key == std::to_string(number)) {
      numbers.push_back(number);
    }
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  std::vector<platform::IniQuery> queries;
  queries.reserve(numbers.size());
  for (std::int32_t number : numbers) {
    queries.push_back({std::to_string(number), ""});
  }
  std::vector<std::string> names =
      platform::ReadIniStrings(list, section, queries, kValueCapacity);
  std::vector<ListEntry> entries;
  entries.reserve(numbers.size());
  for (std::size_t i = 0; i < numbers.size() && i < names.size(); ++i) {
    entries.push_back({numbers[i], std::move(names[i])});
  }
  return entries;
}

// An entry names a file of the package, in a subfolder with either
// separator; names that leave the folder count as missing.
bool EntryExists(const std::string &folder, const ListEntry &entry) {
  return entry.name.empty() ||
         platform::ResolvePackageName(folder, entry.name).has_value();
}

bool EntriesExist(const std::string &folder, const std::string &list,
                  const char *section, std::int32_t count) {
  for (const ListEntry &entry : ReadEntries(list, section, count)) {
    if (!EntryExists(folder, entry)) {
      return false;
    }
  }
  return true;
}

// The list's bytes; empty when it cannot be read (its lines are unknown).
std::string ReadListText(const std::string &list) {
  std::ifstream file(list, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file),
                     std::istreambuf_iterator<char>());
}

// Splits at the last separator: the folder (with its separator) and the
// name.
std::pair<std::string_view, std::string_view> SplitPath(std::string_view path) {
  std::size_t cut = path.find_last_of(platform::kPathSeparators);
  if (cut == std::string_view::npos) {
    return {std::string_view(), path};
  }
  return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

} // namespace

bool IsImageFileName(std::string_view name) {
  return ascii::EndsWithIgnoreCase(name, ".bmp") ||
         ascii::EndsWithIgnoreCase(name, ".jpg") ||
         ascii::EndsWithIgnoreCase(name, ".jpeg");
}

bool CheckFileList(const std::string &rawFolder) {
  const std::string folder = platform::WithTrailingSeparator(rawFolder);
  std::optional<std::string> list =
      platform::FindInFolder(folder, kFileListName);
  if (!list) {
    return false;
  }
  std::optional<std::int32_t> dataCount = ReadCount(*list, kDataSection);
  if (!dataCount || *dataCount < 1 ||
      !EntriesExist(folder, *list, kDataSection, *dataCount)) {
    return false;
  }
  std::optional<std::int32_t> textureCount = ReadCount(*list, kTextureSection);
  if (!textureCount) {
    return false;
  }
  return *textureCount < 1 ||
         EntriesExist(folder, *list, kTextureSection, *textureCount);
}

std::vector<FileListProblem>
FindFileListProblems(const std::string &rawFolder) {
  const std::string folder = platform::WithTrailingSeparator(rawFolder);
  std::optional<std::string> list =
      platform::FindInFolder(folder, kFileListName);
  if (!list) {
    return {{0, "missing"}};
  }
  // The values come from the profile reader, as the open reads them; the
  // text engine, which reads as it does, tells their lines.
  const platform::IniText lines(ReadListText(*list));
  std::vector<FileListProblem> problems;
  for (const char *section : {kDataSection, kTextureSection}) {
    std::string group = "[";
    group.append(section).append("] ");
    std::optional<std::int32_t> count = ReadCount(*list, section);
    if (!count) {
      problems.push_back(
          {lines.FindLineNumber(section, kCountKey), group + "has no Count"});
      continue;
    }
    if (section == std::string_view(kDataSection) && *count < 1) {
      problems.push_back(
          {lines.FindLineNumber(section, kCountKey), group + "lists no file"});
    }
    for (const ListEntry &entry : ReadEntries(*list, section, *count)) {
      if (EntryExists(folder, entry)) {
        continue;
      }
      const std::string key = std::to_string(entry.number);
      const char *fault = platform::IsInsideFolderName(entry.name)
                              ? " names missing file "
                              : " names a file outside the package: ";
      problems.push_back({lines.FindLineNumber(section, key),
                          group + key + fault + entry.name});
    }
  }
  return problems;
}

bool WriteFileList(const std::string &workFolder,
                   const std::vector<std::string> &paths) {
  std::optional<std::string> list =
      platform::FindInFolder(workFolder, kFileListName);
  if (!list) {
    return false;
  }
  std::vector<platform::IniEntry> data;
  std::vector<platform::IniEntry> textures;
  bool texturesFirst = false;
  for (const std::string &path : paths) {
    auto [folder, name] = SplitPath(path);
    // Only files of the working folder itself are listed (exact text), and
    // only names that fit on an INI line.
    if (folder != workFolder || name.empty() ||
        !platform::IsWritableIniValue(name)) {
      continue;
    }
    const bool image = IsImageFileName(name);
    std::vector<platform::IniEntry> &entries = image ? textures : data;
    texturesFirst = texturesFirst || (image && data.empty());
    // A name with blanks around it (or quoted) must read back whole, or
    // the saved package would list a file it does not hold.
    entries.push_back({std::to_string(entries.size() + 1),
                       platform::IniValueReadingAs(name)});
  }
  data.push_back({kCountKey, std::to_string(data.size())});
  textures.push_back({kCountKey, std::to_string(textures.size())});
  // The sections go to the end of the file in the order of their first
  // entries, the data section first when neither has one.
  bool written =
      texturesFirst
          ? platform::ReplaceIniSection(*list, kTextureSection, textures) &&
                platform::ReplaceIniSection(*list, kDataSection, data)
          : platform::ReplaceIniSection(*list, kDataSection, data) &&
                platform::ReplaceIniSection(*list, kTextureSection, textures);
  return platform::FlushIniFile(*list) && written;
}

} // namespace vorafile
