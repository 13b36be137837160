#include "engine/cam_wnd_win.h"

#include <windowsx.h>

#include <cmath>
#include <ctime>

#include "common/canvas_win.h"
#include "common/fitted_overlay_win.h"
#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/overlay_text.h"
#include "common/overlay_win.h"
#include "common/raster.h"
#include "common/scoped_handle_win.h"
#include "engine/camera_label_win.h"
#include "engine/empty_cell_win.h"
#include "engine/latency_win.h"
#include "engine/settings_font_win.h"
#include "engine/signal_watch.h"

namespace {

constexpr UINT kRedrawFlags = RDW_INVALIDATE | RDW_NOCHILDREN | RDW_UPDATENOW;
constexpr char kCellClass[] = "VorrandaleCameraCell";
// Posted by the worker's slot: something new is there.
constexpr UINT kFrameReady = WM_APP + 1;

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  ScopedBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &rect, brush.Get());
}

}  // namespace

struct CamWnd::BackBuffer : Canvas32 {
  BackBuffer(HDC reference, int w, int h) : Canvas32(reference, w, h), width(w), height(h) {}
  int width, height;
};

CamWnd::CamWnd() : CamWnd(CamWrk::Services{}) {}

CamWnd::CamWnd(CamWrk::Services workerServices)
    : wake_(nullptr, kFrameReady),
      grid_(EmptyDetectGrid()),
      worker_(std::move(workerServices)),
      settings_(DefaultCamSettings()) {
  detector_.rect.firstColumn = -1;
  worker_.SetInitialSettings(settings_);
}

CamWnd::~CamWnd() {
  worker_.Slot()->Unsubscribe(wake_);
  changes_->WakeAll();
  if (closeView_) closeView_();
  worker_.Stop();
  Destroy();
}

bool CamWnd::CreateCell(HWND parent, const RECT& rect, int id, bool takesMouse) {
  if (Handle()) return false;
  takesMouse_ = takesMouse;
  if (!CreateChild(kCellClass, parent, rect, id)) return false;
  worker_.SetDisplayWindow(window_);
  wake_.SetWindow(window_);
  worker_.Slot()->Subscribe(wake_, {.notices = true});
  worker_.Start();
  return true;
}

bool CamWnd::ReplaceControl(HWND placeholder, bool takesMouse) {
  HWND parent = GetParent(placeholder);
  RECT rect{};
  GetWindowRect(placeholder, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  if (!CreateCell(parent, rect, GetDlgCtrlID(placeholder), takesMouse)) return false;
  SetWindowPos(Handle(), placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DestroyWindow(placeholder);
  return true;
}

void CamWnd::Redraw() const {
  if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, kRedrawFlags);
}

void CamWnd::RedrawPicture() const {
  if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN | RDW_UPDATENOW);
}

void CamWnd::ClearPicture() {
  picture_.reset();
  frame_.reset();
  scaledValid_ = false;
}

void CamWnd::SetPicture(const uint8_t* pixels, const PictureInfo& info, bool processed) {
  CopyPicture(pixels, info, processed);
  Redraw();
}

void CamWnd::SetPicture(Picture&& picture, bool processed) {
  AdoptPicture(std::move(picture), processed);
  Redraw();
}

bool CamWnd::CopyPicture(const uint8_t* pixels, const PictureInfo& info, bool processed) {
  if (!pixels || info.header.bitCount != 24) {
    ClearPicture();
    return false;
  }
  // The last picture's buffer takes the new one when the cell made it and
  // no one else holds it: a fresh block per frame costs a page fault per 4 KiB.
  Picture picture;
  if (picture_ && !frame_ && picture_.use_count() == 1) picture = std::move(const_cast<Picture&>(*picture_));
  picture.pictureInfo = info;
  // Copy what the dimensions need: the image-size field of a description
  // from elsewhere may be 0 or wrong.
  picture.pixels.assign(pixels, pixels + picture.RequiredBytes());
  return AdoptPicture(std::move(picture), processed);
}

