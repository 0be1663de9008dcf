// Every catalogue function over 1,000,000 bars with its default parameters,
// oldest-first and newest-first. Budget: at most 20 ms per function and
// direction. Prints the slowest runs and exits non-zero when one is over.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "companion/indicators.h"
#include "synthetic_bars.h"

namespace {

using plrxl::companion::IndicatorSpec;

using plrxl::bench::InputsFor;
using plrxl::bench::kBars;
using plrxl::bench::SyntheticBars;

constexpr double kBudgetMs = 20.0;

void RunIndicator(benchmark::State& state, const IndicatorSpec* ind, bool newest_first) {
  const auto inputs = InputsFor(*ind);
  const std::vector<std::span<const double>> views(inputs.begin(), inputs.end());
  const auto params = plrxl::companion::ResolveParams(*ind, {});
  // The caller's workspace and result column are reused, as the host
  // functions reuse theirs from call to call.
  plrxl::companion::Workspace ws;
  std::vector<double> out;
  // The inputs are checked for blanks once, as the companion functions
  // check them while converting the cells.
  const plrxl::companion::ComputeOptions options{.newest_first = newest_first, .inputs_finite = true};
  plrxl::companion::ComputeInto(*ind, views, params, options, ws, out);  // first touch of the buffers
  for (auto _ : state) {
    plrxl::companion::ComputeInto(*ind, views, params, options, ws, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kBars));
}

// The floor any function pays on this machine at this moment: reading one
// input and writing the result column once, memory-bound.
void Baseline(benchmark::State& state) {
  const std::vector<double>& close = SyntheticBars().c;
  std::vector<double> out(close.size(), 0.0);
  for (auto _ : state) {
    std::reverse_copy(close.begin(), close.end(), out.begin());
    benchmark::DoNotOptimize(out.data());
  }
}

// Keeps the best repetition of every benchmark: on a shared machine the
// slower repetitions measure the neighbours (evicted caches, stolen time).
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      const double ms = run.GetAdjustedCPUTime();  // the unit is set to ms below
      auto it = std::find_if(times_.begin(), times_.end(), [&](const auto& t) { return t.first == run.run_name.function_name; });
      if (it == times_.end()) {
        times_.push_back({run.run_name.function_name, ms});
      } else {
        it->second = std::min(it->second, ms);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::vector<std::pair<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  for (const IndicatorSpec& ind : plrxl::companion::IndicatorCatalogue()) {
    for (bool newest_first : {false, true}) {
      benchmark::RegisterBenchmark((std::string(ind.name) + (newest_first ? "/newest_first" : "/oldest_first")).c_str(),
                                   RunIndicator, &ind, newest_first)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(3);
    }
  }
  benchmark::RegisterBenchmark("Baseline/copy_one_column", Baseline)->Unit(benchmark::kMillisecond)->Repetitions(3);
  SyntheticBars();  // build the series outside the timings
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  auto& times = reporter.times_;
  double baseline = 0;
  for (const auto& [name, ms] : times) {
    if (name.rfind("Baseline", 0) == 0) baseline = ms;
  }
  std::erase_if(times, [](const auto& t) { return t.first.rfind("Baseline", 0) == 0; });
  std::sort(times.begin(), times.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  std::printf("\nSlowest over %zu bars, CPU time of the best of 3 (budget %.0f ms):\n", kBars, kBudgetMs);
  for (size_t i = 0; i < times.size() && i < 8; ++i) {
    std::printf("  %-55s %7.2f ms  (%.1f x baseline)\n", times[i].first.c_str(), times[i].second,
                baseline > 0 ? times[i].second / baseline : 0.0);
  }
  std::printf("Baseline (copy one column of %zu values): %.2f ms CPU\n", kBars, baseline);
  const bool over = !times.empty() && times.front().second > kBudgetMs;
  std::printf("%s\n", over ? "OVER BUDGET" : "all within budget");
  return over ? 1 : 0;
}
