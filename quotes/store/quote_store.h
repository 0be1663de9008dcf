// The local quote store: one SQLite file that keeps, between runs, the bars
// the web sources delivered, with the fetch each came from and whether it is
// final, their split and dividend events, every fetch (address without its
// key, times, status, size, hash of the body, outcome) and every run
// (command, project, start, end, exit code).
//
// A series is what one source delivers for one symbol: daily bars, with the
// provider's adjusted close beside the prices ("raw" adjustment); weekly and
// monthly bars and adjusted prices are made from them on the way out, the
// same way as from a fresh download. Coverage: the days a fetch asked for
// whose bars can no longer change (before the day it ran) are final; a
// request needs the source only for the days of its range outside them.
//
// Failures never stop a run. Open() gives no store, one warning, when the
// file cannot be opened or made; a corrupt file (quick_check) is renamed
// aside with a time stamp and a new one started; a file written by a newer
// schema, or in a folder that cannot be written, is used read only. A write
// that fails (a full disk: SQLITE_FULL) switches the store off for the rest
// of the run with one warning. Several processes may share one file (WAL,
// busy timeout, BEGIN IMMEDIATE). Thread-safe: every call holds one mutex.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quotes/internal/bars.h"
#include "quotes/store/sqlite_db.h"

namespace plrxl {

// The schema this program writes; PRAGMA user_version holds it.
inline constexpr int kQuoteStoreSchema = 2;

// One source's series of one symbol (and exchange, for sources that take one).
struct StoreSeriesKey {
  std::string source;
  std::string symbol;
  std::string exchange;
};

// One download as the store books it. Times are UTC texts.
struct StoreFetch {
  std::string url;  // without its key
  double range_start = 0, range_end = 0;
  std::string started, finished;
  long http_status = 0;
  size_t bytes = 0;
  uint64_t body_hash = 0;
  std::string outcome;  // "ok", or the error text
};

// The newest bar a series has and when the fetch that brought it ran.
struct StoreNewest {
  double bar_date = 0;
  std::string fetched;  // UTC "YYYY-MM-DD HH:MM"
};

// A run as the store booked it.
struct StoreRun {
  int64_t id = 0;
  std::string command;
  std::string started;
  std::optional<int> exit_code;  // none when the run never ended (killed, power loss)
  int rows_done = 0;             // rows journalled as finished
  std::string rows;              // the rows it was asked to run ("3,5-9"); "" for all
};

// What a store holds, for `pelorinxl store info`.
struct StoreSummary {
  int schema = 0;
  bool read_only = false;
  int64_t series = 0, bars = 0, final_bars = 0, events = 0;
  int64_t fetches = 0, failed_fetches = 0, runs = 0;
  std::string first_fetch, last_fetch;  // UTC
};

// One fetch behind stored bars, for provenance.
struct StoreFetchLine {
  int64_t id = 0;
  std::string url, started, finished, body_hash, outcome;
  double range_start = 0, range_end = 0;
  long http_status = 0;
  int64_t bytes = 0;
  int64_t bars = 0;  // of the asked range that still come from it
};

// A stored range of a series to check against the source again.
struct StoreSample {
  StoreSeriesKey key;
  double start = 0, end = 0;
};

struct StoreOpenOptions {
  std::string path;
  // The time stamp a corrupt file's new name gets; UTC now when empty.
  std::function<std::string()> stamp;
  // SQLite's own limit on the file, in pages; 0 = none. Lets tests make a
  // store full without filling a disk.
  int64_t max_page_count = 0;
};

class QuoteStore {
 public:
  // Opens or makes the store; nullptr when there is none to use. Every
  // problem met is appended to `warnings` (one line each).
  static std::shared_ptr<QuoteStore> Open(const StoreOpenOptions& options, std::vector<std::string>* warnings);
  ~QuoteStore();

  const std::string& Path() const { return path_; }
  // False once it is switched off, or when it was opened read only.
  bool Writable();
  // False once it is switched off.
  bool Usable();

