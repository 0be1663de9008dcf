// The request limits of the web sources: the published defaults as one
// table, and the text form users write them in ("50/h,1000/d,500sym/mo"),
// on the command line (--budget) and in the settings file (key Budget of
// section "Sources").
//
// A limit text is a comma-separated list of N/UNIT terms:
//   N/s, N/min   a rate: at most N at once, then N a second (a minute)
//   N/h, N/d, N/mo   at most N requests in the UTC hour, day, month
//   Nsym/mo      at most N distinct symbols in the UTC month
// or "none" (no limit at all). A budget text names sources:
// "TIINGO=50/h,1000/d; ALPHAVANTAGE=25/d".
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace plrxl {

struct BudgetLimits {
  double rate_per_s = 0;  // 0: no rate
  double burst = 1;       // requests the rate lets go at once
  int64_t per_hour = 0, per_day = 0, per_month = 0;  // 0: no such window
  int64_t symbols_per_month = 0;
  bool Any() const { return rate_per_s > 0 || per_hour > 0 || per_day > 0 || per_month > 0 || symbols_per_month > 0; }
  bool operator==(const BudgetLimits&) const = default;
};

// A source's published limits. They hold for the provider's own address;
// a source pointed at another one (a proxy, a mirror, a test server) has
// none unless the user sets them.
struct PublishedLimits {
  const char* source;
  const char* limits;  // in the text form above
  const char* origin;  // where the numbers come from
};

inline constexpr PublishedLimits kPublishedLimits[] = {
    {"YAHOOHIST", "2/s", "publishes no limit and blocks addresses that ask too fast"},
    {"STOOQ", "1/s", "publishes no number; says \"Exceeded the daily hits limit\" when its day is used up"},
    {"TIINGO", "50/h,1000/d,500sym/mo", "the free plan: 50 an hour, 1,000 a day, 500 distinct symbols a month"},
    {"ALPHAVANTAGE", "25/d", "the free key: 25 requests a day"},
};

// Reads one source's limit text; nullopt with `error` set when it is not one.
std::optional<BudgetLimits> ParseBudgetLimits(const std::string& text, std::string* error);

// Reads a budget text into `out` (source names in upper case; a later
// source overrides an earlier one). False with `error` set on a bad text,
// and `out` is then unchanged.
bool ParseBudgetText(const std::string& text, std::map<std::string, BudgetLimits>* out, std::string* error);

// The limit text of `limits` ("50/h,1000/d,500sym/mo"; "none").
std::string BudgetLimitsText(const BudgetLimits& limits);

// Reads a duration "90s", "15m", "2h", "1d" (a bare number is seconds)
// into milliseconds; nullopt when it is not one.
std::optional<int64_t> ParseDurationMs(const std::string& text);

}  // namespace plrxl
