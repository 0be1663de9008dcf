#include "quotes/store/quote_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <system_error>
#include <thread>

#include "quotes/store/bar_block.h"

namespace plrxl {

using quotes::Bar;
using quotes::Bars;
using quotes::SqliteDb;
using quotes::SqliteError;
using quotes::SqliteStatement;
using quotes::SqliteTransaction;

namespace {

namespace fs = std::filesystem;

// Dates are whole-day serials (days since 30 December 1899); times are UTC
// texts. A row of bars is one year of a series (bar_block.h); its id holds
// the series and the year's first day (BarId). Coverage rows are the final
// days of a series as closed ranges that neither overlap nor touch.
constexpr const char* kSchema = R"(
CREATE TABLE runs(id INTEGER PRIMARY KEY, command TEXT NOT NULL, project TEXT NOT NULL,
                  started TEXT NOT NULL, ended TEXT, exit_code INTEGER, rows TEXT NOT NULL DEFAULT '');
CREATE TABLE series(id INTEGER PRIMARY KEY, source TEXT NOT NULL, symbol TEXT NOT NULL,
                    exchange TEXT NOT NULL, interval TEXT NOT NULL, adjustment TEXT NOT NULL,
                    UNIQUE(source, symbol, exchange, interval, adjustment));
CREATE TABLE fetches(id INTEGER PRIMARY KEY, run_id INTEGER, series_id INTEGER NOT NULL,
                     url TEXT NOT NULL, range_start INTEGER, range_end INTEGER,
                     started TEXT NOT NULL, finished TEXT NOT NULL, http_status INTEGER,
                     bytes INTEGER, body_hash TEXT, outcome TEXT NOT NULL, bars INTEGER);
CREATE INDEX fetches_series ON fetches(series_id);
CREATE TABLE bars(id INTEGER PRIMARY KEY, bars BLOB NOT NULL);
CREATE TABLE events(series_id INTEGER NOT NULL, date INTEGER NOT NULL, kind TEXT NOT NULL,
                    value REAL, fetch_id INTEGER NOT NULL,
                    PRIMARY KEY(series_id, date, kind)) WITHOUT ROWID;
CREATE TABLE journal(run_id INTEGER NOT NULL, row INTEGER NOT NULL, ticker TEXT NOT NULL,
                     status TEXT NOT NULL, failed INTEGER NOT NULL, finished TEXT NOT NULL,
                     PRIMARY KEY(run_id, row));
CREATE TABLE coverage(series_id INTEGER NOT NULL, first INTEGER NOT NULL, last INTEGER NOT NULL,
                      PRIMARY KEY(series_id, first)) WITHOUT ROWID;
)";

// Daily bars with the provider's adjusted close beside the prices.
constexpr const char* kInterval = "1d";
constexpr const char* kAdjustment = "raw";

int64_t Day(double serial) { return static_cast<int64_t>(std::floor(serial)); }

// A block's row id: its series in the high bits, its year's first day in
// the low 22 (day serials stay below 2^22 until the year 9999), so a
// series' blocks are one range of the table's own key, in date order.
constexpr int64_t kDayBits = 22;
constexpr int64_t kLastDay = (int64_t{1} << kDayBits) - 1;
int64_t BarId(int64_t series, int64_t day) { return (series << kDayBits) | std::clamp<int64_t>(day, 0, kLastDay); }

// The stored bars of a series over the days [first, last], oldest first.
std::vector<StoredBar> ReadStored(SqliteDb& db, int64_t series, int64_t first, int64_t last) {
  std::vector<StoredBar> stored;
  if (first > last) return stored;
  SqliteStatement read(db, "SELECT bars FROM bars WHERE id BETWEEN ? AND ? ORDER BY id");
  read.Bind(1, BarId(series, YearOf(first))).Bind(2, BarId(series, last));
  while (read.Step()) {
    if (!DecodeBlock(read.Blob(0), &stored)) throw SqliteError(SQLITE_CORRUPT, "a damaged block of bars");
  }
  std::erase_if(stored, [&](const StoredBar& s) { return s.day < first || s.day > last; });
  return stored;
}

std::string CompactUtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &utc);
  return buf;
}

std::string HashText(uint64_t hash) {
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash));
  return buf;
}

