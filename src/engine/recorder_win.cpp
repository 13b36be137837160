#include "engine/recorder_win.h"

#include <shellapi.h>

#include <cstring>
#include <string>

#include "common/file_sink_win.h"
#include "common/fixed_text.h"
#include "common/recording_format.h"
#include "engine/motion_decision.h"
#include "engine/save_path.h"
#include "engine/save_path_win.h"
#include "engine/schedule.h"

namespace {

void ShellOpen(const char* path) {
  ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

Recorder::Recorder() : Recorder(Services{}) {}

Recorder::Recorder(Services services) : shellOpen(ShellOpen), services_(std::move(services)) {
  if (!services_.openSink)
    services_.openSink = [](HANDLE file) -> std::unique_ptr<ByteSink> { return std::make_unique<FileSink>(file); };
}

void Recorder::ForgetPath() {
  currentPath_[0] = '\0';
  recordFile_.Reset();
}

void Recorder::SetStatus(const char* text) {
  CopyText(statusText_, text);
}

void Recorder::SaveFrame(Picture& picture, int32_t motionLevel, const CamSettings& settings) {
  try {
    SaveSteps(picture, motionLevel, settings);
  } catch (...) {
    recordFile_.Reset();
    SetStatus("Unknown file save exception occured!");
  }
}

void Recorder::SaveSteps(Picture& picture, int32_t motionLevel, const CamSettings& settings) {
  if (services_.alarm) UpdateMotionAlarm(settings, motionLevel, motionLatch_, *services_.alarm);

  if (!settings.recordEnabled) {
    recordFile_.Reset();
    return;
  }
  switch (ScheduleAllows(settings, *services_.clock)) {
    case ScheduleDecision::kRecord:
      break;
    case ScheduleDecision::kSkip:
      return;
    case ScheduleDecision::kSkipAndClose:
      recordFile_.Reset();
      return;
  }
  if (!TakeRecordingTurn(settings, motionLevel, saveCountdown_)) return;

  if (settings.overlayEnabled && settings.overlayOnFile && services_.burnOverlay)
    services_.burnOverlay(picture, settings);

  if (!TakePath(settings)) return;
  if (!CreateSaveDirectories(currentPath_)) {
    SetStatus("Failed to create save directory");
    return;
  }
  if (settings.saveAsMjpeg) {
    if (!OpenRecording()) return;
  } else if (!OpenNumbered(settings)) {
    return;
  }

  const std::unique_ptr<ByteSink> sink = services_.openSink(recordFile_.Get());
  if (!WriteFrame(picture, settings.jpegQuality, *sink, *services_.clock, encodeBuffer_)) {
    SetStatus("File write failed, disk may be full");
    recordFile_.Reset();
    return;
  }
  if (!settings.saveAsMjpeg) {
    recordFile_.Reset();
    pictureNumber_ = AdvancePictureNumber(pictureNumber_, settings.maxJpegCount);
  }
  statusText_[0] = '\0';
}

// Expands the template and moves to the new path when it changed; false
// when nothing may be recorded for this frame.
bool Recorder::TakePath(const CamSettings& settings) {
  char path[kTextSize];
  const ExpandResult expanded = ExpandSavePath(TextView(settings.savePath), *services_.clock, path);
  if (expanded != ExpandResult::kOk) {
    // A cut-off path would name some other file: record nothing.
    recordFile_.Reset();
    SetStatus(ExpandFailureText(expanded));
    return false;
  }
  switch (ClassifyPathChange(path, currentPath_)) {
    case PathChange::kSame:
      return true;
    case PathChange::kFirstPath:
      break;
    case PathChange::kNewFolder:
      recordFile_.Reset();
      if (settings.cleanDirectory) CleanSaveDirectory(path);
      pictureNumber_ = 0;
      break;
    case PathChange::kNewFile:
      recordFile_.Reset();
      pictureNumber_ = 0;
      break;
  }
  CopyText(currentPath_, path);
  return true;
}

bool Recorder::OpenRecording() {
  if (recordFile_) return true;
  recordFile_.Reset(CreateFileA(currentPath_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!recordFile_) {
    SetStatus("Failed to access mjpeg file for writing");
    return false;
  }
  SetFilePointer(recordFile_.Get(), 0, nullptr, FILE_END);
  return true;
}

bool Recorder::OpenNumbered(const CamSettings& settings) {
  recordFile_.Reset();
  char name[kTextSize];
  // The number is only needed once the name is known to have an extension.
  NumberedNameResult named = NumberedName(currentPath_, pictureNumber_, name);
  if (named == NumberedNameResult::kNoExtension) {
    SetStatus("No file extension found");
    return false;
  }
  if (pictureNumber_ == 0 && settings.maxJpegCount > 1) {
    pictureNumber_ = FindStartNumber(currentPath_, settings.maxJpegCount);
    named = NumberedName(currentPath_, pictureNumber_, name);
  }
  if (named == NumberedNameResult::kOk) recordFile_ = OpenNumberedPicture(name);
  if (!recordFile_) {
    SetStatus("Failed to access jpeg file for writing");
    return false;
  }
  return true;
}

void Recorder::OpenCurrentFootage(const CamSettings& settings) const {
  if (currentPath_[0] == '\0') return;
  if (settings.saveAsMjpeg) {
    shellOpen(currentPath_);
    return;
  }
  const std::string_view path(currentPath_);
  const size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) return;
  shellOpen(std::string(path.substr(0, slash)).c_str());
}
