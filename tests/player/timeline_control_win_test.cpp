#include "player/timeline_control_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "support/dib_canvas_win.h"
#include "support/test_window_win.h"

namespace {

constexpr int kId = 300;
constexpr int kWidth = 200;
constexpr int kHeight = 30;  // bar rows 0..14, upper gradient 0..6, marks rows 16..27
constexpr uint32_t kMark = Rgb(128, 128, 128);
constexpr uint32_t kSelection = Rgb(200, 200, 200);

HWND MakeTrackbarClassReady() {
  INITCOMMONCONTROLSEX init{sizeof(init), ICC_BAR_CLASSES};
  InitCommonControlsEx(&init);
  return nullptr;
}

class TimelineTest : public ::testing::Test {
 protected:
  TimelineTest()
      : ready(MakeTrackbarClassReady()),
        window(TRACKBAR_CLASSA, kId, 0, WS_EX_STATICEDGE, kWidth, kHeight),
        canvas(kWidth, kHeight) {}

  void SetUp() override {
    ASSERT_TRUE(timeline.Attach(window.Parent(), kId));
    Send(TBM_SETRANGEMAX, 0, 65535);
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(window.Child(), message, wParam, lParam);
  }
  void Print() { Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT); }
  int LowerHalf(uint32_t rgb) { return canvas.Count(rgb, 0, 15, kWidth, kHeight); }

  HWND ready;
  TestWindow window;
  DibCanvas canvas;
  TimelineControl timeline;
};

TEST_F(TimelineTest, TrackbarMessagesSetAndReadItsState) {
  EXPECT_EQ(Send(TBM_GETRANGEMAX, 0, 0), 65535);
  EXPECT_EQ(Send(TBM_SETPOS, TRUE, 1234), 0);
  EXPECT_EQ(Send(TBM_GETPOS, 0, 0), 1234);
  Send(TBM_SETSELSTART, FALSE, 10);
  Send(TBM_SETSELEND, FALSE, 20);
  EXPECT_EQ(Send(TBM_GETSELSTART, 0, 0), 10);
  EXPECT_EQ(Send(TBM_GETSELEND, 0, 0), 20);
  EXPECT_EQ(Send(TBM_CLEARSEL, TRUE, 0), 0);
  EXPECT_EQ(Send(TBM_GETSELSTART, 0, 0), static_cast<LRESULT>(kNoMark));
  EXPECT_EQ(Send(TBM_GETSELEND, 0, 0), static_cast<LRESULT>(kNoMark));
  EXPECT_EQ(Send(WM_ERASEBKGND, 0, 0), 1);
}

TEST_F(TimelineTest, HalfwayPositionPaintsTheLeftHalfOfTheBarBlue) {
  Send(TBM_SETPOS, TRUE, 32767);
  Print();
  for (int row = 1; row < 14; ++row) {
    const bool upper = row < 7;
    const int i = upper ? row : row - 7;
    const uint32_t blue =
        FromColorref(upper ? GradientRowColour(0xF8F8AF, 0xD7B73E, i, 7) : GradientRowColour(0xAE910E, 0x735701, i, 8));
    const uint32_t grey =
        FromColorref(upper ? GradientRowColour(0xFCFCFC, 0xDADADA, i, 7) : GradientRowColour(0xC9C9C9, 0xD5D5D5, i, 8));
    EXPECT_EQ(canvas.Count(blue, 1, row, 100, row + 1), 99) << "row " << row;
    EXPECT_EQ(canvas.Count(grey, 100, row, kWidth - 1, row + 1), kWidth - 101) << "row " << row;
  }
  // The frame around the bar, the button face below it, no marks.
  EXPECT_EQ(canvas.Pixel(0, 5), kSelection);
  EXPECT_EQ(canvas.Pixel(50, 0), kSelection);
  EXPECT_EQ(canvas.Pixel(50, 14), kSelection);
  EXPECT_EQ(canvas.Pixel(kWidth - 1, 5), kSelection);
  const uint32_t face = FromColorref(GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(LowerHalf(face), kWidth * (kHeight - 15));
}

TEST_F(TimelineTest, SelectionMarksFollowTheirRules) {
  Send(TBM_SETSELSTART, TRUE, 16384);
  Print();
  EXPECT_EQ(LowerHalf(kMark), 12);  // one line, rows 16..27
  EXPECT_EQ(canvas.Count(kMark, 49, 16, 50, 28), 12);
  EXPECT_EQ(LowerHalf(kSelection), 0);

  Send(TBM_SETSELEND, TRUE, 49151);
  Print();
  EXPECT_EQ(LowerHalf(kMark), 24);
  EXPECT_EQ(canvas.Count(kMark, 149, 16, 150, 28), 12);
  EXPECT_EQ(canvas.Count(kSelection, 50, 16, 149, 28), 99 * 12);
  EXPECT_EQ(LowerHalf(kSelection), 99 * 12);

  Send(TBM_SETSELSTART, TRUE, 60000);  // after the end: only the start shows
  Print();
  EXPECT_EQ(LowerHalf(kMark), 12);
  EXPECT_EQ(canvas.Count(kMark, 182, 16, 183, 28), 12);
  EXPECT_EQ(LowerHalf(kSelection), 0);

  Send(TBM_CLEARSEL, TRUE, 0);
  Print();
  EXPECT_EQ(LowerHalf(kMark), 0);
}

TEST_F(TimelineTest, ClickSetsPositionOnReleaseAndNotifiesTheParent) {
  Send(TBM_SETPOS, TRUE, 5000);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 5));
  Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 5));
  EXPECT_EQ(Send(TBM_GETPOS, 0, 0), 5000);
  EXPECT_EQ(window.Received(WM_HSCROLL), 0);

  Send(WM_LBUTTONUP, 0, MAKELPARAM(0, 5));
  EXPECT_EQ(Send(TBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(window.Received(WM_HSCROLL), 1);
  EXPECT_EQ(window.LastWParam(WM_HSCROLL), static_cast<WPARAM>(TB_ENDTRACK));
  EXPECT_EQ(window.LastLParam(WM_HSCROLL), reinterpret_cast<LPARAM>(window.Child()));

  Send(WM_LBUTTONUP, 0, MAKELPARAM(kWidth - 1, 5));
  EXPECT_EQ(Send(TBM_GETPOS, 0, 0), 65207);
  EXPECT_EQ(window.Received(WM_HSCROLL), 2);
}

TEST_F(TimelineTest, PaintsItselfOnScreenInsteadOfTheTrackbar) {
  Send(TBM_SETPOS, FALSE, 65535);
  window.ShowAndPaint();
  ASSERT_TRUE(canvas.CaptureClient(window.Child()));
  const uint32_t blue = FromColorref(GradientRowColour(0xF8F8AF, 0xD7B73E, 3, 7));
  EXPECT_EQ(canvas.Count(blue, 1, 3, kWidth - 1, 4), kWidth - 2);
  RECT client{};
  GetClientRect(window.Child(), &client);
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);
}

}  // namespace
