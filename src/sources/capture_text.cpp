#include "sources/capture_text.h"

#include "common/fixed_text.h"

bool FormatCaptureEntry(char* text, size_t capacity, int width, int height, int bitCount) {
  return FormatText(text, capacity, "%dx%d %d bit", width, height, bitCount);
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
