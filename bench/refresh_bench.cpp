// Refresh of a 100-ticker project, 2,500 daily bars each, end to end: load
// the .xlsx, refresh every row on the SAMPLE source through CPelorin and the
// progress window, save the .xlsx. Budgets: 3 s without macros, 8 s with
// five indicator macros per ticker.
//
//   refresh_bench                 all cases
//   FirstRefresh  - a project whose data sheets do not exist yet
//   Rerefresh     - the same project refreshed again (loads 1.5 M cells)
//   WithIndicators - a first refresh whose rows each run five indicators
//   DemoScale     - the same rows also export (csv), add their summary
//                   line and their transposed line
//   Update/1      - the refreshed project of Rerefresh updated with 5 new
//                   bars a ticker (budget: 30 % of a refresh)
//   UpdateLoopback/<ms> - the same update with its rows on a web source
//                   served from 127.0.0.1, each answer sent after <ms>;
//                   network_wait_share is the part of the update's time
//                   that the waiting adds to the same update served at once
//                   (measured in the same case), run_wait_share the same
//                   part of the run phase alone
//   Update/0      - the same with --no-readjust: without the overlap check
//   LargeRoundTrip - 1,000 tickers refreshed, updated and reopened; only
//                   with PLRXL_BENCH_LARGE=1 set
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "bench/bench_project.h"
#include "companion/companion_functions.h"
#include "download/demo_project.h"
#include "download/macro_runner.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/error_message_form.h"
#include "forms/scripted_ui.h"
#include "host/formula/formula_engine.h"
#include "host/memory/memory_host.h"
#include "host/spreadsheet_host.h"
#include "host/xlsx/xlsx_store.h"
#include "quotes/quote_component.h"
#include "support/clock.h"
#include "tests/quotes/loopback_server.h"

