#include "events/event_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <tuple>

namespace {

namespace fs = std::filesystem;

class EventStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string Path(const std::string& name = "events.db") const { return (folder_ / name).string(); }
  std::unique_ptr<EventStore> OpenAt(const std::string& path, int64_t now = 0) {
    std::string error;
    std::unique_ptr<EventStore> store = EventStore::Open(path, now, error);
    EXPECT_TRUE(store) << error;
    return store;
  }
  static EventRecord Event(int camera, int64_t start, int64_t end = 0) {
    EventRecord event;
    event.camera = camera;
    event.cameraName = "Camera " + std::to_string(camera);
    event.start = start;
    event.end = end;
    return event;
  }
  static std::vector<int64_t> Starts(const std::vector<EventRecord>& events) {
    std::vector<int64_t> starts;
    for (const EventRecord& event : events) starts.push_back(event.start);
    return starts;
  }
  const fs::path folder_ =
      fs::temp_directory_path() /
      ("event_store_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
};

// What a kill leaves on disk is the database and its WAL as they stand after
// the last commit: a copy of both, taken while the writer still holds them.
TEST_F(EventStoreTest, AfterAKillOpensWithEveryEventAndEndsTheOpenOnes) {
  auto writer = OpenAt(Path());
  writer->Begin(Event(1, 10, 20));
  const int64_t open = writer->Begin(Event(1, 30));
  writer->Update(open, 9, {7, 7, 7});
  for (const char* suffix : {"", "-wal"}) fs::copy_file(Path() + suffix, Path("copy.db") + suffix);
  auto restarted = OpenAt(Path("copy.db"), 500);
  const std::vector<EventRecord> found = restarted->Find({});
  ASSERT_EQ(Starts(found), std::vector<int64_t>({30, 10}));
  EXPECT_EQ(found[0].end, 500);
  EXPECT_EQ(found[1].end, 20);
  EXPECT_EQ(restarted->Thumbnail(open), std::vector<uint8_t>({7, 7, 7}));
  sqlite3* db = nullptr;
  std::string check;
  sqlite3_open(Path("copy.db").c_str(), &db);
  sqlite3_exec(
      db, "PRAGMA integrity_check",
      [](void* out, int, char** values, char**) { return *static_cast<std::string*>(out) += values[0], 0; }, &check,
      nullptr);
  sqlite3_close(db);
  EXPECT_EQ(check, "ok");
}

TEST_F(EventStoreTest, ADamagedFileIsSetAsideAndANewStoreStarted) {
  std::ofstream(Path(), std::ios::binary) << std::string(8192, 'x');
  std::string error;
  auto store = EventStore::Open(Path(), 0, error);
  ASSERT_TRUE(store) << error;
  EXPECT_FALSE(error.empty());  // the user is told
  EXPECT_EQ(store->Count(), 0);
  EXPECT_GT(store->Begin(Event(1, 1)), 0);
  EXPECT_EQ(fs::file_size(Path("events.db.damaged")), 8192u);
}

TEST_F(EventStoreTest, RetentionByCameraAgeAndByCount) {
  struct Case {
    int camera;
    int64_t cutoff;  // 0: keep at most `keep` instead
    int64_t keep;
    std::vector<int64_t> left;
  };
  for (const Case& c : {Case{1, 25, 0, {40, 30, 20, 10}}, Case{2, 25, 0, {40, 30, 10}}, Case{0, 0, 2, {40, 30}},
                        Case{0, 0, 9, {40, 30, 20, 10}}}) {
    auto store = OpenAt(Path(std::to_string(c.camera) + "-" + std::to_string(c.keep)));
    // Camera 1's old event is still open: it stays until it ends.
    for (EventRecord event : {Event(1, 10), Event(2, 20, 24), Event(2, 30, 31), Event(1, 40, 41)}) {
      event.thumbnail = {1};
      store->Begin(event);
    }
    const int removed = c.cutoff ? store->DeleteOlderThan(c.camera, c.cutoff) : store->KeepAtMost(c.keep);
    const std::vector<EventRecord> left = store->Find({});
    EXPECT_EQ(Starts(left), c.left);
    EXPECT_EQ(removed, static_cast<int>(4 - left.size()));
    EXPECT_EQ(store->Thumbnail(2).has_value(), left.size() == 4);  // the event at 20 goes first
  }
}

TEST_F(EventStoreTest, FindsByCameraAndTimeNewestFirstInPages) {
  auto store = OpenAt(Path());
  for (int64_t start : {10, 20, 20, 30, 40, 50}) store->Begin(Event(start == 30 ? 2 : 1, start));
  struct Case {
    EventQuery query;
    std::vector<int64_t> starts;
  };
  for (const Case& c : {Case{{}, {50, 40, 30, 20, 20, 10}}, Case{{.camera = 2}, {30}},
                        Case{{.camera = 1, .from = 20, .to = 50}, {40, 20, 20}}, Case{{.limit = 2}, {50, 40}}}) {
    EXPECT_EQ(Starts(store->Find(c.query)), c.starts);
  }
  // Pages of two follow each other without a gap or a repeat, even inside a second.
  std::vector<int64_t> ids;
  EventQuery page{.limit = 2};
  for (std::vector<EventRecord> found; !(found = store->Find(page)).empty();) {
    for (const EventRecord& event : found) ids.push_back(event.id);
    page.beforeStart = found.back().start;
    page.beforeId = found.back().id;
  }
  EXPECT_EQ(ids, std::vector<int64_t>({6, 5, 4, 3, 2, 1}));
}

TEST_F(EventStoreTest, AReaderSeesWhatTheWriterCommittedWhileItHoldsTheFile) {
  auto writer = OpenAt(Path());
  std::string error;
  auto reader = EventStore::OpenReadOnly(Path(), error);
  ASSERT_TRUE(reader) << error;
  EventRecord event = Event(2, 100);
  event.kind = EventKind::kSignalLost;
  event.detail = "no answer";
  event.thumbnail = {1, 2, 3};
  const int64_t id = writer->Begin(event);
  EXPECT_EQ(reader->Count(), 1);
  EXPECT_TRUE(writer->Update(id, 40, {4, 5}) && writer->Update(id, 55, {}) &&
              writer->SetRecording(id, "C:\\rec\\cam_02.mp4", 1500) && writer->End(id, 130))
      << writer->LastError();
  const std::vector<EventRecord> found = reader->Find({});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(std::tie(found[0].id, found[0].camera, found[0].cameraName, found[0].kind, found[0].start, found[0].end,
                     found[0].level, found[0].recording, found[0].recordingOffsetMs, found[0].detail),
            std::make_tuple(id, event.camera, event.cameraName, event.kind, event.start, 130, 55, "C:\\rec\\cam_02.mp4",
                            1500, event.detail));
  EXPECT_EQ(reader->Thumbnail(id), std::vector<uint8_t>({4, 5}));
  EXPECT_FALSE(reader->Thumbnail(id + 1));
  // Failures come back as values with SQLite's or the store's reason.
  for (bool done : {reader->Begin(event) > 0, writer->Update(id + 1, 1, {}), writer->End(id + 1, 1),
                    writer->SetRecording(id + 1, "x", 0)}) {
    EXPECT_FALSE(done);
  }
  EXPECT_FALSE(reader->LastError().empty() || writer->LastError().empty());
}

}  // namespace
