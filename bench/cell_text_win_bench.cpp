// What fitting a cell's texts costs per paint: the motion box and the status
// line drawn fitted (measured, shortened with an ellipsis when needed) beside
// the same lines drawn as they come, and the whole paint of an empty cell
// and of a cell with a picture, at the first start's cell size and at a
// narrow one.
#include <windows.h>

#include <cstdio>

#include "bench_timer.h"
#include "common/fitted_overlay_win.h"
#include "common/overlay_blend.h"
#include "common/overlay_win.h"
#include "common/scoped_handle_win.h"
#include "engine/cam_wnd_win.h"

namespace {

struct Surface {
  Surface(int width, int height) : dc(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap.Reset(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    selected = SelectObject(dc.Get(), bitmap.Get());
  }
  ~Surface() { SelectObject(dc.Get(), selected); }
  ScopedMemoryDc dc;
  ScopedBitmap bitmap;
  HGDIOBJ selected = nullptr;
};

void Line(const char* what, int width, const char* before, double plain, const char* after, double fitted) {
  std::printf("%-28s %4d px: %s %.3f ms, %s %.3f ms\n", what, width, before, plain, after, fitted);
}

template <typename Operation>
double Time(Operation&& operation) {
  return MedianMsPerOp(operation, 100, 15);
}

}  // namespace

int main() {
  const char* info = " Motion Level: 100   Latency: 999ms ";
  const char* status = "Timeout waiting for data, retry in 5sec";
  ScopedFont infoFont(CreateFontA(-13, 0, 0, 0, 400, 0, 0, 0, 0, 1, 2, 1, 0x22, "MS Sans Serif"));
  ScopedFont statusFont(CreateFontA(-14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif"));
  for (int width : {320, 110}) {
    const int height = width * 3 / 4;
    Surface surface(width, height);
    const RECT all{0, 0, width, height};
    HDC dc = surface.dc.Get();
    Line("motion box (blended)", width, "as it comes",
         Time([&] { DrawOverlay(dc, all, info, infoFont.Get(), 100, RGB(200, 200, 200), 0, kOverlayKeyColour, 9); }),
         "fitted", Time([&] {
           DrawFittedOverlay(dc, all, info, infoFont.Get(), 100, RGB(200, 200, 200), 0, kOverlayKeyColour, 9);
         }));
    Line("status line (red on black)", width, "as it comes",
         Time([&] { DrawOverlay(dc, all, status, statusFont.Get(), 255, RGB(255, 0, 0), 0, kOverlayKeyColour, 5); }),
         "fitted", Time([&] {
           DrawFittedOverlay(dc, all, status, statusFont.Get(), 255, RGB(255, 0, 0), 0, kOverlayKeyColour, 5);
         }));

    CamWnd camera;
    CamSettings settings = camera.Settings();
    settings.cameraType = kIpCamera;
    camera.SetSettings(settings);
    const double grey = Time([&] { camera.Render(dc, width, height); });
    camera.SetNumber(2);
    const double empty = Time([&] { camera.Render(dc, width, height); });
    Line("whole paint, no picture", width, "plain grey", grey, "number and line", empty);
  }
  return 0;
}
