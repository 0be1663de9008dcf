// Placing a computed series next to the data, and the small helpers of the
// data tools (destination row on "Data", sheet creation, decimal comma).
#include <algorithm>
#include <string>

#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "macros/cfenmar.h"
#include "support/procedure.h"

namespace plrxl {

namespace {

constexpr const char* kOutputNumberFormat = "0.00";
constexpr int kOutputColorIndex = 3;  // red

// The header column is made wide enough to show the header whole (never
// narrower, and at most this many characters), before any chart is placed
// beside the block.
constexpr double kWidestHeader = 60;

void FitColumnToHeader(Worksheet& sheet, int col, const std::string& header) {
  size_t chars = 0;
  for (unsigned char ch : header) chars += (ch & 0xC0) != 0x80 ? 1 : 0;
  const double wanted = std::min(kWidestHeader, static_cast<double>(chars) * 1.1 + 1);
  if (sheet.ColumnWidth(col) < wanted) sheet.SetColumnWidth(col, wanted);
}

}  // namespace

void Cfenmar::fnOutPutRange(const std::string& myInRange, std::string& myOutRange,
                            const std::string& myFunctionName, const Variant& myFData) {
  ComponentCall("Pelorin.Cfenmar.fnOutPutRange", kCfenmarFailure, [&] {
    const char* source = "Pelorin.Cfenmar.fnOutPutRange";
    if (OwnerObject().ErrorAddress(myOutRange)) return;
    SpreadsheetHost& app = App();
    Worksheet& sheet = ActiveSheet();
    const Range header = sheet.GetRange(myOutRange);
    header.SetValue(Variant(myFunctionName));

    const int16_t row = ToInt16(header.Row(), source);
    const int16_t col = ToInt16(header.Column(), source);
    FitColumnToHeader(sheet, col, myFunctionName);
    const long long cells = sheet.GetRange(myInRange).Count();
    const int16_t last = ToInt16(row + cells, source);
    myOutRange = sheet.Cells(row + 1, col).Address() + ":" + sheet.Cells(last, col).Address();

    // Results of an earlier run may reach further down than the new series:
    // clear from the second output row to the end of the old block (and on
    // to the next block's first cell when that too lies within the limit).
    const int16_t first_stale = ToInt16(row + 2, source);
    const int end = sheet.Cells(first_stale, col).End(Direction::kDown).Row();
    if (end < kSearchRowLimit) {
      int stale_end = end;
      const int next = sheet.Cells(stale_end, col).End(Direction::kDown).Row();
      if (next < kSearchRowLimit) stale_end = next;
      sheet.Cells(Rect{first_stale, col, stale_end, col}).Clear();
    }

    const Range output = sheet.GetRange(myOutRange);
    output.SetNumberFormat(kOutputNumberFormat);
    output.SetFontColorIndex(kOutputColorIndex);
    app.Run("UslFormat", {Variant(myOutRange)});
    app.Run("MyOutPut", {myFData, Variant(myOutRange)});
  });
}

int32_t Cfenmar::fnDestRow() {
  return ComponentCall("Pelorin.Cfenmar.fnDestRow", kCfenmarFailure, [&] {
    SpreadsheetHost& app = App();
    Workbook& workbook = ActiveWb();
    workbook.Worksheets(kSettingsSheet).Activate();
    const Range active = app.ActiveCell();
    const std::string ticker = ToText(active.Value(), app.Regional());
    const Range anchor = workbook.NameRange(kRangeTickerName);
    const int32_t k = active.Row() - anchor.Row() - 1;
    Worksheet& data = workbook.Worksheets("Data");
    data.Activate();
    // The defaults row's DataBeginning: where the ticker list starts on "Data".
    const std::string start = ToText(anchor.Offset(1, 6).Value(), app.Regional());
    data.GetRange(start).Offset(k, 0).SetValue(Variant(ticker));
    return k;
  });
}

void Cfenmar::AddSheet(Workbook& workbook, const std::string& name) {
  ComponentCall("Pelorin.Cfenmar.AddSheet", kCfenmarFailure, [&] {
    for (int i = 1; i <= workbook.WorksheetCount(); ++i) {
      if (workbook.WorksheetAt(i).Name() == name) return;
    }
    // Like the host's own Add without a position: before the active sheet.
    Worksheet& sheet = workbook.AddWorksheet(workbook.ActiveSheet());
    sheet.SetName(name);
  });
}

std::string Cfenmar::DotToComma(const std::string& text) {
  std::string out = text;
  for (char& ch : out) {
    if (ch == '.') ch = ',';
  }
  return out;
}

}  // namespace plrxl
