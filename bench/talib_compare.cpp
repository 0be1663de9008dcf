// Our indicators against TA-Lib's C library, side by side in one run: each
// catalogue function that TA-Lib computes too (or composes from two calls),
// over the same 1,000,000 bars, warm buffers, best of N repetitions.
//
// A reference measurement only: built when PLRXL_TALIB_DIR names a TA-Lib
// build (see tools/talib_compare.sh), never by default, never in CI, and
// nothing of the product links TA-Lib.
//
// Columns: TA-Lib's time; ours through ComputeInto (what the companion
// functions call), oldest row first as TA-Lib takes it, on inputs checked
// for blanks once; the kernel alone, to show what the call around it costs;
// the ratios ours / TA-Lib. Where the two compute the same values, the
// largest relative difference is shown too.
//
// Usage: talib_compare [repetitions] [name filter]
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include <ta_libc.h>

#include "companion/indicators.h"
#include "synthetic_bars.h"

namespace {

using plrxl::bench::Bars;
using plrxl::bench::kBars;
using plrxl::bench::SyntheticBars;
using plrxl::companion::IndicatorSpec;

// TA-Lib's outputs, written from index 0 for the row begin.
struct TaOut {
  std::vector<double> a = std::vector<double>(kBars), b = std::vector<double>(kBars),
                      c = std::vector<double>(kBars), scratch = std::vector<double>(kBars);
  int begin = 0, count = 0;
};

constexpr int kLast = static_cast<int>(kBars) - 1;

struct Row {
  const char* ours;   // catalogue name, default parameters
  const char* talib;  // what TA-Lib is asked
  bool composed;      // TA-Lib needs more than one call (not in the direct sum)
  bool same_values;   // TA-Lib's first output equals ours at every row
  void (*run)(const Bars&, TaOut&);
};

const Row kRows[] = {
    {"MvAvgSingle", "SMA(10)", false, true,
     [](const Bars& b, TaOut& o) { TA_SMA(0, kLast, b.c.data(), 10, &o.begin, &o.count, o.a.data()); }},
    {"ExpMvAvgSingle", "EMA(10)", false, true,
     [](const Bars& b, TaOut& o) { TA_EMA(0, kLast, b.c.data(), 10, &o.begin, &o.count, o.a.data()); }},
    {"LinWgtMvAvgSingle", "WMA(10)", false, true,
     [](const Bars& b, TaOut& o) { TA_WMA(0, kLast, b.c.data(), 10, &o.begin, &o.count, o.a.data()); }},
    {"MACDSingle", "APO(12,26,EMA)", false, false,
     [](const Bars& b, TaOut& o) {
       TA_APO(0, kLast, b.c.data(), 12, 26, TA_MAType_EMA, &o.begin, &o.count, o.a.data());
     }},
    {"Dema26", "DEMA(26)", false, true,
     [](const Bars& b, TaOut& o) { TA_DEMA(0, kLast, b.c.data(), 26, &o.begin, &o.count, o.a.data()); }},
    {"ChangeSingle", "MOM(10)", false, true,
     [](const Bars& b, TaOut& o) { TA_MOM(0, kLast, b.c.data(), 10, &o.begin, &o.count, o.a.data()); }},
    {"MomentumSingle", "ROCR100(10)", false, true,
     [](const Bars& b, TaOut& o) { TA_ROCR100(0, kLast, b.c.data(), 10, &o.begin, &o.count, o.a.data()); }},
    {"HighValSingle", "MAX(10)", false, true,
     [](const Bars& b, TaOut& o) { TA_MAX(0, kLast, b.c.data(), 10, &o.begin, &o.count, o.a.data()); }},
    {"LowValSingle", "MIN(10)", false, true,
     [](const Bars& b, TaOut& o) { TA_MIN(0, kLast, b.c.data(), 10, &o.begin, &o.count, o.a.data()); }},
    {"WilderRSISingle", "RSI(14)", false, true,
     [](const Bars& b, TaOut& o) { TA_RSI(0, kLast, b.c.data(), 14, &o.begin, &o.count, o.a.data()); }},
    {"ChandeMomentumOscillatorSingle", "CMO(14)", false, false,
     [](const Bars& b, TaOut& o) { TA_CMO(0, kLast, b.c.data(), 14, &o.begin, &o.count, o.a.data()); }},
    {"StochasticOscillatorSingle", "STOCH(5,3,SMA,3,SMA)", false, false,
     [](const Bars& b, TaOut& o) {
       TA_STOCH(0, kLast, b.h.data(), b.l.data(), b.c.data(), 5, 3, TA_MAType_SMA, 3, TA_MAType_SMA, &o.begin,
                &o.count, o.a.data(), o.b.data());
     }},
    {"WilliamsRSingle", "WILLR(14)", false, true,
     [](const Bars& b, TaOut& o) {
       TA_WILLR(0, kLast, b.h.data(), b.l.data(), b.c.data(), 14, &o.begin, &o.count, o.a.data());
     }},
    {"AroonUpSingle", "AROON(14)", false, false,
     [](const Bars& b, TaOut& o) {
       TA_AROON(0, kLast, b.h.data(), b.h.data(), 14, &o.begin, &o.count, o.b.data(), o.a.data());
     }},
    {"AroonDownSingle", "AROON(14)", false, false,
     [](const Bars& b, TaOut& o) {
       TA_AROON(0, kLast, b.l.data(), b.l.data(), 14, &o.begin, &o.count, o.a.data(), o.b.data());
     }},
    {"AroonOscillatorSingle", "AROONOSC(14)", false, true,
     [](const Bars& b, TaOut& o) {
       TA_AROONOSC(0, kLast, b.h.data(), b.l.data(), 14, &o.begin, &o.count, o.a.data());
     }},
    {"DXSingle", "DX(14)", false, false,
     [](const Bars& b, TaOut& o) {
       TA_DX(0, kLast, b.h.data(), b.l.data(), b.c.data(), 14, &o.begin, &o.count, o.a.data());
     }},
    {"BollingerBandSingleUp", "BBANDS(20,2,2,SMA)", false, true,
     [](const Bars& b, TaOut& o) {
       TA_BBANDS(0, kLast, b.c.data(), 20, 2, 2, TA_MAType_SMA, &o.begin, &o.count, o.a.data(), o.b.data(),
                 o.c.data());
     }},
    {"BollingerBandSingleDown", "BBANDS(20,2,2,SMA)", false, true,
     [](const Bars& b, TaOut& o) {
       TA_BBANDS(0, kLast, b.c.data(), 20, 2, 2, TA_MAType_SMA, &o.begin, &o.count, o.c.data(), o.b.data(),
                 o.a.data());
     }},
    {"AverageTrueRangeSingle", "ATR(14)", false, true,
     [](const Bars& b, TaOut& o) {
       TA_ATR(0, kLast, b.h.data(), b.l.data(), b.c.data(), 14, &o.begin, &o.count, o.a.data());
     }},
    {"AccumDistSingle", "AD", false, true,
     [](const Bars& b, TaOut& o) {
       TA_AD(0, kLast, b.h.data(), b.l.data(), b.c.data(), b.v.data(), &o.begin, &o.count, o.a.data());
     }},
    {"ChaikinADOscillatorSingle", "ADOSC(3,10)", false, true,
     [](const Bars& b, TaOut& o) {
       TA_ADOSC(0, kLast, b.h.data(), b.l.data(), b.c.data(), b.v.data(), 3, 10, &o.begin, &o.count, o.a.data());
     }},
    {"BreadthAdvanceDeclineSingle", "EMA(10) of a/(a+d)", true, false,
     [](const Bars& b, TaOut& o) {
       for (size_t t = 0; t < kBars; ++t) o.scratch[t] = b.o[t] / (b.o[t] + b.h[t]);
       TA_EMA(0, kLast, o.scratch.data(), 10, &o.begin, &o.count, o.a.data());
     }},
    // Composed from two calls and a loop, as a TA-Lib user would.
    {"MvAvgDiffSingle", "SMA(12) - SMA(26)", true, false,
     [](const Bars& b, TaOut& o) {
       int begin2 = 0, count2 = 0;
       TA_SMA(0, kLast, b.c.data(), 12, &o.begin, &o.count, o.a.data());
       TA_SMA(0, kLast, b.c.data(), 26, &begin2, &count2, o.b.data());
       for (int i = 0; i < count2; ++i) o.a[i] = o.a[i + begin2 - o.begin] - o.b[i];
       o.begin = begin2;
       o.count = count2;
     }},
    {"ExpMvAvgDiffSingle", "EMA(12) - EMA(26)", true, false,
     [](const Bars& b, TaOut& o) {
       int begin2 = 0, count2 = 0;
       TA_EMA(0, kLast, b.c.data(), 12, &o.begin, &o.count, o.a.data());
       TA_EMA(0, kLast, b.c.data(), 26, &begin2, &count2, o.b.data());
       for (int i = 0; i < count2; ++i) o.a[i] = o.a[i + begin2 - o.begin] - o.b[i];
       o.begin = begin2;
       o.count = count2;
     }},
    {"LinWgtMvAvgDiffSingle", "WMA(12) - WMA(26)", true, false,
     [](const Bars& b, TaOut& o) {
       int begin2 = 0, count2 = 0;
       TA_WMA(0, kLast, b.c.data(), 12, &o.begin, &o.count, o.a.data());
       TA_WMA(0, kLast, b.c.data(), 26, &begin2, &count2, o.b.data());
       for (int i = 0; i < count2; ++i) o.a[i] = o.a[i + begin2 - o.begin] - o.b[i];
       o.begin = begin2;
       o.count = count2;
     }},
    {"Dema26_MACD", "DEMA(12) - DEMA(26)", true, false,
     [](const Bars& b, TaOut& o) {
       int begin2 = 0, count2 = 0;
       TA_DEMA(0, kLast, b.c.data(), 12, &o.begin, &o.count, o.a.data());
       TA_DEMA(0, kLast, b.c.data(), 26, &begin2, &count2, o.b.data());
       for (int i = 0; i < count2; ++i) o.a[i] = o.a[i + begin2 - o.begin] - o.b[i];
       o.begin = begin2;
       o.count = count2;
     }},
    {"HistoricalVolatilitySingle10", "STDDEV(10) of log returns", true, false,
     [](const Bars& b, TaOut& o) {
       for (size_t t = 1; t < kBars; ++t) o.scratch[t - 1] = std::log(b.c[t] / b.c[t - 1]);
       TA_STDDEV(0, kLast - 1, o.scratch.data(), 10, 1, &o.begin, &o.count, o.a.data());
       const double scale = 100 * std::sqrt(252.0);
       for (int i = 0; i < o.count; ++i) o.a[i] *= scale;
       ++o.begin;
     }},
    {"VolatilityChaikinSingle", "ROC(10) of EMA(10) of h-l", true, false,
     [](const Bars& b, TaOut& o) {
       int begin2 = 0, count2 = 0;
       for (size_t t = 0; t < kBars; ++t) o.scratch[t] = b.h[t] - b.l[t];
       TA_EMA(0, kLast, o.scratch.data(), 10, &o.begin, &o.count, o.b.data());
       TA_ROC(0, o.count - 1, o.b.data(), 10, &begin2, &count2, o.a.data());
       o.begin += begin2;
       o.count = count2;
     }},
    {"OBVOscillatorSingle", "OBV - SMA(21) of OBV", true, false,
     [](const Bars& b, TaOut& o) {
       int begin2 = 0, count2 = 0;
       TA_OBV(0, kLast, b.c.data(), b.v.data(), &o.begin, &o.count, o.b.data());
       TA_SMA(0, kLast, o.b.data(), 21, &begin2, &count2, o.a.data());
       for (int i = 0; i < count2; ++i) o.a[i] = o.b[i + begin2] - o.a[i];
       o.begin = begin2;
       o.count = count2;
     }},
    {"ElderRayBullPowerSingle", "high - EMA(13)", true, false,
     [](const Bars& b, TaOut& o) {
       TA_EMA(0, kLast, b.c.data(), 13, &o.begin, &o.count, o.a.data());
       for (int i = 0; i < o.count; ++i) o.a[i] = b.h[i + o.begin] - o.a[i];
     }},
    {"BollingerBandPercentSingle", "%b from BBANDS(20,2,2,SMA)", true, false,
     [](const Bars& b, TaOut& o) {
       TA_BBANDS(0, kLast, b.c.data(), 20, 2, 2, TA_MAType_SMA, &o.begin, &o.count, o.a.data(), o.b.data(),
                 o.c.data());
       for (int i = 0; i < o.count; ++i) o.a[i] = (b.c[i + o.begin] - o.c[i]) / (o.a[i] - o.c[i]);
     }},
};

double CpuMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

template <typename Fn>
double TimeOnce(Fn&& fn) {
  const double start = CpuMs();
  fn();
  return CpuMs() - start;
}

// Largest relative difference between TA-Lib's first output and ours.
double Difference(const TaOut& ta, const std::vector<double>& ours) {
  double worst = 0;
  for (int i = 0; i < ta.count; ++i) {
    const double want = ta.a[i], got = ours[static_cast<size_t>(ta.begin + i)];
    if (std::isnan(got)) continue;  // a blank where TA-Lib writes 0
    worst = std::max(worst, std::fabs(got - want) / std::max(std::fabs(want), 1e-300));
  }
  return worst;
}

struct Totals {
  double talib = 0, ours = 0, kernel = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  const std::string filter = argc > 2 ? argv[2] : "";
  if (TA_Initialize() != TA_SUCCESS) {
    std::fprintf(stderr, "TA_Initialize failed\n");
    return 1;
  }
  const Bars& bars = SyntheticBars();
  TaOut ta;
  plrxl::companion::Workspace ws;
  std::vector<double> out(kBars), kernel_out(kBars);

