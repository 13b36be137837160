#include "engine/cell_text.h"

#include "engine/cam_settings.h"

std::string CameraTitle(int number, const char* dialogTitle) {
  const std::string title = dialogTitle ? dialogTitle : "";
  if (number <= 0) return title;
  const std::string camera = "Camera " + std::to_string(number);
  return title.empty() ? camera : title + " - " + camera;
}

EmptyCellText DescribeEmptyCell(int number, int32_t cameraType, const char* statusText, const char* sourceStatus) {
  if (number <= 0) return {};
  EmptyCellText text{CameraTitle(number), {}};
  if (cameraType != kIpCamera && cameraType != kCaptureDevice)
    text.line = "Right-click to set up";
  else if (statusText && *statusText)
    text.line = statusText;
  else if (sourceStatus && *sourceStatus)
    text.line = sourceStatus;
  else
    text.line = "Connecting...";
  return text;
}
