// Windows-only code: worker threads over _beginthreadex, and a wait that
// keeps the calling thread's window messages flowing.
#include "platform/worker_thread.h"

#include <process.h>
#include <windows.h>

namespace vorafile::platform {

struct WorkerThread::State {
  HANDLE thread = nullptr;
  std::function<void()> work;
};

namespace {

unsigned __stdcall RunWork(void *argument) {
  auto *work = static_cast<std::function<void()> *>(argument);
  // Nothing may unwind out of a thread procedure.
  try {
    (*work)();
  } catch (...) {
  }
  return 0;
}

// Dispatches every message waiting in the calling thread's queue. A quit
// message is taken and dropped: the wait belongs to the library, and the
// host's own loop is not running to act on it.
void DispatchWaitingMessages() {
  MSG message{};
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
    if (message.message == WM_QUIT) {
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

} // namespace

WorkerThread::WorkerThread() : state_(std::make_unique<State>()) {}

WorkerThread::~WorkerThread() {
  WaitDispatchingMessages();
}

bool WorkerThread::Start(std::function<void()> work) {
  if (state_->thread != nullptr || !work) {
    return false;
  }
  state_->work = std::move(work);
  std::uintptr_t thread =
      ::_beginthreadex(nullptr, 0, &RunWork, &state_->work, 0, nullptr);
  if (thread == 0) {
    state_->work = nullptr;
    return false;
  }
  // _beginthreadex answers the thread handle as an integer.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  state_->thread = reinterpret_cast<HANDLE>(thread);
  return true;
}

void WorkerThread::WaitDispatchingMessages() {
  if (state_->thread == nullptr) {
    return;
  }
  // Messages queued before the wait are dispatched even when the work is
  // over before the first wait: the wait answers the thread first then.
  DispatchWaitingMessages();
  for (;;) {
    // MWMO_INPUTAVAILABLE also wakes for messages that were already queued
    // (seen but not removed) before the wait began, which the plain call
    // would sleep through.
    DWORD woken = ::MsgWaitForMultipleObjectsEx(
        1, &state_->thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) {
      break;
    }
    if (woken == WAIT_OBJECT_0 + 1) {
      DispatchWaitingMessages();
      continue;
    }
    // The wait itself failed; a plain wait still ends with the worker.
    ::WaitForSingleObject(state_->thread, INFINITE);
    break;
  }
  ::CloseHandle(state_->thread);
  state_->thread = nullptr;
  state_->work = nullptr;
}

bool WorkerThread::IsStarted() const {
  return state_->thread != nullptr;
}

} // namespace vorafile::platform
