// Golden values of every catalogue function on the reference series. The
// expected numbers come from tests/companion/indicator_oracle.py, a naive
// independent computation from the written definitions, run once and pasted.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "companion/indicators.h"
#include "indicator_case.h"
#include "reference_series.h"

namespace plrxl::companion {
namespace {

using testing::Reference;

struct GoldenCase {
  const char* function;
  const char* inputs;               // reference columns, in the function's input order
  std::vector<const char*> params;  // parameter texts, in catalogue order; missing = default
  size_t first_valid;               // warm-up length
  std::vector<std::pair<size_t, double>> rows;
};

const std::vector<GoldenCase>& GoldenCases() {
  static const std::vector<GoldenCase> cases = {
      {"MvAvgSingle", "c", {}, 9, {{9, 97.955000000000013}, {154, 123.39500000000001}, {299, 141.28700000000001}}},
      {"MvAvgSingle", "c", {"30"}, 29, {{29, 101.09999999999999}, {164, 125.52066666666668}, {299, 143.524}}},
      {"ExpMvAvgSingle", "c", {}, 9, {{9, 97.955000000000013}, {154, 123.63494887798498}, {299, 141.58832361388437}}},
      {"ExpMvAvgSingle", "c", {"21"}, 20, {{20, 99.676666666666691}, {159, 125.65862566166639}, {299, 142.52589080493459}}},
      {"LinWgtMvAvgSingle", "c", {}, 9, {{9, 98.337636363636378}, {154, 123.54854545454543}, {299, 141.25563636363634}}},
      {"LinWgtMvAvgSingle", "c", {"7"}, 6, {{6, 97.229642857142849}, {152, 122.92714285714285}, {299, 141.16964285714286}}},
      {"MvAvgDiffSingle", "c", {}, 25, {{25, 2.8417948717948462}, {162, 1.8190384615384687}, {299, -1.6066025641025306}}},
      {"MvAvgDiffSingle", "c", {"20", "5"}, 19, {{19, -3.3119999999999834}, {159, -4.3149999999999977}, {299, 1.5959999999999468}}},
      {"ExpMvAvgDiffSingle", "c", {}, 25, {{25, 2.4171745582646622}, {162, 1.7704524166279469}, {299, -0.99390937070788254}}},
      {"LinWgtMvAvgDiffSingle", "c", {}, 25, {{25, 1.9144159544159436}, {162, 2.0840170940170992}, {299, -1.1809971509971433}}},
      {"LagMvAvgSingle", "c", {}, 9, {{9, 96.905999999999992}, {154, 123.41800000000001}, {299, 141.19200000000001}}},
      {"LagMvAvgSingle", "c", {"10", "3"}, 12, {{12, 97.955000000000013}, {155, 123.12100000000001}, {299, 141.87799999999999}}},
      {"LagExpMvAvgSingle", "c", {}, 9, {{9, 96.905999999999992}, {154, 123.64832009071625}, {299, 141.45038886916518}}},
      {"LagLinWgtMvAvgSingle", "c", {}, 9, {{9, 96.27266666666668}, {154, 123.56933333333332}, {299, 141.18866666666665}}},
      {"LagMvAvgDiffSingle", "c", {}, 9, {{9, 2.097999999999999}, {154, -0.04600000000000648}, {299, 0.18999999999999773}}},
      {"LagMvAvgDiffSingle", "c", {"10", "4"}, 13, {{13, 0.57499999999998863}, {156, 1.4110000000000014}, {299, -0.80599999999998317}}},
      {"LagExpMvAvgDiffSingle", "c", {}, 9, {{9, 2.1005514403292551}, {154, 0.24355745209413726}, {299, -0.46523477939854274}}},
      {"LagLinWgtMvAvgDiffSingle", "c", {}, 9, {{9, 3.0193333333333214}, {154, 0.25266666666666993}, {299, -0.07666666666662536}}},
      {"MACDSingle", "c", {}, 25, {{25, 2.4171745582646622}, {162, 1.7704524166279469}, {299, -0.99390937070788254}}},
      {"Dema26", "c", {}, 50, {{50, 120.25884896466621}, {174, 127.44089125865862}, {299, 141.76098877106966}}},
      {"Dema26_MACD", "c", {}, 50, {{50, 0.70401326104831696}, {174, -1.1044145954178504}, {299, -1.0539263726083732}}},
      {"ChangeSingle", "c", {}, 10, {{10, 1.1999999999999886}, {154, 0.26000000000000512}, {299, -3.6599999999999966}}},
      {"ChangeSingle", "c", {"3"}, 3, {{3, -4.25}, {151, -2.6099999999999994}, {299, -4.6899999999999977}}},
      {"MomentumSingle", "c", {}, 10, {{10, 101.20992135511192}, {154, 100.20866773675763}, {299, 97.437692523102768}}},
      {"AvgChangeSingle", "c", {}, 10, {{10, 0.11999999999999886}, {154, 0.026000000000000512}, {299, -0.36599999999999966}}},
      {"AvgPosChangeSingle", "c", {}, 14, {{14, 0.70214285714285496}, {156, 0.90428571428571403}, {299, 0.5}}},
      {"AvgNegChangeSingle", "c", {}, 14, {{14, 0.58214285714285552}, {156, 0.54928571428571416}, {299, 1.1814285714285708}}},
      {"AvgNegChangeSingle", "c", {"5"}, 5, {{5, 0.84999999999999998}, {152, 0.52199999999999991}, {299, 0.98999999999999777}}},
      {"AccelerationSingle", "c", {}, 20, {{20, 0.033900000000000145}, {159, 0.073899999999999869}, {299, -0.029999999999999999}}},
      {"LagValueSingle", "c", {}, 1, {{1, 99.180000000000007}, {150, 123.81}, {299, 141.62}}},
      {"LagValueSingle", "c", {"7"}, 7, {{7, 99.180000000000007}, {153, 123.03}, {299, 142.5}}},
      {"HighValSingle", "h", {}, 9, {{9, 100.54000000000001}, {154, 127.14}, {299, 144.99000000000001}}},
      {"LowValSingle", "l", {}, 9, {{9, 94.060000000000002}, {154, 120.98999999999999}, {299, 138.28}}},
      {"LowValSingle", "l", {"25"}, 24, {{24, 94.060000000000002}, {161, 120.98999999999999}, {299, 138.28}}},
      {"CrossSingle", "co", {}, 1, {{1, 0}, {150, 0}, {299, 0}}},
      {"WilderRSISingle", "c", {}, 14, {{14, 54.671857619577303}, {156, 66.306321914965409}, {299, 41.839560516835789}}},
      {"WilderRSISingle", "c", {"9"}, 9, {{9, 52.693965517241388}, {154, 57.061517537047735}, {299, 38.786814329605676}}},
      {"CutlerRSISingle", "c", {}, 14, {{14, 54.671857619577303}, {156, 62.211302211302204}, {299, 29.73661852166526}}},
      {"ChandeMomentumOscillatorSingle", "c", {}, 14, {{14, 9.3437152391546032}, {156, 24.422604422604422}, {299, -40.526762956669479}}},
      {"DPOSingle", "c", {}, 30, {{30, 8.8079999999999785}, {164, 3.2915000000000134}, {299, -5.6049999999999898}}},
      {"DPOSingle", "c", {"9"}, 13, {{13, 0.97666666666664526}, {156, 7.3311111111111131}, {299, -3.1366666666666561}}},
      {"StochasticOscillatorSingle", "hlc", {}, 6, {{6, 62.589073634204127}, {152, 21.871476888387868}, {299, 38.661899897854894}}},
      {"StochasticOscillatorSingle", "hlc", {"14", "1"}, 13, {{13, 57.42331288343555}, {156, 97.322348094747767}, {299, 7.7186963979417316}}},
      {"WilliamsRSingle", "chl", {}, 13, {{13, -42.57668711656445}, {156, -2.6776519052522252}, {299, -92.281303602058273}}},
      {"AroonUpSingle", "h", {}, 14, {{14, 100}, {156, 100}, {299, 7.1428571428571432}}},
      {"AroonDownSingle", "l", {}, 14, {{14, 28.571428571428573}, {156, 64.285714285714292}, {299, 64.285714285714292}}},
      {"AroonOscillatorSingle", "hl", {}, 14, {{14, 71.428571428571431}, {156, 35.714285714285708}, {299, -57.142857142857146}}},
      {"AroonOscillatorSingle", "hl", {"25"}, 25, {{25, 68}, {162, 24}, {299, -32}}},
      {"DXSingle", "chl", {}, 14, {{14, 3.7259615384616489}, {156, 41.210623566049485}, {299, 18.941898880683887}}},
      {"BollingerBandSingleUp", "c", {}, 19, {{19, 104.68031130439348}, {159, 130.52703404553068}, {299, 147.78242129709702}}},
      {"BollingerBandSingleUp", "c", {"10", "1.5"}, 9, {{9, 100.33405154420834}, {154, 124.78518928567301}, {299, 143.2088161332448}}},
      {"BollingerBandSingleDown", "c", {}, 19, {{19, 94.143688695606556}, {159, 119.48296595446931}, {299, 138.17357870290289}}},
      {"BollingerBandPercentSingle", "c", {}, 19, {{19, 0.9297392217714896}, {159, 0.87440913673347354}, {299, 0.10473907624475202}}},
      {"BollingerBandWidthSingle", "c", {}, 19, {{19, 0.10598944401869921}, {159, 0.088349010768060288}, {299, 0.067205042693240444}}},
      {"EnvelopeSingle", "c", {}, 19, {{19, 101.89730000000002}, {159, 128.13012499999999}, {299, 146.55244999999994}}},
      {"EnvelopeSingle", "c", {"10", "-3", "ExpMvAvg"}, 9, {{9, 95.016350000000003}, {154, 119.92590041164543}, {299, 137.34067390546784}}},
      {"AverageTrueRangeSingle", "chl", {}, 14, {{14, 2.2407142857142852}, {156, 2.7681777708359858}, {299, 3.0769251855859854}}},
      {"VolatilityChaikinSingle", "hl", {}, 19, {{19, 52.940396807422154}, {159, 16.155531798815204}, {299, -0.97855086114747925}}},
      {"HistoricalVolatilitySingle10", "c", {}, 10, {{10, 19.384261108573956}, {154, 14.221165962283806}, {299, 20.008817991798907}}},
      {"HistoricalVolatilitySingle100", "c", {}, 100, {{100, 24.433632061528638}, {199, 25.669248088547867}, {299, 23.20696152117474}}},
      {"HistoricalVolatilityIndicatorSingle", "c", {}, 100, {{100, 0.81699755760046644}, {199, 0.89043297176179392}, {299, 0.86219033773733156}}},
      {"AccumDistSingle", "cvhl", {}, 0, {{0, -1077479.2682926427}, {149, 8841352.9935393594}, {299, 12780928.835237566}}},
      {"ChaikinADOscillatorSingle", "cvhl", {}, 9, {{9, 591163.30202388787}, {154, -29463.936324814335}, {299, -188312.64029729366}}},
      {"ChaikinMoneyFlowSingle", "cvhl", {}, 20, {{20, 0.023506344600142514}, {159, -0.01799484691347419}, {299, -0.063157093180880211}}},
      {"OBVOscillatorSingle", "cv", {}, 20, {{20, 4041573.1904761903}, {159, 4169934.2857142873}, {299, -2633657.095238097}}},
      {"AverageOfVolumeROCSingle", "v", {}, 23, {{23, 2.4741814006785381}, {161, 34.931812494437288}, {299, -13.785340458753028}}},
      {"EaseOfMovementSingle", "hlv", {}, 14, {{14, 0.0049021096242111827}, {156, 0.00022553405561536694}, {299, -0.0080082836750451983}}},
      {"EaseOfMovementSingle", "hlv", {"10", "ExpMvAvg"}, 10, {{10, 0.0029497401443236071}, {154, 0.00061853004014587377}, {299, 0.0023860056448796307}}},
      {"DailyVolumeIndexSingle", "chlv", {}, 0, {{0, -4442.9900432465047}, {149, 160431.47710161292}, {299, 216079.61344863795}}},
      {"MarketFacilitationIndexSingle", "hlv", {}, 0, {{0, 4.6404605147742493e-07}, {149, 1.9351988837548402e-06}, {299, 5.1262171075934995e-06}}},
      {"BillWilliamsProfitunitySingle", "hlv", {}, 1, {{1, 3}, {150, 1}, {299, 1}}},
      {"SquatBarVariablesSingle", "vhl", {}, 1, {{1, 0}, {150, 0}, {299, 0}}},
      {"ColesRallyDaySingle", "hl", {}, 1, {{1, 0}, {150, 0}, {299, 0}}},
      {"ColesReactionDaySingle", "hl", {}, 1, {{1, 0}, {150, 0}, {299, 0}}},
      {"ElderRayBullPowerSingle", "hc", {}, 12, {{12, 0.40153846153843631}, {155, 3.4655750608718279}, {299, 2.1997712012955901}}},
      {"ElderRayBullPowerSingle", "hc", {"", "MvAvg"}, 12, {{12, 0.40153846153843631}, {155, 3.8715384615384636}, {299, 2.417692307692306}}},
      {"ElderRayBearPowerSingle", "lc", {}, 12, {{12, -1.6284615384615648}, {155, 0.4055750608718256}, {299, -3.0102287987044178}}},
      {"ElderRayBearPowerSingle", "lc", {"20", "LinWgtMvAvg"}, 19, {{19, 3.1430000000000433}, {159, 2.1004761904761864}, {299, -3.2185714285714653}}},
      {"AdvanceDeclineLineSingle", "c", {}, 0, {{0, 99.180000000000007}, {149, 17196.420000000002}, {299, 37237.349999999999}}},
      {"BreadthAdvanceDeclineSingle", "oh", {}, 9, {{9, 0.49784171379497211}, {154, 0.49734407787095136}, {299, 0.4974232162554541}}},
      {"FosbackUnchangedIssuesSingle", "ohl", {}, 0, {{0, 0.33154757918703542}, {149, 0.33156919109152944}, {299, 0.32712283594394065}}},
      {"FosbackUnchangedIssuesSingle", "ohl", {"5", "ExpMvAvg"}, 4, {{4, 0.32961872974099393}, {151, 0.3293258079475434}, {299, 0.32926698522522835}}},
      {"HughesBreadthIndexSingle", "ohl", {}, 0, {{0, -0.00013393156097236408}, {149, -0.0021223437122209173}, {299, -0.0059121422682840439}}},
      {"HughesBreadthIndexSingle", "ohl", {"3", "LinWgtMvAvg"}, 2, {{2, -0.0010412833637486966}, {150, -0.0033006084883581244}, {299, -0.0033224378634756787}}},
  };
  return cases;
}

using testing::CaseName;
using testing::Params;

class GoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, MatchesIndependentValues) {
  const GoldenCase& c = GetParam();
  const IndicatorSpec* ind = FindIndicator(c.function);
  ASSERT_NE(ind, nullptr);
  ASSERT_EQ(ind->InputCount(), static_cast<int>(std::string(c.inputs).size()));
  const auto inputs = Reference().Pick(c.inputs);
  const std::vector<double> out = Compute(*ind, inputs, Params(*ind, c.params));
  ASSERT_EQ(out.size(), Reference().size());
  for (size_t t = 0; t < c.first_valid; ++t) EXPECT_TRUE(std::isnan(out[t])) << "warm-up row " << t;
  for (size_t t = c.first_valid; t < out.size(); ++t) EXPECT_FALSE(std::isnan(out[t])) << "row " << t;
  for (const auto& [row, expected] : c.rows) {
    EXPECT_NEAR(out[row], expected, 1e-9 * std::max(1.0, std::fabs(expected))) << "row " << row;
  }
}

// Newest-first sheets: reversed inputs give the reversed column.
TEST_P(GoldenTest, NewestFirstIsMirrored) {
  const GoldenCase& c = GetParam();
  const IndicatorSpec& ind = *FindIndicator(c.function);
  const ParamValues params = Params(ind, c.params);
  auto inputs = Reference().Pick(c.inputs);
  const std::vector<double> oldest_first = ComputeInSheetOrder(ind, inputs, params, false);
  for (auto& series : inputs) std::reverse(series.begin(), series.end());
  const std::vector<double> newest_first = ComputeInSheetOrder(ind, inputs, params, true);
  ASSERT_EQ(newest_first.size(), oldest_first.size());
  const size_t n = oldest_first.size();
  for (size_t t = 0; t < n; ++t) {
    const double a = oldest_first[t], b = newest_first[n - 1 - t];
    EXPECT_TRUE((std::isnan(a) && std::isnan(b)) || a == b) << "row " << t;
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, GoldenTest, ::testing::ValuesIn(GoldenCases()),
                         [](const auto& info) { return CaseName(info.param) + "_" + std::to_string(info.index); });

TEST(GoldenCoverage, EveryCatalogueFunctionHasGoldenValues) {
  std::set<std::string> covered;
  for (const GoldenCase& c : GoldenCases()) covered.insert(c.function);
  for (const IndicatorSpec& ind : IndicatorCatalogue()) EXPECT_TRUE(covered.count(ind.name)) << ind.name;
}

}  // namespace
}  // namespace plrxl::companion
