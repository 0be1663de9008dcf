// Statistics over values and ranges.
#include <algorithm>
#include <cmath>
#include <map>

#include "host/formula/internal/function_table.h"
#include "host/formula/internal/interpreter.h"

namespace plrxl::formula {
namespace {

std::vector<double> Numbers(Args& a, int first = 0, int last = 254, bool all = false) {
  std::vector<double> xs;
  CollectNumbers(a, first, std::min(last, a.Count() - 1), all, xs);
  return xs;
}

double Mean(const std::vector<double>& xs) {
  double s = 0;
  for (double x : xs) s += x;
  return s / static_cast<double>(xs.size());
}

double SquaredDeviations(const std::vector<double>& xs) {
  const double m = Mean(xs);
  double s = 0;
  for (double x : xs) s += (x - m) * (x - m);
  return s;
}

Value Average(Args& a) {
  const auto xs = Numbers(a);
  if (xs.empty()) throw ErrorResult{CellError::kDiv0};
  return NumberResult(Mean(xs));
}
Value AverageA(Args& a) {
  const auto xs = Numbers(a, 0, 254, true);
  if (xs.empty()) throw ErrorResult{CellError::kDiv0};
  return NumberResult(Mean(xs));
}

Value Count(Args& a) {
  double n = 0;
  for (int i = 0; i < a.Count(); ++i) {
    const Value v = a.Raw(i);
    if (v.IsRange() || v.IsArray()) {
      a.In().ForEachValue(v, [&](const Value& x) { n += x.IsNumber(); });
    } else if (v.IsNumber() || v.IsBoolean()) {
      ++n;
    } else if (v.IsText()) {
      double ignored;
      n += ParseNumberText(v.text(), a.Dates().Is1904(), &ignored);
    }
  }
  return Value::Number(n);
}
Value CountA(Args& a) {
  double n = 0;
  for (int i = 0; i < a.Count(); ++i) {
    if (a.Omitted(i)) continue;
    const Value v = a.Raw(i);
    if (v.IsRange() || v.IsArray()) a.In().ForEachValue(v, [&](const Value&) { ++n; });
    else ++n;
  }
  return Value::Number(n);
}
Value CountBlank(Args& a) {
  const Value v = a.Raw(0);
  if (!v.IsRange()) throw ErrorResult{CellError::kValue};
  const CellBlock& b = v.block();
  double filled = 0;
  a.In().ForEachValue(v, [&](const Value& x) { filled += !(x.IsText() && x.text().empty()); });
  return Value::Number(static_cast<double>(b.Rows()) * b.Cols() - filled);
}

Value MinMax(Args& a, bool max, bool all) {
  const auto xs = Numbers(a, 0, 254, all);
  if (xs.empty()) return Value::Number(0);
  return NumberResult(max ? *std::max_element(xs.begin(), xs.end()) : *std::min_element(xs.begin(), xs.end()));
}
Value Min(Args& a) { return MinMax(a, false, false); }
Value Max(Args& a) { return MinMax(a, true, false); }
Value MinA(Args& a) { return MinMax(a, false, true); }
Value MaxA(Args& a) { return MinMax(a, true, true); }

// The k-th quantile position of sorted values, linear between neighbours.
double Quantile(std::vector<double> xs, double p) {
  std::sort(xs.begin(), xs.end());
  const double pos = p * static_cast<double>(xs.size() - 1);
  const size_t lo = static_cast<size_t>(std::floor(pos));
  const double frac = pos - static_cast<double>(lo);
  if (lo + 1 >= xs.size()) return xs[lo];
  return xs[lo] + frac * (xs[lo + 1] - xs[lo]);
}

Value Median(Args& a) {
  const auto xs = Numbers(a);
  if (xs.empty()) throw ErrorResult{kBadArgument};
  return NumberResult(Quantile(xs, 0.5));
}
Value Mode(Args& a) {
  const auto xs = Numbers(a);
  std::map<double, int> counts;
  double best = 0;
  int best_count = 1;
  for (double x : xs) {
    const int c = ++counts[x];
    if (c > best_count) best = x, best_count = c;
  }
  if (best_count < 2) throw ErrorResult{kBadArgument};
  // The first value in argument order among those with the highest count.
  for (double x : xs) {
    if (counts[x] == best_count) return Value::Number(x);
  }
  return Value::Number(best);
}
Value LargeSmall(Args& a, bool large) {
  auto xs = Numbers(a, 0, 0);
  const double k = std::ceil(a.Number(1));
  if (xs.empty() || k < 1 || k > static_cast<double>(xs.size())) throw ErrorResult{kBadArgument};
  std::sort(xs.begin(), xs.end());
  const size_t i = static_cast<size_t>(k) - 1;
  return Value::Number(large ? xs[xs.size() - 1 - i] : xs[i]);
}
Value Large(Args& a) { return LargeSmall(a, true); }
Value Small(Args& a) { return LargeSmall(a, false); }
Value Rank(Args& a) {
  const double x = a.Number(0);
  const auto xs = Numbers(a, 1, 1);
  const bool ascending = a.Number(2, 0) != 0;
  // As LibreOffice: a value not in the list ranks where it would stand.
  double rank = 1;
  for (double y : xs) {
    if (ascending ? y < x : y > x) ++rank;
  }
  return Value::Number(rank);
}
Value Percentile(Args& a) {
  const auto xs = Numbers(a, 0, 0);
  const double p = a.Number(1);
  if (xs.empty() || p < 0 || p > 1) throw ErrorResult{kBadArgument};
  return NumberResult(Quantile(xs, p));
}
Value Quartile(Args& a) {
  const auto xs = Numbers(a, 0, 0);
  const double q = std::trunc(a.Number(1));
  if (xs.empty() || q < 0 || q > 4) throw ErrorResult{kBadArgument};
  return NumberResult(Quantile(xs, q / 4));
}

Value Spread(Args& a, bool sample, bool root) {
  const auto xs = Numbers(a);
  if (xs.size() < (sample ? 2u : 1u)) throw ErrorResult{CellError::kDiv0};
  const double v = SquaredDeviations(xs) / static_cast<double>(xs.size() - (sample ? 1 : 0));
  return NumberResult(root ? std::sqrt(v) : v);
}
Value StdevS(Args& a) { return Spread(a, true, true); }
Value StdevP(Args& a) { return Spread(a, false, true); }
Value VarS(Args& a) { return Spread(a, true, false); }
Value VarP(Args& a) { return Spread(a, false, false); }

// Pairs of numbers of two equally sized ranges: a pair counts only when
// both are numbers.
void Pairs(Args& a, int ix, int iy, std::vector<double>& xs, std::vector<double>& ys) {
  const Grid gx = a.GridAt(ix), gy = a.GridAt(iy);
  if (gx.rows * gx.cols != gy.rows * gy.cols) throw ErrorResult{kBadArgument};
  for (int r = 0; r < gx.rows; ++r) {
    for (int c = 0; c < gx.cols; ++c) {
      const int k = r * gx.cols + c;
      const Value x = gx.At(r, c), y = gy.At(k / gy.cols, k % gy.cols);
      if (x.IsError()) throw ErrorResult{x.error()};
      if (y.IsError()) throw ErrorResult{y.error()};
      if (x.IsNumber() && y.IsNumber()) xs.push_back(x.number()), ys.push_back(y.number());
    }
  }
}

struct Moments {
  double n = 0, sxx = 0, syy = 0, sxy = 0, mx = 0, my = 0;
};
Moments PairMoments(Args& a, int ix, int iy) {
  std::vector<double> xs, ys;
  Pairs(a, ix, iy, xs, ys);
  Moments m;
  m.n = static_cast<double>(xs.size());
  if (xs.empty()) throw ErrorResult{CellError::kDiv0};
  m.mx = Mean(xs), m.my = Mean(ys);
  for (size_t i = 0; i < xs.size(); ++i) {
    m.sxx += (xs[i] - m.mx) * (xs[i] - m.mx);
    m.syy += (ys[i] - m.my) * (ys[i] - m.my);
    m.sxy += (xs[i] - m.mx) * (ys[i] - m.my);
  }
  return m;
}
Value Correl(Args& a) {
  const Moments m = PairMoments(a, 0, 1);
  if (m.sxx == 0 || m.syy == 0) throw ErrorResult{CellError::kDiv0};
  return NumberResult(m.sxy / std::sqrt(m.sxx * m.syy));
}
Value Rsq(Args& a) {
  const Moments m = PairMoments(a, 1, 0);
  if (m.sxx == 0 || m.syy == 0) throw ErrorResult{CellError::kDiv0};
  return NumberResult(m.sxy * m.sxy / (m.sxx * m.syy));
}
Value Covar(Args& a) {
  const Moments m = PairMoments(a, 0, 1);
  return NumberResult(m.sxy / m.n);
}
Value CovarS(Args& a) {
  const Moments m = PairMoments(a, 0, 1);
  if (m.n < 2) throw ErrorResult{CellError::kDiv0};
  return NumberResult(m.sxy / (m.n - 1));
}
// SLOPE(known_y, known_x): x is the second argument.
Value Slope(Args& a) {
  const Moments m = PairMoments(a, 1, 0);
  if (m.sxx == 0) throw ErrorResult{kBadArgument};
  return NumberResult(m.sxy / m.sxx);
}
Value Intercept(Args& a) {
  const Moments m = PairMoments(a, 1, 0);
  if (m.sxx == 0) throw ErrorResult{CellError::kDiv0};
  return NumberResult(m.my - m.sxy / m.sxx * m.mx);
}
Value Forecast(Args& a) {
  const double x = a.Number(0);
  const Moments m = PairMoments(a, 2, 1);
  if (m.sxx == 0) throw ErrorResult{CellError::kDiv0};
  const double slope = m.sxy / m.sxx;
  return NumberResult(m.my + slope * (x - m.mx));
}
Value GeoMean(Args& a) {
  const auto xs = Numbers(a);
  if (xs.empty()) throw ErrorResult{CellError::kNum};
  double s = 0;
  for (double x : xs) {
    if (x <= 0) throw ErrorResult{kBadArgument};
    s += std::log(x);
  }
  return NumberResult(std::exp(s / static_cast<double>(xs.size())));
}
Value Skew(Args& a) {
  const auto xs = Numbers(a);
  const double n = static_cast<double>(xs.size());
  if (n < 3) throw ErrorResult{CellError::kDiv0};
  const double m = Mean(xs), sd = std::sqrt(SquaredDeviations(xs) / (n - 1));
  if (sd == 0) throw ErrorResult{CellError::kDiv0};
  double s = 0;
  for (double x : xs) s += std::pow((x - m) / sd, 3);
  return NumberResult(n / ((n - 1) * (n - 2)) * s);
}
Value Kurt(Args& a) {
  const auto xs = Numbers(a);
  const double n = static_cast<double>(xs.size());
  if (n < 4) throw ErrorResult{CellError::kDiv0};
  const double m = Mean(xs), sd = std::sqrt(SquaredDeviations(xs) / (n - 1));
  if (sd == 0) throw ErrorResult{CellError::kDiv0};
  double s = 0;
  for (double x : xs) s += std::pow((x - m) / sd, 4);
  return NumberResult(n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * s - 3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
}

const FunctionEntry kTable[] = {
    {"AVERAGE", 1, 255, Average},
    {"AVERAGEA", 1, 255, AverageA},
    {"COUNT", 1, 255, Count},
    {"COUNTA", 1, 255, CountA},
    {"COUNTBLANK", 1, 1, CountBlank},
    {"MIN", 1, 255, Min},
    {"MAX", 1, 255, Max},
    {"MINA", 1, 255, MinA},
    {"MAXA", 1, 255, MaxA},
    {"MEDIAN", 1, 255, Median},
    {"MODE", 1, 255, Mode},
    {"MODE.SNGL", 1, 255, Mode},
    {"LARGE", 2, 2, Large},
    {"SMALL", 2, 2, Small},
    {"RANK", 2, 3, Rank},
    {"RANK.EQ", 2, 3, Rank},
    {"PERCENTILE", 2, 2, Percentile},
    {"PERCENTILE.INC", 2, 2, Percentile},
    {"QUARTILE", 2, 2, Quartile},
    {"QUARTILE.INC", 2, 2, Quartile},
    {"STDEV", 1, 255, StdevS},
    {"STDEV.S", 1, 255, StdevS},
    {"STDEVP", 1, 255, StdevP},
    {"STDEV.P", 1, 255, StdevP},
    {"VAR", 1, 255, VarS},
    {"VAR.S", 1, 255, VarS},
    {"VARP", 1, 255, VarP},
    {"VAR.P", 1, 255, VarP},
    {"CORREL", 2, 2, Correl},
    {"PEARSON", 2, 2, Correl},
    {"RSQ", 2, 2, Rsq},
    {"COVAR", 2, 2, Covar},
    {"COVARIANCE.P", 2, 2, Covar},
    {"COVARIANCE.S", 2, 2, CovarS},
    {"SLOPE", 2, 2, Slope},
    {"INTERCEPT", 2, 2, Intercept},
    {"FORECAST", 3, 3, Forecast},
    {"FORECAST.LINEAR", 3, 3, Forecast},
    {"GEOMEAN", 1, 255, GeoMean},
    {"SKEW", 1, 255, Skew},
    {"KURT", 1, 255, Kurt},
};

}  // namespace

extern const FunctionFamily kStatFunctions{"Statistics", kTable, std::size(kTable)};

}  // namespace plrxl::formula
