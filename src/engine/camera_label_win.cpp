#include "engine/camera_label_win.h"

#include <algorithm>
#include <vector>

#include "common/fitted_overlay_win.h"
#include "common/scoped_handle_win.h"

namespace {

struct Piece {
  std::string text;
  COLORREF colour;
};

int TextWidth(HDC dc, const std::string& text) {
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

}  // namespace

void DrawCameraLabel(HDC dc, int width, const std::string& name, bool recording, bool motion) {
  constexpr int kPad = 3, kTop = 3, kLeft = 3, kHeight = 12;
  ScopedFont font(CreateFontA(-kHeight, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma"));
  SelectedObject selected(dc, font.Get());
  std::vector<Piece> marks;
  if (recording) marks.push_back({"REC", kLabelRecColour});
  if (motion) marks.push_back({"MOTION", kLabelMotionColour});
  int marksWidth = 0;
  for (const Piece& mark : marks) marksWidth += kPad * 2 + TextWidth(dc, mark.text);
  const std::string fitted = FitTextToWidth(dc, font.Get(), name.c_str(), width - kLeft * 2 - kPad * 2 - marksWidth);

  std::vector<Piece> pieces;
  if (!fitted.empty()) pieces.push_back({fitted, RGB(255, 255, 255)});
  pieces.insert(pieces.end(), marks.begin(), marks.end());
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = GetTextColor(dc);
  ScopedBrush back(CreateSolidBrush(RGB(0, 0, 0)));
  int x = kLeft;
  for (const Piece& piece : pieces) {
    const int pieceWidth = TextWidth(dc, piece.text) + kPad * 2;
    const RECT box{x, kTop, std::min(x + pieceWidth, width), kTop + kHeight + kPad};
    FillRect(dc, &box, back.Get());
    SetTextColor(dc, piece.colour);
    TextOutA(dc, x + kPad, kTop + 1, piece.text.c_str(), static_cast<int>(piece.text.size()));
    x += pieceWidth;
  }
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}
