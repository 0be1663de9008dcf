#include "quotes/history/overlap_check.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "host/regional.h"

namespace plrxl::history {
namespace {

bool Known(double x) { return !std::isnan(x); }

bool NearlyEqual(double a, double b, double tolerance) {
  return std::fabs(a - b) <= tolerance * std::max(std::fabs(a), std::fabs(b));
}

// The price fields of a bar, in one order.
constexpr double CheckedBar::*kPrices[] = {&CheckedBar::open, &CheckedBar::high, &CheckedBar::low,
                                           &CheckedBar::close, &CheckedBar::adj_close};

bool SameBar(const CheckedBar& a, const CheckedBar& b) {
  for (auto field : kPrices) {
    if (Known(a.*field) && Known(b.*field) && !NearlyEqual(a.*field, b.*field, kPriceTolerance)) return false;
  }
  return !(Known(a.volume) && Known(b.volume) && !NearlyEqual(a.volume, b.volume, kVolumeTolerance));
}

// A scaled price keeps the provider's rounding: the factor holds within a
// thousandth, or half a cent, whichever is more.
bool ScaledBy(double held, double fresh, double factor) {
  return std::fabs(fresh - held * factor) <= std::max(1e-3 * std::fabs(fresh), 0.005);
}

// The fields of `fresh` scaled by `factor` against `held` (a bit each), or
// -1 when a field is neither scaled nor equal. The rounding allowance may
// make a field both; it then counts as equal.
int ScaledFields(const CheckedBar& held, const CheckedBar& fresh, double factor) {
  int mask = 0;
  for (int i = 0; i < 5; ++i) {
    const double h = held.*kPrices[i], f = fresh.*kPrices[i];
    if (!Known(h) || !Known(f)) continue;
    if (NearlyEqual(h, f, kPriceTolerance)) continue;
    if (!ScaledBy(h, f, factor)) return -1;
    mask |= 1 << i;
  }
  return mask;
}

// The ratio of the first price field that differs.
double FirstRatio(const CheckedBar& held, const CheckedBar& fresh) {
  for (auto field : kPrices) {
    const double h = held.*field, f = fresh.*field;
    if (Known(h) && Known(f) && h != 0 && !NearlyEqual(h, f, kPriceTolerance)) return f / h;
  }
  return 1;
}

}  // namespace

OverlapCheck CompareOverlap(const std::vector<CheckedBar>& held, const std::vector<CheckedBar>& fresh) {
  OverlapCheck check;
  if (held.empty() || fresh.empty()) return check;
  std::map<double, const CheckedBar*> fresh_by_day, held_by_day;
  for (const CheckedBar& bar : fresh) fresh_by_day[bar.date] = &bar;
  for (const CheckedBar& bar : held) held_by_day[bar.date] = &bar;
  const double first = std::max(held.front().date, fresh.front().date);
  const double last = std::min(held.back().date, fresh.back().date);

  std::vector<std::pair<const CheckedBar*, const CheckedBar*>> pairs;  // (held, fresh) oldest first
  for (const auto& [day, bar] : held_by_day) {
    if (day < first || day > last) continue;
    auto match = fresh_by_day.find(day);
    if (match == fresh_by_day.end()) {
      check.verdict = Verdict::kReshaped;
      check.reason = "the bar of " + DayText(day) + " is gone";
      return check;
    }
    pairs.emplace_back(bar, match->second);
  }
  for (const auto& [day, bar] : fresh_by_day) {
    if (day >= first && day <= last && !held_by_day.count(day)) {
      check.verdict = Verdict::kReshaped;
      check.reason = "a new bar on " + DayText(day);
      return check;
    }
  }
  check.compared = static_cast<int>(pairs.size());

  std::vector<size_t> differing;
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (!SameBar(*pairs[i].first, *pairs[i].second)) differing.push_back(i);
  }
  if (differing.empty()) return check;

  // One factor for the oldest bars: a history the source re-adjusted.
  const bool prefix = differing.back() == differing.size() - 1;
  const bool enough = differing.size() >= 2 || differing.size() == pairs.size();
  if (prefix && enough) {
    const double factor = FirstRatio(*pairs[0].first, *pairs[0].second);
    int fields = -2;
    bool one_factor = !FactorKind(factor).empty();
    for (size_t i : differing) {
      if (!one_factor) break;
      const int mask = ScaledFields(*pairs[i].first, *pairs[i].second, factor);
      one_factor = mask > 0 && (fields == -2 || fields == mask);
      fields = mask;
    }
    if (one_factor) {
      check.verdict = Verdict::kReadjusted;
      check.factor = factor;
      if (differing.size() < pairs.size()) check.since = pairs[differing.size()].first->date;
      return check;
    }
  }
  check.verdict = Verdict::kCorrected;
  for (size_t i : differing) check.changed.push_back(pairs[i].first->date);
  return check;
}

std::string FactorKind(double factor) {
  if (!(factor > 0) || NearlyEqual(factor, 1, kPriceTolerance)) return "";
  if (factor >= 0.9 && factor < 1) return "dividend";
  // A split of new:old shares scales older prices by old / new. Splits are
  // n:1 or 1:n, or between small numbers (3:2, 5:4).
  for (int old_shares = 1; old_shares <= 100; ++old_shares) {
    for (int new_shares = 1; new_shares <= 100; ++new_shares) {
      if (old_shares != 1 && new_shares != 1 && (old_shares > 10 || new_shares > 10)) continue;
      const double ratio = static_cast<double>(old_shares) / new_shares;
      if (NearlyEqual(ratio, factor, 1e-3)) {
        return "split " + std::to_string(new_shares) + ":" + std::to_string(old_shares);
      }
    }
  }
  return "";
}

double SplitFactor(double ratio) { return ratio > 0 ? 1 / ratio : 1; }

double DividendFactor(double amount, double ex_day, const std::vector<CheckedBar>& bars) {
  double close_before = kNoValue;
  for (const CheckedBar& bar : bars) {
    if (bar.date >= ex_day) break;
    if (Known(bar.close)) close_before = bar.close;
  }
  if (!Known(close_before) || close_before <= 0) return 1;
  return 1 - amount / close_before;
}

std::string ReadjustedText(double factor, double day) {
  char scale[32];
  std::snprintf(scale, sizeof scale, "%.4g", factor);
  std::string what = FactorKind(factor);
  if (day > 0) what += (what.empty() ? "on " : " on ") + DayText(day);
  std::string text = "history re-adjusted \xC3\x97" + std::string(scale);
  if (!what.empty()) text += " (" + what + ")";
  return text;
}

std::string RewrittenText(long bars) { return GroupedCount(bars) + (bars == 1 ? " bar rewritten" : " bars rewritten"); }

std::string CorrectedText(long bars) {
  return GroupedCount(bars) + (bars == 1 ? " bar corrected by the source" : " bars corrected by the source");
}

std::string GroupedCount(long n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), ",");
  return n < 0 ? "-" + digits : digits;
}

std::string DayText(double serial) {
  int year = 0, month = 0, day = 0;
  SplitDate(serial, &year, &month, &day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

}  // namespace plrxl::history
