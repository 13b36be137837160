#include "framework/tabs_win.h"

#include <commctrl.h>

#include "common/scoped_handle_win.h"
#include "framework/window_binding_win.h"

namespace {
// What a page's own template may carry that has no place inside a tab control.
constexpr DWORD kPageStylesRemoved = WS_MINIMIZE | WS_MAXIMIZE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
constexpr DWORD kPageExStylesRemoved = WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE;
}  // namespace

void Tabs::Init(HWND owner, HWND tabControl) {
  owner_ = owner;
  tabControl_ = tabControl;
}

bool Tabs::AddPage(int index, int templateId) {
  HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), tabControl_, &Tabs::PageProc,
                                 reinterpret_cast<LPARAM>(this));
  if (!page) return false;
  char caption[260] = {};
  GetWindowTextA(page, caption, 259);
  ApplyThemeTexture(tabControl_);

  TCITEMA item{};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = caption;
  item.cchTextMax = sizeof caption;
  item.lParam = reinterpret_cast<LPARAM>(page);
  SendMessageA(tabControl_, TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));

  RECT client{};
  GetClientRect(tabControl_, &client);
  RECT tab{};
  SendMessageA(tabControl_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
  const int x = tab.left + 1;
  const int y = tab.bottom + 1;
  MoveWindow(page, x, y, client.right - 2 * x, client.bottom - y - tab.top, FALSE);
  return true;
}

HWND Tabs::GetPage(int index) const {
  TCITEMA item{};
  item.mask = TCIF_PARAM;
  if (!SendMessageA(tabControl_, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)))
    return nullptr;
  return reinterpret_cast<HWND>(item.lParam);
}

HWND Tabs::GetPageItem(int index, int controlId) const {
  return GetDlgItem(GetPage(index), controlId);
}

void Tabs::ShowPage(int index) const {
  const int count = static_cast<int>(SendMessageA(tabControl_, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) ShowWindow(GetPage(i), SW_HIDE);
  ShowWindow(GetPage(index), SW_SHOW);
}

void Tabs::OnNotify(HWND, UINT msg, WPARAM, LPARAM lParam) const {
  if (msg != WM_NOTIFY) return;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (!header || header->hwndFrom != tabControl_ || header->code != static_cast<UINT>(TCN_SELCHANGE)) return;
  const int selection = static_cast<int>(SendMessageA(tabControl_, TCM_GETCURSEL, 0, 0));
  if (selection >= 0) ShowPage(selection);
}

INT_PTR Tabs::HandlePageMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      // Flat inside the tab control: no caption, frame or edges.
      const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
      SetWindowLongPtrA(hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(kPageStylesRemoved));
      const LONG_PTR exStyle = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
      SetWindowLongPtrA(hwnd, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(kPageExStylesRemoved));
      return 0;
    }
    case WM_COMMAND: {
      if (HIWORD(wParam) != 0) return 1;
      HWND control = reinterpret_cast<HWND>(lParam);
      if (!IsWindowVisible(control)) return 0;
      SendMessageA(owner_, WM_TABPAGE_COMMAND, LOWORD(wParam), reinterpret_cast<LPARAM>(hwnd));
      return 0;
    }
    default:
      return 0;
  }
}

INT_PTR CALLBACK Tabs::PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* object = BoundObject<Tabs>(hwnd, WM_INITDIALOG, msg, lParam);
  if (!object || msg == WM_NCDESTROY) return 0;
  return object->HandlePageMessage(hwnd, msg, wParam, lParam);
}

void ApplyThemeTexture(HWND window) {
  ScopedModule theme(LoadLibraryA("UxTheme.dll"));
  if (!theme) return;
  using IsAppThemedFn = BOOL(WINAPI*)();
  using EnableTextureFn = HRESULT(WINAPI*)(HWND, DWORD);
  auto isAppThemed =
      reinterpret_cast<IsAppThemedFn>(reinterpret_cast<void (*)()>(GetProcAddress(theme.Get(), "IsAppThemed")));
  if (!isAppThemed || !isAppThemed()) return;
  auto enableTexture = reinterpret_cast<EnableTextureFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(theme.Get(), "EnableThemeDialogTexture")));
  if (enableTexture) enableTexture(window, 6 /* ETDT_ENABLETAB */);
}
