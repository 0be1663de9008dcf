// Windowed indicators after an outlier: every row must equal the function
// computed afresh on that row's window alone, so the rounding of a huge value
// that has left the window can leave no trace. Three hostile series, all
// built from the reference series: one bar of about 1e12, one bar times 1e4,
// and a crash from about 10000 to about 1.
//
// Tolerance: |got - want| <= 1e-9 * max(|want|, floor), where the floor is
// 1e-6 times the largest input magnitude in the row's window. Near zero this
// allows about five units in the last place of the window's own values (a
// difference of two averages cannot be closer than that to the true one);
// anywhere else it is a plain 1e-9 relative test.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "companion/indicators.h"
#include "reference_series.h"

namespace plrxl::companion {
namespace {

using testing::Reference;

constexpr size_t kOutlierRow = 150;
constexpr double kRelative = 1e-9;
constexpr double kFloorShare = 1e-6;

// A series of o h l c v columns, oldest first.
struct Ohlcv {
  std::string name;
  std::map<char, std::vector<double>> columns;
  std::vector<std::vector<double>> Pick(const std::string& letters) const {
    std::vector<std::vector<double>> out;
    for (char c : letters) out.push_back(columns.at(c));
    return out;
  }
};

// The reference series with each row's prices scaled by price(t) and its
// volume by volume(t).
template <typename PriceScale, typename VolumeScale>
Ohlcv Scaled(const std::string& name, PriceScale price, VolumeScale volume) {
  Ohlcv s{name, Reference().columns};
  for (char c : std::string("ohlc")) {
    for (size_t t = 0; t < s.columns[c].size(); ++t) s.columns[c][t] *= price(t);
  }
  for (size_t t = 0; t < s.columns['v'].size(); ++t) s.columns['v'][t] *= volume(t);
  return s;
}

const std::vector<Ohlcv>& HostileSeries() {
  static const std::vector<Ohlcv> series = [] {
    auto at_outlier = [](double factor) { return [factor](size_t t) { return t == kOutlierRow ? factor : 1.0; }; };
    return std::vector<Ohlcv>{
        // One bar near 1e12 (prices about 100 elsewhere), its volume too.
        Scaled("spike_1e12", at_outlier(1e10), at_outlier(1e6)),
        Scaled("bar_times_1e4", at_outlier(1e4), at_outlier(1e4)),
        // About 10000 up to the outlier row, about 1 from there on.
        Scaled("crash_10000_to_1", [](size_t t) { return t < kOutlierRow ? 100.0 : 0.01; },
               [](size_t) { return 1.0; }),
    };
  }();
  return series;
}

struct WindowedCase {
  const char* function;
  const char* inputs;  // columns, in the function's input order
  std::vector<const char*> params;
};

// Every function whose value at a row depends only on a fixed number of rows
// up to it (recursive averages and running totals have no window).
const std::vector<WindowedCase>& WindowedCases() {
  static const std::vector<WindowedCase> cases = {
      {"MvAvgSingle", "c", {}},
      {"MvAvgSingle", "c", {"30"}},
      {"LinWgtMvAvgSingle", "c", {}},
      {"MvAvgDiffSingle", "c", {}},
      {"LinWgtMvAvgDiffSingle", "c", {}},
      {"LagMvAvgSingle", "c", {}},
      {"LagLinWgtMvAvgSingle", "c", {}},
      {"LagMvAvgDiffSingle", "c", {}},
      {"LagMvAvgDiffSingle", "c", {"10", "4", "20"}},
      {"LagLinWgtMvAvgDiffSingle", "c", {}},
      {"ChangeSingle", "c", {}},
      {"MomentumSingle", "c", {}},
      {"AvgChangeSingle", "c", {}},
      {"AvgPosChangeSingle", "c", {}},
      {"AvgNegChangeSingle", "c", {}},
      {"AccelerationSingle", "c", {}},
      {"LagValueSingle", "c", {}},
      {"HighValSingle", "h", {}},
      {"LowValSingle", "l", {}},
      {"CrossSingle", "co", {}},
      {"CutlerRSISingle", "c", {}},
      {"ChandeMomentumOscillatorSingle", "c", {}},
      {"DPOSingle", "c", {}},
      {"StochasticOscillatorSingle", "hlc", {}},
      {"StochasticOscillatorSingle", "hlc", {"14", "5"}},
      {"WilliamsRSingle", "chl", {}},
      {"AroonUpSingle", "h", {}},
      {"AroonDownSingle", "l", {}},
      {"AroonOscillatorSingle", "hl", {}},
      {"BollingerBandSingleUp", "c", {}},
      {"BollingerBandSingleUp", "c", {"10", "1.5"}},
      {"BollingerBandSingleDown", "c", {}},
      {"BollingerBandPercentSingle", "c", {}},
      {"BollingerBandWidthSingle", "c", {}},
      {"EnvelopeSingle", "c", {}},
      {"EnvelopeSingle", "c", {"10", "-3", "LinWgtMvAvg"}},
      {"HistoricalVolatilitySingle10", "c", {}},
      {"HistoricalVolatilitySingle100", "c", {}},
      {"HistoricalVolatilityIndicatorSingle", "c", {}},
      {"ChaikinMoneyFlowSingle", "cvhl", {}},
      {"OBVOscillatorSingle", "cv", {}},
      {"AverageOfVolumeROCSingle", "v", {}},
      {"EaseOfMovementSingle", "hlv", {}},
      {"EaseOfMovementSingle", "hlv", {"10", "LinWgtMvAvg"}},
      {"MarketFacilitationIndexSingle", "hlv", {}},
      {"BillWilliamsProfitunitySingle", "hlv", {}},
      {"SquatBarVariablesSingle", "vhl", {}},
      {"ColesRallyDaySingle", "hl", {}},
      {"ColesReactionDaySingle", "hl", {}},
      {"ElderRayBullPowerSingle", "hc", {"", "MvAvg"}},
      {"ElderRayBearPowerSingle", "lc", {"20", "LinWgtMvAvg"}},
      {"FosbackUnchangedIssuesSingle", "ohl", {"5", "MvAvg"}},
      {"HughesBreadthIndexSingle", "ohl", {"3", "LinWgtMvAvg"}},
  };
  return cases;
}

std::string CaseName(const WindowedCase& c) {
  std::string name = c.function;
  for (const char* p : c.params) name += std::string("_") + (*p ? p : "empty");
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
}

ParamValues Params(const IndicatorSpec& ind, const std::vector<const char*>& texts) {
  std::vector<ParamInput> raw;
  for (const char* t : texts) raw.push_back(ParamInput::Text(t));
  return ResolveParams(ind, raw);
}

// Rows a value needs: its window is the first valid row plus one.
size_t WindowRows(const IndicatorSpec& ind, const std::string& inputs, const ParamValues& params) {
  const std::vector<double> out = Compute(ind, Reference().Pick(inputs), params);
  const auto first = std::find_if(out.begin(), out.end(), [](double v) { return !std::isnan(v); });
  return static_cast<size_t>(first - out.begin()) + 1;
}

class OutlierTest : public ::testing::TestWithParam<WindowedCase> {};

TEST_P(OutlierTest, EveryRowEqualsItsWindowComputedAlone) {
  const WindowedCase& c = GetParam();
  const IndicatorSpec* ind = FindIndicator(c.function);
  ASSERT_NE(ind, nullptr);
  const ParamValues params = Params(*ind, c.params);
  const size_t span = WindowRows(*ind, c.inputs, params);
  ASSERT_LT(span, Reference().size() / 2);
  for (const Ohlcv& series : HostileSeries()) {
    const auto inputs = series.Pick(c.inputs);
    const std::vector<double> got = Compute(*ind, inputs, params);
    double worst = 0;
    size_t worst_row = 0;
    for (size_t t = span - 1; t < got.size(); ++t) {
      std::vector<std::vector<double>> window;
      double scale = 0;
      for (const auto& column : inputs) {
        window.emplace_back(column.begin() + static_cast<long>(t + 1 - span), column.begin() + static_cast<long>(t + 1));
        for (double v : window.back()) scale = std::max(scale, std::fabs(v));
      }
      const double want = Compute(*ind, window, params).back();
      if (std::isnan(want) || std::isnan(got[t])) {
        EXPECT_EQ(std::isnan(want), std::isnan(got[t])) << series.name << " row " << t;
        continue;
      }
      const double error = std::fabs(got[t] - want) / std::max(std::fabs(want), kFloorShare * scale);
      if (error > worst) {
        worst = error;
        worst_row = t;
      }
    }
    EXPECT_LE(worst, kRelative) << series.name << ": worst relative error " << worst << " at row " << worst_row;
  }
}

INSTANTIATE_TEST_SUITE_P(Windowed, OutlierTest, ::testing::ValuesIn(WindowedCases()),
                         [](const auto& info) { return CaseName(info.param) + "_" + std::to_string(info.index); });

}  // namespace
}  // namespace plrxl::companion
