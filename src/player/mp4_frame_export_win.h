#pragma once
// What an open MP4 recording gives as decoded pictures: the shown frame as
// a JPEG file, and the selection's frames through an AVI compressor.

#include <windows.h>

#include <cstdint>
#include <functional>

#include "player/avi_writer_win.h"
#include "player/mp4_reader_win.h"

// Asks where and writes the shown frame; progress (may be null) says when
// it is written.
void SaveMp4Frame(Mp4Reader& reader, HWND progress);

// Decodes the marked frames (not widened: nothing is copied) into an AVI,
// with keepGoing asked after each frame (it lets the window handle a
// message; false stops). The shown frame is shown again afterwards.
void ExportMp4Avi(Mp4Reader& reader, HWND owner, HWND progress, uint32_t framesPerSecond, AviPlatform& platform,
                  const std::function<bool()>& keepGoing);
