// The quote component: makes the QuoteFetcher the rest of the system talks
// to. Its sources, in this order: SAMPLE, CSV, YAHOOHIST, STOOQ, TIINGO,
// ALPHAVANTAGE, DDE.
#pragma once

#include <memory>

#include "host/quote_fetcher.h"
#include "quotes/quote_settings.h"

namespace plrxl {

std::unique_ptr<QuoteFetcher> MakeQuoteFetcher(const QuoteSettings& settings);

}  // namespace plrxl
