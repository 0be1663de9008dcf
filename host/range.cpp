// Range operations, written once over the Worksheet primitives.
#include "host/range.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "host/column_fit.h"
#include "host/internal/host_errors.h"
#include "host/regional.h"
#include "host/spreadsheet_host.h"

namespace plrxl {
namespace {

bool InGrid(const Rect& r) {
  return r.row1 >= 1 && r.col1 >= 1 && r.row2 <= kMaxRows && r.col2 <= kMaxCols && r.row1 <= r.row2 &&
         r.col1 <= r.col2;
}

const RegionalSettings& RegionalOf(Worksheet& sheet) { return sheet.Parent().Application().Regional(); }

// Applies change to the style of every cell in rect, interning each
// distinct result once.
template <typename Change>
void ModifyStyles(Worksheet& sheet, const Rect& rect, Change change) {
  Workbook& book = sheet.Parent();
  std::unordered_map<int, int> mapped;
  for (int r = rect.row1; r <= rect.row2; ++r) {
    for (int c = rect.col1; c <= rect.col2; ++c) {
      const int old_id = sheet.CellStyleId(r, c);
      auto it = mapped.find(old_id);
      if (it == mapped.end()) {
        CellStyle style = book.StyleAt(old_id);
        change(style);
        it = mapped.emplace(old_id, book.InternStyle(style)).first;
      }
      if (it->second != old_id) sheet.SetCellStyleId(r, c, it->second);
    }
  }
}

}  // namespace

Range::Range(Worksheet* sheet, const Rect& rect) : sheet_(sheet), rect_(rect) {
  if (!sheet_) throw Error(kErrObjectRequired, kHostSource, "Object required");
  if (!InGrid(rect_)) ThrowRangeError("outside the sheet");
}

Variant Range::Value() const {
  if (rect_.Rows() == 1 && rect_.Cols() == 1) return sheet_->CellValue(rect_.row1, rect_.col1);
  std::vector<Variant> values;
  values.reserve(static_cast<size_t>(Count()));
  for (int r = rect_.row1; r <= rect_.row2; ++r)
    for (int c = rect_.col1; c <= rect_.col2; ++c) values.push_back(sheet_->CellValue(r, c));
  return Variant::Array2D(rect_.Rows(), rect_.Cols(), std::move(values));
}

void Range::SetValue(const Variant& value) const {
  if (value.IsObject()) throw Error(kErrTypeMismatch, kHostSource, "Type mismatch");
  if (!value.IsArray()) {
    for (int r = rect_.row1; r <= rect_.row2; ++r)
      for (int c = rect_.col1; c <= rect_.col2; ++c) sheet_->SetCellValue(r, c, value);
    return;
  }
  // Cells beyond the array's extent get #N/A, as the spreadsheet does.
  const VariantArray& a = value.Array();
  for (int i = 0; i < rect_.Rows(); ++i) {
    for (int j = 0; j < rect_.Cols(); ++j) {
      const int r = rect_.row1 + i, c = rect_.col1 + j;
      if (a.Dims() == 1) {
        if (j < a.Rows()) sheet_->SetCellValue(r, c, a.At(a.LBound(1) + j));
        else sheet_->SetCellValue(r, c, CellError::kNA);
      } else if (i < a.Rows() && j < a.Cols()) {
        const Variant& v = a.At(a.LBound(1) + i, a.LBound(2) + j);
        if (v.IsArray() || v.IsObject()) throw Error(kErrTypeMismatch, kHostSource, "Type mismatch");
        sheet_->SetCellValue(r, c, v);
      } else {
        sheet_->SetCellValue(r, c, CellError::kNA);
      }
    }
  }
}

std::string Range::Formula() const {
  std::string f = sheet_->CellFormula(rect_.row1, rect_.col1);
  if (!f.empty()) return f;
  return ToText(sheet_->CellValue(rect_.row1, rect_.col1), RegionalOf(*sheet_));
}

void Range::SetFormula(const std::string& formula) const {
  if (!formula.empty() && formula[0] == '=') {
    for (int r = rect_.row1; r <= rect_.row2; ++r)
      for (int c = rect_.col1; c <= rect_.col2; ++c) sheet_->SetCellFormula(r, c, formula, Variant());
    return;
  }
  // A constant typed as a formula is entered like a typed value.
  Variant v;
  if (!formula.empty()) {
    if (auto n = TextToNumber(formula, RegionalOf(*sheet_))) v = *n;
    else v = formula;
  }
  SetValue(v);
}

std::string Range::Text() const {
  return FormatWithNumberFormat(sheet_->CellValue(rect_.row1, rect_.col1), NumberFormat(), RegionalOf(*sheet_));
}

std::string Range::Address(bool absolute) const { return FormatA1(rect_, absolute); }

std::string Range::ExternalR1C1() const { return QuoteSheetName(sheet_->Name()) + "!" + FormatR1C1(rect_); }

Range Range::Cells(int row, int col) const {
  return Range(sheet_, Rect{rect_.row1 + row - 1, rect_.col1 + col - 1, rect_.row1 + row - 1, rect_.col1 + col - 1});
}

Range Range::Offset(int rows, int cols) const {
  return Range(sheet_, Rect{rect_.row1 + rows, rect_.col1 + cols, rect_.row2 + rows, rect_.col2 + cols});
}

Range Range::Resize(int rows, int cols) const {
  if (rows < 1 || cols < 1) ThrowRangeError("empty size");
  return Range(sheet_, Rect{rect_.row1, rect_.col1, rect_.row1 + rows - 1, rect_.col1 + cols - 1});
}

Range Range::EntireColumn() const { return Range(sheet_, Rect{1, rect_.col1, kMaxRows, rect_.col2}); }

Range Range::EntireRow() const { return Range(sheet_, Rect{rect_.row1, 1, rect_.row2, kMaxCols}); }

Range Range::End(Direction direction) const {
  int dr = 0, dc = 0;
  switch (direction) {
    case Direction::kDown: dr = 1; break;
    case Direction::kUp: dr = -1; break;
    case Direction::kToRight: dc = 1; break;
    case Direction::kToLeft: dc = -1; break;
  }
  auto inside = [](int r, int c) { return r >= 1 && r <= kMaxRows && c >= 1 && c <= kMaxCols; };
  auto filled = [&](int r, int c) { return !sheet_->IsCellEmpty(r, c); };
  int r = rect_.row1, c = rect_.col1;
  if (!inside(r + dr, c + dc)) return Cells(1, 1);
  if (filled(r, c) && filled(r + dr, c + dc)) {
    // Inside a block: its last filled cell.
    while (inside(r + dr, c + dc) && filled(r + dr, c + dc)) r += dr, c += dc;
  } else {
    // At a block's end or on an empty cell: the next filled cell, else the edge.
    r += dr, c += dc;
    while (inside(r + dr, c + dc) && !filled(r, c)) r += dr, c += dc;
  }
  return Range(sheet_, Rect{r, c, r, c});
}

std::string Range::NumberFormat() const { return sheet_->CellStyleAt(rect_.row1, rect_.col1).number_format; }

void Range::SetNumberFormat(const std::string& format) const {
  ModifyStyles(*sheet_, rect_, [&](CellStyle& s) { s.number_format = format; });
}

int Range::FontColorIndex() const { return RgbToColorIndex(sheet_->CellStyleAt(rect_.row1, rect_.col1).font_color); }

void Range::SetFontColorIndex(int index) const {
  if (index < 0 || index > 56) ThrowRangeError("colour index " + std::to_string(index));
  const uint32_t rgb = index == 0 ? kAutomatic : ColorIndexToRgb(index);
  ModifyStyles(*sheet_, rect_, [&](CellStyle& s) { s.font_color = rgb; });
}

bool Range::FontBold() const { return sheet_->CellStyleAt(rect_.row1, rect_.col1).bold; }

void Range::SetFontBold(bool bold) const {
  ModifyStyles(*sheet_, rect_, [&](CellStyle& s) { s.bold = bold; });
}

CellStyle Range::Style() const { return sheet_->CellStyleAt(rect_.row1, rect_.col1); }

void Range::SetStyle(const CellStyle& style) const {
  const int id = sheet_->Parent().InternStyle(style);
  for (int r = rect_.row1; r <= rect_.row2; ++r)
    for (int c = rect_.col1; c <= rect_.col2; ++c) sheet_->SetCellStyleId(r, c, id);
}

void Range::Select() const { sheet_->SetSelectionRect(rect_); }

void Range::Activate() const {
  sheet_->Activate();
  Select();
}

void Range::Clear() const { sheet_->ClearCells(rect_, true, true); }
void Range::ClearContents() const { sheet_->ClearCells(rect_, true, false); }
void Range::ClearFormats() const { sheet_->ClearCells(rect_, false, true); }

void Range::CopyTo(const Range& destination) const {
  const int dr = destination.rect_.row1 - rect_.row1, dc = destination.rect_.col1 - rect_.col1;
  const Rect target{rect_.row1 + dr, rect_.col1 + dc, rect_.row2 + dr, rect_.col2 + dc};
  if (!InGrid(target)) ThrowRangeError("copy destination outside the sheet");
  struct Copied {
    int row, col;
    Variant value;
    std::string formula;
    int style_id;
  };
  // Read everything first, so overlapping source and destination work.
  std::vector<Copied> cells;
  sheet_->ForEachCell(rect_, [&](int r, int c) {
    cells.push_back({r + dr, c + dc, sheet_->CellValue(r, c), sheet_->CellFormula(r, c), sheet_->CellStyleId(r, c)});
  });
  Worksheet& to = destination.Sheet();
  const bool same_book = &to.Parent() == &sheet_->Parent();
  std::unordered_map<int, int> style_map;
  to.ClearCells(target, true, true);
  for (const Copied& cell : cells) {
    if (!cell.formula.empty()) to.SetCellFormula(cell.row, cell.col, cell.formula, cell.value);
    else if (!cell.value.IsEmpty()) to.SetCellValue(cell.row, cell.col, cell.value);
    int id = cell.style_id;
    if (!same_book) {
      auto it = style_map.find(id);
      if (it == style_map.end()) it = style_map.emplace(id, to.Parent().InternStyle(sheet_->Parent().StyleAt(id))).first;
      id = it->second;
    }
    if (id != 0) to.SetCellStyleId(cell.row, cell.col, id);
  }
}

void Range::InsertShiftDown() const { sheet_->InsertCellsShiftDown(rect_); }

void Range::DeleteShiftUp() const { sheet_->DeleteCellsShiftUp(rect_); }

void Range::AutoFitColumns() const { ColumnFitter(*sheet_).Fit(rect_); }

std::optional<Range> Range::FindLastCell() const {
  auto last = sheet_->LastCellWithContent(rect_);
  if (!last) return std::nullopt;
  return Range(sheet_, Rect{last->first, last->second, last->first, last->second});
}

}  // namespace plrxl