bool CamWnd::AdoptPicture(Picture&& picture, bool processed) {
  ClearPicture();
  if (picture.BitCount() != 24 || !picture.HasPixels()) return false;
  ++pictureSerial_;
  picture.pictureInfo.header.sizeImage = static_cast<uint32_t>(picture.RequiredBytes());
  detector_.stopwatch.Start(PerformanceCounter());
  processed_ = processed;
  if (!processed) {
    if (settings_.flipVertical) FlipVertical(picture);
    if (settings_.flipHorizontal) FlipHorizontal(picture);
    RotatePicture(picture, settings_.rotation);
    if (settings_.motionEnabled) {
      detector_.SetMask(grid_);
      Detect(detector_, picture, settings_.triggerLevel);
    }
  }
  // Not made const: CopyPicture takes the buffer back once no one holds it.
  picture_ = std::make_shared<Picture>(std::move(picture));
  return true;
}

void CamWnd::SetSettings(const CamSettings& settings) {
  settings_ = settings;
  if (worker_.Handle())
    worker_.ApplySettings(settings_);
  else
    worker_.SetInitialSettings(settings_);
  if (settings_.cameraType == kNoCamera) ClearPicture();
  Redraw();
}

void CamWnd::SetDetectGrid(const DetectGrid& grid) {
  grid_ = grid;
  worker_.SetDetectGrid(grid_);
  Redraw();
}

void CamWnd::SetExtras(const RecordingExtras& extras) {
  extras_ = extras;
  if (worker_.Handle())
    worker_.SetExtras(extras_);
  else
    worker_.SetInitialExtras(extras_);
}

void CamWnd::SetIdentity(const CameraIdentity& identity) {
  identity_ = ClampCameraIdentity(identity);
  if (worker_.Handle())
    worker_.SetName(identity_.name);
  else
    worker_.SetInitialName(identity_.name);
  Redraw();
}

void CamWnd::SetSecondStream(const SecondStream& second) {
  second_ = second;
  second_.url[sizeof second_.url - 1] = '\0';
  if (worker_.Handle())
    worker_.SetSecondStream(second_.url);
  else
    worker_.SetInitialSecondStream(second_.url);
}

void CamWnd::SetNumber(int number) {
  if (number == number_) return;
  number_ = number;
  changes_->WakeAll();  // a live stream of the number it had ends
  if (worker_.Handle())
    worker_.SetNumber(number);
  else
    worker_.SetInitialNumber(number);
  Redraw();
}

void CamWnd::ApplySettings() {
  worker_.ApplySettings(settings_);
  worker_.SetExtras(extras_);
  Redraw();
}

std::string CamWnd::Name() const {
  return CameraName(identity_, number_);
}

CameraStatus CamWnd::Status() const {
  if (settings_.cameraType != kIpCamera && settings_.cameraType != kCaptureDevice)
    return {CameraState::kNoSource, "No source"};
  if (HasPicture() && !signalLost_) return {CameraState::kLive, "Live"};
  if (HasPicture()) {
    char since[kTextSize];
    FormatNoSignal(static_cast<std::time_t>(signalNote_.since), since, sizeof since);
    return {CameraState::kNoSignal, since};
  }
  const int number = number_ > 0 ? number_ : 1;
  return {CameraState::kConnecting, DescribeEmptyCell(number, settings_.cameraType, statusText_, sourceStatus_).line};
}

const Picture& CamWnd::CurrentPicture() const {
  static const Picture none;
  return picture_ ? *picture_ : none;
}

bool CamWnd::GrabJpeg(std::vector<uint8_t>& jpeg) {
  jpeg.clear();
  if (!HasPicture() || signalLost_) return false;
  return EncodeJpeg(*picture_, settings_.jpegQuality, jpeg);
}

void CamWnd::SetGridCell(int x, int y, uint8_t value) {
  RECT client{};
  GetClientRect(Handle(), &client);
  const int width = client.right, height = client.bottom;
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const int column = static_cast<int>(std::floor(static_cast<double>(x) / width * kGridCells));
  const int row = static_cast<int>(std::floor(static_cast<double>(y) / height * kGridCells));
  grid_.At(column, row) = value;
  Redraw();
}

