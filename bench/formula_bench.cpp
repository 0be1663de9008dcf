// Formula evaluation in the in-memory host: how long a read of a formula
// takes after a change, for a project-sized workbook (a Defaults row with
// =TODAY(), data sheets the formulas do not touch), for a sheet of many
// formulas (a chain down a column, SUM and MIN over ranges, DATE), and for
// a data sheet of 2,500 quotes with 10 formula columns beside them after a
// paste of new closes (target: under 50 ms).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

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

// A data sheet of 2,500 rows (date, open, high, low, close, volume in
// A:F) and 10 formula columns G:P per row, as users add beside pasted
// quotes; a small "Months" sheet for a lookup. Each iteration pastes new
// closes (column E, all rows) and reads the last formula: every formula
// reading a close is computed again.
void BM_PasteIntoDataSheet(benchmark::State& state) {
  auto host = MakeHost();
  Workbook& wb = host->AddWorkbook();
  Worksheet& data = wb.WorksheetAt(1);
  data.SetName("Data");
  Worksheet& months = wb.AddWorksheet();
  months.SetName("Months");
  for (int m = 1; m <= 12; ++m) {
    months.SetCellValue(m, 1, m);
    months.SetCellValue(m, 2, "month " + std::to_string(m));
  }
  constexpr int kRows = 2500;
  for (int r = 2; r <= kRows + 1; ++r) {
    const double close = 100 + (r % 37) * 0.5;
    data.SetCellValue(r, 1, Variant::Date(45000 + r));
    data.SetCellValue(r, 2, close - 0.3);
    data.SetCellValue(r, 3, close + 1);
    data.SetCellValue(r, 4, close - 1);
    data.SetCellValue(r, 5, close);
    data.SetCellValue(r, 6, 1000.0 * (r % 11 + 1));
  }
  for (int r = 3; r <= kRows + 1; ++r) {
    const std::string n = std::to_string(r), p = std::to_string(r - 1), w = std::to_string(std::max(2, r - 19));
    const std::string formulas[10] = {
        "=ROUND(E" + n + "/E" + p + "-1,4)",
        "=STDEV(E" + w + ":E" + n + ")*SQRT(252)",
        "=AVERAGE(E" + w + ":E" + n + ")",
        "=MAX(C" + w + ":C" + n + ")-MIN(D" + w + ":D" + n + ")",
        "=E" + n + "-B" + n,
        "=IF(E" + n + ">B" + n + ",\"up\",\"down\")",
        "=TEXT(A" + n + ",\"yyyy-mm-dd\")",
        "=VLOOKUP(MONTH(A" + n + "),Months!$A$1:$B$12,2,FALSE)",
        "=E" + n + "*F" + n + "/1E6",
        "=G" + n + "*100&\"%\"",
    };
    for (int c = 0; c < 10; ++c) data.SetCellFormula(r, 7 + c, formulas[c], Variant());
  }
  benchmark::DoNotOptimize(data.CellValue(kRows + 1, 16));
  int round = 0;
  for (auto _ : state) {
    ++round;
    for (int r = 2; r <= kRows + 1; ++r) data.SetCellValue(r, 5, 100 + ((r + round) % 37) * 0.5);
    benchmark::DoNotOptimize(data.CellValue(kRows + 1, 16));
  }
  state.counters["formulas"] = 10.0 * (kRows - 1);
}
BENCHMARK(BM_PasteIntoDataSheet)->Unit(benchmark::kMillisecond);

// Two array formulas over a block of 100,000 cells of numbers and texts:
// one joins every cell to texts and adds a text to it, which makes every
// cell #VALUE!; the other compares every cell. Measures the cost of a cell
// of an array operation (joins, conversions, error cells), which bounds
// what a formula over a few whole columns costs.
void BM_ArrayOperationOverABlock(benchmark::State& state) {
  auto host = MakeHost();
  Worksheet& sheet = host->AddWorkbook().WorksheetAt(1);
  constexpr int kRows = 25000;
  for (int r = 1; r <= kRows; ++r) {
    sheet.SetCellValue(r, 1, r * 0.25);
    sheet.SetCellValue(r, 2, "t" + std::to_string(r));
  }
  sheet.SetCellFormula(1, 5, "=SUMPRODUCT((A1:D25000&3&\"x\")+F1)", Variant());
  sheet.SetCellFormula(2, 5, "=SUMPRODUCT(-(A1:D25000=A1))+LEN(F1)", Variant());
  bool flip = false;
  Variant joined, compared;
  for (auto _ : state) {
    sheet.SetCellValue(1, 6, (flip = !flip) ? "word" : "text");
    joined = sheet.CellValue(1, 5);
    compared = sheet.CellValue(2, 5);
  }
  if (!joined.IsError() || compared.Number() != 3) state.SkipWithError("wrong result");
  state.SetItemsProcessed(state.iterations() * 2 * 4 * kRows);
}
BENCHMARK(BM_ArrayOperationOverABlock)->Unit(benchmark::kMillisecond);

// Reading one long formula: state.range(0) terms joined by operators of
// every precedence ("=A1+2*B1-3&C1+..."), as the settings check reads each
// formula of a workbook. The time per term should not grow with the length.
void BM_ParseLongFormula(benchmark::State& state) {
  const char* ops[] = {"+", "*", "-", "&", "/", "^"};
  std::string text = "=A1";
  for (int64_t i = 1; i < state.range(0); ++i) text += std::string(ops[i % 6]) + (i % 2 ? "2" : "B1");
  for (auto _ : state) benchmark::DoNotOptimize(UnknownFunctionIn(text));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseLongFormula)->Arg(100)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace plrxl

BENCHMARK_MAIN();
