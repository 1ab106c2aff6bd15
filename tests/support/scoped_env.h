// Sets an environment variable for the life of a test and restores it.
#ifndef VORAFILE_TESTS_SUPPORT_SCOPED_ENV_H
#define VORAFILE_TESTS_SUPPORT_SCOPED_ENV_H

#include <cstdlib>
#include <optional>
#include <string>

namespace vorafile::test {

class ScopedEnv {
public:
  ScopedEnv(std::string name, const std::string &value)
      : name_(std::move(name)) {
    if (const char *old = std::getenv(name_.c_str()))
      old_ = old;
    Set(value);
  }
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;
  ~ScopedEnv() {
    if (old_)
      Set(*old_);
    else
      Unset();
  }

private:
  void Set(const std::string &value) const {
#ifdef _WIN32
    _putenv_s(name_.c_str(), value.c_str());
#else
    setenv(name_.c_str(), value.c_str(), 1);
#endif
  }
  void Unset() const {
#ifdef _WIN32
    _putenv_s(name_.c_str(), "");
#else
    unsetenv(name_.c_str());
#endif
  }

  std::string name_;
  std::optional<std::string> old_;
};

} // namespace vorafile::test

#endif // VORAFILE_TESTS_SUPPORT_SCOPED_ENV_H
