#include "player/status_line_control_win.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/scoped_handle_win.h"
#include "player/painted_win.h"
#include "support/dib_canvas_win.h"
#include "support/test_window_win.h"

namespace {

constexpr int kId = 310;
constexpr int kWidth = 150;
constexpr int kHeight = 20;

// The line as it should look: one line of black text in the control's font,
// centred vertically, 3 pixels in from either side and one up, on `back`.
std::vector<uint32_t> Expected(HWND control, const char* text, COLORREF back) {
  DibCanvas expected(kWidth, kHeight);
  const RECT client{0, 0, kWidth, kHeight};
  ScopedBrush brush(CreateSolidBrush(back));
  FillRect(expected.Dc(), &client, brush.Get());
  const auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  const HGDIOBJ oldFont = font ? SelectObject(expected.Dc(), font) : nullptr;
  SetBkMode(expected.Dc(), TRANSPARENT);
  SetTextColor(expected.Dc(), 0x000000);
  RECT area{3, -1, kWidth - 3, kHeight - 1};
  DrawTextA(expected.Dc(), text, -1, &area, DT_SINGLELINE | DT_VCENTER);
  if (oldFont) SelectObject(expected.Dc(), oldFont);
  return Pixels(expected);
}

class StatusLineTest : public ::testing::Test {
 protected:
  StatusLineTest() : window("STATIC", kId, 0, WS_EX_STATICEDGE, kWidth, kHeight), canvas(kWidth, kHeight) {
    SetWindowTextA(window.Child(), "Frame 1 of 9");
  }
  void SetUp() override { ASSERT_TRUE(status.Attach(window.Parent(), kId)); }
  void Print() { SendMessageA(window.Child(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT); }
  TestWindow window;
  DibCanvas canvas;
  StatusLineControl status;
  const uint32_t face = FromColorref(GetSysColor(COLOR_BTNFACE));
};

TEST_F(StatusLineTest, StartsWithTheControlsTextOnButtonFace) {
  Print();
  EXPECT_EQ(DifferingPixels(Pixels(canvas), Expected(window.Child(), "Frame 1 of 9", GetSysColor(COLOR_BTNFACE))), 0u);
  const int black = canvas.Count(0);
  EXPECT_GT(black, 10);
  EXPECT_EQ(canvas.Pixel(149, 0), face);
  // Text starts 3 pixels in.
  EXPECT_EQ(canvas.Count(0, 0, 0, 3, 20), 0);
}

TEST_F(StatusLineTest, SetTextKeepsItsOwnCopyAndEmptyBlanksTheLine) {
  EXPECT_EQ(SendMessageA(window.Child(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("12345 bytes")), 1);
  const std::vector<uint32_t> shown = Expected(window.Child(), "12345 bytes", GetSysColor(COLOR_BTNFACE));
  Print();
  EXPECT_EQ(DifferingPixels(Pixels(canvas), shown), 0u);
  char own[64] = {};
  GetWindowTextA(window.Child(), own, sizeof own);
  EXPECT_STREQ(own, "Frame 1 of 9");

  EXPECT_EQ(SendMessageA(window.Child(), WM_SETTEXT, 0, 0), 0);
  Print();
  EXPECT_EQ(DifferingPixels(Pixels(canvas), shown), 0u);

  EXPECT_EQ(SendMessageA(window.Child(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("")), 1);
  Print();
  EXPECT_EQ(canvas.Count(face), 150 * 20);
}

TEST_F(StatusLineTest, FlagsChooseBackgroundAndFrame) {
  SendMessageA(window.Child(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  status.SetFlags(0x10, true);
  Print();
  const uint32_t border = FromColorref(0x908782);
  EXPECT_EQ(canvas.Count(border), 2 * 150 + 2 * 18);
  EXPECT_EQ(canvas.Pixel(0, 0), border);
  EXPECT_EQ(canvas.Pixel(149, 19), border);
  EXPECT_EQ(canvas.Count(Rgb(255, 255, 255)), 148 * 18);

  status.SetFlags(0, true);
  SendMessageA(window.Child(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Stopped"));
  Print();
  EXPECT_EQ(canvas.Pixel(0, 0), Rgb(255, 255, 255));
  EXPECT_GT(canvas.Count(0), 10);
  EXPECT_EQ(canvas.Count(0, 0, 0, 3, 20), 0);
  EXPECT_EQ(DifferingPixels(Pixels(canvas), Expected(window.Child(), "Stopped", 0xFFFFFF)), 0u);
}

}  // namespace
