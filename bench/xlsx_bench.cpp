// .xlsx load and save of a 1,000,000-cell workbook, in cells per second.
// Budgets: load >= 2,000,000 cells/s, save >= 600,000 cells/s. The save is
// also reported as a ratio against libxlsxwriter writing the same cells
// directly (the floor any save built on it can reach), measured in the same
// run.
//
// The workbook looks like a project's data: 40 sheets of 2,500 rows by 10
// columns (a date, eight prices and volumes, a text column every 50th row),
// a header row of texts.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <xlsxwriter.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"

namespace {

constexpr int kSheets = 40;
constexpr int kRows = 2500;
constexpr int kCols = 10;
constexpr double kCells = double(kSheets) * kRows * kCols;

double Price(int sheet, int row, int col) { return 100.0 + sheet + row * 0.01 + col * 0.37 + (row % 7) * 0.125; }

class Fixture {
 public:
  Fixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_xlsx_bench_XXXXXX").string();
    folder_ = mkdtemp(pattern.data());
    host_ = std::make_unique<plrxl::MemoryHost>(plrxl::MakeXlsxStore(), plrxl::RegionalSettings{});
    book_ = &host_->AddEmptyWorkbook();
    plrxl::CellStyle date_style;
    date_style.number_format = "dd.mm.yyyy";
    const int date_id = book_->InternStyle(date_style);
    for (int s = 0; s < kSheets; ++s) {
      plrxl::Worksheet& sheet = book_->AddWorksheet();
      sheet.SetName("T" + std::to_string(s));
      for (int c = 1; c <= kCols; ++c) sheet.SetCellValue(1, c, "Field " + std::to_string(c));
      for (int r = 2; r <= kRows; ++r) {
        sheet.SetCellValue(r, 1, plrxl::Variant::Date(40000 + r));
        sheet.SetCellStyleId(r, 1, date_id);
        for (int c = 2; c < kCols; ++c) sheet.SetCellValue(r, c, Price(s, r, c));
        if (r % 50 == 0) {
          sheet.SetCellValue(r, kCols, "note " + std::to_string(r));
        } else {
          sheet.SetCellValue(r, kCols, double(r * 1000));
        }
      }
    }
    book_->SaveAs(File("source.xlsx"));
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  plrxl::Workbook& Book() { return *book_; }

 private:
  std::string folder_;
  std::unique_ptr<plrxl::MemoryHost> host_;
  plrxl::Workbook* book_ = nullptr;
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

// The same cells written by libxlsxwriter alone; returns seconds.
double LibxlsxwriterBaseline(const std::string& path) {
  auto start = std::chrono::steady_clock::now();
  lxw_workbook_options options = {};
  lxw_workbook* wb = workbook_new_opt(path.c_str(), &options);
  lxw_format* date = workbook_add_format(wb);
  format_set_num_format(date, "dd.mm.yyyy");
  for (int s = 0; s < kSheets; ++s) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, ("T" + std::to_string(s)).c_str());
    for (int c = 1; c <= kCols; ++c) worksheet_write_string(ws, 0, c - 1, ("Field " + std::to_string(c)).c_str(), nullptr);
    for (int r = 2; r <= kRows; ++r) {
      worksheet_write_number(ws, r - 1, 0, 40000 + r, date);
      for (int c = 2; c < kCols; ++c) worksheet_write_number(ws, r - 1, c - 1, Price(s, r, c), nullptr);
      if (r % 50 == 0) {
        worksheet_write_string(ws, r - 1, kCols - 1, ("note " + std::to_string(r)).c_str(), nullptr);
      } else {
        worksheet_write_number(ws, r - 1, kCols - 1, r * 1000.0, nullptr);
      }
    }
  }
  workbook_close(wb);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_XlsxSave(benchmark::State& state) {
  Fixture& f = Shared();
  double ours = 0, baseline = 0, cpu = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    std::clock_t cpu_start = std::clock();
    f.Book().SaveAs(f.File("saved.xlsx"));
    cpu += double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    baseline += LibxlsxwriterBaseline(f.File("baseline.xlsx"));
    state.ResumeTiming();
  }
  state.counters["cells_per_s"] = benchmark::Counter(kCells, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["baseline_cells_per_s"] = kCells * double(state.iterations()) / baseline;
  // Share of libxlsxwriter's own speed that the save keeps (1.0 = no overhead).
  state.counters["ratio_vs_baseline"] = baseline / ours;
  // On a busy machine wall time says little: CPU time shows the cost alone.
  state.counters["cpu_cells_per_s"] = kCells * double(state.iterations()) / cpu;
  // Size of our file over libxlsxwriter's for the same cells (budget 1.10).
  state.counters["size_vs_baseline"] = static_cast<double>(std::filesystem::file_size(f.File("saved.xlsx"))) /
                                       static_cast<double>(std::filesystem::file_size(f.File("baseline.xlsx")));
}

void BM_XlsxLoad(benchmark::State& state) {
  Fixture& f = Shared();
  double cpu = 0;
  for (auto _ : state) {
    std::clock_t cpu_start = std::clock();
    plrxl::MemoryHost host(plrxl::MakeXlsxStore(), plrxl::RegionalSettings{});
    plrxl::Workbook& book = host.OpenWorkbook(f.File("source.xlsx"));
    benchmark::DoNotOptimize(book.WorksheetCount());
    cpu += double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    state.PauseTiming();  // closing the host is not part of the load
    book.Close();
    state.ResumeTiming();
  }
  state.counters["cells_per_s"] = benchmark::Counter(kCells, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["cpu_cells_per_s"] = kCells * double(state.iterations()) / cpu;
}

BENCHMARK(BM_XlsxSave)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_XlsxLoad)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
