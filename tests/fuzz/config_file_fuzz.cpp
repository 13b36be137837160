// Arbitrary bytes as a configuration file: whatever a damaged file holds,
// the layout comes back inside the dialog's ranges, the camera set stays
// bounded, every text ends inside its field and the cells lay out sanely.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/config_file.h"

namespace {

template <size_t N>
void RequireEnded(const char (&text)[N]) {
  if (std::memchr(text, '\0', N) == nullptr) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemorySource source(std::vector<uint8_t>(data, data + size));
  WebSettings web{};
  GridLayout layout{};
  std::vector<CameraRecords> cameras;
  ReadConfig(source, web, layout, [&](const GridLayout& wanted) -> std::vector<CameraRecords>& {
    const int64_t count = static_cast<int64_t>(wanted.columns) * wanted.rows;
    if (count < 1 || count > kMaxGridSide * kMaxGridSide) std::abort();
    cameras.assign(static_cast<size_t>(count), CameraRecords{DefaultCamSettings(), EmptyDetectGrid()});
    return cameras;
  });
  if (layout.columns < kMinGridSide || layout.columns > kMaxGridSide || layout.rows < kMinGridSide ||
      layout.rows > kMaxGridSide || !(layout.aspectRatio >= kMinAspectRatio && layout.aspectRatio <= kMaxAspectRatio))
    std::abort();
  RequireEnded(web.userName);
  RequireEnded(web.password);
  for (const CameraRecords& camera : cameras) {
    RequireEnded(camera.settings.overlayText);
    RequireEnded(camera.settings.soundFile);
    RequireEnded(camera.settings.cameraUrl);
    RequireEnded(camera.settings.savePath);
    RequireEnded(camera.settings.overlayFont.faceName);
    RequireEnded(camera.settings.infoFont.faceName);
  }
  const int width = size > 0 ? data[0] * 16 : 640;
  const int height = size > 1 ? data[1] * 16 : 480;
  for (const CellRect& cell : LayoutCells(layout, width, height))
    if (cell.width < 0 || cell.height < 0) std::abort();
  return 0;
}
