#include "quotes/history/bar_checks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>

#include "host/regional.h"

namespace plrxl::history {
namespace {

bool Known(double x) { return !std::isnan(x); }

std::string Number(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", x);
  return text;
}

// Neighbours taken on each side for the median.
constexpr int kNeighbours = 2;
// A price this many times its neighbours' median, or this fraction of it, is a jump.
constexpr double kJumpRatio = 50;
// What a repair takes for a unit slip: 100 within these bounds.
constexpr double kUnitLow = 70, kUnitHigh = 140;

// The close divided by the median close of up to kNeighbours known bars on
// each side; none without two neighbours.
std::optional<double> RatioToNeighbours(const std::vector<CheckedBar>& bars, size_t i) {
  if (!Known(bars[i].close) || bars[i].close <= 0) return std::nullopt;
  std::vector<double> near;
  for (int step = -kNeighbours; step <= kNeighbours; ++step) {
    const long j = static_cast<long>(i) + step;
    if (step == 0 || j < 0 || j >= static_cast<long>(bars.size())) continue;
    const double c = bars[static_cast<size_t>(j)].close;
    if (Known(c) && c > 0) near.push_back(c);
  }
  if (near.size() < 2) return std::nullopt;
  std::sort(near.begin(), near.end());
  const size_t n = near.size();
  const double median = n % 2 ? near[n / 2] : (near[n / 2 - 1] + near[n / 2]) / 2;
  return bars[i].close / median;
}

// 1 = Monday ... 5 = Friday, 6 and 7 the weekend.
int IsoWeekday(double day) { return (Weekday(day) + 5) % 7 + 1; }

// The n-th (1-based) weekday `iso` of a month; n = -1 the last.
double NthWeekday(int year, int month, int iso, int n) {
  if (n > 0) {
    const double first = DateSerial(year, month, 1);
    return first + (iso - IsoWeekday(first) + 7) % 7 + 7 * (n - 1);
  }
  const double last = DateSerial(month == 12 ? year + 1 : year, month == 12 ? 1 : month + 1, 1) - 1;
  return last - (IsoWeekday(last) - iso + 7) % 7;
}

double EasterSunday(int year) {
  // The Gregorian computus (Meeus/Jones/Butcher).
  const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
  const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
  const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7, m = (a + 11 * h + 22 * l) / 451;
  const int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
  return DateSerial(year, month, day);
}

// A fixed-date holiday moved off the weekend: Saturday to Friday, Sunday to Monday.
double Observed(double day) {
  const int wd = IsoWeekday(day);
  return wd == 6 ? day - 1 : wd == 7 ? day + 1 : day;
}

// Closures outside the yearly rules (national mourning, storms, royal events).
struct Closure {
  Calendar calendar;
  int year, month, day;
};
constexpr Closure kClosures[] = {
    {Calendar::kNewYork, 2001, 9, 11}, {Calendar::kNewYork, 2001, 9, 12}, {Calendar::kNewYork, 2001, 9, 13},
    {Calendar::kNewYork, 2001, 9, 14}, {Calendar::kNewYork, 2004, 6, 11}, {Calendar::kNewYork, 2007, 1, 2},
    {Calendar::kNewYork, 2012, 10, 29}, {Calendar::kNewYork, 2012, 10, 30}, {Calendar::kNewYork, 2018, 12, 5},
    {Calendar::kNewYork, 2025, 1, 9},  {Calendar::kLondon, 2011, 4, 29},  {Calendar::kLondon, 2012, 6, 4},
    {Calendar::kLondon, 2012, 6, 5},   {Calendar::kLondon, 2022, 6, 2},   {Calendar::kLondon, 2022, 6, 3},
    {Calendar::kLondon, 2022, 9, 19},  {Calendar::kLondon, 2023, 5, 8},
};

bool NewYorkHoliday(int year, double day) {
  // New Year's Day on a Saturday is not made up on the Friday before.
  const double new_year = DateSerial(year, 1, 1);
  if (day == (IsoWeekday(new_year) == 7 ? new_year + 1 : new_year)) return true;
  if (day == NthWeekday(year, 1, 1, 3) || day == NthWeekday(year, 2, 1, 3)) return true;  // King, Presidents
  if (day == EasterSunday(year) - 2) return true;                                          // Good Friday
  if (day == NthWeekday(year, 5, 1, -1)) return true;                                      // Memorial Day
  if (year >= 2022 && day == Observed(DateSerial(year, 6, 19))) return true;               // Juneteenth
  if (day == Observed(DateSerial(year, 7, 4))) return true;
  if (day == NthWeekday(year, 9, 1, 1) || day == NthWeekday(year, 11, 4, 4)) return true;  // Labor, Thanksgiving
  return day == Observed(DateSerial(year, 12, 25));
}

bool LondonHoliday(int year, double day) {
  // New Year's Day, Christmas and Boxing Day move to the next weekdays.
  const double new_year = DateSerial(year, 1, 1);
  const int ny = IsoWeekday(new_year);
  if (day == (ny == 6 ? new_year + 2 : ny == 7 ? new_year + 1 : new_year)) return true;
  const double easter = EasterSunday(year);
  if (day == easter - 2 || day == easter + 1) return true;
  const double early_may = year == 2020 ? DateSerial(2020, 5, 8) : year == 1995 ? DateSerial(1995, 5, 8)
                                                                                : NthWeekday(year, 5, 1, 1);
  if (day == early_may) return true;
  if (year != 2002 && year != 2012 && year != 2022 && day == NthWeekday(year, 5, 1, -1)) return true;
  if (day == NthWeekday(year, 8, 1, -1)) return true;
  const double christmas = DateSerial(year, 12, 25);
  const int xmas = IsoWeekday(christmas);
  // Christmas on a Saturday: Monday and Tuesday; on a Sunday: Tuesday (Boxing Day the Monday); on a Friday: Boxing Day the Monday.
  if (xmas <= 5 && day == christmas) return true;
  if (xmas == 6 && (day == christmas + 2 || day == christmas + 3)) return true;
  if (xmas == 7 && (day == christmas + 1 || day == christmas + 2)) return true;
  if (xmas <= 4 && day == christmas + 1) return true;
  if (xmas == 5 && day == christmas + 3) return true;
  return false;
}

bool XetraHoliday(int year, double day) {
  const double easter = EasterSunday(year);
  if (day == easter - 2 || day == easter + 1) return true;
  for (const auto& [m, d] : {std::pair{1, 1}, {5, 1}, {12, 24}, {12, 25}, {12, 26}, {12, 31}}) {
    if (day == DateSerial(year, m, d)) return true;
  }
  return false;
}

}  // namespace

const SuspectRuleInfo& RuleInfo(SuspectRule rule) {
  for (const SuspectRuleInfo& info : kSuspectRules) {
    if (info.rule == rule) return info;
  }
  return kSuspectRules[0];
}

Calendar CalendarOfTicker(const std::string& ticker) {
  const size_t dot = ticker.rfind('.');
  if (dot == std::string::npos) return Calendar::kNewYork;
  std::string suffix = ticker.substr(dot + 1);
  for (char& ch : suffix) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  static const struct {
    const char* suffix;
    Calendar calendar;
  } kSuffixes[] = {{"US", Calendar::kNewYork}, {"L", Calendar::kLondon}, {"UK", Calendar::kLondon},
                   {"DE", Calendar::kXetra},   {"F", Calendar::kXetra}};
  for (const auto& s : kSuffixes) {
    if (suffix == s.suffix) return s.calendar;
  }
  return Calendar::kNone;
}

bool IsHoliday(Calendar calendar, double day) {
  day = std::floor(day);
  if (calendar == Calendar::kNone || IsoWeekday(day) > 5) return false;
  for (const Closure& c : kClosures) {
    if (c.calendar == calendar && day == DateSerial(c.year, c.month, c.day)) return true;
  }
  int year = 0, month = 0, dom = 0;
  SplitDate(day, &year, &month, &dom);
  switch (calendar) {
    case Calendar::kNewYork:
      return NewYorkHoliday(year, day);
    case Calendar::kLondon:
      return LondonHoliday(year, day);
    case Calendar::kXetra:
      return XetraHoliday(year, day);
    case Calendar::kNone:
      break;
  }
  return false;
}

std::vector<SuspectBar> FindSuspectBars(const std::vector<CheckedBar>& bars, Calendar calendar, bool daily) {
  std::vector<SuspectBar> found;
  // Price fields the series has at all: a column the sheet does not show is no missing price.
  bool has[4] = {false, false, false, false};
  constexpr double CheckedBar::*kFields[] = {&CheckedBar::open, &CheckedBar::high, &CheckedBar::low,
                                             &CheckedBar::close};
  constexpr const char* kNames[] = {"open", "high", "low", "close"};
  for (const CheckedBar& b : bars) {
    for (int f = 0; f < 4; ++f) has[f] = has[f] || Known(b.*kFields[f]);
  }
  for (size_t i = 0; i < bars.size(); ++i) {
    const CheckedBar& b = bars[i];
    if (daily && calendar != Calendar::kNone && i > 0) {
      for (double day = std::floor(bars[i - 1].date) + 1; day < std::floor(b.date); ++day) {
        if (IsoWeekday(day) <= 5 && !IsHoliday(calendar, day)) {
          found.push_back({day, SuspectRule::kMissingSession, "no bar on " + DayText(day)});
        }
      }
    }
    bool priced = true;
    for (int f = 0; f < 4; ++f) {
      const double x = b.*kFields[f];
      if (!has[f] || (Known(x) && x > 0)) continue;
      found.push_back({b.date, SuspectRule::kNoPrice, std::string(kNames[f]) + (Known(x) ? " is " + Number(x) : " is missing")});
      priced = false;
    }
    if (!priced) continue;
    if (const std::optional<double> ratio = RatioToNeighbours(bars, i); ratio && (*ratio >= kJumpRatio || *ratio <= 1 / kJumpRatio)) {
      found.push_back({b.date, SuspectRule::kJump100,
                       "close " + Number(b.close) + " is " + Number(*ratio) + " times its neighbours' median"});
    }
    if (Known(b.open) && Known(b.close)) {
      if (Known(b.high) && b.high < std::max(b.open, b.close) * (1 - 1e-9)) {
        found.push_back({b.date, SuspectRule::kHighBelowBody,
                         "high " + Number(b.high) + " below " + Number(std::max(b.open, b.close))});
      }
      if (Known(b.low) && b.low > std::min(b.open, b.close) * (1 + 1e-9)) {
        found.push_back({b.date, SuspectRule::kLowAboveBody,
                         "low " + Number(b.low) + " above " + Number(std::min(b.open, b.close))});
      }
    }
    if (i > 0 && Known(b.volume) && b.volume == 0 && Known(bars[i - 1].close) && Known(b.close) &&
        std::fabs(b.close - bars[i - 1].close) > kPriceTolerance * std::fabs(bars[i - 1].close)) {
      found.push_back({b.date, SuspectRule::kFlatVolumeMove,
                       "volume 0 while the close moved from " + Number(bars[i - 1].close) + " to " + Number(b.close)});
    }
  }
  std::stable_sort(found.begin(), found.end(), [](const SuspectBar& a, const SuspectBar& b) { return a.date < b.date; });
  return found;
}

std::string SuspectCountText(size_t count) {
  return GroupedCount(static_cast<long>(count)) + (count == 1 ? " suspect bar" : " suspect bars");
}

std::vector<double> RepairUnit100(std::vector<CheckedBar>* bars) {
  // Found on the original series first, so one repair does not shift another's median.
  std::vector<std::pair<size_t, double>> slips;
  for (size_t i = 0; i < bars->size(); ++i) {
    const std::optional<double> ratio = RatioToNeighbours(*bars, i);
    if (!ratio) continue;
    if (*ratio >= kUnitLow && *ratio <= kUnitHigh) slips.emplace_back(i, 0.01);
    if (*ratio >= 1 / kUnitHigh && *ratio <= 1 / kUnitLow) slips.emplace_back(i, 100);
  }
  std::vector<double> days;
  for (const auto& [i, scale] : slips) {
    CheckedBar& b = (*bars)[i];
    for (double CheckedBar::*f : {&CheckedBar::open, &CheckedBar::high, &CheckedBar::low, &CheckedBar::close,
                                  &CheckedBar::adj_close}) {
      // Divided rather than multiplied by 0.01: 5012.5 / 100 is 50.125 exactly.
      if (Known(b.*f)) b.*f = scale > 1 ? b.*f * scale : b.*f / 100;
    }
    days.push_back(b.date);
  }
  return days;
}

}  // namespace plrxl::history
