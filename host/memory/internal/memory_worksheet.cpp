#include "host/memory/internal/memory_worksheet.h"

#include <cmath>

#include "host/format_limits.h"
#include "host/internal/host_errors.h"
#include "host/memory/internal/memory_workbook.h"

namespace plrxl {
namespace {

void CheckCell(int row, int col) {
  if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols)
    ThrowRangeError("cell (" + std::to_string(row) + ", " + std::to_string(col) + ") outside the sheet");
}

void CheckRect(const Rect& r) {
  if (r.row1 < 1 || r.col1 < 1 || r.row2 > kMaxRows || r.col2 > kMaxCols || r.row1 > r.row2 || r.col1 > r.col2)
    ThrowRangeError("rectangle outside the sheet");
}

// A value the file cannot hold is refused here, when it is written, so the
// save at the end of a run cannot fail on it.
void CheckText(const Worksheet& sheet, int row, int col, const Variant& value) {
  if (!value.IsText()) return;
  if (std::string why = CellTextProblem(value.Text()); !why.empty()) ThrowRangeError(CellName(sheet, row, col) + ": " + why);
}

}  // namespace

MemoryWorksheet::MemoryWorksheet(MemoryWorkbook& parent, std::string name)
    : parent_(parent), name_(std::move(name)) {
  widths_.fill(kDefaultColumnWidth);
}

Workbook& MemoryWorksheet::Parent() { return parent_; }

void MemoryWorksheet::SetName(const std::string& name) {
  parent_.CheckSheetName(name, this);
  if (name != name_) Changed();
  name_ = name;
  parent_.SheetsChanged();
}

void MemoryWorksheet::SetVisible(bool visible) {
  if (!visible && visible_ && !parent_.OtherVisibleSheet(this))
    throw Error(kErrRange, kHostSource, "A workbook must contain at least one visible worksheet.");
  if (visible != visible_) Changed();
  visible_ = visible;
  if (!visible && parent_.ActiveSheet() == this) parent_.SetActiveSheet(parent_.OtherVisibleSheet(this));
}

void MemoryWorksheet::Activate() {
  if (!visible_) ThrowRangeError("cannot activate the hidden sheet '" + name_ + "'");
  parent_.SetActiveSheet(this);
  parent_.Application().SetActiveWorkbook(parent_);
}

Variant MemoryWorksheet::CellValue(int row, int col) const {
  CheckCell(row, col);
  // A formula read after any change is computed afresh first. The formula
  // test comes first: FormulasStale may ask the clock.
  if (cells_.Formula(row, col) != nullptr && parent_.FormulasStale()) parent_.EvaluateFormulas();
  return cells_.Value(row, col);
}

void MemoryWorksheet::SetCellValue(int row, int col, const Variant& value) {
  CheckCell(row, col);
  if (value.IsArray() || value.IsObject()) throw Error(kErrTypeMismatch, kHostSource, "Type mismatch");
  CheckText(*this, row, col, value);
  if (row < rows_changed_from_ && !Holds(row, col, value)) RowsChanged(row);
  cells_.SetValue(row, col, value);
  parent_.CellsChanged(*this, Rect{row, col, row, col});
}

void MemoryWorksheet::SetCellSharedText(int row, int col, const std::shared_ptr<const std::string>& text) {
  CheckCell(row, col);
  if (std::string why = CellTextProblem(*text); !why.empty()) ThrowRangeError(CellName(*this, row, col) + ": " + why);
  if (row < rows_changed_from_ && !Holds(row, col, Variant(*text))) RowsChanged(row);
  cells_.SetSharedText(row, col, text);
  parent_.CellsChanged(*this, Rect{row, col, row, col});
}

std::string MemoryWorksheet::CellFormula(int row, int col) const {
  CheckCell(row, col);
  const std::string* f = cells_.Formula(row, col);
  return f ? *f : std::string();
}

void MemoryWorksheet::SetCellFormula(int row, int col, const std::string& formula, const Variant& cached) {
  CheckCell(row, col);
  if (cached.IsArray() || cached.IsObject()) throw Error(kErrTypeMismatch, kHostSource, "Type mismatch");
  CheckText(*this, row, col, cached);
  if (std::string why = FormulaProblem(formula); !why.empty()) ThrowRangeError(CellName(*this, row, col) + ": " + why);
  if (row < rows_changed_from_) {
    const std::string* held = cells_.Formula(row, col);
    if (held == nullptr || *held != formula || cells_.ArrayRange(row, col) || !(cells_.Value(row, col) == cached)) {
      RowsChanged(row);
    }
  }
  cells_.SetFormula(row, col, formula, cached);
  parent_.CellsChanged(*this, Rect{row, col, row, col});
}

