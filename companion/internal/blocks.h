// Building blocks of the indicator mathematics: moving averages, rolling
// statistics and window extremes over chronological arrays (index 0 is the
// oldest row).
//
// Every block fills its whole output: rows before the first valid index get
// NaN (a blank). The plain blocks assume finite input; the *Blanks variants
// accept NaN rows and treat them as the indicators do: a windowed value is
// blank when its window holds a blank, a recursive one restarts after it.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>

namespace plrxl::companion {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

enum class MaMethod { kSma = 0, kEma = 1, kWma = 2 };

// Mean of the last p values; first valid index p-1.
void Sma(const double* x, size_t n, int p, double* out);
// Exponential average, alpha 2/(p+1), seeded with the SMA of the first p
// values; first valid index p-1.
void Ema(const double* x, size_t n, int p, double* out);
// Linearly weighted average, newest weight p; first valid index p-1.
void Wma(const double* x, size_t n, int p, double* out);
void Ma(MaMethod method, const double* x, size_t n, int p, double* out);
// Population standard deviation of the last p values; first valid p-1.
// A window of identical values gives exactly 0.
void RollingStd(const double* x, size_t n, int p, double* out);
// Highest / lowest of the last p values including the current row.
void RollingMax(const double* x, size_t n, int p, double* out);
void RollingMin(const double* x, size_t n, int p, double* out);

// True range of row t >= 1: the widest of today's range and the gaps to
// yesterday's close.
inline double TrueRange(const double* close, const double* high, const double* low, size_t t) {
  const double a = high[t] - low[t];
  const double b = std::fabs(high[t] - close[t - 1]);
  const double c = std::fabs(low[t] - close[t - 1]);
  return a > b ? (a > c ? a : c) : (b > c ? b : c);
}

void MaBlanks(MaMethod method, const double* x, size_t n, int p, double* out);
void RollingStdBlanks(const double* x, size_t n, int p, double* out);

// Calls fn(begin, end) for every maximal run of finite values of x and
// fills every non-finite row of out with NaN.
template <typename Fn>
void ForEachFiniteRun(const double* x, size_t n, double* out, Fn&& fn) {
  size_t i = 0;
  while (i < n) {
    if (!std::isfinite(x[i])) {
      out[i++] = kNaN;
      continue;
    }
    size_t j = i;
    while (j < n && std::isfinite(x[j])) ++j;
    fn(i, j);
    i = j;
  }
}

}  // namespace plrxl::companion
