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

#include "companion/internal/exact_sum.h"

namespace plrxl::companion {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

enum class MaMethod { kSma = 0, kEma = 1, kWma = 2 };

// max(d, 0) without a branch: d + |d| is 2d or 0 exactly, halving is exact.
// A compare and branch here costs a misprediction on every other row of a
// price series, more than the rest of a gain/loss window's work.
inline double PositivePart(double d) { return 0.5 * (d + std::fabs(d)); }

// Blanks rows from..to-1 of out.
inline void FillNaN(double* out, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) out[i] = kNaN;
}
// Blanks the first `rows` rows of a column of `size` (all of it when shorter).
inline void BlankHead(double* out, size_t rows, size_t size) { FillNaN(out, 0, rows < size ? rows : size); }

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

// The sums of the w values value(i) ending at every row t = w-1..n-1,
// handed to emit(t, sum) in row order, each within 1e-11 of itself: a value
// that has left the window leaves no trace. A block's rows may be handed
// over twice, the plain sums first and then the exact ones: the last call
// for a row stands (emit writes a result row, nothing that accumulates).
//
// The window moves with plain additions, a block of rows at a time, which
// costs two additions a row instead of ExactSum's dozen operations. A block
// of r rows that starts from a sum within c of the true one ends within
//   c + 2 r u (w + 2) m,  u = 2^-53, m = the largest |value| it touches,
// since every sum it forms is at most w m and every change at most 2 m
// (the 2 covers the rounding of the bound's own terms). When that could
// exceed 1e-11 of the smallest sum of the block (an outlier in the window,
// sums near zero, a long run since the last fresh start), the block is summed
// again exactly from a fresh window, as ExactSum does, and c starts over.
// So a series without outliers pays for the plain sums and one comparison a
// row, and the rows after an outlier for exact ones until it has left.
template <typename Value, typename Emit>
void ForEachWindowSum(size_t n, size_t w, Value&& value, Emit&& emit) {
  constexpr size_t kBlock = 256;
  constexpr double kUnit = 1.1102230246251565e-16;
  constexpr double kTolerance = 1e-11;
  if (w == 0 || n < w) return;
  auto fresh = [&](size_t row) {
    ExactSum sum;
    for (size_t i = row + 1 - w; i <= row; ++i) sum.Add(value(i));
    return sum;
  };
  // The exact sums, kept on from block to block while blocks need them;
  // exact_on: exact holds the window ending at the row before the block.
  ExactSum exact = fresh(w - 1);
  bool exact_on = true;
  double before = exact.Value();  // the sum of the window ending at the row before the block
  double carried = 4 * kUnit * std::fabs(before);  // bound on its error
  emit(w - 1, before);
  for (size_t first = w; first < n;) {
    const size_t end = first + kBlock < n ? first + kBlock : n;
    double largest = 0;
    for (size_t i = first - w; i < end; ++i) {
      const double a = std::fabs(value(i));
      largest = largest < a ? a : largest;  // not std::fmax, which is a call
    }
    double s = before, smallest = std::fabs(s);
    for (size_t t = first; t < end; ++t) {
      s += value(t) - value(t - w);
      emit(t, s);
      const double a = std::fabs(s);
      smallest = a < smallest ? a : smallest;
    }
    // A NaN or infinity on the way leaves s - s NaN, and the test false.
    const double bound = carried + 2 * kUnit * static_cast<double>((end - first) * (w + 2)) * largest;
    if (bound <= kTolerance * smallest && s - s == 0) {
      carried = bound;
      exact_on = false;
    } else {
      if (!exact_on) exact = fresh(first - 1);
      for (size_t t = first; t < end; ++t) {
        exact.Slide(value(t), value(t - w));
        emit(t, exact.Value());
      }
      exact_on = true;
      s = exact.Value();
      carried = 4 * kUnit * std::fabs(s);
    }
    before = s;
    first = end;
  }
}

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

