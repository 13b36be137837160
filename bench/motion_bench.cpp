// Motion detection per picture at two camera sizes, next to a plain read of
// the same bytes, as median milliseconds of several runs.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/picture.h"
#include "engine/motion_detector.h"

namespace {

using Clock = std::chrono::steady_clock;

// A textured picture; the phase shifts it so consecutive pictures differ.
Picture Scene(int32_t width, int32_t height, int phase) {
  Picture picture = MakePicture(width, height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = picture.pixels.data() + static_cast<size_t>(y) * picture.Stride();
    for (int32_t x = 0; x < width; ++x) {
      row[x * 3 + 0] = static_cast<uint8_t>(x + phase);
      row[x * 3 + 1] = static_cast<uint8_t>(y * 3 + phase);
      row[x * 3 + 2] = static_cast<uint8_t>((x ^ y) + phase * 7);
    }
  }
  return picture;
}

template <typename Work>
double MedianMilliseconds(int runs, int repetitions, Work work) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    Clock::time_point start = Clock::now();
    for (int i = 0; i < repetitions; ++i) work(i);
    std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
    times.push_back(elapsed.count() / repetitions);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Reads every byte of the buffer, eight at a time: the memory's own pace.
uint64_t ReadAll(const Picture& picture) {
  const uint8_t* bytes = picture.pixels.data();
  const size_t words = picture.pixels.size() / 8;
  uint64_t sum = 0;
  for (size_t i = 0; i < words; ++i) {
    uint64_t word;
    std::memcpy(&word, bytes + i * 8, 8);
    sum += word;
  }
  for (size_t i = words * 8; i < picture.pixels.size(); ++i) sum += bytes[i];
  return sum;
}

volatile uint64_t sink;

void Measure(int32_t width, int32_t height, int repetitions) {
  const Picture pictures[2] = {Scene(width, height, 0), Scene(width, height, 40)};
  MotionDetector detector;
  Detect(detector, pictures[1], 20);
  int32_t level = 0;
  double detect = MedianMilliseconds(9, repetitions, [&](int i) { level = Detect(detector, pictures[i & 1], 20); });
  double read = MedianMilliseconds(9, repetitions, [&](int i) { sink = sink + ReadAll(pictures[i & 1]); });
  std::printf("%5dx%-5d  detect %7.3f ms/picture   plain read %7.3f ms   (%zu bytes, level %d)\n", width, height,
              detect, read, pictures[0].pixels.size(), level);
}

}  // namespace

int main() {
  Measure(640, 480, 50);
  Measure(1920, 1080, 20);
  return 0;
}
