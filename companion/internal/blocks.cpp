#include "companion/internal/blocks.h"

#include <algorithm>
#include <vector>

namespace plrxl::companion {
namespace {

// Sliding sums drift by a rounding error per step; recomputing the window
// from scratch this often keeps million-row series exact to ~1e-13.
constexpr size_t kResyncEvery = 4096;

void FillNaN(double* out, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) out[i] = kNaN;
}

double WindowSum(const double* x, size_t end, int p) {
  double s = 0;
  for (size_t i = end + 1 - p; i <= end; ++i) s += x[i];
  return s;
}

}  // namespace

void Sma(const double* x, size_t n, int p, double* out) {
  const size_t w = static_cast<size_t>(p);
  if (w == 0 || n < w) return FillNaN(out, 0, n);
  FillNaN(out, 0, w - 1);
  double sum = WindowSum(x, w - 1, p);
  out[w - 1] = sum / p;
  for (size_t t = w; t < n; ++t) {
    if ((t & (kResyncEvery - 1)) == 0) {
      sum = WindowSum(x, t, p);
    } else {
      sum += x[t] - x[t - w];
    }
    out[t] = sum / p;
  }
}

void Ema(const double* x, size_t n, int p, double* out) {
  EmaRunner ema(p);
  for (size_t t = 0; t < n; ++t) out[t] = ema.Step(x[t]);
}

void Wma(const double* x, size_t n, int p, double* out) {
  const size_t w = static_cast<size_t>(p);
  if (w == 0 || n < w) return FillNaN(out, 0, n);
  FillNaN(out, 0, w - 1);
  const double divisor = p * (p + 1.0) / 2.0;
  auto exact = [&](size_t end, double* plain) {
    double weighted = 0, sum = 0;
    for (int i = 0; i < p; ++i) {
      weighted += (p - i) * x[end - i];
      sum += x[end - i];
    }
    *plain = sum;
    return weighted;
  };
  double sum = 0;
  double weighted = exact(w - 1, &sum);
  out[w - 1] = weighted / divisor;
  for (size_t t = w; t < n; ++t) {
    if ((t & (kResyncEvery - 1)) == 0) {
      weighted = exact(t, &sum);
    } else {
      // Every older value loses one weight step; the new one enters at p.
      weighted += p * x[t] - sum;
      sum += x[t] - x[t - w];
    }
    out[t] = weighted / divisor;
  }
}

void Ma(MaMethod method, const double* x, size_t n, int p, double* out) {
  switch (method) {
    case MaMethod::kSma: return Sma(x, n, p, out);
    case MaMethod::kEma: return Ema(x, n, p, out);
    case MaMethod::kWma: return Wma(x, n, p, out);
  }
}

void RollingStd(const double* x, size_t n, int p, double* out) {
  const size_t w = static_cast<size_t>(p);
  if (w == 0 || n < w) return FillNaN(out, 0, n);
  FillNaN(out, 0, w - 1);
  double mean = 0, m2 = 0;
  auto exact = [&](size_t end) {
    mean = WindowSum(x, end, p) / p;
    m2 = 0;
    for (size_t i = end + 1 - w; i <= end; ++i) m2 += (x[i] - mean) * (x[i] - mean);
  };
  // Length of the run of identical values ending at t: a window inside such
  // a run has a standard deviation of exactly 0, which callers test for.
  size_t equal_run = 1;
  for (size_t t = 1; t < w; ++t) equal_run = x[t] == x[t - 1] ? equal_run + 1 : 1;
  exact(w - 1);
  out[w - 1] = equal_run >= w ? 0.0 : std::sqrt(m2 > 0 ? m2 / p : 0.0);
  for (size_t t = w; t < n; ++t) {
    equal_run = x[t] == x[t - 1] ? equal_run + 1 : 1;
    if ((t & (kResyncEvery - 1)) == 0) {
      exact(t);
    } else {
      const double in = x[t], old = x[t - w];
      const double new_mean = mean + (in - old) / p;
      m2 += (in - old) * (in - new_mean + old - mean);
      mean = new_mean;
    }
    out[t] = equal_run >= w ? 0.0 : std::sqrt(m2 > 0 ? m2 / p : 0.0);
  }
}

namespace {

// Van Herk / Gil-Werman: maxima within blocks of p rows running forwards
// (into out) and backwards (into a scratch buffer); a window spans at most
// two blocks, so its extreme is the better of the two. Three comparisons per
// row whatever p is, and no data-dependent branches.
template <typename Pick>
void RollingExtreme(const double* x, size_t n, int p, double* out, Workspace& ws, Pick pick) {
  const size_t w = static_cast<size_t>(p);
  if (w == 0 || n < w) return FillNaN(out, 0, n);
  Workspace::Scope scope(ws);
  double* back = ws.Take(n);
  for (size_t b = 0; b < n; b += w) {
    const size_t e = std::min(n, b + w);
    out[b] = x[b];
    for (size_t i = b + 1; i < e; ++i) out[i] = pick(out[i - 1], x[i]);
    back[e - 1] = x[e - 1];
    for (size_t i = e - 1; i-- > b;) back[i] = pick(back[i + 1], x[i]);
  }
  for (size_t t = n; t-- > w - 1;) out[t] = pick(back[t + 1 - w], out[t]);
  FillNaN(out, 0, w - 1);
}

}  // namespace

void RollingMax(const double* x, size_t n, int p, double* out, Workspace& ws) {
  RollingExtreme(x, n, p, out, ws, [](double a, double b) { return a > b ? a : b; });
}

void RollingMin(const double* x, size_t n, int p, double* out, Workspace& ws) {
  RollingExtreme(x, n, p, out, ws, [](double a, double b) { return a < b ? a : b; });
}

void MaBlanks(MaMethod method, const double* x, size_t n, int p, double* out) {
  ForEachFiniteRun(x, n, out, [&](size_t b, size_t e) { Ma(method, x + b, e - b, p, out + b); });
}

void RollingStdBlanks(const double* x, size_t n, int p, double* out) {
  ForEachFiniteRun(x, n, out, [&](size_t b, size_t e) { RollingStd(x + b, e - b, p, out + b); });
}

}  // namespace plrxl::companion
