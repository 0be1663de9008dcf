// The exact running sum behind the windowed indicators: used throughout by
// some, and by ForEachWindowSum (blocks.h) for the rows where its plain sums
// could not promise 1e-11.
//
// A window sum kept by adding the new row and subtracting the old one would
// carry the rounding of a huge value for ever: after one bar of 1e12 in a
// series near 100, each addition while it is in the window loses about 1e-4,
// and that loss stays in the sum long after the bar has left. ExactSum keeps
// the rounding error of every addition beside the sum (Knuth's two-sum), so
// the pair hi + lo is the exact total up to the rounding of the small
// correction term; taking a value away again removes it without a trace.
//
// Costs a few more additions per row than a plain sum and no branches. The
// compiler must not reassociate or contract these expressions: the companion
// library is built with -ffp-contract=off and without -ffast-math.
//
// Values whose exact update would cost too much per row (a weighted sum, the
// squared deviations of a window) are updated with plain arithmetic instead,
// with a RoundingBound beside them, and summed afresh from the window when
// the bound passes 1e-11 of the value. WindowVariance (blocks.h) keeps the
// sums behind a window's variance the same way, with a bound of its own.
#pragma once

#include <cmath>

namespace plrxl::companion {

class ExactSum {
 public:
  void Add(double x) {
    double e;
    hi_ = TwoSum(hi_, x, e);
    lo_ += e;
  }
  // Adds a + b; the pair is summed exactly first, so that each of hi and lo
  // takes one addition per call on its loop-carried chain instead of two.
  void Add(double a, double b) {
    double e1, e2;
    const double s = TwoSum(a, b, e1);
    hi_ = TwoSum(hi_, s, e2);
    lo_ += e1 + e2;
  }
  // Takes `out` away and adds `in`: the window moves one row.
  void Slide(double in, double out) { Add(in, -out); }
  double Value() const { return hi_ + lo_; }

 private:
  // a + b rounded; err receives the rounding error exactly.
  static double TwoSum(double a, double b, double& err) {
    const double s = a + b;
    const double b_part = s - a;
    err = (a - (s - b_part)) + (b - b_part);
    return s;
  }

  double hi_ = 0;
  double lo_ = 0;
};

// An upper bound on the rounding error that a value updated row by row has
// gathered since it was last summed afresh. Each update adds the magnitudes
// of the operands and results it rounded.
class RoundingBound {
 public:
  void Add(double magnitudes) { bound_ += kPerUpdate * magnitudes; }
  // True when the value can no longer be trusted to 1e-11 of itself.
  bool Exceeds(double value) const { return bound_ > kTolerance * std::fabs(value); }
  void Reset() { bound_ = 0; }

 private:
  // A few units of rounding (2^-53 each) per magnitude, with a margin.
  static constexpr double kPerUpdate = 8 * 1.1102230246251565e-16;
  static constexpr double kTolerance = 1e-11;
  double bound_ = 0;
};

}  // namespace plrxl::companion
