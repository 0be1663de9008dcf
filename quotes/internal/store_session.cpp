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

void StoreSession::Want(const StoreSeriesKey& key, double start, double end) {
  std::shared_ptr<Series> series = For(key);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!series->wanted) {
    series->wanted = Range{start, end};
  } else {
    series->wanted->first = std::min(series->wanted->first, start);
    series->wanted->second = std::max(series->wanted->second, end);
  }
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
