// Memory and speed of the in-memory model.
//
// First fills a workbook with 1,000,000 numeric cells and reports the peak
// resident memory over the empty process (VmHWM before and after, from
// /proc/self/status) per cell; exits non-zero when a numeric cell costs more
// than 24 bytes. Then times the cell primitives the .xlsx store loads and
// saves through.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "host/memory/memory_host.h"

namespace plrxl {
namespace {

constexpr int kCells = 1000000;
constexpr int kColumns = 16;
constexpr int kRows = kCells / kColumns;  // 62,500
constexpr double kBudgetBytesPerCell = 24.0;

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"); -1 if missing.
long StatusKb(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, field.size() + 1, field + ":") == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

void Fill(Worksheet& ws) {
  for (int r = 1; r <= kRows; ++r)
    for (int c = 1; c <= kColumns; ++c) ws.SetCellValue(r, c, Variant(r * 0.5 + c));
}

int MeasureMemory() {
  const long hwm_before = StatusKb("VmHWM");
  const long rss_before = StatusKb("VmRSS");
  auto host = MakeMemoryHost(nullptr, RegionalSettings());
  Workbook& wb = host->AddWorkbook();
  Fill(wb.WorksheetAt(1));
  const long hwm_after = StatusKb("VmHWM");
  const long rss_after = StatusKb("VmRSS");
  const long base = std::max(hwm_before, rss_before);
  const double bytes_per_cell = (hwm_after - base) * 1024.0 / kCells;
  std::printf("memory: %d numeric cells, RSS %ld kB -> %ld kB, peak %ld kB -> %ld kB\n", kCells, rss_before,
              rss_after, hwm_before, hwm_after);
  std::printf("memory: %.2f bytes per numeric cell (budget %.0f)\n", bytes_per_cell, kBudgetBytesPerCell);
  if (bytes_per_cell > kBudgetBytesPerCell) {
    std::printf("memory: OVER BUDGET\n");
    return 1;
  }
  return 0;
}

void BM_SetNumericCells(benchmark::State& state) {
  for (auto _ : state) {
    auto host = MakeMemoryHost(nullptr, RegionalSettings());
    Fill(host->AddWorkbook().WorksheetAt(1));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_SetNumericCells)->Unit(benchmark::kMillisecond);

void BM_SetTextCells(benchmark::State& state) {
  const std::string text = "AAPL";
  for (auto _ : state) {
    auto host = MakeMemoryHost(nullptr, RegionalSettings());
    Worksheet& ws = host->AddWorkbook().WorksheetAt(1);
    for (int r = 1; r <= kRows; ++r)
      for (int c = 1; c <= kColumns; ++c) ws.SetCellValue(r, c, Variant(text));
  }
  state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_SetTextCells)->Unit(benchmark::kMillisecond);

// What a saver does: visit every cell, read its value, formula and style id.
void BM_VisitAndReadCells(benchmark::State& state) {
  auto host = MakeMemoryHost(nullptr, RegionalSettings());
  Worksheet& ws = host->AddWorkbook().WorksheetAt(1);
  Fill(ws);
  for (auto _ : state) {
    double sum = 0;
    ws.ForEachCell(Rect{1, 1, kMaxRows, kMaxCols}, [&](int r, int c) {
      sum += ws.CellValue(r, c).Number() + ws.CellStyleId(r, c);
      if (!ws.CellFormula(r, c).empty()) sum += 1;
    });
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_VisitAndReadCells)->Unit(benchmark::kMillisecond);

void BM_EndDownOverEmptyColumn(benchmark::State& state) {
  auto host = MakeMemoryHost(nullptr, RegionalSettings());
  Worksheet& ws = host->AddWorkbook().WorksheetAt(1);
  for (auto _ : state) benchmark::DoNotOptimize(ws.Cells(1, 1).End(Direction::kDown).Row());
}
BENCHMARK(BM_EndDownOverEmptyColumn)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace plrxl

int main(int argc, char** argv) {
  // The memory figure comes first, before any benchmark raises the peak.
  const int memory_result = plrxl::MeasureMemory();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return memory_result;
}
