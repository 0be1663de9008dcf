// Bollinger bands, envelopes, average true range, Chaikin volatility and
// historical volatility.
#include <algorithm>
#include <cmath>
#include <vector>

#include "companion/internal/kernels.h"

namespace plrxl::companion::kernels {
namespace {

// Trading days per year used to annualise historical volatility.
constexpr double kTradingDaysPerYear = 252.0;

struct Bands {
  double* mid;  // SMA
  double* std;  // population std
  double k;     // the band is k std away from the middle
};

Bands Bollinger(const SeriesView& in, const ParamValues& p, Workspace& ws) {
  Bands b{ws.Take(in.size), ws.Take(in.size), p.Real(1)};
  RollingStd(in.x[0], in.size, p.Period(0), b.std, b.mid);
  return b;
}

// One-row log returns of rows 1..size-1 (NaN where the log is undefined).
double* LogReturns(const double* close, size_t size, Workspace& ws) {
  double* r = ws.Take(size - 1);
  for (size_t t = 1; t < size; ++t) {
    const double ratio = close[t - 1] == 0 ? kNaN : close[t] / close[t - 1];
    r[t - 1] = ratio > 0 ? std::log(ratio) : kNaN;
  }
  return r;
}

// Calls fn(x, length, first, row_out) for every run of finite returns x
// long enough to hold a window of `longest` returns, first being the end of
// its first full window and row_out its results (a row after the returns).
// A return whose log is undefined blanks every window that holds it; every
// other row without a value gets NaN.
template <typename Fn>
void ForEachReturnRun(const double* returns, size_t count, int longest, double* out, Fn fn) {
  ForEachFiniteRun(returns, count, out + 1, [&](size_t b, size_t e) {
    const size_t length = e - b, first = static_cast<size_t>(longest) - 1;
    std::fill(out + 1 + b, out + 1 + b + std::min(first, length), kNaN);
    if (length > first) fn(returns + b, length, first, out + 1 + b);
  });
}

// Annualised historical volatility in percent over n log returns: the
// square root of m2 times 100^2 * 252 / n, one multiply a row.
void HistoricalVolatility(const double* close, size_t size, int n, double* out, Workspace& ws) {
  const double scale = 100.0 * 100.0 * kTradingDaysPerYear / n;
  ForEachReturnRun(LogReturns(close, size, ws), size - 1, n, out,
                   [&](const double* x, size_t length, size_t, double* row_out) {
                     ForEachWindowSquaredDeviations(x, length, static_cast<size_t>(n), [&](size_t t, double m2) {
                       row_out[t] = std::sqrt(m2 * scale);
                     });
                   });
}

}  // namespace

void BollingerUp(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const Bands b = Bollinger(in, p, ws);
  for (size_t t = 0; t < in.size; ++t) out[t] = b.mid[t] + b.k * b.std[t];
}

void BollingerDown(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const Bands b = Bollinger(in, p, ws);
  for (size_t t = 0; t < in.size; ++t) out[t] = b.mid[t] - b.k * b.std[t];
}

void BollingerPercent(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const Bands b = Bollinger(in, p, ws);
  for (size_t t = 0; t < in.size; ++t) {
    const double dev = b.k * b.std[t];
    const double up = b.mid[t] + dev, down = b.mid[t] - dev;
    out[t] = up == down ? kNaN : (in.x[0][t] - down) / (up - down);
  }
}

void BollingerWidth(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const Bands b = Bollinger(in, p, ws);
  for (size_t t = 0; t < in.size; ++t) {
    const double dev = b.k * b.std[t];
    out[t] = b.mid[t] == 0 ? kNaN : ((b.mid[t] + dev) - (b.mid[t] - dev)) / b.mid[t];
  }
}

// One band per call: a positive percent gives the upper, a negative the lower.
void Envelope(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  Ma(p.Method(2), in.x[0], in.size, p.Period(0), out);
  const double factor = 1.0 + p.Real(1) / 100.0;
  for (size_t t = 0; t < in.size; ++t) out[t] *= factor;
}

void AverageTrueRange(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const double *close = in.x[0], *high = in.x[1], *low = in.x[2];
  const size_t n = static_cast<size_t>(p.Period(0));
  BlankHead(out, n, in.size);
  if (in.size <= n) return;
  double atr = 0;
  for (size_t t = 1; t <= n; ++t) atr += TrueRange(close, high, low, t);
  atr /= n;
  out[n] = atr;
  const double keep = (n - 1.0) / n, add = 1.0 / n;  // no division on the chain
  for (size_t t = n + 1; t < in.size; ++t) {
    atr = atr * keep + TrueRange(close, high, low, t) * add;
    out[t] = atr;
  }
}

void ChaikinVolatility(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const double *high = in.x[0], *low = in.x[1];
  const size_t r = static_cast<size_t>(p.Period(1));
  double* range = ws.Take(in.size);
  double* ema = ws.Take(in.size);
  for (size_t t = 0; t < in.size; ++t) range[t] = high[t] - low[t];
  Ema(range, in.size, p.Period(0), ema);
  BlankHead(out, r, in.size);
  for (size_t t = r; t < in.size; ++t) {
    const double old = ema[t - r];
    out[t] = old == 0 ? kNaN : 100.0 * (ema[t] - old) / old;  // NaN stays NaN in warm-up
  }
}

void HistoricalVolatility10(const SeriesView& in, const ParamValues&, double* out, Workspace& ws) {
  BlankHead(out, 1, in.size);
  if (in.size > 1) HistoricalVolatility(in.x[0], in.size, 10, out, ws);
}

void HistoricalVolatility100(const SeriesView& in, const ParamValues&, double* out, Workspace& ws) {
  BlankHead(out, 1, in.size);
  if (in.size > 1) HistoricalVolatility(in.x[0], in.size, 100, out, ws);
}

// HV(n1) / HV(n2) = sqrt((m2(n1) / n1) / (m2(n2) / n2)): the annualisation
// cancels, and one square root of the ratio of variances replaces two.
void HistoricalVolatilityRatio(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  BlankHead(out, 1, in.size);
  if (in.size < 2) return;
  const int n1 = p.Period(0), n2 = p.Period(1);
  const double lengths = static_cast<double>(n2) / n1;
  double* short_m2 = ws.Take(in.size);
  ForEachReturnRun(LogReturns(in.x[0], in.size, ws), in.size - 1, std::max(n1, n2), out,
                   [&](const double* x, size_t length, size_t first, double* row_out) {
                     ForEachWindowSquaredDeviations(x, length, static_cast<size_t>(n1),
                                                    [&](size_t t, double m2) { short_m2[t] = m2; });
                     ForEachWindowSquaredDeviations(x, length, static_cast<size_t>(n2), [&](size_t t, double long_m2) {
                       if (t >= first) row_out[t] = long_m2 > 0 ? std::sqrt(short_m2[t] / long_m2 * lengths) : kNaN;
                     });
                   });
}

}  // namespace plrxl::companion::kernels
