// Price bars as every source produces them, and what all sources share:
// calendar arithmetic on date serials, periodicity, range filtering,
// weekly/monthly aggregation, price adjustment and the conversion into a
// QuoteResult.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/quote_fetcher.h"

namespace plrxl::quotes {

// One bar. Dates are whole-day serials (days since 30 December 1899).
struct Bar {
  double date = 0;
  double open = 0, high = 0, low = 0, close = 0;
  double volume = 0;
  double open_interest = 0;
  double adj_close = 0;
};
using Bars = std::vector<Bar>;

enum class Periodicity { kDaily, kWeekly, kMonthly };

// "DAILY", "Weekly", "m", ... (words or first letters, any case).
std::optional<Periodicity> ParsePeriodicity(const std::string& text);

// Calendar <-> serial without any table or locale.
double CivilToSerial(int year, int month, int day);
void SerialToCivil(double serial, int* year, int* month, int* day);
// 0 = Monday ... 6 = Sunday.
int WeekdayMon0(double serial);

// Sorts by date, drops duplicate dates (the later one wins) and keeps the
// bars with start <= date <= end.
void SortAndFilter(Bars* bars, double start, double end);
// Groups daily bars into weeks (Monday to Sunday) or months. A group's bar
// has the date of its first bar, the first open, the highest high, the
// lowest low, the last close, adjusted close and open interest, and the sum
// of the volumes. Daily input is returned unchanged.
Bars Aggregate(Bars daily, Periodicity periodicity);
// Scales open, high, low and close by adj_close / close, bar by bar.
void ApplyAdjustment(Bars* bars);
// The result of one series: Date, Open, High, Low, Close, Volume,
// Open Interest, Adjusted Close as columns of doubles, oldest first.
QuoteResult BarsToResult(const std::string& series_name, const Bars& bars);

}  // namespace plrxl::quotes
