#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iostream>
#include <sstream>
#include <system_error>

namespace vorafile::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string stem =
      info ? std::string(info->test_suite_name()) + "." + info->name()
           : std::string("test");
  for (char &c : stem) {
    if (c == '/' || c == '\\')
      c = '_';
  }
  fs::path base = fs::temp_directory_path() / "vorafile-tests";
  fs::create_directories(base);
  for (;;) {
    fs::path candidate = base / (stem + "." + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate;
      break;
    }
    if (ec)
      throw fs::filesystem_error("cannot create test folder", candidate, ec);
  }
}

TempDir::~TempDir() {
  if (::testing::Test::HasFailure()) {
    std::cerr << "test folder kept: " << path_.string() << "\n";
    return;
  }
  std::error_code ec;
  // Tests may leave read-only entries behind; make them deletable first.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink())
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add,
                      ec);
  }
  fs::remove_all(path_, ec);
}

std::string TempDir::folder() const {
  std::string s = path_.string();
  s += static_cast<char>(fs::path::preferred_separator);
  return s;
}

std::string TempDir::file(std::string_view name) const {
  return folder() + std::string(name);
}

void TempDir::write(std::string_view name, std::string_view contents) const {
  fs::path target = path_ / fs::path(std::string(name));
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (!out)
    throw std::runtime_error("cannot write " + target.string());
}

std::string TempDir::read(std::string_view name) const {
  std::ifstream in(path_ / fs::path(std::string(name)), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

} // namespace vorafile::test