// A result code that means the file is not a database or is damaged.
bool IsCorruption(int code) { return code == SQLITE_CORRUPT || code == SQLITE_NOTADB; }

// Settings of every connection, then the schema check: "ok", or throws.
int Prepare(SqliteDb& db, int64_t max_page_count) {
  db.Exec("PRAGMA busy_timeout=10000");
  const std::string check = db.QueryText("PRAGMA quick_check");
  if (check != "ok") throw SqliteError(SQLITE_CORRUPT, "quick_check: " + check);
  int version = static_cast<int>(db.QueryInt("PRAGMA user_version"));
  if (!db.ReadOnly() && version <= kQuoteStoreSchema) {
    db.Exec("PRAGMA journal_mode=WAL");
    // WAL with NORMAL survives a killed process; a power loss may lose the
    // last commits but never leaves the file broken.
    db.Exec("PRAGMA synchronous=NORMAL");
    // A refresh writes some 20 MB: checkpoint (and sync) the log every
    // 16 MB rather than every 4 MB.
    db.Exec("PRAGMA wal_autocheckpoint=4096");
    if (max_page_count > 0) db.QueryInt("PRAGMA max_page_count=" + std::to_string(max_page_count));
    if (version < kQuoteStoreSchema) {
      SqliteTransaction schema(db);
      // Another process may have made or changed it meanwhile.
      const int64_t now = db.QueryInt("PRAGMA user_version");
      if (now == 0) {
        db.Exec(kSchema);
      } else if (now == 1) {
        // Schema 1 kept a row a bar. Its bars are let go rather than
        // converted: the next run downloads them again.
        db.Exec("DROP TABLE bars; DELETE FROM coverage; CREATE TABLE bars(id INTEGER PRIMARY KEY, bars BLOB NOT NULL);"
                "ALTER TABLE runs ADD COLUMN rows TEXT NOT NULL DEFAULT '';");
      }
      db.Exec("PRAGMA user_version=" + std::to_string(kQuoteStoreSchema));
      schema.Commit();
      version = kQuoteStoreSchema;
    }
  }
  return version;
}

void MoveAside(const std::string& path, const std::string& stamp) {
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::error_code ignored;
    if (fs::exists(path + suffix, ignored)) fs::rename(path + suffix, path + ".corrupt-" + stamp + suffix, ignored);
  }
}

}  // namespace

std::string UtcNowText() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &utc);
  return buf;
}

std::string DefaultStorePath(const std::string& workbook_path) {
  fs::path p(workbook_path);
  return (p.parent_path() / (p.stem().string() + ".quotes.db")).string();
}

std::shared_ptr<QuoteStore> QuoteStore::Open(const StoreOpenOptions& options, std::vector<std::string>* warnings) {
  const std::string& path = options.path;
  auto warn = [&](const std::string& text) {
    if (warnings != nullptr) warnings->push_back("quote store " + path + ": " + text);
  };
  // Runs that start together race to make the file and switch it to its
  // log mode; a switch that meets another's lock is refused at once,
  // whatever the busy timeout. The loser tries again a little later.
  int busy_retries = 50;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      SqliteDb db(path, SqliteDb::Mode::kReadWriteCreate);
      const int version = Prepare(db, options.max_page_count);
      if (version > kQuoteStoreSchema) {
        warn("written by a newer program (schema " + std::to_string(version) + ", this one knows " +
             std::to_string(kQuoteStoreSchema) + "); it is only read");
        SqliteDb reader(path, SqliteDb::Mode::kReadOnly);
        reader.Exec("PRAGMA busy_timeout=10000");
        return std::shared_ptr<QuoteStore>(new QuoteStore(path, std::move(reader)));
      }
      return std::shared_ptr<QuoteStore>(new QuoteStore(path, std::move(db)));
    } catch (const SqliteError& e) {
      if ((e.Code() == SQLITE_BUSY || e.Code() == SQLITE_LOCKED) && busy_retries-- > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        --attempt;
        continue;
      }
      if (IsCorruption(e.Code()) && attempt == 0) {
        const std::string stamp = options.stamp ? options.stamp() : CompactUtcNow();
        MoveAside(path, stamp);
        warn(std::string("the file is damaged (") + e.what() + "); it was renamed to " + path + ".corrupt-" + stamp +
             " and a new store started");
        continue;
      }
      // A folder that cannot be written: what is there can still be read.
      std::error_code ignored;
      if (!IsCorruption(e.Code()) && fs::exists(path, ignored)) {
        try {
          SqliteDb reader("file:" + path + "?immutable=1", SqliteDb::Mode::kReadOnly);
          if (reader.QueryText("PRAGMA quick_check") == "ok" &&
              reader.QueryInt("PRAGMA user_version") >= 1) {
            warn(std::string("cannot be written (") + e.what() + "); it is only read");
            return std::shared_ptr<QuoteStore>(new QuoteStore(path, std::move(reader)));
          }
        } catch (const SqliteError&) {
        }
      }
      warn(std::string("cannot be used (") + e.what() + "); the run goes on without it");
      return nullptr;
    }
  }
  return nullptr;
}