  std::printf("%zu bars, CPU ms, best of %d, warm buffers; ours = ComputeInto, oldest first\n", kBars,
              repetitions);
  std::printf("%-31s %-27s %8s %8s %8s %7s %7s %9s\n", "function", "TA-Lib", "TA-Lib", "ours", "kernel",
              "ours/TA", "kern/TA", "max rel");
  Totals direct, composed;
  for (const Row& row : kRows) {
    if (!filter.empty() && std::string(row.ours).find(filter) == std::string::npos) continue;
    const IndicatorSpec* ind = plrxl::companion::FindIndicator(row.ours);
    if (ind == nullptr) {
      std::fprintf(stderr, "%s is not in the catalogue\n", row.ours);
      return 1;
    }
    const auto inputs = plrxl::bench::InputsFor(*ind);
    const std::vector<std::span<const double>> views(inputs.begin(), inputs.end());
    const auto params = plrxl::companion::ResolveParams(*ind, {});
    // Checked for blanks once, as the companion functions do while they
    // convert cells; TA-Lib takes its arrays as they come.
    const plrxl::companion::ComputeOptions options{.inputs_finite = true};
    plrxl::companion::SeriesView view;
    for (size_t i = 0; i < inputs.size(); ++i) view.x[i] = inputs[i].data();
    view.size = kBars;

    double best_ta = 1e300, best_ours = 1e300, best_kernel = 1e300;
    for (int r = 0; r < repetitions; ++r) {
      best_ta = std::min(best_ta, TimeOnce([&] { row.run(bars, ta); }));
      best_ours = std::min(best_ours, TimeOnce([&] {
                             plrxl::companion::ComputeInto(*ind, views, params, options, ws, out);
                           }));
      best_kernel = std::min(best_kernel, TimeOnce([&] {
                               plrxl::companion::Workspace::Scope scope(ws);
                               ind->kernel(view, params, kernel_out.data(), ws);
                             }));
    }
    char difference[32] = "";
    if (row.same_values) std::snprintf(difference, sizeof difference, "%9.1e", Difference(ta, out));
    std::printf("%-31s %-27s %8.2f %8.2f %8.2f %7.2f %7.2f %9s\n", row.ours, row.talib, best_ta, best_ours,
                best_kernel, best_ours / best_ta, best_kernel / best_ta, difference);
    Totals& totals = row.composed ? composed : direct;
    totals.talib += best_ta;
    totals.ours += best_ours;
    totals.kernel += best_kernel;
  }
  for (const auto& [name, t] : {std::pair{"sum, direct calls", direct}, std::pair{"sum, composed", composed}}) {
    if (t.talib == 0) continue;
    std::printf("%-59s %8.2f %8.2f %8.2f %7.2f %7.2f\n", name, t.talib, t.ours, t.kernel, t.ours / t.talib,
                t.kernel / t.talib);
  }
  TA_Shutdown();
  return 0;
}
