// Windowed indicators after an outlier: every row must equal the function
// computed afresh on that row's window alone, so the rounding of a huge value
// that has left the window can leave no trace. Three hostile series, all
// built from the reference series: one bar of about 1e12, one bar times 1e4,
// and a crash from about 10000 to about 1.
//
// The same rows are also checked against values of the independent oracle
// (tests/companion/indicator_oracle.py --outliers, naive per-window sums),
// at rows whose window the outlier has left.
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
#include "indicator_case.h"
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

using testing::CaseName;
using testing::Params;

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

struct OutlierGoldenCase {
  const char* function;
  const char* inputs;
  std::vector<const char*> params;
  size_t series;  // index into HostileSeries()
  std::vector<std::pair<size_t, double>> rows;
};

// Printed by tests/companion/indicator_oracle.py --outliers.
const std::vector<OutlierGoldenCase>& OutlierGoldenCases() {
  static const std::vector<OutlierGoldenCase> cases = {
    {"MvAvgSingle", "c", {}, 0, {{160, 126.79600000000001}, {177, 124.595}, {299, 141.28700000000001}}},
    {"MvAvgSingle", "c", {}, 1, {{160, 126.79600000000001}, {177, 124.595}, {299, 141.28700000000001}}},
    {"MvAvgSingle", "c", {}, 2, {{160, 1.26796}, {177, 1.2459499999999999}, {299, 1.4128700000000001}}},
    {"MvAvgSingle", "c", {"30"}, 0, {{180, 125.09833333333333}, {197, 119.10799999999999}, {299, 143.524}}},
    {"MvAvgSingle", "c", {"30"}, 1, {{180, 125.09833333333333}, {197, 119.10799999999999}, {299, 143.524}}},
    {"MvAvgSingle", "c", {"30"}, 2, {{180, 1.2509833333333333}, {197, 1.1910799999999997}, {299, 1.4352400000000001}}},
    {"LinWgtMvAvgSingle", "c", {}, 0, {{160, 128.09490909090908}, {177, 123.43127272727273}, {299, 141.25563636363634}}},
    {"LinWgtMvAvgSingle", "c", {}, 1, {{160, 128.09490909090908}, {177, 123.43127272727273}, {299, 141.25563636363634}}},
    {"LinWgtMvAvgSingle", "c", {}, 2, {{160, 1.280949090909091}, {177, 1.2343127272727272}, {299, 1.4125563636363641}}},
    {"MvAvgDiffSingle", "c", {}, 0, {{176, -1.0633333333333326}, {193, -2.8620512820512545}, {299, -1.6066025641025306}}},
    {"MvAvgDiffSingle", "c", {}, 1, {{176, -1.0633333333333326}, {193, -2.8620512820512545}, {299, -1.6066025641025306}}},
    {"MvAvgDiffSingle", "c", {}, 2, {{176, -0.010633333333333272}, {193, -0.028620512820512589}, {299, -0.016066025641026105}}},
    {"LinWgtMvAvgDiffSingle", "c", {}, 0, {{176, -1.4836039886040027}, {193, -0.31948717948714034}, {299, -1.1809971509971433}}},
    {"LinWgtMvAvgDiffSingle", "c", {}, 1, {{176, -1.4836039886040027}, {193, -0.31948717948714034}, {299, -1.1809971509971433}}},
    {"LinWgtMvAvgDiffSingle", "c", {}, 2, {{176, -0.014836039886039876}, {193, -0.0031948717948719896}, {299, -0.011809971509971318}}},
    {"LagMvAvgSingle", "c", {}, 0, {{160, 124.16600000000001}, {177, 126.224}, {299, 141.19200000000001}}},
    {"LagMvAvgSingle", "c", {}, 1, {{160, 124.16600000000001}, {177, 126.224}, {299, 141.19200000000001}}},
    {"LagMvAvgSingle", "c", {}, 2, {{160, 1.24166}, {177, 1.2622399999999998}, {299, 1.4119199999999998}}},
    {"LagLinWgtMvAvgSingle", "c", {}, 0, {{160, 125.048}, {177, 126.05799999999999}, {299, 141.18866666666665}}},
    {"LagLinWgtMvAvgSingle", "c", {}, 1, {{160, 125.048}, {177, 126.05799999999999}, {299, 141.18866666666665}}},
    {"LagLinWgtMvAvgSingle", "c", {}, 2, {{160, 1.2504799999999998}, {177, 1.26058}, {299, 1.4118866666666665}}},
    {"LagMvAvgDiffSingle", "c", {}, 0, {{160, 5.2599999999999767}, {177, -3.2579999999999956}, {299, 0.18999999999999773}}},
    {"LagMvAvgDiffSingle", "c", {}, 1, {{160, 5.2599999999999767}, {177, -3.2579999999999956}, {299, 0.18999999999999773}}},
    {"LagMvAvgDiffSingle", "c", {}, 2, {{160, 0.05259999999999998}, {177, -0.032579999999999609}, {299, 0.0019000000000000128}}},
    {"LagMvAvgDiffSingle", "c", {"10", "4", "20"}, 0, {{174, -0.89149999999999352}, {191, -3.958999999999989}, {299, -2.0564999999999998}}},
    {"LagMvAvgDiffSingle", "c", {"10", "4", "20"}, 1, {{174, -0.89149999999999352}, {191, -3.958999999999989}, {299, -2.0564999999999998}}},
    {"LagMvAvgDiffSingle", "c", {"10", "4", "20"}, 2, {{174, -0.0089150000000000063}, {191, -0.039589999999999792}, {299, -0.020564999999999944}}},
    {"LagLinWgtMvAvgDiffSingle", "c", {}, 0, {{160, 3.8753333333333444}, {177, -4.4779999999999802}, {299, -0.07666666666662536}}},
    {"LagLinWgtMvAvgDiffSingle", "c", {}, 1, {{160, 3.8753333333333444}, {177, -4.4779999999999802}, {299, -0.07666666666662536}}},
    {"LagLinWgtMvAvgDiffSingle", "c", {}, 2, {{160, 0.038753333333333417}, {177, -0.044780000000000042}, {299, -0.00076666666666636019}}},
    {"ChangeSingle", "c", {}, 0, {{161, 5.730000000000004}, {178, -8.3599999999999994}, {299, -3.6599999999999966}}},
    {"ChangeSingle", "c", {}, 1, {{161, 5.730000000000004}, {178, -8.3599999999999994}, {299, -3.6599999999999966}}},
    {"ChangeSingle", "c", {}, 2, {{161, 0.057299999999999907}, {178, -0.083600000000000119}, {299, -0.036599999999999966}}},
    {"MomentumSingle", "c", {}, 0, {{161, 104.72577319587629}, {178, 93.355587347003663}, {299, 97.437692523102768}}},
    {"MomentumSingle", "c", {}, 1, {{161, 104.72577319587629}, {178, 93.355587347003663}, {299, 97.437692523102768}}},
    {"MomentumSingle", "c", {}, 2, {{161, 104.72577319587629}, {178, 93.355587347003635}, {299, 97.437692523102768}}},
    {"AvgChangeSingle", "c", {}, 0, {{161, 0.5730000000000004}, {178, -0.83599999999999997}, {299, -0.36599999999999966}}},
    {"AvgChangeSingle", "c", {}, 1, {{161, 0.5730000000000004}, {178, -0.83599999999999997}, {299, -0.36599999999999966}}},
    {"AvgChangeSingle", "c", {}, 2, {{161, 0.0057299999999999903}, {178, -0.0083600000000000115}, {299, -0.0036599999999999966}}},
    {"AvgPosChangeSingle", "c", {}, 0, {{165, 1.0678571428571431}, {182, 0.48928571428571388}, {299, 0.5}}},
    {"AvgPosChangeSingle", "c", {}, 1, {{165, 1.0678571428571431}, {182, 0.48928571428571388}, {299, 0.5}}},
    {"AvgPosChangeSingle", "c", {}, 2, {{165, 0.010678571428571411}, {182, 0.0048928571428571276}, {299, 0.0050000000000000201}}},
    {"AvgNegChangeSingle", "c", {}, 0, {{165, 0.70928571428571474}, {182, 1.2628571428571422}, {299, 1.1814285714285708}}},
    {"AvgNegChangeSingle", "c", {}, 1, {{165, 0.70928571428571474}, {182, 1.2628571428571422}, {299, 1.1814285714285708}}},
    {"AvgNegChangeSingle", "c", {}, 2, {{165, 0.0070928571428571386}, {182, 0.012628571428571418}, {299, 0.01181428571428573}}},
    {"AccelerationSingle", "c", {}, 0, {{171, -0.062500000000000139}, {188, 0.082700000000000107}, {299, -0.029999999999999999}}},
    {"AccelerationSingle", "c", {}, 1, {{171, -0.062500000000000139}, {188, 0.082700000000000107}, {299, -0.029999999999999999}}},
    {"AccelerationSingle", "c", {}, 2, {{171, -0.00062500000000000001}, {188, 0.00082700000000000221}, {299, -0.00030000000000000024}}},
    {"LagValueSingle", "c", {}, 0, {{152, 121.25}, {169, 125.81999999999999}, {299, 141.62}}},
    {"LagValueSingle", "c", {}, 1, {{152, 121.25}, {169, 125.81999999999999}, {299, 141.62}}},
    {"LagValueSingle", "c", {}, 2, {{152, 1.2125000000000001}, {169, 1.2582}, {299, 1.4162000000000001}}},
    {"HighValSingle", "h", {}, 0, {{160, 132.09999999999999}, {177, 128.47}, {299, 144.99000000000001}}},
    {"HighValSingle", "h", {}, 1, {{160, 132.09999999999999}, {177, 128.47}, {299, 144.99000000000001}}},
    {"HighValSingle", "h", {}, 2, {{160, 1.321}, {177, 1.2847}, {299, 1.4499000000000002}}},
    {"LowValSingle", "l", {}, 0, {{160, 120.98999999999999}, {177, 117.08}, {299, 138.28}}},
    {"LowValSingle", "l", {}, 1, {{160, 120.98999999999999}, {177, 117.08}, {299, 138.28}}},
    {"LowValSingle", "l", {}, 2, {{160, 1.2099}, {177, 1.1708000000000001}, {299, 1.3828}}},
    {"CrossSingle", "co", {}, 0, {{152, 1}, {169, 1}, {299, 0}}},
    {"CrossSingle", "co", {}, 1, {{152, 1}, {169, 1}, {299, 0}}},
    {"CrossSingle", "co", {}, 2, {{152, 1}, {169, 1}, {299, 0}}},
    {"CutlerRSISingle", "c", {}, 0, {{165, 60.088424437299018}, {182, 27.924989808397871}, {299, 29.73661852166526}}},
    {"CutlerRSISingle", "c", {}, 1, {{165, 60.088424437299018}, {182, 27.924989808397871}, {299, 29.73661852166526}}},
    {"CutlerRSISingle", "c", {}, 2, {{165, 60.088424437299011}, {182, 27.924989808397832}, {299, 29.73661852166531}}},
    {"ChandeMomentumOscillatorSingle", "c", {}, 0, {{165, 20.176848874598047}, {182, -44.150020383204257}, {299, -40.526762956669479}}},
    {"ChandeMomentumOscillatorSingle", "c", {}, 1, {{165, 20.176848874598047}, {182, -44.150020383204257}, {299, -40.526762956669479}}},
    {"ChandeMomentumOscillatorSingle", "c", {}, 2, {{165, 20.176848874598015}, {182, -44.150020383204328}, {299, -40.52676295666938}}},
    {"DPOSingle", "c", {}, 0, {{181, -14.354499999999987}, {198, 3.423000000000016}, {299, -5.6049999999999898}}},
    {"DPOSingle", "c", {}, 1, {{181, -14.354499999999987}, {198, 3.423000000000016}, {299, -5.6049999999999898}}},
    {"DPOSingle", "c", {}, 2, {{181, -0.14354500000000003}, {198, 0.034230000000000427}, {299, -0.056049999999999933}}},
    {"StochasticOscillatorSingle", "hlc", {}, 0, {{157, 92.521877486078026}, {174, 35.042735042735188}, {299, 38.661899897854894}}},
    {"StochasticOscillatorSingle", "hlc", {}, 1, {{157, 92.521877486078026}, {174, 35.042735042735188}, {299, 38.661899897854894}}},
    {"StochasticOscillatorSingle", "hlc", {}, 2, {{157, 92.521877486077983}, {174, 35.042735042735238}, {299, 38.661899897854923}}},
    {"StochasticOscillatorSingle", "hlc", {"14", "5"}, 0, {{168, 39.701306782825121}, {185, 21.101436164197654}, {299, 26.603773584905699}}},
    {"StochasticOscillatorSingle", "hlc", {"14", "5"}, 1, {{168, 39.701306782825121}, {185, 21.101436164197654}, {299, 26.603773584905699}}},
    {"StochasticOscillatorSingle", "hlc", {"14", "5"}, 2, {{168, 39.701306782825164}, {185, 21.10143616419764}, {299, 26.603773584905692}}},
    {"WilliamsRSingle", "chl", {}, 0, {{164, -48.193832599118899}, {181, -86.054233536247949}, {299, -92.281303602058273}}},
    {"WilliamsRSingle", "chl", {}, 1, {{164, -48.193832599118899}, {181, -86.054233536247949}, {299, -92.281303602058273}}},
    {"WilliamsRSingle", "chl", {}, 2, {{164, -48.193832599118849}, {181, -86.054233536247978}, {299, -92.281303602058216}}},
    {"AroonUpSingle", "h", {}, 0, {{165, 85.714285714285708}, {182, 14.285714285714286}, {299, 7.1428571428571432}}},
    {"AroonUpSingle", "h", {}, 1, {{165, 85.714285714285708}, {182, 14.285714285714286}, {299, 7.1428571428571432}}},
    {"AroonUpSingle", "h", {}, 2, {{165, 85.714285714285708}, {182, 14.285714285714286}, {299, 7.1428571428571432}}},
    {"AroonDownSingle", "l", {}, 0, {{165, 0}, {182, 78.571428571428569}, {299, 64.285714285714292}}},
    {"AroonDownSingle", "l", {}, 1, {{165, 0}, {182, 78.571428571428569}, {299, 64.285714285714292}}},
    {"AroonDownSingle", "l", {}, 2, {{165, 0}, {182, 78.571428571428569}, {299, 64.285714285714292}}},
    {"AroonOscillatorSingle", "hl", {}, 0, {{165, 85.714285714285708}, {182, -64.285714285714278}, {299, -57.142857142857146}}},
    {"AroonOscillatorSingle", "hl", {}, 1, {{165, 85.714285714285708}, {182, -64.285714285714278}, {299, -57.142857142857146}}},
    {"AroonOscillatorSingle", "hl", {}, 2, {{165, 85.714285714285708}, {182, -64.285714285714278}, {299, -57.142857142857146}}},
    {"BollingerBandSingleUp", "c", {}, 0, {{170, 132.70282745880348}, {187, 130.70141340514715}, {299, 147.78242129709702}}},
    {"BollingerBandSingleUp", "c", {}, 1, {{170, 132.70282745880348}, {187, 130.70141340514715}, {299, 147.78242129709702}}},
    {"BollingerBandSingleUp", "c", {}, 2, {{170, 1.3270282745880349}, {187, 1.3070141340514712}, {299, 1.4778242129709713}}},
    {"BollingerBandSingleUp", "c", {"10", "1.5"}, 0, {{160, 131.40630411144429}, {177, 128.69361516246647}, {299, 143.2088161332448}}},
    {"BollingerBandSingleUp", "c", {"10", "1.5"}, 1, {{160, 131.40630411144429}, {177, 128.69361516246647}, {299, 143.2088161332448}}},
    {"BollingerBandSingleUp", "c", {"10", "1.5"}, 2, {{160, 1.3140630411144427}, {177, 1.2869361516246645}, {299, 1.4320881613324481}}},
    {"BollingerBandSingleDown", "c", {}, 0, {{170, 121.84617254119649}, {187, 108.57258659485284}, {299, 138.17357870290289}}},
    {"BollingerBandSingleDown", "c", {}, 1, {{170, 121.84617254119649}, {187, 108.57258659485284}, {299, 138.17357870290289}}},
    {"BollingerBandSingleDown", "c", {}, 2, {{170, 1.2184617254119652}, {187, 1.0857258659485283}, {299, 1.3817357870290297}}},
    {"BollingerBandPercentSingle", "c", {}, 0, {{170, 0.42037142134839589}, {187, 0.44229246715393267}, {299, 0.10473907624475202}}},
    {"BollingerBandPercentSingle", "c", {}, 1, {{170, 0.42037142134839589}, {187, 0.44229246715393267}, {299, 0.10473907624475202}}},
    {"BollingerBandPercentSingle", "c", {}, 2, {{170, 0.42037142134839495}, {187, 0.44229246715393361}, {299, 0.10473907624474423}}},
    {"BollingerBandWidthSingle", "c", {}, 0, {{170, 0.085301100515869158}, {187, 0.18496641348658288}, {299, 0.067205042693240444}}},
    {"BollingerBandWidthSingle", "c", {}, 1, {{170, 0.085301100515869158}, {187, 0.18496641348658288}, {299, 0.067205042693240444}}},
    {"BollingerBandWidthSingle", "c", {}, 2, {{170, 0.085301100515868977}, {187, 0.18496641348658269}, {299, 0.067205042693240666}}},
    {"EnvelopeSingle", "c", {}, 0, {{170, 130.45636249999998}, {187, 122.62792499999998}, {299, 146.55244999999994}}},
    {"EnvelopeSingle", "c", {}, 1, {{170, 130.45636249999998}, {187, 122.62792499999998}, {299, 146.55244999999994}}},
    {"EnvelopeSingle", "c", {}, 2, {{170, 1.3045636249999999}, {187, 1.2262792499999995}, {299, 1.4655245000000003}}},
    {"EnvelopeSingle", "c", {"10", "-3", "LinWgtMvAvg"}, 0, {{160, 124.25206181818182}, {177, 119.72833454545454}, {299, 137.01796727272725}}},
    {"EnvelopeSingle", "c", {"10", "-3", "LinWgtMvAvg"}, 1, {{160, 124.25206181818182}, {177, 119.72833454545454}, {299, 137.01796727272725}}},
    {"EnvelopeSingle", "c", {"10", "-3", "LinWgtMvAvg"}, 2, {{160, 1.2425206181818182}, {177, 1.1972833454545453}, {299, 1.370179672727273}}},
    {"HistoricalVolatilitySingle10", "c", {}, 0, {{161, 19.849859314397275}, {178, 20.886629739160895}, {299, 20.008817991798907}}},
    {"HistoricalVolatilitySingle10", "c", {}, 1, {{161, 19.849859314397275}, {178, 20.886629739160895}, {299, 20.008817991798907}}},
    {"HistoricalVolatilitySingle10", "c", {}, 2, {{161, 19.849859314397246}, {178, 20.886629739160909}, {299, 20.00881799179902}}},
    {"HistoricalVolatilitySingle100", "c", {}, 0, {{251, 24.357697280354174}, {268, 23.998189346329152}, {299, 23.20696152117474}}},
    {"HistoricalVolatilitySingle100", "c", {}, 1, {{251, 24.357697280354174}, {268, 23.998189346329152}, {299, 23.20696152117474}}},
    {"HistoricalVolatilitySingle100", "c", {}, 2, {{251, 24.357697280354152}, {268, 23.998189346329148}, {299, 23.206961521174748}}},
    {"HistoricalVolatilityIndicatorSingle", "c", {}, 0, {{251, 0.74546642504839666}, {268, 0.89645689345956125}, {299, 0.86219033773733156}}},
    {"HistoricalVolatilityIndicatorSingle", "c", {}, 1, {{251, 0.74546642504839666}, {268, 0.89645689345956125}, {299, 0.86219033773733156}}},
    {"HistoricalVolatilityIndicatorSingle", "c", {}, 2, {{251, 0.74546642504839888}, {268, 0.89645689345956181}, {299, 0.86219033773733622}}},
    {"ChaikinMoneyFlowSingle", "cvhl", {}, 0, {{171, -0.050770152746285852}, {188, -0.025123491203843582}, {299, -0.063157093180880211}}},
    {"ChaikinMoneyFlowSingle", "cvhl", {}, 1, {{171, -0.050770152746285852}, {188, -0.025123491203843582}, {299, -0.063157093180880211}}},
    {"ChaikinMoneyFlowSingle", "cvhl", {}, 2, {{171, -0.050770152746287218}, {188, -0.025123491203845261}, {299, -0.063157093180879031}}},
    {"OBVOscillatorSingle", "cv", {}, 0, {{171, -986627}, {188, -1393956.6666259766}, {299, -2633657.0952148438}}},
    {"OBVOscillatorSingle", "cv", {}, 1, {{171, -986627}, {188, -1393956.6666669846}, {299, -2633657.0952377319}}},
    {"OBVOscillatorSingle", "cv", {}, 2, {{171, -986627}, {188, -1393956.6666666679}, {299, -2633657.095238097}}},
    {"AverageOfVolumeROCSingle", "v", {}, 0, {{174, 6.8835036456987346}, {191, 9.6208457282324655}, {299, -13.785340458753028}}},
    {"AverageOfVolumeROCSingle", "v", {}, 1, {{174, 6.8835036456987346}, {191, 9.6208457282324655}, {299, -13.785340458753028}}},
    {"AverageOfVolumeROCSingle", "v", {}, 2, {{174, 6.8835036456987346}, {191, 9.6208457282324655}, {299, -13.785340458753028}}},
    {"EaseOfMovementSingle", "hlv", {}, 0, {{165, 0.010983132342588893}, {182, -0.033678590283144828}, {299, -0.0080082836750451983}}},
    {"EaseOfMovementSingle", "hlv", {}, 1, {{165, 0.010983132342588893}, {182, -0.033678590283144828}, {299, -0.0080082836750451983}}},
    {"EaseOfMovementSingle", "hlv", {}, 2, {{165, 1.0983132342588934e-06}, {182, -3.3678590283144788e-06}, {299, -8.0082836750452873e-07}}},
    {"EaseOfMovementSingle", "hlv", {"10", "LinWgtMvAvg"}, 0, {{161, 0.0067566442510389327}, {178, -0.037526077737770169}, {299, 0.0071249981216916017}}},
    {"EaseOfMovementSingle", "hlv", {"10", "LinWgtMvAvg"}, 1, {{161, 0.0067566442510389327}, {178, -0.037526077737770169}, {299, 0.0071249981216916017}}},
    {"EaseOfMovementSingle", "hlv", {"10", "LinWgtMvAvg"}, 2, {{161, 6.7566442510390221e-07}, {178, -3.7526077737770193e-06}, {299, 7.1249981216914074e-07}}},
    {"MarketFacilitationIndexSingle", "hlv", {}, 0, {{151, 1.7916076398849046e-06}, {168, 2.1513041754283167e-06}, {299, 5.1262171075934995e-06}}},
    {"MarketFacilitationIndexSingle", "hlv", {}, 1, {{151, 1.7916076398849046e-06}, {168, 2.1513041754283167e-06}, {299, 5.1262171075934995e-06}}},
    {"MarketFacilitationIndexSingle", "hlv", {}, 2, {{151, 1.7916076398849045e-08}, {168, 2.151304175428307e-08}, {299, 5.1262171075934953e-08}}},
    {"BillWilliamsProfitunitySingle", "hlv", {}, 0, {{152, 1}, {169, 3}, {299, 1}}},
    {"BillWilliamsProfitunitySingle", "hlv", {}, 1, {{152, 1}, {169, 3}, {299, 1}}},
    {"BillWilliamsProfitunitySingle", "hlv", {}, 2, {{152, 1}, {169, 3}, {299, 1}}},
    {"SquatBarVariablesSingle", "vhl", {}, 0, {{152, 0}, {169, 0}, {299, 0}}},
    {"SquatBarVariablesSingle", "vhl", {}, 1, {{152, 0}, {169, 0}, {299, 0}}},
    {"SquatBarVariablesSingle", "vhl", {}, 2, {{152, 0}, {169, 0}, {299, 0}}},
    {"ColesRallyDaySingle", "hl", {}, 0, {{152, 1}, {169, 1}, {299, 0}}},
    {"ColesRallyDaySingle", "hl", {}, 1, {{152, 1}, {169, 1}, {299, 0}}},
    {"ColesRallyDaySingle", "hl", {}, 2, {{152, 1}, {169, 1}, {299, 0}}},
    {"ColesReactionDaySingle", "hl", {}, 0, {{152, 0}, {169, 0}, {299, 0}}},
    {"ColesReactionDaySingle", "hl", {}, 1, {{152, 0}, {169, 0}, {299, 0}}},
    {"ColesReactionDaySingle", "hl", {}, 2, {{152, 0}, {169, 0}, {299, 0}}},
    {"ElderRayBullPowerSingle", "hc", {"", "MvAvg"}, 0, {{163, 4.7200000000000131}, {180, -9.8930769230769187}, {299, 2.417692307692306}}},
    {"ElderRayBullPowerSingle", "hc", {"", "MvAvg"}, 1, {{163, 4.7200000000000131}, {180, -9.8930769230769187}, {299, 2.417692307692306}}},
    {"ElderRayBullPowerSingle", "hc", {"", "MvAvg"}, 2, {{163, 0.047199999999999909}, {180, -0.098930769230769044}, {299, 0.024176923076923096}}},
    {"ElderRayBearPowerSingle", "lc", {"20", "LinWgtMvAvg"}, 0, {{170, -1.3377619047618907}, {187, -1.5822857142857458}, {299, -3.2185714285714653}}},
    {"ElderRayBearPowerSingle", "lc", {"20", "LinWgtMvAvg"}, 1, {{170, -1.3377619047618907}, {187, -1.5822857142857458}, {299, -3.2185714285714653}}},
    {"ElderRayBearPowerSingle", "lc", {"20", "LinWgtMvAvg"}, 2, {{170, -0.013377619047619138}, {187, -0.015822857142857361}, {299, -0.032185714285714262}}},
    {"FosbackUnchangedIssuesSingle", "ohl", {"5", "MvAvg"}, 0, {{155, 0.33066753284384609}, {172, 0.33055183354227269}, {299, 0.32966222897367825}}},
    {"FosbackUnchangedIssuesSingle", "ohl", {"5", "MvAvg"}, 1, {{155, 0.33066753284384609}, {172, 0.33055183354227269}, {299, 0.32966222897367825}}},
    {"FosbackUnchangedIssuesSingle", "ohl", {"5", "MvAvg"}, 2, {{155, 0.33066753284384609}, {172, 0.33055183354227269}, {299, 0.32966222897367825}}},
    {"HughesBreadthIndexSingle", "ohl", {"3", "LinWgtMvAvg"}, 0, {{153, -0.0045805008066752617}, {170, -0.0016851112693071341}, {299, -0.0033224378634756787}}},
    {"HughesBreadthIndexSingle", "ohl", {"3", "LinWgtMvAvg"}, 1, {{153, -0.0045805008066752617}, {170, -0.0016851112693071341}, {299, -0.0033224378634756787}}},
    {"HughesBreadthIndexSingle", "ohl", {"3", "LinWgtMvAvg"}, 2, {{153, -0.0045805008066752391}, {170, -0.0016851112693071419}, {299, -0.0033224378634756709}}},
  };
  return cases;
}

TEST(OutlierGolden, EveryWindowedCaseHasOracleValues) {
  EXPECT_EQ(OutlierGoldenCases().size(), WindowedCases().size() * HostileSeries().size());
}

TEST(OutlierGolden, MatchesTheOracleOnceTheOutlierHasLeftTheWindow) {
  for (const OutlierGoldenCase& c : OutlierGoldenCases()) {
    const IndicatorSpec* ind = FindIndicator(c.function);
    ASSERT_NE(ind, nullptr);
    const ParamValues params = Params(*ind, c.params);
    const size_t span = WindowRows(*ind, c.inputs, params);
    const Ohlcv& series = HostileSeries().at(c.series);
    const auto inputs = series.Pick(c.inputs);
    const std::vector<double> got = Compute(*ind, inputs, params);
    for (const auto& [row, want] : c.rows) {
      double scale = 0;
      for (const auto& column : inputs) {
        for (size_t t = row + 1 - span; t <= row; ++t) scale = std::max(scale, std::fabs(column[t]));
      }
      EXPECT_NEAR(got[row], want, kRelative * std::max(std::fabs(want), kFloorShare * scale))
          << c.function << " on " << series.name << " row " << row;
    }
  }
}

}  // namespace
}  // namespace plrxl::companion
