#include "macros/builtin_macros.h"

#include <array>

#include "host/error.h"
#include "macros/cfenmar.h"
#include "macros/charts.h"
#include "macros/indicator_table.h"

namespace plrxl {

namespace {

// Every indicator row runs the one indicator procedure with its own row of
// the indicator table.
void RunIndicatorMacro(Cfenmar& engine, const BuiltinMacro& macro, MacroSlots& slots) {
  const IndicatorMacro* indicator = FindIndicatorMacro(macro.name);
  if (indicator == nullptr) throw Error(kErrInvalidCall, "Pelorin.Cfenmar.RunMyMacro", "Unknown indicator");
  engine.RunIndicator(*indicator, slots);
}

void RunCopyData(Cfenmar& engine, const BuiltinMacro&, MacroSlots& slots) { engine.CopyData(slots); }
void RunCreateSummary(Cfenmar& engine, const BuiltinMacro&, MacroSlots& slots) { engine.CreateSummary(slots); }
void RunTransposeData(Cfenmar& engine, const BuiltinMacro&, MacroSlots& slots) { engine.TransposeData(slots); }
void RunTickerHeader(Cfenmar& engine, const BuiltinMacro&, MacroSlots& slots) { engine.TickerHeader(slots); }
void RunExportData(Cfenmar& engine, const BuiltinMacro&, MacroSlots& slots) { engine.ExportData(slots); }
void RunLineChart(Cfenmar& engine, const BuiltinMacro&, MacroSlots& slots) { ChartMacros::LineChart(engine, slots); }
void RunStockChart(Cfenmar& engine, const BuiltinMacro&, MacroSlots& slots) { ChartMacros::StockChart(engine, slots); }

constexpr std::array<BuiltinMacro, kBuiltinMacroCount> kBuiltinMacros = {{
    {"acceleration", "Acceleration", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"accumdist", "AccumDist", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"advancedeclineline", "AdvanceDeclineLine", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"aroondown", "AroonDown", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"aroonoscillator", "AroonOscillator", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"aroonup", "AroonUp", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"averagechange", "AverageChange", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"averagenegativechange", "AverageNegativeChange", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"averageofvolumeroc", "AverageOfVolumeROC", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"averagepositivechange", "AveragePositiveChange", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"averagetruerange", "AverageTrueRange", 2, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"billwilliamsprofitunity", "BillWilliamsProfitunity", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"billwilliamssquatbarvariables", "BillWilliamsSquatBarVariables", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"bollingerbanddown", "BollingerBandDown", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"bollingerbandpercent", "BollingerBandPercent", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"bollingerbandup", "BollingerBandUp", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"bollingerbandwidth", "BollingerBandWidth", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"breadthadvancedecline", "BreadthAdvanceDecline", 2, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"chaikinadoscillator", "ChaikinADOscillator", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"chaikinmoneyflow", "ChaikinMoneyFlow", 2, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"chaikinvolatility", "ChaikinVolatility", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"chandemomentumoscillator", "ChandeMomentumOscillator", 2, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"change", "Change", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"colesrallyday", "ColesRallyDay", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"colesreactionday", "ColesReactionDay", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"cross", "Cross", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"cutlerrsi", "CutlerRSI", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"dailyvolumeindex", "DailyVolumeIndex", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"dema26", "DEMA26", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"dema26macd", "DEMA26MACD", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"detrendedpriceoscillator", "DetrendedPriceOscillator", 2, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"dx", "DX", 2, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"easeofmovement", "EaseOfMovement", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"elderraybearpower", "ElderRayBearPower", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"elderraybullpower", "ElderRayBullPower", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"envelope", "Envelope", 5, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"fosbacksunchangedissues", "FosbacksUnchangedIssues", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"highestvalue", "HighestValue", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"historicalvolatility10", "HistoricalVolatility10", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"historicalvolatility100", "HistoricalVolatility100", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"historicalvolatilityindicator", "HistoricalVolatilityIndicator", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"hughesbreadthindex", "HughesBreadthIndex", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"laggedvalue", "LaggedValue", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"lowestvalue", "LowestValue", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"macd", "MACD", 2, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mfi", "MFI", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"momentum", "Momentum", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavgexponential", "MvAvgExponential", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavgexponentialdiff", "MvAvgExponentialDiff", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavgexponentiallagged", "MvAvgExponentialLagged", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavgexponentiallaggeddiff", "MvAvgExponentialLaggedDiff", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavglineweighted", "MvAvgLineWeighted", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavglineweighteddiff", "MvAvgLineWeightedDiff", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavglineweightedlagged", "MvAvgLineWeightedLagged", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavglineweightedlaggeddiff", "MvAvgLineWeightedLaggedDiff", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavgsimple", "MvAvgSimple", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavgsimplediff", "MvAvgSimpleDiff", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavgsimplelagged", "MvAvgSimpleLagged", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"mvavgsimplelaggeddiff", "MvAvgSimpleLaggedDiff", 4, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"obvoscillator", "OBVOscillator", 1, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"stochasticoscillator", "StochasticOscillator", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"wilderrsi", "WilderRSI", 3, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"williamsr", "WilliamsR", 2, BuiltinKind::kIndicator, &RunIndicatorMacro},
    {"copydata", "CopyData", 3, BuiltinKind::kDataTool, &RunCopyData},
    {"createsummary", "CreateSummary", 0, BuiltinKind::kDataTool, &RunCreateSummary},
    {"transposedata", "TransposeData", 0, BuiltinKind::kDataTool, &RunTransposeData},
    {"tickerheader", "TickerHeader", 0, BuiltinKind::kDataTool, &RunTickerHeader},
    {"exportdata", "ExportData", 2, BuiltinKind::kDataTool, &RunExportData},
    {"linechart", "LineChart", 9, BuiltinKind::kDataTool, &RunLineChart},
    {"stockchart", "StockChart", 9, BuiltinKind::kDataTool, &RunStockChart},
}};

}  // namespace

std::span<const BuiltinMacro> BuiltinMacros() { return kBuiltinMacros; }

const BuiltinMacro* FindBuiltinMacro(const std::string& lower_name) {
  for (const BuiltinMacro& macro : kBuiltinMacros) {
    if (lower_name == macro.name) return &macro;
  }
  return nullptr;
}

}  // namespace plrxl
