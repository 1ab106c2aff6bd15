#include "host/file_manager.h"

#include "platform/file_system.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorafile {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempDir;

TEST(FileManagerTest, ClosingWithoutAPackageDeletesNothing) {
  TempDir dir;
  ScopedEnv tmp("TMP", dir.path().string());
  std::string folder;
  {
    FileManager manager;
    std::optional<std::string> made = manager.MakeWorkFolder();
    ASSERT_TRUE(made);
    folder = *made;
    EXPECT_EQ(manager.Close(), 1);
  }
  EXPECT_TRUE(fs::is_directory(folder));
}

} // namespace
} // namespace vorafile
