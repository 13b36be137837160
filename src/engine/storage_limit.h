#pragma once
// Keeping a camera's recordings within a size and an age. Its recordings
// are the .mjpg, .jpg and .mp4 files under the fixed part of its path template
// (the folders before the first time variable) whose names the template
// can produce (RecordingNamePattern); the oldest go first, the file being
// written never. Portable: the listing and the deletions are
// storage_limit_win.h.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/recording_extras.h"

// The folders of a path template before its first time variable, ending in
// a backslash, with "%%" written as the '%' it stands for. Without a time
// variable it is the template's folder. Nothing (no limit may act) when
// that folder is a root ("C:\\", "\\\\server\\share\\", "\\"), relative to a
// drive ("C:rec\\"), or holds folders of dots and blanks ("..", ". .",
// ".. ") or wildcards: a limit there would reach far beyond the camera's
// recordings. Both '\\' and '/' separate folders.
std::optional<std::string> FixedPartOf(std::string_view pathTemplate);

// Whether a file name is a recording a limit may delete: it ends in ".mjpg",
// ".jpg" or ".mp4", letters in any case.
bool IsLimitedRecordingName(std::string_view name);

struct RecordingFile {
  std::string path;
  uint64_t bytes = 0;
  std::time_t lastWrite = 0;  // seconds since 1970, UTC
};

struct LimitPlan {
  std::vector<size_t> deletions;  // indexes into the listing, oldest first
  bool limitsMet = true;          // true once those deletions are done
};

// What to delete so that the listing keeps within the limits: the oldest
// files (by last write, then by path) until the total is at most
// keepMegabytes MB and no file is older than keepDays days before `now`.
// `currentFile` (compared without regard to case) is never chosen; it
// counts towards the size but its own age never fails the limits. The
// limits cannot be met when the files left still exceed the size.
LimitPlan PlanDeletions(const std::vector<RecordingFile>& files, const RecordingExtras& limits, std::time_t now,
                        std::string_view currentFile);

// The folders that may be removed once `file` is gone, deepest first: each
// folder of the file's path strictly below `fixedPart`. Nothing when the
// file does not lie under the fixed part.
std::vector<std::string> FoldersBelowFixedPart(std::string_view file, std::string_view fixedPart);

// At most one pass a minute, besides the ones a new file or folder asks for.
inline constexpr std::time_t kLimitPassInterval = 60;
