#include <windows.h>
// Needs <windows.h> first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include "framework/dialogs_win.h"
#include "framework/tabs_win.h"
#include "message_log_win.h"

namespace {

constexpr int kTestDialog = 100;
constexpr int kTabHost = 200;
constexpr int kFirstPage = 201;
constexpr int kSecondPage = 202;
constexpr UINT kScript = WM_APP + 1;

// A modal dialog that plays a script of posted messages once it is up, so
// no test waits for a user.
class ScriptedModal : public ModalDlg {
 public:
  INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM, LPARAM) override {
    calls.push_back({"FilterMessage", msg});
    if (msg == WM_INITDIALOG) {
      for (const auto& [m, w] : script) PostMessageA(hwnd, m, w, 0);
      return filterInit;
    }
    if (msg == kScript) {
      SendMessageA(hwnd, WM_CLOSE, 0, 0);
      stillOpenAfterClose = IsWindow(hwnd) && !ended;
      return 1;
    }
    return 0;
  }
  INT_PTR OnInitDialog(HWND hwnd) override {
    calls.push_back({"OnInitDialog", 0});
    initHandle = Handle() == hwnd;
    return 1;
  }
  INT_PTR OnClose() override {
    calls.push_back({"OnClose", 0});
    return allowClose;
  }
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override {
    calls.push_back({"OnCommand", LOWORD(wParam)});
    if (LOWORD(wParam) == IDOK) ended = true;
    return ModalDlg::OnCommand(hwnd, wParam, lParam);
  }

  std::vector<std::pair<UINT, WPARAM>> script;
  INT_PTR filterInit = 0;
  INT_PTR allowClose = 1;
  bool initHandle = false;
  bool stillOpenAfterClose = false;
  bool ended = false;
  std::vector<Call> calls;
};

std::vector<Call> Hooks(const std::vector<Call>& calls) {
  std::vector<Call> hooks;
  for (const Call& call : calls)
    if (call.hook != "FilterMessage") hooks.push_back(call);
  return hooks;
}

TEST(ModalDlgTest, OkAndCancelEndTheDialogWithOneAndTwo) {
  ScriptedModal ok;
  ok.script = {{WM_COMMAND, IDOK}};
  EXPECT_EQ(ok.Run(nullptr, kTestDialog), 1);
  EXPECT_TRUE(ok.initHandle);
  EXPECT_EQ(Hooks(ok.calls), (std::vector<Call>{{"OnInitDialog", 0}, {"OnCommand", IDOK}})) << Describe(ok.calls);

  ScriptedModal cancel;
  cancel.script = {{WM_COMMAND, MAKEWPARAM(1001, BN_SETFOCUS)}, {WM_COMMAND, 1001}, {WM_COMMAND, IDCANCEL}};
  EXPECT_EQ(cancel.Run(nullptr, kTestDialog), 2);
  EXPECT_EQ(
      Hooks(cancel.calls),
      (std::vector<Call>{{"OnInitDialog", 0}, {"OnCommand", 1001}, {"OnCommand", 1001}, {"OnCommand", IDCANCEL}}));
}

TEST(ModalDlgTest, RefusingOnCloseKeepsTheDialogAndAllowingItEndsWithTwo) {
  ScriptedModal refusing;
  refusing.allowClose = 0;
  refusing.script = {{kScript, 0}, {WM_COMMAND, IDOK}};
  EXPECT_EQ(refusing.Run(nullptr, kTestDialog), 1);
  EXPECT_TRUE(refusing.stillOpenAfterClose);
  EXPECT_EQ(Hooks(refusing.calls), (std::vector<Call>{{"OnInitDialog", 0}, {"OnClose", 0}, {"OnCommand", IDOK}}));

  ScriptedModal allowing;
  allowing.script = {{WM_CLOSE, 0}};
  EXPECT_EQ(allowing.Run(nullptr, kTestDialog), 2);
  EXPECT_EQ(Hooks(allowing.calls), (std::vector<Call>{{"OnInitDialog", 0}, {"OnClose", 0}}));
}

TEST(ModalDlgTest, FilterTakingInitDialogSkipsOnInitDialog) {
  ScriptedModal filtered;
  filtered.filterInit = 1;
  filtered.script = {{WM_COMMAND, IDOK}};
  EXPECT_EQ(filtered.Run(nullptr, kTestDialog), 1);
  EXPECT_EQ(Hooks(filtered.calls), (std::vector<Call>{{"OnCommand", IDOK}}));
  EXPECT_EQ(filtered.Handle(), nullptr) << "the handle is stored only by the unfiltered WM_INITDIALOG";
  EXPECT_EQ(filtered.calls.front(), (Call{"FilterMessage", WM_INITDIALOG}));
}

TEST(ModalDlgTest, MissingTemplateGivesMinusOne) {
  ScriptedModal missing;
  EXPECT_EQ(missing.Run(nullptr, 999), -1);
  EXPECT_TRUE(missing.calls.empty());
}

class LoggingModeless : public ModelessDlg {
 public:
  INT_PTR OnClose() override {
    ++closes;
    return allowClose;
  }
  int closes = 0;
  INT_PTR allowClose = 1;
};

