#include "package/work_folder.h"

#include "platform/file_system.h"

#include <new>

namespace vorafile {

namespace {

constexpr std::string_view kWorkFolderPrefix = "__";

// Deeper trees than this cannot come from a package (their paths would
// exceed the path limit many times over); stopping there bounds the stack.
constexpr int kMaxTreeDepth = 256;

bool IsPlainFolder(std::uint32_t attributes) {
  return attributes == platform::attr::kDirectory;
}

void DeleteTreeContents(const std::string &folder, int depth) {
  if (depth > kMaxTreeDepth) {
    return;
  }
  for (const platform::FolderEntry &entry : platform::ListFolder(folder)) {
    std::string path = folder + entry.name;
    const std::uint32_t attributes = entry.attributes;
    if (attributes & platform::attr::kReparsePoint) {
      // A link: remove the link itself, whatever it points at.
      if (attributes & platform::attr::kDirectory) {
        // Single failures are skipped: the rest of the tree still goes.
        (void)platform::RemoveEmptyFolder(path);
      } else {
        (void)platform::RemoveFile(path); // skipped as above
      }
      continue;
    }
    if (attributes & platform::attr::kDirectory) {
      // A read-only or hidden subfolder is still part of the tree: make it
      // plain so that it can go with the rest.
      if (!IsPlainFolder(attributes)) {
        (void)platform::WriteAttributes(path, platform::attr::kNormal);
      }
      std::string subfolder = platform::WithTrailingSeparator(path);
      DeleteTreeContents(subfolder, depth + 1);
      (void)platform::RemoveEmptyFolder(path); // skipped as above
      continue;
    }
    (void)platform::WriteAttributes(path, platform::attr::kNormal);
    (void)platform::RemoveFile(path); // skipped as above
  }
}

} // namespace

std::optional<std::string> MakeWorkFolder(const std::string &tempRoot) {
  std::optional<std::string> folder =
      platform::MakeFreshFolder(tempRoot, kWorkFolderPrefix);
  if (!folder) {
    return std::nullopt;
  }
  std::string path;
  try {
    path = platform::WithTrailingSeparator(*folder);
  } catch (const std::bad_alloc &) {
    // Nobody else knows the folder: it goes before the failure does.
    (void)platform::RemoveEmptyFolder(*folder); // best effort, as below
    throw;
  }
  if (path.size() >= platform::kMaxPath) {
    // Best effort: the open fails either way, and an empty folder left in
    // the temporary folder harms nothing.
    (void)platform::RemoveEmptyFolder(path);
    return std::nullopt;
  }
  return path;
}

void DeleteFolderTree(const std::string &folder) {
  if (folder.empty()) {
    return;
  }
  std::optional<std::uint32_t> attributes = platform::ReadAttributes(folder);
  if (!attributes || !IsPlainFolder(*attributes)) {
    return;
  }
  std::string base = platform::WithTrailingSeparator(folder);
  DeleteTreeContents(base, 0);
  // A folder that keeps an entry stays: deletion has no result to report.
  (void)platform::RemoveEmptyFolder(base);
}

} // namespace vorafile
