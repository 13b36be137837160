#include "engine/recorder_win.h"

#include <shellapi.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/file_sink_win.h"
#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/program_path_win.h"
#include "common/recording_format.h"
#include "engine/camera_identity.h"
#include "engine/motion_decision.h"
#include "engine/save_path.h"
#include "engine/save_path_win.h"
#include "engine/schedule.h"
#include "engine/storage_limit_win.h"

namespace {

constexpr char kWriteFailed[] = "File write failed, disk may be full";

void ShellOpen(const char* path) {
  ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

void OpenWith(const char* program, const char* path) {
  const std::string quoted = std::string("\"") + path + "\"";
  ShellExecuteA(nullptr, "open", program, quoted.c_str(), nullptr, SW_SHOWNORMAL);
}

Recorder::Services WithFileSink(Recorder::Services services) {
  if (!services.openSink)
    services.openSink = [](HANDLE file) -> std::unique_ptr<ByteSink> { return std::make_unique<FileSink>(file); };
  return services;
}

}  // namespace

Recorder::Recorder() : Recorder(Services{}) {}

Recorder::Recorder(Services services)
    : shellOpen(ShellOpen),
      openWith(OpenWith),
      services_(WithFileSink(std::move(services))),
      mp4_(services_.openSink) {}

void Recorder::ForgetPath() {
  currentPath_[0] = '\0';
  CloseFile();
  DropPreMotionFrames();
}

void Recorder::SetExtras(const RecordingExtras& extras) {
  extras_ = ClampRecordingExtras(extras);
  preMotion_.SetCapacity(extras_.preMotionFrames);
  if (!HasStorageLimit(extras_)) limitsUnmet_ = false;
}

void Recorder::SetCameraName(int number, const char* ownName) {
  CameraIdentity identity{};
  CopyText(identity.name, ownName);
  cameraName_ = CameraName(identity, number);
}

void Recorder::SetStatus(const char* text) {
  CopyText(statusText_, text);
}

const char* Recorder::StatusText() const {
  if (statusText_[0] != '\0') return statusText_;
  if (limitsUnmet_) return "Recording limit: cannot free space";
  return AsSent() && mp4_.IsOpen() ? mp4_.StatusText() : statusText_;
}

void Recorder::SaveFrame(const Picture& picture, int32_t motionLevel, const CamSettings& settings) {
  try {
    SaveSteps(picture, motionLevel, settings);
  } catch (...) {
    recordFile_.Reset();
    SetStatus("Unknown file save exception occured!");
  }
}

void Recorder::SaveSteps(const Picture& picture, int32_t motionLevel, const CamSettings& settings) {
  if (services_.alarm) UpdateMotionAlarm(settings, motionLevel, motionLatch_, *services_.alarm);
  limitPassInThisFrame_ = false;
  recordedLast_ = false;
  // A clock put back counts as a minute gone.
  const std::time_t now = services_.clock->Now();
  if (HasStorageLimit(extras_) && (now < lastLimitPass_ || now - lastLimitPass_ >= kLimitPassInterval))
    RunStorageLimits(settings);

  motionWanted_ = false;
  if (!settings.recordEnabled) {
    CloseFile();
    DropPreMotionFrames();
    return;
  }
  switch (ScheduleAllows(settings, *services_.clock)) {
    case ScheduleDecision::kRecord:
      break;
    case ScheduleDecision::kSkip:
      DropPreMotionFrames();
      return;
    case ScheduleDecision::kSkipAndClose:
      CloseFile();
      DropPreMotionFrames();
      return;
  }
  if (AsSent()) {
    // The packets record themselves; the picture only tells about motion.
    motionWanted_ = TakeRecordingTurn(settings, motionLevel, saveCountdown_);
    recordedLast_ = mp4_.IsOpen();
    return;
  }
  if (!TakeRecordingTurn(settings, motionLevel, saveCountdown_)) {
    KeepBeforeMotion(picture, settings);
    return;
  }
  const Picture& recorded = WithOverlay(picture, settings);

  if (!TakePath(settings) || !ClaimPath()) return;
  if (!CreateSaveDirectories(currentPath_)) {
    SetStatus("Failed to create save directory");
    return;
  }
  for (size_t i = 0; i < preMotion_.Count(); ++i) {
    const PreMotionRing::Frame& kept = preMotion_.At(i);
    if (kept.jpeg.empty()) continue;
    if (!RecordEncoded(kept.jpeg, kept.captured, settings)) {
      preMotion_.Clear();
      return;
    }
  }
  preMotion_.Clear();

  if (!EncodeJpeg(recorded, settings.jpegQuality, encodeBuffer_)) {
    SetStatus(kWriteFailed);
    recordFile_.Reset();
    return;
  }
  if (!RecordEncoded(encodeBuffer_, services_.clock->Now(), settings)) return;
  statusText_[0] = '\0';
  recordedLast_ = true;
}

void Recorder::SavePacket(const SharedPacket& packet, const CamSettings& settings) {
  packetsArrive_ = true;
  if (!RecordsAsSent()) return;
  try {
    SavePacketSteps(packet, settings);
  } catch (...) {
    mp4_.Close();
    SetStatus("Unknown file save exception occured!");
  }
}

void Recorder::SavePacketSteps(const SharedPacket& packet, const CamSettings& settings) {
  const bool allowed =
      settings.recordEnabled && ScheduleAllows(settings, *services_.clock) == ScheduleDecision::kRecord;
  const bool wanted = allowed && (!settings.motionEnabled || motionWanted_);
  // A recording that is no longer wanted ends where the next group of
  // pictures begins.
  if (!wanted && !(mp4_.IsOpen() && !packet->keyFrame)) {
    mp4_.Close();
    if (allowed && settings.motionEnabled) {
      const int64_t spanUs = int64_t{extras_.preMotionFrames} * settings.saveInterval * 1000;
      mp4_.Keep(packet, spanUs);
    }
    return;
  }
  if (!TakePath(settings) || !ClaimPath()) return;
  if (!mp4_.IsOpen() && !CreateSaveDirectories(currentPath_)) {
    SetStatus("Failed to create save directory");
    return;
  }
  switch (mp4_.Record(packet, currentPath_)) {
    case Mp4Recorder::Result::kRecorded:
      statusText_[0] = '\0';
      break;
    case Mp4Recorder::Result::kWaitingForKeyFrame:
      if (mp4_.KeyFramesMissing()) SetStatus("No key frame from the camera for over 10 seconds");
      break;
    case Mp4Recorder::Result::kOpenFailed:
      SetStatus("Failed to access mp4 file for writing");
      break;
    case Mp4Recorder::Result::kWriteFailed:
      SetStatus(kWriteFailed);
      // The recordings may have filled the disk themselves; the next key
      // frame starts a new file.
      if (extras_.keepMegabytes > 0) RunStorageLimits(settings);
      break;
  }
}

std::string Recorder::PathTemplate(const CamSettings& settings) const {
  const std::string_view own = TextView(settings.savePath);
  return AsSent() ? Mp4PathTemplate(own) : std::string(own);
}

bool Recorder::ClaimPath() {
  const std::string holder = claim_.Take(currentPath_, cameraName_);
  if (holder.empty()) return true;
  recordFile_.Reset();
  SetStatus((holder + " already records to this file").c_str());
  return false;
}

const Picture& Recorder::WithOverlay(const Picture& picture, const CamSettings& settings) {
  if (!settings.overlayEnabled || !settings.overlayOnFile || !services_.burnOverlay) return picture;
  // The camera's displays share the picture: the overlay goes on a copy.
  burnt_ = picture;
  services_.burnOverlay(burnt_, settings);
  return burnt_;
}

void Recorder::KeepBeforeMotion(const Picture& picture, const CamSettings& settings) {
  PreMotionRing::Frame* slot = preMotion_.NextSlot();
  if (!slot) return;
  // Burnt in now, with the time the picture was taken.
  const Picture& kept = WithOverlay(picture, settings);
  slot->captured = services_.clock->Now();
  // The encoder wants a worst-case buffer; fifty of those would hold far
  // more than the pictures need, so each slot keeps only its picture's size.
  if (EncodeJpeg(kept, settings.jpegQuality, encodeBuffer_))
    slot->jpeg.assign(encodeBuffer_.begin(), encodeBuffer_.end());
  else
    slot->jpeg.clear();
}

bool Recorder::RecordEncoded(const std::vector<uint8_t>& jpeg, std::time_t captured, const CamSettings& settings) {
  for (bool retried = false;; retried = true) {
    if (settings.saveAsMjpeg) {
      if (!OpenRecording()) return false;
    } else if (!OpenNumbered(settings)) {
      return false;
    }
    LARGE_INTEGER start{};
    SetFilePointerEx(recordFile_.Get(), LARGE_INTEGER{}, &start, FILE_CURRENT);
    bool whole;
    {
      const std::unique_ptr<ByteSink> sink = services_.openSink(recordFile_.Get());
      whole = WriteEncodedFrame(jpeg.data(), jpeg.size(), *sink, captured);
    }
    if (whole) break;
    CutBackFailedWrite(start.QuadPart, settings);
    // A full disk may be the recordings' own doing: make room and try once more.
    if (!retried && extras_.keepMegabytes > 0) {
      RunStorageLimits(settings);
      continue;
    }
    SetStatus(kWriteFailed);
    return false;
  }
  if (!settings.saveAsMjpeg) {
    recordFile_.Reset();
    pictureNumber_ = AdvancePictureNumber(pictureNumber_, settings.maxJpegCount);
  }
  return true;
}

// A partial frame would break every reader after it: the file goes back to
// the end of its last whole frame, and a numbered picture that holds none
// goes altogether.
void Recorder::CutBackFailedWrite(int64_t frameStart, const CamSettings& settings) {
  LARGE_INTEGER start{};
  start.QuadPart = frameStart;
  if (SetFilePointerEx(recordFile_.Get(), start, nullptr, FILE_BEGIN)) SetEndOfFile(recordFile_.Get());
  recordFile_.Reset();
  if (!settings.saveAsMjpeg && frameStart == 0) DeleteFileA(numberedName_);
}

void Recorder::RunStorageLimits(const CamSettings& settings) {
  lastLimitPass_ = services_.clock->Now();
  limitPassInThisFrame_ = true;
  const std::string pathTemplate = PathTemplate(settings);
  const std::optional<std::string> fixedPart = FixedPartOf(pathTemplate);
  if (!fixedPart) {
    limitsUnmet_ = true;
    return;
  }
  // Before the first frame of new settings the recording to be continued
  // is the one the template names now.
  char expanded[kTextSize] = {};
  const char* current = AsSent() ? mp4_.FilePath().c_str() : settings.saveAsMjpeg ? currentPath_ : numberedName_;
  if (current[0] == '\0' && ExpandSavePath(pathTemplate, *services_.clock, expanded) == ExpandResult::kOk)
    current = expanded;
  using Numbering = RecordingNamePattern::Numbering;
  const RecordingNamePattern own(pathTemplate, AsSent()               ? Numbering::kWhenTaken
                                               : settings.saveAsMjpeg ? Numbering::kNone
                                                                      : Numbering::kAlways);
  limitsUnmet_ = !RunLimitPass(*fixedPart, own, extras_, lastLimitPass_, current).limitsMet;
}

// Expands the template and moves to the new path when it changed; false
// when nothing may be recorded for this frame.
bool Recorder::TakePath(const CamSettings& settings) {
  char path[kTextSize];
  const ExpandResult expanded = ExpandSavePath(PathTemplate(settings), *services_.clock, path);
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
  if (HasStorageLimit(extras_) && !limitPassInThisFrame_) RunStorageLimits(settings);
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
  if (named == NumberedNameResult::kOk) {
    recordFile_ = OpenNumberedPicture(name);
    CopyText(numberedName_, name);
  }
  if (!recordFile_) {
    SetStatus("Failed to access jpeg file for writing");
    return false;
  }
  return true;
}

std::string Recorder::RecordingPath(const CamSettings& settings) const {
  if (AsSent()) return mp4_.FilePath();
  return settings.saveAsMjpeg ? currentPath_ : numberedName_;
}

void Recorder::OpenCurrentFootage(const CamSettings& settings) const {
  if (currentPath_[0] == '\0') return;
  if (AsSent()) {
    // Whatever owns .mp4 may not read a file still being written.
    const std::string path = mp4_.FilePath().empty() ? std::string(currentPath_) : mp4_.FilePath();
    openWith((ProgramFolder() + "Framedeck.exe").c_str(), path.c_str());
    return;
  }
  if (settings.saveAsMjpeg) {
    shellOpen(currentPath_);
    return;
  }
  const std::string_view path(currentPath_);
  const size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) return;
  shellOpen(std::string(path.substr(0, slash)).c_str());
}
