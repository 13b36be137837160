// Arbitrary bytes as a recording: open it, then step forward, backward and
// to fractions as the player's buttons would, checking the reader's
// promises about the frames it hands out.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "player/recording_reader.h"

namespace {

class FuzzHost final : public ReaderHost {
 public:
  explicit FuzzHost(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::unique_ptr<RecordingFile> OpenRecording(const std::string&) override {
    return std::make_unique<MemoryRecordingFile>(bytes_);
  }
  void ShowError(std::string_view) override {}
  std::string AskSaveFile(std::string_view, const char*, std::string_view) override { return ""; }
  std::string AskOpenFile(std::string_view, const char*, std::string_view) override { return ""; }
  void SetTitle(std::string_view) override {}

 private:
  std::vector<uint8_t> bytes_;
};

void Check(const RecordingReader& reader, const std::optional<RecordingFrame>& frame) {
  if (!frame) return;
  if (frame->size < 4 || frame->data[0] != 0xFF || frame->data[1] != 0xD8 || frame->data[frame->size - 2] != 0xFF ||
      frame->data[frame->size - 1] != 0xD9)
    std::abort();
  if (static_cast<int64_t>(frame->size) != reader.FrameSize()) std::abort();
  if (reader.Position() - reader.FrameSize() < 0 || reader.Position() > reader.FileSize()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first bytes steer the moves; the rest is the recording.
  const size_t steering = size < 16 ? size : 16;
  FuzzHost host(std::vector<uint8_t>(data + steering, data + size));
  RecordingReader reader(host);
  if (!reader.Open("fuzz.mjpg")) return 0;
  for (size_t i = 0; i < steering * 4; ++i) {
    const uint8_t move = data[i % steering] >> (2 * (i / steering));
    switch (move & 3) {
      case 0:
      case 1:
        Check(reader, reader.ReadNext());
        break;
      case 2:
        Check(reader, reader.ReadPrevious());
        break;
      case 3:
        Check(reader, reader.SeekFraction((data[(i + 1) % steering] % 101) / 100.0));
        break;
    }
    const long double fraction = reader.PositionFraction(true);
    if (fraction != fraction) std::abort();
  }
  return 0;
}
