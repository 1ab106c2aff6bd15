// POSIX-only code: the private-profile functions over IniText and plain
// file calls.
//
// Every change is in the file when the call returns: the whole new text goes
// to a temporary file beside the target and is renamed over it, so a reader
// sees either the old or the new file, never half of one. No sync: the files
// live in a package's working folder, and a node writes dozens of keys in a
// row (a sync each made saving a scene take a good part of a second).
#include "platform/ini_file.h"

#include "platform/fault_injection.h"
#include "platform/ini_text.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vorafile::platform {
namespace {

/// Private-profile files are small settings files. A larger file is not
/// one we wrote: reads answer defaults and writes fail rather than replace
/// text that was never read whole.
constexpr off_t kMaxIniFileSize = off_t{8} * 1024 * 1024;

enum class LoadStatus { kLoaded, kMissing, kUnreadable };

struct LoadResult {
  LoadStatus status = LoadStatus::kUnreadable;
  IniText text;
};

/// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor &) = delete;
  FileDescriptor &operator=(const FileDescriptor &) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  int Get() const { return fd_; }
  /// Closes now and reports whether the close succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

private:
  int fd_;
};

LoadResult LoadIniFile(const std::string &file) {
  LoadResult result;
  if (IsFileFaultInjected(FileOperationKind::Read)) {
    return result;
  }
  // O_NONBLOCK: a FIFO at the path must not block the open.
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) {
    if (errno == ENOENT) {
      result.status = LoadStatus::kMissing;
    }
    return result;
  }
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_size > kMaxIniFileSize) {
    return result;
  }
  std::string text;
  char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return result;
    }
    if (got == 0) {
      break;
    }
    text.append(buffer, static_cast<std::size_t>(got));
    // The file may grow while we read it.
    if (text.size() > static_cast<std::size_t>(kMaxIniFileSize)) {
      return result;
    }
  }
  result.status = LoadStatus::kLoaded;
  result.text = IniText(std::move(text));
  return result;
}

bool WriteAll(int fd, std::string_view data) {
  if (IsFileFaultInjected(FileOperationKind::Write)) {
    return false;
  }
  while (!data.empty()) {
    const ssize_t put = ::write(fd, data.data(), data.size());
    if (put < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

/// Replaces `file` with `text` through a temporary file and a rename. An
/// existing file keeps its permission bits; a new one gets 0666 less the
/// umask, as any created file.
bool SaveIniFile(const std::string &file, const std::string &text) {
  struct stat info {};
  const bool exists = ::stat(file.c_str(), &info) == 0;
  // Windows refuses to write a read-only file; a rename would not.
  if (exists && ::access(file.c_str(), W_OK) != 0) {
    return false;
  }
  if (IsFileFaultInjected(FileOperationKind::Create)) {
    return false;
  }
  std::string temporary;
  int fd = -1;
  for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = file + ".~" + std::to_string(::getpid()) + "." +
                std::to_string(attempt);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                0666);
    if (fd < 0 && errno != EEXIST) {
      return false;
    }
  }
  FileDescriptor output(fd);
  if (output.Get() < 0) {
    return false;
  }
  bool written = WriteAll(output.Get(), text);
  if (written && exists) {
    written = ::fchmod(output.Get(), info.st_mode & 07777) == 0;
  }
  written = output.Close() && written;
  if (!written || IsFileFaultInjected(FileOperationKind::Rename) ||
      ::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

} // namespace

std::string ReadIniString(const std::string &file, const std::string &section,
                          const std::string &key,
                          const std::string &defaultValue,
                          std::size_t capacity) {
  const LoadResult loaded = LoadIniFile(file);
  std::optional<std::string> found;
  if (loaded.status == LoadStatus::kLoaded) {
    found = loaded.text.FindValue(section, key);
  }
  return ChooseIniString(found, defaultValue, capacity);
}

std::vector<std::string> ReadIniStrings(const std::string &file,
                                        const std::string &section,
                                        const std::vector<IniQuery> &queries,
                                        std::size_t capacity) {
  const LoadResult loaded = LoadIniFile(file);
  std::vector<std::string_view> keys;
  keys.reserve(queries.size());
  for (const IniQuery &query : queries) {
    keys.emplace_back(query.key);
  }
  std::vector<std::optional<std::string>> found(queries.size());
  if (loaded.status == LoadStatus::kLoaded) {
    found = loaded.text.FindValues(section, keys);
  }
  std::vector<std::string> answers;
  answers.reserve(queries.size());
  for (std::size_t i = 0; i < queries.size(); ++i) {
    answers.push_back(
        ChooseIniString(found[i], queries[i].defaultValue, capacity));
  }
  return answers;
}

std::vector<std::string> ReadIniKeys(const std::string &file,
                                     const std::string &section) {
  const LoadResult loaded = LoadIniFile(file);
  if (loaded.status != LoadStatus::kLoaded) {
    return {};
  }
  return loaded.text.ListKeys(section);
}

bool WriteIniString(const std::string &file, const std::string &section,
                    const std::string &key, const std::string &value) {
  if (!IsWritableIniSection(section) || !IsWritableIniKey(key) ||
      !IsWritableIniValue(value)) {
    return false;
  }
  LoadResult loaded = LoadIniFile(file);
  if (loaded.status == LoadStatus::kUnreadable) {
    return false;
  }
  if (!loaded.text.SetValue(section, key, value)) {
    return true; // the file holds that value already
  }
  return SaveIniFile(file, loaded.text.Text());
}

bool DeleteIniKey(const std::string &file, const std::string &section,
                  const std::string &key) {
  if (!IsWritableIniSection(section) || !IsWritableIniKey(key)) {
    return false;
  }
  LoadResult loaded = LoadIniFile(file);
  if (loaded.status == LoadStatus::kMissing) {
    return true; // nothing to delete, and no file is made for it
  }
  if (loaded.status == LoadStatus::kUnreadable) {
    return false;
  }
  if (!loaded.text.DeleteKey(section, key)) {
    return true;
  }
  return SaveIniFile(file, loaded.text.Text());
}

bool DeleteIniSection(const std::string &file, const std::string &section) {
  if (!IsWritableIniSection(section)) {
    return false;
  }
  LoadResult loaded = LoadIniFile(file);
  if (loaded.status == LoadStatus::kMissing) {
    return true;
  }
  if (loaded.status == LoadStatus::kUnreadable) {
    return false;
  }
  if (!loaded.text.DeleteSection(section)) {
    return true;
  }
  return SaveIniFile(file, loaded.text.Text());
}

bool ReplaceIniSection(const std::string &file, const std::string &section,
                       const std::vector<IniEntry> &entries) {
  if (!IsWritableIniSection(section, entries)) {
    return false;
  }
  LoadResult loaded = LoadIniFile(file);
  if (loaded.status == LoadStatus::kUnreadable) {
    return false;
  }
  if (loaded.status == LoadStatus::kMissing && entries.empty()) {
    return true; // as DeleteIniSection: no file is made for nothing
  }
  const std::string before = loaded.text.Text();
  // Every copy of the section goes, as the Windows call drops them all.
  // The names and values were checked above, so nothing is refused here.
  static_cast<void>(loaded.text.ReplaceSection(section, entries));
  if (loaded.status == LoadStatus::kLoaded && loaded.text.Text() == before) {
    return true;
  }
  return SaveIniFile(file, loaded.text.Text());
}

bool FlushIniFile(const std::string &file) {
  // Every write was synced before it returned.
  static_cast<void>(file);
  return true;
}

} // namespace vorafile::platform