QuoteStore::QuoteStore(std::string path, SqliteDb db) : path_(std::move(path)), db_(std::move(db)) {}

QuoteStore::~QuoteStore() = default;

bool QuoteStore::Writable() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !off_ && !db_.ReadOnly();
}

bool QuoteStore::Usable() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !off_;
}

void QuoteStore::SwitchOff(const SqliteError& error) {
  if (off_) return;
  off_ = true;
  warnings_.push_back("quote store " + path_ + ": " + error.what() +
                      "; the store is off for the rest of this run, which goes on without it");
}

void QuoteStore::BeginRun(const std::string& command, const std::string& project, const std::string& rows) {
  Guarded(Access::kWrite, false, [&] {
    SqliteStatement insert(db_, "INSERT INTO runs(command, project, started, rows) VALUES(?,?,?,?)");
    insert.Bind(1, command).Bind(2, project).Bind(3, UtcNowText()).Bind(4, rows).Run();
    run_id_ = db_.LastInsertId();
    return true;
  });
}

void QuoteStore::EndRun(int exit_code) {
  Guarded(Access::kWrite, false, [&] {
    if (run_id_ == 0) return false;
    SqliteStatement update(db_, "UPDATE runs SET ended=?, exit_code=? WHERE id=?");
    update.Bind(1, UtcNowText()).Bind(2, static_cast<int64_t>(exit_code)).Bind(3, run_id_).Run();
    return true;
  });
}

int64_t QuoteStore::SeriesId(const StoreSeriesKey& key, bool create) {
  SqliteStatement find(db_,
                       "SELECT id FROM series WHERE source=? AND symbol=? AND exchange=? AND interval=? AND "
                       "adjustment=?");
  find.Bind(1, key.source).Bind(2, key.symbol).Bind(3, key.exchange).Bind(4, std::string_view(kInterval));
  find.Bind(5, std::string_view(kAdjustment));
  if (find.Step()) return find.Int(0);
  if (!create) return 0;
  SqliteStatement insert(db_, "INSERT INTO series(source, symbol, exchange, interval, adjustment) VALUES(?,?,?,?,?)");
  insert.Bind(1, key.source).Bind(2, key.symbol).Bind(3, key.exchange).Bind(4, std::string_view(kInterval));
  insert.Bind(5, std::string_view(kAdjustment)).Run();
  return db_.LastInsertId();
}

std::optional<std::pair<double, double>> QuoteStore::Missing(const StoreSeriesKey& key, double start, double end) {
  const int64_t first = Day(start), last = Day(end);
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::pair<int64_t, int64_t>> covered;
  if (!off_) {
    try {
      if (const int64_t id = SeriesId(key, false); id != 0) {
        SqliteStatement ranges(db_, "SELECT first, last FROM coverage WHERE series_id=? AND last>=? AND first<=? "
                                    "ORDER BY first");
        ranges.Bind(1, id).Bind(2, first).Bind(3, last);
        while (ranges.Step()) covered.emplace_back(ranges.Int(0), ranges.Int(1));
      }
    } catch (const SqliteError& e) {
      SwitchOff(e);
      covered.clear();
    }
  }
  // The first and last uncovered days of [first, last].
  int64_t low = first;
  for (const auto& [a, b] : covered) {
    if (a > low) break;
    low = std::max(low, b + 1);
  }
  if (low > last) return std::nullopt;
  int64_t high = last;
  for (auto it = covered.rbegin(); it != covered.rend(); ++it) {
    if (it->second < high) break;
    high = std::min(high, it->first - 1);
  }
  return std::make_pair(static_cast<double>(low), static_cast<double>(high));
}

