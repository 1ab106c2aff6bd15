// Windows-only code: files and folders over the kernel's file functions.
#include "platform/file_system.h"

#include "platform/fault_injection.h"

#include <cstdlib>
#include <memory>
#include <stdio.h>
#include <windows.h>

// winbase.h maps ReplaceFile to ReplaceFileA; ours is a different function.
#undef ReplaceFile

namespace vorafile::platform {

namespace {

// Attribute bits that SetFileAttributesA accepts.
constexpr DWORD kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL |
    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
    FILE_ATTRIBUTE_TEMPORARY;

// _tempnam may hand out a name that another process takes before we create
// it; a few fresh names cover that race.
constexpr int kFreshFolderAttempts = 8;
// Numbers tried when we name a fresh folder ourselves.
constexpr int kNumberedFolderAttempts = 10000;

bool IsLinkToFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Closes a file handle when it goes out of scope.
class FileHandle {
public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(const FileHandle &) = delete;
  FileHandle &operator=(const FileHandle &) = delete;
  ~FileHandle() {
    if (IsValid()) {
      ::CloseHandle(handle_);
    }
  }
  [[nodiscard]] bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
  [[nodiscard]] HANDLE Get() const { return handle_; }

private:
  HANDLE handle_;
};

// Opens a file or a folder (backup semantics) for reading or setting times.
HANDLE OpenForTimes(const std::string &path, DWORD access) {
  return ::CreateFileA(path.c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                       nullptr);
}

// Names the folder ourselves when the runtime's _tempnam gives no usable
// name: Wine's takes $TMP even when it names no folder, and then fails.
// Same rules: $TMP when it is an existing folder, else `parent`.
std::optional<std::string> MakeNumberedFolder(const std::string &parent,
                                              const std::string &prefix) {
  std::string base = parent;
  if (const char *tmp = std::getenv("TMP"); tmp != nullptr && *tmp != '\0') {
    DWORD attributes = ::GetFileAttributesA(tmp);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      base = tmp;
    }
  }
  base = WithTrailingSeparator(std::move(base));
  // Start from a number of this process so parallel processes rarely meet;
  // CreateDirectoryA itself refuses a name that exists.
  static unsigned long next =
      static_cast<unsigned long>(::GetCurrentProcessId()) * 1000UL;
  for (int attempt = 0; attempt < kNumberedFolderAttempts; ++attempt) {
    std::string candidate = base + prefix + std::to_string(++next);
    if (candidate.size() + 1 >= kMaxPath) {
      return std::nullopt;
    }
    if (::CreateDirectoryA(candidate.c_str(), nullptr) != 0) {
      return candidate;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

} // namespace

std::optional<std::uint32_t> ReadAttributes(const std::string &path) {
  if (path.empty()) {
    return std::nullopt;
  }
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(attributes);
}

bool WriteAttributes(const std::string &path, std::uint32_t attributes) {
  if (IsFileFaultInjected(FileOperationKind::Write)) {
    return false;
  }
  DWORD settable = attributes & kSettableAttributes;
  if (settable == 0) {
    settable = FILE_ATTRIBUTE_NORMAL;
  }
  return !path.empty() && ::SetFileAttributesA(path.c_str(), settable) != 0;
}

bool PathExists(const std::string &path) {
  return ReadAttributes(path).has_value();
}

bool RemoveFile(const std::string &path) {
  if (IsFileFaultInjected(FileOperationKind::Delete)) {
    return false;
  }
  if (path.empty()) {
    return false;
  }
  // A link to a folder is a folder entry: DeleteFileA refuses it, and
  // RemoveDirectoryA removes the link without entering it.
  if (IsLinkToFolder(::GetFileAttributesA(path.c_str()))) {
    return ::RemoveDirectoryA(path.c_str()) != 0;
  }
  return ::DeleteFileA(path.c_str()) != 0;
}

bool RemoveEmptyFolder(const std::string &path) {
  if (IsFileFaultInjected(FileOperationKind::Delete)) {
    return false;
  }
  return !path.empty() && ::RemoveDirectoryA(path.c_str()) != 0;
}

bool CopyFileNoOverwrite(const std::string &from, const std::string &to) {
  if (IsFileFaultInjected(FileOperationKind::Rename)) {
    return false;
  }
  return ::CopyFileA(from.c_str(), to.c_str(), TRUE) != 0;
}

bool MoveFileNoOverwrite(const std::string &from, const std::string &to) {
  if (IsFileFaultInjected(FileOperationKind::Rename)) {
    return false;
  }
  return ::MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool ReplaceFile(const std::string &from, const std::string &to) {
  if (IsFileFaultInjected(FileOperationKind::Rename)) {
    return false;
  }
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) !=
         0;
}

bool MakeFolder(const std::string &path) {
  if (IsFileFaultInjected(FileOperationKind::Create)) {
    return false;
  }
  return !path.empty() && ::CreateDirectoryA(path.c_str(), nullptr) != 0;
}

std::vector<FolderEntry> ListFolder(const std::string &folder) {
  if (IsFileFaultInjected(FileOperationKind::Read)) {
    return {};
  }
  std::vector<FolderEntry> entries;
  std::string pattern = WithTrailingSeparator(folder) + "*.*";
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return entries;
  }
  do {
    std::string_view name = found.cFileName;
    if (name == "." || name == "..") {
      continue;
    }
    entries.push_back({std::string(name),
                       static_cast<std::uint32_t>(found.dwFileAttributes)});
  } while (::FindNextFileA(search, &found) != 0);
  ::FindClose(search);
  return entries;
}

std::optional<DosDateTime> ReadLastWriteTime(const std::string &path) {
  FileHandle file(OpenForTimes(path, GENERIC_READ));
  if (!file.IsValid()) {
    return std::nullopt;
  }
  FILETIME written{};
  FILETIME local{};
  WORD date = 0;
  WORD time = 0;
  if (::GetFileTime(file.Get(), nullptr, nullptr, &written) == 0 ||
      ::FileTimeToLocalFileTime(&written, &local) == 0 ||
      ::FileTimeToDosDateTime(&local, &date, &time) == 0) {
    return std::nullopt;
  }
  DosDateTime when;
  when.date = date;
  when.time = time;
  return when;
}

bool WriteFileTime(const std::string &path, DosDateTime when) {
  if (IsFileFaultInjected(FileOperationKind::Write)) {
    return false;
  }
  FILETIME local{};
  FILETIME universal{};
  if (::DosDateTimeToFileTime(when.date, when.time, &local) == 0 ||
      ::LocalFileTimeToFileTime(&local, &universal) == 0) {
    return false;
  }
  // FILE_WRITE_ATTRIBUTES suffices for the times and works on read-only files.
  FileHandle file(OpenForTimes(path, FILE_WRITE_ATTRIBUTES));
  return file.IsValid() &&
         ::SetFileTime(file.Get(), &universal, nullptr, &universal) != 0;
}

std::string TempFolder() {
  char buffer[kMaxPath] = {};
  DWORD length = ::GetTempPathA(static_cast<DWORD>(kMaxPath), buffer);
  // 0 is failure; a length above the buffer is the size it would need.
  if (length == 0 || length > kMaxPath - 1) {
    return std::string();
  }
  return WithTrailingSeparator(std::string(buffer, length));
}

std::optional<std::string> MakeFreshFolder(const std::string &parent,
                                           std::string_view prefix) {
  if (IsFileFaultInjected(FileOperationKind::Create)) {
    return std::nullopt;
  }
  std::string prefixText(prefix);
  for (int attempt = 0; attempt < kFreshFolderAttempts; ++attempt) {
    std::unique_ptr<char, decltype(&std::free)> name(
        ::_tempnam(parent.c_str(), prefixText.c_str()), &std::free);
    if (name == nullptr) {
      break;
    }
    std::string candidate(name.get());
    if (candidate.size() + 1 >= kMaxPath) {
      return std::nullopt;
    }
    if (::CreateDirectoryA(candidate.c_str(), nullptr) != 0) {
      return candidate;
    }
  }
  return MakeNumberedFolder(parent, prefixText);
}

std::optional<std::string> FindInFolder(const std::string &folder,
                                        std::string_view name) {
  // The file system compares names without regard to case already; the
  // search answers the last component as it is stored, so both systems
  // give the same spelling. Wildcards would turn the name into a pattern.
  if (name.empty() || name.find_first_of("*?") != std::string_view::npos) {
    return std::nullopt;
  }
  std::string path = WithTrailingSeparator(folder) + std::string(name);
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // A name ending with a separator is no search pattern; it still exists.
    if (!PathExists(path)) {
      return std::nullopt;
    }
    return path;
  }
  ::FindClose(search);
  std::size_t lastSeparator = path.find_last_of("\\/");
  return path.substr(0, lastSeparator + 1) + found.cFileName;
}

} // namespace vorafile::platform
