#include "platform/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>

namespace vorafile::platform {
namespace {

TEST(WorkerThreadTest, WaitReturnsAfterTheWorkIsDone) {
  std::atomic<bool> done{false};
  std::thread::id workerId;
  WorkerThread worker;
  EXPECT_FALSE(worker.IsStarted());
  worker.WaitDispatchingMessages(); // nothing started: returns at once

  ASSERT_TRUE(worker.Start([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    workerId = std::this_thread::get_id();
    done = true;
  }));
  worker.WaitDispatchingMessages();
  EXPECT_TRUE(done);
  EXPECT_NE(workerId, std::this_thread::get_id());

  // A finished worker object can run the next work.
  std::atomic<int> runs{0};
  ASSERT_TRUE(worker.Start([&] { ++runs; }));
  worker.WaitDispatchingMessages();
  EXPECT_EQ(runs, 1);
}

TEST(WorkerThreadTest, AWorkThatThrowsEndsWithoutEndingTheProcess) {
  // Out of memory inside a pack or an extraction must fail the operation,
  // not terminate the host.
  std::atomic<bool> finished{false};
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] {
    throw std::bad_alloc();
    finished = true; // never reached: the operation's "done" stays unset
  }));
  worker.WaitDispatchingMessages();
  EXPECT_FALSE(finished);
  ASSERT_TRUE(worker.Start([&] { finished = true; }));
  worker.WaitDispatchingMessages();
  EXPECT_TRUE(finished);
}

TEST(WorkerThreadTest, OneWorkAtATime) {
  std::atomic<bool> release{false};
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] {
    while (!release)
      std::this_thread::yield();
  }));
  EXPECT_FALSE(worker.Start([] {}));
  EXPECT_FALSE(WorkerThread().Start(nullptr));
  release = true;
  worker.WaitDispatchingMessages();
}

TEST(WorkerThreadTest, DestructionWaitsForTheWork) {
  std::atomic<bool> finished{false};
  {
    WorkerThread worker;
    ASSERT_TRUE(worker.Start([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      finished = true;
    }));
  }
  EXPECT_TRUE(finished);
}

#ifndef _WIN32
// The hook stands in for the window procedures that the Windows wait runs:
// on the waiting thread, once per wait for a started work, while that work
// may still be running.
TEST(WorkerThreadTest, WaitHookRunsOnTheWaitingThreadOncePerWait) {
  int calls = 0;
  std::thread::id hookThread;
  std::atomic<bool> release{false};
  std::atomic<bool> workDoneAtHook{true};
  std::atomic<bool> workDone{false};
  SetWaitHookForTesting([&] {
    ++calls;
    hookThread = std::this_thread::get_id();
    workDoneAtHook = workDone.load();
    release = true;
  });
  WorkerThread worker;
  worker.WaitDispatchingMessages(); // nothing started: no hook
  EXPECT_EQ(calls, 0);
  // The work can only end once the hook has run.
  ASSERT_TRUE(worker.Start([&] {
    while (!release)
      std::this_thread::yield();
    workDone = true;
  }));
  worker.WaitDispatchingMessages();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(hookThread, std::this_thread::get_id());
  EXPECT_FALSE(workDoneAtHook);
  worker.WaitDispatchingMessages(); // joined already: no hook
  EXPECT_EQ(calls, 1);

  SetWaitHookForTesting(nullptr);
  ASSERT_TRUE(worker.Start([] {}));
  worker.WaitDispatchingMessages();
  EXPECT_EQ(calls, 1);
}
#endif

} // namespace
} // namespace vorafile::platform
