// What a camera's cell paints without a picture, and how its status line
// and motion box keep inside a small cell.
#include "engine/empty_cell_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/fitted_overlay_win.h"
#include "common/fixed_text.h"
#include "common/scoped_handle_win.h"
#include "engine/cam_wnd_win.h"
#include "support/dib_canvas_win.h"
#include "support/test_pictures.h"
#include "support/test_window_win.h"

namespace {

constexpr uint32_t kWhite = FromColorref(kEmptyCellTextColour);
constexpr uint32_t kBlack = Rgb(0, 0, 0);
constexpr uint32_t kRed = Rgb(255, 0, 0);

// Columns [x0, x1) and rows [y0, y1) holding a colour; x0 = -1 when none.
struct Extent {
  int x0 = -1, x1 = -1, y0 = -1, y1 = -1;
};
Extent ExtentOf(const DibCanvas& canvas, uint32_t rgb, int yFrom = 0, int yTo = -1) {
  Extent e;
  if (yTo < 0) yTo = canvas.Height();
  for (int y = yFrom; y < yTo; ++y)
    for (int x = 0; x < canvas.Width(); ++x) {
      if (canvas.Pixel(x, y) != rgb) continue;
      if (e.x0 < 0 || x < e.x0) e.x0 = x;
      if (x + 1 > e.x1) e.x1 = x + 1;
      if (e.y0 < 0) e.y0 = y;
      e.y1 = y + 1;
    }
  return e;
}

// A single-colour picture in which no text colour of the cell occurs.
Picture Blue(int width, int height) {
  Picture picture = MakePicture(width, height);
  for (size_t i = 0; i < picture.pixels.size(); i += 3) picture.pixels[i] = 200;
  return picture;
}

class EmptyCellTest : public ::testing::Test {
 protected:
  static constexpr int kW = 320, kH = 240;
  EmptyCellTest() : window_("Static", 100, WS_CHILD | WS_VISIBLE, 0, kW, kH) {}
  void SetUp() override { ASSERT_TRUE(camera_.ReplaceControl(window_.Child(), false)); }

  void Render(DibCanvas& canvas) { camera_.Render(canvas.Dc(), canvas.Width(), canvas.Height()); }
  void SetType(int32_t type) {
    CamSettings settings = camera_.Settings();
    settings.cameraType = type;
    CopyText(settings.cameraUrl, "");  // a source that fails at once, not a connection
    camera_.SetSettings(settings);
  }
  void SourceSays(const char* text) { Tell(CameraNotice::Kind::kSourceStatus, text); }
  void CameraSays(const char* text) { Tell(CameraNotice::Kind::kStatus, text); }
  // As the worker does: into the slot, and the cell takes it when woken.
  void Tell(CameraNotice::Kind kind, const char* text) {
    camera_.Worker().Slot()->Notify({kind, text != nullptr, text ? text : ""});
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }

  TestWindow window_;
  CamWnd camera_;
};

TEST_F(EmptyCellTest, NumberAndWhatToDoCentredInTheGreyCell) {
  // Outside the grid (the setup dialog's preview) the cell stays plain grey.
  DibCanvas plain(kW, kH);
  Render(plain);
  EXPECT_EQ(plain.Count(Rgb(0x80, 0x80, 0x80)), kW * kH);

  camera_.SetNumber(2);
  EXPECT_EQ(camera_.Number(), 2);
  DibCanvas noSource(kW, kH);
  Render(noSource);
  const Extent text = ExtentOf(noSource, kWhite);
  ASSERT_GE(text.x0, 0) << "the cell says something";
  // Two lines in the middle of the cell, inside its margins.
  EXPECT_GE(text.x0, kFittedTextMargin);
  EXPECT_LE(text.x1, kW - kFittedTextMargin);
  EXPECT_NEAR((text.x0 + text.x1) / 2, kW / 2, 4);
  EXPECT_NEAR((text.y0 + text.y1) / 2, kH / 2, 8);
  EXPECT_GT(text.y1 - text.y0, 30) << "a number line and a text line";

  // With a source the number stays and the line tells what it is doing:
  // waiting, then the source's own words, then a recording problem.
  SetType(kIpCamera);
  SourceSays(nullptr);
  CameraSays(nullptr);
  DibCanvas waiting(kW, kH), sourceText(kW, kH), cameraText(kW, kH);
  Render(waiting);
  SourceSays("Trying to connect...");
  Render(sourceText);
  CameraSays("Failed to create save directory");
  Render(cameraText);
  const int lineTop = (text.y0 + text.y1) / 2 + 4;
  const auto sameNumber = [&](const DibCanvas& a) {
    return ExtentOf(a, kWhite, 0, lineTop).x0 == ExtentOf(noSource, kWhite, 0, lineTop).x0 &&
           ExtentOf(a, kWhite, 0, lineTop).x1 == ExtentOf(noSource, kWhite, 0, lineTop).x1;
  };
  EXPECT_TRUE(sameNumber(waiting) && sameNumber(sourceText) && sameNumber(cameraText));
  const int lineWidths[] = {ExtentOf(noSource, kWhite, lineTop).x1 - ExtentOf(noSource, kWhite, lineTop).x0,
                            ExtentOf(waiting, kWhite, lineTop).x1 - ExtentOf(waiting, kWhite, lineTop).x0,
                            ExtentOf(sourceText, kWhite, lineTop).x1 - ExtentOf(sourceText, kWhite, lineTop).x0,
                            ExtentOf(cameraText, kWhite, lineTop).x1 - ExtentOf(cameraText, kWhite, lineTop).x0};
  for (int i = 1; i < 4; ++i) EXPECT_NE(lineWidths[i], lineWidths[i - 1]) << "line " << i << " differs";
  EXPECT_EQ(cameraText.Count(kRed), 0) << "no second, red copy of the status in an empty cell";

  // A picture replaces all of it (the label over it is ticked off here).
  camera_.SetIdentity({"Garden", 1});
  const Picture blue = Blue(64, 48);
  camera_.SetPicture(blue.pixels.data(), blue.pictureInfo, true);
  CameraSays(nullptr);
  DibCanvas withPicture(kW, kH);
  Render(withPicture);
  EXPECT_EQ(withPicture.Count(kWhite), 0);
}

TEST_F(EmptyCellTest, LongTextsEndInAnEllipsisInsideANarrowCell) {
  constexpr int kNarrowW = 110, kNarrowH = 82;
  camera_.SetNumber(12);
  SetType(kIpCamera);
  SourceSays("Timeout waiting for data, retry in 5sec");
  DibCanvas empty(kNarrowW, kNarrowH);
  Render(empty);
  const Extent text = ExtentOf(empty, kWhite);
  ASSERT_GE(text.x0, 0);
  EXPECT_GE(text.x0, 1) << "not cut at the left";
  EXPECT_LE(text.x1, kNarrowW - 1) << "not cut at the right";

  // Over a picture, the red status on its black box: the box lies inside
  // the cell with a margin on both sides rather than cut at both.
  const Picture blue = Blue(64, 48);
  camera_.SetPicture(blue.pixels.data(), blue.pictureInfo, true);
  CameraSays("Unknown file save exception occured!");
  DibCanvas status(kNarrowW, kNarrowH);
  Render(status);
  const Extent box = ExtentOf(status, kBlack);
  ASSERT_GE(box.x0, 0);
  EXPECT_GE(box.x0, kFittedTextMargin);
  EXPECT_LE(box.x1, kNarrowW - kFittedTextMargin);
  EXPECT_GT(status.Count(kRed), 0);

  // The motion box the same way, anchored bottom left as the user set it:
  // its start stays and the end gets the dots.
  CameraSays(nullptr);
  CamSettings settings = camera_.Settings();
  settings.motionEnabled = 1;
  settings.showDetectInfo = 1;
  settings.showDetectRect = 0;
  settings.infoOpacity = 255;
  settings.infoBackColor = RGB(0, 0, 0);
  settings.infoTextColor = RGB(255, 255, 255);
  settings.infoPosition = 8;  // bottom left
  camera_.SetSettings(settings);
  camera_.SetPicture(blue.pixels.data(), blue.pictureInfo, true);
  DibCanvas info(kNarrowW, kNarrowH);
  Render(info);
  const Extent infoBox = ExtentOf(info, kBlack);
  ASSERT_GE(infoBox.x0, 0);
  EXPECT_EQ(infoBox.x0, 0) << "anchored at the left edge";
  EXPECT_LE(infoBox.x1, kNarrowW - 2 * kFittedTextMargin);
  EXPECT_EQ(infoBox.y1, kNarrowH);
}

TEST_F(EmptyCellTest, TheWholeMotionBoxFitsAtTheDefaultCellSize) {
  const CamSettings defaults = DefaultCamSettings();
  LOGFONTA record;
  std::memcpy(&record, &defaults.infoFont, sizeof record);
  ScopedFont font(CreateFontIndirectA(&record));
  HDC screen = GetDC(nullptr);
  // The widest the text gets: three-digit level and latency.
  const std::string text = " Motion Level: 100   Latency: 999ms ";
  EXPECT_EQ(FitTextToWidth(screen, font.Get(), text.c_str(), 320), text);
  // Even a cell a sixth narrower than the first start's keeps it whole.
  EXPECT_EQ(FitTextToWidth(screen, font.Get(), text.c_str(), 270), text);
  ReleaseDC(nullptr, screen);
}

}  // namespace