LRESULT CamWnd::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      Paint(dc);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_MOVE:
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST:
      return takesMouse_ ? HTCLIENT : HTTRANSPARENT;
    case WM_MOUSEMOVE:
      if (settings_.editDetectGrid && (wParam == MK_LBUTTON || wParam == MK_RBUTTON))
        SetGridCell(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam == MK_LBUTTON ? 1 : 0);
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (settings_.editDetectGrid) {
        POINT point{};
        GetCursorPos(&point);
        ScreenToClient(hwnd, &point);
        SetGridCell(point.x, point.y, msg == WM_LBUTTONUP ? 1 : 0);
      }
      break;
    case kFrameReady:
      TakeNews();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void CamWnd::TakeNews() {
  wake_.Rearm();
  FrameSlot& slot = *worker_.Slot();
  const SharedFrame frame = slot.Latest();
  bool changed = false;
  if (frame && frame->serial != shownFrame_) {
    shownFrame_ = frame->serial;
    ShowFrame(frame);
    changed = true;
  }
  for (const CameraNotice& notice : slot.TakeNotices(wake_)) changed = ApplyNotice(notice) || changed;
  if (changed) changes_->WakeAll();
}

void CamWnd::ShowFrame(const SharedFrame& frame) {
  signalLost_ = false;
  recording_ = frame->recording;
  ClearPicture();
  if (frame->picture.HasPixels() && frame->picture.BitCount() == 24) {
    detector_.rect = frame->rect;
    detector_.motionLevel = frame->motionLevel;
    // The cell holds the worker's frame instead of copying its pictures.
    frame_ = frame;
    picture_ = std::shared_ptr<const Picture>(frame, &frame->picture);
    ++pictureSerial_;
    detector_.stopwatch.Start(PerformanceCounter());
    processed_ = true;
  }
  RedrawPicture();
}

bool CamWnd::ApplyNotice(const CameraNotice& notice) {
  switch (notice.kind) {
    case CameraNotice::Kind::kStatus:
      CopyText(statusText_, notice.text.c_str());
      InvalidateRect(Handle(), nullptr, TRUE);
      return false;
    case CameraNotice::Kind::kSourceStatus:
      CopyText(sourceStatus_, notice.text.c_str());
      if (!HasPicture()) InvalidateRect(Handle(), nullptr, TRUE);
      return false;
    case CameraNotice::Kind::kSignalLost:
      // A frame taken after it ended it.
      if (notice.frameSerial < shownFrame_) return false;
      signalLost_ = notice.present;
      ++pictureSerial_;  // the web's grid drops the picture too
      if (signalLost_) signalNote_ = notice;
      InvalidateRect(Handle(), nullptr, TRUE);
      return true;
    case CameraNotice::Kind::kAlertStatus:
      CopyText(alertStatus_, notice.text.c_str());
      InvalidateRect(Handle(), nullptr, TRUE);
      return false;
    case CameraNotice::Kind::kRecordingFailed:
    case CameraNotice::Kind::kStorageFull:
    case CameraNotice::Kind::kRecordingFile:
      return false;  // the status text says it already
  }
  return false;
}

void CamWnd::Paint(HDC dc) {
  RECT client{};
  GetClientRect(Handle(), &client);
  const int width = client.right, height = client.bottom;
  if (width > 0 && height > 0) {
    if (!back_ || back_->width != width || back_->height != height)
      back_ = std::make_unique<BackBuffer>(dc, width, height);
    if (back_->Valid()) {
      Render(back_->dc.Get(), width, height);
      BitBlt(dc, 0, 0, width, height, back_->dc.Get(), 0, 0, SRCCOPY);
    } else {
      back_.reset();  // tried again on the next paint
    }
  }
  detector_.stopwatch.Stop(PerformanceCounter());
}

