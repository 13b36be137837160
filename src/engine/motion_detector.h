#pragma once
// Motion detection: each picture of a camera is compared with the one
// before it over a 25 by 25 grid of cells, by the average brightness of
// each cell.
//
// Geometry. With W and H the picture's size, a cell is W / 25 by H / 25
// pixels (fractional); each cell samples trunc(W / 25) by trunc(H / 25)
// pixels from its truncated top-left corner, so one picture is read about
// once in total and never copied. Column c counts from the left edge. Band
// b counts from the BOTTOM edge of the displayed picture (for the usual
// bottom-up DIB that is the first buffer row); band b is displayed row
// 24 - b, so a cell's mask byte is mask[c * 25 + (24 - b)] (DetectGrid rows
// count from the top).
//
// Contract for the camera worker: keep one detector per camera, copy the
// camera's DetectGrid into `mask` (message 1330), call Detect() for every
// processed picture (after flips and rotation) while motion detection is
// on, and hand `motionLevel` and `rect` to the display with the picture.
// HasMotion() (motion_decision.h) turns the level into the decision.
//
// Contract for the display: keep a detector of its own for the stopwatch
// and a copy of the worker's `motionLevel` and `rect`. `rect` is in the
// scan order of the cells (band by band from the bottom, columns from the
// left within a band): first* is the first cell whose change exceeded the
// trigger level, last* the last one. Rows in `rect` count from the bottom,
// unlike DetectGrid rows; the first and last cell need not be the corners
// of the bounding box, so take the smaller and larger of each pair.
//
// Reference picture. The first picture, and the first after the picture
// size changed, only primes every cell's brightness (masked cells too, so
// a cell unmasked later has a reference): it reports level 0 and no cell,
// so a camera never reports motion on its first frame. Pictures narrower
// or lower than 25 pixels have empty cells and are not compared: level 0,
// no cell, reference kept.

#include <cstddef>
#include <cstdint>

#include "common/picture.h"
#include "engine/cam_settings.h"
#include "engine/latency.h"

inline constexpr int kCellCount = kGridCells * kGridCells;

// The cells that moved, columns from the left and rows from the bottom.
// firstColumn -1: no cell exceeded the trigger level in the last picture;
// the other three then keep older values and mean nothing.
struct DetectRect {
  int32_t firstColumn;
  int32_t firstRow;
  int32_t lastColumn;
  int32_t lastRow;

  bool Empty() const { return firstColumn == -1; }
};
static_assert(sizeof(DetectRect) == 16);
static_assert(offsetof(DetectRect, firstColumn) == 0);
static_assert(offsetof(DetectRect, firstRow) == 4);
static_assert(offsetof(DetectRect, lastColumn) == 8);
static_assert(offsetof(DetectRect, lastRow) == 12);

struct MotionDetector {
  LatencyStopwatch stopwatch;
  // Largest brightness change of any watched cell in the last picture,
  // 0 to 255.
  int32_t motionLevel;
  DetectRect rect;
  // Non-zero = cell ignored; layout of DetectGrid (column * 25 + row from
  // the top).
  DetectGrid mask;
  // Brightness of each cell in the last compared picture, band * 25 + column.
  uint8_t previous[kCellCount];
  // Set once `previous` holds a picture of referenceWidth x referenceHeight.
  uint8_t primed;
  int32_t referenceWidth;
  int32_t referenceHeight;

  // Every cell watched, no motion, stopwatch at 0, nothing primed.
  MotionDetector();

  // Takes the camera's detection mask.
  void SetMask(const DetectGrid& grid) { mask = grid; }
};
static_assert(offsetof(MotionDetector, stopwatch) == 0);
static_assert(offsetof(MotionDetector, motionLevel) == 32);
static_assert(offsetof(MotionDetector, rect) == 36);
static_assert(offsetof(MotionDetector, mask) == 52);
static_assert(offsetof(MotionDetector, previous) == 677);
static_assert(offsetof(MotionDetector, primed) == 1302);
static_assert(offsetof(MotionDetector, referenceWidth) == 1304);
static_assert(offsetof(MotionDetector, referenceHeight) == 1308);
static_assert(sizeof(MotionDetector) == 1312);

// Compares a picture with the previous one and returns the new motionLevel;
// updates rect and the watched cells' previous brightness. Changes of more
// than triggerLevel mark a cell as moved. Takes 24- and 32-bit pictures,
// bottom-up or top-down, rows padded as DIB rows. A picture without pixels,
// with a buffer shorter than its description needs, or of another depth
// returns 0 and changes nothing.
int32_t Detect(MotionDetector& detector, const Picture& picture, int32_t triggerLevel);

// The same over a raw DIB as messages carry it: byteCount is the size of
// the buffer at pixels.
int32_t Detect(MotionDetector& detector, const PictureInfo& info, const uint8_t* pixels, size_t byteCount,
               int32_t triggerLevel);
