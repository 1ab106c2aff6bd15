// POSIX: the wait hook stands in for the window procedure that the Windows
// wait dispatches, and calls back into the dispatcher while a package opens
// or saves.
#include "host/message_dispatcher.h"

#include "host/host_package_fixture.h"
#include "host/reentrant_calls.h"
#include "platform/worker_thread.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace vorafile {
namespace {

using test::HostPackageTest;
using test::ReentrantCalls;

// Removes the hook however the test ends.
class ScopedWaitHook {
public:
  explicit ScopedWaitHook(std::function<void()> hook) {
    platform::SetWaitHookForTesting(std::move(hook));
  }
  ScopedWaitHook(const ScopedWaitHook &) = delete;
  ScopedWaitHook &operator=(const ScopedWaitHook &) = delete;
  ~ScopedWaitHook() { platform::SetWaitHookForTesting(nullptr); }
};

using MessageReentrancyTest = HostPackageTest;

TEST_F(MessageReentrancyTest, CallsDuringASaveChangeNothing) {
  const std::string cabinet = PackScene("scene");
  const std::string target = source_.file("saved.cab");
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ASSERT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE,
                            reinterpret_cast<std::uintptr_t>(cabinet.c_str()),
                            0, 0, 0),
            1u);
  for (std::uint32_t save : {VORA_MSG_SAVE_PACKAGE, VORA_MSG_SAVE_PACKAGE_AS}) {
    ReentrantCalls calls(dispatcher, cabinet, source_.file("other.cab"),
                         source_.folder());
    {
      ScopedWaitHook hook([&] {
        if (!calls.ran)
          calls.Send();
      });
      EXPECT_EQ(
          dispatcher.Send(
              save, reinterpret_cast<std::uintptr_t>(target.c_str()), 0, 0, 0),
          1u)
          << save;
    }
    calls.ExpectRefusedChangesAndWorkingReads(true);
    EXPECT_FALSE(std::filesystem::exists(source_.file("other.cab")));
    ASSERT_NE(dispatcher.GetFileManager(), nullptr);
  }
  // Once the save is over, changes work again.
  EXPECT_EQ(dispatcher.Send(VORA_MSG_WRITE_SCRIPT, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 1u);
  EXPECT_EQ(WorkFolderCount(), 0u);
}

TEST_F(MessageReentrancyTest, CallsDuringAnOpenChangeNothing) {
  const std::string cabinet = PackScene("scene");
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ReentrantCalls calls(dispatcher, cabinet, source_.file("other.cab"),
                       source_.folder());
  {
    ScopedWaitHook hook([&] {
      if (!calls.ran)
        calls.Send();
    });
    EXPECT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE,
                              reinterpret_cast<std::uintptr_t>(cabinet.c_str()),
                              0, 0, 0),
              1u);
  }
  // The first open has not loaded its scene when its cabinet is extracted.
  calls.ExpectRefusedChangesAndWorkingReads(false);
  ASSERT_NE(dispatcher.GetFileManager(), nullptr);
  EXPECT_EQ(WorkFolderCount(), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 1u);
  EXPECT_EQ(WorkFolderCount(), 0u);
}

} // namespace
} // namespace vorafile
