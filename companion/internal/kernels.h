// The kernels behind the catalogue rows, one per function name (the moving
// average families share one template per shape). Each fills out[] for one
// run of rows without blank inputs; see companion/indicators.h.
#pragma once

#include "companion/indicators.h"

namespace plrxl::companion::kernels {

#define PLRXL_KERNEL(name) void name(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws)

// moving_averages.cpp
template <MaMethod M> PLRXL_KERNEL(MvAvg);
template <MaMethod M> PLRXL_KERNEL(MvAvgDiff);
template <MaMethod M> PLRXL_KERNEL(LagMvAvg);
template <MaMethod M> PLRXL_KERNEL(LagMvAvgDiff);
PLRXL_KERNEL(Macd);
PLRXL_KERNEL(Dema26);
PLRXL_KERNEL(Dema26Macd);

// momentum.cpp
PLRXL_KERNEL(Change);
PLRXL_KERNEL(Momentum);
PLRXL_KERNEL(AvgChange);
PLRXL_KERNEL(AvgPosChange);
PLRXL_KERNEL(AvgNegChange);
PLRXL_KERNEL(Acceleration);
PLRXL_KERNEL(LagValue);
PLRXL_KERNEL(HighVal);
PLRXL_KERNEL(LowVal);
PLRXL_KERNEL(Cross);

// oscillators.cpp
PLRXL_KERNEL(WilderRsi);
PLRXL_KERNEL(CutlerRsi);
PLRXL_KERNEL(ChandeMomentum);
PLRXL_KERNEL(Dpo);
PLRXL_KERNEL(Stochastic);
PLRXL_KERNEL(WilliamsR);
PLRXL_KERNEL(AroonUp);
PLRXL_KERNEL(AroonDown);
PLRXL_KERNEL(AroonOscillator);
PLRXL_KERNEL(Dx);

// volatility.cpp
PLRXL_KERNEL(BollingerUp);
PLRXL_KERNEL(BollingerDown);
PLRXL_KERNEL(BollingerPercent);
PLRXL_KERNEL(BollingerWidth);
PLRXL_KERNEL(Envelope);
PLRXL_KERNEL(AverageTrueRange);
PLRXL_KERNEL(ChaikinVolatility);
PLRXL_KERNEL(HistoricalVolatility10);
PLRXL_KERNEL(HistoricalVolatility100);
PLRXL_KERNEL(HistoricalVolatilityRatio);

// volume.cpp
PLRXL_KERNEL(AccumDist);
PLRXL_KERNEL(ChaikinAdOscillator);
PLRXL_KERNEL(ChaikinMoneyFlow);
PLRXL_KERNEL(ObvOscillator);
PLRXL_KERNEL(AverageOfVolumeRoc);
PLRXL_KERNEL(EaseOfMovement);
PLRXL_KERNEL(DailyVolumeIndex);
PLRXL_KERNEL(MarketFacilitationIndex);
PLRXL_KERNEL(Profitunity);
PLRXL_KERNEL(SquatBar);

// breadth_patterns.cpp
PLRXL_KERNEL(ColesRallyDay);
PLRXL_KERNEL(ColesReactionDay);
PLRXL_KERNEL(ElderRayBullPower);
PLRXL_KERNEL(ElderRayBearPower);
PLRXL_KERNEL(AdvanceDeclineLine);
PLRXL_KERNEL(BreadthAdvanceDecline);
PLRXL_KERNEL(FosbackUnchangedIssues);
PLRXL_KERNEL(HughesBreadthIndex);

#undef PLRXL_KERNEL

}  // namespace plrxl::companion::kernels
