// Volume indicators: accumulation/distribution and its oscillators, OBV,
// volume rate of change, ease of movement, daily volume index and Bill
// Williams' market facilitation classes.
#include <algorithm>
#include <vector>

#include "companion/internal/exact_sum.h"
#include "companion/internal/kernels.h"

namespace plrxl::companion::kernels {
namespace {

// Ease of movement counts volume in units of this many shares.
constexpr double kEaseOfMovementScale = 10000.0;

// Close location value: where the close sits in the bar's range, -1..+1;
// 0 for a bar without range.
double Clv(double close, double high, double low) {
  return high == low ? 0.0 : ((close - low) - (high - close)) / (high - low);
}

void AdLine(const double* close, const double* volume, const double* high, const double* low,
            size_t size, double* ad) {
  double sum = 0;
  for (size_t t = 0; t < size; ++t) {
    sum += Clv(close[t], high[t], low[t]) * volume[t];
    ad[t] = sum;
  }
}

double Mfi(double high, double low, double volume) {
  return volume == 0 ? kNaN : (high - low) / volume;
}

}  // namespace

// Inputs: close, volume, high, low.
void AccumDist(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  AdLine(in.x[0], in.x[1], in.x[2], in.x[3], in.size, out);
}

// Both averages of the A/D line start from its first value, without an
// SMA seed; the oscillator shows once the slower one has had its period.
// The line is summed in the same loop, and each average takes one multiply
// and one add on its loop-carried chain (beta * e + alpha * ad, as EmaRunner).
void ChaikinAdOscillator(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const double *close = in.x[0], *volume = in.x[1], *high = in.x[2], *low = in.x[3];
  const size_t size = in.size;
  if (size == 0) return;
  const int f = p.Period(0), s = p.Period(1);
  const double a_fast = 2.0 / (f + 1.0), a_slow = 2.0 / (s + 1.0);
  const double b_fast = 1.0 - a_fast, b_slow = 1.0 - a_slow;
  const size_t first = static_cast<size_t>(std::max(f, s)) - 1;
  BlankHead(out, first, size);
  double ad = Clv(close[0], high[0], low[0]) * volume[0];
  double fast = ad, slow = ad;
  if (first == 0) out[0] = 0;
  for (size_t t = 1; t < size; ++t) {
    ad += Clv(close[t], high[t], low[t]) * volume[t];
    fast = b_fast * fast + a_fast * ad;
    slow = b_slow * slow + a_slow * ad;
    if (t >= first) out[t] = fast - slow;
  }
}

void ChaikinMoneyFlow(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const double *close = in.x[0], *volume = in.x[1], *high = in.x[2], *low = in.x[3];
  const size_t w = static_cast<size_t>(p.Period(0));
  BlankHead(out, w - 1, in.size);
  double* row_flow = ws.Take(in.size);
  for (size_t t = 0; t < in.size; ++t) row_flow[t] = Clv(close[t], high[t], low[t]) * volume[t];
  ExactSum flow, vol;
  size_t traded = 0;  // rows of the window with volume
  for (size_t t = 0; t < in.size; ++t) {
    const bool full = t >= w;
    const size_t o = full ? t - w : t;  // the row leaving the window, if any
    flow.Slide(row_flow[t], full ? row_flow[o] : 0.0);
    vol.Slide(volume[t], full ? volume[o] : 0.0);
    traded += volume[t] != 0;
    if (full) traded -= volume[o] != 0;
    if (t + 1 >= w) {
      const double v = vol.Value();
      out[t] = traded == 0 || v == 0 ? kNaN : flow.Value() / v;
    }
  }
}

// Inputs: close, volume. OBV minus its n-row average, taken within the
// window: OBV_t - mean(OBV_{t-n+1..t}) is the weighted sum of the last n-1
// signed volumes, weight n-1 for the newest, divided by n. A running OBV
// would reach any size (and keep the rounding of a huge volume for ever);
// the windowed form depends on the window's rows alone.
void ObvOscillator(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const double *close = in.x[0], *volume = in.x[1];
  const size_t size = in.size;
  const int n = p.Period(0);
  if (size < static_cast<size_t>(n)) return FillNaN(out, 0, size);
  if (n == 1) {
    std::fill(out, out + size, 0.0);
    return;
  }
  double* signed_volume = ws.Take(size - 1);
  for (size_t t = 1; t < size; ++t) {
    // The sign as arithmetic: a choice between three values would be a
    // branch that mispredicts on every other row.
    const int sign = (close[t] > close[t - 1]) - (close[t] < close[t - 1]);
    signed_volume[t - 1] = sign * volume[t];
  }
  Wma(signed_volume, size - 1, n - 1, out + 1);
  out[0] = kNaN;
  const double scale = (n - 1) / 2.0;  // WMA divisor (n-1)n/2, over n
  for (size_t t = 1; t < size; ++t) out[t] *= scale;
}

// SMA over m rows of the n-row volume rate of change in percent.
void AverageOfVolumeRoc(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const double* v = in.x[0];
  const size_t n = static_cast<size_t>(p.Period(0));
  BlankHead(out, n, in.size);
  if (in.size <= n) return;
  double* roc = ws.Take(in.size - n);
  for (size_t t = n; t < in.size; ++t) roc[t - n] = v[t - n] == 0 ? kNaN : 100.0 * (v[t] - v[t - n]) / v[t - n];
  MaBlanks(MaMethod::kSma, roc, in.size - n, p.Period(1), out + n);
}

// Inputs: high, low, volume.
void EaseOfMovement(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const double *high = in.x[0], *low = in.x[1], *volume = in.x[2];
  BlankHead(out, 1, in.size);
  if (in.size < 2) return;
  double* emv = ws.Take(in.size - 1);
  for (size_t t = 1; t < in.size; ++t) {
    const double move = (high[t] + low[t]) / 2 - (high[t - 1] + low[t - 1]) / 2;
    const double range = high[t] - low[t];
    emv[t - 1] = range == 0 || volume[t] == 0 ? 0.0 : move / ((volume[t] / kEaseOfMovementScale) / range);
  }
  Ma(p.Method(1), emv, in.size - 1, p.Period(0), out + 1);
}

// Inputs: close, high, low, volume. A bar whose midpoint is 0 is blank and
// adds nothing to the running sum.
void DailyVolumeIndex(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  const double *close = in.x[0], *high = in.x[1], *low = in.x[2], *volume = in.x[3];
  double sum = 0;
  for (size_t t = 0; t < in.size; ++t) {
    const double mid = (high[t] + low[t]) / 2;
    out[t] = kNaN;
    if (mid == 0) continue;
    sum += volume[t] * (close[t] - mid) / mid;
    out[t] = sum;
  }
}

// Inputs: high, low, volume.
void MarketFacilitationIndex(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  for (size_t t = 0; t < in.size; ++t) out[t] = Mfi(in.x[0][t], in.x[1][t], in.x[2][t]);
}

// Inputs: high, low, volume. 1 green, 2 fade, 3 fake, 4 squat, 0 when the
// index or the volume did not change.
void Profitunity(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  const double *high = in.x[0], *low = in.x[1], *volume = in.x[2];
  BlankHead(out, 1, in.size);
  for (size_t t = 1; t < in.size; ++t) {
    const double now = Mfi(high[t], low[t], volume[t]), before = Mfi(high[t - 1], low[t - 1], volume[t - 1]);
    out[t] = kNaN;
    if (now != now || before != before) continue;  // blank index
    const double dv = volume[t] - volume[t - 1];
    if (now == before || dv == 0) {
      out[t] = 0;
    } else if (now > before) {
      out[t] = dv > 0 ? 1 : 3;
    } else {
      out[t] = dv < 0 ? 2 : 4;
    }
  }
}

// Inputs: volume, high, low. 1 on a squat bar (index down, volume up).
void SquatBar(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  const double *volume = in.x[0], *high = in.x[1], *low = in.x[2];
  BlankHead(out, 1, in.size);
  for (size_t t = 1; t < in.size; ++t) {
    const double now = Mfi(high[t], low[t], volume[t]), before = Mfi(high[t - 1], low[t - 1], volume[t - 1]);
    out[t] = kNaN;
    if (now != now || before != before) continue;
    out[t] = now < before && volume[t] > volume[t - 1] ? 1 : 0;
  }
}

}  // namespace plrxl::companion::kernels
