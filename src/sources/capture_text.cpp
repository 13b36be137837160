#include "sources/capture_text.h"

#include <cctype>
#include <climits>
#include <cstring>

#include "common/fixed_text.h"

namespace {

// A decimal number filling [begin, end) exactly, without sign.
bool ReadNumber(const char* begin, const char* end, int& value) {
  if (begin == end) return false;
  long long number = 0;
  for (const char* p = begin; p < end; ++p) {
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    number = number * 10 + (*p - '0');
    if (number > INT_MAX) return false;
  }
  value = static_cast<int>(number);
  return true;
}

}  // namespace

bool FormatCaptureEntry(char* text, size_t capacity, int width, int height, int bitCount) {
  return FormatText(text, capacity, "%dx%d %d bit", width, height, bitCount);
}

bool ParseCaptureEntry(const char* text, int& width, int& height, int& bitCount) {
  const char* x = std::strchr(text, 'x');
  if (!x) return false;
  const char* blank = std::strchr(x + 1, ' ');
  if (!blank) return false;
  const char* next = std::strchr(blank + 1, ' ');
  if (!next) return false;
  int w = 0, h = 0, b = 0;
  if (!ReadNumber(text, x, w) || !ReadNumber(x + 1, blank, h) || !ReadNumber(blank + 1, next, b)) return false;
  width = w;
  height = h;
  bitCount = b;
  return true;
}

const char* PinTypeName(long type) {
  static const char* const video[] = {"Video Tuner",
                                      "Video Composite",
                                      "S-Video",
                                      "Video RGB",
                                      "Video YRYBY",
                                      "Video Serial Digital",
                                      "Video Parallel Digital",
                                      "Video SCSI",
                                      "Video AUX",
                                      "Video 1394",
                                      "Video USB",
                                      "Video Decoder",
                                      "Video Encoder"};
  static const char* const audio[] = {"Audio Tuner",  "Audio Line",   "Audio Microphone", "Audio AES/EBU Digital",
                                      "Audio S/PDIF", "Audio SCSI",   "Audio AUX",        "Audio 1394",
                                      "Audio USB",    "Audio Decoder"};
  constexpr long videoCount = sizeof video / sizeof video[0];
  constexpr long audioCount = sizeof audio / sizeof audio[0];
  if (type >= 1 && type <= videoCount) return video[type - 1];
  if (type >= kFirstAudioConnector && type < kFirstAudioConnector + audioCount)
    return audio[type - kFirstAudioConnector];
  return "Unknown Type";
}
