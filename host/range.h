// Range: a rectangle of cells on one worksheet. A small value type; its
// operations are implemented once over the Worksheet primitives, so every
// host gets the same behaviour.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/address.h"
#include "host/style.h"
#include "host/variant.h"

namespace plrxl {

class Worksheet;

enum class Direction { kDown, kUp, kToRight, kToLeft };

class Range {
 public:
  // Throws Error 1004 when rect lies outside the grid.
  Range(Worksheet* sheet, const Rect& rect);

  Worksheet& Sheet() const { return *sheet_; }
  const Rect& Bounds() const { return rect_; }
  int Row() const { return rect_.row1; }
  int Column() const { return rect_.col1; }
  int RowCount() const { return rect_.Rows(); }
  int ColumnCount() const { return rect_.Cols(); }
  long long Count() const { return static_cast<long long>(rect_.Rows()) * rect_.Cols(); }

  // A single cell gives its value; a rectangle gives a 1-based 2-D array.
  Variant Value() const;
  // A scalar is written to every cell; an array is written cell by cell
  // from the top-left (1-D arrays fill one row).
  void SetValue(const Variant& value) const;
  std::string Formula() const;  // of the top-left cell
  void SetFormula(const std::string& formula) const;
  // The top-left cell's value as the cell displays it (number format applied).
  std::string Text() const;

  // "$A$1" or "$A$1:$C$9" without the sheet name; relative without "$".
  std::string Address(bool absolute = true) const;
  // Sheet-qualified R1C1 reference text: "'Sheet'!R1C1:R3C2".
  std::string ExternalR1C1() const;

  // Relative to the top-left cell, 1-based (Cells(1,1) is the top-left);
  // may reach outside the range. Out of grid throws 1004.
  Range Cells(int row, int col) const;
  Range Offset(int rows, int cols) const;
  Range Resize(int rows, int cols) const;
  Range EntireColumn() const;
  Range EntireRow() const;
  // The spreadsheet's Ctrl+arrow: from a filled cell followed by a filled
  // one, the end of the contiguous block; from a filled cell followed by an
  // empty one, or from an empty cell, the next filled cell; the grid's edge
  // when nothing is in the way. Starts at the top-left cell.
  Range End(Direction direction) const;

  std::string NumberFormat() const;  // of the top-left cell
  void SetNumberFormat(const std::string& format) const;
  int FontColorIndex() const;  // 0 = automatic, 3 = red
  void SetFontColorIndex(int index) const;
  bool FontBold() const;
  void SetFontBold(bool bold) const;
  CellStyle Style() const;  // of the top-left cell
  void SetStyle(const CellStyle& style) const;

  void Select() const;    // makes it the sheet's selection
  void Activate() const;  // activates the sheet and selects the range
  void Clear() const;     // values and formats
  void ClearContents() const;
  void ClearFormats() const;
  // Copies values, formulas and formats to destination (its top-left cell
  // receives this range's top-left).
  void CopyTo(const Range& destination) const;
  void InsertShiftDown() const;
  void DeleteShiftUp() const;
  // Sets the width of every column of the range from the texts of its cells.
  void AutoFitColumns() const;
  // The last cell with content inside this range (row by row), if any.
  std::optional<Range> FindLastCell() const;

  bool operator==(const Range& other) const { return sheet_ == other.sheet_ && rect_ == other.rect_; }

 private:
  Worksheet* sheet_;
  Rect rect_;
};

// A Range carried inside a Variant: how Run hands a range object to a
// registered function (the input series of the indicator functions).
class RangeObject : public HostObject {
 public:
  explicit RangeObject(const Range& range) : range_(range) {}
  const Range& Get() const { return range_; }

 private:
  Range range_;
};

// A Variant holding a copy of range.
inline Variant RangeVariant(const Range& range) {
  return Variant(std::shared_ptr<HostObject>(std::make_shared<RangeObject>(range)));
}
// The range a Variant holds; nullptr when it holds no range object.
inline const Range* AsRange(const Variant& value) {
  if (!value.IsObject()) return nullptr;
  const auto* object = dynamic_cast<const RangeObject*>(value.Object().get());
  return object ? &object->Get() : nullptr;
}

}  // namespace plrxl
