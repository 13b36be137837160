#pragma once
// The configuration file: web settings, grid layout, camera count, then
// each camera's settings and detection grid, back to back with no header,
// then the extension of config_extension.h. The only consistency test of
// the records before the extension is the number of bytes transferred.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_sink.h"
#include "engine/cam_settings.h"
#include "engine/camera_identity.h"
#include "engine/recording_extras.h"
#include "shell/config_extension.h"
#include "shell/grid_layout.h"
#include "web/web_settings.h"

inline constexpr size_t kConfigHeaderSize = sizeof(WebSettings) + sizeof(GridLayout) + sizeof(uint32_t);
inline constexpr size_t kCameraRecordSize = sizeof(CamSettings) + sizeof(DetectGrid);
static_assert(kConfigHeaderSize == 560);
static_assert(kCameraRecordSize == 1989);

constexpr size_t ConfigFileSize(size_t cameras) {
  return kConfigHeaderSize + kCameraRecordSize * cameras;
}

// Where the file's bytes come from: an open file in the program, a buffer
// in tests.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to size bytes; fewer at the end of the data or on an error.
  virtual size_t Read(uint8_t* data, size_t size) = 0;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  size_t Read(uint8_t* data, size_t size) override;

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
};

struct CameraRecords {
  CamSettings settings;
  DetectGrid grid;
  RecordingExtras extras = kDefaultRecordingExtras;
  CameraIdentity identity{};
  SecondStream second{};
  CameraAlerts alerts{};
};

// Writes the whole file, extension included; true when every byte went out.
bool WriteConfig(ByteSink& out, const WebSettings& web, const GridLayout& layout,
                 const std::vector<CameraRecords>& cameras, const WebSecurity* security = nullptr,
                 const AlertServers* servers = nullptr);

// Called once the layout has been read (and repaired): makes the camera set
// match it and returns the records to read into, one per camera in grid
// order, holding the cameras' current values.
using RebuildForLayout = std::function<std::vector<CameraRecords>&(const GridLayout&)>;

// Reads the file over the given records. The camera count stored in the
// file is read and not used: as many camera records are read as the
// rebuilt set holds. Records that could not be read keep what they held.
// True when all 560 + 1989 x n bytes were read; a longer file's surplus is
// ignored. The extension that follows them fills each camera's extras, or
// leaves the defaults (see ReadConfigExtension); how it went is told in
// `extension` when given, and never changes the result.
bool ReadConfig(ByteSource& in, WebSettings& web, GridLayout& layout, const RebuildForLayout& rebuild,
                ExtensionRead* extension = nullptr, WebSecurity* security = nullptr, AlertServers* servers = nullptr);

// The configuration path for a program path: everything after the last
// '.' of the file name replaced by "cfg", or ".cfg" appended when the file
// name has no '.' (a '.' in a folder name does not count).
std::string ConfigPathFor(std::string_view programPath);