// The sum of squared deviations from their mean (m2) of the last w values
// of x, moved one row at a time and checked on every row to 1e-11 of
// itself: what ForEachWindowSquaredDeviations falls back on for a block
// whose own bound is too loose.
//
// It keeps plain running sums of d = x - shift and of d*d, shift being the
// window's mean when the sums were last started, so that the sum of d*d
// stays close to m2 and m2 = sum(d*d) - sum(d)^2 / w cancels little. A plain
// running sum keeps the rounding of every value that passed through it (a
// return of 23 in a window whose m2 is 0.01); beside each sum goes a bound on
// that rounding, and when the bound could reach 1e-11 of m2 the sums are
// started afresh from the window. Where even fresh sums cannot promise that
// (values equal but for their last bits), m2 is the fresh sums' value: the
// two-pass formula about the exactly summed mean, the best the values allow.
// A window of identical values gives exactly 0.
//
// Why the bound holds (u = 2^-53; sums over the window; no contraction into
// fused multiply-adds, so a value's d*d is the same when it enters and when
// it leaves):
// - each slide s += a - b rounds by at most u (|a - b| + |s|) as computed;
//   e1 and e2 add these up, and a fresh start sums w terms with an error of
//   at most w u times the sum of their magnitudes, which e1 and e2 start at.
//   So s1 is within u e1 of sum(d), s2 within u e2 of sum(d*d) as rounded.
// - rounding d*d moves s2 from sum(d^2) by at most u s2; m2 = s2 - p with
//   p = s1 * s1 * (1/w) rounds by at most u |m2| + 3u p, and the error
//   e = u e1 of s1 enters p as at most e (2 |s1| + e) / w.
// - rounding x - shift moves each d by at most u |d|, which moves m2 by at
//   most 2u sqrt(m2 sum(d^2)) <= u (m2 + sum(d^2)).
// With u doubled for the products of (1 + u) factors and for the rounding
// of e1 and e2 themselves (below 1e-6 of them for any series shorter than
// 10^9 rows):
//   |m2 - exact| <= 2u (2 |m2| + 2 s2 + e2 + 3.02 p) + e (2 |s1| + e) / w,
// and m2 is used as it is while that is at most 1e-11 m2.
class WindowVariance {
 public:
  // Starts on the window of w values ending at x[end].
  WindowVariance(const double* x, int w, size_t end)
      : x_(x), w_(static_cast<size_t>(w)), inv_w_(1.0 / w), sums_(FreshSums(x, w_, end)) {
    for (size_t i = end; i > end + 1 - w_ && x[i] == x[i - 1]; --i) ++equal_run_;
  }
  // Moves the window on to end at x[end]: x[end] comes in, x[end - w]
  // leaves.
  void Slide(size_t end) {
    Sums& s = sums_;
    const double in = x_[end] - s.shift, out = x_[end - w_] - s.shift;
    const double d1 = in - out, d2 = in * in - out * out;
    s.s1 += d1;
    s.s2 += d2;
    s.e1 += std::fabs(s.s1) + std::fabs(d1);
    s.e2 += std::fabs(s.s2) + std::fabs(d2);
    equal_run_ = x_[end] == x_[end - 1] ? equal_run_ + 1 : 1;
  }
  // m2 of the window ending at x[end], the last row started on or slid to.
  double SquaredDeviations(size_t end) {
    if (equal_run_ >= w_) return 0;
    double p;
    double m2 = Estimate(p);
    if (Trusted(m2, p)) return m2;
    sums_ = FreshSums(x_, w_, end);
    m2 = Estimate(p);
    return m2 > 0 ? m2 : 0.0;
  }

 private:
  // The running sums and their rounding bounds (in units of kUnit).
  struct Sums {
    double shift, s1, s2, e1, e2;
  };
  // Sums of the window ending at x[end] started afresh about its mean. Out
  // of line and returned by value, so that the sums of the callers' loops
  // can stay in registers.
  static Sums FreshSums(const double* x, size_t w, size_t end);

  double Estimate(double& p) const {
    p = sums_.s1 * sums_.s1 * inv_w_;
    return sums_.s2 - p;
  }
  bool Trusted(double m2, double p) const {
    const Sums& s = sums_;
    const double e = kUnit * s.e1;
    const double bound = 2 * std::fabs(m2) + 2 * s.s2 + s.e2 + 3.02 * p + s.e1 * (2 * std::fabs(s.s1) + e) * inv_w_;
    return bound <= kTrustedShare * m2;
  }

  // 2u, and 1e-11 / 2u: the bound above is kept in units of 2u.
  static constexpr double kUnit = 2.220446049250313e-16;
  static constexpr double kTrustedShare = 1e-11 / kUnit;

  const double* x_;
  size_t w_;
  double inv_w_;
  Sums sums_;
  // Length of the run of identical values ending at the window's last row.
  size_t equal_run_ = 1;
};

