// The comparison an update makes before it appends: the newest bars it
// holds against the same days downloaded again. A source that re-adjusted
// its history after a split or a dividend sends every older bar scaled by
// one factor; a source that corrected a few bars sends those changed. An
// update appends only when the overlap is unchanged: a sheet never holds
// old prices before new ones.
//
// Pure functions over plain bars, shared by the quote store (stored bars
// against the fetched ones) and the run driver (the sheet's bars against
// the row's download).
#pragma once

#include <limits>
#include <string>
#include <vector>

namespace plrxl::history {

// A field a bar does not have (a column the sheet does not show).
inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// One bar as compared: the exchange-local day and whichever fields are known.
struct CheckedBar {
  double date = 0;  // whole-day serial
  double open = kNoValue, high = kNoValue, low = kNoValue, close = kNoValue, adj_close = kNoValue;
  double volume = kNoValue;
};

// Prices are equal within this relative difference, volumes within kVolumeTolerance.
inline constexpr double kPriceTolerance = 1e-4;
inline constexpr double kVolumeTolerance = 0.005;

enum class Verdict {
  kSame,        // every compared bar is equal: append
  kReadjusted,  // the older bars come scaled by one split or dividend factor
  kCorrected,   // a few bars differ otherwise: rewrite those
  kReshaped,    // a bar appeared or vanished inside the overlap: rewrite all
};

struct OverlapCheck {
  Verdict verdict = Verdict::kSame;
  int compared = 0;                // bars found on both sides
  double factor = 1;               // kReadjusted: fresh price / held price
  double since = 0;                // kReadjusted: the first compared day still equal; 0 when none was
  std::vector<double> changed;     // kCorrected: the days whose bars differ, oldest first
  std::string reason;              // kReshaped: which day appeared or vanished
};

// Compares `held` with `fresh` (both oldest first, one bar a day) on the
// days both cover: days of one side within the other's first and last day
// that the other lacks make kReshaped. Equal within the tolerances is
// kSame. When the differing bars are the oldest compared ones (at least
// two of them, or all), every differing price field is scaled by one
// factor and that factor is a split (near a ratio of small whole numbers)
// or a dividend (0.9 to 1), the verdict is kReadjusted; any other
// difference is kCorrected. Nothing to compare is kSame with compared 0.
OverlapCheck CompareOverlap(const std::vector<CheckedBar>& held, const std::vector<CheckedBar>& fresh);

// "split 4:1" for 0.25, "split 1:10" for 10, "dividend" for 0.9 to 1, ""
// for a factor that is neither.
std::string FactorKind(double factor);

// The factor an event makes of the prices before it: 1 / ratio for a
// split; 1 - amount / the close before the ex-day for a dividend (1 when
// `bars` has no close before it). `bars` oldest first.
double SplitFactor(double ratio);
double DividendFactor(double amount, double ex_day, const std::vector<CheckedBar>& bars);

// The status sentence of a rewritten history is ReadjustedText, ": " and
// RewrittenText: "history re-adjusted ×0.25 (split 4:1 on 2026-06-10):
// 2,512 bars rewritten". `day` 0 leaves out " on ...".
std::string ReadjustedText(double factor, double day);
std::string RewrittenText(long bars);
// "2 bars corrected by the source"
std::string CorrectedText(long bars);

// "2,512"
std::string GroupedCount(long n);
// "2026-06-10"
std::string DayText(double serial);

}  // namespace plrxl::history
