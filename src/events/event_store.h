#pragma once
// The events kept for review, in one SQLite database file. One connection
// belongs to one thread: the events thread writes through Open's, the web
// server reads through its own OpenReadOnly one. Every write is one short
// transaction, so a kill leaves every event written before it.

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "events/alert.h"

struct sqlite3;

struct EventRecord {
  int64_t id = 0;  // the store's, from Begin
  int camera = 0;  // the camera's number, from 1
  std::string cameraName;
  EventKind kind = EventKind::kMotion;
  int64_t start = 0;               // seconds since 1970 (UTC)
  int64_t end = 0;                 // 0 while the event goes on
  int32_t level = 0;               // the strongest motion level
  std::vector<uint8_t> thumbnail;  // JPEG; Find leaves it empty (see Thumbnail)
  std::string recording;           // the recording file's path, "" when none
  int64_t recordingOffsetMs = 0;   // where the event starts within it
  std::string detail;              // what a failure said
};

// Events that started in [from, to), newest first. The next page: set
// beforeStart and beforeId from the last event of this one.
struct EventQuery {
  int camera = 0;  // 0: every camera
  int64_t from = 0;
  int64_t to = std::numeric_limits<int64_t>::max();
  int64_t beforeStart = 0;
  int64_t beforeId = 0;  // 0: from the newest
  int limit = 50;        // 0: all of them
};

struct SqliteCloser {
  void operator()(sqlite3* db) const;
};

class EventStore {
 public:
  // Creates or opens the store and ends every event still open with `now`,
  // the restart time. A file that SQLite finds damaged is set aside as
  // "<path>.damaged" and a new store begun, so events are kept again;
  // `error` then says so. nullptr with `error` when it cannot be opened.
  // Paths are UTF-8, as SQLite takes them.
  static std::unique_ptr<EventStore> Open(const std::string& path, int64_t now, std::string& error);
  // For readers beside the writer: sees every committed write, writes none.
  static std::unique_ptr<EventStore> OpenReadOnly(const std::string& path, std::string& error);

  // The new event's id (its thumbnail stored too), or -1. An `end` other
  // than 0 is stored too: an event without a duration.
  int64_t Begin(const EventRecord& event);
  // A stronger level and its picture; an empty thumbnail keeps the stored one.
  bool Update(int64_t id, int32_t level, const std::vector<uint8_t>& thumbnail);
  bool End(int64_t id, int64_t end);
  bool SetRecording(int64_t id, const std::string& path, int64_t offsetMs);

  // Removes the camera's events that ended before `cutoff`; how many, or -1.
  int DeleteOlderThan(int camera, int64_t cutoff);
  // Removes the oldest events beyond `count`; how many, or -1.
  int KeepAtMost(int64_t count);

  // On an error, what was read so far, and LastError() (which Find clears) says why.
  std::vector<EventRecord> Find(const EventQuery& query);
  // The event's thumbnail; nullopt when it has none or on an error.
  std::optional<std::vector<uint8_t>> Thumbnail(int64_t id);
  int64_t Count();  // -1 on an error

  // SQLite's message for the last call that failed.
  const std::string& LastError() const { return lastError_; }

 private:
  explicit EventStore(std::unique_ptr<sqlite3, SqliteCloser> db);
  bool Fail();       // keeps SQLite's message, false
  int64_t Failed();  // keeps SQLite's message, -1
  bool PutThumbnail(int64_t id, const std::vector<uint8_t>& jpeg);
  // Sets ?2 (and ?3 to `text`) of the event ?1; false when there is none.
  bool ChangeOne(const char* sql, int64_t id, int64_t value, const std::string* text);
  int DeleteRows(const char* sql, int64_t first, int64_t second);

  std::unique_ptr<sqlite3, SqliteCloser> db_;
  std::string lastError_;
};
