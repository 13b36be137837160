// The event store's costs: one motion event as the events thread writes it
// (begin, three stronger pictures of about 15 KB, end), the file's size per
// 10,000 such events, and the review page's queries over a day of them.

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "bench_timer.h"
#include "events/event_store.h"

namespace {

constexpr int kEvents = 10000;
constexpr int64_t kDay = 86400;
constexpr int64_t kDayStart = 1796083200;  // a midnight in 2026, UTC

// Pictures of about 15 KB, as incompressible as JPEG.
std::vector<std::vector<uint8_t>> Pictures() {
  std::mt19937 random(1);
  std::vector<std::vector<uint8_t>> pictures(16, std::vector<uint8_t>(15000));
  for (std::vector<uint8_t>& picture : pictures) {
    for (uint8_t& byte : picture) byte = static_cast<uint8_t>(random());
  }
  return pictures;
}

// Events spread evenly over the day, four cameras in turn.
void WriteEvent(EventStore& store, int index, const std::vector<std::vector<uint8_t>>& pictures) {
  EventRecord event;
  event.camera = index % 4 + 1;
  event.cameraName = "Front door";
  event.start = kDayStart + index * kDay / kEvents;
  event.thumbnail = pictures[index % pictures.size()];
  event.recording = "C:\\Users\\user\\Videos\\Vorrandale\\Camera 1\\2026-12-09\\cam_14.mp4";
  const int64_t id = store.Begin(event);
  for (int32_t level = 1; level <= 3; ++level) store.Update(id, level, pictures[(index + level) % pictures.size()]);
  store.End(id, event.start + 5);
}

void Remove(const std::filesystem::path& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + suffix);
}

template <typename Operation>
double OnceMs(Operation&& operation) {
  const auto start = std::chrono::steady_clock::now();
  operation();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "event_store_bench.db";
  Remove(path);
  std::string error;
  std::unique_ptr<EventStore> store = EventStore::Open(path.string(), 0, error);
  if (!store) {
    std::printf("cannot open %s: %s\n", path.string().c_str(), error.c_str());
    return 1;
  }
  const std::vector<std::vector<uint8_t>> pictures = Pictures();
  int written = 0;
  const double perEvent = MedianMsPerOp([&] { WriteEvent(*store, written++, pictures); }, 50, 9);
  const double rest = OnceMs([&] {
    while (written < kEvents) WriteEvent(*store, written++, pictures);
  });
  std::printf("one event (begin, 3 updates with a 15 KB picture, end): %.3f ms (median of 9 x 50)\n", perEvent);
  std::printf("the other %d events: %.0f ms, %.3f ms each\n", kEvents - 450, rest, rest / (kEvents - 450));

  const EventQuery page{.from = kDayStart, .to = kDayStart + kDay, .limit = 50};
  const EventQuery all{.from = kDayStart, .to = kDayStart + kDay, .limit = 0};
  const EventQuery camera{.camera = 3, .from = kDayStart, .to = kDayStart + kDay, .limit = 50};
  size_t found = 0;
  std::printf("a day of %lld events, newest 50: %.3f ms\n", static_cast<long long>(store->Count()),
              MedianMsPerOp([&] { found += store->Find(page).size(); }, 20, 9));
  std::printf("the same, one camera's newest 50: %.3f ms\n",
              MedianMsPerOp([&] { found += store->Find(camera).size(); }, 20, 9));
  std::printf("the same, all of them without pictures: %.3f ms\n",
              MedianMsPerOp([&] { found += store->Find(all).size(); }, 3, 5));
  std::printf("one thumbnail: %.3f ms\n", MedianMsPerOp([&] { found += store->Thumbnail(kEvents / 2)->size(); }));
  std::printf("keep at most %d, none to remove: %.3f ms\n", kEvents,
              MedianMsPerOp([&] { found += store->KeepAtMost(kEvents); }, 5, 5));
  store.reset();

  std::printf("file per %d events: %.1f MB\n", kEvents,
              static_cast<double>(std::filesystem::file_size(path)) / (1024 * 1024));
  const double reopen = OnceMs([&] { store = EventStore::Open(path.string(), 0, error); });
  std::printf("open at start (%d events): %.1f ms\n", kEvents, reopen);
  store.reset();
  // What a full check at every start would cost: it reads every picture.
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  const double check = OnceMs([&] { sqlite3_exec(db, "PRAGMA quick_check", nullptr, nullptr, nullptr); });
  sqlite3_close(db);
  std::printf("PRAGMA quick_check (%d events): %.1f ms\n", kEvents, check);
  Remove(path);
  return found > 0 ? 0 : 1;
}
