// Windows-only code: the private-profile functions of the system.
//
// Names and values that the POSIX side refuses (see IsWritableIni*) are
// refused here too, before the system would write them into a broken line,
// so both systems answer the same.
#include "platform/ini_file.h"

#include "platform/fault_injection.h"
#include "platform/ini_text.h"

#include <algorithm>
#include <string_view>
#include <windows.h>

namespace vorafile::platform {
namespace {

/// The largest answer we let the system copy out; the files are small
/// settings files and this only bounds the buffer growth below.
constexpr std::size_t kMaxAnswerSize = std::size_t{16} * 1024 * 1024;
constexpr std::size_t kFirstBufferSize = 1024;

} // namespace

std::string ReadIniString(const std::string &file, const std::string &section,
                          const std::string &key,
                          const std::string &defaultValue,
                          std::size_t capacity) {
  const std::size_t limit = std::min(capacity, kMaxAnswerSize);
  std::size_t size = std::min(limit, kFirstBufferSize);
  if (size == 0) {
    return {};
  }
  for (;;) {
    std::string buffer(size, '\0');
    const DWORD got = ::GetPrivateProfileStringA(
        section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
        static_cast<DWORD>(size), file.c_str());
    // A full buffer (size - 1 characters) may have cut the value.
    if (got + 1 < size || size == limit) {
      buffer.resize(std::min<std::size_t>(got, size - 1));
      return buffer;
    }
    size = std::min(limit, size * 2);
  }
}

std::vector<std::string> ReadIniStrings(const std::string &file,
                                        const std::string &section,
                                        const std::vector<IniQuery> &queries,
                                        std::size_t capacity) {
  std::vector<std::string> answers;
  answers.reserve(queries.size());
  for (const IniQuery &query : queries) {
    answers.push_back(
        ReadIniString(file, section, query.key, query.defaultValue, capacity));
  }
  return answers;
}

std::vector<std::string> ReadIniKeys(const std::string &file,
                                     const std::string &section) {
  std::size_t size = kFirstBufferSize;
  for (;;) {
    std::string buffer(size, '\0');
    // Without a key the answer is the list "a\0b\0\0"; a list that does not
    // fit comes back cut with the length size - 2.
    const DWORD got =
        ::GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                   static_cast<DWORD>(size), file.c_str());
    if (got + 2 >= size && size < kMaxAnswerSize) {
      size *= 2;
      continue;
    }
    std::vector<std::string> keys;
    const std::string_view list(buffer.data(),
                                std::min<std::size_t>(got, size));
    std::size_t start = 0;
    while (start < list.size()) {
      std::size_t end = list.find('\0', start);
      if (end == std::string_view::npos) {
        end = list.size();
      }
      // An empty name ("=value") would look like the end of the list.
      if (end > start) {
        keys.emplace_back(list.substr(start, end - start));
      }
      start = end + 1;
    }
    return keys;
  }
}

bool WriteIniString(const std::string &file, const std::string &section,
                    const std::string &key, const std::string &value) {
  if (IsFileFaultInjected(FileOperationKind::Write)) {
    return false;
  }
  if (!IsWritableIniSection(section) || !IsWritableIniKey(key) ||
      !IsWritableIniValue(value)) {
    return false;
  }
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(),
                                      value.c_str(), file.c_str()) != FALSE;
}

bool DeleteIniKey(const std::string &file, const std::string &section,
                  const std::string &key) {
  if (IsFileFaultInjected(FileOperationKind::Write)) {
    return false;
  }
  if (!IsWritableIniSection(section) || !IsWritableIniKey(key)) {
    return false;
  }
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr,
                                      file.c_str()) != FALSE;
}

bool DeleteIniSection(const std::string &file, const std::string &section) {
  if (IsFileFaultInjected(FileOperationKind::Write)) {
    return false;
  }
  if (!IsWritableIniSection(section)) {
    return false;
  }
  return ::WritePrivateProfileStringA(section.c_str(), nullptr, nullptr,
                                      file.c_str()) != FALSE;
}

bool ReplaceIniSection(const std::string &file, const std::string &section,
                       const std::vector<IniEntry> &entries) {
  if (IsFileFaultInjected(FileOperationKind::Write)) {
    return false;
  }
  if (!IsWritableIniSection(section, entries)) {
    return false;
  }
  if (!DeleteIniSection(file, section)) {
    return false;
  }
  if (entries.empty()) {
    return true;
  }
  // "key=value" strings, each ended by a NUL, the list by one more.
  std::string block;
  for (const IniEntry &entry : entries) {
    block += entry.key;
    block += '=';
    block += entry.value;
    block += '\0';
  }
  block += '\0';
  return ::WritePrivateProfileSectionA(section.c_str(), block.c_str(),
                                       file.c_str()) != FALSE;
}

bool FlushIniFile(const std::string &file) {
  // The flushing call always answers FALSE (documented); nothing can fail.
  ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
  return true;
}

} // namespace vorafile::platform
