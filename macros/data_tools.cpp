// The data tools that rearrange a ticker's quotes inside the workbook:
// CopyData, CreateSummary and TickerHeader (TransposeData has a file of its
// own). Each fails as a whole with its own component-failure source.
#include <string>

#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "macros/cfenmar.h"
#include "macros/internal/runtime_text.h"
#include "macros/internal/ticker_row.h"
#include "support/procedure.h"

namespace plrxl {

using macros_internal::CellAddressOnly;
using macros_internal::SplitList;

namespace {

constexpr int kCopyRowLimit = 65000;

// Variant comparison of the runtime's ">" for the dates of a block: numbers
// and dates by value, anything else by text.
bool Greater(const Variant& a, const Variant& b, const RegionalSettings& rs) {
  if (a.IsNumeric() && b.IsNumeric()) return a.DateSerial() > b.DateSerial();
  return ToText(a, rs) > ToText(b, rs);
}

// The last column of the Summary's title line that holds a title (walking
// right from the "Ticker" cell until the first empty cell).
int SummaryTitlesEnd(Worksheet& summary, int top, int left) {
  int col = left;
  while (col < kMaxCols && !summary.IsCellEmpty(top, col + 1)) ++col;
  return col;
}

// The column of `title` in the Summary's title line between first and last;
// 0 when it is not there. Titles match by their text, ignoring case.
int FindSummaryTitle(Worksheet& summary, int top, int first, int last, const Variant& title,
                     const RegionalSettings& rs) {
  const std::string wanted = LowerAscii(ToText(title, rs));
  for (int col = first; col <= last; ++col) {
    if (LowerAscii(ToText(summary.CellValue(top, col), rs)) == wanted) return col;
  }
  return 0;
}

}  // namespace

void Cfenmar::CopyData(MacroSlots& slots) {
  ComponentCall("Pelorin.Cfenmar.CopyData", kCfenmarFailure, [&] {
    const std::string& source = slots[0];
    const std::string& sheets = slots[1];
    const std::string& destination = slots[2];
    Worksheet& data_sheet = ActiveSheet();
    const Range from = data_sheet.GetRange(source);
    // Nothing below the first source cell: the jump runs to the grid's end.
    if (from.Cells(1, 1).End(Direction::kDown).Row() >= kCopyRowLimit) return;
    Workbook& workbook = ActiveWb();
    for (const std::string& name : SplitList(sheets, '*')) {
      if (name.empty()) continue;
      AddSheet(workbook, name);
      Worksheet& target = workbook.Worksheets(name);
      from.CopyTo(target.GetRange(destination));
    }
    data_sheet.Activate();
  });
}

void Cfenmar::CreateSummary(MacroSlots&) {
  ComponentCall("Pelorin.Cfenmar.CreateSummary", kCfenmarFailure, [&] {
    Worksheet& data_sheet = ActiveSheet();
    const Rect selection = data_sheet.SelectionRect();
    const std::string data_name = data_sheet.Name();
    Workbook& workbook = ActiveWb();
    AddSheet(workbook, "Summary");

    int16_t row = 0;
    Worksheet& settings = ActivateSettings(&row);
    CPelorin& owner = OwnerObject();
    const RegionalSettings& rs = App().Regional();
    const Variant ticker = owner.SettingsValue(settings, row, kTicker);
    const std::string beginning = CellAddressOnly(ToText(owner.SettingsValue(settings, row, kDataBeginning), rs));
    const int k = row - workbook.NameRange(kRangeTickerName).Row() - 1;

    Worksheet& data = workbook.Worksheets(data_name);
    const Range d = data.GetRange(beginning);
    const int top = d.Row(), left = d.Column();
    // Written only when there is a ticker, a header and a first data row.
    if (!ticker.IsEmpty() && !data.IsCellEmpty(top, left) && !data.IsCellEmpty(top + 1, left)) {
      const int last_row = d.End(Direction::kDown).Row();
      const int chosen =
          Greater(data.CellValue(last_row, left), data.CellValue(top + 1, left), rs) ? last_row : top + 1;
      // A header row of one cell has nothing to its right to jump to.
      int last_col = d.End(Direction::kToRight).Column();
      if (data.IsCellEmpty(top, last_col)) last_col = left;

      Worksheet& summary = workbook.Worksheets("Summary");
      summary.SetCellValue(top, left, Variant("Ticker"));
      summary.SetCellValue(top + k, left, ticker);
      // Tickers fetch different fields: each value goes under the title of
      // its own field, a title the line does not have yet is added at its
      // right, and a value keeps the number format of its data cell.
      int summary_last = SummaryTitlesEnd(summary, top, left);
      for (int col = left; col <= last_col; ++col) {
        const Variant title = data.CellValue(top, col);
        int target = FindSummaryTitle(summary, top, left + 1, summary_last, title, rs);
        if (target == 0) {
          if (summary_last >= kMaxCols) continue;
          target = ++summary_last;
          summary.SetCellValue(top, target, title);
        }
        summary.SetCellValue(top + k, target, data.CellValue(chosen, col));
        CellStyle style = summary.CellStyleAt(top + k, target);
        style.number_format = data.CellStyleAt(chosen, col).number_format;
        summary.SetCellStyle(top + k, target, style);
      }
      const int width = summary_last - left + 1;
      summary.Cells(Rect{top, left, top, kMaxCols}).SetFontBold(true);
      for (int col = left; col < left + width; ++col) {
        CellStyle style = summary.CellStyleAt(top, col);
        style.h_align = HAlign::kCenter;
        summary.SetCellStyle(top, col, style);
      }
      summary.Cells(Rect{1, left, kMaxRows, left + width - 1}).AutoFitColumns();
    }
    data.Activate();
    data.SetSelectionRect(selection);
  });
}

void Cfenmar::TickerHeader(MacroSlots&) {
  ComponentCall("Pelorin.Cfenmar.TickerHeader", kCfenmarFailure, [&] {
    Worksheet& data = ActiveSheet();
    int16_t row = 0;
    Worksheet& settings = ActivateSettings(&row);
    CPelorin& owner = OwnerObject();
    const RegionalSettings& rs = App().Regional();
    const std::string ticker = ToText(owner.SettingsValue(settings, row, kTicker), rs);
    const std::string beginning = ToText(owner.SettingsValue(settings, row, kDataBeginning), rs);
    data.Activate();
    if (owner.ErrorAddress(beginning)) return;
    const Range first = data.GetRange(CellAddressOnly(beginning));
    // The label stands left of the block's first cell; a block in column A
    // gets it in the row above.
    if (first.Column() > 1) {
      data.SetCellValue(first.Row(), first.Column() - 1, Variant(ticker));
    } else if (first.Row() > 1) {
      data.SetCellValue(first.Row() - 1, first.Column(), Variant(ticker));
    } else {
      owner.WriteLastStatusMsg(0, row, &settings,
                               Variant("Ticker header skipped: the data block begins in A1, no cell is free beside it"),
                               true);
    }
  });
}

}  // namespace plrxl
