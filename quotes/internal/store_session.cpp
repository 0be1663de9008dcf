#include "quotes/internal/store_session.h"

#include <algorithm>
#include <cctype>

namespace plrxl::quotes {
namespace {

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Text(const StoreSeriesKey& key) { return key.source + '\x1f' + key.symbol + '\x1f' + key.exchange; }

}  // namespace

bool StoreSession::Series::Fresh(double start, double end) const {
  return std::any_of(fresh.begin(), fresh.end(), [&](const Range& r) { return r.first <= start && end <= r.second; });
}

bool StoreSession::Series::Failed(double start, double end) const {
  return failed_range && failed_range->first <= start && end <= failed_range->second;
}

std::shared_ptr<StoreSession::Series> StoreSession::For(const StoreSeriesKey& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::shared_ptr<Series>& series = series_[Text(key)];
  if (!series) series = std::make_shared<Series>();
  return series;
}

void StoreSession::Want(const StoreSeriesKey& key, double start, double end, const CancelFlag* row) {
  std::shared_ptr<Series> series = For(key);
  std::lock_guard<std::mutex> lock(mutex_);
  series->holders.push_back(row);
  if (!series->wanted) {
    series->wanted = Range{start, end};
  } else {
    series->wanted->first = std::min(series->wanted->first, start);
    series->wanted->second = std::max(series->wanted->second, end);
  }
}

void StoreSession::Hold(Series& series, const CancelFlag* row) {
  std::lock_guard<std::mutex> lock(mutex_);
  series.holders.push_back(row);
}

void StoreSession::Release(const StoreSeriesKey& key, const CancelFlag* row) { Release(*For(key), row); }

void StoreSession::Release(Series& series, const CancelFlag* row) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (auto it = std::find(series.holders.begin(), series.holders.end(), row); it != series.holders.end()) {
    series.holders.erase(it);
  }
}

bool StoreSession::WantedByOthers(Series& series, const CancelFlag* row) {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(series.holders.begin(), series.holders.end(),
                     [&](const CancelFlag* other) { return other != row && !other->cancelled.load(); });
}

void StoreSession::Fresh(const StoreSeriesKey& key, double start, double end) {
  std::shared_ptr<Series> series = For(key);
  std::lock_guard<std::mutex> lock(mutex_);
  series->fresh.emplace_back(start, end);
}

StoreSeriesKey SeriesKeyOf(SourceBase& source, const RequestInputs& in) {
  // EXCHANGE carries any option text; only a source that reads it keeps it.
  const bool has_exchange = source.NewParameters().Exists("EXCHANGE");
  return {source.Name(), in.ticker, has_exchange ? Upper(in.exchange) : ""};
}

}  // namespace plrxl::quotes
