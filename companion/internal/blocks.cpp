#include "companion/internal/blocks.h"

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
  const size_t w = static_cast<size_t>(p);
  if (w == 0 || n < w) return FillNaN(out, 0, n);
  FillNaN(out, 0, w - 1);
  const double alpha = 2.0 / (p + 1.0);
  double e = WindowSum(x, w - 1, p) / p;
  out[w - 1] = e;
  for (size_t t = w; t < n; ++t) {
    e += alpha * (x[t] - e);
    out[t] = e;
  }
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

// Monotonic queue of indices; `better(a, b)` says a displaces b. Ties
// displace the older entry, so the front is the most recent extreme.
template <typename Better>
void RollingExtreme(const double* x, size_t n, int p, double* out, Better better) {
  const size_t w = static_cast<size_t>(p);
  if (w == 0 || n < w) return FillNaN(out, 0, n);
  std::vector<size_t> ring(w + 1);
  size_t head = 0, tail = 0;  // positions in an unbounded sequence, mod ring size
  const size_t cap = ring.size();
  for (size_t t = 0; t < n; ++t) {
    while (tail > head && !better(x[ring[(tail - 1) % cap]], x[t])) --tail;
    ring[tail++ % cap] = t;
    if (ring[head % cap] + w <= t) ++head;
    out[t] = t + 1 >= w ? x[ring[head % cap]] : kNaN;
  }
}

}  // namespace

void RollingMax(const double* x, size_t n, int p, double* out) {
  RollingExtreme(x, n, p, out, [](double kept, double in) { return kept > in; });
}

void RollingMin(const double* x, size_t n, int p, double* out) {
  RollingExtreme(x, n, p, out, [](double kept, double in) { return kept < in; });
}

void MaBlanks(MaMethod method, const double* x, size_t n, int p, double* out) {
  ForEachFiniteRun(x, n, out, [&](size_t b, size_t e) { Ma(method, x + b, e - b, p, out + b); });
}

void RollingStdBlanks(const double* x, size_t n, int p, double* out) {
  ForEachFiniteRun(x, n, out, [&](size_t b, size_t e) { RollingStd(x + b, e - b, p, out + b); });
}

}  // namespace plrxl::companion
