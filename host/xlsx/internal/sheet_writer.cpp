#include "host/xlsx/internal/sheet_writer.h"

#include <cstdlib>
#include <optional>
#include <tuple>
#include <vector>

#include "host/address.h"
#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/chart_writer.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/sheet_data_writer.h"

namespace plrxl::xlsx {

namespace {

void AddMergedRange(lxw_worksheet* ws, const Rect& m) {
  if (m.row1 == m.row2 && m.col1 == m.col2) return;
  // Freed with the worksheet by the writer.
  auto* range = static_cast<lxw_merged_range*>(std::calloc(1, sizeof(lxw_merged_range)));
  if (range == nullptr) throw XlsxProblem("out of memory while merging " + FormatA1(m, false));
  range->first_row = static_cast<lxw_row_t>(m.row1 - 1);
  range->last_row = static_cast<lxw_row_t>(m.row2 - 1);
  range->first_col = static_cast<lxw_col_t>(m.col1 - 1);
  range->last_col = static_cast<lxw_col_t>(m.col2 - 1);
  STAILQ_INSERT_TAIL(ws->merged_ranges, range, list_pointers);
  ++ws->merged_range_count;
}

}  // namespace

SheetWriteResult WriteSheet(lxw_workbook* wb, lxw_worksheet* ws, Worksheet& sheet, FormatCache& formats,
                            bool active, std::FILE* rows, const KeptSpan* kept) {
  for (int col = 1; col <= kMaxCols; ++col) {
    if (sheet.ColumnWidthIsCustom(col)) {
      worksheet_set_column(ws, static_cast<lxw_col_t>(col - 1), static_cast<lxw_col_t>(col - 1),
                           sheet.ColumnWidth(col), nullptr);
    }
  }
  // The cells go around the writer, into the rows file (see
  // sheet_data_writer.h). Merged ranges go into the sheet's list directly:
  // the writer's own merge call would also write padding cells.
  for (const Rect& m : sheet.MergedCells()) AddMergedRange(ws, m);
  if (const std::shared_ptr<const CarriedSheetFeatures> carried = sheet.CarriedFeatures()) {
    for (const auto& [row1, col1, row2, col2] : carried->layout.merges) AddMergedRange(ws, Rect{row1, col1, row2, col2});
  }
  SheetWriteResult result;
  std::tie(result.rows_begin, result.rows_end) = WriteSheetData(ws, sheet, formats, rows, kept);
  if (sheet.ChartCount() > 0) {
    // The writer places chart anchors at close from the sheet's row table,
    // which holds nothing of the rows written around it. The rows are
    // written already; this only tells the table their heights (the
    // writer's own rows are dropped when the part is put together).
    for (int r : sheet.CustomHeightRows()) {
      worksheet_set_row(ws, static_cast<lxw_row_t>(r - 1), sheet.RowHeight(r), nullptr);
    }
  }

  if (!sheet.Visible()) {
    worksheet_hide(ws);
  } else if (active) {
    worksheet_activate(ws);
  }
  if (sheet.Zoom() != 100) worksheet_set_zoom(ws, static_cast<uint16_t>(sheet.Zoom()));
  auto [frozen_rows, frozen_cols] = sheet.FrozenPanes();
  if (frozen_rows > 0 || frozen_cols > 0) {
    worksheet_freeze_panes(ws, static_cast<lxw_row_t>(frozen_rows), static_cast<lxw_col_t>(frozen_cols));
  }
  Rect sel = sheet.SelectionRect();
  if (!(sel == Rect{})) {
    worksheet_set_selection(ws, static_cast<lxw_row_t>(sel.row1 - 1), static_cast<lxw_col_t>(sel.col1 - 1),
                            static_cast<lxw_row_t>(sel.row2 - 1), static_cast<lxw_col_t>(sel.col2 - 1));
  }

  for (int i = 1; i <= sheet.ChartCount(); ++i) {
    const Chart& chart = sheet.ChartAt(i);
    if (!WriteChart(wb, ws, chart, sheet.Name())) continue;
    if (chart.source && SameDrawing(chart, chart.source->as_read)) {
      result.carried_charts.emplace_back(result.charts_written, chart.source);
    } else if (std::optional<ChartPatch> patch = PatchFor(chart)) {
      result.patched_charts.emplace_back(result.charts_written, std::move(*patch));
    }
    ++result.charts_written;
  }
  return result;
}

}  // namespace plrxl::xlsx
