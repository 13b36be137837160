#include "web/cameras_json.h"

#include <algorithm>
#include <string_view>

#include "common/json_string.h"
#include "web/web_cameras.h"

namespace {

const char* StateName(CameraState state) {
  switch (state) {
    case CameraState::kNoSource:
      return "none";
    case CameraState::kConnecting:
      return "connecting";
    case CameraState::kLive:
      return "live";
    case CameraState::kNoSignal:
      return "lost";
  }
  return "none";
}

}  // namespace

std::string CamerasJson(const WebCameras& cameras) {
  const WebGridShape shape = cameras.GridShape();
  int cellWidth = 0, cellHeight = 0;
  GridCellSize(shape, cellWidth, cellHeight);
  const int columns = std::clamp(shape.columns, 1, 10), rows = std::clamp(shape.rows, 1, 10);
  std::string json = "{\"columns\":" + std::to_string(columns) + ",\"rows\":" + std::to_string(rows) +
                     ",\"cellWidth\":" + std::to_string(cellWidth) + ",\"cellHeight\":" + std::to_string(cellHeight) +
                     ",\"gap\":" + std::to_string(kGridGap) + ",\"cameras\":[";
  for (int n = 1; n <= cameras.Count(); ++n) {
    const CameraStatus status = cameras.Status(n);
    if (n > 1) json.push_back(',');
    json += "{\"number\":" + std::to_string(n) + ",\"name\":" + JsonString(cameras.Name(n)) + ",\"state\":\"" +
            StateName(status.state) + "\",\"text\":" + JsonString(status.text) + "}";
  }
  return json + "]}";
}
