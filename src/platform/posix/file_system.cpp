// POSIX-only code: files and folders over the C library and std::filesystem.
#include "platform/file_system.h"

#include "platform/ascii.h"
#include "platform/fault_injection.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <sys/time.h>
#include <system_error>
#include <unistd.h>

#include <dirent.h>

namespace vorafile::platform {

namespace {

std::uint32_t AttributesOf(const struct stat &info) {
  std::uint32_t attributes = 0;
  if (S_ISLNK(info.st_mode)) {
    attributes |= attr::kReparsePoint;
  }
  if (S_ISDIR(info.st_mode)) {
    attributes |= attr::kDirectory;
  }
  if ((info.st_mode & S_IWUSR) == 0) {
    attributes |= attr::kReadOnly;
  }
  return attributes == 0 ? attr::kNormal : attributes;
}

// "name/" would make lstat and unlink follow a link named name; every call
// here is about the entry itself.
std::string WithoutTrailingSeparator(const std::string &path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') {
    trimmed.pop_back();
  }
  return trimmed;
}

} // namespace

std::optional<std::uint32_t> ReadAttributes(const std::string &rawPath) {
  const std::string path = WithoutTrailingSeparator(rawPath);
  struct stat info {};
  if (path.empty() || ::lstat(path.c_str(), &info) != 0) {
    return std::nullopt;
  }
  std::uint32_t attributes = AttributesOf(info);
  if (S_ISLNK(info.st_mode)) {
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
      attributes |= attr::kDirectory;
    }
  }
  return attributes;
}

bool WriteAttributes(const std::string &rawPath, std::uint32_t attributes) {
  if (IsFileFaultInjected(FileOperationKind::Write)) {
    return false;
  }
  const std::string path = WithoutTrailingSeparator(rawPath);
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) {
    return false;
  }
  mode_t mode = info.st_mode & 07777;
  if (attributes & attr::kReadOnly) {
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  } else {
    mode |= S_IWUSR;
  }
  return ::chmod(path.c_str(), mode) == 0;
}

bool PathExists(const std::string &path) {
  return ReadAttributes(path).has_value();
}

bool RemoveFile(const std::string &rawPath) {
  if (IsFileFaultInjected(FileOperationKind::Delete)) {
    return false;
  }
  const std::string path = WithoutTrailingSeparator(rawPath);
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
    return false;
  }
  return ::unlink(path.c_str()) == 0;
}

bool RemoveEmptyFolder(const std::string &rawPath) {
  if (IsFileFaultInjected(FileOperationKind::Delete)) {
    return false;
  }
  const std::string path = WithoutTrailingSeparator(rawPath);
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    return false;
  }
  // A link to a folder goes away as itself, its target stays.
  if (S_ISLNK(info.st_mode)) {
    return ::unlink(path.c_str()) == 0;
  }
  return ::rmdir(path.c_str()) == 0;
}

bool CopyFileNoOverwrite(const std::string &from, const std::string &to) {
  if (IsFileFaultInjected(FileOperationKind::Rename)) {
    return false;
  }
  std::error_code ec;
  return std::filesystem::copy_file(from, to,
                                    std::filesystem::copy_options::none, ec) &&
         !ec;
}

