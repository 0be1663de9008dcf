#include "forms/range_pick.h"

#include <algorithm>

#include "host/address.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

RangePick::RangePick(Workbook& workbook) : workbook_(workbook) {
  const Worksheet* active = workbook.ActiveSheet();
  for (int i = 1; i <= workbook.WorksheetCount(); ++i) {
    Worksheet& sheet = workbook.WorksheetAt(i);
    if (!sheet.Visible()) continue;
    if (&sheet == active) sheet_ = static_cast<int>(names_.size());
    names_.push_back(sheet.Name());
  }
}

void RangePick::SetSheetIndex(int index) {
  if (index >= 0 && index < static_cast<int>(names_.size())) sheet_ = index;
}

Worksheet& RangePick::Current() const { return workbook_.Worksheets(names_.at(sheet_)); }

int RangePick::RowCount() const {
  std::optional<Rect> used = Current().UsedRange();
  return std::max(kMinRows, used ? used->row2 + 10 : 0);
}

int RangePick::ColumnCount() const {
  std::optional<Rect> used = Current().UsedRange();
  return std::max(kMinColumns, used ? used->col2 + 3 : 0);
}

std::string RangePick::CellText(int row, int col) const {
  Worksheet& sheet = Current();
  if (sheet.IsCellEmpty(row, col)) return std::string();
  return sheet.Cells(row, col).Text();
}

std::string RangePick::ColumnTitle(int col) { return ColumnLetters(col); }

std::string RangePick::Address(int row, int col) const {
  return QuoteSheetName(names_.at(sheet_)) + "!$" + ColumnLetters(col) + "$" + std::to_string(row);
}

}  // namespace plrxl
