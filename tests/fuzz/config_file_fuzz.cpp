// Arbitrary bytes as a configuration file: whatever a damaged file holds,
// the layout comes back inside the dialog's ranges, the camera set stays
// bounded, every text ends inside its field, the cells lay out sanely and
// the extension's values are in range. The same bytes are also read as an
// extension alone, so its parser is reached without a whole file before it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/config_file.h"

namespace {

void RequireInRange(const RecordingExtras& extras) {
  if (extras.preMotionFrames < 0 || extras.preMotionFrames > 50 || extras.keepMegabytes < 0 || extras.keepDays < 0)
    std::abort();
}

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
    RequireInRange(camera.extras);
    RequireEnded(camera.identity.name);
  }
  MemorySource extensionOnly(std::vector<uint8_t>(data, data + size));
  std::vector<CameraExtension> extras(size > 2 ? data[2] % 101 : 12, CameraExtension{{7, 7, 7}, {"Door", 1}});
  const size_t count = extras.size();
  const ExtensionRead how = ReadConfigExtension(extensionOnly, extras);
  if (extras.size() != count) std::abort();
  for (const auto& [e, identity, second, alerts] : extras) {
    RequireInRange(e);
    RequireEnded(identity.name);
    RequireEnded(second.url);
    if (alerts.coolDownSeconds < 0 || alerts.coolDownSeconds > 86400) std::abort();
    for (int32_t flag : {alerts.mail, alerts.hook, alerts.mqtt, alerts.onlyWhenScheduled})
      if (flag != 0 && flag != 1) std::abort();
    if (how != ExtensionRead::kLoaded &&
        (e.preMotionFrames || e.keepMegabytes || e.keepDays || identity.name[0] || second.url[0] || alerts.mail))
      std::abort();
  }
  const int width = size > 0 ? data[0] * 16 : 640;
  const int height = size > 1 ? data[1] * 16 : 480;
  for (const CellRect& cell : LayoutCells(layout, width, height))
    if (cell.width < 0 || cell.height < 0) std::abort();
  return 0;
}
