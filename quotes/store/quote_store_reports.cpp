// What the quote store tells about its runs and itself: the last run of a
// project (for --resume), the series a run fetched, and the summary of
// `store info`.
#include "quotes/store/quote_store.h"

#include "quotes/store/bar_block.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace plrxl {

using quotes::SqliteError;
using quotes::SqliteStatement;

std::optional<StoreRun> QuoteStore::LastRun(const std::string& project) {
  return Guarded(Access::kRead, std::optional<StoreRun>(), [&]() -> std::optional<StoreRun> {
    SqliteStatement last(db_, "SELECT id, command, started, exit_code, (SELECT count(*) FROM journal j WHERE "
                              "j.run_id=runs.id), rows FROM runs WHERE project=? ORDER BY id DESC LIMIT 1");
    last.Bind(1, project);
    if (!last.Step()) return std::nullopt;
    StoreRun run;
    run.id = last.Int(0);
    run.command = last.Text(1);
    run.started = last.Text(2);
    if (!last.IsNull(3)) run.exit_code = static_cast<int>(last.Int(3));
    run.rows_done = static_cast<int>(last.Int(4));
    run.rows = last.Text(5);
    return run;
  });
}

std::vector<std::pair<StoreSeriesKey, std::pair<double, double>>> QuoteStore::FetchedIn(int64_t run_id) {
  return Guarded(Access::kRead, std::vector<std::pair<StoreSeriesKey, std::pair<double, double>>>(), [&] {
    std::vector<std::pair<StoreSeriesKey, std::pair<double, double>>> fetched;
    SqliteStatement read(db_, "SELECT s.source, s.symbol, s.exchange, f.range_start, f.range_end FROM fetches f "
                              "JOIN series s ON s.id=f.series_id WHERE f.run_id=? AND f.outcome='ok'");
    read.Bind(1, run_id);
    while (read.Step()) {
      fetched.push_back({StoreSeriesKey{read.Text(0), read.Text(1), read.Text(2)},
                         {static_cast<double>(read.Int(3)), static_cast<double>(read.Int(4))}});
    }
    return fetched;
  });
}

StoreSummary QuoteStore::Summary() {
  StoreSummary summary;
  std::lock_guard<std::mutex> lock(mutex_);
  summary.read_only = db_.ReadOnly();
  if (off_) return summary;
  try {
    summary.schema = static_cast<int>(db_.QueryInt("PRAGMA user_version"));
    summary.series = db_.QueryInt("SELECT count(*) FROM series");
    SqliteStatement blocks(db_, "SELECT bars FROM bars");
    std::vector<StoredBar> block;
    while (blocks.Step()) {
      block.clear();
      if (!DecodeBlock(blocks.Blob(0), &block)) throw SqliteError(SQLITE_CORRUPT, "a damaged block of bars");
      summary.bars += static_cast<int64_t>(block.size());
      summary.final_bars += std::count_if(block.begin(), block.end(), [](const StoredBar& s) { return s.final; });
    }
    summary.events = db_.QueryInt("SELECT count(*) FROM events");
    summary.fetches = db_.QueryInt("SELECT count(*) FROM fetches");
    summary.failed_fetches = db_.QueryInt("SELECT count(*) FROM fetches WHERE outcome<>'ok'");
    summary.runs = db_.QueryInt("SELECT count(*) FROM runs");
    summary.first_fetch = db_.QueryText("SELECT min(started) FROM fetches");
    summary.last_fetch = db_.QueryText("SELECT max(finished) FROM fetches");
  } catch (const SqliteError& e) {
    SwitchOff(e);
  }
  return summary;
}

}  // namespace plrxl
