#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "framework/ui_thread_win.h"
#include "framework/wnd_win.h"
#include "message_log_win.h"

namespace {

bool ClassRegistered(const std::string& name) {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  return GetClassInfoExA(GetModuleHandleA(nullptr), name.c_str(), &info);
}

// The class a window was created with, as any program can ask for it.
std::string ClassOf(HWND window) {
  char name[260] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

class LoggingWnd : public Wnd {
 public:
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    calls.push_back({"HandleMessage", msg});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  void OnWindowDestroyed() override { calls.push_back({"OnWindowDestroyed", 0}); }
  std::vector<Call> calls;
};

TEST(WndTest, BoundFromNcCreateAndCloseDestroysWithoutHandleMessageSeeingCloseOrDestroy) {
  LoggingWnd object;
  ASSERT_TRUE(object.Create());
  HWND window = object.Handle();
  ASSERT_TRUE(IsWindow(window));
  const std::string className = ClassOf(window);
  ASSERT_FALSE(className.empty());
  EXPECT_FALSE(IsWindowVisible(window));
  // WM_NCCREATE binds and goes to the default procedure; the object has
  // what follows it.
  EXPECT_EQ(Only(object.calls, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}),
            (std::vector<Call>{{"HandleMessage", WM_NCCALCSIZE}, {"HandleMessage", WM_CREATE}}))
      << Describe(object.calls);
  object.calls.clear();

  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  // Only the destruction hook, once; nothing after it (WM_NCDESTROY goes to
  // the default procedure once the object is detached).
  EXPECT_EQ(Only(object.calls, {WM_CLOSE, WM_DESTROY, WM_NCDESTROY, 0}), (std::vector<Call>{{"OnWindowDestroyed", 0}}))
      << Describe(object.calls);
  EXPECT_EQ(object.calls.back(), (Call{"OnWindowDestroyed", 0})) << Describe(object.calls);
  EXPECT_EQ(object.Handle(), nullptr);

  object.Destroy();
  EXPECT_TRUE(ClassRegistered(className)) << "kept for the next object";
}

TEST(WndTest, EveryWindowOnEveryThreadSharesTheOneClass) {
  LoggingWnd first, second;
  ASSERT_TRUE(first.Create());
  ASSERT_TRUE(second.Create());
  const std::string name = ClassOf(first.Handle());
  EXPECT_EQ(ClassOf(second.Handle()), name);
  std::string other;
  std::thread([&] {
    LoggingWnd elsewhere;
    EXPECT_TRUE(elsewhere.Create());
    other = ClassOf(elsewhere.Handle());
    elsewhere.Destroy();
  }).join();
  EXPECT_EQ(other, name);
  first.Destroy();
  second.Destroy();
}

TEST(WndTest, MessageOnlyWindowsOfOneKindShareAClassAndAreReusedOnTheirThread) {
  LoggingWnd first, second;
  ASSERT_TRUE(first.CreateMessageOnly("TestKind"));
  ASSERT_TRUE(second.CreateMessageOnly("TestKind"));
  const std::string name = ClassOf(first.Handle());
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(name, ClassOf(second.Handle()));
  EXPECT_EQ(GetAncestor(first.Handle(), GA_PARENT), GetAncestor(second.Handle(), GA_PARENT));
  EXPECT_NE(GetAncestor(first.Handle(), GA_PARENT), GetDesktopWindow());
  EXPECT_NE(FindWindowExA(HWND_MESSAGE, nullptr, name.c_str(), nullptr), nullptr);
  // Messages reach the object as for any Wnd.
  SendMessageA(first.Handle(), WM_USER + 7, 0, 0);
  EXPECT_EQ(first.calls.back(), (Call{"HandleMessage", WM_USER + 7}));

  const HWND firstWindow = first.Handle();
  PostMessageA(firstWindow, WM_USER + 8, 0, 0);
  first.Destroy();
  EXPECT_EQ(first.Handle(), nullptr);
  EXPECT_EQ(first.calls.back(), (Call{"OnWindowDestroyed", 0}));
  first.Destroy();  // a second Destroy gives up nothing more
  EXPECT_TRUE(ClassRegistered(name));

  // Another thread's object gets the class but a window of its own thread,
  // not the one kept here.
  std::string other;
  std::thread([&] {
    LoggingWnd elsewhere;
    EXPECT_TRUE(elsewhere.CreateMessageOnly("TestKind"));
    other = ClassOf(elsewhere.Handle());
    EXPECT_EQ(GetWindowThreadProcessId(elsewhere.Handle(), nullptr), GetCurrentThreadId());
    elsewhere.Destroy();
  }).join();
  EXPECT_EQ(other, name);

  // The window given back serves the next object, without what was queued
  // for the last one.
  LoggingWnd third;
  ASSERT_TRUE(third.CreateMessageOnly("TestKind"));
  EXPECT_EQ(third.Handle(), firstWindow);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  SendMessageA(third.Handle(), WM_USER + 9, 0, 0);
  EXPECT_EQ(third.calls, (std::vector<Call>{{"HandleMessage", WM_USER + 9}}));
  third.Destroy();
  second.Destroy();
  EXPECT_FALSE(IsWindow(firstWindow)) << "kept windows go with the last object";

  LoggingWnd again;  // the last one gone, the next gets a new window
  ASSERT_TRUE(again.CreateMessageOnly("TestKind"));
  EXPECT_EQ(ClassOf(again.Handle()), name);
  again.Destroy();
}

constexpr UINT kPing = WM_USER + 1;

class LoggingThread : public UIthread {
 public:
  ~LoggingThread() override { Stop(); }
  LRESULT HandleMessage(HWND, UINT msg, WPARAM, LPARAM) override {
    if (msg == kPing) {
      ++pings;
      pingThread = GetCurrentThreadId();
    }
    return msg == kPing ? 42 : 0;
  }
  void OnThreadStart() override {
    ++starts;
    startThread = GetCurrentThreadId();
  }
  void OnThreadStop() override { ++stops; }
  void OnWindowDestroyed() override {
    if (reportTo) SendMessageA(reportTo, kPing, 7, 0);
    UIthread::OnWindowDestroyed();
  }