std::optional<Rect> MemoryWorksheet::ArrayFormulaRange(int row, int col) const {
  CheckCell(row, col);
  return cells_.ArrayRange(row, col);
}

void MemoryWorksheet::SetCellArrayFormula(const Rect& range, const std::string& formula, const Variant& cached) {
  CheckRect(range);
  if (cached.IsArray() || cached.IsObject()) throw Error(kErrTypeMismatch, kHostSource, "Type mismatch");
  CheckText(*this, range.row1, range.col1, cached);
  if (std::string why = FormulaProblem(formula); !why.empty()) {
    ThrowRangeError(CellName(*this, range.row1, range.col1) + ": " + why);
  }
  RowsChanged(range.row1);
  cells_.SetArrayFormula(range, formula, cached);
  parent_.CellsChanged(*this, range);
}

CellStyle MemoryWorksheet::CellStyleAt(int row, int col) const {
  CheckCell(row, col);
  return parent_.StyleAt(cells_.StyleId(row, col));
}

void MemoryWorksheet::SetCellStyle(int row, int col, const CellStyle& style) {
  CheckCell(row, col);
  const int id = parent_.InternStyle(style);
  if (cells_.StyleId(row, col) != id) RowsChanged(row);
  cells_.SetStyleId(row, col, id);
}

int MemoryWorksheet::CellStyleId(int row, int col) const {
  CheckCell(row, col);
  return cells_.StyleId(row, col);
}

void MemoryWorksheet::SetCellStyleId(int row, int col, int style_id) {
  CheckCell(row, col);
  if (style_id < 0 || style_id >= parent_.StyleCount())
    throw Error(kErrInvalidCall, kHostSource, "Invalid procedure call or argument: style id " + std::to_string(style_id));
  if (cells_.StyleId(row, col) != style_id) RowsChanged(row);
  cells_.SetStyleId(row, col, style_id);
}

bool MemoryWorksheet::IsCellEmpty(int row, int col) const {
  CheckCell(row, col);
  return !cells_.HasContent(row, col);
}

void MemoryWorksheet::ForEachCell(const Rect& rect, const std::function<void(int row, int col)>& visit) const {
  CheckRect(rect);
  cells_.ForEach(rect, visit);
}

void MemoryWorksheet::ClearCells(const Rect& rect, bool values, bool formats) {
  CheckRect(rect);
  RowsChanged(rect.row1);
  cells_.Clear(rect, values, formats);
  if (values) parent_.CellsChanged(*this, rect);
}

void MemoryWorksheet::InsertCellsShiftDown(const Rect& rect) {
  CheckRect(rect);
  RowsChanged(rect.row1);
  cells_.ShiftDown(rect);
  parent_.SheetsChanged();
}

void MemoryWorksheet::DeleteCellsShiftUp(const Rect& rect) {
  CheckRect(rect);
  RowsChanged(rect.row1);
  cells_.ShiftUp(rect);
  parent_.SheetsChanged();
}

std::optional<std::pair<int, int>> MemoryWorksheet::LastCellWithContent(const Rect& rect) const {
  CheckRect(rect);
  return cells_.LastWithContent(rect);
}

double MemoryWorksheet::ColumnWidth(int col) const {
  CheckCell(1, col);
  return widths_[col - 1];
}

void MemoryWorksheet::SetColumnWidth(int col, double width) {
  CheckCell(1, col);
  if (!(width >= 0 && width <= 255)) ThrowRangeError("column width " + std::to_string(width));
  if (widths_[col - 1] != width || !custom_widths_.test(col - 1)) Changed();
  widths_[col - 1] = width;
  custom_widths_.set(col - 1);
}

bool MemoryWorksheet::ColumnWidthIsCustom(int col) const {
  CheckCell(1, col);
  return custom_widths_.test(col - 1);
}

double MemoryWorksheet::RowHeight(int row) const {
  CheckCell(row, 1);
  auto it = heights_.find(row);
  return it == heights_.end() ? kDefaultRowHeight : it->second;
}

void MemoryWorksheet::SetRowHeight(int row, double height) {
  CheckCell(row, 1);
  if (!(height >= 0 && std::isfinite(height))) ThrowRangeError("row height " + std::to_string(height));
  auto held = heights_.find(row);
  if (held == heights_.end() || held->second != height) RowsChanged(row);
  heights_[row] = height;
}

