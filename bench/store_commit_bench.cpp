// The quote store alone: committing and reading back 100 series of 2,556
// daily bars (a 100-ticker refresh's worth), into a fresh file each time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "quotes/internal/bars.h"
#include "quotes/store/quote_store.h"

namespace plrxl {
namespace {

namespace fs = std::filesystem;

quotes::Bars Weekdays(double from, int count) {
  quotes::Bars bars;
  for (double d = from; static_cast<int>(bars.size()) < count; ++d) {
    if (quotes::WeekdayMon0(d) >= 5) continue;
    quotes::Bar b;
    b.date = d;
    b.open = 100 + static_cast<int>(d) % 13;
    b.high = b.open + 1;
    b.low = b.open - 1;
    b.close = b.open + 0.5;
    b.volume = 123456;
    b.adj_close = b.close * 0.97;
    bars.push_back(b);
  }
  return bars;
}

std::string Path() {
  static const std::string path = (fs::temp_directory_path() / "plrxl_store_commit_bench.db").string();
  return path;
}

void BM_Commit100x2556(benchmark::State& state) {
  const double from = quotes::CivilToSerial(2015, 6, 1);
  const quotes::Bars bars = Weekdays(from, 2556);
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(Path() + suffix);
    StoreOpenOptions open;
    open.path = Path();
    auto store = QuoteStore::Open(open, nullptr);
    state.ResumeTiming();
    for (int i = 0; i < 100; ++i) {
      StoreFetch fetch;
      fetch.range_start = from;
      fetch.range_end = bars.back().date;
      fetch.outcome = "ok";
      store->Commit({"TIINGO", "T" + std::to_string(i), ""}, fetch, bars, {}, from + 5000);
    }
    store.reset();  // the final checkpoint belongs to the cost
  }
  state.counters["bars"] = 255600;
}

void BM_Read100x2556(benchmark::State& state) {
  StoreOpenOptions open;
  open.path = Path();
  auto store = QuoteStore::Open(open, nullptr);
  const double from = quotes::CivilToSerial(2015, 6, 1);
  size_t read = 0;
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) read += store->ReadBars({"TIINGO", "T" + std::to_string(i), ""}, from, from + 4000).size();
  }
  benchmark::DoNotOptimize(read);
}

BENCHMARK(BM_Commit100x2556)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();
BENCHMARK(BM_Read100x2556)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

}  // namespace
}  // namespace plrxl

BENCHMARK_MAIN();
