#include "shell/cam_setup_control_io_win.h"

#include <commctrl.h>

#include <string>

#include "common/fixed_text.h"
#include "shell/setup_text.h"

namespace {
constexpr int kMaxTyped = 258;
}

void SetCheck(HWND control, int32_t on) {
  SendMessageA(control, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int32_t GetCheck(HWND control) {
  return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void SetNumber(HWND control, int32_t value) {
  char text[16];
  FormatText(text, sizeof text, "%u", static_cast<unsigned>(value));
  SetWindowTextA(control, text);
}

int32_t GetNumber(HWND control) {
  char text[kTextSize] = {};
  GetWindowTextA(control, text, sizeof text);
  return static_cast<int32_t>(ParseDigits(text));
}

void SetText(HWND control, const char* text) {
  SendMessageA(control, EM_LIMITTEXT, kMaxTyped, 0);
  SetWindowTextA(control, text);
}

void GetText(HWND control, char (&text)[kTextSize]) {
  char typed[kMaxTyped + 1] = {};
  GetWindowTextA(control, typed, sizeof typed);
  // Only the characters up to the NUL change: the rest of the record keeps
  // its bytes, as the stored format expects.
  CopyText(text, typed);
}

void FillCombo(HWND control, const char* text) {
  const std::vector<std::string> entries = SplitListText(text);
  if (entries.empty()) return;
  for (const std::string& entry : entries)
    SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  SendMessageA(control, CB_SETCURSEL, 0, 0);
}

void SetComboSelection(HWND control, int position) {
  SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

int GetComboSelection(HWND control) {
  return static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
}

int32_t GetPickerTime(HWND picker) {
  SYSTEMTIME time{};
  if (SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) != GDT_VALID) return 0;
  return SecondsFromClockTime(time.wHour, time.wMinute, time.wSecond);
}

void SetPickerTime(HWND picker, int32_t seconds) {
  SYSTEMTIME time{};
  GetSystemTime(&time);
  const ClockTime clock = ClockTimeFromSeconds(seconds);
  time.wHour = static_cast<WORD>(clock.hour);
  time.wMinute = static_cast<WORD>(clock.minute);
  time.wSecond = static_cast<WORD>(clock.second);
  time.wMilliseconds = 0;
  SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}
