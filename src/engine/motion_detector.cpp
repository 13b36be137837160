#include "engine/motion_detector.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "common/row_sums.h"

namespace {

constexpr int kCells = kGridCells;

// Column starts, sample counts and buffer rows of one picture's cells.
struct CellLayout {
  int sampleWidth = 0;                        // pixels per cell row
  int sampleHeight = 0;                       // rows per cell
  std::array<size_t, kCells> columnOffset{};  // byte offset of each column's first pixel in a row
};

CellLayout LayoutCells(int32_t width, int32_t height, size_t bytesPerPixel) {
  CellLayout layout;
  double cellWidth = static_cast<double>(width) / kCells;
  double cellHeight = static_cast<double>(height) / kCells;
  layout.sampleWidth = static_cast<int>(cellWidth);
  layout.sampleHeight = static_cast<int>(cellHeight);
  for (int c = 0; c < kCells; ++c) layout.columnOffset[c] = static_cast<size_t>(cellWidth * c) * bytesPerPixel;
  return layout;
}

// The buffer row of row j of band b: bands count from the bottom of the
// displayed picture whichever way the buffer runs.
size_t BufferRow(int band, int j, int32_t height, bool topDown) {
  double cellHeight = static_cast<double>(height) / kCells;
  size_t fromBottom = static_cast<size_t>(cellHeight * band) + static_cast<size_t>(j);
  return topDown ? static_cast<size_t>(height) - 1 - fromBottom : fromBottom;
}

uint8_t Brightness(uint64_t blue, uint64_t green, uint64_t red, uint64_t samples) {
  double y = 0.3 * static_cast<double>(red / samples) + 0.59 * static_cast<double>(green / samples) +
             0.11 * static_cast<double>(blue / samples);
  return static_cast<uint8_t>(static_cast<int>(y) & 0xFF);
}

bool CellWatched(const MotionDetector& detector, int column, int band) {
  return detector.mask.At(column, kCells - 1 - band) == 0;
}

// Row bytes summed at a time: whole pixels of 3 and of 4 bytes.
constexpr size_t kBlockBytes = 3072;
constexpr int kRowsAtOnce = 256;

// Samples every cell of one band whose `wanted` flag is set; brightness[c]
// receives the result. The band's rows are first summed byte by byte down
// the band, a plain loop over packed bytes, and the cells then add up their
// share of those sums, one pixel's channels at a time.
template <size_t kBytesPerPixel>
void MeasureBand(const uint8_t* pixels, size_t stride, int32_t height, bool topDown, const CellLayout& layout, int band,
                 const std::array<bool, kCells>& wanted, std::array<uint8_t, kCells>& brightness) {
  std::array<uint64_t, kCells> blue{}, green{}, red{};
  const size_t cellBytes = static_cast<size_t>(layout.sampleWidth) * kBytesPerPixel;
  const size_t rowBytes = layout.columnOffset[kCells - 1] + cellBytes;
  uint32_t sums[kBlockBytes];
  const uint8_t* rows[kRowsAtOnce];
  for (size_t blockStart = 0; blockStart < rowBytes; blockStart += kBlockBytes) {
    const size_t blockLength = std::min(kBlockBytes, rowBytes - blockStart);
    std::fill_n(sums, blockLength, 0u);
    for (int first = 0; first < layout.sampleHeight; first += kRowsAtOnce) {
      const int count = std::min(kRowsAtOnce, layout.sampleHeight - first);
      for (int j = 0; j < count; ++j)
        rows[j] = pixels + BufferRow(band, first + j, height, topDown) * stride + blockStart;
      AddRowBytes(rows, count, blockLength, sums);
    }
    for (int c = 0; c < kCells; ++c) {
      if (!wanted[c]) continue;
      const size_t first = std::max(layout.columnOffset[c], blockStart);
      const size_t end = std::min(layout.columnOffset[c] + cellBytes, blockStart + blockLength);
      uint64_t b = 0, g = 0, r = 0;
      for (size_t at = first; at < end; at += kBytesPerPixel) {
        const uint32_t* s = sums + (at - blockStart);
        b += s[0];
        g += s[1];
        r += s[2];
      }
      blue[c] += b;
      green[c] += g;
      red[c] += r;
    }
  }
  const uint64_t samples = static_cast<uint64_t>(layout.sampleWidth) * static_cast<uint64_t>(layout.sampleHeight);
  for (int c = 0; c < kCells; ++c)
    if (wanted[c]) brightness[c] = Brightness(blue[c], green[c], red[c], samples);
}

void MeasureBand(const uint8_t* pixels, size_t stride, size_t bytesPerPixel, int32_t height, bool topDown,
                 const CellLayout& layout, int band, const std::array<bool, kCells>& wanted,
                 std::array<uint8_t, kCells>& brightness) {
  if (bytesPerPixel == 3)
    MeasureBand<3>(pixels, stride, height, topDown, layout, band, wanted, brightness);
  else
    MeasureBand<4>(pixels, stride, height, topDown, layout, band, wanted, brightness);
}

void Prime(MotionDetector& detector, const uint8_t* pixels, size_t stride, size_t bytesPerPixel, int32_t width,
           int32_t height, bool topDown, const CellLayout& layout) {
  std::array<bool, kCells> all;
  all.fill(true);
  for (int band = 0; band < kCells; ++band) {
    std::array<uint8_t, kCells> brightness{};
    MeasureBand(pixels, stride, bytesPerPixel, height, topDown, layout, band, all, brightness);
    std::memcpy(detector.previous + band * kCells, brightness.data(), kCells);
  }
  detector.primed = 1;
  detector.referenceWidth = width;
  detector.referenceHeight = height;
}

}  // namespace