void CamWnd::Render(HDC dc, int width, int height) {
  const RECT all{0, 0, width, height};
  if (HasPicture()) {
    DrawPicture(dc, width, height);
  } else {
    FillSolid(dc, all, RGB(0x80, 0x80, 0x80));
  }
  // A cell without a picture says which camera it is and why it is empty;
  // its status text is part of that.
  const bool emptyCell = !HasPicture() && number_ > 0;
  if (emptyCell) {
    EmptyCellText text = DescribeEmptyCell(number_, settings_.cameraType, statusText_, sourceStatus_);
    text.number = Name();
    DrawEmptyCell(dc, all, text);
  }

  if (settings_.overlayEnabled) {
    char text[kTextSize];
    ExpandOverlayText(settings_.overlayText, DefaultClock().LocalTime(), text, sizeof text - 1);
    ScopedFont font = CreateSettingsFont(settings_.overlayFont);
    DrawOverlay(dc, all, text, font.Get(), settings_.overlayOpacity, settings_.overlayTextColor,
                settings_.overlayBackColor, kOverlayKeyColour, settings_.overlayPosition);
  }
  // The recording's own problem comes first; an alert's shows otherwise.
  const char* statusLine = statusText_[0] ? statusText_ : alertStatus_;
  if (statusLine[0] && !emptyCell) {
    ScopedFont font(CreateFontA(-14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif"));
    DrawFittedOverlay(dc, all, statusLine, font.Get(), 255, RGB(255, 0, 0), RGB(0, 0, 0), kOverlayKeyColour, 5);
  }
  if (settings_.motionEnabled) {
    if (settings_.showDetectInfo) {
      char text[kTextSize];
      FormatText(text, sizeof text, " Motion Level: %03d   Latency: %03dms ", detector_.motionLevel,
                 detector_.stopwatch.lastResult);
      const COLORREF colour =
          detector_.motionLevel <= settings_.triggerLevel ? settings_.infoTextColor : settings_.detectRectColor;
      ScopedFont font = CreateSettingsFont(settings_.infoFont);
      DrawFittedOverlay(dc, all, text, font.Get(), settings_.infoOpacity, colour, settings_.infoBackColor,
                        kOverlayKeyColour, settings_.infoPosition);
    }
    if (settings_.showDetectRect)
      DrawDetectRect(dc, width, height, settings_.detectRectColor, settings_.detectRectOpacity);
  }
  if (settings_.editDetectGrid) DrawDetectGrid(dc, width, height, RGB(0, 0, 0));
  if (signalLost_ && HasPicture()) DrawSignalLost(dc, width, height);
  if (HasPicture() && number_ > 0 && !identity_.hideLabel) {
    const bool motion = settings_.motionEnabled && detector_.motionLevel > settings_.triggerLevel;
    DrawCameraLabel(dc, width, Name(), recording_ && !signalLost_, motion);
  }
}

void CamWnd::DrawSignalLost(HDC dc, int width, int height) const {
  Canvas32 black(dc, 1, 1);
  if (!black.Valid()) return;
  black.bits[0] = 0xFF000000u;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 144, 0};
  AlphaBlend(dc, 0, 0, width, height, black.dc.Get(), 0, 0, 1, 1, blend);

  char since[kTextSize];
  FormatNoSignal(static_cast<std::time_t>(signalNote_.since), since, sizeof since);
  ScopedFont font(CreateFontA(-14, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif"));
  constexpr int32_t kTopCentre = 1;
  constexpr int kLineHeight = 20;
  DrawOverlay(dc, RECT{0, 4, width, height}, since, font.Get(), 255, RGB(255, 255, 255), RGB(0, 0, 0),
              kOverlayKeyColour, kTopCentre);
  DrawOverlay(dc, RECT{0, 4 + kLineHeight, width, height}, signalNote_.text.c_str(), font.Get(), 255,
              RGB(255, 255, 255), RGB(0, 0, 0), kOverlayKeyColour, kTopCentre);
}

void CamWnd::DrawPicture(HDC dc, int width, int height) {
  const CellImage* image = frame_ && frame_->scaled.Matches(width, height) ? &frame_->scaled : nullptr;
  if (!image) {
    if (!scaledValid_ || !scaled_.Matches(width, height))
      scaledValid_ = picture_ && scaler_.Scale(*picture_, width, height, scaled_);
    if (!scaledValid_) return;
    image = &scaled_;
  }
  const BITMAPINFO info = TopDown32Info(width, height);
  SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0, static_cast<UINT>(height),
                    image->pixels.data(), &info, DIB_RGB_COLORS);
}

void CamWnd::DrawDetectRect(HDC dc, int width, int height, COLORREF colour, int32_t opacity) const {
  const DetectRect& r = detector_.rect;
  if (r.firstColumn == -1) return;
  const double cw = width / 25.0, ch = height / 25.0;
  const int c0 = std::min(r.firstColumn, r.lastColumn), c1 = std::max(r.firstColumn, r.lastColumn);
  const int r0 = std::min(r.firstRow, r.lastRow), r1 = std::max(r.firstRow, r.lastRow);
  const int left = static_cast<int>(cw * c0);
  const int right = static_cast<int>(cw * c1 + std::ceil(cw));
  const int bottomEdge = static_cast<int>(std::ceil(ch) + ch * r1);
  const int topEdge = static_cast<int>(ch * r0);
  const int w = right - left, h = bottomEdge - topEdge;
  if (w <= 0 || h <= 0) return;
  Canvas32 solid(dc, 1, 1);
  if (!solid.Valid()) return;
  solid.bits[0] = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(opacity), 0};
  AlphaBlend(dc, left, height - bottomEdge, w, h, solid.dc.Get(), 0, 0, 1, 1, blend);
}

void CamWnd::DrawDetectGrid(HDC dc, int width, int height, COLORREF lineColour) const {
  Canvas32 grid(dc, width, height);
  if (!grid.Valid()) return;
  HDC g = grid.dc.Get();
  FillSolid(g, RECT{0, 0, width, height}, RGB(0, 255, 0));
  const auto edgeX = [width](int i) { return static_cast<int>(static_cast<double>(i) * width / 25); };
  const auto edgeY = [height](int i) { return static_cast<int>(static_cast<double>(i) * height / 25); };
  for (int c = 0; c < kGridCells; ++c)
    for (int r = 0; r < kGridCells; ++r)
      if (grid_.At(c, r)) FillSolid(g, RECT{edgeX(c), edgeY(r), edgeX(c + 1), edgeY(r + 1)}, RGB(0, 0, 255));
  ScopedPen pen(CreatePen(PS_SOLID, 1, lineColour));
  {
    SelectedObject selected(g, pen.Get());
    for (int i = 0; i < kGridCells; ++i) {
      MoveToEx(g, edgeX(i), 0, nullptr);
      LineTo(g, edgeX(i), height);
      MoveToEx(g, 0, edgeY(i), nullptr);
      LineTo(g, width, edgeY(i));
    }
    MoveToEx(g, width - 1, 0, nullptr);
    LineTo(g, width - 1, height);
    MoveToEx(g, 0, height - 1, nullptr);
    LineTo(g, width, height - 1);
  }
  GdiFlush();
  // Keyed green is transparent (alpha 0, colour kept, as the premultiplied
  // rule then tints with it); everything else opaque. Composed here rather
  // than by AlphaBlend, whose sum wraps past 255 under Wine instead of
  // saturating.
  Canvas32 target(dc, width, height);
  if (!target.Valid()) return;
  BitBlt(target.dc.Get(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
  GdiFlush();
  constexpr uint32_t kConstantAlpha = 128;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t source = grid.bits[i] & 0x00FFFFFFu;
    const uint32_t sourceAlpha = source == 0x0000FF00u ? 0 : 255;
    const uint32_t keep = 255 * 255 - sourceAlpha * kConstantAlpha;  // of 255 * 255
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t s = (source >> shift) & 0xFF, d = (target.bits[i] >> shift) & 0xFF;
      const uint32_t value = (s * kConstantAlpha * 255 + d * keep) / (255 * 255);
      out |= (value > 255 ? 255 : value) << shift;
    }
    target.bits[i] = out;
  }
  BitBlt(dc, 0, 0, width, height, target.dc.Get(), 0, 0, SRCCOPY);
}
