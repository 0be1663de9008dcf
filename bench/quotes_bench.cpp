// Downloads: 200 tickers from a loopback server that answers each request
// after 50 ms, taken in order the way a run pastes them (prefetch, then
// start and poll each row). Budget: at most 1.0 s per run with the default
// connection limit; a sequential run would take over 10 s.
//
// A dead source: 48 rows on a server that accepts connections and never
// answers, with the default limits (60 s per download). Budget: at most
// 65 s for all 48 rows: one wait, then the source is given up.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "quotes/quote_component.h"
#include "quotes/quote_errors.h"
#include "quotes/internal/bars.h"
#include "tests/quotes/loopback_server.h"

namespace {

using plrxl::Variant;

constexpr int kTickers = 200;
constexpr int kDelayMs = 50;

const char* kPrices = R"json([{"date":"2024-01-02T00:00:00.000Z","close":185.64,"high":188.44,"low":183.89,
"open":187.15,"volume":82488700,"adjClose":184.73,"divCash":0.0,"splitFactor":1.0}])json";

void BM_Download200Tickers(benchmark::State& state) {
  plrxl::testing::LoopbackServer server(64);
  server.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kDelayMs));
    res.set_content(kPrices, "application/json");
  });
  server.Start();
  plrxl::QuoteSettings settings;  // default limits, as a user has them
  settings.tiingo_base_url = server.Url();
  settings.tiingo_key = "bench";
  const double start = plrxl::quotes::CivilToSerial(2024, 1, 1);
  const double end = plrxl::quotes::CivilToSerial(2024, 1, 31);
  std::vector<std::string> tickers;
  for (int i = 0; i < kTickers; ++i) tickers.push_back("T" + std::to_string(i));
  double worst = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    auto fetcher = plrxl::MakeQuoteFetcher(settings);
    std::vector<plrxl::PrefetchItem> items;
    for (const auto& t : tickers) {
      items.push_back({"TIINGO",
                       {{"TICKER", Variant(t)}, {"STARTDATE", Variant::Date(start)},
                        {"ENDDATE", Variant::Date(end)}, {"PERIODICITY", Variant("DAILY")}}});
    }
    fetcher->Prefetch(items);
    int failures = 0;
    for (const auto& t : tickers) {
      auto r = fetcher->FindSource("TIINGO")->CreateRequest();
      r->SetParameter("TICKER", Variant(t));
      r->SetParameter("STARTDATE", Variant::Date(start));
      r->SetParameter("ENDDATE", Variant::Date(end));
      r->SetParameter("PERIODICITY", Variant("DAILY"));
      r->Start();
      while (r->State() != plrxl::kStateFinished) std::this_thread::sleep_for(std::chrono::microseconds(200));
      if (r->ErrorNumber() != 0) ++failures;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    worst = std::max(worst, seconds);
    std::printf("  run: %.3f s\n", seconds);
    if (failures != 0) state.SkipWithError("some downloads failed");
  }
  state.counters["worst_s"] = worst;
  state.counters["budget_s"] = 1.0;
  std::printf("200 tickers, 50 ms each: worst run %.3f s (budget 1.0 s) %s\n", worst,
              worst <= 1.0 ? "OK" : "OVER BUDGET");
}

BENCHMARK(BM_Download200Tickers)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DeadSource48Rows(benchmark::State& state) {
  constexpr int kRows = 48;
  constexpr double kBudget = 65.0;
  plrxl::testing::DeadServer server;
  plrxl::QuoteSettings settings;  // default limits, as a user has them
  settings.tiingo_base_url = server.Url();
  settings.tiingo_key = "bench";
  const double start = plrxl::quotes::CivilToSerial(2024, 1, 1);
  const double end = plrxl::quotes::CivilToSerial(2024, 1, 31);
  double worst = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    auto fetcher = plrxl::MakeQuoteFetcher(settings);
    std::vector<plrxl::PrefetchItem> items;
    for (int i = 0; i < kRows; ++i) {
      items.push_back({"TIINGO",
                       {{"TICKER", Variant("T" + std::to_string(i))}, {"STARTDATE", Variant::Date(start)},
                        {"ENDDATE", Variant::Date(end)}, {"PERIODICITY", Variant("DAILY")}}});
    }
    fetcher->Prefetch(items);
    int failures = 0;
    for (int i = 0; i < kRows; ++i) {
      auto r = fetcher->FindSource("TIINGO")->CreateRequest();
      r->SetParameter("TICKER", Variant("T" + std::to_string(i)));
      r->SetParameter("STARTDATE", Variant::Date(start));
      r->SetParameter("ENDDATE", Variant::Date(end));
      r->SetParameter("PERIODICITY", Variant("DAILY"));
      r->Start();
      while (r->State() != plrxl::kStateFinished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (r->ErrorNumber() != 0) ++failures;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    worst = std::max(worst, seconds);
    std::printf("  run: %.1f s, %d of %d rows failed\n", seconds, failures, kRows);
    if (failures != kRows) state.SkipWithError("a download from a dead server succeeded");
  }
  state.counters["worst_s"] = worst;
  state.counters["budget_s"] = kBudget;
  std::printf("48 rows on a dead source: worst run %.1f s (budget %.0f s) %s\n", worst, kBudget,
              worst <= kBudget ? "OK" : "OVER BUDGET");
}

BENCHMARK(BM_DeadSource48Rows)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
