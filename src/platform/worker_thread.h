// One worker thread per long operation, and the wait for it.
#ifndef VORAFILE_PLATFORM_WORKER_THREAD_H
#define VORAFILE_PLATFORM_WORKER_THREAD_H

#include <functional>
#include <memory>

namespace vorafile::platform {

class WorkerThread {
public:
  WorkerThread();
  WorkerThread(const WorkerThread &) = delete;
  WorkerThread &operator=(const WorkerThread &) = delete;
  /// Waits for a work still running.
  ~WorkerThread();

  /// Runs `work` on a new thread. False when no thread could be started (the
  /// work is not run then) or one is running already.
  [[nodiscard]] bool Start(std::function<void()> work);

  /// Blocks until the started work has returned; returns at once when none
  /// was started. On Windows the calling thread keeps dispatching its window
  /// messages meanwhile (a quit message is consumed), without spinning, so
  /// window procedures can run and re-enter the library.
  void WaitDispatchingMessages();

  [[nodiscard]] bool IsStarted() const;

private:
  struct State;
  std::unique_ptr<State> state_;
};

#ifndef _WIN32
/// Tests only. `hook` runs on the waiting thread once per wait for a started
/// work, before the work is joined, as a window procedure runs during the
/// Windows wait; an empty function removes it. Process-wide and not
/// synchronised: change it only while no wait runs.
void SetWaitHookForTesting(std::function<void()> hook);
#endif

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_WORKER_THREAD_H
