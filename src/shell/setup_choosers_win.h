#pragma once
// The colour and font choosers, the message boxes and the alert servers'
// dialog of the setup dialog, behind a seam so that a caller (a test) can
// answer them instead of the system's modal dialogs.

#include <windows.h>

#include <functional>

#include "engine/cam_settings.h"

// The 16 custom colours that every colour chooser of the program shares.
COLORREF* SharedCustomColours();

// The system's colour chooser, starting at `colour`, fully open, with the
// shared custom colours. True with the chosen colour stored on OK; false
// with `colour` untouched on Cancel.
bool PickColor(HWND owner, uint32_t& colour);
// The system's font chooser (screen fonts, effects) starting from `font`
// and `colour`. True with both replaced by the choice on OK; false with
// both untouched on Cancel.
bool PickFont(HWND owner, FontRecord& font, uint32_t& colour);

// Asks whether to keep a choice the user is warned about (OK / Cancel);
// true to keep it.
bool ConfirmWarning(HWND owner, const char* text);
// Says why a value cannot be taken (OK).
void RefuseValue(HWND owner, const char* text);

struct SetupChoosers {
  std::function<bool(HWND owner, uint32_t& colour)> color = PickColor;
  std::function<bool(HWND owner, FontRecord& font, uint32_t& colour)> font = PickFont;
  std::function<bool(HWND owner, const char* text)> confirm = ConfirmWarning;
  std::function<void(HWND owner, const char* text)> refuse = RefuseValue;
  // The program-wide alert servers' dialog; null leaves its button disabled.
  std::function<void(HWND owner)> alertServers;
};
