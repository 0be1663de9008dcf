// What the downloads of one fetcher (one run) share about stored series:
// the ranges the rows handed over ahead will want, so that the first
// download of a series asks for all of them at once; the ranges already
// fetched in this run, which count as fresh even where they are not final;
// the failure of a series' shared download, which every row it covers gets
// without asking again; and one lock a series, so its downloads take turns
// and the later ones find what the first brought.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quotes/internal/source_base.h"
#include "quotes/store/quote_store.h"

namespace plrxl::quotes {

class StoreSession {
 public:
  using Range = std::pair<double, double>;

  // One series' books, guarded by the session. A download of the series
  // holds `turn` from its look into the store to its commit.
  struct Series {
    std::mutex turn;
    std::optional<Range> wanted;  // the union of the ranges rows will ask for
    std::vector<Range> fresh;     // fetched in this run
    std::optional<Range> failed_range;
    Outcome failure;              // of failed_range's download
    // The cancel flags of the rows that still want the series: a row counts
    // from its announcement (or its start) until it ends or is dropped.
    std::vector<const CancelFlag*> holders;
    // True when [start, end] lies within one fresh range.
    bool Fresh(double start, double end) const;
    // True when this run's shared download of [start, end] failed.
    bool Failed(double start, double end) const;
  };

  // The books of `key`, made on first use.
  std::shared_ptr<Series> For(const StoreSeriesKey& key);
  // Widens the range rows of `key` will want, and counts the row whose
  // cancel flag is `row` as one that wants it (until Release).
  void Want(const StoreSeriesKey& key, double start, double end, const CancelFlag* row);
  void Hold(Series& series, const CancelFlag* row);
  void Release(const StoreSeriesKey& key, const CancelFlag* row);
  void Release(Series& series, const CancelFlag* row);
  // True when a row other than `row` still wants the series: its download
  // goes on although `row` was cancelled.
  bool WantedByOthers(Series& series, const CancelFlag* row);
  // Counts [start, end] of `key` as fetched in this run.
  void Fresh(const StoreSeriesKey& key, double start, double end);
  // Runs `f` on the books of a series with the session's lock held.
  template <typename F>
  auto With(Series& series, F f) {
    std::lock_guard<std::mutex> lock(mutex_);
    return f(series);
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Series>> series_;
};

// The series a source's request is kept under.
StoreSeriesKey SeriesKeyOf(SourceBase& source, const RequestInputs& inputs);

}  // namespace plrxl::quotes
