// A forwarding QuoteFetcher for tests of the callers (run driver, row
// editor): it passes everything to a real fetcher, except that the Nth
// started request fails with a chosen error, and every request may be held
// back for a while before it reports its end. Shipped code, like the SAMPLE
// source, so any test or demo can use it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/quote_fetcher.h"
#include "quotes/quote_errors.h"

namespace plrxl {

struct FaultPlan {
  int fail_call = 0;  // 1-based count of Start() calls to fail; 0 = none
  int32_t error = kQuoteNetwork;
  std::string description = "Network failure: injected";
  int delay_ms = 0;   // every request reports its end no sooner than this
};

std::unique_ptr<QuoteFetcher> MakeFaultInjectingFetcher(std::unique_ptr<QuoteFetcher> inner,
                                                        const FaultPlan& plan);

}  // namespace plrxl
