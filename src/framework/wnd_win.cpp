#include "framework/wnd_win.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/fixed_text.h"

namespace {
// Class names must be unique; threads create windows concurrently, so the
// counter is atomic.
std::atomic<uint32_t> windowsCreated{0};

// Creating and destroying a window costs about 1.5 ms under Wine, more than
// a whole web request should: the windows of a shared class are kept for the
// next object of the kind, up to this many per class.
constexpr size_t kIdleWindowsKept = 64;

// Objects of a shared class alive on this thread, and its windows kept for
// reuse. The class names carry the thread id, so no other thread touches
// these.
struct SharedClass {
  int users = 0;
  std::vector<HWND> idle;
};
thread_local std::map<std::string, SharedClass> sharedClasses;

// Takes the messages still queued for a window that goes back to the idle
// ones, so its next object never sees what was meant for the last.
void DropQueuedMessages(HWND window) {
  MSG msg;
  // Without PM_NOYIELD, Wine gives up the processor when nothing is queued,
  // and on a busy machine that costs far more than the call.
  while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE | PM_NOYIELD)) {
  }
}

bool RegisterWndClass(const char* name, HINSTANCE instance) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Wnd::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  windowClass.hIconSm = windowClass.hIcon;
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = name;
  return RegisterClassExA(&windowClass) != 0;
}
}  // namespace

bool Wnd::Create() {
  instance_ = GetModuleHandleA(nullptr);
  const uint32_t number = ++windowsCreated;
  FormatText(className_, sizeof className_, "WndClass 0x%X 0x%X 0x%llX", number,
             static_cast<unsigned>(GetCurrentThreadId()),
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(instance_)));
  if (!RegisterWndClass(className_, instance_)) return false;
  classUse_ = ClassUse::Own;
  window_ = CreateWindowExA(WS_EX_CLIENTEDGE, className_, "MyWndClass", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance_, this);
  return window_ != nullptr;
}

bool Wnd::CreateMessageOnly(const char* kind) {
  instance_ = GetModuleHandleA(nullptr);
  FormatText(className_, sizeof className_, "%s 0x%X", kind, static_cast<unsigned>(GetCurrentThreadId()));
  SharedClass& shared = sharedClasses[className_];
  if (shared.users == 0 && !RegisterWndClass(className_, instance_)) {
    sharedClasses.erase(className_);
    className_[0] = '\0';
    return false;
  }
  ++shared.users;
  classUse_ = ClassUse::Shared;
  if (!shared.idle.empty()) {
    window_ = shared.idle.back();
    shared.idle.pop_back();
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
  }
  window_ = CreateWindowExA(0, className_, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance_, this);
  return window_ != nullptr;
}

void Wnd::Destroy() {
  const ClassUse use = classUse_;
  classUse_ = ClassUse::None;
  if (use == ClassUse::Shared) {
    ReleaseSharedClass();
    return;
  }
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  if (use == ClassUse::Own) UnregisterClassA(className_, instance_);
}

void Wnd::ReleaseSharedClass() {
  auto found = sharedClasses.find(className_);
  SharedClass* shared = found == sharedClasses.end() ? nullptr : &found->second;
  if (window_ && shared && shared->users > 1 && shared->idle.size() < kIdleWindowsKept) {
    HWND window = window_;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    window_ = nullptr;
    DropQueuedMessages(window);
    shared->idle.push_back(window);
    OnWindowDestroyed();
  } else if (window_) {
    DestroyWindow(window_);
    window_ = nullptr;
  }
  if (!shared || --shared->users > 0) return;
  for (HWND window : shared->idle) DestroyWindow(window);
  sharedClasses.erase(found);
  UnregisterClassA(className_, instance_);
}

LRESULT Wnd::HandleMessage(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

LRESULT CALLBACK Wnd::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DESTROY: {
      auto* object = reinterpret_cast<Wnd*>(SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0));
      if (object) {
        object->window_ = nullptr;
        object->OnWindowDestroyed();
      }
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    default:
      break;
  }
  auto* object = reinterpret_cast<Wnd*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!object) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return object->HandleMessage(hwnd, msg, wParam, lParam);
}
