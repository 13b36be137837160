#pragma once
// Exporting the selection as an AVI video: every frame of the selection is
// decoded and handed to the chosen compressor, one at a time, with one
// pending message dispatched per frame so the Play button can abort.

#include <windows.h>

#include <cstdint>

#include "player/avi_writer_win.h"
#include "player/recording_reader.h"

// Does nothing without a selection, while an operation runs or with no
// recording open. owner owns the dialogs and boxes, progress (may be null)
// shows how far it got. Leaves the reader's position and current frame as
// they were. An output that is the open recording is refused.
void ExportAvi(RecordingReader& reader, HWND owner, HWND progress, uint32_t framesPerSecond,
               AviPlatform& platform = DefaultAviPlatform());
