#include "events/event_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <iterator>

namespace {

// Step i brings a store of version i (PRAGMA user_version) to version i + 1.
const char* const kMigrations[] = {
    "CREATE TABLE events(id INTEGER PRIMARY KEY AUTOINCREMENT, camera INTEGER NOT NULL,"
    " camera_name TEXT NOT NULL, kind INTEGER NOT NULL, start_time INTEGER NOT NULL, end_time INTEGER,"
    " level INTEGER NOT NULL, recording TEXT NOT NULL, recording_offset_ms INTEGER NOT NULL,"
    " detail TEXT NOT NULL);"
    // Pictures apart, so a list of events reads small rows only.
    "CREATE TABLE thumbnails(event_id INTEGER PRIMARY KEY, jpeg BLOB NOT NULL);"
    "CREATE INDEX events_by_time ON events(start_time);"
    "CREATE INDEX events_by_camera ON events(camera, start_time);"
    "CREATE TRIGGER events_deleted AFTER DELETE ON events"
    " BEGIN DELETE FROM thumbnails WHERE event_id = old.id; END;",
};
constexpr int kVersion = static_cast<int>(std::size(kMigrations));
constexpr int kBusyTimeoutMs = 5000;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;
using Connection = std::unique_ptr<sqlite3, SqliteCloser>;

Statement Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
  return Statement(statement);
}

// Rolls back unless committed, so a failed step leaves nothing half written.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db), open_(Exec("BEGIN IMMEDIATE")) {}
  ~Transaction() {
    if (open_) Exec("ROLLBACK");
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool Started() const { return open_; }
  bool Commit() {
    open_ = !Exec("COMMIT");
    return !open_;
  }

 private:
  bool Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
  sqlite3* db_;
  bool open_;
};

std::string Text(sqlite3_stmt* row, int column) {
  const unsigned char* text = sqlite3_column_text(row, column);
  return text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(row, column)) : std::string();
}