bool MoveFileNoOverwrite(const std::string &from, const std::string &to) {
  if (IsFileFaultInjected(FileOperationKind::Rename)) {
    return false;
  }
  // link + unlink refuses an existing target atomically; it fails across
  // file systems and on some (FAT), where a checked rename serves.
  if (::link(from.c_str(), to.c_str()) == 0) {
    return ::unlink(from.c_str()) == 0;
  }
  if (errno == EEXIST || PathExists(to)) {
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool ReplaceFile(const std::string &from, const std::string &to) {
  if (IsFileFaultInjected(FileOperationKind::Rename)) {
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool MakeFolder(const std::string &path) {
  if (IsFileFaultInjected(FileOperationKind::Create)) {
    return false;
  }
  return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

std::vector<FolderEntry> ListFolder(const std::string &folder) {
  if (IsFileFaultInjected(FileOperationKind::Read)) {
    return {};
  }
  std::vector<FolderEntry> entries;
  // Closed however the listing ends, out of memory included.
  std::unique_ptr<DIR, int (*)(DIR *)> listing(
      ::opendir(folder.empty() ? "." : folder.c_str()), &::closedir);
  if (!listing) {
    return entries;
  }
  DIR *dir = listing.get();
  std::string base = WithTrailingSeparator(folder);
  while (const dirent *entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    std::optional<std::uint32_t> attributes =
        ReadAttributes(base + std::string(name));
    if (attributes) {
      entries.push_back({std::string(name), *attributes});
    }
  }
  return entries;
}

std::optional<DosDateTime> ReadLastWriteTime(const std::string &path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return std::nullopt;
  }
  std::tm local{};
  if (::localtime_r(&info.st_mtime, &local) == nullptr) {
    return std::nullopt;
  }
  // DOS dates start in 1980 and end in 2107.
  int year = std::clamp(local.tm_year + 1900, 1980, 2107);
  DosDateTime when;
  when.date = static_cast<std::uint16_t>(
      ((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  when.time = static_cast<std::uint16_t>(
      (local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  return when;
}

bool WriteFileTime(const std::string &path, DosDateTime when) {
  if (IsFileFaultInjected(FileOperationKind::Write)) {
    return false;
  }
  std::tm local{};
  local.tm_year = ((when.date >> 9) & 0x7f) + 80;
  local.tm_mon = ((when.date >> 5) & 0x0f) - 1;
  local.tm_mday = when.date & 0x1f;
  local.tm_hour = (when.time >> 11) & 0x1f;
  local.tm_min = (when.time >> 5) & 0x3f;
  local.tm_sec = (when.time & 0x1f) * 2;
  local.tm_isdst = -1;
  std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) {
    return false;
  }
  struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  times[0].tv_nsec = UTIME_OMIT; // last access stays
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::string TempFolder() {
  std::string folder;
  if (const char *env = std::getenv("TMPDIR"); env != nullptr && *env != '\0') {
    folder = env;
  } else {
    folder = "/tmp";
  }
  folder = WithTrailingSeparator(std::move(folder));
  if (folder.size() >= kMaxPath) {
    folder = "/tmp/";
  }
  return folder;
}

std::optional<std::string> MakeFreshFolder(const std::string &parent,
                                           std::string_view prefix) {
  if (IsFileFaultInjected(FileOperationKind::Create)) {
    return std::nullopt;
  }
  std::string base = parent;
  if (const char *tmp = std::getenv("TMP"); tmp != nullptr && *tmp != '\0') {
    std::optional<std::uint32_t> attributes = ReadAttributes(tmp);
    if (attributes && (*attributes & attr::kDirectory)) {
      base = tmp;
    }
  }
  base = WithTrailingSeparator(std::move(base));
  // Start from a number of this process so parallel processes rarely meet;
  // mkdir itself refuses a name that exists.
  static unsigned long next = static_cast<unsigned long>(::getpid()) * 1000UL;
  for (int attempt = 0; attempt < 10000; ++attempt) {
    std::string candidate = base + std::string(prefix) + std::to_string(++next);
    if (candidate.size() + 1 >= kMaxPath) {
      return std::nullopt;
    }
    if (::mkdir(candidate.c_str(), 0700) == 0) {
      return candidate;
    }
    if (errno != EEXIST) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<std::string> FindInFolder(const std::string &folder,
                                        std::string_view name) {
  if (name.empty()) {
    return std::nullopt;
  }
  std::string base = WithTrailingSeparator(folder);
  std::string exact = base + std::string(name);
  if (PathExists(exact)) {
    return exact;
  }
  // A name stored in another case on a case-insensitive system; only the
  // last component is matched without regard to case.
  if (name.find('/') != std::string_view::npos) {
    return std::nullopt;
  }
  std::optional<std::string> found;
  for (const FolderEntry &entry : ListFolder(base)) {
    if (ascii::EqualsIgnoreCase(entry.name, name)) {
      // Several candidates: take the first in name order, as listing order
      // is arbitrary.
      if (!found || base + entry.name < *found) {
        found = base + entry.name;
      }
    }
  }
  return found;
}

} // namespace vorafile::platform
