// A private working folder per test: deleted when the test passed, kept (and
// named on stderr) when it failed, so its contents can be looked at.
#ifndef VORAFILE_TESTS_SUPPORT_TEMP_DIR_H
#define VORAFILE_TESTS_SUPPORT_TEMP_DIR_H

#include <filesystem>
#include <string>
#include <string_view>

namespace vorafile::test {

class TempDir {
public:
  TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  ~TempDir();

  const std::filesystem::path &path() const { return path_; }
  /// The folder as a string ending with the platform separator.
  std::string folder() const;
  /// folder() + name.
  std::string file(std::string_view name) const;
  /// Writes `contents` to folder() + name (binary); creates parent folders.
  void write(std::string_view name, std::string_view contents) const;
  /// Reads folder() + name whole; empty when missing.
  std::string read(std::string_view name) const;

private:
  std::filesystem::path path_;
};

} // namespace vorafile::test

#endif // VORAFILE_TESTS_SUPPORT_TEMP_DIR_H
