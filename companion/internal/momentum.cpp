// Change, momentum, average gains and losses, acceleration, lags, window
// extremes and crossings.
#include <algorithm>

#include "companion/internal/exact_sum.h"

#include "companion/internal/kernels.h"

namespace plrxl::companion::kernels {
namespace {

// Mean of the last n positive (sign +1) or negative (sign -1) one-row
// changes, as a magnitude. A window without such a change gives exactly 0.
void AvgDirectionalChange(const double* x, size_t n, int p, double sign, double* out) {
  const size_t w = static_cast<size_t>(p);
  BlankHead(out, w, n);
  if (n <= w) return;
  const double inv_p = 1.0 / p;
  auto move = [&](size_t t) { return PositivePart(sign * (x[t] - x[t - 1])); };
  ExactSum sum;
  long count = 0;  // changes in the window that contribute
  for (size_t t = 1; t <= w; ++t) {
    const double m = move(t);
    sum.Add(m);
    count += m > 0;
  }
  out[w] = count == 0 ? 0.0 : sum.Value() * inv_p;
  for (size_t t = w + 1; t < n; ++t) {
    const double in_move = move(t);
    const double old = move(t - w);
    sum.Slide(in_move, old);
    count += (in_move > 0) - (old > 0);
    out[t] = count == 0 ? 0.0 : sum.Value() * inv_p;
  }
}

}  // namespace

void Change(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const double* x = in.x[0];
  const size_t k = static_cast<size_t>(p.Period(0));
  BlankHead(out, k, in.size);
  for (size_t t = k; t < in.size; ++t) out[t] = x[t] - x[t - k];
}

void Momentum(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const double* x = in.x[0];
  const size_t k = static_cast<size_t>(p.Period(0));
  BlankHead(out, k, in.size);
  for (size_t t = k; t < in.size; ++t) out[t] = x[t - k] == 0 ? kNaN : 100.0 * x[t] / x[t - k];
}

void AvgChange(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const double* x = in.x[0];
  const int k = p.Period(0);
  BlankHead(out, k, in.size);
  for (size_t t = k; t < in.size; ++t) out[t] = (x[t] - x[t - k]) / k;
}

void AvgPosChange(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  AvgDirectionalChange(in.x[0], in.size, p.Period(0), 1.0, out);
}

void AvgNegChange(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  AvgDirectionalChange(in.x[0], in.size, p.Period(0), -1.0, out);
}

void Acceleration(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const double* x = in.x[0];
  const int k = p.Period(0);
  const double k2 = static_cast<double>(k) * k;
  BlankHead(out, 2 * static_cast<size_t>(k), in.size);
  for (size_t t = 2 * static_cast<size_t>(k); t < in.size; ++t) {
    out[t] = (x[t] - 2 * x[t - k] + x[t - 2 * k]) / k2;
  }
}

void LagValue(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const size_t lag = static_cast<size_t>(p.Period(0));
  BlankHead(out, lag, in.size);
  if (lag < in.size) std::copy(in.x[0], in.x[0] + in.size - lag, out + lag);
}

void HighVal(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  RollingMax(in.x[0], in.size, p.Period(0), out, ws);
}

void LowVal(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  RollingMin(in.x[0], in.size, p.Period(0), out, ws);
}

// +1 where a crosses above b, -1 where it crosses below, 0 otherwise.
void Cross(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  const double* a = in.x[0];
  const double* b = in.x[1];
  BlankHead(out, 1, in.size);
  for (size_t t = 1; t < in.size; ++t) {
    if (a[t - 1] <= b[t - 1] && a[t] > b[t]) {
      out[t] = 1;
    } else if (a[t - 1] >= b[t - 1] && a[t] < b[t]) {
      out[t] = -1;
    } else {
      out[t] = 0;
    }
  }
}

}  // namespace plrxl::companion::kernels
