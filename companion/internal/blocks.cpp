#include "companion/internal/blocks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "companion/internal/exact_sum.h"

namespace plrxl::companion {
namespace {

// Sum of the p values ending at row end.
ExactSum WindowSum(const double* x, size_t end, int p) {
  ExactSum s;
  for (size_t i = end + 1 - p; i <= end; ++i) s.Add(x[i]);
  return s;
}

// Weighted sum of the p values ending at row end, newest weight p.
double WeightedWindow(const double* x, size_t end, int p) {
  double weighted = 0;
  for (int i = 0; i < p; ++i) weighted += (p - i) * x[end - i];
  return weighted;
}

}  // namespace

void Sma(const double* x, size_t n, int p, double* out) {
  const size_t w = static_cast<size_t>(p);
  if (w == 0 || n < w) return FillNaN(out, 0, n);
  FillNaN(out, 0, w - 1);
  // A multiply by 1/p is within an ulp of the division and several times
  // cheaper: the division alone would cost more than the rest of the row.
  const double inv_p = 1.0 / p;
  ForEachWindowSum(n, w, [x](size_t i) { return x[i]; }, [&](size_t t, double sum) { out[t] = sum * inv_p; });
}

void Ema(const double* x, size_t n, int p, double* out) {
  EmaRunner ema(p);
  for (size_t t = 0; t < n; ++t) out[t] = ema.Step(x[t]);
}

// The window sum S and the weighted sum W move with plain arithmetic,
//   W_t = W_{t-1} + p x_t - S_{t-1},  S_t = S_{t-1} + x_t - x_{t-w},
// through blocks of max(256, 4w) rows, each started from sums taken afresh
// (S exactly) from its window. With m the largest |x| a block touches, a row
// adds at most u m (w + 2) to the error of S, and to that of W the rounding
// of p x, p x - S and the new W, at most u m (2p + w + p(p+1)/2), plus the
// error S has by then (u = 2^-53; the bounds take 2u, for the rounding of
// their own terms). A block whose bound could reach 1e-11 of its smallest
// |W| (an outlier in the window, sums near zero, very long windows) is
// computed again with the exact window sum and a bounded weighted one,
// summed afresh whenever that bound passes 1e-11.
void Wma(const double* x, size_t n, int p, double* out) {
  constexpr double kUnit = 1.1102230246251565e-16;
  constexpr double kTolerance = 1e-11;
  const size_t w = static_cast<size_t>(p);
  if (w == 0 || n < w) return FillNaN(out, 0, n);
  FillNaN(out, 0, w - 1);
  const size_t block = std::max<size_t>(256, 4 * w);
  const double pd = p;
  const double weights = pd * (pd + 1) / 2;  // the divisor
  const double inv_weights = 1.0 / weights;   // within an ulp of dividing
  const double s_step = 2 * kUnit * (pd + 2);
  const double w_step = 2 * kUnit * (3 * pd + weights);
  out[w - 1] = WeightedWindow(x, w - 1, p) * inv_weights;
  for (size_t first = w; first < n;) {
    const size_t end = std::min(n, first + block);
    // m: the largest |x| of the block, its window before and its rows taken
    // as they pass.
    double m = 0;
    for (size_t i = first - w; i < first; ++i) {
      const double a = std::fabs(x[i]);
      m = m < a ? a : m;
    }
    const ExactSum start_sum = WindowSum(x, first - 1, p);
    const double start_weighted = WeightedWindow(x, first - 1, p);
    double s = start_sum.Value(), wt = start_weighted, smallest = std::fabs(wt);
    for (size_t t = first; t < end; ++t) {
      const double in = x[t];
      wt += pd * in - s;
      s += in - x[t - w];
      out[t] = wt * inv_weights;
      const double a = std::fabs(wt), b = std::fabs(in);
      smallest = a < smallest ? a : smallest;
      m = m < b ? b : m;
    }
    const double rows = static_cast<double>(end - first);
    const double s_bound = 4 * kUnit * std::fabs(start_sum.Value()) + rows * s_step * m;
    // A weighted window summed afresh errs by at most p u times its terms.
    const double w_bound = 2 * kUnit * pd * weights * m + rows * (w_step * m + s_bound);
    if (!(w_bound <= kTolerance * smallest && s - s == 0 && wt - wt == 0)) {
      ExactSum sum = start_sum;
      double weighted = start_weighted;
      RoundingBound drift;
      for (size_t t = first; t < end; ++t) {
        // Every older value loses one weight step; the new one enters at p.
        const double before = sum.Value();
        const double entering = pd * x[t];
        weighted += entering - before;
        drift.Add(std::fabs(entering) + std::fabs(before) + std::fabs(weighted));
        sum.Slide(x[t], x[t - w]);
        if (drift.Exceeds(weighted)) {
          weighted = WeightedWindow(x, t, p);
          drift.Reset();
        }
        out[t] = weighted * inv_weights;
      }
    }
    first = end;
  }
}

void Ma(MaMethod method, const double* x, size_t n, int p, double* out) {
  switch (method) {
    case MaMethod::kSma: return Sma(x, n, p, out);
    case MaMethod::kEma: return Ema(x, n, p, out);
    case MaMethod::kWma: return Wma(x, n, p, out);
  }
}

// The means are Sma's window sums, the squared deviations those of
// ForEachWindowSquaredDeviations.
void RollingStd(const double* x, size_t n, int p, double* out, double* mean_out) {
  const size_t w = static_cast<size_t>(p);
  if (mean_out != nullptr) Sma(x, n, p, mean_out);
  if (w == 0 || n < w) return FillNaN(out, 0, n);
  FillNaN(out, 0, w - 1);
  // Scaled by 1/p: within an ulp of a division, which would cost more than
  // the rest of the row.
  const double inv_p = 1.0 / p;
  ForEachWindowSquaredDeviations(x, n, w, [&](size_t t, double m2) { out[t] = std::sqrt(m2 * inv_p); });
}

WindowVariance::Sums WindowVariance::FreshSums(const double* x, size_t w, size_t end) {
  Sums s{WindowSum(x, end, static_cast<int>(w)).Value() / static_cast<double>(w), 0, 0, 0, 0};
  double magnitudes = 0;
  for (size_t i = end + 1 - w; i <= end; ++i) {
    const double d = x[i] - s.shift;
    s.s1 += d;
    s.s2 += d * d;
    magnitudes += std::fabs(d);
  }
  s.e1 = static_cast<double>(w) * magnitudes;
  s.e2 = static_cast<double>(w) * s.s2;
  return s;
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
