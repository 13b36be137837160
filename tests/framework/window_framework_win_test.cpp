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

TEST(WndTest, CloseDestroysWithoutHandleMessageSeeingCloseOrDestroy) {
  LoggingWnd object;
  ASSERT_TRUE(object.Create());
  HWND window = object.Handle();
  ASSERT_TRUE(IsWindow(window));
  const std::string className = ClassOf(window);
  ASSERT_FALSE(className.empty());
  EXPECT_FALSE(IsWindowVisible(window));
  ASSERT_FALSE(object.calls.empty());
  // Messages before WM_CREATE went to the default procedure.
  EXPECT_EQ(object.calls.front(), (Call{"HandleMessage", WM_CREATE}));
  object.calls.clear();

  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  // Only the destruction hook, once; nothing after it (WM_NCDESTROY goes to
  // the default procedure once the object is detached).
  EXPECT_EQ(Only(object.calls, {WM_CLOSE, WM_DESTROY, WM_NCDESTROY, 0}), (std::vector<Call>{{"OnWindowDestroyed", 0}}))
      << Describe(object.calls);
  EXPECT_EQ(object.calls.back(), (Call{"OnWindowDestroyed", 0})) << Describe(object.calls);
  EXPECT_EQ(object.Handle(), nullptr);

  EXPECT_TRUE(ClassRegistered(className));
  object.Destroy();
  EXPECT_FALSE(ClassRegistered(className));
}

TEST(WndTest, EveryObjectGetsAClassOfItsOwnNamedByCounterThreadAndModule) {
  LoggingWnd first, second;
  ASSERT_TRUE(first.Create());
  ASSERT_TRUE(second.Create());
  const std::string firstClass = ClassOf(first.Handle()), secondClass = ClassOf(second.Handle());
  unsigned n1 = 0, n2 = 0, t1 = 0, t2 = 0;
  unsigned long long m1 = 0;
  ASSERT_EQ(sscanf(firstClass.c_str(), "WndClass 0x%X 0x%X 0x%llX", &n1, &t1, &m1), 3) << firstClass;
  ASSERT_EQ(sscanf(secondClass.c_str(), "WndClass 0x%X 0x%X", &n2, &t2), 2);
  EXPECT_EQ(n2, n1 + 1);
  EXPECT_EQ(t1, GetCurrentThreadId());
  EXPECT_EQ(m1, reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)));
  EXPECT_NE(firstClass, secondClass);

  std::string other;
  std::thread([&] {
    LoggingWnd elsewhere;
    elsewhere.Create();
    other = ClassOf(elsewhere.Handle());
    unsigned n = 0, t = 0;
    sscanf(other.c_str(), "WndClass 0x%X 0x%X", &n, &t);
    EXPECT_EQ(t, GetCurrentThreadId());
    elsewhere.Destroy();
  }).join();
  EXPECT_NE(other, firstClass);
  first.Destroy();
  second.Destroy();
}

TEST(WndTest, MessageOnlyWindowsOfOneKindShareAClassPerThreadUntilTheLastIsGone) {
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

  std::string other;
  std::thread([&] {
    LoggingWnd elsewhere;
    EXPECT_TRUE(elsewhere.CreateMessageOnly("TestKind"));
    other = ClassOf(elsewhere.Handle());
    elsewhere.Destroy();
    EXPECT_FALSE(ClassRegistered(other));
  }).join();
  EXPECT_NE(other, name);

  const HWND firstWindow = first.Handle();
  PostMessageA(firstWindow, WM_USER + 8, 0, 0);
  first.Destroy();
  EXPECT_EQ(first.Handle(), nullptr);
  EXPECT_EQ(first.calls.back(), (Call{"OnWindowDestroyed", 0}));
  EXPECT_TRUE(ClassRegistered(name)) << "still used by the second window";
  first.Destroy();  // a second Destroy gives up nothing more
  EXPECT_TRUE(ClassRegistered(name));

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
  EXPECT_FALSE(ClassRegistered(name));
  EXPECT_FALSE(IsWindow(firstWindow)) << "kept windows go with the last object";

  LoggingWnd again;  // the last one gone, the next registers anew
  ASSERT_TRUE(again.CreateMessageOnly("TestKind"));
  EXPECT_TRUE(ClassRegistered(name));
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
  EXPECT_FALSE(ClassRegistered(className));

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
