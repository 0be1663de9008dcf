// Bars that look wrong, found and named, never changed silently: a price
// about 100 times its neighbours' (a quote in pence among pounds), a zero or
// missing price, a high below the body or a low above it, a volume of zero
// while the price moved, and a weekday without a bar on which the
// exchange had a session. Only `RepairUnit100` changes values, and only
// when a person asks for it.
#pragma once

#include <string>
#include <vector>

#include "quotes/history/overlap_check.h"

namespace plrxl::history {

enum class SuspectRule { kJump100, kNoPrice, kHighBelowBody, kLowAboveBody, kFlatVolumeMove, kMissingSession };

// The catalogue of rules: what check-data prints for each and its help.
struct SuspectRuleInfo {
  SuspectRule rule;
  const char* name;
  const char* description;
};
inline constexpr SuspectRuleInfo kSuspectRules[] = {
    {SuspectRule::kJump100, "jump", "a price about 100 times (or a hundredth of) the median of its neighbours"},
    {SuspectRule::kNoPrice, "no-price", "an open, high, low or close that is zero or missing"},
    {SuspectRule::kHighBelowBody, "high-below", "a high below the larger of open and close"},
    {SuspectRule::kLowAboveBody, "low-above", "a low above the smaller of open and close"},
    {SuspectRule::kFlatVolumeMove, "zero-volume", "a volume of zero while the close moved"},
    {SuspectRule::kMissingSession, "missing-day", "no bar on a weekday the exchange was open"},
};
const SuspectRuleInfo& RuleInfo(SuspectRule rule);

struct SuspectBar {
  double date = 0;  // the bar's day (the missing day for kMissingSession)
  SuspectRule rule = SuspectRule::kJump100;
  std::string detail;  // "close 5012 is 100x the neighbours' median 50.12"
};

// The exchanges whose sessions are known: their weekdays without a session.
enum class Calendar { kNone, kNewYork, kLondon, kXetra };
// The calendar of a ticker by its suffix ("AAPL", "AAPL.US" New York;
// "VOD.L", "VOD.UK" London; "SAP.DE", "SAP.F" Xetra); kNone for others.
Calendar CalendarOfTicker(const std::string& ticker);
// True when `day` (a whole-day serial) is a weekday without a session.
bool IsHoliday(Calendar calendar, double day);

// The suspect bars of a series (oldest first, one bar a day or a period).
// The missing-session rule runs only for daily bars of a known calendar.
std::vector<SuspectBar> FindSuspectBars(const std::vector<CheckedBar>& bars, Calendar calendar, bool daily);

// "3 suspect bars", "1 suspect bar"
std::string SuspectCountText(size_t count);

// Scales back by 100 the prices of each bar about 100 times (or a
// hundredth of) its neighbours' median; returns the days repaired.
std::vector<double> RepairUnit100(std::vector<CheckedBar>* bars);

}  // namespace plrxl::history