bool MemoryWorksheet::RowHeightIsCustom(int row) const {
  CheckCell(row, 1);
  return heights_.count(row) != 0;
}

std::vector<int> MemoryWorksheet::CustomHeightRows() const {
  std::vector<int> rows;
  rows.reserve(heights_.size());
  for (const auto& [row, height] : heights_) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  return rows;
}

void MemoryWorksheet::Merge(const Rect& rect) {
  CheckRect(rect);
  if (merged_.Merge(rect)) Changed();
}

void MemoryWorksheet::FreezePanes(int rows, int cols) {
  if (rows < 0 || cols < 0 || rows >= kMaxRows || cols >= kMaxCols) ThrowRangeError("frozen panes");
  if (frozen_ != std::pair<int, int>{rows, cols}) Changed();
  frozen_ = {rows, cols};
}

void MemoryWorksheet::SetZoom(int percent) {
  if (percent < 10 || percent > 400) ThrowRangeError("zoom " + std::to_string(percent));
  if (zoom_ != percent) Changed();
  zoom_ = percent;
}

void MemoryWorksheet::SetSelectionRect(const Rect& rect) {
  CheckRect(rect);
  if (!(selection_ == rect)) Changed();
  selection_ = rect;
}

Chart& MemoryWorksheet::ChartAt(int index) {
  if (index < 1 || index > ChartCount()) ThrowSubscript("chart " + std::to_string(index));
  Changed();  // the chart may be changed through the reference
  return *charts_[index - 1];
}

Chart& MemoryWorksheet::AddChart(double left, double top, double width, double height) {
  Changed();
  auto chart = std::make_unique<Chart>();
  // Names are unique on the sheet even after loading charts with numbers.
  for (bool taken = true; taken;) {
    chart->name = "Chart " + std::to_string(next_chart_number_++);
    taken = false;
    for (const auto& c : charts_) taken |= c->name == chart->name;
  }
  chart->left = left, chart->top = top, chart->width = width, chart->height = height;
  charts_.push_back(std::move(chart));
  return *charts_.back();
}

void MemoryWorksheet::DeleteChart(int index) {
  if (index < 1 || index > ChartCount()) ThrowSubscript("chart " + std::to_string(index));
  Changed();
  charts_.erase(charts_.begin() + (index - 1));
}

bool MemoryWorksheet::Holds(int row, int col, const Variant& value) const {
  return cells_.Formula(row, col) == nullptr && cells_.Value(row, col) == value;
}

void MemoryWorksheet::CollectFormulas(int sheet, std::vector<FormulaSite>& sites) const {
  for (const auto& [row, col] : cells_.FormulaCells()) {
    sites.push_back({sheet, row, col, *cells_.Formula(row, col), cells_.Value(row, col), cells_.ArrayRange(row, col)});
  }
}

void MemoryWorksheet::SetFormulaResult(int row, int col, const Variant& result) {
  const std::string* formula = cells_.Formula(row, col);
  if (formula == nullptr) return;
  const std::string text = *formula;  // SetFormula replaces the stored text
  if (row < rows_changed_from_ && !cells_.ArrayRange(row, col) && !(cells_.Value(row, col) == result)) {
    RowsChanged(row);
  }
  if (const std::optional<Rect> range = cells_.ArrayRange(row, col)) {
    SetArrayResults(*range, text, result);
    return;
  }
  cells_.SetFormula(row, col, text, result);
}

// An array formula's result fills its range as a spreadsheet fills it: a
// single value everywhere, a single row or column repeated, and #N/A where
// the range is larger than the array.
void MemoryWorksheet::SetArrayResults(const Rect& range, const std::string& formula, const Variant& result) {
  for (int row = range.row1; row <= range.row2; ++row) {
    for (int col = range.col1; col <= range.col2; ++col) {
      Variant value = result;
      if (result.IsArray()) {
        const VariantArray& array = result.Array();
        const int rows = array.Rows(), cols = array.Cols();
        const int i = rows == 1 ? 0 : row - range.row1;
        const int j = cols == 1 ? 0 : col - range.col1;
        value = i < rows && j < cols ? array.Data()[static_cast<size_t>(i) * static_cast<size_t>(cols) + static_cast<size_t>(j)]
                                     : Variant(CellError::kNA);
      }
      if (row < rows_changed_from_ && !(cells_.Value(row, col) == value)) RowsChanged(row);
      if (row == range.row1 && col == range.col1) {
        cells_.SetArrayFormula(range, formula, value);
      } else {
        cells_.SetValue(row, col, value);
      }
    }
  }
}

}  // namespace plrxl
