// What the next run's downloads will cost, row by row, without asking
// anything: the same decisions the quote component makes when the rows come
// (a row whose range the store holds as final asks nothing; the rows of one
// stored series share the download of the first row that lacks days; other
// web rows each make their own request; SAMPLE, CSV and DDE rows read
// locally).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/quote_fetcher.h"
#include "quotes/quote_settings.h"
#include "quotes/store/quote_store.h"

namespace plrxl {

struct PlannedDownload {
  enum Way { kLocal, kFromStore, kNew, kShared, kUnknownSource };
  std::string source;  // as the fetcher names it, or as given when unknown
  Way way = kNew;
};

// One entry per item, in order. `settings.store` is the store to look into
// (null: none, or `store_kept` says whether the run will keep quotes in a
// store that does not exist yet, so that its rows still share downloads).
std::vector<PlannedDownload> PlanDownloads(const QuoteSettings& settings, const std::vector<PrefetchItem>& items,
                                           bool store_kept);

// The stored series a request would be kept under, with its whole-day
// range; none for a source that is not kept or parameters it refuses.
struct StoredRequest {
  StoreSeriesKey key;
  double start = 0, end = 0;
};
std::optional<StoredRequest> StoredSeriesOf(const QuoteSettings& settings, const PrefetchItem& item);

}  // namespace plrxl
