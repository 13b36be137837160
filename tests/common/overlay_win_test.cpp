#include "common/overlay_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "support/dib_canvas_win.h"
#include "support/test_pictures.h"

namespace {

constexpr COLORREF kGreen = 0x00FF00;
constexpr COLORREF kBlue = 0xFF0000;  // COLORREF 0x00BBGGRR
constexpr uint32_t kGround = Rgb(40, 100, 60);

struct Font {
  HFONT handle = CreateFontA(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, "Tahoma");
  ~Font() { DeleteObject(handle); }
};

SIZE Measure(HFONT font, const char* text) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  SelectObject(dc, old);
  DeleteDC(dc);
  return size;
}

// The smallest rectangle holding every pixel that is not the ground.
RECT Changed(const DibCanvas& canvas, uint32_t ground) {
  RECT box{canvas.Width(), canvas.Height(), -1, -1};
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x)
      if (canvas.Pixel(x, y) != ground) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  return box;
}

class OverlayTest : public ::testing::Test {
 protected:
  OverlayTest() : canvas(200, 100) { canvas.Fill(kGround); }
  Font font;
  DibCanvas canvas;
  RECT whole{0, 0, 200, 100};
};

TEST_F(OverlayTest, EmptyOrNullTextDrawsNothingNotEvenTheBox) {
  DrawOverlay(canvas.Dc(), whole, "", font.handle, 255, 0, kBlue, kGreen, 0);
  DrawOverlay(canvas.Dc(), whole, nullptr, font.handle, 128, 0, kBlue, kGreen, 5);
  DrawOverlay(canvas.Dc(), whole, "text", nullptr, 255, 0, kBlue, kGreen, 0);
  EXPECT_EQ(canvas.Count(kGround), 200 * 100);
}

TEST_F(OverlayTest, Opacity254OnKeyBackgroundAdds254ToGreenInsideTheBoxOnly) {
  const SIZE size = Measure(font.handle, "12:34");
  DrawOverlay(canvas.Dc(), whole, "12:34", font.handle, 254, 0x0000FF, kGreen, kGreen, 0);
  const uint32_t tinted = Rgb(40, 255, 60);
  EXPECT_GT(canvas.Count(tinted, 0, 0, size.cx, size.cy), size.cx * size.cy / 2);
  EXPECT_EQ(canvas.Count(tinted), canvas.Count(tinted, 0, 0, size.cx, size.cy));
  EXPECT_EQ(canvas.Count(kGround, 0, size.cy, 200, 100), 200 * (100 - size.cy));
  EXPECT_EQ(canvas.Count(kGround, size.cx, 0, 200, 100), (200 - size.cx) * 100);
  // The glyphs themselves are nearly opaque red.
  EXPECT_GT(canvas.Count(Rgb(254, 0, 0), 0, 0, size.cx, size.cy), 0);  // 255 * 254 / 255 + 40 / 255
}

TEST_F(OverlayTest, DirectPathAt255DrawsBareGlyphs) {
  DrawOverlay(canvas.Dc(), whole, "12:34", font.handle, 255, 0x0000FF, kGreen, kGreen, 0);
  const int red = canvas.Count(Rgb(255, 0, 0));
  EXPECT_GT(red, 10);
  // No box, no tint: every pixel is either the ground or a glyph pixel.
  EXPECT_EQ(canvas.Count(kGround) + red, 200 * 100);
}

TEST_F(OverlayTest, Opacity256IsInvisibleAnd300BlendsAs44) {
  DrawOverlay(canvas.Dc(), whole, "12:34", font.handle, 256, 0, 0x0000C8, kGreen, 0);
  DrawOverlay(canvas.Dc(), whole, "12:34", font.handle, 0, 0, 0x0000C8, kGreen, 0);
  EXPECT_EQ(canvas.Count(kGround), 200 * 100);

  const SIZE size = Measure(font.handle, "12:34");
  DrawOverlay(canvas.Dc(), whole, " 12:34", font.handle, 300, 0, 0x0000C8, kGreen, 0);
  // Background red 200 over ground red 40 at 44/255: 67.6; green and blue
  // scale down by 211/255.
  EXPECT_EQ(canvas.Pixel(0, 0), Rgb(68, 83, 50));
  EXPECT_EQ(canvas.Pixel(size.cx + 20, 0), kGround);
  // Keyed background at 300 adds 44 to green.
  DibCanvas second(200, 100);
  second.Fill(kGround);
  DrawOverlay(second.Dc(), whole, " 12:34", font.handle, 300, 0, kGreen, kGreen, 0);
  EXPECT_EQ(second.Pixel(0, 0), Rgb(40, 144, 60));
}