TEST(ModelessDlgTest, OkHidesAndCloseDestroysUnlessRefused) {
  LoggingModeless dialog;
  ASSERT_TRUE(dialog.Create(reinterpret_cast<HWND>(0x1234), kTestDialog, true));
  HWND window = dialog.Handle();
  EXPECT_EQ(dialog.Owner(), reinterpret_cast<HWND>(0x1234));
  EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
  EXPECT_TRUE(IsWindowVisible(window));

  SendMessageA(window, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(IsWindowVisible(window));
  ShowWindow(window, SW_SHOW);
  SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindowVisible(window));

  dialog.allowClose = 0;
  EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);  // a dialog's own result; TRUE only says "handled"
  EXPECT_TRUE(IsWindow(window));
  dialog.allowClose = 1;
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(dialog.Handle(), nullptr);
  EXPECT_EQ(dialog.closes, 2);

  LoggingModeless hidden;
  ASSERT_TRUE(hidden.Create(nullptr, kTestDialog, false));
  EXPECT_FALSE(IsWindowVisible(hidden.Handle()));
  DestroyWindow(hidden.Handle());
  LoggingModeless missing;
  EXPECT_FALSE(missing.Create(nullptr, 999, true));
}

// The tab host: a modeless dialog that passes its messages to its Tabs and
// records the page commands it receives.
class TabHost : public ModelessDlg {
 public:
  INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    tabs.OnNotify(hwnd, msg, wParam, lParam);
    if (msg == WM_TABPAGE_COMMAND) {
      commands.push_back({static_cast<int>(wParam), reinterpret_cast<HWND>(lParam)});
      return 1;
    }
    return 0;
  }
  Tabs tabs;
  std::vector<std::pair<int, HWND>> commands;
};

class TabsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.Create(nullptr, kTabHost, false));
    // Shown without SetForegroundWindow, which waits 2 s for focus under Xvfb.
    ShowWindow(host_.Handle(), SW_SHOW);
    tabControl_ = GetDlgItem(host_.Handle(), 2001);
    host_.tabs.Init(host_.Handle(), tabControl_);
    ASSERT_TRUE(host_.tabs.AddPage(0, kFirstPage));
    ASSERT_TRUE(host_.tabs.AddPage(1, kSecondPage));
    host_.tabs.ShowPage(0);
  }
  void TearDown() override { DestroyWindow(host_.Handle()); }

  std::string TabText(int index) {
    char text[260] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabControl_, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  void Command(int page, int id, WORD code = 0) {
    HWND control = host_.tabs.GetPageItem(page, id);
    SendMessageA(host_.tabs.GetPage(page), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
  }

  TabHost host_;
  HWND tabControl_ = nullptr;
};

TEST_F(TabsTest, PagesAreLabelledFlatAndPlacedInsideTheTabControl) {
  EXPECT_EQ(SendMessageA(tabControl_, TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(TabText(0), "First page");
  EXPECT_EQ(TabText(1), "Second");
  HWND page = host_.tabs.GetPage(0);
  ASSERT_TRUE(IsWindow(page));
  EXPECT_EQ(GetParent(page), tabControl_);
  EXPECT_EQ(GetWindowLongPtrA(page, GWL_STYLE) & 0x21CC0000, 0);
  EXPECT_EQ(GetWindowLongPtrA(page, GWL_EXSTYLE) & 0x20201, 0);

  RECT client, tab, placed;
  GetClientRect(tabControl_, &client);
  SendMessageA(tabControl_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
  GetWindowRect(page, &placed);
  MapWindowPoints(nullptr, tabControl_, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, tab.left + 1);
  EXPECT_EQ(placed.top, tab.bottom + 1);
  EXPECT_EQ(placed.right - placed.left, client.right - 2 * (tab.left + 1));
  EXPECT_EQ(placed.bottom - placed.top, client.bottom - (tab.bottom + 1) - tab.top);
  EXPECT_EQ(host_.tabs.GetPageItem(1, 3101), GetDlgItem(host_.tabs.GetPage(1), 3101));
}

TEST_F(TabsTest, SelectionChangeShowsOnlyTheSelectedPage) {
  HWND first = host_.tabs.GetPage(0), second = host_.tabs.GetPage(1);
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_FALSE(IsWindowVisible(second));
  SendMessageA(tabControl_, TCM_SETCURSEL, 1, 0);
  NMHDR header{tabControl_, 2001, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(host_.Handle(), WM_NOTIFY, 2001, reinterpret_cast<LPARAM>(&header));
  EXPECT_FALSE(IsWindowVisible(first));
  EXPECT_TRUE(IsWindowVisible(second));
  // Another source or code changes nothing.
  SendMessageA(tabControl_, TCM_SETCURSEL, 0, 0);
  NMHDR other{host_.Handle(), 2001, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(host_.Handle(), WM_NOTIFY, 2001, reinterpret_cast<LPARAM>(&other));
  NMHDR changing{tabControl_, 2001, static_cast<UINT>(TCN_SELCHANGING)};
  SendMessageA(host_.Handle(), WM_NOTIFY, 2001, reinterpret_cast<LPARAM>(&changing));
  EXPECT_TRUE(IsWindowVisible(second));
}

TEST_F(TabsTest, OnlyPlainCommandsOfVisibleControlsReachTheOwner) {
  Command(0, 3001);
  Command(0, 3002);               // hidden button
  Command(0, 3003, EN_CHANGE);    // edit notification
  Command(0, 3001, BN_SETFOCUS);  // button notification
  SendMessageA(host_.tabs.GetPageItem(0, 3001), BM_CLICK, 0, 0);
  EXPECT_EQ(host_.commands,
            (std::vector<std::pair<int, HWND>>{{3001, host_.tabs.GetPage(0)}, {3001, host_.tabs.GetPage(0)}}));
  host_.tabs.ShowPage(1);
  Command(0, 3001);  // its page is hidden now
  Command(1, 3101);
  ASSERT_EQ(host_.commands.size(), 3u);
  EXPECT_EQ(host_.commands.back(), (std::pair<int, HWND>{3101, host_.tabs.GetPage(1)}));
}

}  // namespace
