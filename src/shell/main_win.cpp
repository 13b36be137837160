// Vorrandale's entry point: one instance only, a hidden application window
// that marks it, and the main window with the camera grid.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "shell/main_dlg_win.h"

namespace {

constexpr char kClassName[] = "VorrandaleWindowClass";
constexpr char kTitle[] = "Vorrandale";

HWND mainWindow = nullptr;

LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case kAppRestoreMessage:
      if (mainWindow) {
        if (IsIconic(mainWindow)) ShowWindow(mainWindow, SW_RESTORE);
        ShowWindow(mainWindow, SW_SHOW);
        SetForegroundWindow(mainWindow);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();

  if (HWND running = FindWindowA(kClassName, kTitle)) {
    PostMessageA(running, kAppRestoreMessage, 0, 0);
    return 0;
  }

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &ApplicationProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExA(&windowClass)) {
    MessageBoxA(nullptr, "Vorrandale Window Registration Failed!", "Error!", MB_ICONEXCLAMATION);
    return 0;
  }

  HWND application = CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                     CW_USEDEFAULT, 240, 120, nullptr, nullptr, instance, nullptr);
  if (!application) {
    MessageBoxA(nullptr, "Vorrandale Window Creation Failed!", "Error!", MB_ICONEXCLAMATION);
    return 0;
  }

  int exitCode = 0;
  {
    MainDlg mainDialog;
    if (!mainDialog.Create(application, kMainTemplate, true)) {
      // Without its main window the program would only sit hidden.
      MessageBoxA(nullptr, "Vorrandale Window Creation Failed!", "Error!", MB_ICONEXCLAMATION);
      DestroyWindow(application);
      return 0;
    }
    mainWindow = mainDialog.Handle();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      if (TranslateModelessKey(message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    exitCode = static_cast<int>(message.wParam);
    mainWindow = nullptr;
  }
  return exitCode;
}
