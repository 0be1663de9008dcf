// The windowed sums move with plain additions a block of rows at a time and
// fall back to exact sums where the rounding could show: after an outlier,
// near zero, and across many blocks. Every row of a long series must equal
// the function computed afresh on that row's window alone, to 1e-9.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "companion/indicators.h"
#include "indicator_case.h"

namespace plrxl::companion {
namespace {

constexpr size_t kRows = 3000;

struct Hostile {
  const char* name;
  std::vector<double> x;
};

// Small values (about 1e-3) with bars of 1e12 at a few rows, some in a
// pair and one at a block edge; a series that swings through zero; prices
// near 100 that grow slowly, so that blocks pass and carry their bound on;
// a random walk that drifts far from where a block's sums were centred; a
// series that stays flat for stretches longer than any window (a standard
// deviation of exactly 0 there) and steps between them.
const std::vector<Hostile>& Series() {
  static const std::vector<Hostile> series = [] {
    std::vector<Hostile> s = {{"spikes_1e12_then_small", {}}, {"through_zero", {}}, {"prices", {}},
                              {"drifting_walk", {}},          {"flat_stretches", {}}};
    double walk = 50;
    for (size_t t = 0; t < kRows; ++t) {
      const double wave = std::sin(0.37 * static_cast<double>(t)) + 0.3 * std::cos(1.7 * static_cast<double>(t));
      const bool spike = t == 300 || t == 301 || t == 1279 || t == 2200;
      s[0].x.push_back(spike ? 1e12 * (1 + 0.1 * wave) : 1e-3 * (1.5 + wave));
      s[1].x.push_back(wave);
      s[2].x.push_back(100 + 0.01 * static_cast<double>(t) + wave);
      walk *= 1 + 0.01 * std::sin(1e3 * std::sin(static_cast<double>(t)));  // about as rough as noise
      s[3].x.push_back(walk);
      s[4].x.push_back((t / 400) % 2 == 0 ? 100.0 / 3 + static_cast<double>(t / 400) : 100 + wave);
    }
    return s;
  }();
  return series;
}

struct SumCase {
  const char* function;
  std::vector<const char*> params;
  // Also over the flat stretches, where the result must be exactly what the
  // window alone gives even at 0 (a difference from the mean, such as the
  // detrended oscillator's, is only as close as the mean).
  bool flat_too = false;
  // Takes logarithms: not over the series that swings through zero, whose
  // windows would all be blank.
  bool logs = false;
};

class WindowSumTest : public ::testing::TestWithParam<SumCase> {};

TEST_P(WindowSumTest, EveryRowEqualsItsWindowComputedAlone) {
  const SumCase& c = GetParam();
  const IndicatorSpec* ind = FindIndicator(c.function);
  ASSERT_NE(ind, nullptr);
  const ParamValues params = testing::Params(*ind, c.params);
  for (const Hostile& series : Series()) {
    if (!c.flat_too && std::string(series.name) == "flat_stretches") continue;
    if (c.logs && std::string(series.name) == "through_zero") continue;
    const std::vector<double> got = Compute(*ind, std::vector<std::vector<double>>{series.x}, params);
    const auto first = std::find_if(got.begin(), got.end(), [](double v) { return !std::isnan(v); });
    const size_t span = static_cast<size_t>(first - got.begin()) + 1;
    ASSERT_LT(span, kRows / 4) << series.name;
    double worst = 0;
    size_t worst_row = 0;
    for (size_t t = span - 1; t < kRows; ++t) {
      const std::vector<double> window(series.x.begin() + static_cast<long>(t + 1 - span),
                                       series.x.begin() + static_cast<long>(t + 1));
      const double want = Compute(*ind, std::vector<std::vector<double>>{window}, params).back();
      if (std::isnan(want) || std::isnan(got[t])) {
        EXPECT_EQ(std::isnan(want), std::isnan(got[t])) << series.name << " row " << t;
        continue;
      }
      double scale = 0;
      for (double v : window) scale = std::max(scale, std::fabs(v));
      const double error = std::fabs(got[t] - want) / std::max(std::fabs(want), 1e-6 * scale);
      if (error > worst) {
        worst = error;
        worst_row = t;
      }
    }
    EXPECT_LE(worst, 1e-9) << series.name << ": worst relative error " << worst << " at row " << worst_row;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sums, WindowSumTest,
    ::testing::Values(SumCase{"MvAvgSingle", {"10"}}, SumCase{"MvAvgSingle", {"300"}}, SumCase{"MvAvgSingle", {"1"}},
                      SumCase{"DPOSingle", {"20"}}, SumCase{"AvgPosChangeSingle", {"14"}},
                      SumCase{"AvgNegChangeSingle", {"300"}}, SumCase{"CutlerRSISingle", {"14"}},
                      SumCase{"ChandeMomentumOscillatorSingle", {"500"}}, SumCase{"LinWgtMvAvgSingle", {"10"}},
                      SumCase{"LinWgtMvAvgSingle", {"300"}}, SumCase{"LinWgtMvAvgSingle", {"1"}},
                      SumCase{"BollingerBandSingleUp", {"20"}}, SumCase{"BollingerBandSingleUp", {"300"}},
                      // (up - down) / middle: the standard deviation's own error shows.
                      SumCase{"BollingerBandWidthSingle", {"3"}, true},
                      SumCase{"BollingerBandWidthSingle", {"20"}, true},
                      SumCase{"BollingerBandWidthSingle", {"300"}, true},
                      SumCase{"HistoricalVolatilitySingle10", {}, true, true},
                      SumCase{"HistoricalVolatilitySingle100", {}, true, true},
                      SumCase{"HistoricalVolatilityIndicatorSingle", {}, true, true}),
    [](const auto& info) { return testing::CaseName(info.param); });

}  // namespace
}  // namespace plrxl::companion
