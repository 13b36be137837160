#pragma once
// What the recording reader asks of its surroundings: opening a file,
// message boxes, file choosers and the window title. The player uses the
// Win32 host (reader_host_win.h); tests answer the choosers themselves so
// that nothing ever waits for a user.

#include <memory>
#include <string>
#include <string_view>

#include "player/recording_file.h"

// Filters are pairs of description and pattern, each NUL-terminated, the
// list ended by an empty text (the double NUL of a string literal's end).
inline constexpr char kRecordingFilter[] = "Mjpg (*.mjpg)\0*.mjpg\0Mjpeg (*.mjpeg)\0*.mjpeg\0All Files (*.*)\0*.*\0";
inline constexpr char kRecordingExtension[] = ".mjpg";
// What the player's Load button offers: both formats it plays.
inline constexpr char kPlayerOpenFilter[] =
    "Recordings (*.mjpg;*.mp4)\0*.mjpg;*.mp4\0Mjpg (*.mjpg)\0*.mjpg\0Mjpeg (*.mjpeg)\0*.mjpeg\0MP4 (*.mp4)\0*.mp4\0"
    "All Files (*.*)\0*.*\0";
inline constexpr char kMp4Extension[] = ".mp4";
inline constexpr char kJpegFilter[] = "Jpg (*.jpg)\0*.jpg\0Jpeg (*.jpeg)\0*.jpeg\0All Files (*.*)\0*.*\0";
inline constexpr char kJpegExtension[] = ".jpg";
inline constexpr char kAviFilter[] = "AVI (*.avi)\0*.avi\0All Files (*.*)\0*.*\0";
inline constexpr char kAviExtension[] = ".avi";

inline constexpr char kSaveDialogTitle[] = "Select output file location";
inline constexpr char kOpenDialogTitle[] = "Select a video file to insert";

class ReaderHost {
 public:
  virtual ~ReaderHost() = default;
  // Opens an existing file for reading, sharing reading and writing with
  // others (the camera program may still be writing it). Null on failure.
  virtual std::unique_ptr<RecordingFile> OpenRecording(const std::string& path) = 0;
  // A warning box titled "Error" owned by the player window.
  virtual void ShowError(std::string_view text) = 0;
  // The save chooser (asks before overwriting); empty when cancelled.
  virtual std::string AskSaveFile(std::string_view defaultName, const char* filter,
                                  std::string_view defaultExtension) = 0;
  // The chooser for an existing file; empty when cancelled.
  virtual std::string AskOpenFile(std::string_view defaultName, const char* filter,
                                  std::string_view defaultExtension) = 0;
  virtual void SetTitle(std::string_view title) = 0;
};
