#include "player/mp4_frame_export_win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/scoped_handle_win.h"
#include "player/avi_export_win.h"
#include "player/edit_recording_win.h"
#include "player/win32_recording_file_win.h"

namespace {

// A still the user keeps: little lost to the compression.
constexpr int kSavedFrameQuality = 95;

// The chosen output; "" when cancelled or refused for being the recording.
std::string AskOutput(Mp4Reader& reader, std::string_view name, const char* filter, std::string_view extension) {
  const std::string path = reader.Host().AskSaveFile(name, filter, extension);
  if (path.empty() || !IsSameFile(static_cast<HANDLE>(reader.NativeHandle()), path)) return path;
  reader.Host().ShowError(kOutputIsSourceMessage);
  return "";
}

}  // namespace

void SaveMp4Frame(Mp4Reader& reader, HWND progress) {
  Picture picture;
  std::vector<uint8_t> jpeg;
  if (!reader.ShownPicture(picture) || !EncodeJpeg(picture, kSavedFrameQuality, jpeg)) return;
  ReaderHost& host = reader.Host();
  const std::string path = AskOutput(reader, "Jpeg_Frame.jpg", kJpegFilter, kJpegExtension);
  if (path.empty()) return;
  ScopedKernelHandle output(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output) {
    host.ShowError("Could not create output file");
    return;
  }
  DWORD written = 0;
  if (!WriteFile(output.Get(), jpeg.data(), static_cast<DWORD>(jpeg.size()), &written, nullptr) ||
      written != jpeg.size()) {
    output.Reset();
    DeleteFileA(path.c_str());
    host.ShowError("Error writing output file");
    return;
  }
  ShowProgress(progress, "Finished writing output file!");
}

void ExportMp4Avi(Mp4Reader& reader, HWND owner, HWND progress, uint32_t framesPerSecond, AviPlatform& platform,
                  const std::function<bool()>& keepGoing) {
  if (!reader.HasSelection()) return;
  const std::string path = AskOutput(reader, "Exported_Video.avi", kAviFilter, kAviExtension);
  if (path.empty()) return;
  DeleteFileA(path.c_str());
  const int64_t shownBefore = reader.ShownTime();
  const int64_t from = reader.SelectionStartTime(), to = reader.SelectionEndTime();
  const double length = static_cast<double>(std::max<int64_t>(to - from, 1));
  bool started = true;
  {
    AviPictureWriter writer(platform, owner, path, framesPerSecond);
    ShownFrame shown;
    for (FrameOutcome outcome = reader.ShowAtTime(from, shown);
         outcome != FrameOutcome::kNoFrame && reader.ShownTime() <= to;
         outcome = reader.Show(FrameMove::kNext, 0.0, shown)) {
      if (outcome == FrameOutcome::kShown && !writer.Add(shown.picture)) {
        started = false;
        break;
      }
      char text[64];
      FormatText(text, sizeof text, "Exporting video... %.2f%%",
                 static_cast<double>(reader.ShownTime() - from) / length * 100.0);
      ShowProgress(progress, text);
      if (!keepGoing()) break;
    }
  }
  ShownFrame back;
  reader.ShowAtTime(shownBefore, back);
  if (started) ShowProgress(progress, "Exporting video Finished!");
}
