#include "host/xlsx/internal/sheet_writer.h"

#include <cstdlib>
#include <vector>

#include "host/address.h"
#include "host/xlsx/internal/chart_writer.h"
#include "host/xlsx/internal/problem.h"

namespace plrxl::xlsx {

namespace {

// Values libxlsxwriter has no cell type for are stored as formulas whose
// text is the value itself; the reader turns them back into constants.
constexpr const char* kEmptyTextFormula = "\"\"";

void Check(lxw_error err, int row, int col) {
  if (err == LXW_NO_ERROR) return;
  throw XlsxProblem(std::string("cannot write cell ") + ColumnLetters(col) + std::to_string(row) + ": " +
                    lxw_strerror(err));
}

void WriteCell(lxw_worksheet* ws, const Worksheet& sheet, FormatCache& formats, int row, int col) {
  const lxw_row_t r = static_cast<lxw_row_t>(row - 1);
  const lxw_col_t c = static_cast<lxw_col_t>(col - 1);
  const int style_id = sheet.CellStyleId(row, col);
  const Variant value = sheet.CellValue(row, col);
  lxw_format* fmt = formats.Get(style_id, value.IsDate());
  std::string formula = sheet.CellFormula(row, col);
  if (!formula.empty()) {
    const char* text = formula[0] == '=' ? formula.c_str() + 1 : formula.c_str();
    switch (value.Type()) {
      case VarType::kNumber:
      case VarType::kDate:
        Check(worksheet_write_formula_num(ws, r, c, text, fmt, value.Number()), row, col);
        return;
      case VarType::kText:
        Check(worksheet_write_formula_str(ws, r, c, text, fmt, value.Text().c_str()), row, col);
        return;
      case VarType::kBoolean:
        Check(worksheet_write_formula_str(ws, r, c, text, fmt, value.Boolean() ? "TRUE" : "FALSE"), row, col);
        return;
      case VarType::kError:
        Check(worksheet_write_formula_str(ws, r, c, text, fmt, CellErrorText(value.ErrorValue())), row, col);
        return;
      default:
        Check(worksheet_write_formula_num(ws, r, c, text, fmt, 0), row, col);
        return;
    }
  }
  switch (value.Type()) {
    case VarType::kNumber:
    case VarType::kDate:
      Check(worksheet_write_number(ws, r, c, value.Number(), fmt), row, col);
      break;
    case VarType::kText:
      if (value.Text().empty()) {
        Check(worksheet_write_formula_str(ws, r, c, kEmptyTextFormula, fmt, ""), row, col);
      } else {
        Check(worksheet_write_string(ws, r, c, value.Text().c_str(), fmt), row, col);
      }
      break;
    case VarType::kBoolean:
      Check(worksheet_write_boolean(ws, r, c, value.Boolean() ? 1 : 0, fmt), row, col);
      break;
    case VarType::kError: {
      const char* text = CellErrorText(value.ErrorValue());
      Check(worksheet_write_formula_str(ws, r, c, text, fmt, text), row, col);
      break;
    }
    case VarType::kEmpty:
      if (fmt != nullptr) Check(worksheet_write_blank(ws, r, c, fmt), row, col);
      break;
    default:
      break;  // arrays and objects never sit in cells
  }
}

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
                            bool active) {
  for (int col = 1; col <= kMaxCols; ++col) {
    if (sheet.ColumnWidthIsCustom(col)) {
      worksheet_set_column(ws, static_cast<lxw_col_t>(col - 1), static_cast<lxw_col_t>(col - 1),
                           sheet.ColumnWidth(col), nullptr);
    }
  }
  // The writer streams rows (constant-memory mode): a row is final once a
  // later row is written, so a row height is given just before its row's
  // first cell. Merged ranges go straight into the sheet's list: the
  // writer's own merge call also writes padding cells, which would finish
  // rows out of order.
  for (const Rect& m : sheet.MergedCells()) AddMergedRange(ws, m);
  std::vector<int> heights;
  for (int row = 1; row <= kMaxRows; ++row) {
    if (sheet.RowHeightIsCustom(row)) heights.push_back(row);
  }
  size_t next_height = 0;
  auto reach_row = [&](int row) {
    for (; next_height < heights.size() && heights[next_height] <= row; ++next_height) {
      const int r = heights[next_height];
      Check(worksheet_set_row(ws, static_cast<lxw_row_t>(r - 1), sheet.RowHeight(r), nullptr), r, 1);
    }
  };
  if (auto used = sheet.UsedRange()) {
    int current_row = 0;
    sheet.ForEachCell(*used, [&](int row, int col) {
      if (row != current_row) {
        reach_row(row);
        current_row = row;
      }
      WriteCell(ws, sheet, formats, row, col);
    });
  }
  reach_row(kMaxRows);
  if (sheet.ChartCount() > 0 && !heights.empty() && ws->optimize) {
    // The writer places chart anchors at close from the sheet's row table,
    // which streaming leaves empty. The rows are written already; this only
    // tells the table their heights.
    ws->optimize = LXW_FALSE;
    for (int r : heights) worksheet_set_row(ws, static_cast<lxw_row_t>(r - 1), sheet.RowHeight(r), nullptr);
    ws->optimize = LXW_TRUE;
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

  SheetWriteResult result;
  for (int i = 1; i <= sheet.ChartCount(); ++i) {
    const Chart& chart = sheet.ChartAt(i);
    if (!WriteChart(wb, ws, chart)) continue;
    if (chart.kind == ChartKind::kStock) result.stock_chart_ordinals.push_back(result.charts_written);
    ++result.charts_written;
  }
  return result;
}

}  // namespace plrxl::xlsx