namespace plrxl {
namespace {

constexpr int kTickers = 100;

std::string Folder() {
  static std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_refresh_bench_XXXXXX").string();
    std::string made = mkdtemp(pattern.data());
    setenv("XDG_CONFIG_HOME", (made + "/config").c_str(), 1);
    return made;
  }();
  return folder;
}

// Five indicator columns to the right of the six pasted ones (A:F).
constexpr const char* kFiveIndicators =
    "mvavgsimple(H1,close,20);wilderrsi(I1,close,14);bollingerbandup(J1,close,20,2);"
    "macd(K1,close);momentum(L1,close,10)";

// The data tools of the demo after the five indicators.
std::string DemoScaleMacros() {
  return std::string(kFiveIndicators) + ";exportdata(csv," + Folder() + "/exports);createsummary;transposedata";
}

// Writes the empty project once (one file per macro text and size).
std::string EmptyProject(const std::string& macros = "", int tickers = kTickers) {
  const std::string path = Folder() + (tickers != kTickers             ? "/empty_" + std::to_string(tickers) + ".xlsx"
                                       : macros.empty()                ? "/empty.xlsx"
                                       : macros == kFiveIndicators ? "/empty_macros.xlsx"
                                                                   : "/empty_demo_scale.xlsx");
  return SavedBenchmarkProject(path, tickers, macros);
}

// Wall time of each phase, and the CPU time the whole process (every
// thread) and the main thread alone spent in it: on a machine shared with
// other work the wall times swing, the CPU times much less.
struct Phases {
  double load_ms = 0, run_ms = 0, save_ms = 0;
  double load_cpu_ms = 0, run_cpu_ms = 0, save_cpu_ms = 0;
  double load_main_ms = 0, run_main_ms = 0, save_main_ms = 0;
};

double MsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double CpuMs(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Times one phase into the wall, process and main-thread sums given.
class PhaseTimer {
 public:
  PhaseTimer(double* wall, double* cpu, double* main)
      : wall_(wall), cpu_(cpu), main_(main), t0_(std::chrono::steady_clock::now()),
        cpu0_(CpuMs(CLOCK_PROCESS_CPUTIME_ID)), main0_(CpuMs(CLOCK_THREAD_CPUTIME_ID)) {}
  ~PhaseTimer() {
    *wall_ += MsSince(t0_);
    *cpu_ += CpuMs(CLOCK_PROCESS_CPUTIME_ID) - cpu0_;
    *main_ += CpuMs(CLOCK_THREAD_CPUTIME_ID) - main0_;
  }

 private:
  double *wall_, *cpu_, *main_;
  std::chrono::steady_clock::time_point t0_;
  double cpu0_, main0_;
};

// Load, refresh (or update), save; the run is the same one `pelorinxl
// refresh` (or `update`) makes.
void RefreshFile(const std::string& in, const std::string& out, Phases* phases = nullptr, bool update = false,
                 const QuoteSettings& quotes = {}, bool readjust_check = true) {
  Phases unused;
  Phases& sums = phases != nullptr ? *phases : unused;
  std::optional<PhaseTimer> timer;
  timer.emplace(&sums.load_ms, &sums.load_cpu_ms, &sums.load_main_ms);
  MemoryHost host(MakeXlsxStore());
  // As in pelorinxl: the workbook's formulas are computed on the run's day.
  host.SetFormulaEvaluator(MakeFormulaEngine(std::make_shared<FixedClock>(DateSerial(2025, 3, 21))));
  RegisterCompanionFunctions(host);
  Workbook& wb = host.OpenWorkbook(in);
  timer.emplace(&sums.run_ms, &sums.run_cpu_ms, &sums.run_main_ms);
  ScriptedUi ui;
  ui.ExpectModal("ProgressBarWindow");
  host.SetDoEventsHook([&ui] { ui.ProcessEvents(); });
  FixedClock clock(DateSerial(2025, 3, 21));
  RunContext rc;
  rc.host = &host;
  rc.ui = &ui;
  rc.clock = &clock;
  rc.MakeErrorDialog = [] { return std::make_unique<frmErrorMessage>(); };
  rc.MakeQuoteFetcher = [&quotes] { return MakeQuoteFetcher(quotes); };
  rc.ReadjustCheck = readjust_check;
  InstallDownloadEngine(rc);
  {
    CPelorin pelorin(rc);
    pelorin.ExcelApplication(&host);
    pelorin.ThisWorkbookApplication(&wb);
    if (update) {
      pelorin.UpdateData();
    } else {
      pelorin.RefreshData();
    }
  }
  timer.emplace(&sums.save_ms, &sums.save_cpu_ms, &sums.save_main_ms);
  wb.SaveAs(out);
  timer.reset();
  if (ui.Pending() != 0 || !ui.Failures().empty()) std::abort();
}

void Report(benchmark::State& state, const Phases& phases) {
  const double n = static_cast<double>(state.iterations());
  state.counters["cells"] = kTickers * 2500.0 * 6;
  state.counters["load_ms"] = phases.load_ms / n;
  state.counters["run_ms"] = phases.run_ms / n;
  state.counters["save_ms"] = phases.save_ms / n;
  state.counters["load_cpu_ms"] = phases.load_cpu_ms / n;
  state.counters["run_cpu_ms"] = phases.run_cpu_ms / n;
  state.counters["save_cpu_ms"] = phases.save_cpu_ms / n;
  state.counters["load_main_ms"] = phases.load_main_ms / n;
  state.counters["run_main_ms"] = phases.run_main_ms / n;
  state.counters["save_main_ms"] = phases.save_main_ms / n;
  // Peak resident memory of the process so far (run one case at a time with
  // --benchmark_filter to read a case's own peak); budget: under 80 MB.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_FirstRefresh(benchmark::State& state) {
  const std::string in = EmptyProject();
  Phases phases;
  for (auto _ : state) RefreshFile(in, Folder() + "/first.xlsx", &phases);
  Report(state, phases);
}

void BM_Rerefresh(benchmark::State& state) {
  const std::string filled = Folder() + "/filled.xlsx";
  if (!std::filesystem::exists(filled)) RefreshFile(EmptyProject(), filled);
  Phases phases;
  for (auto _ : state) RefreshFile(filled, Folder() + "/again.xlsx", &phases);
  Report(state, phases);
}

void BM_WithIndicators(benchmark::State& state) {
  const std::string in = EmptyProject(kFiveIndicators);
  Phases phases;
  for (auto _ : state) RefreshFile(in, Folder() + "/indicators.xlsx", &phases);
  Report(state, phases);
}

void BM_DemoScale(benchmark::State& state) {
  const std::string in = EmptyProject(DemoScaleMacros());
  Phases phases;
  for (auto _ : state) RefreshFile(in, Folder() + "/demo_scale.xlsx", &phases);
  Report(state, phases);
}

// The refreshed project with its rows a week later: 5 business days more
// each.
void MakeWeekLater(const std::string& filled, const std::string& later, int tickers, const char* source = "SAMPLE") {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(filled);
  std::vector<DemoRow> rows = BenchmarkRows(tickers, "");
  for (DemoRow& row : rows) {
    row.end = "2025-01-03";
    row.source = source;
  }
  WriteDemoRows(wb, rows);
  wb.SaveAs(later);
}

// state.range(0): 1 compares the 5 newest bars of each sheet with the
// source's before appending (the default), 0 only appends
// (--no-readjust); the difference of their run_ms is what the overlap
// check costs.
void BM_Update(benchmark::State& state) {
  const std::string filled = Folder() + "/filled.xlsx";
  if (!std::filesystem::exists(filled)) RefreshFile(EmptyProject(), filled);
  const std::string later = Folder() + "/later.xlsx";
  if (!std::filesystem::exists(later)) MakeWeekLater(filled, later, kTickers);
  Phases phases;
  for (auto _ : state) RefreshFile(later, Folder() + "/updated.xlsx", &phases, true, {}, state.range(0) != 0);
  Report(state, phases);
}

// The business days from startDate to endDate of a daily-prices request,
// in the web source's JSON.
std::string PricesBetween(const std::string& start, const std::string& end) {
  using namespace std::chrono;
  auto day_of = [](const std::string& iso) {
    return sys_days(year_month_day(year(std::stoi(iso.substr(0, 4))), month(std::stoul(iso.substr(5, 2))),
                                   day(std::stoul(iso.substr(8, 2)))));
  };
  std::string json = "[";
  int n = 0;
  for (sys_days d = day_of(start); d <= day_of(end); d += days(1)) {
    const weekday w(d);
    if (w == Saturday || w == Sunday) continue;
    const year_month_day ymd(d);
    char bar[256];
    std::snprintf(bar, sizeof bar,
                  "%s{\"date\":\"%04d-%02u-%02uT00:00:00.000Z\",\"close\":%.2f,\"high\":%.2f,\"low\":%.2f,"
                  "\"open\":%.2f,\"volume\":%d,\"adjClose\":%.2f,\"divCash\":0.0,\"splitFactor\":1.0}",
                  n == 0 ? "" : ",", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), 100.5 + n, 101.0 + n, 99.5 + n, 100.0 + n, 1000000 + n, 100.5 + n);
    json += bar;
    ++n;
  }
  return json + "]";
}

void BM_UpdateLoopback(benchmark::State& state) {
  const std::string filled = Folder() + "/filled.xlsx";
  if (!std::filesystem::exists(filled)) RefreshFile(EmptyProject(), filled);
  const std::string later = Folder() + "/later_web.xlsx";
  if (!std::filesystem::exists(later)) MakeWeekLater(filled, later, kTickers, "TIINGO");
  std::atomic<int> delay_ms{0};
  testing::LoopbackServer server(64);
  server.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [&](const httplib::Request& req, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms.load()));
    // With a charset the test server sends the answer as it is: compressing
    // it (brotli, at its slowest level) would spend this machine's cores on
    // work a real service does on its own.
    res.set_content(PricesBetween(req.get_param_value("startDate"), req.get_param_value("endDate")),
                    "application/json; charset=utf-8");
  });
  server.Start();
  QuoteSettings quotes;  // default limits, as a user has them
  quotes.tiingo_base_url = server.Url();
  quotes.tiingo_key = "bench";
  const std::string out = Folder() + "/updated_web.xlsx";
  // The same update answered at once: what the waiting adds is measured
  // against it.
  Phases at_once;
  for (int i = 0; i < 2; ++i) RefreshFile(later, out, &at_once, true, quotes);
  delay_ms = static_cast<int>(state.range(0));
  Phases phases;
  for (auto _ : state) RefreshFile(later, out, &phases, true, quotes);
  Report(state, phases);
  const double n = static_cast<double>(state.iterations());
  const double total = (phases.load_ms + phases.run_ms + phases.save_ms) / n;
  const double base = (at_once.load_ms + at_once.run_ms + at_once.save_ms) / 2;
  state.counters["network_wait_share"] = total > 0 ? std::max(0.0, total - base) / total : 0;
  // The same share of the run alone (the downloads and the paste, without
  // the load and the save).
  const double run = phases.run_ms / n, run_at_once = at_once.run_ms / 2;
  state.counters["run_wait_share"] = run > 0 ? std::max(0.0, run - run_at_once) / run : 0;
}

