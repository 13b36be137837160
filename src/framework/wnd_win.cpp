#include "framework/wnd_win.h"

#include <atomic>
#include <cstdint>

#include "common/fixed_text.h"

namespace {
// Class names must be unique; threads create windows concurrently, so the
// counter is atomic.
std::atomic<uint32_t> windowsCreated{0};
}  // namespace

bool Wnd::Create() {
  instance_ = GetModuleHandleA(nullptr);
  const uint32_t number = ++windowsCreated;
  FormatText(className_, sizeof className_, "WndClass 0x%X 0x%X 0x%llX", number,
             static_cast<unsigned>(GetCurrentThreadId()),
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(instance_)));
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Wnd::WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  windowClass.hIconSm = windowClass.hIcon;
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className_;
  if (!RegisterClassExA(&windowClass)) return false;
  window_ = CreateWindowExA(WS_EX_CLIENTEDGE, className_, "MyWndClass", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance_, this);
  return window_ != nullptr;
}

void Wnd::Destroy() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  if (className_[0]) UnregisterClassA(className_, instance_);
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
