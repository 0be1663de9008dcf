// RSI (Wilder, Cutler), Chande momentum, DPO, stochastic, Williams %R,
// Aroon and the directional movement index.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "companion/internal/exact_sum.h"
#include "companion/internal/kernels.h"

namespace plrxl::companion::kernels {
namespace {

// Plain sums of the gains and losses of the last n one-row changes, handed
// to finish(t, gains, losses, any_change) from row n on. The changes of a
// window add up to x_t - x_{t-n}, so the losses are the gains less that net
// change: one exact sum instead of two.
template <typename Finish>
void GainLossSums(const double* x, size_t size, int n, Finish finish) {
  const size_t w = static_cast<size_t>(n);
  ExactSum up;
  long moves = 0;  // non-zero changes in the window; 0 means a flat window
  long falls = 0;  // negative changes in the window; 0 means no losses at all
  for (size_t t = 1; t < size; ++t) {
    const double d = x[t] - x[t - 1];
    const double old = t > w ? x[t - w] - x[t - w - 1] : 0.0;
    up.Slide(PositivePart(d), PositivePart(old));
    moves += (d != 0) - (old != 0);
    falls += (d < 0) - (old < 0);
    if (t < w) continue;
    const double gains = up.Value();
    finish(t, gains, falls == 0 ? 0.0 : PositivePart(gains - (x[t] - x[t - w])), moves > 0);
  }
}

// Rows since the highest (sign +1) or lowest (sign -1) value within the
// n+1 rows t-n..t, ties going to the most recent row, into since[t] for
// every t >= n (rows before hold scratch values). As RollingExtreme does for the values (Van Herk /
// Gil-Werman): blocks of n+1 rows, the extreme and its row running forwards
// and backwards through each block; a window spans at most two blocks, so
// its extreme is the better of the backward one at its first row and the
// forward one at its last, the forward one (later) on a tie. A few
// comparisons a row, none of them a branch that price data could mispredict.
void AroonSince(const double* x, double sign, size_t size, int n, double* since, Workspace& ws) {
  const size_t w = static_cast<size_t>(n) + 1;
  if (size < w) return;
  Workspace::Scope scope(ws);
  double* forward_value = ws.Take(size);
  double* back_value = ws.Take(size);
  double* back_row = ws.Take(size);  // row numbers, exact as doubles below 2^53
  for (size_t b = 0; b < size; b += w) {
    const size_t e = std::min(size, b + w);
    double best = -std::numeric_limits<double>::infinity();
    size_t row = b;
    for (size_t i = b; i < e; ++i) {
      const double v = sign * x[i];
      row = v >= best ? i : row;
      best = best > v ? best : v;
      forward_value[i] = best;
      since[i] = static_cast<double>(row);
    }
    best = -std::numeric_limits<double>::infinity();
    row = e - 1;
    for (size_t i = e; i-- > b;) {
      const double v = sign * x[i];
      row = v > best ? i : row;
      best = best > v ? best : v;
      back_value[i] = best;
      back_row[i] = static_cast<double>(row);
    }
  }
  for (size_t t = w - 1; t < size; ++t) {
    const size_t first = t + 1 - w;
    const double row = forward_value[t] >= back_value[first] ? since[t] : back_row[first];
    since[t] = static_cast<double>(t) - row;
  }
}

void AroonLine(const double* x, double sign, size_t size, int n, double* out, Workspace& ws) {
  AroonSince(x, sign, size, n, out, ws);
  BlankHead(out, static_cast<size_t>(n), size);
  const double scale = 100.0 / n;
  for (size_t t = static_cast<size_t>(n); t < size; ++t) out[t] = (n - out[t]) * scale;
}

}  // namespace

void WilderRsi(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const double* x = in.x[0];
  const size_t n = static_cast<size_t>(p.Period(0));
  BlankHead(out, n, in.size);
  if (in.size <= n) return;
  double gain = 0, loss = 0;
  for (size_t t = 1; t <= n; ++t) {
    gain += PositivePart(x[t] - x[t - 1]);
    loss += PositivePart(x[t - 1] - x[t]);
  }
  gain /= n;
  loss /= n;
  // ((n-1)*G + g)/n with the division taken out of the loop-carried chain.
  const double keep = (n - 1.0) / n, add = 1.0 / n;
  for (size_t t = n;;) {
    out[t] = gain + loss == 0 ? kNaN : 100.0 * gain / (gain + loss);
    if (++t >= in.size) break;
    gain = gain * keep + PositivePart(x[t] - x[t - 1]) * add;
    loss = loss * keep + PositivePart(x[t - 1] - x[t]) * add;
  }
}

void CutlerRsi(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  BlankHead(out, static_cast<size_t>(p.Period(0)), in.size);
  GainLossSums(in.x[0], in.size, p.Period(0), [&](size_t t, double up, double down, bool moved) {
    out[t] = moved ? 100.0 * up / (up + down) : kNaN;
  });
}

void ChandeMomentum(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  BlankHead(out, static_cast<size_t>(p.Period(0)), in.size);
  GainLossSums(in.x[0], in.size, p.Period(0), [&](size_t t, double up, double down, bool moved) {
    out[t] = moved ? 100.0 * (up - down) / (up + down) : kNaN;
  });
}

void Dpo(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const int n = p.Period(0);
  const size_t k = static_cast<size_t>(n / 2 + 1);
  double* sma = ws.Take(in.size);
  Sma(in.x[0], in.size, n, sma);
  BlankHead(out, static_cast<size_t>(n - 1) + k, in.size);
  for (size_t t = static_cast<size_t>(n - 1) + k; t < in.size; ++t) out[t] = in.x[0][t] - sma[t - k];
}

// Slowed %K as a ratio of sums over s rows (s = 1 gives fast %K).
void Stochastic(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const double *high = in.x[0], *low = in.x[1], *close = in.x[2];
  const size_t size = in.size, pk = static_cast<size_t>(p.Period(0)), s = static_cast<size_t>(p.Period(1));
  BlankHead(out, pk + s - 2, size);
  if (size < pk) return;
  double* hh = ws.Take(size);
  double* ll = ws.Take(size);
  RollingMax(high, size, p.Period(0), hh, ws);
  RollingMin(low, size, p.Period(0), ll, ws);
  ExactSum num, den;
  size_t wide = 0;  // rows of the sum with a non-zero range
  for (size_t t = pk - 1; t < size; ++t) {
    const bool full = t >= pk - 1 + s;
    const size_t o = full ? t - s : t;  // the row leaving the sum, if any
    num.Slide(close[t] - ll[t], full ? close[o] - ll[o] : 0.0);
    den.Slide(hh[t] - ll[t], full ? hh[o] - ll[o] : 0.0);
    wide += hh[t] > ll[t];
    if (full) wide -= hh[o] > ll[o];
    if (t + 2 >= pk + s) out[t] = wide == 0 ? kNaN : 100.0 * num.Value() / den.Value();
  }
}

void WilliamsR(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const double *close = in.x[0], *high = in.x[1], *low = in.x[2];
  double* hh = ws.Take(in.size);
  double* ll = ws.Take(in.size);
  RollingMax(high, in.size, p.Period(0), hh, ws);
  RollingMin(low, in.size, p.Period(0), ll, ws);
  BlankHead(out, static_cast<size_t>(p.Period(0)) - 1, in.size);
  for (size_t t = static_cast<size_t>(p.Period(0)) - 1; t < in.size; ++t) {
    out[t] = hh[t] == ll[t] ? kNaN : -100.0 * (hh[t] - close[t]) / (hh[t] - ll[t]);
  }
}

void AroonUp(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  AroonLine(in.x[0], 1.0, in.size, p.Period(0), out, ws);
}

void AroonDown(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  AroonLine(in.x[0], -1.0, in.size, p.Period(0), out, ws);
}

void AroonOscillator(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const int n = p.Period(0);
  double* down_since = ws.Take(in.size);
  AroonSince(in.x[0], 1.0, in.size, n, out, ws);
  AroonSince(in.x[1], -1.0, in.size, n, down_since, ws);
  BlankHead(out, static_cast<size_t>(n), in.size);
  const double scale = 100.0 / n;
  for (size_t t = static_cast<size_t>(n); t < in.size; ++t) {
    out[t] = (n - out[t]) * scale - (n - down_since[t]) * scale;
  }
}

// Wilder's running sums of +DM, -DM and TR, started with the plain sum of
// rows 1..n.
void Dx(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const double *close = in.x[0], *high = in.x[1], *low = in.x[2];
  const size_t n = static_cast<size_t>(p.Period(0));
  const double decay = 1.0 - 1.0 / n;
  BlankHead(out, n, in.size);
  double s_plus = 0, s_minus = 0, s_tr = 0;
  for (size_t t = 1; t < in.size; ++t) {
    const double up = high[t] - high[t - 1], dn = low[t - 1] - low[t];
    const double plus = up > dn && up > 0 ? up : 0.0;
    const double minus = dn > up && dn > 0 ? dn : 0.0;
    const double tr = TrueRange(close, high, low, t);
    if (t <= n) {
      s_plus += plus;
      s_minus += minus;
      s_tr += tr;
    } else {  // S - S/n + v, as a multiply-add on the loop-carried chain
      s_plus = s_plus * decay + plus;
      s_minus = s_minus * decay + minus;
      s_tr = s_tr * decay + tr;
    }
    if (t < n) continue;
    out[t] = kNaN;
    if (s_tr == 0) continue;
    const double di_plus = 100.0 * s_plus / s_tr, di_minus = 100.0 * s_minus / s_tr;
    if (di_plus + di_minus != 0) out[t] = 100.0 * std::fabs(di_plus - di_minus) / (di_plus + di_minus);
  }
}

}  // namespace plrxl::companion::kernels
