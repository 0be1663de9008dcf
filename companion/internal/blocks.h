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
#include <vector>

namespace plrxl::companion {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

enum class MaMethod { kSma = 0, kEma = 1, kWma = 2 };

// Scratch memory reused from call to call, so that a long series pays for
// its temporary buffers once instead of touching fresh pages on every call.
// One per caller; not for sharing between threads.
class Workspace {
 public:
  // Marks the buffers in use; those taken inside a scope are given back when
  // it ends.
  class Scope {
   public:
    explicit Scope(Workspace& ws) : ws_(ws), mark_(ws.used_) {}
    ~Scope() { ws_.used_ = mark_; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    Workspace& ws_;
    size_t mark_;
  };

  // n doubles of unspecified content, valid until the enclosing Scope ends.
  double* Take(size_t n) {
    if (used_ == buffers_.size()) buffers_.emplace_back();
    std::vector<double>& buffer = buffers_[used_++];
    if (buffer.size() < n) buffer.resize(n);
    return buffer.data();
  }
  double* Take(size_t n, double fill) {
    double* p = Take(n);
    for (size_t i = 0; i < n; ++i) p[i] = fill;
    return p;
  }

 private:
  std::vector<std::vector<double>> buffers_;
  size_t used_ = 0;
};

// Window sums are exact to the rounding of the result: a value that has
// left the window leaves no trace (see companion/internal/exact_sum.h).
//
// Mean of the last p values; first valid index p-1.
void Sma(const double* x, size_t n, int p, double* out);
// Exponential average, alpha 2/(p+1), seeded with the SMA of the first p
// values; first valid index p-1.
void Ema(const double* x, size_t n, int p, double* out);

// The same average fed one value at a time: Step returns NaN until p values
// have been seen. Several runners stepped in one loop overlap their latency
// chains, which is what makes pairs of averages cheap.
class EmaRunner {
 public:
  explicit EmaRunner(int p) : p_(p), alpha_(2.0 / (p + 1.0)), beta_(1.0 - alpha_) {}
  double Step(double x) {
    if (seen_ < p_) {
      sum_ += x;
      if (++seen_ < p_) return kNaN;
      e_ = sum_ / p_;
      return e_;
    }
    e_ = beta_ * e_ + alpha_ * x;
    return e_;
  }

 private:
  int p_;
  double alpha_, beta_;
  int seen_ = 0;
  double sum_ = 0, e_ = 0;
};

// Double exponential average 2*E1 - E2, E2 being the average of E1 seeded on
// E1's first p values; first valid value after 2(p-1) steps.
class DemaRunner {
 public:
  explicit DemaRunner(int p) : e1_(p), e2_(p) {}
  double Step(double x) {
    const double e1 = e1_.Step(x);
    if (e1 != e1) return kNaN;
    const double e2 = e2_.Step(e1);
    return e2 != e2 ? kNaN : 2 * e1 - e2;
  }

 private:
  EmaRunner e1_, e2_;
};
// Linearly weighted average, newest weight p; first valid index p-1.
void Wma(const double* x, size_t n, int p, double* out);
void Ma(MaMethod method, const double* x, size_t n, int p, double* out);
// Population standard deviation of the last p values; first valid p-1.
// A window of identical values gives exactly 0. With mean_out, the window
// means (the simple moving average) too.
void RollingStd(const double* x, size_t n, int p, double* out, double* mean_out = nullptr);
class Workspace;
// Highest / lowest of the last p values including the current row.
void RollingMax(const double* x, size_t n, int p, double* out, Workspace& ws);
void RollingMin(const double* x, size_t n, int p, double* out, Workspace& ws);

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
