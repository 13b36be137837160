#pragma once
// A tab control whose pages are child dialogs. The owner dialog passes its
// messages to OnNotify (page switching) and receives WM_TABPAGE_COMMAND for
// every plain command of a visible control on a page.

#include <windows.h>

// wParam: control id; lParam: the page's window handle.
inline constexpr UINT WM_TABPAGE_COMMAND = WM_USER + 210;
static_assert(WM_TABPAGE_COMMAND == 1234);

class Tabs {
 public:
  Tabs() = default;
  virtual ~Tabs() = default;
  Tabs(const Tabs&) = delete;
  Tabs& operator=(const Tabs&) = delete;

  void Init(HWND owner, HWND tabControl);
  // Creates the page from its template, labels a new tab at `index` with
  // the page's caption and places the page inside the tab control. False
  // when the template cannot be created.
  bool AddPage(int index, int templateId);
  HWND GetPage(int index) const;
  HWND GetPageItem(int index, int controlId) const;
  // Hides every page and shows the one at index; the tab selection stays.
  void ShowPage(int index) const;
  // Switches pages on the tab control's TCN_SELCHANGE; other messages pass.
  void OnNotify(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) const;

  HWND Owner() const { return owner_; }
  HWND TabControl() const { return tabControl_; }

  virtual INT_PTR HandlePageMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND owner_ = nullptr;
  HWND tabControl_ = nullptr;
};

// Gives a dialog the themed tab-page background when themes are on; does
// nothing without "UxTheme.dll" or its functions.
void ApplyThemeTexture(HWND window);
