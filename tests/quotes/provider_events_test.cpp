// The splits and dividends each provider reports, read from answers in its
// documented format: the events that make an update rewrite a block.
#include <gtest/gtest.h>

#include <tuple>

#include "quotes/internal/provider_json.h"
#include "tests/quotes/provider_payloads.h"

namespace plrxl::testing {
namespace {

// Daily prices around a 4:1 split (31 August 2020) and a dividend
// (7 August 2020), as the daily prices endpoint answers.
constexpr const char* kTiingoSplit = R"json([
{"date":"2020-08-07T00:00:00.000Z","close":444.45,"high":454.7,"low":441.17,"open":452.82,"volume":49511403,
 "adjClose":110.3,"adjHigh":112.85,"adjLow":109.48,"adjOpen":112.38,"adjVolume":198045612,"divCash":0.82,"splitFactor":1.0},
{"date":"2020-08-28T00:00:00.000Z","close":499.23,"high":505.7,"low":497.77,"open":504.05,"volume":46907479,
 "adjClose":124.07,"adjHigh":125.68,"adjLow":123.71,"adjOpen":125.27,"adjVolume":187629916,"divCash":0.0,"splitFactor":1.0},
{"date":"2020-08-31T00:00:00.000Z","close":129.04,"high":131.0,"low":126.0,"open":127.58,"volume":225702700,
 "adjClose":128.25,"adjHigh":130.19,"adjLow":125.22,"adjOpen":126.79,"adjVolume":225702700,"divCash":0.0,"splitFactor":4.0}
])json";

// The adjusted daily series, newest first, with its dividend amount and
// split coefficient columns.
constexpr const char* kAlphaVantageSplit = R"json({
    "Meta Data": {"1. Information": "Daily Time Series with Splits and Dividend Events", "2. Symbol": "AAPL",
        "3. Last Refreshed": "2020-08-31", "4. Output Size": "Compact", "5. Time Zone": "US/Eastern"},
    "Time Series (Daily)": {
        "2020-08-31": {"1. open": "127.58", "2. high": "131.0", "3. low": "126.0", "4. close": "129.04",
                       "5. adjusted close": "128.25", "6. volume": "225702700", "7. dividend amount": "0.0000",
                       "8. split coefficient": "4.0"},
        "2020-08-28": {"1. open": "504.05", "2. high": "505.77", "3. low": "498.31", "4. close": "499.23",
                       "5. adjusted close": "124.07", "6. volume": "46907479", "7. dividend amount": "0.0000",
                       "8. split coefficient": "1.0"},
        "2020-08-07": {"1. open": "452.82", "2. high": "454.7", "3. low": "441.17", "4. close": "444.45",
                       "5. adjusted close": "110.3", "6. volume": "49511403", "7. dividend amount": "0.8200",
                       "8. split coefficient": "1.0"}}})json";

double Day(int y, int m, int d) { return quotes::CivilToSerial(y, m, d); }

TEST(ProviderEvents, EachParserReadsSplitsAndDividends) {
  using Event = std::tuple<QuoteEvent::Kind, double, double>;
  const struct {
    const char* name;
    bool (*parse)(std::string_view, quotes::ParsedQuotes*, quotes::ParseFailure*);
    const char* body;
    std::vector<Event> events;
  } cases[] = {
      {"chart answer (Sydney)", quotes::ParseYahooChart, kYahooSydney,
       {{QuoteEvent::kSplit, Day(2024, 1, 3), 2}, {QuoteEvent::kDividend, Day(2024, 1, 4), 0.5}}},
      {"daily prices", quotes::ParseTiingoPrices, kTiingoSplit,
       {{QuoteEvent::kDividend, Day(2020, 8, 7), 0.82}, {QuoteEvent::kSplit, Day(2020, 8, 31), 4}}},
      {"adjusted time series", quotes::ParseAlphaVantageSeries, kAlphaVantageSplit,
       {{QuoteEvent::kDividend, Day(2020, 8, 7), 0.82}, {QuoteEvent::kSplit, Day(2020, 8, 31), 4}}},
      {"a series without events", quotes::ParseYahooChart, kYahooNewYork, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    quotes::ParsedQuotes parsed;
    quotes::ParseFailure failure;
    ASSERT_TRUE(c.parse(c.body, &parsed, &failure)) << failure.text;
    std::vector<Event> events;
    for (const QuoteEvent& e : parsed.events) events.emplace_back(e.kind, e.date, e.value);
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return std::get<1>(a) < std::get<1>(b); });
    EXPECT_EQ(events, c.events);
  }
}

}  // namespace
}  // namespace plrxl::testing
