// The Calc host against the in-memory model on the write a refresh makes:
// 100 data sheets of 2,500 bars by 6 fields (a date and five numbers), cell
// by cell through the host interface as the paste does, then one computed
// formula read back per sheet. Budget: the Calc host within 3x of the
// in-memory run, measured in the same run (counter "ratio"). The office's
// start-up is reported apart ("office_start_s") and not counted.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "host/calc/calc_host.h"
#include "host/calc/calc_office.h"
#include "host/memory/memory_host.h"

namespace {

constexpr int kSheets = 100;
constexpr int kRows = 2500;
constexpr int kFields = 6;

double Seconds(const std::function<void()>& f) {
  const auto begin = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

void WriteBars(plrxl::SpreadsheetHost& host) {
  plrxl::Workbook& book = host.AddWorkbook();
  plrxl::CellStyle date_style;
  date_style.number_format = "dd.mm.yyyy";
  const int date_id = book.InternStyle(date_style);
  host.SetScreenUpdating(false);
  for (int s = 0; s < kSheets; ++s) {
    plrxl::Worksheet& sheet = book.AddWorksheet();
    for (int r = 0; r < kRows; ++r) {
      sheet.SetCellStyleId(r + 2, 1, date_id);
      sheet.SetCellValue(r + 2, 1, plrxl::Variant::Date(42000 + r));
      for (int f = 1; f < kFields; ++f) sheet.SetCellValue(r + 2, f + 1, plrxl::Variant(100.0 + s + r * 0.01 + f));
    }
    sheet.SetCellFormula(1, 8, "=EDATE(A2,1)", plrxl::Variant());
    benchmark::DoNotOptimize(sheet.CellValue(1, 8));
  }
  host.SetScreenUpdating(true);
}

void BM_CalcHostBulkWrite(benchmark::State& state) {
  std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_calc_bench_XXXXXX").string();
  const std::string folder = mkdtemp(pattern.data());
  setenv("HOME", folder.c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  setenv("XDG_CACHE_HOME", folder.c_str(), 1);
  std::unique_ptr<plrxl::calc::CalcOffice> office;
  const double start = Seconds([&] {
    plrxl::calc::StartOptions options;
    options.profile_dir = folder + "/profile";
    office = plrxl::calc::CalcOffice::Start(options);
  });
  double memory = 0, calc = 0;
  for (auto _ : state) {
    memory = Seconds([] {
      auto host = plrxl::MakeMemoryHost(nullptr, plrxl::RegionalSettings{});
      WriteBars(*host);
    });
    calc = Seconds([&] {
      auto host = plrxl::calc::MakeCalcHost(*office, plrxl::RegionalSettings{});
      WriteBars(*host);
    });
  }
  state.counters["office_start_s"] = start;
  state.counters["memory_s"] = memory;
  state.counters["calc_s"] = calc;
  state.counters["ratio"] = calc / memory;
  state.counters["calc_cells_per_s"] = double(kSheets) * kRows * kFields / calc;
  office.reset();
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_CalcHostBulkWrite)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
