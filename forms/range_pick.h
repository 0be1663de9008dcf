// RangePick: the read-only sheet grid in which the person clicks the cell
// where a ticker's data begins (the row editor's range pick).
//
// It lists the workbook's visible sheets, shows their cells as the sheets
// display them, and turns a clicked cell into the sheet-qualified absolute
// address that CPelorin::RefEditInputs takes ("'Prices'!$B$3").
#pragma once

#include <string>
#include <vector>

namespace plrxl {

class Workbook;
class Worksheet;

class RangePick {
 public:
  // Rows and columns shown at least, so an empty sheet still has cells.
  static constexpr int kMinRows = 60;
  static constexpr int kMinColumns = 16;

  // `workbook` must outlive the pick. Starts on the active sheet.
  explicit RangePick(Workbook& workbook);

  const std::vector<std::string>& SheetNames() const { return names_; }
  int SheetIndex() const { return sheet_; }
  void SetSheetIndex(int index);
  // Extent of the grid of the current sheet: the used range plus a margin.
  int RowCount() const;
  int ColumnCount() const;
  // 1-based row and column of the current sheet.
  std::string CellText(int row, int col) const;
  static std::string ColumnTitle(int col);
  // The address of a cell of the current sheet.
  std::string Address(int row, int col) const;

 private:
  Worksheet& Current() const;

  Workbook& workbook_;
  std::vector<std::string> names_;
  int sheet_ = 0;
};

}  // namespace plrxl
