#include "host/xlsx/internal/sheet_writer.h"

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

}  // namespace

SheetWriteResult WriteSheet(lxw_workbook* wb, lxw_worksheet* ws, Worksheet& sheet, FormatCache& formats,
                            bool active) {
  for (int col = 1; col <= kMaxCols; ++col) {
    if (sheet.ColumnWidthIsCustom(col)) {
      worksheet_set_column(ws, static_cast<lxw_col_t>(col - 1), static_cast<lxw_col_t>(col - 1),
                           sheet.ColumnWidth(col), nullptr);
    }
  }
  for (int row = 1; row <= kMaxRows; ++row) {
    if (sheet.RowHeightIsCustom(row)) worksheet_set_row(ws, static_cast<lxw_row_t>(row - 1), sheet.RowHeight(row), nullptr);
  }
  // Merging first: libxlsxwriter writes an empty text into the top-left
  // cell, which the cell loop below then overwrites (or blanks).
  for (const Rect& m : sheet.MergedCells()) {
    lxw_error err = worksheet_merge_range(ws, static_cast<lxw_row_t>(m.row1 - 1), static_cast<lxw_col_t>(m.col1 - 1),
                                          static_cast<lxw_row_t>(m.row2 - 1), static_cast<lxw_col_t>(m.col2 - 1), "",
                                          nullptr);
    if (err != LXW_NO_ERROR) throw XlsxProblem("cannot merge " + FormatA1(m, false) + ": " + lxw_strerror(err));
    if (sheet.IsCellEmpty(m.row1, m.col1)) {
      // A blank with the default format replaces the empty text.
      lxw_format* fmt = formats.Get(sheet.CellStyleId(m.row1, m.col1), false);
      worksheet_write_blank(ws, static_cast<lxw_row_t>(m.row1 - 1), static_cast<lxw_col_t>(m.col1 - 1),
                            fmt != nullptr ? fmt : formats.Default());
    }
  }
  if (auto used = sheet.UsedRange()) {
    sheet.ForEachCell(*used, [&](int row, int col) { WriteCell(ws, sheet, formats, row, col); });
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
    if (!WriteChart(wb, ws, chart, sheet.Name())) continue;
    if (chart.source && SameDrawing(chart, chart.source->as_read)) {
      result.carried_charts.emplace_back(result.charts_written, chart.source);
    } else {
      bool dash = false;
      for (const ChartSeries& s : chart.series) dash = dash || (s.markers && s.marker_symbol == "dash");
      if (dash || chart.kind == ChartKind::kStock) {
        result.patched_charts.emplace_back(result.charts_written, chart.kind == ChartKind::kStock);
      }
    }
    ++result.charts_written;
  }
  return result;
}

}  // namespace plrxl::xlsx
