// POSIX-only code: worker threads over std::thread; nothing to dispatch while
// waiting but the test hook.
#include "platform/worker_thread.h"

#include <system_error>
#include <thread>

namespace vorafile::platform {

struct WorkerThread::State {
  std::thread thread;
};

namespace {

std::function<void()> &WaitHook() {
  static std::function<void()> hook;
  return hook;
}

} // namespace

void SetWaitHookForTesting(std::function<void()> hook) {
  WaitHook() = std::move(hook);
}

WorkerThread::WorkerThread() : state_(std::make_unique<State>()) {}

WorkerThread::~WorkerThread() {
  WaitDispatchingMessages();
}

bool WorkerThread::Start(std::function<void()> work) {
  if (state_->thread.joinable() || !work) {
    return false;
  }
  // Nothing may unwind out of a thread (std::terminate would end the
  // host): a work that throws, out of memory say, simply never reports
  // that it finished, and its operation fails.
  auto guarded = [work = std::move(work)] {
    try {
      work();
    } catch (...) {
    }
  };
  try {
    state_->thread = std::thread(std::move(guarded));
  } catch (const std::system_error &) {
    return false;
  }
  return true;
}

void WorkerThread::WaitDispatchingMessages() {
  if (!state_->thread.joinable()) {
    return;
  }
  // A copy: the hook may re-enter the library, and so another wait.
  if (std::function<void()> hook = WaitHook()) {
    hook();
  }
  state_->thread.join();
}

bool WorkerThread::IsStarted() const {
  return state_->thread.joinable();
}

} // namespace vorafile::platform
