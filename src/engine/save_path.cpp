#include "engine/save_path.h"

#include <cctype>
#include <charconv>
#include <cstring>

#include "common/fixed_text.h"

const char* ExpandFailureText(ExpandResult result) {
  switch (result) {
    case ExpandResult::kOk:
      return "";
    case ExpandResult::kTooLong:
      return "Save path too long after expansion";
    case ExpandResult::kBadTemplate:
      return "Unknown time variable in save path";
    case ExpandResult::kBadTime:
      return "Local time not available";
  }
  return "";
}

bool IsValidPathTemplate(std::string_view pathTemplate) {
  static constexpr std::string_view kConversions = "aAbBcdHIjmMpSUwWxXyYzZ";
  for (size_t i = 0; i < pathTemplate.size(); ++i) {
    if (pathTemplate[i] != '%') continue;
    if (++i == pathTemplate.size()) return false;
    if (pathTemplate[i] == '%') continue;
    if (pathTemplate[i] == '#' && ++i == pathTemplate.size()) return false;
    if (kConversions.find(pathTemplate[i]) == std::string_view::npos) return false;
  }
  return true;
}

namespace {

// The ranges the runtimes check before formatting; some abort on others.
bool IsValidCalendarTime(const std::tm& t) {
  return t.tm_sec >= 0 && t.tm_sec <= 60 && t.tm_min >= 0 && t.tm_min <= 59 && t.tm_hour >= 0 && t.tm_hour <= 23 &&
         t.tm_mday >= 1 && t.tm_mday <= 31 && t.tm_mon >= 0 && t.tm_mon <= 11 && t.tm_year >= 0 && t.tm_year <= 8099 &&
         t.tm_wday >= 0 && t.tm_wday <= 6 && t.tm_yday >= 0 && t.tm_yday <= 365;
}

}  // namespace

ExpandResult ExpandSavePath(std::string_view pathTemplate, const std::tm& localTime, char (&path)[kTextSize]) {
  path[0] = '\0';
  if (!IsValidPathTemplate(pathTemplate)) return ExpandResult::kBadTemplate;
  if (!IsValidCalendarTime(localTime)) return ExpandResult::kBadTime;

  // strftime gives 0 both for an empty result and for one that does not
  // fit; a trailing marker character makes every fitting result non-empty.
  // A valid template ends outside any conversion, so the marker stays
  // literal.
  std::string format(pathTemplate);
  format += '|';
  char expanded[kMaxSavePathLength + 2];
  size_t length = std::strftime(expanded, sizeof expanded, format.c_str(), &localTime);
  if (length == 0) return ExpandResult::kTooLong;
  CopyText(path, std::string_view(expanded, length - 1));
  return ExpandResult::kOk;
}

ExpandResult ExpandSavePath(std::string_view pathTemplate, const Clock& clock, char (&path)[kTextSize]) {
  return ExpandSavePath(pathTemplate, clock.LocalTime(), path);
}

std::string_view SaveFolderOf(std::string_view path) {
  size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

PathChange ClassifyPathChange(std::string_view newPath, std::string_view currentPath) {
  if (currentPath.empty()) return PathChange::kFirstPath;
  if (newPath == currentPath) return PathChange::kSame;
  if (newPath.find('\\') == std::string_view::npos) return PathChange::kNewFile;
  bool sameFolder =
      currentPath.find('\\') != std::string_view::npos && SaveFolderOf(newPath) == SaveFolderOf(currentPath);
  return sameFolder ? PathChange::kNewFile : PathChange::kNewFolder;
}

NumberedNameResult NumberedName(std::string_view path, uint32_t number, char (&name)[kTextSize]) {
  name[0] = '\0';
  size_t fileStart = path.rfind('\\');
  fileStart = fileStart == std::string_view::npos ? 0 : fileStart + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < fileStart) return NumberedNameResult::kNoExtension;

  char digits[10];
  auto converted = std::to_chars(digits, digits + sizeof digits, number);
  size_t digitCount = static_cast<size_t>(converted.ptr - digits);
  if (path.size() + digitCount > kTextSize - 1) return NumberedNameResult::kTooLong;

  std::memcpy(name, path.data(), dot);
  std::memcpy(name + dot, digits, digitCount);
  std::memcpy(name + dot + digitCount, path.data() + dot, path.size() - dot);
  name[path.size() + digitCount] = '\0';
  return NumberedNameResult::kOk;
}

uint32_t AdvancePictureNumber(uint32_t number, int32_t maxJpegCount) {
  uint32_t limit = maxJpegCount > 0 ? static_cast<uint32_t>(maxJpegCount) : 0;
  if (number >= limit) return 1;
  return number + 1;
}

uint32_t PickStartNumber(int32_t maxJpegCount, const std::function<uint64_t(uint32_t number)>& lastWriteTime) {
  if (maxJpegCount <= 1) return 0;
  uint32_t limit = static_cast<uint32_t>(maxJpegCount);
  uint32_t newest = 1;
  uint64_t newestTime = 0;
  for (uint32_t n = 1; n < limit; ++n) {
    uint64_t time = lastWriteTime(n);
    if (time == 0) return n;
    if (time > newestTime) {
      newestTime = time;
      newest = n;
    }
  }
  return newest;
}

namespace {

// Wildcard match as the directory listing does it: '*' any run of
// characters, everything else itself, letters in any case.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0;
  size_t starP = std::string_view::npos, starN = 0;
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && same(pattern[p], name[n])) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

std::string Mp4PathTemplate(std::string_view pathTemplate) {
  const size_t fileStart = pathTemplate.find_last_of("\\/") + 1;  // npos + 1 is 0
  const size_t dot = pathTemplate.rfind('.');
  const size_t end = dot != std::string_view::npos && dot >= fileStart ? dot : pathTemplate.size();
  return std::string(pathTemplate.substr(0, end)) + ".mp4";
}

bool IsRecordingFileName(std::string_view name) {
  return WildcardMatch("*.*jp*g", name);
}

namespace {

// Length of the part of the path that is never created.
size_t RootLength(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    size_t server = path.find('\\', 2);
    if (server == std::string_view::npos) return path.size();
    size_t share = path.find('\\', server + 1);
    return share == std::string_view::npos ? path.size() : share + 1;
  }
  if (!path.empty() && path[0] == '\\') return 1;
  return 0;
}

bool MakeLevel(const std::string& folder, FolderMaker& maker) {
  for (int attempt = 1; attempt <= kFolderAttempts; ++attempt) {
    if (maker.Make(folder) != FolderMaker::Result::kFailed) return true;
    if (attempt < kFolderAttempts) maker.Pause(kFolderRetryPauseMs);
  }
  return false;
}

}  // namespace

bool CreateSaveDirectories(std::string_view path, FolderMaker& maker) {
  if (path.size() < 4) return false;
  std::string whole(path);
  if (maker.Exists(whole)) return true;
  for (size_t i = RootLength(path); i < path.size(); ++i) {
    if (path[i] != '\\') continue;
    if (!MakeLevel(whole.substr(0, i + 1), maker)) return false;
  }
  return true;
}
