#include "quotes/download_plan.h"

#include <map>
#include <set>

#include "quotes/internal/fetcher_core.h"
#include "quotes/internal/sources.h"
#include "quotes/internal/store_session.h"
#include "quotes/quote_component.h"
#include "quotes/store/quote_store.h"

namespace plrxl {

std::vector<PlannedDownload> PlanDownloads(const QuoteSettings& settings, const std::vector<PrefetchItem>& items,
                                           bool store_kept) {
  std::unique_ptr<QuoteFetcher> fetcher = MakeQuoteFetcher(settings);
  QuoteStore* store = settings.store.get();
  const bool kept = store_kept || store != nullptr;
  std::vector<PlannedDownload> plan;
  std::set<std::string> asked;  // series whose download an earlier row makes
  for (const PrefetchItem& item : items) {
    PlannedDownload entry;
    entry.source = item.source;
    auto* source = dynamic_cast<quotes::SourceBase*>(fetcher->FindSource(item.source));
    quotes::RequestInputs inputs;
    std::string error;
    if (source == nullptr) {
      entry.way = PlannedDownload::kUnknownSource;
      plan.push_back(entry);
      continue;
    }
    entry.source = source->Name();
    ParameterSet params = source->NewParameters();
    for (const auto& [name, value] : item.parameters) {
      if (RequestParameter* p = params.Find(name)) p->SetValue(value);
    }
    if (!source->Stored()) {
      entry.way = PlannedDownload::kLocal;
    } else if (!source->ReadInputs(params, &inputs, &error)) {
      entry.way = PlannedDownload::kLocal;  // fails at once, without a request
    } else if (!kept) {
      entry.way = PlannedDownload::kNew;
    } else {
      const StoreSeriesKey key = quotes::SeriesKeyOf(*source, inputs);
      const std::string series = key.source + '\x1f' + key.symbol + '\x1f' + key.exchange;
      if (store != nullptr && !store->Missing(key, inputs.start, inputs.end)) {
        entry.way = PlannedDownload::kFromStore;
      } else {
        entry.way = asked.insert(series).second ? PlannedDownload::kNew : PlannedDownload::kShared;
      }
    }
    plan.push_back(entry);
  }
  return plan;
}

std::optional<StoredRequest> StoredSeriesOf(const QuoteSettings& settings, const PrefetchItem& item) {
  std::unique_ptr<QuoteFetcher> fetcher = MakeQuoteFetcher(settings);
  auto* source = dynamic_cast<quotes::SourceBase*>(fetcher->FindSource(item.source));
  if (source == nullptr || !source->Stored()) return std::nullopt;
  ParameterSet params = source->NewParameters();
  for (const auto& [name, value] : item.parameters) {
    if (RequestParameter* p = params.Find(name)) p->SetValue(value);
  }
  quotes::RequestInputs inputs;
  std::string error;
  if (!source->ReadInputs(params, &inputs, &error)) return std::nullopt;
  return StoredRequest{quotes::SeriesKeyOf(*source, inputs), inputs.start, inputs.end};
}

}  // namespace plrxl