Bars QuoteStore::ReadBars(const StoreSeriesKey& key, double start, double end) {
  return Guarded(Access::kRead, Bars(), [&] {
    Bars bars;
    if (const int64_t id = SeriesId(key, false); id != 0) {
      for (const StoredBar& s : ReadStored(db_, id, Day(start), Day(end))) bars.push_back(s.bar);
    }
    return bars;
  });
}

std::vector<QuoteEvent> QuoteStore::ReadEvents(const StoreSeriesKey& key, double start, double end) {
  return Guarded(Access::kRead, std::vector<QuoteEvent>(), [&] {
    std::vector<QuoteEvent> events;
    const int64_t id = SeriesId(key, false);
    if (id == 0) return events;
    SqliteStatement read(db_, "SELECT date, kind, value FROM events WHERE series_id=? AND date>=? AND date<=? "
                              "ORDER BY date, kind");
    read.Bind(1, id).Bind(2, Day(start)).Bind(3, Day(end));
    while (read.Step()) {
      QuoteEvent e;
      e.date = static_cast<double>(read.Int(0));
      e.kind = read.Text(1) == "split" ? QuoteEvent::kSplit : QuoteEvent::kDividend;
      e.value = read.Double(2);
      events.push_back(e);
    }
    return events;
  });
}

std::optional<StoreNewest> QuoteStore::Newest(const StoreSeriesKey& key) {
  return Guarded(Access::kRead, std::optional<StoreNewest>(), [&]() -> std::optional<StoreNewest> {
    const int64_t id = SeriesId(key, false);
    if (id == 0) return std::nullopt;
    SqliteStatement read(db_, "SELECT bars FROM bars WHERE id BETWEEN ? AND ? ORDER BY id DESC LIMIT 1");
    read.Bind(1, BarId(id, 0)).Bind(2, BarId(id, kLastDay));
    if (!read.Step()) return std::nullopt;
    std::vector<StoredBar> block;
    if (!DecodeBlock(read.Blob(0), &block)) throw SqliteError(SQLITE_CORRUPT, "a damaged block of bars");
    if (block.empty()) return std::nullopt;
    StoreNewest newest;
    newest.bar_date = static_cast<double>(block.back().day);
    SqliteStatement fetched(db_, "SELECT finished FROM fetches WHERE id=?");
    fetched.Bind(1, block.back().fetch_id);
    if (fetched.Step()) newest.fetched = fetched.Text(0).substr(0, 16);
    return newest;
  });
}

int64_t QuoteStore::InsertFetch(int64_t series_id, const StoreFetch& fetch) {
  SqliteStatement insert(db_, "INSERT INTO fetches(run_id, series_id, url, range_start, range_end, started, finished, "
                              "http_status, bytes, body_hash, outcome) VALUES(?,?,?,?,?,?,?,?,?,?,?)");
  if (run_id_ != 0) {
    insert.Bind(1, run_id_);
  } else {
    insert.BindNull(1);
  }
  insert.Bind(2, series_id).Bind(3, fetch.url).Bind(4, Day(fetch.range_start)).Bind(5, Day(fetch.range_end));
  insert.Bind(6, fetch.started).Bind(7, fetch.finished).Bind(8, static_cast<int64_t>(fetch.http_status));
  insert.Bind(9, static_cast<int64_t>(fetch.bytes)).Bind(10, HashText(fetch.body_hash)).Bind(11, fetch.outcome);
  insert.Run();
  return db_.LastInsertId();
}

