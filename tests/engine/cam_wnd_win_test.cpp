#include "engine/cam_wnd_win.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "support/dib_canvas_win.h"
#include "support/test_pictures.h"
#include "support/test_window_win.h"

namespace {

constexpr uint32_t kGrey = Rgb(0x80, 0x80, 0x80);

bool Near(uint32_t pixel, uint32_t rgb, int tolerance = 2) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((rgb >> shift) & 0xFF)) > tolerance)
      return false;
  return true;
}

// A picture of one colour (blue, green, red bytes) with its top quarter (the
// last buffer rows) in another.
Picture TwoToned(int width, int height, uint32_t bodyRgb, uint32_t topRgb) {
  Picture picture = MakePicture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t rgb = y >= height * 3 / 4 ? topRgb : bodyRgb;
      uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
      p[0] = rgb & 0xFF;
      p[1] = (rgb >> 8) & 0xFF;
      p[2] = (rgb >> 16) & 0xFF;
    }
  return picture;
}

class CamWndTest : public ::testing::Test {
 protected:
  static constexpr int kW = 153, kH = 115;
  CamWndTest() : window_("Static", 100, WS_CHILD | WS_VISIBLE | SS_NOTIFY, WS_EX_STATICEDGE, kW, kH) {}

  void SetUp() override { ASSERT_TRUE(camera_.ReplaceControl(window_.Child(), true)); }

  void Render() { camera_.Render(canvas_.Dc(), kW, kH); }
  // As the worker does: into the slot, and the cell takes it when woken.
  void Show(const Picture& picture, DetectRect rect = {-1, 0, 0, 0}, int32_t level = 0, CellImage scaled = {}) {
    auto frame = std::make_shared<Frame>();
    frame->picture = picture;
    frame->rect = rect;
    frame->motionLevel = level;
    frame->scaled = std::move(scaled);
    camera_.Worker().Slot()->Publish(std::move(frame));
    Drain();
  }
  void ShowNone() {
    camera_.Worker().Slot()->Publish(std::make_shared<Frame>());
    Drain();
  }
  void Tell(CameraNotice notice) {
    camera_.Worker().Slot()->Notify(std::move(notice));
    Drain();
  }
  static void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  CamSettings MotionSettings() {
    CamSettings s = DefaultCamSettings();
    s.motionEnabled = 1;
    s.showDetectRect = 0;
    s.infoOpacity = 255;
    s.infoBackColor = 0x00FF00;  // the key colour: bare glyphs
    s.infoTextColor = 0x000000;
    s.detectRectColor = 0x0000FF;
    return s;
  }

  TestWindow window_;
  CamWnd camera_;
  DibCanvas canvas_{kW, kH};
};

TEST_F(CamWndTest, TheCellStartsTheWorkerAndHasNoBorder) {
  ASSERT_TRUE(IsWindow(camera_.Worker().Handle()));
  EXPECT_NE(GetWindowThreadProcessId(camera_.Worker().Handle(), nullptr), GetCurrentThreadId());
  RECT window{}, client{};
  GetWindowRect(camera_.Handle(), &window);
  GetClientRect(camera_.Handle(), &client);
  EXPECT_EQ(client.right, window.right - window.left) << "no border: all of the window is client area";
}

TEST_F(CamWndTest, GreyWithoutAPictureAndTheWholePictureSqueezedIntoTheCell) {
  Render();
  EXPECT_EQ(canvas_.Count(kGrey), kW * kH);

  Show(TwoToned(640, 480, Rgb(255, 0, 0), Rgb(0, 0, 255)));
  ASSERT_TRUE(camera_.HasPicture());
  Render();
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(0, 0, 255)) << "the top of the picture at the top of the cell";
  EXPECT_EQ(canvas_.Pixel(kW - 1, 27), Rgb(0, 0, 255));
  EXPECT_EQ(canvas_.Pixel(kW - 1, 30), Rgb(255, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, kH - 1), Rgb(255, 0, 0));
  EXPECT_EQ(canvas_.Count(kGrey), 0);

  // A null picture clears; a picture of another depth is dropped.
  ShowNone();
  EXPECT_FALSE(camera_.HasPicture());
  Picture wide = PatternPicture(64, 48, 32);
  Show(wide);
  EXPECT_FALSE(camera_.HasPicture());
}