std::filesystem::path Utf8Path(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

int UserVersion(sqlite3* db, int& version) {
  Statement statement = Prepare(db, "PRAGMA user_version");
  int code = statement ? sqlite3_step(statement.get()) : sqlite3_errcode(db);
  if (code != SQLITE_ROW) return code;
  version = sqlite3_column_int(statement.get(), 0);
  return SQLITE_OK;
}

// Brings the store to this program's schema, a step per transaction.
bool Migrate(sqlite3* db, int version, std::string& message) {
  for (int step = version; step < kVersion; ++step) {
    Transaction transaction(db);
    const std::string bump = "PRAGMA user_version = " + std::to_string(step + 1);
    if (!transaction.Started() || sqlite3_exec(db, kMigrations[step], nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, bump.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK || !transaction.Commit()) {
      message = sqlite3_errmsg(db);  // before the rollback clears it
      return false;
    }
  }
  return true;
}

// No full integrity check at start: in WAL mode a killed writer leaves only
// whole transactions (each frame is checksummed), and a check reads every
// thumbnail. A damaged header or schema shows on the first reads here.
// SQLite's result code; `message` says why when it is not SQLITE_OK.
int PrepareWriter(sqlite3* db, int64_t now, int& version, std::string& message) {
  const char* const pragmas =
      "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;"
      "PRAGMA journal_size_limit = 4194304;";
  const int code = UserVersion(db, version);
  if (code == SQLITE_OK && version > kVersion) {
    message = "it was written by a newer version of the program (schema " + std::to_string(version) + ")";
    return SQLITE_CANTOPEN;
  }
  if (code == SQLITE_OK && sqlite3_exec(db, pragmas, nullptr, nullptr, nullptr) == SQLITE_OK &&
      Migrate(db, version, message)) {
    Statement close = Prepare(db, "UPDATE events SET end_time = ?1 WHERE end_time IS NULL");
    if (close) sqlite3_bind_int64(close.get(), 1, now);
    if (close && sqlite3_step(close.get()) == SQLITE_DONE) return SQLITE_OK;
  }
  if (message.empty()) message = sqlite3_errmsg(db);
  return code != SQLITE_OK ? code : sqlite3_errcode(db);
}

Connection Connect(const std::string& path, int flags, std::string& error, int& code) {
  sqlite3* raw = nullptr;
  code = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  Connection db(raw);
  if (code == SQLITE_OK) code = sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  if (code != SQLITE_OK) error = "The event store " + path + " cannot be opened: " + sqlite3_errstr(code);
  return db;
}

// Keeps a damaged store for the user and makes room for a new one; its WAL
// goes with it, since SQLite would replay it into the new file.
bool SetAside(const std::string& path, std::string& error) {
  std::error_code failed;
  for (const char* suffix : {"", "-wal"}) {
    const std::filesystem::path from = Utf8Path(path + suffix);
    const std::filesystem::path to = Utf8Path(path + ".damaged" + suffix);
    std::filesystem::remove(to, failed);
    if (std::filesystem::exists(from, failed)) std::filesystem::rename(from, to, failed);
    if (failed) {
      error = "The damaged event store " + path + " cannot be set aside: " + failed.message();
      return false;
    }
  }
  std::filesystem::remove(Utf8Path(path + "-shm"), failed);
  return true;
}

}  // namespace

void SqliteCloser::operator()(sqlite3* db) const {
  sqlite3_close_v2(db);
}

EventStore::EventStore(Connection db) : db_(std::move(db)) {}

std::unique_ptr<EventStore> EventStore::Open(const std::string& path, int64_t now, std::string& error) {
  for (bool firstTry : {true, false}) {
    int code = SQLITE_OK;
    Connection db = Connect(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error, code);
    if (code != SQLITE_OK) return nullptr;
    int version = 0;
    std::string message;
    code = PrepareWriter(db.get(), now, version, message);
    if (code == SQLITE_OK) {
      if (!firstTry) error = "The event store " + path + " was damaged: kept as " + path + ".damaged, a new one begun";
      return std::unique_ptr<EventStore>(new EventStore(std::move(db)));
    }
    error = "The event store " + path + " cannot be opened: " + message;
    db.reset();
    if (!firstTry || (code != SQLITE_CORRUPT && code != SQLITE_NOTADB) || !SetAside(path, error)) return nullptr;
  }
  return nullptr;
}

std::unique_ptr<EventStore> EventStore::OpenReadOnly(const std::string& path, std::string& error) {
  int code = SQLITE_OK;
  Connection db = Connect(path, SQLITE_OPEN_READONLY, error, code);
  if (code != SQLITE_OK) return nullptr;
  int version = 0;
  code = UserVersion(db.get(), version);
  if (code == SQLITE_OK && version >= 1 && version <= kVersion) {
    return std::unique_ptr<EventStore>(new EventStore(std::move(db)));
  }
  error = "The event store " + path + " cannot be read: " +
          (code != SQLITE_OK ? std::string(sqlite3_errmsg(db.get())) : "schema " + std::to_string(version));
  return nullptr;
}

bool EventStore::Fail() {
  lastError_ = sqlite3_errmsg(db_.get());
  return false;
}

int64_t EventStore::Failed() {
  Fail();
  return -1;
}

bool EventStore::PutThumbnail(int64_t id, const std::vector<uint8_t>& jpeg) {
  Statement put = Prepare(db_.get(), "INSERT OR REPLACE INTO thumbnails(event_id, jpeg) VALUES(?1, ?2)");
  if (!put) return Fail();
  sqlite3_bind_int64(put.get(), 1, id);
  sqlite3_bind_blob64(put.get(), 2, jpeg.data(), jpeg.size(), SQLITE_STATIC);
  return sqlite3_step(put.get()) == SQLITE_DONE || Fail();
}

bool EventStore::ChangeOne(const char* sql, int64_t id, int64_t value, const std::string* text) {
  Statement change = Prepare(db_.get(), sql);
  if (!change) return Fail();
  sqlite3_bind_int64(change.get(), 1, id);
  sqlite3_bind_int64(change.get(), 2, value);
  if (text) sqlite3_bind_text(change.get(), 3, text->c_str(), static_cast<int>(text->size()), SQLITE_STATIC);
  if (sqlite3_step(change.get()) != SQLITE_DONE) return Fail();
  if (sqlite3_changes(db_.get()) == 1) return true;
  lastError_ = "No event " + std::to_string(id);
  return false;
}

int64_t EventStore::Begin(const EventRecord& event) {
  Transaction transaction(db_.get());
  Statement insert = Prepare(db_.get(),
                             "INSERT INTO events(camera, camera_name, kind, start_time, end_time, level, recording,"
                             " recording_offset_ms, detail) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
  if (!transaction.Started() || !insert) return Failed();
  sqlite3_bind_int(insert.get(), 1, event.camera);
  sqlite3_bind_text(insert.get(), 2, event.cameraName.c_str(), static_cast<int>(event.cameraName.size()),
                    SQLITE_STATIC);
  sqlite3_bind_int(insert.get(), 3, static_cast<int>(event.kind));
  sqlite3_bind_int64(insert.get(), 4, event.start);
  if (event.end != 0) sqlite3_bind_int64(insert.get(), 5, event.end);
  sqlite3_bind_int(insert.get(), 6, event.level);
  sqlite3_bind_text(insert.get(), 7, event.recording.c_str(), static_cast<int>(event.recording.size()), SQLITE_STATIC);
  sqlite3_bind_int64(insert.get(), 8, event.recordingOffsetMs);
  sqlite3_bind_text(insert.get(), 9, event.detail.c_str(), static_cast<int>(event.detail.size()), SQLITE_STATIC);
  if (sqlite3_step(insert.get()) != SQLITE_DONE) return Failed();
  const int64_t id = sqlite3_last_insert_rowid(db_.get());
  if (!event.thumbnail.empty() && !PutThumbnail(id, event.thumbnail)) return -1;
  return transaction.Commit() ? id : Failed();
}

bool EventStore::Update(int64_t id, int32_t level, const std::vector<uint8_t>& thumbnail) {
  Transaction transaction(db_.get());
  if (!transaction.Started()) return Fail();
  if (!ChangeOne("UPDATE events SET level = ?2 WHERE id = ?1", id, level, nullptr)) return false;
  if (!thumbnail.empty() && !PutThumbnail(id, thumbnail)) return false;
  return transaction.Commit() || Fail();
}

bool EventStore::End(int64_t id, int64_t end) {
  return ChangeOne("UPDATE events SET end_time = ?2 WHERE id = ?1", id, end, nullptr);
}

bool EventStore::SetRecording(int64_t id, const std::string& path, int64_t offsetMs) {
  return ChangeOne("UPDATE events SET recording = ?3, recording_offset_ms = ?2 WHERE id = ?1", id, offsetMs, &path);
}

int EventStore::DeleteRows(const char* sql, int64_t a, int64_t b) {
  Statement remove = Prepare(db_.get(), sql);
  if (!remove) return static_cast<int>(Failed());
  sqlite3_bind_int64(remove.get(), 1, a);
  sqlite3_bind_int64(remove.get(), 2, b);
  if (sqlite3_step(remove.get()) != SQLITE_DONE) return static_cast<int>(Failed());
  return sqlite3_changes(db_.get());
}

int EventStore::DeleteOlderThan(int camera, int64_t cutoff) {
  return DeleteRows("DELETE FROM events WHERE camera = ?1 AND start_time < ?2 AND end_time < ?2", camera, cutoff);
}

int EventStore::KeepAtMost(int64_t count) {
  return DeleteRows(
      "DELETE FROM events WHERE id IN"
      " (SELECT id FROM events ORDER BY start_time DESC, id DESC LIMIT -1 OFFSET ?1)",
      std::max<int64_t>(count, 0), 0);
}

std::vector<EventRecord> EventStore::Find(const EventQuery& query) {
  lastError_.clear();
  std::string sql =
      "SELECT id, camera, camera_name, kind, start_time, end_time, level, recording, recording_offset_ms, detail"
      " FROM events WHERE start_time >= ?1 AND start_time < ?2";
  if (query.camera != 0) sql += " AND camera = ?3";
  if (query.beforeId != 0) sql += " AND start_time <= ?4 AND (start_time, id) < (?4, ?5)";
  sql += " ORDER BY start_time DESC, id DESC LIMIT ?6";
  std::vector<EventRecord> events;
  Statement select = Prepare(db_.get(), sql);
  if (!select) {
    Fail();
    return events;
  }
  sqlite3_bind_int64(select.get(), 1, query.from);
  sqlite3_bind_int64(select.get(), 2, query.to);
  sqlite3_bind_int(select.get(), 3, query.camera);
  sqlite3_bind_int64(select.get(), 4, query.beforeStart);
  sqlite3_bind_int64(select.get(), 5, query.beforeId);
  sqlite3_bind_int(select.get(), 6, query.limit > 0 ? query.limit : -1);
  int code;
  while ((code = sqlite3_step(select.get())) == SQLITE_ROW) {
    EventRecord& event = events.emplace_back();
    sqlite3_stmt* row = select.get();
    event.id = sqlite3_column_int64(row, 0);
    event.camera = sqlite3_column_int(row, 1);
    event.cameraName = Text(row, 2);
    event.kind = static_cast<EventKind>(sqlite3_column_int(row, 3));
    event.start = sqlite3_column_int64(row, 4);
    event.end = sqlite3_column_int64(row, 5);
    event.level = sqlite3_column_int(row, 6);
    event.recording = Text(row, 7);
    event.recordingOffsetMs = sqlite3_column_int64(row, 8);
    event.detail = Text(row, 9);
  }
  if (code != SQLITE_DONE) Fail();
  return events;
}

std::optional<std::vector<uint8_t>> EventStore::Thumbnail(int64_t id) {
  Statement select = Prepare(db_.get(), "SELECT jpeg FROM thumbnails WHERE event_id = ?1");
  if (select) sqlite3_bind_int64(select.get(), 1, id);
  const int code = select ? sqlite3_step(select.get()) : SQLITE_ERROR;
  if (code != SQLITE_ROW) {
    if (code != SQLITE_DONE) Fail();
    return std::nullopt;
  }
  const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(select.get(), 0));
  return std::vector<uint8_t>(bytes, bytes + sqlite3_column_bytes(select.get(), 0));
}

int64_t EventStore::Count() {
  Statement select = Prepare(db_.get(), "SELECT count(*) FROM events");
  if (!select || sqlite3_step(select.get()) != SQLITE_ROW) return Failed();
  return sqlite3_column_int64(select.get(), 0);
}
