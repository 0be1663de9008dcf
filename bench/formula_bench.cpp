// Formula evaluation in the in-memory host: how long a read of a formula
// takes after a change, for a project-sized workbook (a Defaults row with
// =TODAY(), data sheets the formulas do not touch) and for a sheet of many
// formulas (a chain down a column, SUM and MIN over ranges, DATE).
#include <benchmark/benchmark.h>

#include <memory>

#include "host/formula/formula_engine.h"
#include "host/memory/memory_host.h"
#include "support/clock.h"

namespace plrxl {
namespace {

std::unique_ptr<MemoryHost> MakeHost() {
  auto host = std::make_unique<MemoryHost>(nullptr, RegionalSettings());
  host->SetFormulaEvaluator(MakeFormulaEngine(std::make_shared<FixedClock>(45366.5)));
  return host;
}

// One =TODAY() cell and 20 data sheets of 2,500 x 6 numbers; each iteration
// writes one data cell (as a paste does) and reads the formula.
void BM_TodayAfterPaste(benchmark::State& state) {
  auto host = MakeHost();
  Workbook& wb = host->AddWorkbook();
  Worksheet& settings = wb.WorksheetAt(1);
  settings.SetCellFormula(2, 3, "=TODAY()", Variant());
  for (int s = 0; s < 20; ++s) {
    Worksheet& data = wb.AddWorksheet();
    for (int r = 1; r <= 2500; ++r)
      for (int c = 1; c <= 6; ++c) data.SetCellValue(r, c, r * 0.5 + c);
  }
  Worksheet& data = wb.WorksheetAt(2);
  int row = 1;
  for (auto _ : state) {
    data.SetCellValue(row++ % 2500 + 1, 1, 1.0);
    benchmark::DoNotOptimize(settings.CellValue(2, 3));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TodayAfterPaste)->Unit(benchmark::kMicrosecond);

// state.range(0) formula cells: a chain B[n] = B[n-1] + A[n], and every
// tenth row a SUM, a MIN over the column so far and a DATE.
void BM_RecalculateSheet(benchmark::State& state) {
  auto host = MakeHost();
  Worksheet& sheet = host->AddWorkbook().WorksheetAt(1);
  const int rows = static_cast<int>(state.range(0));
  int formulas = 0;
  for (int r = 1; r <= rows; ++r) {
    sheet.SetCellValue(r, 1, r % 17);
    const std::string n = std::to_string(r);
    if (r % 10 == 0) {
      sheet.SetCellFormula(r, 2, "=SUM(A1:A" + n + ")-MIN(A1:A" + n + ")+DATE(2024,1," + n + ")", Variant());
    } else {
      sheet.SetCellFormula(r, 2, r == 1 ? "=A1" : "=B" + std::to_string(r - 1) + "+A" + n, Variant());
    }
    ++formulas;
  }
  for (auto _ : state) {
    sheet.SetCellValue(1, 1, 3.0);
    benchmark::DoNotOptimize(sheet.CellValue(rows, 2));
  }
  state.SetItemsProcessed(state.iterations() * formulas);
  state.counters["formulas"] = formulas;
}
BENCHMARK(BM_RecalculateSheet)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plrxl

BENCHMARK_MAIN();
