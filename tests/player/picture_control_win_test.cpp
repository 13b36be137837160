#include "player/picture_control_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/overlay_win.h"
#include "common/scoped_handle_win.h"
#include "player/painted_win.h"
#include "support/dib_canvas_win.h"
#include "support/test_window_win.h"

namespace {

constexpr int kId = 320;
constexpr uint32_t kGrey = Rgb(128, 128, 128);

// 5 x 2 (rows padded from 15 to 16 bytes), bottom-up: the top row is red on
// the left half, the bottom row blue.
Picture TwoRowPicture() {
  Picture picture = MakePicture(5, 2);
  for (int x = 0; x < 5; ++x) {
    uint8_t* top = picture.pixels.data() + picture.Stride() + x * 3;
    uint8_t* bottom = picture.pixels.data() + x * 3;
    top[2] = 255;     // red
    bottom[0] = 255;  // blue
  }
  return picture;
}

// The smallest rectangle of pixels that are not grey.
RECT NotGrey(const DibCanvas& canvas) {
  RECT box{canvas.Width(), canvas.Height(), -1, -1};
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x)
      if (canvas.Pixel(x, y) != kGrey) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  return box;
}

// A message alone as it should look: red text in 14-pixel "MS Sans Serif"
// on a black box in the middle of grey.
std::vector<uint32_t> ExpectedMessage(const char* text) {
  DibCanvas expected(320, 120);
  expected.Fill(kGrey);
  ScopedFont font(CreateFontA(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
  DrawOverlay(expected.Dc(), RECT{0, 0, 320, 120}, text, font.Get(), 255, 0x0000FF, 0x000000, kOverlayKeyColour,
              DT_CENTER | DT_VCENTER);
  return Pixels(expected);
}

class PictureControlTest : public ::testing::Test {
 protected:
  PictureControlTest() : window("STATIC", kId, 0, WS_EX_STATICEDGE, 320, 120), canvas(320, 120) {}
  void SetUp() override { ASSERT_TRUE(control.Attach(window.Parent(), kId)); }
  void Print() { SendMessageA(window.Child(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT); }
  TestWindow window;
  DibCanvas canvas;
  PictureControl control;
};

TEST_F(PictureControlTest, MessageIsRedOnABlackBoxCentredOnGrey) {
  Print();
  EXPECT_EQ(canvas.Count(kGrey), 320 * 120);

  control.SetMessage("Could not grab a valid mjpg frame");
  Print();
  EXPECT_EQ(DifferingPixels(Pixels(canvas), ExpectedMessage("Could not grab a valid mjpg frame")), 0u);
  const RECT box = NotGrey(canvas);
  ASSERT_LT(box.left, box.right);
  EXPECT_LE(std::abs(box.left - (320 - box.right)), 1);
  EXPECT_LE(std::abs(box.top - (120 - box.bottom)), 1);
  EXPECT_GT(box.left, 0);
  const int black = canvas.Count(0, box.left, box.top, box.right, box.bottom);
  const int red = canvas.Count(Rgb(255, 0, 0), box.left, box.top, box.right, box.bottom);
  EXPECT_GT(red, 20);
  EXPECT_GT(black, red);
  EXPECT_EQ(canvas.Pixel(box.left, box.top), 0u);
}

TEST_F(PictureControlTest, TakesThePicturesPixelsAndStretchesThem) {
  control.SetMessage("Could not grab a valid mjpg frame");
  Picture picture = TwoRowPicture();
  control.SetPicture(std::move(picture));
  EXPECT_TRUE(picture.pixels.empty());  // taken, not copied
  Print();
  EXPECT_EQ(canvas.Count(Rgb(255, 0, 0)), 320 * 60);
  EXPECT_EQ(canvas.Count(Rgb(0, 0, 255)), 320 * 60);
  EXPECT_EQ(canvas.Pixel(319, 0), Rgb(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(0, 119), Rgb(0, 0, 255));

  // Copying keeps the caller's buffer.
  Picture copied = TwoRowPicture();
  std::swap(copied.pixels[2], copied.pixels[copied.Stride() + 2]);  // first column: top blue-less, bottom red
  control.SetPicture(copied.pixels.data(), copied.pictureInfo);
  EXPECT_FALSE(copied.pixels.empty());
  Print();
  EXPECT_EQ(canvas.Pixel(0, 119), Rgb(255, 0, 255));

  // Showing a picture dropped the message: cleared, the control is plain grey.
  control.ClearPicture();
  Print();
  EXPECT_EQ(canvas.Count(kGrey), 320 * 120);
}

TEST_F(PictureControlTest, OtherDepthsOrShortBuffersLeaveNoPicture) {
  control.SetPicture(TwoRowPicture());
  Picture wide = MakePicture(4, 4, 32);
  control.SetPicture(std::move(wide));
  Print();
  EXPECT_EQ(canvas.Count(kGrey), 320 * 120);

  control.SetPicture(TwoRowPicture());
  Picture shortBuffer = TwoRowPicture();
  shortBuffer.pixels.resize(10);
  control.SetPicture(std::move(shortBuffer));
  Print();
  EXPECT_EQ(canvas.Count(kGrey), 320 * 120);

  control.SetPicture(TwoRowPicture());
  control.ClearPicture();
  Print();
  EXPECT_EQ(canvas.Count(kGrey), 320 * 120);
}

TEST_F(PictureControlTest, MouseGoesThroughToThePlayerAndScreenShowsThePicture) {
  EXPECT_EQ(SendMessageA(window.Child(), WM_NCHITTEST, 0, MAKELPARAM(10, 10)), HTTRANSPARENT);
  control.SetPicture(TwoRowPicture());
  window.ShowAndPaint();
  ASSERT_TRUE(canvas.CaptureClient(window.Child()));
  EXPECT_EQ(canvas.Pixel(5, 5), Rgb(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(310, 115), Rgb(0, 0, 255));
}

}  // namespace