bool QuoteStore::Commit(const StoreSeriesKey& key, const StoreFetch& fetch, const Bars& bars,
                        const std::vector<QuoteEvent>& events, double today, bool replace_history) {
  return Guarded(Access::kWrite, false, [&] {
    SqliteTransaction transaction(db_);
    const int64_t series = SeriesId(key, true);
    if (replace_history) {
      SqliteStatement bars_of(db_, "DELETE FROM bars WHERE id BETWEEN ? AND ?");
      bars_of.Bind(1, BarId(series, 0)).Bind(2, BarId(series, kLastDay)).Run();
      for (const char* sql : {"DELETE FROM events WHERE series_id=?", "DELETE FROM coverage WHERE series_id=?"}) {
        SqliteStatement drop(db_, sql);
        drop.Bind(1, series).Run();
      }
    }
    const int64_t fetch_id = InsertFetch(series, fetch);
    const int64_t first = Day(fetch.range_start), last = Day(fetch.range_end), now = Day(today);
    // The blocks the fetch touches are read, the bars of its range replaced,
    // and the blocks written back whole.
    int64_t low = first, high = last;
    for (const Bar& b : bars) {
      low = std::min(low, Day(b.date));
      high = std::max(high, Day(b.date));
    }
    // Whole blocks: from the first day of the first to the last of the last.
    low = YearOf(low);
    high = YearEndOf(high);
    std::vector<StoredBar> merged = ReadStored(db_, series, low, high);
    std::erase_if(merged, [&](const StoredBar& s) { return s.day >= first && s.day <= last; });
    for (const Bar& b : bars) {
      StoredBar s;
      s.day = std::clamp<int64_t>(Day(b.date), 0, kLastDay);
      s.fetch_id = fetch_id;
      s.final = s.day < now;
      s.bar = b;
      s.bar.date = static_cast<double>(s.day);
      merged.push_back(s);
    }
    // Oldest first; of two bars of one day the fetched one stays.
    std::stable_sort(merged.begin(), merged.end(), [](const StoredBar& a, const StoredBar& b) { return a.day < b.day; });
    for (size_t i = 0; i + 1 < merged.size(); ++i) {
      if (merged[i].day == merged[i + 1].day) merged[i].day = -1;
    }
    std::erase_if(merged, [](const StoredBar& s) { return s.day < 0; });
    SqliteStatement drop(db_, "DELETE FROM bars WHERE id BETWEEN ? AND ?");
    drop.Bind(1, BarId(series, low)).Bind(2, BarId(series, high)).Run();
    SqliteStatement insert(db_, "INSERT INTO bars VALUES(?,?)");
    std::vector<StoredBar> block;
    int64_t block_end = 0;
    for (size_t i = 0; i < merged.size(); ++i) {
      if (block.empty()) block_end = YearEndOf(merged[i].day);
      block.push_back(merged[i]);
      if (i + 1 == merged.size() || merged[i + 1].day > block_end) {
        insert.Bind(1, BarId(series, YearOf(block.front().day))).BindBlob(2, EncodeBlock(block)).Run();
        block.clear();
      }
    }
    SqliteStatement event(db_, "INSERT OR REPLACE INTO events VALUES(?,?,?,?,?)");
    for (const QuoteEvent& e : events) {
      event.Bind(1, series).Bind(2, Day(e.date));
      event.Bind(3, std::string_view(e.kind == QuoteEvent::kSplit ? "split" : "dividend"));
      event.Bind(4, e.value).Bind(5, fetch_id).Run();
    }
    SqliteStatement count(db_, "UPDATE fetches SET bars=? WHERE id=?");
    count.Bind(1, static_cast<int64_t>(bars.size())).Bind(2, fetch_id).Run();
    // The days asked for that are over are final now.
    AddCoverage(series, first, std::min(last, now - 1));
    transaction.Commit();
    return true;
  });
}

void QuoteStore::AddCoverage(int64_t series, int64_t first, int64_t last) {
  if (first > last) return;
  // Merged with the ranges they overlap or touch.
  int64_t low = first, high = last;
  SqliteStatement near(db_, "SELECT first, last FROM coverage WHERE series_id=? AND last>=? AND first<=?");
  near.Bind(1, series).Bind(2, low - 1).Bind(3, high + 1);
  while (near.Step()) {
    low = std::min(low, near.Int(0));
    high = std::max(high, near.Int(1));
  }
  near.Reset();
  SqliteStatement forget(db_, "DELETE FROM coverage WHERE series_id=? AND last>=? AND first<=?");
  forget.Bind(1, series).Bind(2, low).Bind(3, high).Run();
  SqliteStatement add(db_, "INSERT INTO coverage VALUES(?,?,?)");
  add.Bind(1, series).Bind(2, low).Bind(3, high).Run();
}