TEST_F(CamWndTest, InfoTextTurnsToTheRectangleColourAboveTheTrigger) {
  camera_.SetSettings(MotionSettings());
  const Picture grey = TwoToned(160, 120, kGrey, kGrey);
  Show(grey, {-1, 0, 0, 0}, 20);  // equal to the trigger: no motion
  Render();
  EXPECT_GT(canvas_.Count(Rgb(0, 0, 0)), 20);
  EXPECT_EQ(canvas_.Count(Rgb(255, 0, 0)), 0);
  Show(grey, {-1, 0, 0, 0}, 21);
  Render();
  EXPECT_EQ(canvas_.Count(Rgb(0, 0, 0)), 0);
  EXPECT_GT(canvas_.Count(Rgb(255, 0, 0)), 20);
  // Below the picture's lower edge: the info box sits at the bottom centre.
  EXPECT_EQ(canvas_.Count(Rgb(255, 0, 0), 0, 0, kW, kH / 2), 0);
}

TEST_F(CamWndTest, NothingOfTheMotionDisplayWithoutMotionDetection) {
  CamSettings s = MotionSettings();
  s.showDetectRect = 1;
  s.detectRectOpacity = 255;
  s.motionEnabled = 0;
  camera_.SetSettings(s);
  const Picture grey = TwoToned(160, 120, kGrey, kGrey);
  Show(grey, {2, 3, 10, 12}, 200);
  Render();
  EXPECT_EQ(canvas_.Count(kGrey), kW * kH);

  s.motionEnabled = 1;
  s.showDetectInfo = 0;
  camera_.SetSettings(s);
  Show(grey, {10, 12, 2, 3}, 200);  // scan order: not the corners
  Render();
  // Columns 2..10 and rows 3..12 counted from the bottom.
  const double cw = kW / 25.0, ch = kH / 25.0;
  const int left = static_cast<int>(cw * 2), right = static_cast<int>(cw * 10 + std::ceil(cw));
  const int bottomEdge = static_cast<int>(std::ceil(ch) + ch * 12), topEdge = static_cast<int>(ch * 3);
  const int top = kH - bottomEdge, height = bottomEdge - topEdge;
  EXPECT_EQ(canvas_.Count(Rgb(255, 0, 0)), (right - left) * height);
  EXPECT_EQ(canvas_.Pixel(left, top), Rgb(255, 0, 0));
  EXPECT_EQ(canvas_.Pixel(right - 1, top + height - 1), Rgb(255, 0, 0));
  EXPECT_EQ(canvas_.Pixel(left - 1, top), kGrey);
  EXPECT_EQ(canvas_.Pixel(left, top + height), kGrey);
}

TEST_F(CamWndTest, GridIsBlendedAtHalfOpacityWithMarkedCellsInBlue) {
  CamSettings s = DefaultCamSettings();
  s.editDetectGrid = 1;
  camera_.SetSettings(s);
  DetectGrid grid = EmptyDetectGrid();
  grid.At(0, 0) = 1;
  camera_.SetDetectGrid(grid);
  Show(TwoToned(160, 120, kGrey, kGrey));
  Render();
  // A watched cell: transparent green, premultiplied, adds 128 to green.
  EXPECT_TRUE(Near(canvas_.Pixel(60, 60), Rgb(0x80, 0xFF, 0x80))) << std::hex << canvas_.Pixel(60, 60);
  // The marked top-left cell: blue over grey at half opacity.
  EXPECT_TRUE(Near(canvas_.Pixel(3, 2), Rgb(0x40, 0x40, 0xC0))) << std::hex << canvas_.Pixel(3, 2);
  // Lines in black at half opacity, the last along the right edge.
  EXPECT_TRUE(Near(canvas_.Pixel(0, 60), Rgb(0x40, 0x40, 0x40))) << std::hex << canvas_.Pixel(0, 60);
  EXPECT_TRUE(Near(canvas_.Pixel(kW - 1, 60), Rgb(0x40, 0x40, 0x40)));
}

