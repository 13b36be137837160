#include "support/test_window_win.h"

#include <map>

namespace {

struct Record {
  int count = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};
std::map<HWND, std::map<UINT, Record>> received;

const char* RegisterParentClass(WNDPROC procedure) {
  static const char* name = [&] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "VrTestParent";
    RegisterClassA(&wc);
    return "VrTestParent";
  }();
  return name;
}

}  // namespace

LRESULT CALLBACK TestWindow::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Record& record = received[window][message];
  ++record.count;
  record.wParam = wParam;
  record.lParam = lParam;
  return DefWindowProcA(window, message, wParam, lParam);
}

TestWindow::TestWindow(const char* childClass, int childId, DWORD childStyle, DWORD childExStyle, int width,
                       int height) {
  parent_ = CreateWindowExA(0, RegisterParentClass(&TestWindow::ParentProc), "test", WS_POPUP, 0, 0, width + 20,
                            height + 20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  child_ =
      CreateWindowExA(childExStyle, childClass, "", WS_CHILD | WS_VISIBLE | childStyle, 0, 0, width, height, parent_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(childId)), GetModuleHandleA(nullptr), nullptr);
}

TestWindow::~TestWindow() {
  DestroyWindow(parent_);
  received.erase(parent_);
}

void TestWindow::ShowAndPaint() {
  ShowWindow(parent_, SW_SHOWNOACTIVATE);
  UpdateWindow(parent_);
  UpdateWindow(child_);
  PumpMessages();
  GdiFlush();
}

int TestWindow::Received(UINT message) const {
  auto window = received.find(parent_);
  if (window == received.end()) return 0;
  auto record = window->second.find(message);
  return record == window->second.end() ? 0 : record->second.count;
}

WPARAM TestWindow::LastWParam(UINT message) const {
  return Received(message) ? received[parent_][message].wParam : 0;
}

LPARAM TestWindow::LastLParam(UINT message) const {
  return Received(message) ? received[parent_][message].lParam : 0;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    PumpMessages();
  }
  return true;
}

void PumpFor(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

bool PlaceCursor(POINT screenPoint) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (!SetCursorPos(screenPoint.x, screenPoint.y)) return false;
    PumpMessages();
    Sleep(5);
    PumpMessages();
    POINT actual{};
    GetCursorPos(&actual);
    if (actual.x == screenPoint.x && actual.y == screenPoint.y) return true;
  }
  return false;
}
