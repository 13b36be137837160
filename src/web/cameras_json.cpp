#include "web/cameras_json.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

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

// A JSON string literal, quotes included.
std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out.append(escaped);
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
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
