#pragma once
// Exporting the selection as an AVI video: every frame of the selection is
// decoded and handed to the chosen compressor, one at a time, with one
// pending message dispatched per frame so the Play button can abort.

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/picture.h"
#include "player/avi_writer_win.h"
#include "player/recording_reader.h"

// Hands decoded pictures to the compressor, which is chosen when the first
// one arrives (all take its size); the AVI is complete when this goes.
class AviPictureWriter {
 public:
  AviPictureWriter(AviPlatform& platform, HWND owner, std::string path, uint32_t framesPerSecond);
  AviPictureWriter(const AviPictureWriter&) = delete;
  AviPictureWriter& operator=(const AviPictureWriter&) = delete;

  // False when the AVI could not be started (reported): the export stops.
  // A frame that fails to write ends the writing, not the export.
  bool Add(Picture& picture);

 private:
  // AVIFile's own start and end around one export.
  class Library {
   public:
    Library() { AVIFileInit(); }
    ~Library() { AVIFileExit(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
  };

  Library library_;
  AviWriter writer_;
  HWND owner_;
  std::string path_;
  uint32_t framesPerSecond_;
  bool first_ = true;
  bool writing_ = true;
};

// Does nothing without a selection, while an operation runs or with no
// recording open. owner owns the dialogs and boxes, progress (may be null)
// shows how far it got. Leaves the reader's position and current frame as
// they were. An output that is the open recording is refused.
void ExportAvi(RecordingReader& reader, HWND owner, HWND progress, uint32_t framesPerSecond,
               AviPlatform& platform = DefaultAviPlatform());
