// Windows-only tests: a window procedure calls back into the dispatcher
// while the wait for a package's worker dispatches the thread's messages.
#include "host/message_dispatcher.h"

#include "host/host_package_fixture.h"
#include "host/reentrant_calls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <windows.h>

namespace vorafile {
namespace {

using test::HostPackageTest;
using test::ReentrantCalls;

constexpr UINT kCallBack = WM_APP + 2;

// A message-only window whose procedure sends the re-entrant calls when it
// receives kCallBack.
class CallBackWindow {
public:
  explicit CallBackWindow(ReentrantCalls &calls) : calls_(calls) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &CallBackWindow::Procedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VorafileCallBackWindow";
    ::RegisterClassA(&windowClass); // fails harmlessly when registered
    window_ = ::CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0,
                                HWND_MESSAGE, nullptr, windowClass.hInstance,
                                nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(this));
  }
  CallBackWindow(const CallBackWindow &) = delete;
  CallBackWindow &operator=(const CallBackWindow &) = delete;
  ~CallBackWindow() { ::DestroyWindow(window_); }

  [[nodiscard]] bool Post() const {
    return window_ != nullptr && ::PostMessageA(window_, kCallBack, 0, 0) != 0;
  }

private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
    if (message == kCallBack) {
      auto *self = reinterpret_cast<CallBackWindow *>(
          ::GetWindowLongPtrA(window, GWLP_USERDATA));
      self->calls_.Send();
      return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
  }

  ReentrantCalls &calls_;
  HWND window_ = nullptr;
};

using Win32MessageReentrancyTest = HostPackageTest;

TEST_F(Win32MessageReentrancyTest, WindowCallsDuringASaveChangeNothing) {
  const std::string cabinet = PackScene("scene");
  const std::string target = source_.file("saved.cab");
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ASSERT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, Arg(cabinet), 0, 0, 0), 1u);
  for (std::uint32_t save : {VORA_MSG_SAVE_PACKAGE, VORA_MSG_SAVE_PACKAGE_AS}) {
    ReentrantCalls calls(dispatcher, cabinet, source_.file("other.cab"),
                         source_.folder());
    CallBackWindow window(calls);
    // Queued before the save: only the save's wait can dispatch it.
    ASSERT_TRUE(window.Post());
    EXPECT_EQ(dispatcher.Send(save, Arg(target), 0, 0, 0), 1u) << save;
    calls.ExpectRefusedChangesAndWorkingReads(true);
    EXPECT_FALSE(std::filesystem::exists(source_.file("other.cab")));
    ASSERT_NE(dispatcher.GetFileManager(), nullptr);
  }
  EXPECT_EQ(dispatcher.Send(VORA_MSG_WRITE_SCRIPT, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 1u);
  EXPECT_EQ(WorkFolderCount(), 0u);
}

TEST_F(Win32MessageReentrancyTest, WindowCallsDuringAnOpenChangeNothing) {
  const std::string cabinet = PackScene("scene");
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ReentrantCalls calls(dispatcher, cabinet, source_.file("other.cab"),
                       source_.folder());
  CallBackWindow window(calls);
  ASSERT_TRUE(window.Post());
  EXPECT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, Arg(cabinet), 0, 0, 0), 1u);
  calls.ExpectRefusedChangesAndWorkingReads(false);
  ASSERT_NE(dispatcher.GetFileManager(), nullptr);
  EXPECT_EQ(WorkFolderCount(), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 1u);
  EXPECT_EQ(WorkFolderCount(), 0u);
}

} // namespace
} // namespace vorafile
