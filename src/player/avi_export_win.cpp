#include "player/avi_export_win.h"

#include <cstring>
#include <string>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/picture.h"
#include "player/edit_recording_win.h"
#include "player/win32_recording_file_win.h"

namespace {

// AVIFile's own start and end around one export.
class AviLibrary {
 public:
  AviLibrary() { AVIFileInit(); }
  ~AviLibrary() { AVIFileExit(); }
  AviLibrary(const AviLibrary&) = delete;
  AviLibrary& operator=(const AviLibrary&) = delete;
};

}  // namespace

void ExportAvi(RecordingReader& reader, HWND owner, HWND progress, uint32_t framesPerSecond, AviPlatform& platform) {
  if (!reader.HasSelection() || reader.IsBusy() || !reader.IsOpen()) return;
  ReaderOperation operation(reader);
  const std::string path = reader.AskSaveFile("Exported_Video.avi", kAviFilter, kAviExtension);
  if (path.empty()) return;
  if (IsSameFile(static_cast<HANDLE>(reader.File()->NativeHandle()), path)) {
    reader.ShowError(kOutputIsSourceMessage);
    return;
  }
  DeleteFileA(path.c_str());

  // A rate of 0 is no video a player can show.
  if (framesPerSecond == 0) framesPerSecond = 1;
  AviLibrary library;
  AviWriter writer(platform);
  reader.SetPosition(reader.SelectionStart());
  const double length = static_cast<double>(reader.SelectionEnd() - reader.SelectionStart());
  bool first = true;
  bool writing = true;
  for (;;) {
    const std::optional<RecordingFrame> frame = reader.ReadNext();
    if (!frame) break;
    Picture picture;
    if (DecodeJpeg(frame->data, frame->size, picture)) {
      static_assert(sizeof(BITMAPINFOHEADER) == sizeof(BitmapInfoHeader));
      BITMAPINFOHEADER header;
      std::memcpy(&header, &picture.pictureInfo.header, sizeof header);
      if (first) {
        if (!writer.Open(owner, path.c_str(), header, framesPerSecond)) return;
        first = false;
      }
      header.biSizeImage = DibImageSize(header);
      if (writing) writing = writer.WriteFrame(picture.pixels.data(), header);
    }
    char text[64];
    FormatText(text, sizeof text, "Exporting video... %.2f%%",
               static_cast<double>(reader.Position() - reader.SelectionStart()) / length * 100.0);
    ShowProgress(progress, text);
    if (reader.Position() >= reader.SelectionEnd() || !PumpMessages(reader)) break;
  }
  ShowProgress(progress, "Exporting video Finished!");
}
