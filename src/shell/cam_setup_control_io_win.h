#pragma once
// Reading and writing the kinds of control the setup pages hold.

#include <windows.h>

#include <cstdint>

#include "engine/cam_settings.h"

void SetCheck(HWND control, int32_t on);
int32_t GetCheck(HWND control);
void SetNumber(HWND control, int32_t value);
// Leading digits of the field; an empty field reads as 0.
int32_t GetNumber(HWND control);
// Texts go in and out with at most 258 characters.
void SetText(HWND control, const char* text);
void GetText(HWND control, char (&text)[kTextSize]);
// Splits the text at ';' into the list and selects the first entry; does
// nothing for a text longer than 259 characters.
void FillCombo(HWND control, const char* text);
void SetComboSelection(HWND control, int position);
int GetComboSelection(HWND control);  // -1 without selection
// A time picker's time as seconds after midnight, and back (today's date).
int32_t GetPickerTime(HWND picker);
void SetPickerTime(HWND picker, int32_t seconds);
