#include "common/overlay_text.h"

#include <cstring>

namespace {

constexpr const char* kPortableConversions = "aAbBcdHIjmMpSUwWxXyYzZ%";

class Output {
 public:
  Output(char* out, size_t capacity) : out_(out), capacity_(capacity) {}
  void Append(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
      if (used_ + 1 >= capacity_) {
        cut_ = true;
        return;
      }
      out_[used_++] = text[i];
    }
  }
  bool Finish() {
    out_[used_] = '\0';
    return !cut_;
  }

 private:
  char* out_;
  size_t capacity_;
  size_t used_ = 0;
  bool cut_ = false;
};

}  // namespace

bool ExpandOverlayText(const char* pattern, const std::tm& time, char* out, size_t capacity) {
  if (capacity == 0) return false;
  Output output(out, capacity);
  if (!pattern) return output.Finish();
  for (const char* p = pattern; *p;) {
    if (*p != '%') {
      output.Append(p++, 1);
      continue;
    }
    const bool flag = p[1] == '#';
    const char conversion = p[flag ? 2 : 1];
    if (conversion == '\0' || !std::strchr(kPortableConversions, conversion)) {
      output.Append(p++, 1);  // the '%' as typed; what follows is copied next
      continue;
    }
    const char format[4] = {'%', flag ? '#' : conversion, flag ? conversion : '\0', '\0'};
    char piece[128];
    const size_t length = std::strftime(piece, sizeof piece, format, &time);
    output.Append(piece, length);
    p += flag ? 3 : 2;
  }
  return output.Finish();
}