TEST_F(CamWndTest, GridEditingWithExactlyOneButton) {
  CamSettings s = DefaultCamSettings();
  s.editDetectGrid = 1;
  camera_.SetSettings(s);
  HWND control = camera_.Handle();
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(kW - 1, 0));
  EXPECT_EQ(camera_.Grid().At(24, 0), 1) << "x = W - 1 is the last column";
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(10, 50));
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, MAKELPARAM(10, 50));
  SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(10, 50));
  EXPECT_EQ(camera_.Grid().At(1, 10), 0);
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 50));
  EXPECT_EQ(camera_.Grid().At(1, 10), 1);
  SendMessageA(control, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(10, 50));
  EXPECT_EQ(camera_.Grid().At(1, 10), 0);
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(kW, 10));  // outside
  EXPECT_EQ(camera_.Grid().At(24, 2), 0);

  // A button released over a cell, at the cursor position.
  camera_.SetGridCell(100, 80, 1);
  const int column = 100 * 25 / kW, row = 80 * 25 / kH;
  ASSERT_EQ(camera_.Grid().At(column, row), 1);
  POINT point{100, 80};
  ClientToScreen(control, &point);
  ASSERT_TRUE(PlaceCursor(point));
  SendMessageA(control, WM_RBUTTONUP, 0, 0);
  EXPECT_EQ(camera_.Grid().At(column, row), 0);

  // Without edit mode nothing changes.
  s.editDetectGrid = 0;
  camera_.SetSettings(s);
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 0));
  EXPECT_EQ(camera_.Grid().At(0, 0), 0);
}

TEST_F(CamWndTest, StatusTextIsShownInRedOnBlackAndClearedByNull) {
  Tell({CameraNotice::Kind::kStatus, true, "Failed to create save directory"});
  EXPECT_STREQ(camera_.StatusText(), "Failed to create save directory");
  Render();
  EXPECT_GT(canvas_.Count(Rgb(255, 0, 0)), 30);
  EXPECT_GT(canvas_.Count(Rgb(0, 0, 0)), 100);
  EXPECT_EQ(canvas_.Pixel(kW / 2, 2), kGrey) << "centred, not at the top";
  Tell({CameraNotice::Kind::kStatus, false, ""});
  EXPECT_STREQ(camera_.StatusText(), "");
  Render();
  EXPECT_EQ(canvas_.Count(kGrey), kW * kH);
}

TEST_F(CamWndTest, GrabJpegEncodesTheCurrentPicture) {
  std::vector<uint8_t> jpeg;
  EXPECT_FALSE(camera_.GrabJpeg(jpeg));
  Show(SmoothPicture(320, 240));
  ASSERT_TRUE(camera_.GrabJpeg(jpeg));
  Picture decoded;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), decoded));
  EXPECT_EQ(decoded.Width(), 320);
  EXPECT_LT(MeanChannelDifference(SmoothPicture(320, 240), decoded), 3.0);
}

TEST_F(CamWndTest, RawPicturesTakeTheUnsavedSettingsAtOnce) {
  CamSettings s = DefaultCamSettings();
  s.rotation = 90;
  camera_.SetSettings(s);
  const Picture picture = PatternPicture(64, 48);
  camera_.SetPicture(picture.pixels.data(), picture.pictureInfo, false);
  EXPECT_EQ(camera_.CurrentPicture().Width(), 48);
  camera_.SetPicture(picture.pixels.data(), picture.pictureInfo, true);
  EXPECT_EQ(camera_.CurrentPicture().Width(), 64);
}

TEST(CamWndLifetimeTest, DestructionClosesTheViewAndStopsTheWorker) {
  TestWindow window("Static", 100, WS_CHILD | WS_VISIBLE, 0, 80, 60);
  HWND worker = nullptr;
  int closes = 0;
  {
    CamWnd camera;
    camera.SetViewCloser([&closes] { ++closes; });
    ASSERT_TRUE(camera.ReplaceControl(window.Child(), false));
    worker = camera.Worker().Handle();
    ASSERT_TRUE(IsWindow(worker));
    DestroyWindow(camera.Handle());
  }
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(IsWindow(worker));
}

}  // namespace

