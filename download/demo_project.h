// The demo project's ticker rows: tickers on the offline SAMPLE source in
// both directions, with several field selections and orders, daily, weekly
// and monthly bars, and a few indicator macros per row. Used by
// `pelorinxl demo`, the benchmark and the tests.
#pragma once

#include <string>
#include <vector>

namespace plrxl {

class Workbook;

struct DemoRow {
  std::string ticker;
  std::string start;  // yyyy-mm-dd
  std::string end;
  std::string periodicity;
  std::string direction;
  std::string fields;
  std::string macros;
  std::string source = "SAMPLE";
};

// The 24 rows of the demo project. After its indicators every row exports
// its quotes into `export_folder` (an absolute path; the rows take the
// twelve layouts in turn) and adds its line to the "Summary" and "Data"
// sheets. An empty folder leaves the exports out.
std::vector<DemoRow> DemoRows(const std::string& export_folder = "");

// `count` daily rows of 2,500 bars each (about ten years of business days),
// fields dohlcv in FTB order; `macros` on every row.
std::vector<DemoRow> BenchmarkRows(int count, const std::string& macros = "");

// Replaces the ticker rows of a project workbook (its settings sheet from
// the third table row down) by `rows`; every row gets Data Location AUTO
// and Data Beginning A1.
void WriteDemoRows(Workbook& project, const std::vector<DemoRow>& rows);

}  // namespace plrxl
