// The makers of the built-in sources, in the order the fetcher lists them,
// and the pieces of them that tests and fuzzers reach directly.
#pragma once

#include <memory>
#include <string>

#include "quotes/internal/source_base.h"
#include "quotes/quote_errors.h"

namespace plrxl::quotes {

std::unique_ptr<SourceBase> MakeSampleSource(FetcherCore* core);
std::unique_ptr<SourceBase> MakeCsvSource(FetcherCore* core);
std::unique_ptr<SourceBase> MakeYahooSource(FetcherCore* core);
std::unique_ptr<SourceBase> MakeStooqSource(FetcherCore* core);
std::unique_ptr<SourceBase> MakeTiingoSource(FetcherCore* core);
std::unique_ptr<SourceBase> MakeAlphaVantageSource(FetcherCore* core);
std::unique_ptr<SourceBase> MakeDdeSource(FetcherCore* core);

// The business-day bars of the synthetic walk for `ticker` from `start` to
// `end`. The walk itself always starts in 1990.
Bars SampleBars(const std::string& ticker, double start, double end);

// Reads a quote file into bars; a failure becomes the outcome's error.
bool ReadCsvFile(const std::string& path, const RegionalSettings& regional, Bars* bars,
                 Outcome* failure);

// The failure for a keyed source whose key is not set.
Outcome MissingKey(const QuoteSettings& settings, const std::string& key_name);

// A provider's own error message that came with HTTP status `status`,
// reported as what it is: a refusal (401, 403), an invalid request (400,
// 422), no data (404, or a 2xx answer), throttling (429) or another status
// the server refused the request with; its words follow.
Outcome ProviderAnswer(int status, const std::string& words);

// Start and end serials as YYYYMMDD / YYYY-MM-DD texts, and as Unix seconds.
std::string CompactDate(double serial);
std::string IsoDate(double serial);
long long UnixSeconds(double serial);

}  // namespace plrxl::quotes
