// Writes one Worksheet of the model through libxlsxwriter: cells, formulas,
// formats, layout, merged cells, views and charts.
#pragma once

#include <xlsxwriter.h>

#include <memory>
#include <utility>
#include <vector>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/format_cache.h"

namespace plrxl::xlsx {

struct SheetWriteResult {
  int charts_written = 0;
  std::vector<int> stock_chart_ordinals;  // 0-based within this sheet
  // Charts saved from the part they were loaded from, by ordinal.
  std::vector<std::pair<int, std::shared_ptr<const ChartSource>>> carried_charts;
};

// Throws XlsxProblem naming the cell when libxlsxwriter refuses a value.
SheetWriteResult WriteSheet(lxw_workbook* wb, lxw_worksheet* ws, Worksheet& sheet, FormatCache& formats,
                            bool active);

}  // namespace plrxl::xlsx