namespace {

TEST_F(CamWndTest, LostSignalDimsThePictureMarksItAndServesNothingUntilTheNextPicture) {
  Show(TwoToned(160, 120, Rgb(255, 255, 255), Rgb(255, 255, 255)));
  Render();
  EXPECT_EQ(canvas_.Pixel(kW / 2, kH - 3), Rgb(255, 255, 255));

  const CameraNotice note{CameraNotice::Kind::kSignalLost, true, "Timeout waiting for data, retry in 5sec",
                          1'700'000'000};
  Tell(note);
  std::vector<uint8_t> jpeg;
  EXPECT_FALSE(camera_.GrabJpeg(jpeg)) << "the web server answers as for a camera without a picture";
  EXPECT_FALSE(camera_.HasLivePicture()) << "the web's grid shows no picture either";
  EXPECT_TRUE(camera_.HasPicture()) << "the last picture stays, dimmed";
  Render();
  const uint32_t dimmed = canvas_.Pixel(kW / 2, kH - 3);
  EXPECT_TRUE(Near(dimmed, Rgb(111, 111, 111), 8)) << std::hex << dimmed;
  // The mark: white letters on black boxes across the top, two lines.
  int whiteTop = 0, whiteSecond = 0, blackTop = 0;
  for (int x = 0; x < kW; ++x) {
    for (int y = 4; y < 20; ++y) {
      whiteTop += canvas_.Pixel(x, y) == Rgb(255, 255, 255);
      blackTop += canvas_.Pixel(x, y) == Rgb(0, 0, 0);
    }
    for (int y = 24; y < 40; ++y) whiteSecond += canvas_.Pixel(x, y) == Rgb(255, 255, 255);
  }
  EXPECT_GT(whiteTop, 40);
  EXPECT_GT(blackTop, 100);
  EXPECT_GT(whiteSecond, 40);

  // The next picture ends it.
  Show(TwoToned(160, 120, Rgb(255, 255, 255), Rgb(255, 255, 255)));
  EXPECT_TRUE(camera_.HasLivePicture());
  EXPECT_TRUE(camera_.GrabJpeg(jpeg));
  Render();
  EXPECT_EQ(canvas_.Count(Rgb(255, 255, 255)), kW * kH);

  // Without a picture there is nothing to dim; a null note ends it too.
  Tell(note);
  Tell({CameraNotice::Kind::kSignalLost, false, ""});
  EXPECT_TRUE(camera_.HasLivePicture());
  Render();
  EXPECT_EQ(canvas_.Count(Rgb(255, 255, 255)), kW * kH);
  Tell(note);
  ShowNone();
  Render();
  EXPECT_EQ(canvas_.Count(kGrey), kW * kH);
  // A picture set directly (the preview's way) does not end a lost signal
  // itself, so this one shows whether the cleared picture ended it.
  camera_.SetPicture(TwoToned(160, 120, Rgb(255, 255, 255), Rgb(255, 255, 255)), true);
  EXPECT_TRUE(camera_.HasLivePicture());
  Render();
  EXPECT_EQ(canvas_.Count(Rgb(255, 255, 255)), kW * kH);
}

}  // namespace

namespace {

TEST_F(CamWndTest, WorkersScaledPictureIsDrawnWhenItFitsTheCell) {
  const Picture picture = TwoToned(640, 480, Rgb(255, 0, 0), Rgb(255, 0, 0));
  CellImage scaled;
  scaled.width = kW;
  scaled.height = kH;
  scaled.pixels.assign(static_cast<size_t>(kW) * kH, Rgb(0, 255, 0));  // not what the picture scales to
  Show(picture, {-1, 0, 0, 0}, 0, scaled);
  Render();
  EXPECT_EQ(canvas_.Count(Rgb(0, 255, 0)), kW * kH) << "taken as it came, not scaled again";

  // One of another size is not used: the display scales the picture itself.
  scaled.width = kW - 1;
  scaled.pixels.resize(static_cast<size_t>(kW - 1) * kH);
  Show(picture, {-1, 0, 0, 0}, 0, scaled);
  Render();
  EXPECT_EQ(canvas_.Count(Rgb(255, 0, 0)), kW * kH);
  // Nor is it kept for the next picture.
  Show(TwoToned(640, 480, Rgb(0, 0, 255), Rgb(0, 0, 255)));
  Render();
  EXPECT_EQ(canvas_.Count(Rgb(0, 0, 255)), kW * kH);
}

}  // namespace
