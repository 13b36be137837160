// Path templates and paths come from the configuration file, which may be
// damaged: expansion, numbering and matching must stay inside their
// buffers and keep their promises for any text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/save_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t number;
  std::memcpy(&number, data, 4);
  std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);
  text = text.substr(0, std::min(text.find('\0'), kTextSize));

  std::tm when{};
  when.tm_year = 126;
  when.tm_mon = static_cast<int>(number % 12);
  when.tm_mday = 1 + static_cast<int>(number % 28);
  when.tm_wday = static_cast<int>(number % 7);
  when.tm_yday = static_cast<int>(number % 365);
  char path[kTextSize];
  ExpandResult result = ExpandSavePath(text, when, path);
  size_t length = std::strlen(path);
  if (result == ExpandResult::kOk ? length > kMaxSavePathLength : length != 0) std::abort();

  char name[kTextSize];
  NumberedNameResult named = NumberedName(text, number, name);
  if (named == NumberedNameResult::kOk ? std::strlen(name) != text.size() + std::to_string(number).size()
                                       : name[0] != '\0')
    std::abort();

  (void)IsRecordingFileName(text);
  if (ClassifyPathChange(path, text) == PathChange::kSame && text != path) std::abort();
  return 0;
}