TEST_F(OverlayTest, AnchorsPlaceTheBoxInsideAnOffsetRectangle) {
  const char* text = "Cam 1";
  const SIZE size = Measure(font.handle, text);
  const RECT area{20, 10, 181, 91};  // 161 x 81
  DrawOverlay(canvas.Dc(), area, text, font.handle, 255, kBlue, kBlue, kGreen, 10);
  const RECT box = Changed(canvas, kGround);
  EXPECT_EQ(box.right, area.right);
  EXPECT_EQ(box.bottom, area.bottom);
  EXPECT_EQ(box.right - box.left, size.cx);
  EXPECT_EQ(box.bottom - box.top, size.cy);

  canvas.Fill(kGround);
  DrawOverlay(canvas.Dc(), area, text, font.handle, 255, kBlue, kBlue, kGreen, 5);
  const RECT centred = Changed(canvas, kGround);
  EXPECT_EQ(centred.left, area.left + 161 / 2 - size.cx / 2);
  EXPECT_EQ(centred.top, area.top + 81 / 2 - size.cy / 2);
}

TEST_F(OverlayTest, BoxLargerThanTheRectangleIsClippedToIt) {
  const RECT area{50, 40, 60, 45};
  DrawOverlay(canvas.Dc(), area, "A long overlay text", font.handle, 255, kBlue, kBlue, kGreen, 5);
  const RECT box = Changed(canvas, kGround);
  EXPECT_EQ(box.left, 50);
  EXPECT_EQ(box.top, 40);
  EXPECT_EQ(box.right, 60);
  EXPECT_EQ(box.bottom, 45);
}

TEST_F(OverlayTest, LineBreakIsDrawnOnOneLine) {
  const SIZE line = Measure(font.handle, "AB");
  DrawOverlay(canvas.Dc(), whole, "AB\r\nCD", font.handle, 255, 0x0000FF, kGreen, kGreen, 0);
  const RECT glyphs = Changed(canvas, kGround);
  EXPECT_LE(glyphs.bottom, line.cy);
  EXPECT_GT(glyphs.right, line.cx);  // CD follows on the same line

  canvas.Fill(kGround);
  DrawOverlay(canvas.Dc(), whole, "AB\nCD", font.handle, 200, 0x0000FF, kBlue, kGreen, 0);
  EXPECT_EQ(Changed(canvas, kGround).bottom, line.cy);
}

TEST_F(OverlayTest, OverlayOnPictureDrawsAtThePicturesTopLeftKeepingPadding) {
  Picture picture = MakePicture(61, 30);  // rows padded to 184 bytes
  for (auto& byte : picture.pixels) byte = 0x11;
  const SIZE size = Measure(font.handle, " 1");
  ASSERT_TRUE(OverlayOnPicture(picture, " 1", font.handle, 255, 0, kBlue, kGreen, 0));
  // Bottom-up: the top picture row is the last buffer row.
  const uint8_t* topLeft = PixelAt(picture, 0, 29);
  EXPECT_EQ(topLeft[0], 0xFF);
  EXPECT_EQ(topLeft[1], 0x00);
  EXPECT_EQ(topLeft[2], 0x00);
  EXPECT_EQ(PixelAt(picture, 0, 29 - size.cy)[0], 0x11);
  EXPECT_EQ(PixelAt(picture, 60, 29)[0], 0x11);

  Picture empty;
  EXPECT_FALSE(OverlayOnPicture(empty, " 1", font.handle, 255, 0, kBlue, kGreen, 0));
}

}  // namespace
