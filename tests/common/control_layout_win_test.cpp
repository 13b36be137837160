#include "common/control_layout_win.h"

#include <gtest/gtest.h>

#include "control_layout_test_ids.h"

namespace {

struct Placement {
  int x, y, width, height;
  bool operator==(const Placement&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Placement& p) {
  return out << p.x << "," << p.y << " " << p.width << "x" << p.height;
}

INT_PTR CALLBACK LayoutDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  auto* layout = reinterpret_cast<ControlLayout*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!layout) return FALSE;
  layout->HandleMessage(hwnd, message, wParam, lParam);
  if (message == WM_INITDIALOG) {
    layout->AddById(IDC_STRETCHED, 1, 1, TRUE);
    layout->AddById(IDC_BOTTOM_BUTTON, 0, 2, TRUE);
    layout->AddById(IDC_CENTRED, 3, 3, TRUE);
    layout->AddById(IDC_PROPORTIONAL, 1, 4, TRUE);
    layout->AddById(IDC_FIXED, 0, 0, TRUE);
    layout->SetMinSize(0, 0);
    return TRUE;
  }
  return FALSE;
}

class ControlLayoutWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LAYOUT_TEST), nullptr, LayoutDialogProc,
                                reinterpret_cast<LPARAM>(&layout));
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(layout.Host(), dialog);
    GetWindowRect(dialog, &initial);
  }
  void TearDown() override {
    if (dialog) DestroyWindow(dialog);
  }

  Placement Control(int id) const {
    HWND control = GetDlgItem(dialog, id);
    RECT r{};
    GetWindowRect(control, &r);
    POINT p{r.left, r.top};
    ScreenToClient(dialog, &p);
    return Placement{p.x, p.y, r.right - r.left, r.bottom - r.top};
  }
  void Resize(int dw, int dh) {
    SetWindowPos(dialog, nullptr, 0, 0, (initial.right - initial.left) + dw, (initial.bottom - initial.top) + dh,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT now{};
    GetWindowRect(dialog, &now);
    ASSERT_EQ(now.right - now.left, (initial.right - initial.left) + dw);
    ASSERT_EQ(now.bottom - now.top, (initial.bottom - initial.top) + dh);
  }

  ControlLayout layout;
  HWND dialog = nullptr;
  RECT initial{};
};

TEST_F(ControlLayoutWinTest, ResizingPlacesEveryControlByItsModes) {
  const Placement stretched = Control(IDC_STRETCHED), button = Control(IDC_BOTTOM_BUTTON),
                  centred = Control(IDC_CENTRED), proportional = Control(IDC_PROPORTIONAL), fixed = Control(IDC_FIXED);
  ASSERT_GT(stretched.width, 0);

  Resize(50, 30);
  EXPECT_EQ(Control(IDC_STRETCHED), (Placement{stretched.x, stretched.y, stretched.width + 50, stretched.height + 30}));
  EXPECT_EQ(Control(IDC_BOTTOM_BUTTON), (Placement{button.x, button.y + 30, button.width, button.height}));
  EXPECT_EQ(Control(IDC_CENTRED), (Placement{centred.x + 25, centred.y + 15, centred.width, centred.height}));
  const double aspect = static_cast<double>(proportional.height) / proportional.width;
  const int grownWidth = proportional.width + 50;
  EXPECT_EQ(Control(IDC_PROPORTIONAL),
            (Placement{proportional.x, proportional.y, grownWidth, static_cast<int>(aspect * grownWidth)}));
  EXPECT_EQ(Control(IDC_FIXED), fixed);

  Resize(51, -1);
  EXPECT_EQ(Control(IDC_CENTRED).x, centred.x + 25);
  EXPECT_EQ(Control(IDC_CENTRED).y, centred.y);  // -1/2 truncates to 0

  // Many resizes later, the original size gives back the registered places.
  for (int i = 0; i < 20; ++i) Resize(i * 7 % 90, i * 13 % 70);
  Resize(0, 0);
  EXPECT_EQ(Control(IDC_STRETCHED), stretched);
  EXPECT_EQ(Control(IDC_BOTTOM_BUTTON), button);
  EXPECT_EQ(Control(IDC_CENTRED), centred);
  EXPECT_EQ(Control(IDC_PROPORTIONAL), proportional);
}

TEST_F(ControlLayoutWinTest, SizingIsHeldAtTheInitialSizeOnTheDraggedSide) {
  const int width = initial.right - initial.left, height = initial.bottom - initial.top;
  RECT proposed{100, 100, 120, 110};
  SendMessageA(dialog, WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&proposed));
  EXPECT_EQ(proposed.right, 120);
  EXPECT_EQ(proposed.bottom, 110);
  EXPECT_EQ(proposed.left, 120 - width);
  EXPECT_EQ(proposed.top, 110 - height);

  proposed = RECT{100, 100, 120, 110};
  SendMessageA(dialog, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&proposed));
  EXPECT_EQ(proposed.left, 100);
  EXPECT_EQ(proposed.right, 100 + width);
  EXPECT_EQ(proposed.top, 100);
  EXPECT_EQ(proposed.bottom, 100 + height);

  layout.SetMinSize(300, 0);
  proposed = RECT{100, 100, 120, 110};
  SendMessageA(dialog, WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&proposed));
  EXPECT_EQ(proposed.left, 120 - 300);
  EXPECT_EQ(proposed.bottom, 110);
}

TEST_F(ControlLayoutWinTest, RememberStartsLaterResizingFromTheNewPlaces) {
  HWND stretched = GetDlgItem(dialog, IDC_STRETCHED);
  Resize(40, 20);
  const Placement grown = Control(IDC_STRETCHED);
  MoveWindow(stretched, 30, 40, 60, 50, TRUE);
  SendMessageA(dialog, WM_LAYOUT_REMEMBER, 0, 0);
  Resize(40 + 10, 20 + 6);  // 10 x 6 more than the remembered size
  EXPECT_EQ(Control(IDC_STRETCHED), (Placement{30, 40, 70, 56}));
  Resize(40, 20);
  EXPECT_EQ(Control(IDC_STRETCHED), (Placement{30, 40, 60, 50}));
  EXPECT_NE(grown, Control(IDC_STRETCHED));
}

}  // namespace