// A project ten times the demo's (1,000 tickers x 2,500 bars, 15 M cells):
// refreshed from empty, updated with 5 bars a ticker, then reopened, all
// with the default settings (a project the program wrote always reopens).
// Minutes of work: registered only with PLRXL_BENCH_LARGE=1.
void BM_LargeRoundTrip(benchmark::State& state) {
  constexpr int kLarge = 1000;
  const std::string empty = EmptyProject("", kLarge);
  const std::string filled = Folder() + "/large_filled.xlsx";
  const std::string later = Folder() + "/large_later.xlsx";
  Phases refresh, update;
  double reopen_ms = 0;
  for (auto _ : state) {
    RefreshFile(empty, filled, &refresh);
    MakeWeekLater(filled, later, kLarge);
    RefreshFile(later, Folder() + "/large_updated.xlsx", &update, true);
    const auto t0 = std::chrono::steady_clock::now();
    MemoryHost host(MakeXlsxStore());
    Workbook& wb = host.OpenWorkbook(Folder() + "/large_updated.xlsx");
    reopen_ms += MsSince(t0);
    if (wb.WorksheetCount() < kLarge) std::abort();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["cells"] = kLarge * 2500.0 * 6;
  state.counters["refresh_load_ms"] = refresh.load_ms / n;
  state.counters["refresh_run_ms"] = refresh.run_ms / n;
  state.counters["refresh_save_ms"] = refresh.save_ms / n;
  state.counters["update_load_ms"] = update.load_ms / n;
  state.counters["update_run_ms"] = update.run_ms / n;
  state.counters["update_save_ms"] = update.save_ms / n;
  state.counters["reopen_ms"] = reopen_ms / n;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

[[maybe_unused]] const bool kLargeRegistered =
    std::getenv("PLRXL_BENCH_LARGE") != nullptr &&
    benchmark::RegisterBenchmark("BM_LargeRoundTrip", BM_LargeRoundTrip)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime() != nullptr;

BENCHMARK(BM_FirstRefresh)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Rerefresh)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_WithIndicators)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_DemoScale)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Update)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_UpdateLoopback)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
}  // namespace plrxl

BENCHMARK_MAIN();
