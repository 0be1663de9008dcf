// A refresh through the Calc host against the same refresh in memory, in
// one process: the project (N tickers on the SAMPLE source, 2,500 daily bars
// each, no macros or five indicators) is opened, refreshed through CPelorin
// and saved; in Calc the document is opened and saved by the office. Budget:
// the Calc run ("calc_s") within 3x of the in-memory run ("memory_s"), with
// Calc's own work counted ("ratio"). The office starts once, before the
// first case, and is not counted.
//
//   calc_refresh_bench --benchmark_filter=Refresh/10      10 tickers
//   calc_refresh_bench --benchmark_filter=Refresh/100     100 tickers
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "bench/bench_project.h"
#include "companion/companion_functions.h"
#include "download/demo_project.h"
#include "download/macro_runner.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/error_message_form.h"
#include "forms/scripted_ui.h"
#include "host/calc/calc_host.h"
#include "host/calc/calc_office.h"
#include "host/formula/formula_engine.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "quotes/quote_component.h"
#include "support/clock.h"

namespace plrxl {
namespace {

constexpr const char* kFiveIndicators =
    "mvavgsimple(H1,close,20);wilderrsi(I1,close,14);bollingerbandup(J1,close,20,2);"
    "macd(K1,close);momentum(L1,close,10)";

const std::string& Folder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_calc_refresh_XXXXXX").string();
    std::string made = mkdtemp(pattern.data());
    for (const char* sub : {"/home", "/config", "/cache"}) std::filesystem::create_directories(made + sub);
    setenv("HOME", (made + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (made + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (made + "/cache").c_str(), 1);
    return made;
  }();
  return folder;
}

calc::CalcOffice& Office() {
  static std::unique_ptr<calc::CalcOffice> office = [] {
    calc::StartOptions options;
    options.profile_dir = Folder() + "/profile";
    options.timeout_seconds = 120;
    return calc::CalcOffice::Start(options);
  }();
  return *office;
}

std::string EmptyProject(int tickers, const std::string& macros) {
  const std::string path =
      Folder() + "/empty_" + std::to_string(tickers) + (macros.empty() ? "" : "_macros") + ".xlsx";
  return SavedBenchmarkProject(path, tickers, macros);
}

// Opens `in` in `host`, refreshes it as pelorinxl refresh does and saves it
// as `out`.
void Refresh(SpreadsheetHost& host, const std::string& in, const std::string& out) {
  RegisterCompanionFunctions(host);
  Workbook& wb = host.OpenWorkbook(in);
  ScriptedUi ui;
  ui.ExpectModal("ProgressBarWindow");
  host.SetDoEventsHook([&ui] { ui.ProcessEvents(); });
  FixedClock clock(DateSerial(2025, 3, 21));
  RunContext rc;
  rc.host = &host;
  rc.ui = &ui;
  rc.clock = &clock;
  rc.MakeErrorDialog = [] { return std::make_unique<frmErrorMessage>(); };
  rc.MakeQuoteFetcher = [] { return MakeQuoteFetcher(QuoteSettings{}); };
  InstallDownloadEngine(rc);
  {
    CPelorin pelorin(rc);
    pelorin.ExcelApplication(&host);
    pelorin.ThisWorkbookApplication(&wb);
    pelorin.RefreshData();
  }
  wb.SaveAs(out);
  if (ui.Pending() != 0 || !ui.Failures().empty()) std::abort();
}

double Seconds(const std::function<void()>& f) {
  const auto begin = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

void Compare(benchmark::State& state, const std::string& macros) {
  const int tickers = static_cast<int>(state.range(0));
  const std::string in = EmptyProject(tickers, macros);
  calc::CalcOffice& office = Office();
  double memory = 0, calc_time = 0;
  for (auto _ : state) {
    memory = Seconds([&] {
      MemoryHost host(MakeXlsxStore());
      host.SetFormulaEvaluator(MakeFormulaEngine(std::make_shared<FixedClock>(DateSerial(2025, 3, 21))));
      Refresh(host, in, Folder() + "/memory.xlsx");
    });
    calc_time = Seconds([&] {
      std::unique_ptr<SpreadsheetHost> host = calc::MakeCalcHost(office, RegionalSettings{});
      Refresh(*host, in, Folder() + "/calc.xlsx");
    });
  }
  state.counters["office_start_s"] = office.SecondsToAccept();
  state.counters["memory_s"] = memory;
  state.counters["calc_s"] = calc_time;
  state.counters["ratio"] = calc_time / memory;
}

void BM_Refresh(benchmark::State& state) { Compare(state, ""); }
void BM_RefreshWithIndicators(benchmark::State& state) { Compare(state, kFiveIndicators); }

BENCHMARK(BM_Refresh)->Arg(10)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_RefreshWithIndicators)->Arg(10)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace plrxl

BENCHMARK_MAIN();
