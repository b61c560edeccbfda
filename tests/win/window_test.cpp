// The window base and the hand-over of work to the UI thread, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "win/window_win.h"

namespace strevo {
namespace {

constexpr wchar_t kTestClass[] = L"StrevoWindowBaseTest";

class Recorder : public Window {
 public:
  explicit Recorder(std::vector<UINT>* log) : log_(log) {}
  int destroyed = 0;
  int userMessages = 0;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (log_) log_->push_back(msg);
    if (msg == WM_USER + 7) return ++userMessages + 1000;
    return Default(msg, wp, lp);
  }
  void OnDestroyed() override { ++destroyed; }

 private:
  std::vector<UINT>* log_;
};

// Pumps this thread's messages until done() or the deadline.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  return true;
}

TEST(WindowBase, EachWindowReachesItsOwnObjectFromCreationToDestruction) {
  ASSERT_TRUE(Window::RegisterClassOnce({kTestClass}));
  ASSERT_TRUE(Window::RegisterClassOnce({kTestClass}));  // a second registration is harmless
  std::vector<UINT> logA, logB;
  Recorder a(&logA), b(&logB);
  HWND ha = a.Create({kTestClass, L"a", WS_OVERLAPPEDWINDOW});
  HWND hb = b.Create({kTestClass, L"b", WS_OVERLAPPEDWINDOW});
  ASSERT_NE(ha, nullptr);
  ASSERT_NE(hb, nullptr);
  EXPECT_EQ(a.hwnd(), ha);
  EXPECT_EQ(a.Create({kTestClass}), nullptr);  // one window per object
  ASSERT_FALSE(logA.empty());
  EXPECT_EQ(logA.front(), static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(Window::FromHandle(ha), &a);
  EXPECT_EQ(Window::FromHandle(hb), &b);
  EXPECT_EQ(Window::FromHandle(GetDesktopWindow()), nullptr);

  EXPECT_EQ(SendMessageW(hb, WM_USER + 7, 0, 0), 1001);
  EXPECT_EQ(SendMessageW(hb, WM_USER + 7, 0, 0), 1002);
  EXPECT_EQ(a.userMessages, 0);
  EXPECT_EQ(b.userMessages, 2);

  DestroyWindow(ha);
  EXPECT_EQ(a.hwnd(), nullptr);
  EXPECT_EQ(a.destroyed, 1);
  EXPECT_EQ(logA.back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(ha));
  EXPECT_EQ(b.destroyed, 0);
  auto scoped = std::make_unique<Recorder>(nullptr);
  HWND hs = scoped->Create({kTestClass});
  ASSERT_NE(hs, nullptr);
  scoped.reset();  // the destructor takes the window with it
  EXPECT_FALSE(IsWindow(hs));
  b.Destroy();
  EXPECT_FALSE(IsWindow(hb));
}

TEST(WindowBase, TheShortRegistrationKeepsBackgroundStyleAndArrowAndDispatchesToObjects) {
  constexpr wchar_t kShortClass[] = L"StrevoWindowBaseShortTest";
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  ASSERT_TRUE(Window::RegisterClassOnce(kShortClass, face, CS_DBLCLKS));
  WNDCLASSEXW wc{sizeof wc};
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), kShortClass, &wc));
  EXPECT_EQ(wc.hbrBackground, face);
  EXPECT_EQ(wc.style & CS_DBLCLKS, static_cast<UINT>(CS_DBLCLKS));
  EXPECT_EQ(wc.hCursor, LoadCursorW(nullptr, IDC_ARROW));
  Recorder r(nullptr);
  HWND h = r.Create({kShortClass, L"short", WS_POPUP});
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Window::FromHandle(h), &r);
  EXPECT_EQ(SendMessageW(h, WM_USER + 7, 0, 0), 1001);
  r.Destroy();
  EXPECT_EQ(r.destroyed, 1);
}

TEST(WindowBase, AWindowOfTheClassCreatedWithoutAnObjectIsRefused) {
  ASSERT_TRUE(Window::RegisterClassOnce({kTestClass}));
  HWND h = CreateWindowExW(0, kTestClass, L"", 0, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  EXPECT_EQ(h, nullptr);
}

TEST(PostToUi, WorkFromAWorkerThreadRunsOnTheUiThreadInOrder) {
  ASSERT_TRUE(StartUiDispatcher());
  const DWORD uiThread = GetCurrentThreadId();
  constexpr int kCount = 500;
  std::vector<int> order;
  std::atomic<int> wrongThread{0};
  std::thread worker([&] {
    for (int i = 0; i < kCount; ++i)
      EXPECT_TRUE(PostToUi([&, i] {
        if (GetCurrentThreadId() != uiThread) ++wrongThread;
        order.push_back(i);  // touched only on the UI thread
      }));
  });
  EXPECT_TRUE(PumpUntil([&] { return order.size() == kCount; }, 10000));
  worker.join();
  EXPECT_EQ(wrongThread.load(), 0);
  ASSERT_EQ(order.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i) EXPECT_EQ(order[i], i);
  StopUiDispatcher();
}

TEST(PostToUi, NothingRunsOrLeaksOnceTheDispatcherStopped) {
  ASSERT_TRUE(StartUiDispatcher());
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  int ran = 0;
  // Queued but not yet run when the dispatcher stops: dropped, closure freed.
  ASSERT_TRUE(PostToUi([&ran, alive] { ++ran; }));
  alive.reset();
  StopUiDispatcher();
  EXPECT_TRUE(watch.expired());
  bool accepted = true;
  std::thread late([&] { accepted = PostToUi([&ran] { ++ran; }); });
  late.join();
  EXPECT_FALSE(accepted);
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(ran, 0);
  // And it can be started again.
  ASSERT_TRUE(StartUiDispatcher());
  ASSERT_TRUE(PostToUi([&ran] { ++ran; }));
  EXPECT_TRUE(PumpUntil([&] { return ran == 1; }, 5000));
  StopUiDispatcher();
}

}  // namespace
}  // namespace strevo
