#include "framework/wnd_win.h"

#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "framework/window_binding_win.h"

namespace {
// The class of the top-level windows.
constexpr char kTopLevelKind[] = "Wnd";

// Creating and destroying a window costs about 1.5 ms under Wine, more than
// a whole web request should: the message-only windows of a kind are kept
// for the next object of the kind on the same thread, up to this many.
constexpr size_t kIdleWindowsKept = 64;

// Objects of a message-only kind alive on this thread, and its windows kept
// for reuse (a window serves only the thread that created it).
struct KindOnThread {
  int users = 0;
  std::vector<HWND> idle;
};
thread_local std::map<std::string, KindOnThread> messageOnlyKinds;

// Takes the messages still queued for a window that goes back to the idle
// ones, so its next object never sees what was meant for the last.
void DropQueuedMessages(HWND window) {
  MSG msg;
  // Without PM_NOYIELD, Wine gives up the processor when nothing is queued,
  // and on a busy machine that costs far more than the call.
  while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE | PM_NOYIELD)) {
  }
}

// Registers the class of a kind once for the process; it stays registered.
// Threads create their first windows concurrently.
bool RegisterKind(const char* kind) {
  static std::mutex lock;
  static std::set<std::string, std::less<>> registered;
  const std::lock_guard<std::mutex> guard(lock);
  if (registered.contains(kind)) return true;
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Wnd::WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  windowClass.hIconSm = windowClass.hIcon;
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kind;
  if (!RegisterClassExA(&windowClass)) return false;
  registered.emplace(kind);
  return true;
}
}  // namespace

bool Wnd::Create() {
  if (!RegisterKind(kTopLevelKind)) return false;
  kind_.clear();
  window_ = CreateWindowExA(WS_EX_CLIENTEDGE, kTopLevelKind, "MyWndClass", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, 100, 100, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  return window_ != nullptr;
}

bool Wnd::CreateChild(const char* kind, HWND parent, const RECT& rect, int id) {
  if (!RegisterKind(kind)) return false;
  kind_.clear();
  window_ = CreateWindowExA(0, kind, "", WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleA(nullptr), this);
  return window_ != nullptr;
}

bool Wnd::CreateMessageOnly(const char* kind) {
  if (!RegisterKind(kind)) return false;
  kind_ = kind;
  KindOnThread& shared = messageOnlyKinds[kind_];
  ++shared.users;
  if (!shared.idle.empty()) {
    window_ = shared.idle.back();
    shared.idle.pop_back();
    Rebind(window_, this);
    return true;
  }
  window_ = CreateWindowExA(0, kind, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), this);
  return window_ != nullptr;
}

void Wnd::Destroy() {
  if (!kind_.empty()) {
    GiveBackMessageOnly();
    return;
  }
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
}

void Wnd::GiveBackMessageOnly() {
  auto found = messageOnlyKinds.find(kind_);
  kind_.clear();
  KindOnThread* shared = found == messageOnlyKinds.end() ? nullptr : &found->second;
  if (window_ && shared && shared->users > 1 && shared->idle.size() < kIdleWindowsKept) {
    HWND window = window_;
    Rebind(window, nullptr);
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
  messageOnlyKinds.erase(found);
}

LRESULT Wnd::HandleMessage(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

LRESULT CALLBACK Wnd::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Wnd* object = BoundObject<Wnd>(hwnd, WM_NCCREATE, msg, lParam);
  if (!object) return DefWindowProcA(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      object->window_ = hwnd;
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      return 0;
    case WM_NCDESTROY:
      object->window_ = nullptr;
      object->OnWindowDestroyed();
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    default:
      return object->HandleMessage(hwnd, msg, wParam, lParam);
  }
}
