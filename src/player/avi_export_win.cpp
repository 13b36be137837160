#include "player/avi_export_win.h"

#include <cstring>
#include <string>
#include <utility>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/picture.h"
#include "player/edit_recording_win.h"
#include "player/win32_recording_file_win.h"

AviPictureWriter::AviPictureWriter(AviPlatform& platform, HWND owner, std::string path, uint32_t framesPerSecond)
    : writer_(platform),
      owner_(owner),
      path_(std::move(path)),
      // A rate of 0 is no video a player can show.
      framesPerSecond_(framesPerSecond == 0 ? 1 : framesPerSecond) {}

bool AviPictureWriter::Add(Picture& picture) {
  static_assert(sizeof(BITMAPINFOHEADER) == sizeof(BitmapInfoHeader));
  BITMAPINFOHEADER header;
  std::memcpy(&header, &picture.pictureInfo.header, sizeof header);
  if (first_) {
    if (!writer_.Open(owner_, path_.c_str(), header, framesPerSecond_)) return false;
    first_ = false;
  }
  header.biSizeImage = DibImageSize(header);
  if (writing_) writing_ = writer_.WriteFrame(picture.pixels.data(), header);
  return true;
}

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

  AviPictureWriter writer(platform, owner, path, framesPerSecond);
  reader.SetPosition(reader.SelectionStart());
  const double length = static_cast<double>(reader.SelectionEnd() - reader.SelectionStart());
  for (;;) {
    const std::optional<RecordingFrame> frame = reader.ReadNext();
    if (!frame) break;
    Picture picture;
    if (DecodeJpeg(frame->data, frame->size, picture) && !writer.Add(picture)) return;
    char text[64];
    FormatText(text, sizeof text, "Exporting video... %.2f%%",
               static_cast<double>(reader.Position() - reader.SelectionStart()) / length * 100.0);
    ShowProgress(progress, text);
    if (reader.Position() >= reader.SelectionEnd() || !PumpMessages(reader)) break;
  }
  ShowProgress(progress, "Exporting video Finished!");
}
