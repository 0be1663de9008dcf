// The catalogue table: one row per function name.
#include <algorithm>
#include <cctype>
#include <limits>

#include "companion/indicators.h"
#include "companion/internal/kernels.h"

namespace plrxl::companion {
namespace {

using namespace kernels;  // NOLINT: the table names every kernel

constexpr double kMaxPeriod = 100000;
constexpr double kHuge = std::numeric_limits<double>::max();
constexpr Entry F = Entry::kMyFormula;
constexpr Entry F4 = Entry::kMyFormula4;
constexpr MaMethod kSma = MaMethod::kSma;
constexpr MaMethod kEma = MaMethod::kEma;
constexpr MaMethod kWma = MaMethod::kWma;

constexpr InputSpec In(const char* name, int arg) { return {name, arg}; }
constexpr ParamSpec Period(const char* name, int arg, int def, int min = 1) {
  return {name, ParamKind::kPeriod, arg, static_cast<double>(def), static_cast<double>(min), kMaxPeriod};
}
constexpr ParamSpec Real(const char* name, int arg, double def) {
  return {name, ParamKind::kReal, arg, def, -kHuge, kHuge};
}
constexpr ParamSpec Method(const char* name, int arg, MaMethod def) {
  return {name, ParamKind::kMethod, arg, static_cast<double>(def), 0, 2};
}

// MyFormula carries input series in arguments 2 and 4 and numbers in 3, 5,
// 8, 9 with a text in 7; MyFormula4 carries series in 2 to 5, numbers in 6
// and 7 and a text in 8.
const IndicatorSpec kCatalogue[] = {
    // --- moving averages ---
    {"MvAvgSingle", F, "Moving averages", {In("x", 2)}, {Period("n", 3, 10)},
     "simple moving average of x over n rows", "n-1", MvAvg<kSma>},
    {"ExpMvAvgSingle", F, "Moving averages", {In("x", 2)}, {Period("n", 3, 10)},
     "exponential moving average (alpha 2/(n+1), seeded with the simple average)", "n-1", MvAvg<kEma>},
    {"LinWgtMvAvgSingle", F, "Moving averages", {In("x", 2)}, {Period("n", 3, 10)},
     "linearly weighted moving average (newest weight n)", "n-1", MvAvg<kWma>},
    {"MvAvgDiffSingle", F, "Moving averages", {In("x", 2)}, {Period("n1", 3, 12), Period("n2", 5, 26)},
     "SMA(n1) - SMA(n2)", "max(n1,n2)-1", MvAvgDiff<kSma>},
    {"ExpMvAvgDiffSingle", F, "Moving averages", {In("x", 2)}, {Period("n1", 3, 12), Period("n2", 5, 26)},
     "EMA(n1) - EMA(n2)", "max(n1,n2)-1", MvAvgDiff<kEma>},
    {"LinWgtMvAvgDiffSingle", F, "Moving averages", {In("x", 2)}, {Period("n1", 3, 12), Period("n2", 5, 26)},
     "WMA(n1) - WMA(n2)", "max(n1,n2)-1", MvAvgDiff<kWma>},
    {"LagMvAvgSingle", F, "Moving averages", {In("x", 2)}, {Period("n", 3, 5), Period("lag", 5, 5)},
     "SMA(n) as it stood lag rows earlier", "n-1+lag", LagMvAvg<kSma>},
    {"LagExpMvAvgSingle", F, "Moving averages", {In("x", 2)}, {Period("n", 3, 5), Period("lag", 5, 5)},
     "EMA(n) as it stood lag rows earlier", "n-1+lag", LagMvAvg<kEma>},
    {"LagLinWgtMvAvgSingle", F, "Moving averages", {In("x", 2)}, {Period("n", 3, 5), Period("lag", 5, 5)},
     "WMA(n) as it stood lag rows earlier", "n-1+lag", LagMvAvg<kWma>},
    {"LagMvAvgDiffSingle", F, "Moving averages", {In("x", 2)},
     {Period("n", 3, 5), Period("lag", 5, 5), Period("n2 (0 = n)", 8, 0, 0)},
     "SMA(n) now minus SMA(n2) lag rows earlier", "max(n-1, n2-1+lag)", LagMvAvgDiff<kSma>},
    {"LagExpMvAvgDiffSingle", F, "Moving averages", {In("x", 2)},
     {Period("n", 3, 5), Period("lag", 5, 5), Period("n2 (0 = n)", 8, 0, 0)},
     "EMA(n) now minus EMA(n2) lag rows earlier", "max(n-1, n2-1+lag)", LagMvAvgDiff<kEma>},
    {"LagLinWgtMvAvgDiffSingle", F, "Moving averages", {In("x", 2)},
     {Period("n", 3, 5), Period("lag", 5, 5), Period("n2 (0 = n)", 8, 0, 0)},
     "WMA(n) now minus WMA(n2) lag rows earlier", "max(n-1, n2-1+lag)", LagMvAvgDiff<kWma>},
    {"MACDSingle", F, "Moving averages", {In("x", 2)}, {},
     "EMA(12) - EMA(26), no signal line", "25", Macd},
    {"Dema26", F, "Moving averages", {In("close", 2)}, {},
     "double exponential average 2*EMA(26) - EMA(26) of EMA(26)", "50", Dema26},
    {"Dema26_MACD", F, "Moving averages", {In("close", 2)}, {},
     "DEMA(12) - DEMA(26)", "50", Dema26Macd},

    // --- change, momentum and window statistics ---
    {"ChangeSingle", F, "Change and momentum", {In("x", 2)}, {Period("n", 3, 10)},
     "x - x n rows earlier", "n", Change},
    {"MomentumSingle", F, "Change and momentum", {In("x", 2)}, {Period("n", 3, 10)},
     "100 * x / x n rows earlier (blank when that is 0)", "n", Momentum},
    {"AvgChangeSingle", F, "Change and momentum", {In("x", 2)}, {Period("n", 3, 10)},
     "(x - x n rows earlier) / n", "n", AvgChange},
    {"AvgPosChangeSingle", F, "Change and momentum", {In("x", 2)}, {Period("n", 3, 14)},
     "sum of the rises of the last n rows / n", "n", AvgPosChange},
    {"AvgNegChangeSingle", F, "Change and momentum", {In("x", 2)}, {Period("n", 3, 14)},
     "sum of the falls of the last n rows / n (positive)", "n", AvgNegChange},
    {"AccelerationSingle", F, "Change and momentum", {In("x", 2)}, {Period("n", 3, 10)},
     "(x - 2 x[n earlier] + x[2n earlier]) / n^2", "2n", Acceleration},
    {"LagValueSingle", F, "Change and momentum", {In("x", 2)}, {Period("lag", 3, 1)},
     "x lag rows earlier", "lag", LagValue},
    {"HighValSingle", F, "Change and momentum", {In("x", 2)}, {Period("n", 3, 10)},
     "highest x of the last n rows", "n-1", HighVal},
    {"LowValSingle", F, "Change and momentum", {In("x", 2)}, {Period("n", 3, 10)},
     "lowest x of the last n rows", "n-1", LowVal},
    {"CrossSingle", F, "Change and momentum", {In("a", 2), In("b", 4)}, {},
     "+1 where a crosses above b, -1 where it crosses below, else 0", "1", Cross},

    // --- oscillators ---
    {"WilderRSISingle", F, "Oscillators", {In("x", 2)}, {Period("n", 3, 14)},
     "Wilder's RSI, 0..100 (blank on a flat start)", "n", WilderRsi},
    {"CutlerRSISingle", F, "Oscillators", {In("x", 2)}, {Period("n", 3, 14)},
     "Cutler's RSI from simple sums of gains and losses, 0..100", "n", CutlerRsi},
    {"ChandeMomentumOscillatorSingle", F, "Oscillators", {In("close", 2)}, {Period("n", 3, 14)},
     "100 * (gains - losses) / (gains + losses) over n rows, -100..100", "n", ChandeMomentum},
    {"DPOSingle", F, "Oscillators", {In("close", 2)}, {Period("n", 3, 20)},
     "close - SMA(n) as it stood floor(n/2)+1 rows earlier", "n-1+floor(n/2)+1", Dpo},
    {"StochasticOscillatorSingle", F4, "Oscillators", {In("high", 2), In("low", 3), In("close", 4)},
     {Period("p", 6, 5), Period("slowing", 7, 3)},
     "slowed %K: 100 * sum(close - LL) / sum(HH - LL) over the slowing rows", "p+slowing-2", Stochastic},
    {"WilliamsRSingle", F4, "Oscillators", {In("close", 2), In("high", 3), In("low", 4)},
     {Period("n", 6, 14)}, "Williams %R: -100 * (HH - close) / (HH - LL), -100..0", "n-1", WilliamsR},
    {"AroonUpSingle", F, "Oscillators", {In("high", 2)}, {Period("n", 3, 14)},
     "100 * (n - rows since the highest high of n+1 rows) / n", "n", AroonUp},
    {"AroonDownSingle", F, "Oscillators", {In("low", 2)}, {Period("n", 3, 14)},
     "100 * (n - rows since the lowest low of n+1 rows) / n", "n", AroonDown},
    {"AroonOscillatorSingle", F4, "Oscillators", {In("high", 2), In("low", 3)}, {Period("n", 6, 14)},
     "Aroon up - Aroon down", "n", AroonOscillator},
    {"DXSingle", F4, "Oscillators", {In("close", 2), In("high", 3), In("low", 4)}, {Period("n", 6, 14)},
     "directional movement index 100 * |+DI - -DI| / (+DI + -DI)", "n", Dx},

    // --- volatility and bands ---
    {"BollingerBandSingleUp", F, "Volatility and bands", {In("x", 2)}, {Period("n", 3, 20), Real("k", 5, 2)},
     "SMA(n) + k * population std(n)", "n-1", BollingerUp},
    {"BollingerBandSingleDown", F, "Volatility and bands", {In("x", 2)}, {Period("n", 3, 20), Real("k", 5, 2)},
     "SMA(n) - k * population std(n)", "n-1", BollingerDown},
    {"BollingerBandPercentSingle", F, "Volatility and bands", {In("x", 2)},
     {Period("n", 3, 20), Real("k", 5, 2)}, "%b = (x - lower) / (upper - lower)", "n-1", BollingerPercent},
    {"BollingerBandWidthSingle", F, "Volatility and bands", {In("x", 2)},
     {Period("n", 3, 20), Real("k", 5, 2)}, "(upper - lower) / middle", "n-1", BollingerWidth},
    {"EnvelopeSingle", F, "Volatility and bands", {In("x", 2)},
     {Period("n", 3, 20), Real("percent", 5, 2.5), Method("method", 7, kSma)},
     "average * (1 + percent/100): upper band for a positive, lower for a negative percent", "n-1",
     Envelope},
    {"AverageTrueRangeSingle", F4, "Volatility and bands", {In("close", 2), In("high", 3), In("low", 4)},
     {Period("n", 6, 14)}, "Wilder's average true range", "n", AverageTrueRange},
    {"VolatilityChaikinSingle", F, "Volatility and bands", {In("high", 2), In("low", 4)},
     {Period("m", 3, 10), Period("r", 5, 10)},
     "100 * rate of change over r rows of EMA(m) of high - low", "m-1+r", ChaikinVolatility},
    {"HistoricalVolatilitySingle10", F, "Volatility and bands", {In("close", 2)}, {},
     "100 * sqrt(252) * population std of 10 log returns", "10", HistoricalVolatility10},
    {"HistoricalVolatilitySingle100", F, "Volatility and bands", {In("close", 2)}, {},
     "100 * sqrt(252) * population std of 100 log returns", "100", HistoricalVolatility100},
    {"HistoricalVolatilityIndicatorSingle", F, "Volatility and bands", {In("close", 2)},
     {Period("n1", 3, 10), Period("n2", 5, 100)}, "historical volatility ratio HV(n1) / HV(n2)", "n2",
     HistoricalVolatilityRatio},

    // --- volume ---
    {"AccumDistSingle", F4, "Volume", {In("close", 2), In("volume", 3), In("high", 4), In("low", 5)}, {},
     "accumulation/distribution line: running sum of close location value * volume", "0", AccumDist},
    {"ChaikinADOscillatorSingle", F4, "Volume",
     {In("close", 2), In("volume", 3), In("high", 4), In("low", 5)}, {Period("fast", 6, 3), Period("slow", 7, 10)},
     "EMA(fast) - EMA(slow) of the A/D line, both started at its first value", "max(fast,slow)-1",
     ChaikinAdOscillator},
    {"ChaikinMoneyFlowSingle", F4, "Volume", {In("close", 2), In("volume", 3), In("high", 4), In("low", 5)},
     {Period("n", 6, 21)}, "sum(close location value * volume) / sum(volume) over n rows", "n-1",
     ChaikinMoneyFlow},
    {"OBVOscillatorSingle", F, "Volume", {In("close", 2), In("volume", 4)}, {Period("n", 3, 21)},
     "on-balance volume minus its SMA(n)", "n-1", ObvOscillator},
    {"AverageOfVolumeROCSingle", F, "Volume", {In("volume", 2)}, {Period("n", 3, 12), Period("m", 5, 12)},
     "SMA(m) of the n-row volume rate of change in percent", "n+m-1", AverageOfVolumeRoc},
    {"EaseOfMovementSingle", F4, "Volume", {In("high", 2), In("low", 3), In("volume", 4)},
     {Period("n", 6, 14), Method("method", 8, kSma)},
     "average of midpoint move / ((volume / 10000) / range)", "n", EaseOfMovement},
    {"DailyVolumeIndexSingle", F4, "Volume", {In("close", 2), In("high", 3), In("low", 4), In("volume", 5)}, {},
     "running sum of volume * (close - mid) / mid, mid = (high + low) / 2", "0", DailyVolumeIndex},
    {"MarketFacilitationIndexSingle", F4, "Volume", {In("high", 2), In("low", 3), In("volume", 4)}, {},
     "Bill Williams' market facilitation index (high - low) / volume", "0", MarketFacilitationIndex},
    {"BillWilliamsProfitunitySingle", F4, "Volume", {In("high", 2), In("low", 3), In("volume", 4)}, {},
     "bar class: 1 green, 2 fade, 3 fake, 4 squat, 0 unchanged", "1", Profitunity},
    {"SquatBarVariablesSingle", F4, "Volume", {In("volume", 2), In("high", 3), In("low", 4)}, {},
     "1 on a squat bar (facilitation index down, volume up), else 0", "1", SquatBar},

    // --- bar patterns, trend power and breadth ---
    {"ColesRallyDaySingle", F, "Bar patterns and breadth", {In("high", 2), In("low", 4)}, {},
     "1 on a rally day (higher high, low not lower), else 0", "1", ColesRallyDay},
    {"ColesReactionDaySingle", F, "Bar patterns and breadth", {In("high", 2), In("low", 4)}, {},
     "1 on a reaction day (high not higher, lower low), else 0", "1", ColesReactionDay},
    {"ElderRayBullPowerSingle", F, "Bar patterns and breadth", {In("high", 2), In("close", 4)},
     {Period("n", 3, 13), Method("method", 7, kEma)}, "high - average(n) of close", "n-1", ElderRayBullPower},
    {"ElderRayBearPowerSingle", F, "Bar patterns and breadth", {In("low", 2), In("close", 4)},
     {Period("n", 3, 13), Method("method", 7, kEma)}, "low - average(n) of close", "n-1", ElderRayBearPower},
    {"AdvanceDeclineLineSingle", F, "Bar patterns and breadth", {In("net advances", 2)}, {},
     "running sum of the daily net advances", "0", AdvanceDeclineLine},
    {"BreadthAdvanceDeclineSingle", F4, "Bar patterns and breadth", {In("advancing", 2), In("declining", 3)},
     {Period("n", 6, 10)}, "EMA(n) of advancing / (advancing + declining)", "n-1", BreadthAdvanceDecline},
    {"FosbackUnchangedIssuesSingle", F4, "Bar patterns and breadth",
     {In("advancing", 2), In("declining", 3), In("unchanged", 4)}, {Period("n", 6, 1), Method("method", 8, kSma)},
     "average(n) of unchanged / all issues", "n-1", FosbackUnchangedIssues},
    {"HughesBreadthIndexSingle", F4, "Bar patterns and breadth",
     {In("advancing", 2), In("declining", 3), In("unchanged", 4)}, {Period("n", 6, 1), Method("method", 8, kSma)},
     "average(n) of (advancing - declining) / all issues", "n-1", HughesBreadthIndex},
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

int IndicatorSpec::InputCount() const {
  return static_cast<int>(std::count_if(inputs.begin(), inputs.end(), [](const InputSpec& i) { return i.name; }));
}

int IndicatorSpec::ParamCount() const {
  return static_cast<int>(std::count_if(params.begin(), params.end(), [](const ParamSpec& p) { return p.name; }));
}

std::span<const IndicatorSpec> IndicatorCatalogue() { return kCatalogue; }

const IndicatorSpec* FindIndicator(std::string_view name) {
  for (const IndicatorSpec& ind : kCatalogue) {
    if (EqualsNoCase(ind.name, name)) return &ind;
  }
  return nullptr;
}

}  // namespace plrxl::companion
