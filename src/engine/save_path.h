#pragma once
// Where a recorded frame goes: the path template expanded with the local
// time, the rule for when a new path moves to a new folder, the names of
// numbered pictures and the order in which their numbers are used, and the
// folder-creation walk. Portable; the file-system side is save_path_win.h.
//
// Paths use the backslash as the only separator.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "engine/cam_settings.h"

// The longest expanded path, in characters; the buffers hold one more for
// the NUL and leave one spare, as the dialogs do.
inline constexpr size_t kMaxSavePathLength = 258;

enum class ExpandResult {
  kOk,
  // The expansion needs more than kMaxSavePathLength characters.
  kTooLong,
  // The template holds a '%' that does not start a known conversion (see
  // IsValidPathTemplate).
  kBadTemplate,
  // The clock gave a calendar time with fields out of range.
  kBadTime,
};

// The camera's status text for a failed expansion, or "" for kOk.
const char* ExpandFailureText(ExpandResult result);

// True when every '%' of the template starts a conversion the runtime's
// strftime knows on every platform this program runs on: a A b B c d H I j
// m M p S U w W x X y Y z Z, each optionally written with '#' (%#d), and
// "%%" for a literal percent sign. Other conversions are refused rather
// than handed to a runtime that may abort on them.
bool IsValidPathTemplate(std::string_view pathTemplate);

// Expands a strftime template with the given local time into `path`.
// On kOk, `path` holds the whole expansion (at most kMaxSavePathLength
// characters). On any failure `path` is "" and nothing may be recorded for
// this frame: a cut-off path would name a different file or folder. The
// worker then closes the open file (it belongs to a path that no longer
// applies), keeps currentPath, shows ExpandFailureText(result) as its
// status and tries again with the next frame (a %B or %A expansion may fit
// again on another day).
ExpandResult ExpandSavePath(std::string_view pathTemplate, const std::tm& localTime, char (&path)[kTextSize]);

// The same with the clock's current local time; the worker calls this once
// per saved frame.
ExpandResult ExpandSavePath(std::string_view pathTemplate, const Clock& clock, char (&path)[kTextSize]);

// The folder part of a path: everything before its last backslash, or ""
// when it has none.
std::string_view SaveFolderOf(std::string_view path);

// How a newly expanded path relates to the path in use.
enum class PathChange {
  // Nothing in use yet (first frame after start or after new settings):
  // take the new path, clean nothing.
  kFirstPath,
  // The same path: go on with the open file.
  kSame,
  // Only the file name changed (or the new path has no folder): close the
  // open file, take the new path, reset the picture number, clean nothing.
  kNewFile,
  // The folder changed: as kNewFile, and when cleanDirectory is set, run
  // CleanSaveDirectory(newPath) before writing.
  kNewFolder,
};

// Compares whole folder parts, so "C:\\c\\1\\" after "C:\\c\\12\\" is a new
// folder even though one is a prefix of the other.
PathChange ClassifyPathChange(std::string_view newPath, std::string_view currentPath);

enum class NumberedNameResult {
  kOk,
  // The file name has no '.': the worker shows "No file extension found".
  kNoExtension,
  // The numbered name would not fit in kTextSize - 1 characters: the file
  // cannot be opened, the worker shows "Failed to access jpeg file for
  // writing".
  kTooLong,
};

// The name of numbered picture `number`: the decimal number (no padding)
// inserted right before the last '.' of the file name, so "D:\\s\\image_.jpg"
// with 7 gives "D:\\s\\image_7.jpg". Only the file name (the text after the
// last backslash) is searched for the '.', and the path is copied as it
// is: a '%' in it stays a '%'. `name` is "" unless the result is kOk.
NumberedNameResult NumberedName(std::string_view path, uint32_t number, char (&name)[kTextSize]);

// The number after `number` once a picture has been written: one more,
// wrapping to 1 after maxJpegCount. With maxJpegCount 0 or 1 (or less)
// every picture after the first (number 0) is number 1.
uint32_t AdvancePictureNumber(uint32_t number, int32_t maxJpegCount);

// The number with which numbering resumes, from the last-write times of
// the pictures 1 to maxJpegCount - 1 (time 0 = no usable file): the first
// number without a file, or else the one written last (the lowest number
// among equal times). maxJpegCount itself is never examined. Gives 0 when
// maxJpegCount is 1 or less, and never asks for a number outside 1 to
// maxJpegCount - 1. The worker needs it when its picture number is 0 and
// maxJpegCount is above 1 (FindStartNumber in save_path_win.h).
uint32_t PickStartNumber(int32_t maxJpegCount, const std::function<uint64_t(uint32_t number)>& lastWriteTime);

// The template of a camera recording its own packets: the extension of the
// file part (the text after its last '.') becomes "mp4", so "cam.mjpg"
// gives "cam.mp4"; a file part without one gets ".mp4".
std::string Mp4PathTemplate(std::string_view pathTemplate);

// True when a file name matches the recording wildcard "*.*jp*g" (letters
// in any case): ".mjpg", ".jpg", ".jpeg", ".mjpeg" and the like. The
// directory listing also matches generated short names, so a long name is
// checked again with this before it is deleted.
bool IsRecordingFileName(std::string_view name);

// The folder operations CreateSaveDirectories needs, so the walk can be
// driven without a disk.
class FolderMaker {
 public:
  enum class Result { kCreated, kAlreadyExists, kFailed };
  virtual ~FolderMaker() = default;
  // Whether the path exists as a file or folder.
  virtual bool Exists(const std::string& path) = 0;
  // Creates one folder; `folder` ends with its backslash.
  virtual Result Make(const std::string& folder) = 0;
  virtual void Pause(unsigned milliseconds) = 0;
};

// Attempts per folder level, and the pause between two of them.
inline constexpr int kFolderAttempts = 4;
inline constexpr unsigned kFolderRetryPauseMs = 100;

// Makes every folder of `path`; the text after the last backslash is the
// file name and is never created. A path of fewer than 4 characters fails;
// a path that exists succeeds at once. The root is never created: a drive
// ("C:\\"), a UNC server and share ("\\\\host\\share\\"), a leading
// backslash. Every further level, each prefix up to and including a
// backslash, is made in order; kAlreadyExists counts as done; a failure is
// tried again after a pause, and the fourth failure of one level ends the
// walk with false (later levels are not tried).
bool CreateSaveDirectories(std::string_view path, FolderMaker& maker);