  // Books the start of a run and the rows it runs ("" for all); later
  // fetches belong to it. EndRun books its end and exit code.
  void BeginRun(const std::string& command, const std::string& project, const std::string& rows = "");
  void EndRun(int exit_code);

  // The first and last day of [start, end] whose bars are not final in the
  // store; none when all are.
  std::optional<std::pair<double, double>> Missing(const StoreSeriesKey& key, double start, double end);
  // The stored bars and events of [start, end], oldest first.
  quotes::Bars ReadBars(const StoreSeriesKey& key, double start, double end);
  std::vector<QuoteEvent> ReadEvents(const StoreSeriesKey& key, double start, double end);
  std::optional<StoreNewest> Newest(const StoreSeriesKey& key);

  // Books a successful fetch with its bars (over [fetch.range_start,
  // fetch.range_end], replacing what was stored there) and events in one
  // transaction. Bars before `today` are final. `replace_history`: the
  // source re-adjusted the series' history, so every bar, event and final
  // day stored before goes in the same transaction. False when the store
  // could not take it (it is then switched off).
  bool Commit(const StoreSeriesKey& key, const StoreFetch& fetch, const quotes::Bars& bars,
              const std::vector<QuoteEvent>& events, double today, bool replace_history = false);
  // Books a fetch the source answered plainly with "no bars in this range"
  // (a weekend, a holiday): the days of its range before `today` are final,
  // with no bars, and no stored bar changes. False when the store could not
  // take it.
  bool CommitNoBars(const StoreSeriesKey& key, const StoreFetch& fetch, double today);
  // Books a failed fetch.
  void RecordFailure(const StoreSeriesKey& key, const StoreFetch& fetch);

  // Journals a row of the current run as finished, with its status.
  void JournalRow(int row, const std::string& ticker, const std::string& status, bool failed);
  // The last run booked for `project` (an absolute path).
  std::optional<StoreRun> LastRun(const std::string& project);
  // The series and ranges the successful fetches of a run brought.
  std::vector<std::pair<StoreSeriesKey, std::pair<double, double>>> FetchedIn(int64_t run_id);

  StoreSummary Summary();
  // The fetches the stored bars of [start, end] come from, oldest first.
  std::vector<StoreFetchLine> Provenance(const StoreSeriesKey& key, double start, double end);
  // Up to `count` series, each with its newest final days (at most 31).
  std::vector<StoreSample> Samples(int count);
  // Rewrites the file without its free pages; false (and a warning) when it cannot.
  bool Vacuum();

  // Warnings since the last call (switched off, ...), each said once.
  std::vector<std::string> TakeWarnings();

 private:
  QuoteStore(std::string path, quotes::SqliteDb db);
  int64_t SeriesId(const StoreSeriesKey& key, bool create);
  int64_t InsertFetch(int64_t series_id, const StoreFetch& fetch);
  // Counts the days [first, last] of a series as final; mutex_ held, in a
  // transaction.
  void AddCoverage(int64_t series, int64_t first, int64_t last);
  // Switches the store off after a failed write; mutex_ held.
  void SwitchOff(const quotes::SqliteError& error);
  enum class Access { kRead, kWrite };
  // Runs body with mutex_ held while the store is on (and writable, for
  // kWrite) and returns its value; otherwise, or when the store fails
  // (which switches it off), returns fallback.
  template <typename T, typename Body>
  T Guarded(Access access, T fallback, Body body);

  std::mutex mutex_;
  std::string path_;
  quotes::SqliteDb db_;
  bool off_ = false;
  int64_t run_id_ = 0;
  std::vector<std::string> warnings_;
};

// UTC now as "YYYY-MM-DD HH:MM:SS".
std::string UtcNowText();

template <typename T, typename Body>
T QuoteStore::Guarded(Access access, T fallback, Body body) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (off_ || (access == Access::kWrite && db_.ReadOnly())) return fallback;
  try {
    return body();
  } catch (const quotes::SqliteError& e) {
    SwitchOff(e);
    return fallback;
  }
}

// "PROJECT.quotes.db" beside the project workbook "PROJECT.xlsx".
std::string DefaultStorePath(const std::string& workbook_path);

}  // namespace plrxl
