#include "quotes/quote_component.h"

#include "quotes/internal/fetcher_core.h"
#include "quotes/internal/sources.h"

namespace plrxl {
namespace {

class Fetcher : public QuoteFetcher {
 public:
  explicit Fetcher(const QuoteSettings& settings)
      : core_(std::make_shared<quotes::FetcherCore>(settings)) {
    using Maker = std::unique_ptr<quotes::SourceBase> (*)(quotes::FetcherCore*);
    static constexpr Maker kMakers[] = {
        quotes::MakeSampleSource, quotes::MakeCsvSource,          quotes::MakeYahooSource,
        quotes::MakeStooqSource,  quotes::MakeTiingoSource,       quotes::MakeAlphaVantageSource,
        quotes::MakeDdeSource,
    };
    for (Maker make : kMakers) core_->Sources().push_back(make(core_.get()));
  }

  // Requests may outlive the fetcher; downloads nobody took over end here.
  ~Fetcher() override { core_->CancelPrefetched(); }

  int SourceCount() const override { return static_cast<int>(core_->Sources().size()); }
  QuoteSource* Source(int index) override {
    if (index < 0 || index >= SourceCount()) return nullptr;
    return core_->Sources()[static_cast<size_t>(index)].get();
  }
  QuoteSource* FindSource(const std::string& name) override { return core_->FindSource(name); }
  void Prefetch(const std::vector<PrefetchItem>& items) override { core_->Prefetch(items); }
  void CancelAll() override { core_->CancelAll(); }

 private:
  std::shared_ptr<quotes::FetcherCore> core_;
};

}  // namespace

std::unique_ptr<QuoteFetcher> MakeQuoteFetcher(const QuoteSettings& settings) {
  return std::make_unique<Fetcher>(settings);
}

}  // namespace plrxl
