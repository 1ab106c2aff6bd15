// Windows-only tests: the wait for a worker keeps the calling thread's window
// messages flowing.
#include "platform/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <windows.h>

namespace vorafile::platform {
namespace {

constexpr UINT kPing = WM_APP + 1;
// A guard against a hang when dispatching is broken, not a timing check.
constexpr DWORD kHangGuardMs = 10000;

// A message-only window whose procedure notes the thread it ran on and
// signals an event for each kPing.
class PingWindow {
public:
  PingWindow() : event_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &PingWindow::Procedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VorafilePingWindow";
    ::RegisterClassA(&windowClass); // fails harmlessly when registered
    window_ = ::CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0,
                                HWND_MESSAGE, nullptr, windowClass.hInstance,
                                nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(this));
  }
  PingWindow(const PingWindow &) = delete;
  PingWindow &operator=(const PingWindow &) = delete;
  ~PingWindow() {
    ::DestroyWindow(window_);
    ::CloseHandle(event_);
  }

  [[nodiscard]] bool IsValid() const {
    return window_ != nullptr && event_ != nullptr;
  }
  void Post() const { ::PostMessageA(window_, kPing, 0, 0); }
  [[nodiscard]] bool WaitForPing() const {
    return ::WaitForSingleObject(event_, kHangGuardMs) == WAIT_OBJECT_0;
  }
  [[nodiscard]] DWORD ProcedureThread() const { return procedureThread_; }

private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
    if (message == kPing) {
      auto *self = reinterpret_cast<PingWindow *>(
          ::GetWindowLongPtrA(window, GWLP_USERDATA));
      self->procedureThread_ = ::GetCurrentThreadId();
      ::SetEvent(self->event_);
      return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
  }

  HANDLE event_;
  HWND window_ = nullptr;
  std::atomic<DWORD> procedureThread_{0};
};

TEST(Win32WorkerThreadTest, WaitDispatchesMessagesPostedDuringTheWork) {
  PingWindow window;
  ASSERT_TRUE(window.IsValid());
  std::atomic<bool> answered{false};
  WorkerThread worker;
  // The work can only finish once the waiting thread has run the window
  // procedure.
  ASSERT_TRUE(worker.Start([&] {
    window.Post();
    answered = window.WaitForPing();
  }));
  worker.WaitDispatchingMessages();
  EXPECT_TRUE(answered);
  EXPECT_EQ(window.ProcedureThread(), ::GetCurrentThreadId());
  EXPECT_FALSE(worker.IsStarted());
}

TEST(Win32WorkerThreadTest, MessagesQueuedBeforeTheWaitAreDispatched) {
  PingWindow window;
  ASSERT_TRUE(window.IsValid());
  window.Post();
  // A peek marks the queued message as seen; a wait for new input alone
  // would sleep through it.
  MSG message{};
  ASSERT_NE(::PeekMessageA(&message, nullptr, kPing, kPing, PM_NOREMOVE), 0);
  std::atomic<bool> answered{false};
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] { answered = window.WaitForPing(); }));
  worker.WaitDispatchingMessages();
  EXPECT_TRUE(answered);
}

TEST(Win32WorkerThreadTest, QuitMessageIsConsumedByTheWait) {
  const DWORD waitingThread = ::GetCurrentThreadId();
  // Give the thread a message queue before the worker posts to it.
  MSG message{};
  ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  PingWindow window;
  ASSERT_TRUE(window.IsValid());
  std::atomic<bool> answered{false};
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([&] {
    ::PostThreadMessageA(waitingThread, WM_QUIT, 0, 0);
    window.Post();
    answered = window.WaitForPing();
  }));
  worker.WaitDispatchingMessages();
  // The quit did not end the wait early, and it is not left for the host.
  EXPECT_TRUE(answered);
  EXPECT_EQ(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE),
            0);
}

} // namespace
} // namespace vorafile::platform
