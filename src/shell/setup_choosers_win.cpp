#include "shell/setup_choosers_win.h"

#include <commdlg.h>

#include "engine/settings_font_win.h"

COLORREF* SharedCustomColours() {
  static COLORREF colours[16] = {};
  return colours;
}

bool PickColor(HWND owner, uint32_t& colour) {
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = owner;
  choose.rgbResult = colour;
  choose.lpCustColors = SharedCustomColours();
  choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  if (!ChooseColorA(&choose)) return false;
  colour = choose.rgbResult;
  return true;
}

bool PickFont(HWND owner, FontRecord& font, uint32_t& colour) {
  LOGFONTA logFont = ToLogFont(font);
  CHOOSEFONTA choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = owner;
  choose.lpLogFont = &logFont;
  choose.rgbColors = colour;
  choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
  if (!ChooseFontA(&choose)) return false;
  font = ToFontRecord(logFont);
  colour = choose.rgbColors;
  return true;
}

bool ConfirmWarning(HWND owner, const char* text) {
  return MessageBoxA(owner, text, "Camera Setup", MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

void RefuseValue(HWND owner, const char* text) {
  MessageBoxA(owner, text, "Camera Setup", MB_OK | MB_ICONERROR);
}
