#include "macros/indicator_table.h"

#include <array>

#include "host/error.h"

namespace plrxl {

namespace {

using E = IndicatorEntry;

// Arguments of "MyFormula" rows are A2..A10 (A6 is always 0, A10 always D);
// of "MyFormula4" rows A2..A9 (A9 always D).
constexpr std::array<IndicatorMacro, kIndicatorMacroCount> kIndicatorMacros = {{
    {"acceleration", "Acceleration", "Acceleration({3})", E::kMyFormula, "AccelerationSingle", "[P2] P3 '' 0 0 '' 0 0 D", "[P2]"},
    {"accumdist", "AccumDist", "Accumulation/Distribution", E::kMyFormula4, "AccumDistSingle", "[close] [volume] [high] [low] 0 0 '' D", "[close]"},
    {"advancedeclineline", "AdvanceDeclineLine", "AdvanceDeclineLine", E::kMyFormula, "AdvanceDeclineLineSingle", "[close] 0 '' 0 0 '' 0 0 D", "[close]"},
    {"aroondown", "AroonDown", "AroonDown", E::kMyFormula, "AroonDownSingle", "[low] 0 '' 0 0 '' 0 0 D", "[low]"},
    {"aroonoscillator", "AroonOscillator", "AroonOscillator", E::kMyFormula4, "AroonOscillatorSingle", "[high] [low] '' '' 0 0 '' D", "[high]"},
    {"aroonup", "AroonUp", "AroonUp", E::kMyFormula, "AroonUpSingle", "[high] 0 '' 0 0 '' 0 0 D", "[high]"},
    {"averagechange", "AverageChange", "AverageChange({3})", E::kMyFormula, "AvgChangeSingle", "[P2] P3 '' 0 0 '' 0 0 D", "[P2]"},
    {"averagenegativechange", "AverageNegativeChange", "AverageNegativeChange({3})", E::kMyFormula, "AvgNegChangeSingle", "[P2] P3 '' 0 0 '' 0 0 D", "[P2]"},
    {"averageofvolumeroc", "AverageOfVolumeROC", "AverageOfVolumeROC", E::kMyFormula, "AverageOfVolumeROCSingle", "[volume] 0 '' 0 0 '' 0 0 D", "[volume]"},
    {"averagepositivechange", "AveragePositiveChange", "AveragePositiveChange({3})", E::kMyFormula, "AvgPosChangeSingle", "[P2] P3 '' 0 0 '' 0 0 D", "[P2]"},
    {"averagetruerange", "AverageTrueRange", "AverageTrueRange({2})", E::kMyFormula4, "AverageTrueRangeSingle", "[close] [high] [low] '' P2 0 '' D", "[high]"},
    {"billwilliamsprofitunity", "BillWilliamsProfitunity", "BillWilliamsProfitunity", E::kMyFormula4, "BillWilliamsProfitunitySingle", "[high] [low] [volume] '' 0 0 '' D", "[high]"},
    {"billwilliamssquatbarvariables", "BillWilliamsSquatBarVariables", "BillWilliamsSquatBarVariables", E::kMyFormula4, "SquatBarVariablesSingle", "[volume] [high] [low] '' 0 0 '' D", "[high]"},
    {"bollingerbanddown", "BollingerBandDown", "BollingerBandDown({3},{4})", E::kMyFormula, "BollingerBandSingleDown", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"bollingerbandpercent", "BollingerBandPercent", "BollingerBandPercent({3},{4})", E::kMyFormula, "BollingerBandPercentSingle", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"bollingerbandup", "BollingerBandUp", "BollingerBandUp({3},{4})", E::kMyFormula, "BollingerBandSingleUp", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"bollingerbandwidth", "BollingerBandWidth", "BollingerBandWidth({3},{4})", E::kMyFormula, "BollingerBandWidthSingle", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"breadthadvancedecline", "BreadthAdvanceDecline", "BreadthAdvanceDecline({2})", E::kMyFormula4, "BreadthAdvanceDeclineSingle", "[open] [high] '' '' P2 0 '' D", "[high]"},
    {"chaikinadoscillator", "ChaikinADOscillator", "ChaikinADOscillator({2},{3})", E::kMyFormula4, "ChaikinADOscillatorSingle", "[close] [volume] [high] [low] P2 P3 '' D", "[high]"},
    {"chaikinmoneyflow", "ChaikinMoneyFlow", "ChaikinMoneyFlow({2})", E::kMyFormula4, "ChaikinMoneyFlowSingle", "[close] [volume] [high] [low] P2 0 '' D", "[high]"},
    {"chaikinvolatility", "ChaikinVolatility", "ChaikinVolatility({2},{3})", E::kMyFormula, "VolatilityChaikinSingle", "[high] P2 [low] P3 0 '' 0 0 D", "[high]"},
    {"chandemomentumoscillator", "ChandeMomentumOscillator", "ChandeMomentumOscillator({2})", E::kMyFormula, "ChandeMomentumOscillatorSingle", "[close] P2 '' 0 0 '' 0 0 D", "[close]"},
    {"change", "Change", "Change({3})", E::kMyFormula, "ChangeSingle", "[P2] P3 '' 0 0 '' 0 0 D", "[P2]"},
    {"colesrallyday", "ColesRallyDay", "ColesRallyDay", E::kMyFormula, "ColesRallyDaySingle", "[high] 0 [low] 0 0 '' 0 0 D", "[high]"},
    {"colesreactionday", "ColesReactionDay", "ColesReactionDay", E::kMyFormula, "ColesReactionDaySingle", "[high] 0 [low] 0 0 '' 0 0 D", "[high]"},
    {"cross", "Cross", "Cross", E::kMyFormula, "CrossSingle", "[P2] 0 [P3] 0 0 '' 0 0 D", "[P2]"},
    {"cutlerrsi", "CutlerRSI", "CutlerRSI({3})", E::kMyFormula, "CutlerRSISingle", "[P2] P3 '' 0 0 '' 30 70 D", "[P2]"},
    {"dailyvolumeindex", "DailyVolumeIndex", "DailyVolumeIndex", E::kMyFormula4, "DailyVolumeIndexSingle", "[close] [high] [low] [volume] 0 0 '' D", "[high]"},
    {"dema26", "DEMA26", "DEMA26", E::kMyFormula, "Dema26", "[close] 0 '' 0 0 '' 0 0 D", "[close]"},
    {"dema26macd", "DEMA26MACD", "DEMA26-MACD", E::kMyFormula, "Dema26_MACD", "[close] 0 '' 0 0 '' 0 0 D", "[close]"},
    {"detrendedpriceoscillator", "DetrendedPriceOscillator", "DetrendedPriceOscillator({2})", E::kMyFormula, "DPOSingle", "[close] P2 '' 0 0 '' 0 0 D", "[close]"},
    {"dx", "DX", "DX({2})", E::kMyFormula4, "DXSingle", "[close] [high] [low] '' P2 0 '' D", "[high]"},
    {"easeofmovement", "EaseOfMovement", "EaseOfMovement({2},{3})", E::kMyFormula4, "EaseOfMovementSingle", "[high] [low] [volume] '' P3 0 P2 D", "[high]"},
    {"elderraybearpower", "ElderRayBearPower", "ElderRayBearPower", E::kMyFormula, "ElderRayBearPowerSingle", "[low] 0 [close] 0 0 'MvAvg' 0 0 D", "[low]"},
    {"elderraybullpower", "ElderRayBullPower", "ElderRayBullPower", E::kMyFormula, "ElderRayBullPowerSingle", "[high] 0 [close] 0 0 'MvAvg' 0 0 D", "[high]"},
    {"envelope", "Envelope", "Envelope({3},{4},{5})", E::kMyFormula, "EnvelopeSingle", "[P2] P4 '' P5 0 P3 0 0 D", "[P2]"},
    {"fosbacksunchangedissues", "FosbacksUnchangedIssues", "Fosback'sUnchangedIssues", E::kMyFormula4, "FosbackUnchangedIssuesSingle", "[open] [high] [low] '' 0 0 'MvAvg' D", "[high]"},
    {"highestvalue", "HighestValue", "HighestValue({3})", E::kMyFormula, "HighValSingle", "[P2] P3 '' 0 0 'MvAvg' 0 0 D", "[P2]"},
    {"historicalvolatility10", "HistoricalVolatility10", "HistoricalVolatility(10)", E::kMyFormula, "HistoricalVolatilitySingle10", "[close] 0 '' 0 0 'MvAvg' 0 0 D", "[close]"},
    {"historicalvolatility100", "HistoricalVolatility100", "HistoricalVolatility(100)", E::kMyFormula, "HistoricalVolatilitySingle100", "[close] 0 '' 0 0 'MvAvg' 0 0 D", "[close]"},
    {"historicalvolatilityindicator", "HistoricalVolatilityIndicator", "HistoricalVolatilityIndicator", E::kMyFormula, "HistoricalVolatilityIndicatorSingle", "[close] 0 '' 0 0 'MvAvg' 0 0 D", "[close]"},
    {"hughesbreadthindex", "HughesBreadthIndex", "HughesBreadthIndex", E::kMyFormula4, "HughesBreadthIndexSingle", "[open] [high] [low] '' 0 0 'MvAvg' D", "[high]"},
    {"laggedvalue", "LaggedValue", "LaggedValue({3})", E::kMyFormula, "LagValueSingle", "[P2] P3 '' 0 0 '' 0 0 D", "[P2]"},
    {"lowestvalue", "LowestValue", "LowestValue({3})", E::kMyFormula, "LowValSingle", "[P2] P3 '' 0 0 'MvAvg' 0 0 D", "[P2]"},
    {"macd", "MACD", "MACD", E::kMyFormula, "MACDSingle", "[P2] 0 '' 0 0 '' 0 0 D", "[P2]"},
    {"mfi", "MFI", "MFI", E::kMyFormula4, "MarketFacilitationIndexSingle", "[high] [low] [volume] '' 0 0 '' D", "[high]"},
    {"momentum", "Momentum", "Momentum({3})", E::kMyFormula, "MomentumSingle", "[P2] P3 '' 0 0 'MvAvg' 0 0 D", "[P2]"},
    {"mvavgexponential", "MvAvgExponential", "ExponentialMovingAverage({3})", E::kMyFormula, "ExpMvAvgSingle", "[P2] P3 '' 0 0 '' 0 0 D", "[P2]"},
    {"mvavgexponentialdiff", "MvAvgExponentialDiff", "ExponentialMovingAverageDifference({3},{4})", E::kMyFormula, "ExpMvAvgDiffSingle", "[P2] P3 '' P4 0 'MvAvg' 0 0 D", "[P2]"},
    {"mvavgexponentiallagged", "MvAvgExponentialLagged", "LaggedExponentialMovingAverage({3},{4})", E::kMyFormula, "LagExpMvAvgSingle", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"mvavgexponentiallaggeddiff", "MvAvgExponentialLaggedDiff", "LaggedExponentialMovingAverageDifference({3},{4})", E::kMyFormula, "LagExpMvAvgDiffSingle", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"mvavglineweighted", "MvAvgLineWeighted", "LineWeightedMovingAverage({3})", E::kMyFormula, "LinWgtMvAvgSingle", "[P2] P3 '' 0 0 '' 0 0 D", "[P2]"},
    {"mvavglineweighteddiff", "MvAvgLineWeightedDiff", "LineWeightedMovingAverageDifference({3},{4})", E::kMyFormula, "LinWgtMvAvgDiffSingle", "[P2] P3 '' P4 0 'MvAvg' 0 0 D", "[P2]"},
    {"mvavglineweightedlagged", "MvAvgLineWeightedLagged", "LaggedLineWeightedMovingAverage({3},{4})", E::kMyFormula, "LagLinWgtMvAvgSingle", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"mvavglineweightedlaggeddiff", "MvAvgLineWeightedLaggedDiff", "LaggedLineWeightedMovingAverageDifference({3},{4})", E::kMyFormula, "LagLinWgtMvAvgDiffSingle", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"mvavgsimple", "MvAvgSimple", "SimpleMovingAverage({3})", E::kMyFormula, "MvAvgSingle", "[P2] P3 '' 0 0 '' 0 0 D", "[P2]"},
    {"mvavgsimplediff", "MvAvgSimpleDiff", "SimpleMovingAverageDifference({3},{4})", E::kMyFormula, "MvAvgDiffSingle", "[P2] P3 '' P4 0 'MvAvg' 0 0 D", "[P2]"},
    {"mvavgsimplelagged", "MvAvgSimpleLagged", "LaggedSimpleMovingAverage({3},{4})", E::kMyFormula, "LagMvAvgSingle", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"mvavgsimplelaggeddiff", "MvAvgSimpleLaggedDiff", "LaggedSimpleMovingAverageDifference({3},{4})", E::kMyFormula, "LagMvAvgDiffSingle", "[P2] P3 '' P4 0 '' 0 0 D", "[P2]"},
    {"obvoscillator", "OBVOscillator", "OBVOscillator", E::kMyFormula, "OBVOscillatorSingle", "[close] 0 [volume] 0 0 '' 0 0 D", "[close]"},
    {"stochasticoscillator", "StochasticOscillator", "StochasticOscillator({2},{3})", E::kMyFormula4, "StochasticOscillatorSingle", "[high] [low] [close] '' P2 P3 '' D", "[high]"},
    {"wilderrsi", "WilderRSI", "WilderRSI({3})", E::kMyFormula, "WilderRSISingle", "[P2] P3 '' 0 0 '' 30 70 D", "[P2]"},
    {"williamsr", "WilliamsR", "Williams %R({2})", E::kMyFormula4, "WilliamsRSingle", "[close] [high] [low] '' P2 0 '' D", "[close]"},
}};

Error BadToken(const std::string& token) {
  return Error(kErrInvalidCall, "Pelorin.Cfenmar.RunIndicator", "Unknown indicator argument '" + token + "'");
}

}  // namespace

std::span<const IndicatorMacro> IndicatorMacros() { return kIndicatorMacros; }

const IndicatorMacro* FindIndicatorMacro(const std::string& macro) {
  for (const IndicatorMacro& row : kIndicatorMacros) {
    if (macro == row.macro) return &row;
  }
  return nullptr;
}

const char* EntryPointName(IndicatorEntry entry) {
  return entry == IndicatorEntry::kMyFormula ? "MyFormula" : "MyFormula4";
}

std::vector<IndicatorArgument> ParseIndicatorArguments(const std::string& tokens) {
  std::vector<IndicatorArgument> out;
  size_t start = 0;
  while (start <= tokens.size()) {
    size_t end = tokens.find(' ', start);
    if (end == std::string::npos) end = tokens.size();
    const std::string token = tokens.substr(start, end - start);
    start = end + 1;
    IndicatorArgument arg;
    if (token.size() == 4 && token[0] == '[' && token[1] == 'P' && token[3] == ']' && token[2] >= '2' && token[2] <= '5') {
      arg.kind = IndicatorArgument::kSlotRange;
      arg.slot = token[2] - '0';
    } else if (token == "[open]" || token == "[high]" || token == "[low]" || token == "[close]" || token == "[volume]") {
      arg.kind = IndicatorArgument::kFieldRange;
      arg.field = token.substr(1, token.size() - 2);
    } else if (token.size() == 2 && token[0] == 'P' && token[1] >= '2' && token[1] <= '5') {
      arg.kind = IndicatorArgument::kSlotText;
      arg.slot = token[1] - '0';
    } else if (token == "0" || token == "30" || token == "70") {
      arg.kind = IndicatorArgument::kNumber;
      arg.number = token == "0" ? 0 : token == "30" ? 30 : 70;
    } else if (token.size() >= 2 && token.front() == '\'' && token.back() == '\'') {
      arg.kind = IndicatorArgument::kText;
      arg.text = token.substr(1, token.size() - 2);
    } else if (token == "D") {
      arg.kind = IndicatorArgument::kDirection;
    } else {
      throw BadToken(token);
    }
    out.push_back(std::move(arg));
  }
  return out;
}

std::string BuildIndicatorHeader(const std::string& pattern, const std::vector<std::string>& slots) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}') {
      const size_t n = static_cast<size_t>(pattern[i + 1] - '0');
      out += slots.at(n - 1);
      i += 2;
    } else {
      out.push_back(pattern[i]);
    }
  }
  return out;
}

}  // namespace plrxl
