// The project workbooks the benchmarks start from: `tickers` benchmark rows
// with `macros`, written once to `path` and reused by later runs.
#pragma once

#include <filesystem>
#include <string>

#include "download/demo_project.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "host/regional.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"

namespace plrxl {

inline std::string SavedBenchmarkProject(const std::string& path, int tickers, const std::string& macros) {
  if (std::filesystem::exists(path)) return path;
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = AddNewProjectWorkbook(host, DateSerial(2025, 3, 21));
  WriteDemoRows(wb, BenchmarkRows(tickers, macros));
  wb.SaveAs(path);
  return path;
}

}  // namespace plrxl