  std::atomic<int> starts{0}, stops{0}, pings{0};
  std::atomic<DWORD> startThread{0}, pingThread{0};
  HWND reportTo = nullptr;
};

TEST(UIthreadTest, StartTwiceRunsOneThreadAndStopEndsIt) {
  LoggingThread worker;
  worker.Stop();  // nothing to stop
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(worker.stops, 0);

  ASSERT_TRUE(worker.Start());
  HWND window = worker.Handle();
  ASSERT_TRUE(IsWindow(window));
  const std::string className = ClassOf(window);
  ASSERT_TRUE(ClassRegistered(className));
  ASSERT_TRUE(worker.Start());
  EXPECT_EQ(worker.Handle(), window);
  EXPECT_EQ(SendMessageA(window, kPing, 0, 0), 42);
  EXPECT_EQ(worker.starts, 1);
  EXPECT_EQ(worker.pings, 1);
  EXPECT_NE(worker.pingThread.load(), GetCurrentThreadId());
  EXPECT_EQ(worker.pingThread.load(), worker.startThread.load());
  EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), worker.startThread.load());

  worker.Stop();
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(worker.stops, 1);
  EXPECT_FALSE(IsWindow(window));

  // And again, as the setup dialog's preview restarts.
  ASSERT_TRUE(worker.Start());
  // OnThreadStart runs while Start's caller goes on; the thread serves a
  // sent message only after it.
  EXPECT_EQ(SendMessageA(worker.Handle(), kPing, 0, 0), 42);
  EXPECT_EQ(worker.starts, 2);
  worker.Stop();
  EXPECT_EQ(worker.stops, 2);
}

class FailingThread : public UIthread {
 public:
  LRESULT HandleMessage(HWND, UINT msg, WPARAM, LPARAM) override { return msg == WM_CREATE ? -1 : 0; }
  void OnThreadStart() override { ++starts; }
  void OnThreadStop() override { ++stops; }
  int starts = 0, stops = 0;
};

TEST(UIthreadTest, StartReportsAThreadThatCouldNotCreateItsWindow) {
  FailingThread worker;
  EXPECT_FALSE(worker.Start());
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(worker.starts, 0);
  EXPECT_EQ(worker.stops, 0);
  worker.Stop();
}

class Receiver : public Wnd {
 public:
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kPing) received = static_cast<int>(wParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  int received = 0;
};

TEST(UIthreadTest, StopHandlesWhatTheEndingThreadSendsToTheStopper) {
  Receiver display;
  ASSERT_TRUE(display.Create());
  LoggingThread worker;
  worker.reportTo = display.Handle();
  ASSERT_TRUE(worker.Start());
  worker.Stop();
  // Without handling sent messages while waiting, the worker would still be
  // blocked in its send when Stop gave up.
  EXPECT_EQ(display.received, 7);
  EXPECT_EQ(worker.stops, 1);
  display.Destroy();
}

}  // namespace
