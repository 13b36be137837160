#include "framework/wnd_win.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "common/fixed_text.h"

namespace {
// Class names must be unique; threads create windows concurrently, so the
// counter is atomic.
std::atomic<uint32_t> windowsCreated{0};

// Windows of each shared class alive on this thread. The class names carry
// the thread id, so no other thread touches these counts.
thread_local std::map<std::string, int> sharedClassUsers;

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
  int& users = sharedClassUsers[className_];
  if (users == 0 && !RegisterWndClass(className_, instance_)) {
    sharedClassUsers.erase(className_);
    className_[0] = '\0';
    return false;
  }
  ++users;
  classUse_ = ClassUse::Shared;
  window_ = CreateWindowExA(0, className_, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance_, this);
  return window_ != nullptr;
}

void Wnd::Destroy() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  const ClassUse use = classUse_;
  classUse_ = ClassUse::None;
  if (use == ClassUse::Shared) {
    auto users = sharedClassUsers.find(className_);
    if (users == sharedClassUsers.end() || --users->second > 0) return;
    sharedClassUsers.erase(users);
  }
  if (use != ClassUse::None) UnregisterClassA(className_, instance_);
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