// The sum of squared deviations from their mean (m2) of the w values of x
// ending at every row t = w-1..n-1, handed to emit(t, m2) in row order, each
// within 1e-11 of itself (0 exactly for a window of identical values). As
// with ForEachWindowSum, a block's rows may be handed over twice, the last
// call for a row standing; a row's first m2 may be negative or NaN.
//
// The rows move a block at a time with plain sums s1 of d = x - shift and
// s2 of d*d, started afresh at each block about roughly the mean of the
// window before it, so that m2 = s2 - s1 * s1 / w cancels little and no
// rounding is carried from one block to the next.
//
// The bound (u' = 2^-52, twice the unit roundoff, which covers the rounding
// of the bound's own terms; M the largest |d| of the block, S1 the largest
// |s1| and S2 the largest s2 it reached, A the sum of |d| and S0 the s2 it
// started with, r its rows):
// - a fresh start errs by at most u' w A in s1 and u' (w + 1) S0 in s2;
// - a row adds at most u' (2M + S1) to the error of s1 and u' (3M^2 + S2)
//   to that of s2, so after the block they are E1 and E2 at most;
// - an error E1 of s1 moves s1 * s1 / w by at most (2 S1 E1 + E1^2) / w;
// - forming m2 and the rounding of each d (the same entering and leaving:
//   no contraction) move it by at most 3u' S1^2 / w + 3u' S2.
// A block whose bound could reach 1e-11 of its smallest m2 (an outlier, a
// flat stretch, a window of identical values) is computed again by
// WindowVariance, which checks every row.
template <typename Emit>
void ForEachWindowSquaredDeviations(const double* x, size_t n, size_t w, Emit&& emit) {
  constexpr size_t kBlock = 32;
  constexpr double kUnit = 2.220446049250313e-16;
  constexpr double kTolerance = 1e-11;
  if (w == 0 || n < w) return;
  const int p = static_cast<int>(w);
  const double wd = static_cast<double>(w), inv_w = 1.0 / wd;
  emit(w - 1, WindowVariance(x, p, w - 1).SquaredDeviations(w - 1));
  const size_t block = kBlock > 2 * w ? kBlock : 2 * w;
  double shift = 0;
  for (size_t i = 0; i < w; ++i) shift += x[i];
  shift *= inv_w;
  for (size_t first = w; first < n;) {
    const size_t end = first + block < n ? first + block : n;
    double s1 = 0, s2 = 0, magnitudes = 0, largest = 0;
    for (size_t i = first - w; i < first; ++i) {
      const double d = x[i] - shift, a = std::fabs(d);
      s1 += d;
      s2 += d * d;
      magnitudes += a;
      largest = largest < a ? a : largest;  // not std::fmax, which is a call
    }
    const double start_s2 = s2;
    double smallest = std::numeric_limits<double>::infinity(), s1_most = std::fabs(s1), s2_most = s2;
    for (size_t t = first; t < end; ++t) {
      const double in = x[t] - shift, old = x[t - w] - shift;
      s1 += in - old;
      s2 += in * in - old * old;
      const double m2 = s2 - s1 * s1 * inv_w;
      emit(t, m2);
      smallest = m2 < smallest ? m2 : smallest;
      const double a = std::fabs(in), b = std::fabs(s1);
      largest = largest < a ? a : largest;
      s1_most = s1_most < b ? b : s1_most;
      s2_most = s2_most < s2 ? s2 : s2_most;
    }
    const double rows = static_cast<double>(end - first), m = largest;
    const double e1 = kUnit * (wd * magnitudes + rows * (2 * m + s1_most));
    const double e2 = kUnit * ((wd + 1) * start_s2 + rows * (3 * m * m + s2_most));
    const double bound =
        e2 + (2 * s1_most * e1 + e1 * e1) * inv_w + 3 * kUnit * (s1_most * s1_most * inv_w + s2_most);
    // A NaN or infinity on the way makes the test false.
    if (!(bound <= kTolerance * smallest)) {
      WindowVariance window(x, p, first - 1);
      for (size_t t = first; t < end; ++t) {
        window.Slide(t);
        emit(t, window.SquaredDeviations(t));
      }
    }
    // The next block is centred on about the mean of its first window (any
    // finite shift is correct; one near the mean keeps s2 close to m2).
    const double next = shift + s1 * inv_w;
    shift = std::isfinite(next) ? next : x[end - 1];
    first = end;
  }
}

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
