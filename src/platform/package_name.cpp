#include "platform/package_name.h"

#include "platform/file_system.h"

namespace vorafile::platform {

namespace {

bool IsNameSeparator(char c) {
  return c == '\\' || c == '/';
}

// A component made of dots and blanks with at least two dots names the
// parent folder on Windows, or nothing valid.
bool ClimbsOut(std::string_view component) {
  std::size_t dots = 0;
  for (char c : component) {
    if (c == '.') {
      ++dots;
    } else if (c != ' ') {
      return false;
    }
  }
  return dots >= 2;
}

// Calls `visit` with each non-empty component of `name`; stops and answers
// false when `visit` does.
template <class Visit>
bool ForEachComponent(std::string_view name, Visit visit) {
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsNameSeparator(name[end])) {
      ++end;
    }
    std::string_view component = name.substr(start, end - start);
    if (!component.empty() && !visit(component)) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

} // namespace

bool IsInsideFolderName(std::string_view name) {
  if (name.empty() || IsNameSeparator(name.front()) ||
      name.find(':') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos) {
    return false;
  }
  return ForEachComponent(
      name, [](std::string_view component) { return !ClimbsOut(component); });
}

std::optional<std::string> ResolvePackageName(const std::string &folder,
                                              std::string_view name) {
  if (!IsInsideFolderName(name)) {
    return std::nullopt;
  }
  std::string path = WithTrailingSeparator(folder);
  bool first = true;
  const bool found = ForEachComponent(name, [&](std::string_view component) {
    if (component == ".") {
      return true;
    }
    if (!first) {
      path += kPathSeparator;
    }
    first = false;
    std::optional<std::string> next = FindInFolder(path, component);
    if (!next) {
      return false;
    }
    path = std::move(*next);
    return true;
  });
  if (!found || first) {
    return std::nullopt;
  }
  return path;
}

std::optional<std::string> PackagePathFor(const std::string &folder,
                                          std::string_view name) {
  if (!IsInsideFolderName(name)) {
    return std::nullopt;
  }
  if (std::optional<std::string> found = ResolvePackageName(folder, name)) {
    return found;
  }
  std::string path = WithTrailingSeparator(folder);
  for (char c : name) {
    path += IsNameSeparator(c) ? kPathSeparator : c;
  }
  return path;
}

} // namespace vorafile::platform
