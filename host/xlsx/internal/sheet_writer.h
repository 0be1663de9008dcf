// Writes one Worksheet of the model through libxlsxwriter: cells, formulas,
// formats, layout, merged cells, views and charts.
#pragma once

#include <xlsxwriter.h>

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/format_cache.h"
#include "host/xlsx/internal/sheet_data_writer.h"
#include "host/xlsx/internal/stock_chart_patch.h"

namespace plrxl::xlsx {

struct SheetWriteResult {
  // The sheet's rows in the rows file: bytes [rows_begin, rows_end).
  long rows_begin = 0;
  long rows_end = 0;
  int charts_written = 0;
  // Charts whose written part needs fixing, 0-based within this sheet, and
  // what each one needs.
  std::vector<std::pair<int, ChartPatch>> patched_charts;
  // Charts saved from the part they were loaded from, by ordinal.
  std::vector<std::pair<int, std::shared_ptr<const ChartSource>>> carried_charts;
};

// Throws XlsxProblem naming the cell when libxlsxwriter refuses a value.
// With `kept`: the rows the save keeps are not written (sheet_data_writer.h).
SheetWriteResult WriteSheet(lxw_workbook* wb, lxw_worksheet* ws, Worksheet& sheet, FormatCache& formats,
                            bool active, std::FILE* rows, const KeptSpan* kept = nullptr);

}  // namespace plrxl::xlsx