bool QuoteStore::CommitNoBars(const StoreSeriesKey& key, const StoreFetch& fetch, double today) {
  return Guarded(Access::kWrite, false, [&] {
    SqliteTransaction transaction(db_);
    const int64_t series = SeriesId(key, true);
    const int64_t fetch_id = InsertFetch(series, fetch);
    SqliteStatement count(db_, "UPDATE fetches SET bars=0 WHERE id=?");
    count.Bind(1, fetch_id).Run();
    AddCoverage(series, Day(fetch.range_start), std::min(Day(fetch.range_end), Day(today) - 1));
    transaction.Commit();
    return true;
  });
}

void QuoteStore::RecordFailure(const StoreSeriesKey& key, const StoreFetch& fetch) {
  Guarded(Access::kWrite, false, [&] {
    SqliteTransaction transaction(db_);
    InsertFetch(SeriesId(key, true), fetch);
    transaction.Commit();
    return true;
  });
}

void QuoteStore::JournalRow(int row, const std::string& ticker, const std::string& status, bool failed) {
  Guarded(Access::kWrite, false, [&] {
    if (run_id_ == 0) return false;
    SqliteStatement insert(db_, "INSERT OR REPLACE INTO journal VALUES(?,?,?,?,?,?)");
    insert.Bind(1, run_id_).Bind(2, static_cast<int64_t>(row)).Bind(3, ticker).Bind(4, status);
    insert.Bind(5, static_cast<int64_t>(failed ? 1 : 0)).Bind(6, UtcNowText()).Run();
    return true;
  });
}

std::vector<StoreFetchLine> QuoteStore::Provenance(const StoreSeriesKey& key, double start, double end) {
  return Guarded(Access::kRead, std::vector<StoreFetchLine>(), [&] {
    std::vector<StoreFetchLine> lines;
    const int64_t id = SeriesId(key, false);
    if (id == 0) return lines;
    std::map<int64_t, int64_t> bars_of;  // fetch id -> bars
    for (const StoredBar& s : ReadStored(db_, id, Day(start), Day(end))) ++bars_of[s.fetch_id];
    SqliteStatement read(db_, "SELECT id, url, started, finished, body_hash, outcome, range_start, range_end, "
                              "http_status, bytes FROM fetches WHERE id=?");
    for (const auto& [fetch_id, count] : bars_of) {
      read.Reset();
      read.Bind(1, fetch_id);
      if (!read.Step()) continue;
      StoreFetchLine line;
      line.id = read.Int(0);
      line.url = read.Text(1);
      line.started = read.Text(2);
      line.finished = read.Text(3);
      line.body_hash = read.Text(4);
      line.outcome = read.Text(5);
      line.range_start = static_cast<double>(read.Int(6));
      line.range_end = static_cast<double>(read.Int(7));
      line.http_status = static_cast<long>(read.Int(8));
      line.bytes = read.Int(9);
      line.bars = count;
      lines.push_back(line);
    }
    return lines;
  });
}

std::vector<StoreSample> QuoteStore::Samples(int count) {
  return Guarded(Access::kRead, std::vector<StoreSample>(), [&] {
    std::vector<StoreSample> samples;
    SqliteStatement read(db_, "SELECT s.id, s.source, s.symbol, s.exchange FROM series s WHERE EXISTS(SELECT 1 "
                              "FROM bars b WHERE b.id BETWEEN s.id << 22 AND (s.id << 22) + 4194303) "
                              "ORDER BY random()");
    while (static_cast<int>(samples.size()) < count && read.Step()) {
      std::vector<StoredBar> stored = ReadStored(db_, read.Int(0), 0, kLastDay);
      std::erase_if(stored, [](const StoredBar& s) { return !s.final; });
      if (stored.empty()) continue;
      StoreSample sample;
      sample.key = {read.Text(1), read.Text(2), read.Text(3)};
      sample.end = static_cast<double>(stored.back().day);
      sample.start = std::max(sample.end - 30, static_cast<double>(stored.front().day));
      samples.push_back(sample);
    }
    return samples;
  });
}

bool QuoteStore::Vacuum() {
  return Guarded(Access::kWrite, false, [&] {
    db_.Exec("VACUUM");
    return true;
  });
}

std::vector<std::string> QuoteStore::TakeWarnings() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  out.swap(warnings_);
  return out;
}

}  // namespace plrxl
