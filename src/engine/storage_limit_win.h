#pragma once
// A limit pass on disk: lists a camera's recordings (the names its path
// template can produce) under the fixed part of that template, deletes the oldest by PlanDeletions and removes the
// folders that leaves empty, never above the fixed part. Runs on the
// worker thread; folders reached through links are not entered, so nothing
// outside the fixed part is ever listed.

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "engine/recording_extras.h"
#include "engine/recording_name_pattern.h"
#include "engine/storage_limit.h"

// Every .mjpg and .jpg file under the folder (which ends in a backslash)
// that the pattern matches.
std::vector<RecordingFile> ListRecordings(const std::string& fixedPart, const RecordingNamePattern& own);

struct LimitPassResult {
  size_t deleted = 0;
  // False when the limits still do not hold: a deletion failed (tried again
  // next pass) or the files that must stay exceed the size.
  bool limitsMet = true;
};

LimitPassResult RunLimitPass(const std::string& fixedPart, const RecordingNamePattern& own,
                             const RecordingExtras& limits, std::time_t now, std::string_view currentFile);