MotionDetector::MotionDetector()
    : stopwatch{0, 0, 0, 0},
      motionLevel(0),
      rect{-1, 0, 0, 0},
      mask{},
      previous{},
      primed(0),
      referenceWidth(0),
      referenceHeight(0) {}

int32_t Detect(MotionDetector& detector, const PictureInfo& info, const uint8_t* pixels, size_t byteCount,
               int32_t triggerLevel) {
  const int32_t width = info.header.width;
  const int bitCount = info.header.bitCount;
  // The most negative height has no positive counterpart.
  if (pixels == nullptr || width <= 0 || info.header.height == INT32_MIN || (bitCount != 24 && bitCount != 32))
    return 0;
  const int32_t height = AbsHeight(info.header.height);
  if (height == 0) return 0;
  const size_t stride = RowStride(width, bitCount);
  if (byteCount / stride < static_cast<size_t>(height)) return 0;

  detector.rect.firstColumn = -1;
  detector.motionLevel = 0;
  // Cells of such pictures hold no whole pixel: nothing to compare.
  if (width < kCells || height < kCells) return 0;

  const size_t bytesPerPixel = static_cast<size_t>(bitCount / 8);
  const bool topDown = info.header.height < 0;
  const CellLayout layout = LayoutCells(width, height, bytesPerPixel);
  if (!detector.primed || detector.referenceWidth != width || detector.referenceHeight != height) {
    Prime(detector, pixels, stride, bytesPerPixel, width, height, topDown, layout);
    return 0;
  }

  int32_t largest = 0;
  for (int band = 0; band < kCells; ++band) {
    std::array<bool, kCells> watched;
    for (int c = 0; c < kCells; ++c) watched[c] = CellWatched(detector, c, band);
    std::array<uint8_t, kCells> brightness{};
    MeasureBand(pixels, stride, bytesPerPixel, height, topDown, layout, band, watched, brightness);
    for (int c = 0; c < kCells; ++c) {
      if (!watched[c]) continue;
      uint8_t& previous = detector.previous[band * kCells + c];
      int32_t change = brightness[c] > previous ? brightness[c] - previous : previous - brightness[c];
      previous = brightness[c];
      if (change > largest) largest = change;
      if (change > triggerLevel) {
        if (detector.rect.firstColumn == -1) {
          detector.rect.firstColumn = c;
          detector.rect.firstRow = band;
        }
        detector.rect.lastColumn = c;
        detector.rect.lastRow = band;
      }
    }
  }
  detector.motionLevel = largest;
  return largest;
}

int32_t Detect(MotionDetector& detector, const Picture& picture, int32_t triggerLevel) {
  if (picture.pixels.empty()) return 0;
  return Detect(detector, picture.pictureInfo, picture.pixels.data(), picture.pixels.size(), triggerLevel);
}
