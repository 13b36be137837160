#include "player/status_line_control_win.h"

#include <gtest/gtest.h>

#include "support/dib_canvas_win.h"
#include "support/test_window_win.h"

namespace {

constexpr int kId = 310;

class StatusLineTest : public ::testing::Test {
 protected:
  StatusLineTest() : window("STATIC", kId, 0, WS_EX_STATICEDGE, 150, 20), canvas(150, 20) {
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
  EXPECT_EQ(status.Text(), "Frame 1 of 9");
  EXPECT_EQ(status.Flags(), 0x20u);
  Print();
  const int black = canvas.Count(0);
  EXPECT_GT(black, 10);
  EXPECT_EQ(canvas.Pixel(149, 0), face);
  // Text starts 3 pixels in.
  EXPECT_EQ(canvas.Count(0, 0, 0, 3, 20), 0);
}

TEST_F(StatusLineTest, SetTextKeepsItsOwnCopyAndEmptyBlanksTheLine) {
  EXPECT_EQ(SendMessageA(window.Child(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("12345 bytes")), 1);
  EXPECT_EQ(status.Text(), "12345 bytes");
  char own[64] = {};
  GetWindowTextA(window.Child(), own, sizeof own);
  EXPECT_STREQ(own, "Frame 1 of 9");

  EXPECT_EQ(SendMessageA(window.Child(), WM_SETTEXT, 0, 0), 0);
  EXPECT_EQ(status.Text(), "12345 bytes");

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

  status.SetColors(0x0000FF, 0x908782, 0xFFFFFF);
  status.SetFlags(0, true);
  SendMessageA(window.Child(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Stopped"));
  Print();
  EXPECT_EQ(canvas.Pixel(0, 0), Rgb(255, 0, 0));
  EXPECT_GT(canvas.Count(Rgb(255, 255, 255)), 10);
  EXPECT_EQ(canvas.Count(Rgb(255, 255, 255), 0, 0, 3, 20), 0);
}

}  // namespace
