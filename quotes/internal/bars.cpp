#include "quotes/internal/bars.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "host/regional.h"

namespace plrxl::quotes {
namespace {

std::string Upper(const std::string& s) {
  std::string out = s;
  for (auto& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::optional<Periodicity> ParsePeriodicity(const std::string& text) {
  std::string t = Upper(text);
  while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.pop_back();
  while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front()))) t.erase(t.begin());
  if (t == "D" || t == "DAILY" || t == "DAY") return Periodicity::kDaily;
  if (t == "W" || t == "WEEKLY" || t == "WEEK") return Periodicity::kWeekly;
  if (t == "M" || t == "MONTHLY" || t == "MONTH") return Periodicity::kMonthly;
  return std::nullopt;
}

// Quotes are modern dates, where the host's calendar and the proleptic
// Gregorian one agree.
double CivilToSerial(int year, int month, int day) { return DateSerial(year, month, day); }

void SerialToCivil(double serial, int* year, int* month, int* day) {
  SplitDate(std::floor(serial), year, month, day);
}

int WeekdayMon0(double serial) {
  // Serial 2 (1900-01-01) was a Monday.
  long long d = static_cast<long long>(std::floor(serial)) - 2;
  return static_cast<int>(((d % 7) + 7) % 7);
}

void SortAndFilter(Bars* bars, double start, double end) {
  auto earlier = [](const Bar& a, const Bar& b) { return a.date < b.date; };
  // Most sources deliver their bars in order already: no sort buffer then.
  if (!std::is_sorted(bars->begin(), bars->end(), earlier)) std::stable_sort(bars->begin(), bars->end(), earlier);
  // Kept bars move to the front, in place.
  size_t kept = 0;
  for (size_t i = 0; i < bars->size(); ++i) {
    const Bar& b = (*bars)[i];
    if (b.date < start || b.date > end) continue;
    if (kept > 0 && (*bars)[kept - 1].date == b.date) {
      (*bars)[kept - 1] = b;
    } else {
      (*bars)[kept++] = b;
    }
  }
  bars->resize(kept);
}

Bars Aggregate(Bars daily, Periodicity periodicity) {
  if (periodicity == Periodicity::kDaily) return daily;
  auto group_of = [periodicity](double date) -> long long {
    if (periodicity == Periodicity::kWeekly) {
      return static_cast<long long>(std::floor(date)) - WeekdayMon0(date);
    }
    int y, m, d;
    SerialToCivil(date, &y, &m, &d);
    return static_cast<long long>(y) * 12 + m;
  };
  Bars out;
  long long current = 0;
  for (const Bar& b : daily) {
    const long long g = group_of(b.date);
    if (out.empty() || g != current) {
      out.push_back(b);
      current = g;
      continue;
    }
    Bar& agg = out.back();
    // A missing value (NaN) of one day leaves the others to decide.
    agg.high = std::isnan(agg.high) ? b.high : (std::isnan(b.high) ? agg.high : std::max(agg.high, b.high));
    agg.low = std::isnan(agg.low) ? b.low : (std::isnan(b.low) ? agg.low : std::min(agg.low, b.low));
    agg.close = b.close;
    agg.adj_close = b.adj_close;
    agg.open_interest = b.open_interest;
    agg.volume = std::isnan(agg.volume) ? b.volume : (std::isnan(b.volume) ? agg.volume : agg.volume + b.volume);
  }
  return out;
}

void ApplyAdjustment(Bars* bars) {
  for (Bar& b : *bars) {
    if (b.close == 0 || std::isnan(b.close) || std::isnan(b.adj_close)) continue;
    const double f = b.adj_close / b.close;
    b.open *= f;
    b.high *= f;
    b.low *= f;
    b.close = b.adj_close;
  }
}

QuoteResult BarsToResult(const std::string& series_name, const Bars& bars) {
  const size_t n = bars.size();
  std::vector<double> date(n), open(n), high(n), low(n), close(n), volume(n), oi(n), adj(n);
  for (size_t i = 0; i < n; ++i) {
    const Bar& b = bars[i];
    date[i] = b.date;
    open[i] = b.open;
    high[i] = b.high;
    low[i] = b.low;
    close[i] = b.close;
    volume[i] = b.volume;
    oi[i] = b.open_interest;
    adj[i] = b.adj_close;
  }
  ResultSeries s;
  s.name = series_name;
  s.fields.reserve(8);
  s.fields.push_back(ResultField::Column(kFieldDate, std::move(date), true));
  s.fields.push_back(ResultField::Column(kFieldOpen, std::move(open)));
  s.fields.push_back(ResultField::Column(kFieldHigh, std::move(high)));
  s.fields.push_back(ResultField::Column(kFieldLow, std::move(low)));
  s.fields.push_back(ResultField::Column(kFieldClose, std::move(close)));
  s.fields.push_back(ResultField::Column(kFieldVolume, std::move(volume)));
  s.fields.push_back(ResultField::Column(kFieldOpenInterest, std::move(oi)));
  s.fields.push_back(ResultField::Column(kFieldAdjustedClose, std::move(adj)));
  QuoteResult r;
  r.series.push_back(std::move(s));
  return r;
}

}  // namespace plrxl::quotes
