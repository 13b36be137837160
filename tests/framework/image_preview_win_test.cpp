#include "framework/image_preview_win.h"

#include <gtest/gtest.h>

#include "support/dib_canvas_win.h"
#include "support/test_pictures.h"
#include "support/test_window_win.h"

namespace {

constexpr int kId = 101;
constexpr uint32_t kGrey = Rgb(128, 128, 128);

// Width 3 (rows padded from 9 to 12 bytes) by 2, bottom-up: the first
// buffer row is the bottom of the picture.
Picture QuadPicture() {
  Picture picture = MakePicture(3, 2);
  auto set = [&](int x, int y, uint32_t rgb) {
    uint8_t* p = picture.pixels.data() + y * picture.Stride() + x * 3;
    p[0] = rgb & 0xFF;
    p[1] = (rgb >> 8) & 0xFF;
    p[2] = (rgb >> 16) & 0xFF;
  };
  const uint32_t top[3] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)};
  const uint32_t bottom[3] = {Rgb(255, 255, 0), Rgb(0, 255, 255), Rgb(255, 0, 255)};
  for (int x = 0; x < 3; ++x) {
    set(x, 1, top[x]);
    set(x, 0, bottom[x]);
  }
  return picture;
}

class ImagePreviewTest : public ::testing::Test {
 protected:
  ImagePreviewTest() : window("STATIC", kId, WS_BORDER, WS_EX_STATICEDGE, 120, 80) {}

  // What the control paints, through its own double-buffered paint.
  void Print(DibCanvas& canvas) {
    SendMessageA(preview.Window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  }

  TestWindow window;
  ImagePreview preview;
};

TEST_F(ImagePreviewTest, AttachTakesTheControlAndDropsItsFrame) {
  EXPECT_FALSE(preview.Attach(window.Parent(), kId + 1));
  ASSERT_TRUE(preview.Attach(window.Parent(), kId));
  EXPECT_EQ(preview.Window(), window.Child());
  EXPECT_EQ(preview.Owner(), window.Parent());
  EXPECT_EQ(GetWindowLongPtrA(window.Child(), GWL_EXSTYLE) & WS_EX_STATICEDGE, 0);
  RECT client{};
  GetClientRect(window.Child(), &client);
  EXPECT_EQ(client.right, 120);  // no border left: the client is the whole window
  EXPECT_EQ(client.bottom, 80);
  EXPECT_EQ(SendMessageA(window.Child(), WM_ERASEBKGND, 0, 0), 1);
}

TEST_F(ImagePreviewTest, GreyWithoutPictureAndStretchedCopyWithOne) {
  ASSERT_TRUE(preview.Attach(window.Parent(), kId));
  DibCanvas canvas(120, 80);
  Print(canvas);
  EXPECT_EQ(canvas.Count(kGrey), 120 * 80);

  Picture picture = QuadPicture();
  preview.SetPicture(picture);
  // The preview holds its own copy.
  std::fill(picture.pixels.begin(), picture.pixels.end(), 0);
  Print(canvas);
  EXPECT_EQ(canvas.Pixel(5, 5), Rgb(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(60, 5), Rgb(0, 255, 0));
  EXPECT_EQ(canvas.Pixel(115, 5), Rgb(0, 0, 255));
  EXPECT_EQ(canvas.Pixel(5, 75), Rgb(255, 255, 0));
  EXPECT_EQ(canvas.Pixel(115, 75), Rgb(255, 0, 255));
  EXPECT_EQ(canvas.Count(Rgb(255, 0, 0)), 40 * 40);

  preview.SetPicture(nullptr, picture.pictureInfo);
  EXPECT_FALSE(preview.HasPicture());
  Print(canvas);
  EXPECT_EQ(canvas.Count(kGrey), 120 * 80);
}

TEST_F(ImagePreviewTest, OnScreenPaintFollowsSizeAndSkipsRepaintFor32Bits) {
  ASSERT_TRUE(preview.Attach(window.Parent(), kId));
  Picture picture = QuadPicture();
  preview.SetPicture(picture.pixels.data(), picture.pictureInfo);
  window.ShowAndPaint();
  DibCanvas screen(120, 80);
  ASSERT_TRUE(screen.CaptureClient(window.Child()));
  EXPECT_EQ(screen.Pixel(5, 5), Rgb(255, 0, 0));
  EXPECT_EQ(screen.Pixel(115, 75), Rgb(255, 0, 255));

  SetWindowPos(window.Child(), nullptr, 0, 0, 60, 40, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  UpdateWindow(window.Child());
  PumpMessages();
  ASSERT_TRUE(screen.CaptureClient(window.Child()));
  EXPECT_EQ(screen.Count(Rgb(255, 0, 0), 0, 0, 60, 40), 20 * 20);
  EXPECT_EQ(screen.Pixel(55, 35), Rgb(255, 0, 255));

  // A 32-bit description drops the picture but does not repaint: the old
  // frame stays on screen until something else repaints the control.
  const Picture wide = PatternPicture(4, 4, 32);
  preview.SetPicture(wide.pixels.data(), wide.pictureInfo);
  EXPECT_FALSE(preview.HasPicture());
  PumpMessages();
  ASSERT_TRUE(screen.CaptureClient(window.Child()));
  EXPECT_EQ(screen.Pixel(5, 5), Rgb(255, 0, 0));
  InvalidateRect(window.Child(), nullptr, FALSE);
  UpdateWindow(window.Child());
  ASSERT_TRUE(screen.CaptureClient(window.Child()));
  EXPECT_EQ(screen.Count(kGrey, 0, 0, 60, 40), 60 * 40);
}

TEST(ImagePreviewLifetime, ObjectAndControlMayDieInEitherOrder) {
  TestWindow window("STATIC", kId, 0, 0, 50, 50);
  const LONG_PTR original = GetWindowLongPtrA(window.Child(), GWLP_WNDPROC);
  {
    ImagePreview preview;
    ASSERT_TRUE(preview.Attach(window.Parent(), kId));
    EXPECT_NE(GetWindowLongPtrA(window.Child(), GWLP_WNDPROC), original);
  }
  EXPECT_EQ(GetWindowLongPtrA(window.Child(), GWLP_WNDPROC), original);
  EXPECT_EQ(GetWindowLongPtrA(window.Child(), GWLP_USERDATA), 0);

  ImagePreview preview;
  ASSERT_TRUE(preview.Attach(window.Parent(), kId));
  DestroyWindow(window.Child());
  EXPECT_EQ(preview.Window(), nullptr);
  const Picture picture = QuadPicture();
  preview.SetPicture(picture);  // no window left to redraw: must not fail
  EXPECT_TRUE(preview.HasPicture());
}

}  // namespace
