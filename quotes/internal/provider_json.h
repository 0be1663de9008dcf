// Readers of the JSON answers of the web providers. Each turns one answer
// body into bars (and events where the provider sends them) or into an error
// number and text; none throws, whatever the input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/quote_fetcher.h"
#include "quotes/internal/bars.h"

namespace plrxl::quotes {

struct ParsedQuotes {
  // A value the answer gives as null is NaN (an empty cell); a bar without
  // a single value is left out and counted here.
  Bars bars;
  int bars_left_out = 0;
  std::vector<QuoteEvent> events;
  std::string time_zone;  // the exchange's zone where the provider names one
};

struct ParseFailure {
  int32_t number = 0;  // a QuoteError
  std::string text;
  // The text is the provider's own error message: what it means depends on
  // the answer's HTTP status as well.
  bool provider_words = false;
};

// The v8 chart answer: {"chart":{"result":[{meta, timestamp, events,
// indicators}], "error": null | {code, description}}}. Time stamps become
// dates in the exchange's own zone (meta.exchangeTimezoneName, else
// meta.gmtoffset). Null values are NaN; a bar null in every field is left out.
bool ParseYahooChart(std::string_view body, ParsedQuotes* out, ParseFailure* failure);

// The daily prices answer: [{"date":"2024-01-02T00:00:00.000Z","open":..,
// "high","low","close","volume","adjClose","divCash","splitFactor"}], or
// {"detail": "..."} on failure.
bool ParseTiingoPrices(std::string_view body, ParsedQuotes* out, ParseFailure* failure);

// The time-series answer: {"Meta Data":{..},"Time Series (Daily)":{"2024-01-02":
// {"1. open":"..", ...}}}. Its notes ("Error Message", "Note",
// "Information") come with status 200 and their words tell what they are:
// its rate limits (kQuoteThrottled), an invalid or missing API key
// (kQuoteMissingKey), an invalid call (an "Error Message":
// kQuoteBadParameter), a premium function (kQuoteHttpStatus, a refusal).
bool ParseAlphaVantageSeries(std::string_view body, ParsedQuotes* out, ParseFailure* failure);

}  // namespace plrxl::quotes
