// The rules every function shares, on small hand-checkable series: blanks,
// undefined arithmetic, parameter defaults and limits, tie handling and the
// integer codes; and the shape of the catalogue itself.
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "companion/indicators.h"
#include "host/error.h"

namespace plrxl::companion {
namespace {

constexpr double N = kNaN;
using Series = std::vector<double>;

struct HandCase {
  const char* function;
  std::vector<Series> inputs;
  std::vector<const char*> params;
  Series expected;
};

std::vector<ParamInput> Texts(const std::vector<const char*>& texts) {
  std::vector<ParamInput> raw;
  for (const char* t : texts) raw.push_back(ParamInput::Text(t));
  return raw;
}

class HandCaseTest : public ::testing::TestWithParam<HandCase> {};

TEST_P(HandCaseTest, GivesTheHandComputedSeries) {
  const HandCase& c = GetParam();
  const IndicatorSpec* ind = FindIndicator(c.function);
  ASSERT_NE(ind, nullptr);
  const Series out = Compute(*ind, c.inputs, ResolveParams(*ind, Texts(c.params)));
  ASSERT_EQ(out.size(), c.expected.size());
  for (size_t t = 0; t < out.size(); ++t) {
    if (std::isnan(c.expected[t])) {
      EXPECT_TRUE(std::isnan(out[t])) << "row " << t << " is " << out[t];
    } else {
      EXPECT_NEAR(out[t], c.expected[t], 1e-12) << "row " << t;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HandCaseTest,
    ::testing::Values(
        HandCase{"MvAvgSingle", {{1, 2, 3, 4, 5}}, {"3"}, {N, N, 2, 3, 4}},
        HandCase{"ExpMvAvgSingle", {{2, 4, 6, 8, 4}}, {"3"}, {N, N, 4, 6, 5}},
        HandCase{"LinWgtMvAvgSingle", {{1, 2, 3, 4, 5}}, {"3"}, {N, N, 14.0 / 6, 20.0 / 6, 26.0 / 6}},
        // leading and trailing blanks map to blanks; a blank inside blanks its windows
        HandCase{"MvAvgSingle", {{N, 1, 3, N, 5, 7, 9, N}}, {"2"}, {N, N, 2, N, N, 6, 8, N}},
        // a recursive average restarts, warm-up included, after a blank
        HandCase{"ExpMvAvgSingle", {{1, 3, N, 5, 7, 9}}, {"2"}, {N, 2, N, N, 6, 8}},
        HandCase{"AccumDistSingle", {{2, 2, 2}, {10, N, 10}, {3, 3, 3}, {1, 1, 1}}, {}, {0, N, 0}},
        HandCase{"AdvanceDeclineLineSingle", {{1, -2, 3}}, {}, {1, -1, 2}},
        HandCase{"LagValueSingle", {{1, 2, 3, 4}}, {"2"}, {N, N, 1, 2}},
        HandCase{"AccelerationSingle", {{1, 2, 4, 8}}, {"1"}, {N, N, 1, 2}},
        HandCase{"AvgPosChangeSingle", {{1, 3, 2, 2}}, {"2"}, {N, N, 1, 0}},
        HandCase{"AvgNegChangeSingle", {{1, 3, 2, 2}}, {"2"}, {N, N, 0.5, 0.5}},
        // division by zero gives a blank row
        HandCase{"MomentumSingle", {{0, 5, 10}}, {"1"}, {N, N, 200}},
        HandCase{"WilderRSISingle", {{5, 5, 5, 6}}, {"2"}, {N, N, N, 100}},
        HandCase{"CutlerRSISingle", {{1, 1, 1, 2, 1}}, {"2"}, {N, N, N, 100, 50}},
        HandCase{"ChandeMomentumOscillatorSingle", {{1, 1, 1, 2, 1}}, {"2"}, {N, N, N, 100, 0}},
        HandCase{"StochasticOscillatorSingle", {{5, 5, 6}, {5, 5, 4}, {5, 5, 5}}, {"2", "1"}, {N, N, 50}},
        HandCase{"WilliamsRSingle", {{5, 5, 5}, {5, 5, 6}, {5, 5, 4}}, {"2"}, {N, N, -50}},
        HandCase{"BollingerBandPercentSingle", {{4, 4, 4}}, {"3", "2"}, {N, N, N}},
        HandCase{"BollingerBandWidthSingle", {{4, 4, 4}}, {"3", "2"}, {N, N, 0}},
        // historical volatility: a window of equal returns gives 0 (log 7 and
        // log 6, whose windows' means do not round back to them), a long-term
        // 0 a blank ratio, whichever window is the longer; an undefined log
        // return blanks the windows holding it
        HandCase{"HistoricalVolatilitySingle10",
                 {{1, 7, 49, 343, 2401, 16807, 117649, 823543, 5764801, 40353607, 282475249}},
                 {},
                 {N, N, N, N, N, N, N, N, N, N, 0}},
        HandCase{"HistoricalVolatilityIndicatorSingle", {{1, 6, 36, 216, 1296, 1296}}, {"2", "3"},
                 {N, N, N, N, N, 3 / (2 * std::sqrt(2.0))}},
        HandCase{"HistoricalVolatilityIndicatorSingle", {{1, 2, 4, 4, 4}}, {"2", "3"},
                 {N, N, N, 3 / (2 * std::sqrt(2.0)), 0}},
        HandCase{"HistoricalVolatilityIndicatorSingle", {{1, 2, 4, 4, 4}}, {"3", "2"},
                 {N, N, N, 2 * std::sqrt(2.0) / 3, N}},
        HandCase{"HistoricalVolatilityIndicatorSingle", {{1, 2, 4, -1, 1, 2, 4, 4, 4}}, {"2", "3"},
                 {N, N, N, N, N, N, N, 3 / (2 * std::sqrt(2.0)), 0}},
        HandCase{"MarketFacilitationIndexSingle", {{3, 4}, {1, 1}, {0, 2}}, {}, {N, 1.5}},
        HandCase{"FosbackUnchangedIssuesSingle", {{1, 0, 2}, {1, 0, 1}, {2, 0, 1}}, {}, {0.5, N, 0.25}},
        HandCase{"HughesBreadthIndexSingle", {{1, 0, 2}, {1, 0, 1}, {2, 0, 1}}, {}, {0, N, 0.25}},
        HandCase{"BreadthAdvanceDeclineSingle", {{1, 0}, {1, 0}}, {"1"}, {0.5, 0.5}},
        HandCase{"DailyVolumeIndexSingle", {{3, 4}, {4, 4}, {2, 2}, {10, 10}}, {}, {0, 10.0 / 3}},
        // signed crossings; ties are no crossing
        HandCase{"CrossSingle", {{1, 2, 3, 2, 2, 1}, {2, 2, 2, 2, 2, 2}}, {}, {N, 0, 1, 0, 0, -1}},
        // a second series shorter than the first reads as blank past its end
        HandCase{"CrossSingle", {{1, 3, 1, 3}, {2, 2}}, {}, {N, 1, N, N}},
        // Aroon: the most recent of equal extremes counts
        HandCase{"AroonUpSingle", {{3, 1, 3, 2}}, {"2"}, {N, N, 100, 50}},
        HandCase{"AroonDownSingle", {{1, 3, 1, 2}}, {"2"}, {N, N, 100, 50}},
        // ... also when the two fall in different blocks of n+1 rows
        HandCase{"AroonUpSingle", {{1, 3, 2, 3, 1}}, {"2"}, {N, N, 50, 100, 50}},
        HandCase{"AroonDownSingle", {{3, 1, 2, 1, 3}}, {"2"}, {N, N, 50, 100, 50}},
        HandCase{"AroonOscillatorSingle", {{1, 3, 2, 3, 1}, {3, 1, 2, 1, 3}}, {"2"}, {N, N, 0, 0, 0}},
        // codes: unchanged, green, fade, fake, squat
        HandCase{"BillWilliamsProfitunitySingle", {{2, 4, 10, 4, 10, 10}, {0, 0, 0, 0, 0, 0}, {1, 1, 2, 1, 0.5, 1}},
                 {}, {N, 0, 1, 2, 3, 4}},
        HandCase{"SquatBarVariablesSingle", {{1, 1, 2, 1, 0.5, 1}, {2, 4, 10, 4, 10, 10}, {0, 0, 0, 0, 0, 0}},
                 {}, {N, 0, 0, 0, 0, 1}},
        // rally, reaction, rally, reaction, outside bar
        HandCase{"ColesRallyDaySingle", {{5, 6, 6, 7, 4, 8}, {3, 3, 2, 2, 1, 0}}, {}, {N, 1, 0, 1, 0, 0}},
        HandCase{"ColesReactionDaySingle", {{5, 6, 6, 7, 4, 8}, {3, 3, 2, 2, 1, 0}}, {}, {N, 0, 1, 0, 1, 0}}),
    [](const auto& info) { return std::string(info.param.function) + "_" + std::to_string(info.index); });

struct ParamCase {
  const char* function;
  std::vector<ParamInput> raw;
  std::vector<double> expected;
};

class ParamDefaultTest : public ::testing::TestWithParam<ParamCase> {};

TEST_P(ParamDefaultTest, ResolvesToTheExpectedValues) {
  const ParamCase& c = GetParam();
  const IndicatorSpec& ind = *FindIndicator(c.function);
  const ParamValues v = ResolveParams(ind, c.raw);
  for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(v.v[i], c.expected[i]) << "parameter " << i;
}

using P = ParamInput;
const double kSma = static_cast<double>(MaMethod::kSma);
const double kEma = static_cast<double>(MaMethod::kEma);
const double kWma = static_cast<double>(MaMethod::kWma);

INSTANTIATE_TEST_SUITE_P(
    Rules, ParamDefaultTest,
    ::testing::Values(ParamCase{"MvAvgSingle", {}, {10}}, ParamCase{"MvAvgSingle", {P::Text("")}, {10}},
                      ParamCase{"MvAvgSingle", {P::Text("abc")}, {10}}, ParamCase{"MvAvgSingle", {P::Text("0")}, {10}},
                      ParamCase{"MvAvgSingle", {P::Text("-3")}, {10}}, ParamCase{"MvAvgSingle", {P::Number(0)}, {10}},
                      ParamCase{"MvAvgSingle", {P::Text(" 7 ")}, {7}}, ParamCase{"MvAvgSingle", {P::Text("7.9")}, {7}},
                      ParamCase{"MvAvgSingle", {P::Number(12)}, {12}},
                      ParamCase{"MvAvgDiffSingle", {P::Text(""), P::Text("")}, {12, 26}},
                      ParamCase{"LagMvAvgSingle", {}, {5, 5}}, ParamCase{"LagValueSingle", {}, {1}},
                      ParamCase{"AvgPosChangeSingle", {}, {14}}, ParamCase{"DPOSingle", {}, {20}},
                      ParamCase{"StochasticOscillatorSingle", {P::Number(0), P::Number(0)}, {5, 3}},
                      ParamCase{"ChaikinADOscillatorSingle", {}, {3, 10}},
                      ParamCase{"ChaikinMoneyFlowSingle", {}, {21}}, ParamCase{"OBVOscillatorSingle", {}, {21}},
                      ParamCase{"AverageOfVolumeROCSingle", {}, {12, 12}},
                      ParamCase{"HistoricalVolatilityIndicatorSingle", {}, {10, 100}},
                      ParamCase{"VolatilityChaikinSingle", {}, {10, 10}},
                      ParamCase{"BollingerBandSingleUp", {P::Text(""), P::Text("2,5")}, {20, 2.5}},
                      ParamCase{"BollingerBandSingleUp", {P::Text("10"), P::Text("0")}, {10, 0}},
                      ParamCase{"EnvelopeSingle", {P::Text(""), P::Text(""), P::Text("")}, {20, 2.5, kSma}},
                      ParamCase{"EnvelopeSingle", {P::Text("5"), P::Text("-1.5"), P::Text("EXPMVAVG")}, {5, -1.5, kEma}},
                      ParamCase{"EnvelopeSingle", {P::Text("5"), P::Text("1"), P::Text("linwgtmvavg")}, {5, 1, kWma}},
                      ParamCase{"ElderRayBullPowerSingle", {P::Number(0), P::Text("")}, {13, kEma}},
                      ParamCase{"ElderRayBullPowerSingle", {P::Number(0), P::Text("MvAvg")}, {13, kSma}},
                      ParamCase{"EaseOfMovementSingle", {P::Text(""), P::Text("")}, {14, kSma}},
                      ParamCase{"FosbackUnchangedIssuesSingle", {P::Number(0), P::Text("MvAvg")}, {1, kSma}},
                      ParamCase{"AroonOscillatorSingle", {P::Number(0)}, {14}}),
    [](const auto& info) { return std::string(info.param.function) + "_" + std::to_string(info.index); });

TEST(ParamLimits, RejectsPeriodsOutsideTheirRangeAndUnknownMethods) {
  const IndicatorSpec& sma = *FindIndicator("MvAvgSingle");
  const IndicatorSpec& envelope = *FindIndicator("EnvelopeSingle");
  EXPECT_THROW(ResolveParams(sma, std::vector<ParamInput>{P::Text("0.5")}), Error);
  EXPECT_THROW(ResolveParams(sma, std::vector<ParamInput>{P::Text("100001")}), Error);
  EXPECT_THROW(ResolveParams(envelope, std::vector<ParamInput>{P::Text(""), P::Text(""), P::Text("Spline")}), Error);
}

TEST(ParamLimits, PeriodsLongerThanTheSeriesLeaveEveryRowBlank) {
  const IndicatorSpec& ind = *FindIndicator("WilderRSISingle");
  const Series out = Compute(ind, std::vector<Series>{{1, 2, 3}}, ResolveParams(ind, Texts({"50"})));
  for (double v : out) EXPECT_TRUE(std::isnan(v));
}

TEST(Catalogue, HoldsSixtyThreeWellFormedRows) {
  const auto catalogue = IndicatorCatalogue();
  EXPECT_EQ(catalogue.size(), 63u);
  std::set<std::string> names;
  for (const IndicatorSpec& ind : catalogue) {
    EXPECT_TRUE(names.insert(ind.name).second) << "duplicate " << ind.name;
    EXPECT_EQ(FindIndicator(ind.name), &ind);
    EXPECT_NE(ind.kernel, nullptr);
    EXPECT_TRUE(ind.warmup && *ind.warmup) << ind.name;
    EXPECT_GE(ind.InputCount(), 1) << ind.name;
    const bool four = ind.entry == Entry::kMyFormula4;
    std::set<int> used;
    for (int i = 0; i < ind.InputCount(); ++i) {
      const int a = ind.inputs[i].arg;
      EXPECT_TRUE(four ? (a >= 2 && a <= 5) : (a == 2 || a == 4)) << ind.name << " input " << i;
      EXPECT_TRUE(used.insert(a).second) << ind.name;
    }
    for (int i = 0; i < ind.ParamCount(); ++i) {
      const ParamSpec& p = ind.params[i];
      const std::set<int> numbers = four ? std::set<int>{6, 7} : std::set<int>{3, 5, 8, 9};
      const int text = four ? 8 : 7;
      EXPECT_TRUE(p.kind == ParamKind::kMethod ? p.arg == text : numbers.count(p.arg) == 1)
          << ind.name << " parameter " << p.name;
      EXPECT_TRUE(used.insert(p.arg).second) << ind.name << " argument used twice";
      EXPECT_TRUE(p.def >= p.min && p.def <= p.max) << ind.name << " default of " << p.name;
    }
  }
  EXPECT_EQ(FindIndicator("wilderrsisingle"), FindIndicator("WilderRSISingle"));
  EXPECT_EQ(FindIndicator("NoSuchFunction"), nullptr);
}

}  // namespace
}  // namespace plrxl::companion
