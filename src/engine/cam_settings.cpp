#include "engine/cam_settings.h"

#include <cstring>

#include "common/fixed_text.h"

FontRecord DefaultFont() {
  FontRecord font;
  std::memset(&font, 0, sizeof font);
  font.height = -13;
  font.weight = 400;
  font.outPrecision = 1;
  font.clipPrecision = 2;
  font.quality = 1;
  font.pitchAndFamily = 0x22;
  CopyText(font.faceName, "MS Sans Serif");
  return font;
}

CamSettings DefaultCamSettings() {
  CamSettings s;
  std::memset(&s, 0, sizeof s);
  s.jpegQuality = 75;
  CopyText(s.overlayText, " %a %m/%d/%y (%I:%M:%S %p) ");
  s.overlayPosition = 1;
  s.overlayFont = DefaultFont();
  s.overlayTextColor = 0x000000;
  s.overlayBackColor = 0xC8C8C8;
  s.overlayOpacity = 100;
  s.showDetectRect = 1;
  s.showDetectInfo = 1;
  s.triggerLevel = 20;
  s.saveCount = 5;
  s.detectRectColor = 0x0000FF;
  s.infoTextColor = 0x000000;
  s.infoBackColor = 0xC8C8C8;
  s.detectRectOpacity = 100;
  s.infoOpacity = 100;
  s.infoPosition = 9;
  s.infoFont = DefaultFont();
  CopyText(s.soundFile, "motion.wav");
  CopyText(s.cameraUrl, "http://");
  s.saveInterval = 1000;
  CopyText(s.savePath, "C:\\Cameras\\%B\\%d\\myfile.mjpg");
  s.cleanDirectory = 1;
  s.saveAsMjpeg = 1;
  s.maxJpegCount = 100;
  return s;
}

DetectGrid EmptyDetectGrid() {
  DetectGrid grid;
  std::memset(&grid, 0, sizeof grid);
  return grid;
}

namespace {
constexpr int32_t kAnchorCodes[kAnchorCount] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
}

const char* const kAnchorCaptions[kAnchorCount] = {"Top Left",    "Top Center",    "Top Right",
                                                   "Center Left", "Center Center", "Center Right",
                                                   "Bottom Left", "Bottom Center", "Bottom Right"};

int AnchorListPosition(int32_t code) {
  for (int i = 0; i < kAnchorCount; ++i)
    if (kAnchorCodes[i] == code) return i;
  return 0;
}

int32_t AnchorCodeFromList(int position) {
  return position >= 0 && position < kAnchorCount ? kAnchorCodes[position] : 0;
}

int RotationListPosition(int32_t degrees) {
  const int position = degrees / 90;
  return position >= 0 && position <= 3 ? position : 0;
}

int32_t RotationFromList(int position) {
  return position >= 0 && position <= 3 ? position * 90 : 0;
}
