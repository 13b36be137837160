#pragma once
// The two per-camera records. They are stored verbatim in the configuration
// file, so their layout is a file format: every offset below is fixed,
// little-endian, and a fresh record has zero bytes wherever no default says
// otherwise (after each text's NUL and in the padding).

#include <cstddef>
#include <cstdint>

#include "common/fixed_text.h"

// The layout of the Win32 LOGFONTA record, without <windows.h>.
struct FontRecord {
  int32_t height;
  int32_t width;
  int32_t escapement;
  int32_t orientation;
  int32_t weight;
  uint8_t italic;
  uint8_t underline;
  uint8_t strikeOut;
  uint8_t charSet;
  uint8_t outPrecision;
  uint8_t clipPrecision;
  uint8_t quality;
  uint8_t pitchAndFamily;
  char faceName[32];
};
static_assert(sizeof(FontRecord) == 60);
static_assert(offsetof(FontRecord, weight) == 16);
static_assert(offsetof(FontRecord, italic) == 20);
static_assert(offsetof(FontRecord, pitchAndFamily) == 27);
static_assert(offsetof(FontRecord, faceName) == 28);

enum CameraType : int32_t { kNoCamera = 0, kIpCamera = 1, kCaptureDevice = 2 };

struct CamSettings {
  int32_t flipHorizontal;
  int32_t flipVertical;
  int32_t rotation;
  int32_t jpegQuality;
  int32_t overlayEnabled;
  int32_t overlayOnFile;
  char overlayText[kTextSize];
  int32_t overlayPosition;
  FontRecord overlayFont;
  uint32_t overlayTextColor;
  uint32_t overlayBackColor;
  int32_t overlayOpacity;
  int32_t motionEnabled;
  int32_t showDetectRect;
  int32_t showDetectInfo;
  int32_t editDetectGrid;
  int32_t motionSound;
  int32_t triggerLevel;
  int32_t saveCount;
  uint32_t detectRectColor;
  uint32_t infoTextColor;
  uint32_t infoBackColor;
  int32_t detectRectOpacity;
  int32_t infoOpacity;
  int32_t infoPosition;
  FontRecord infoFont;
  char soundFile[kTextSize];
  int32_t cameraType;
  int32_t deviceIndex;
  int32_t formatIndex;
  int32_t inputIndex;
  char cameraUrl[kTextSize];
  int32_t ipConnected;
  int32_t mjpegStream;
  int32_t recordEnabled;
  uint8_t scheduleFlags;
  uint8_t padding[3];
  int32_t scheduleStart[8];
  int32_t scheduleStop[8];
  int32_t saveInterval;
  char savePath[kTextSize];
  int32_t cleanDirectory;
  int32_t saveAsMjpeg;
  int32_t maxJpegCount;
};

static_assert(sizeof(CamSettings) == 1364);
static_assert(offsetof(CamSettings, flipHorizontal) == 0);
static_assert(offsetof(CamSettings, flipVertical) == 4);
static_assert(offsetof(CamSettings, rotation) == 8);
static_assert(offsetof(CamSettings, jpegQuality) == 12);
static_assert(offsetof(CamSettings, overlayEnabled) == 16);
static_assert(offsetof(CamSettings, overlayOnFile) == 20);
static_assert(offsetof(CamSettings, overlayText) == 24);
static_assert(offsetof(CamSettings, overlayPosition) == 284);
static_assert(offsetof(CamSettings, overlayFont) == 288);
static_assert(offsetof(CamSettings, overlayTextColor) == 348);
static_assert(offsetof(CamSettings, overlayBackColor) == 352);
static_assert(offsetof(CamSettings, overlayOpacity) == 356);
static_assert(offsetof(CamSettings, motionEnabled) == 360);
static_assert(offsetof(CamSettings, showDetectRect) == 364);
static_assert(offsetof(CamSettings, showDetectInfo) == 368);
static_assert(offsetof(CamSettings, editDetectGrid) == 372);
static_assert(offsetof(CamSettings, motionSound) == 376);
static_assert(offsetof(CamSettings, triggerLevel) == 380);
static_assert(offsetof(CamSettings, saveCount) == 384);
static_assert(offsetof(CamSettings, detectRectColor) == 388);
static_assert(offsetof(CamSettings, infoTextColor) == 392);
static_assert(offsetof(CamSettings, infoBackColor) == 396);
static_assert(offsetof(CamSettings, detectRectOpacity) == 400);
static_assert(offsetof(CamSettings, infoOpacity) == 404);
static_assert(offsetof(CamSettings, infoPosition) == 408);
static_assert(offsetof(CamSettings, infoFont) == 412);
static_assert(offsetof(CamSettings, soundFile) == 472);
static_assert(offsetof(CamSettings, cameraType) == 732);
static_assert(offsetof(CamSettings, deviceIndex) == 736);
static_assert(offsetof(CamSettings, formatIndex) == 740);
static_assert(offsetof(CamSettings, inputIndex) == 744);
static_assert(offsetof(CamSettings, cameraUrl) == 748);
static_assert(offsetof(CamSettings, ipConnected) == 1008);
static_assert(offsetof(CamSettings, mjpegStream) == 1012);
static_assert(offsetof(CamSettings, recordEnabled) == 1016);
static_assert(offsetof(CamSettings, scheduleFlags) == 1020);
static_assert(offsetof(CamSettings, padding) == 1021);
static_assert(offsetof(CamSettings, scheduleStart) == 1024);
static_assert(offsetof(CamSettings, scheduleStop) == 1056);
static_assert(offsetof(CamSettings, saveInterval) == 1088);
static_assert(offsetof(CamSettings, savePath) == 1092);
static_assert(offsetof(CamSettings, cleanDirectory) == 1352);
static_assert(offsetof(CamSettings, saveAsMjpeg) == 1356);
static_assert(offsetof(CamSettings, maxJpegCount) == 1360);

// One byte per cell of the 25 by 25 detection mask: index = column * 25 +
// row, column 0 at the left and row 0 at the top of the displayed picture.
// 0 = watched, anything else = ignored by motion detection.
inline constexpr int kGridCells = 25;
struct DetectGrid {
  uint8_t cells[kGridCells * kGridCells];

  uint8_t& At(int column, int row) { return cells[column * kGridCells + row]; }
  uint8_t At(int column, int row) const { return cells[column * kGridCells + row]; }
};
static_assert(sizeof(DetectGrid) == 625);

// A record holding exactly the defaults of a new camera.
CamSettings DefaultCamSettings();
FontRecord DefaultFont();
DetectGrid EmptyDetectGrid();

// Anchor positions: row * 4 + column, rows and columns 0 to 2.
inline constexpr int kAnchorCount = 9;
// The dialog's list position for a stored code; codes 3, 7 and above 10
// (and any negative one) show as the first entry, "Top Left".
int AnchorListPosition(int32_t code);
// The stored code for a list position; positions outside 0 to 8 store 0.
int32_t AnchorCodeFromList(int position);
// The list captions in list order.
extern const char* const kAnchorCaptions[kAnchorCount];

// The rotation list "0;90;180;270": stored degrees are position * 90.
int RotationListPosition(int32_t degrees);
int32_t RotationFromList(int position);
