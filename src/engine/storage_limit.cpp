#include "engine/storage_limit.h"

#include <algorithm>

#include "common/folder_name.h"
#include "common/text_case.h"

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The folder names of a path, leaving out empty ones.
std::vector<std::string_view> FolderNames(std::string_view path) {
  std::vector<std::string_view> names;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      if (i > start) names.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return names;
}

// True when the folder (ending in a separator) names something below a
// root, with no way out of it.
bool IsSafeFixedPart(std::string_view folder) {
  if (folder.find_first_of("*?\"<>|") != std::string_view::npos) return false;
  const size_t colon = folder.find(':');
  if (colon != std::string_view::npos && (colon != 1 || folder.size() < 3 || !IsSeparator(folder[2]))) return false;
  std::vector<std::string_view> names = FolderNames(folder);
  for (std::string_view name : names)
    if (IsDotsAndBlanks(name)) return false;
  size_t rootNames = 0;
  if (colon == 1)
    rootNames = 1;  // the drive
  else if (folder.size() >= 2 && IsSeparator(folder[0]) && IsSeparator(folder[1]))
    rootNames = 2;  // server and share
  return names.size() > rootNames;
}

}  // namespace

std::optional<std::string> FixedPartOf(std::string_view pathTemplate) {
  std::string unescaped;
  size_t folderEnd = 0;  // length of `unescaped` up to its last separator
  for (size_t i = 0; i < pathTemplate.size(); ++i) {
    const char c = pathTemplate[i];
    if (c == '%') {
      if (i + 1 < pathTemplate.size() && pathTemplate[i + 1] == '%') {
        unescaped += '%';
        ++i;
        continue;
      }
      break;  // the first time variable
    }
    unescaped += c;
    if (IsSeparator(c)) folderEnd = unescaped.size();
  }
  unescaped.resize(folderEnd);
  if (unescaped.empty() || !IsSafeFixedPart(unescaped)) return std::nullopt;
  return unescaped;
}

bool IsLimitedRecordingName(std::string_view name) {
  return EndsWithNoCase(name, ".mjpg") || EndsWithNoCase(name, ".jpg") || EndsWithNoCase(name, ".mp4");
}

LimitPlan PlanDeletions(const std::vector<RecordingFile>& files, const RecordingExtras& limits, std::time_t now,
                        std::string_view currentFile) {
  std::vector<size_t> order(files.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    if (files[a].lastWrite != files[b].lastWrite) return files[a].lastWrite < files[b].lastWrite;
    return files[a].path < files[b].path;
  });
  uint64_t total = 0;
  for (const RecordingFile& file : files) total += file.bytes;
  const bool sizeLimited = limits.keepMegabytes > 0;
  const uint64_t maxBytes = static_cast<uint64_t>(sizeLimited ? limits.keepMegabytes : 0) << 20;
  const bool ageLimited = limits.keepDays > 0;
  const std::time_t oldestAllowed = now - static_cast<std::time_t>(ageLimited ? limits.keepDays : 0) * 86400;

  LimitPlan plan;
  for (size_t index : order) {
    const RecordingFile& file = files[index];
    if (EqualsNoCase(file.path, currentFile)) continue;
    const bool tooOld = ageLimited && file.lastWrite < oldestAllowed;
    const bool tooMuch = sizeLimited && total > maxBytes;
    // Sorted oldest first: once neither holds, no later file needs to go.
    if (!tooOld && !tooMuch) break;
    plan.deletions.push_back(index);
    total -= file.bytes;
  }
  plan.limitsMet = !sizeLimited || total <= maxBytes;
  return plan;
}

std::vector<std::string> FoldersBelowFixedPart(std::string_view file, std::string_view fixedPart) {
  std::vector<std::string> folders;
  if (fixedPart.empty() || file.size() <= fixedPart.size() ||
      !EqualsNoCase(file.substr(0, fixedPart.size()), fixedPart))
    return folders;
  std::string_view folder = file.substr(0, file.find_last_of("\\/"));
  while (folder.size() > fixedPart.size()) {
    folders.emplace_back(folder);
    folder = folder.substr(0, folder.find_last_of("\\/"));
  }
  return folders;
}
