#include "engine/storage_limit_win.h"

#include <windows.h>

#include "common/scoped_handle_win.h"

namespace {

// FILETIME counts 100 ns steps from 1601; time_t seconds from 1970.
constexpr uint64_t kFileTimeTo1970 = 116444736000000000ull;

std::time_t ToUnixSeconds(const FILETIME& time) {
  const uint64_t ticks = static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  return ticks < kFileTimeTo1970 ? 0 : static_cast<std::time_t>((ticks - kFileTimeTo1970) / 10000000);
}

void ListInto(const std::string& folder, const RecordingNamePattern& own, std::vector<RecordingFile>& files) {
  WIN32_FIND_DATAA entry;
  ScopedFindHandle find(FindFirstFileA((folder + "*").c_str(), &entry));
  if (!find) return;
  do {
    const std::string_view name(entry.cFileName);
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or link may lead anywhere.
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ListInto(folder + entry.cFileName + "\\", own, files);
      continue;
    }
    if (!IsLimitedRecordingName(name)) continue;
    std::string path = folder + entry.cFileName;
    if (!own.Matches(path)) continue;
    files.push_back({std::move(path), static_cast<uint64_t>(entry.nFileSizeHigh) << 32 | entry.nFileSizeLow,
                     ToUnixSeconds(entry.ftLastWriteTime)});
  } while (FindNextFileA(find.Get(), &entry));
}

}  // namespace

std::vector<RecordingFile> ListRecordings(const std::string& fixedPart, const RecordingNamePattern& own) {
  std::vector<RecordingFile> files;
  ListInto(fixedPart, own, files);
  return files;
}

LimitPassResult RunLimitPass(const std::string& fixedPart, const RecordingNamePattern& own,
                             const RecordingExtras& limits, std::time_t now, std::string_view currentFile) {
  const std::vector<RecordingFile> files = ListRecordings(fixedPart, own);
  const LimitPlan plan = PlanDeletions(files, limits, now, currentFile);
  LimitPassResult result;
  result.limitsMet = plan.limitsMet;
  for (size_t index : plan.deletions) {
    const std::string& path = files[index].path;
    if (!DeleteFileA(path.c_str())) {
      result.limitsMet = false;
      continue;
    }
    ++result.deleted;
    // Fails, and so stops, at the first folder that still holds something.
    for (const std::string& folder : FoldersBelowFixedPart(path, fixedPart))
      if (!RemoveDirectoryA(folder.c_str())) break;
  }
  return result;
}
