// CalcWorksheet as a sheet: name, visibility, layout, shifts and searches.
#include <cmath>
#include <set>
#include <optional>

#include <com/sun/star/sheet/CellDeleteMode.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/CellInsertMode.hpp>
#include <com/sun/star/sheet/XCellFormatRangesSupplier.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeMovement.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XViewFreezable.hpp>
#include <com/sun/star/sheet/XViewSplitable.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/util/XMergeable.hpp>

#include "host/calc/internal/calc_objects.h"
#include "host/internal/host_errors.h"

namespace plrxl::calc {
namespace {

namespace flags = css::sheet::CellFlags;
constexpr sal_Int32 kContent = flags::VALUE | flags::DATETIME | flags::STRING | flags::FORMULA;
constexpr sal_Int32 kFormats = flags::HARDATTR | flags::STYLES | flags::EDITATTR;
constexpr double kDefaultWidth = 8.43;

// Column widths are characters of the default font (7 pixels each plus 5 of
// padding at 96 dpi); Calc counts hundredths of a millimetre.
sal_Int32 WidthToCalc(double chars) { return static_cast<sal_Int32>(std::lround((chars * 7 + 5) * 2540.0 / 96.0)); }
double WidthFromCalc(sal_Int32 hmm) { return std::round((hmm * 96.0 / 2540.0 - 5) / 7 * 100) / 100; }
sal_Int32 HeightToCalc(double points) { return static_cast<sal_Int32>(std::lround(points * 2540.0 / 72.0)); }
double HeightFromCalc(sal_Int32 hmm) { return std::round(hmm * 72.0 / 2540.0 * 4) / 4; }

// The part of a query's answer inside rect (Calc may answer with cells
// beyond the range it was asked about); false when nothing is.
bool Clip(const css::table::CellRangeAddress& a, const Rect& rect, Rect* out) {
  *out = Rect{std::max(a.StartRow + 1, rect.row1), std::max(a.StartColumn + 1, rect.col1),
              std::min(a.EndRow + 1, rect.row2), std::min(a.EndColumn + 1, rect.col2)};
  return out->row1 <= out->row2 && out->col1 <= out->col2;
}

// The frozen rows and columns of the sheet at `index` (from 0) of `count`
// as the view's settings give them, nothing when they do not. The view
// writes them as "zoom;active sheet;tab bar width;" and then per sheet
// "cursor column/cursor row/column split mode/row split mode/column
// split/row split/..." ('+' for '/' in long sheets), a mode of 2 being
// frozen.
std::optional<std::pair<int, int>> FrozenInViewSettings(const Reference<css::frame::XController>& view, int index,
                                                        int count) {
  rtl::OUString data;
  if (!(view->getViewData() >>= data)) return std::nullopt;
  std::vector<std::string> fields;
  std::string field;
  for (char c : FromOu(data) + ";") {
    if (c != ';') {
      field += c;
      continue;
    }
    fields.push_back(field);
    field.clear();
  }
  if (fields.size() < static_cast<size_t>(count) + 2) return std::nullopt;
  const std::string& sheet = fields[fields.size() - static_cast<size_t>(count - index)];
  std::vector<int> parts;
  std::string part;
  for (char c : sheet + "/") {
    if (c != '/' && c != '+') {
      part += c;
      continue;
    }
    if (part.empty() || part.size() > 9 || part.find_first_not_of("0123456789") != std::string::npos)
      return std::nullopt;
    parts.push_back(std::stoi(part));
    part.clear();
  }
  if (parts.size() < 6) return std::nullopt;
  constexpr int kFrozen = 2;
  return std::make_pair(parts[3] == kFrozen ? parts[5] : 0, parts[2] == kFrozen ? parts[4] : 0);
}

[[noreturn]] void NotYet(const std::string& what) {
  throw Error(kErrRange, kHostSource, "The Calc host does not support " + what + " yet");
}

css::table::CellRangeAddress AddressOf(const Reference<css::sheet::XSpreadsheet>& sheet, const Rect& r) {
  css::table::CellRangeAddress a;
  a.Sheet = Reference<css::sheet::XCellRangeAddressable>(sheet, UNO_QUERY_THROW)->getRangeAddress().Sheet;
  a.StartColumn = r.col1 - 1;
  a.StartRow = r.row1 - 1;
  a.EndColumn = r.col2 - 1;
  a.EndRow = r.row2 - 1;
  return a;
}

}  // namespace

std::string CalcWorksheet::Name() const {
  if (name_.empty()) name_ = FromOu(Reference<css::container::XNamed>(sheet_, UNO_QUERY_THROW)->getName());
  return name_;
}

void CalcWorksheet::SetName(const std::string& name) {
  book_.CheckName(name, this);
  if (name == Name()) return;
  Flush();
  try {
    name_.clear();
    book_.ForgetNames();
    Reference<css::container::XNamed>(sheet_, UNO_QUERY_THROW)->setName(ToOu(name));
    name_ = name;
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot rename the sheet " + Name(), e);
  }
}

bool CalcWorksheet::Visible() const {
  bool visible = true;
  Reference<css::beans::XPropertySet>(sheet_, UNO_QUERY_THROW)->getPropertyValue("IsVisible") >>= visible;
  return visible;
}

void CalcWorksheet::SetVisible(bool visible) {
  if (!visible && Visible() && book_.OtherVisibleSheet(this) == nullptr)
    throw Error(kErrRange, kHostSource, "A workbook must contain at least one visible worksheet.");
  Reference<css::beans::XPropertySet>(sheet_, UNO_QUERY_THROW)->setPropertyValue("IsVisible", css::uno::Any(visible));
  if (!visible && book_.ActiveSheet() == this) book_.SetActiveSheet(book_.OtherVisibleSheet(this));
}

void CalcWorksheet::Activate() {
  if (!Visible()) ThrowRangeError("cannot activate the hidden sheet '" + Name() + "'");
  book_.SetActiveSheet(this);
  book_.Application().SetActiveWorkbook(book_);
}

void CalcWorksheet::ForEachCell(const Rect& rect, const std::function<void(int row, int col)>& visit) const {
  FlushWorkbook();
  std::set<std::pair<int, int>> cells;  // (row, col): row by row, left to right
  try {
    Reference<css::sheet::XCellRangesQuery> query(UnoRange(rect), UNO_QUERY_THROW);
    for (const auto& a : query->queryContentCells(kContent)->getRangeAddresses()) {
      Rect in;
      if (!Clip(a, rect, &in)) continue;
      for (int r = in.row1; r <= in.row2; ++r)
        for (int c = in.col1; c <= in.col2; ++c) cells.emplace(r, c);
    }
    for (const Rect& in : FormattedRanges(rect))
      for (int r = in.row1; r <= in.row2; ++r)
        for (int c = in.col1; c <= in.col2; ++c) cells.emplace(r, c);
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot list the cells of " + Name(), e);
  }
  for (const auto& [r, c] : cells) visit(r, c);
}

void CalcWorksheet::ClearCells(const Rect& rect, bool values, bool formats) {
  FlushWorkbook();
  const sal_Int32 what = (values ? kContent : 0) | (formats ? kFormats : 0);
  if (what == 0) return;
  try {
    Reference<css::sheet::XSheetOperation>(UnoRange(rect), UNO_QUERY_THROW)->clearContents(what);
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot clear cells of " + Name(), e);
  }
  // Only the cleared cells and the formulas that may read them change.
  NoteCleared(rect, values, formats);
  for (int i = 1; i <= book_.WorksheetCount(); ++i)
    static_cast<CalcWorksheet&>(book_.WorksheetAt(i)).ForgetFormulaReads();
}

void CalcWorksheet::InsertCellsShiftDown(const Rect& rect) {
  FlushWorkbook();
  try {
    Reference<css::sheet::XCellRangeMovement> move(sheet_, UNO_QUERY_THROW);
    // The grid ends at row 65,536: what would be pushed past it is lost,
    // so it goes first (Calc's own sheet is longer).
    const Rect lost{kMaxRows - rect.Rows() + 1, rect.col1, kMaxRows, rect.col2};
    Reference<css::sheet::XSheetOperation>(UnoRange(lost), UNO_QUERY_THROW)->clearContents(kContent | kFormats);
    move->insertCells(AddressOf(sheet_, rect), css::sheet::CellInsertMode_DOWN);
    Refetch();
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot insert cells into " + Name(), e);
  }
  book_.ForgetNames();
  for (int i = 1; i <= book_.WorksheetCount(); ++i) static_cast<CalcWorksheet&>(book_.WorksheetAt(i)).ForgetReads();
}

void CalcWorksheet::DeleteCellsShiftUp(const Rect& rect) {
  FlushWorkbook();
  try {
    Reference<css::sheet::XCellRangeMovement>(sheet_, UNO_QUERY_THROW)
        ->removeRange(AddressOf(sheet_, rect), css::sheet::CellDeleteMode_UP);
    Refetch();
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot delete cells of " + Name(), e);
  }
  book_.ForgetNames();
  for (int i = 1; i <= book_.WorksheetCount(); ++i) static_cast<CalcWorksheet&>(book_.WorksheetAt(i)).ForgetReads();
}

// A shift moves the sheet object's own range with the cells: the sheet is
// taken afresh from the document so that it covers the whole grid again.
void CalcWorksheet::Refetch() {
  const sal_Int16 index = Reference<css::sheet::XCellRangeAddressable>(sheet_, UNO_QUERY_THROW)->getRangeAddress().Sheet;
  Reference<css::container::XIndexAccess> sheets(book_.Document()->getSheets(), UNO_QUERY_THROW);
  sheet_.set(sheets->getByIndex(index), UNO_QUERY_THROW);
}

std::vector<Rect> CalcWorksheet::FormattedRanges(const Rect& rect) const {
  std::vector<Rect> out;
  try {
    const CellStyle standard = book_.DefaultStyle();
    ForEachFormat(book_, UnoRange(rect), [&](const CellStyle& style, const css::table::CellRangeAddress& a) {
      Rect in;
      if (!(style == standard) && Clip(a, rect, &in)) out.push_back(in);
    });
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read the formats of " + Name(), e);
  }
  return out;
}

std::optional<Rect> CalcWorksheet::UsedRange() const {
  FlushWorkbook();
  std::optional<Rect> used;
  try {
    const Rect all{1, 1, kMaxRows, kMaxCols};
    Reference<css::sheet::XCellRangesQuery> query(UnoRange(all), UNO_QUERY_THROW);
    std::vector<Rect> found = FormattedRanges(all);
    for (const auto& a : query->queryContentCells(kContent)->getRangeAddresses()) {
      Rect r;
      if (Clip(a, all, &r)) found.push_back(r);
    }
    for (const Rect& r : found) {
      if (!used) used = r;
      used->row1 = std::min(used->row1, r.row1);
      used->col1 = std::min(used->col1, r.col1);
      used->row2 = std::max(used->row2, r.row2);
      used->col2 = std::max(used->col2, r.col2);
    }
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot find the used cells of " + Name(), e);
  }
  return used;
}

std::optional<std::pair<int, int>> CalcWorksheet::LastCellWithContent(const Rect& rect) const {
  FlushWorkbook();
  std::optional<std::pair<int, int>> last;
  try {
    Reference<css::sheet::XCellRangesQuery> query(UnoRange(rect), UNO_QUERY_THROW);
    for (const auto& a : query->queryContentCells(kContent)->getRangeAddresses()) {
      Rect in;
      if (!Clip(a, rect, &in)) continue;
      const std::pair<int, int> corner{in.row2, in.col2};
      if (!last || corner.first > last->first || (corner.first == last->first && corner.second > last->second))
        last = corner;
    }
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot search the cells of " + Name(), e);
  }
  return last;
}

double CalcWorksheet::ColumnWidth(int col) const {
  if (col < 1 || col > kMaxCols) ThrowRangeError("column " + std::to_string(col));
  auto known = widths_known_.find(col);
  if (known == widths_known_.end()) {
    sal_Int32 hmm = 0;
    try {
      Reference<css::table::XColumnRowRange> columns(sheet_, UNO_QUERY_THROW);
      Reference<css::beans::XPropertySet>(columns->getColumns()->getByIndex(col - 1), UNO_QUERY_THROW)
          ->getPropertyValue("Width") >>= hmm;
    } catch (const css::uno::Exception& e) {
      ThrowFromUno("Cannot read a column width of " + Name(), e);
    }
    known = widths_known_.emplace(col, hmm).first;
  }
  const sal_Int32 hmm = known->second;
  auto given = widths_set_.find(col);
  if (given != widths_set_.end() && WidthToCalc(given->second) == hmm) return given->second;
  return WidthFromCalc(hmm);
}

void CalcWorksheet::SetColumnWidth(int col, double width) {
  if (col < 1 || col > kMaxCols) ThrowRangeError("column " + std::to_string(col));
  if (!(width >= 0 && width <= 255)) ThrowRangeError("column width " + std::to_string(width));
  widths_set_[col] = width;
  widths_known_[col] = pending_widths_[col] = WidthToCalc(width);
}

void CalcWorksheet::FlushWidths() {
  if (pending_widths_.empty()) return;
  std::map<int, sal_Int32> widths;
  widths.swap(pending_widths_);
  try {
    // Neighbouring columns of the same width go in one call.
    for (auto it = widths.begin(); it != widths.end();) {
      auto last = it;
      for (auto next = std::next(it); next != widths.end() && next->first == last->first + 1 && next->second == it->second;
           ++next)
        last = next;
      Reference<css::table::XColumnRowRange> range(UnoRange(Rect{1, it->first, 1, last->first}), UNO_QUERY_THROW);
      Reference<css::beans::XPropertySet>(range->getColumns(), UNO_QUERY_THROW)
          ->setPropertyValue("Width", css::uno::Any(it->second));
      it = std::next(last);
    }
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot set the column widths of " + Name(), e);
  }
}

bool CalcWorksheet::ColumnWidthIsCustom(int col) const { return std::fabs(ColumnWidth(col) - kDefaultWidth) > 0.005; }

void CalcWorksheet::UseDefaultColumnWidth() {
  pending_widths_.clear();
  widths_known_.clear();
  Reference<css::table::XColumnRowRange> all(UnoRange(Rect{1, 1, 1, kMaxCols}), UNO_QUERY_THROW);
  Reference<css::beans::XPropertySet>(all->getColumns(), UNO_QUERY_THROW)
      ->setPropertyValue("Width", css::uno::Any(WidthToCalc(kDefaultWidth)));
}

double CalcWorksheet::RowHeight(int row) const {
  if (row < 1 || row > kMaxRows) ThrowRangeError("row " + std::to_string(row));
  sal_Int32 hmm = 0;
  Reference<css::table::XColumnRowRange> rows(sheet_, UNO_QUERY_THROW);
  Reference<css::beans::XPropertySet>(rows->getRows()->getByIndex(row - 1), UNO_QUERY_THROW)
      ->getPropertyValue("Height") >>= hmm;
  auto given = heights_set_.find(row);
  if (given != heights_set_.end() && HeightToCalc(given->second) == hmm) return given->second;
  return HeightFromCalc(hmm);
}

void CalcWorksheet::SetRowHeight(int row, double height) {
  if (row < 1 || row > kMaxRows) ThrowRangeError("row " + std::to_string(row));
  if (!(height >= 0 && std::isfinite(height))) ThrowRangeError("row height");
  Reference<css::table::XColumnRowRange> rows(sheet_, UNO_QUERY_THROW);
  Reference<css::beans::XPropertySet>(rows->getRows()->getByIndex(row - 1), UNO_QUERY_THROW)
      ->setPropertyValue("Height", css::uno::Any(HeightToCalc(height)));
  heights_set_[row] = height;
}

bool CalcWorksheet::RowHeightIsCustom(int row) const {
  if (row < 1 || row > kMaxRows) ThrowRangeError("row " + std::to_string(row));
  bool optimal = true;
  Reference<css::table::XColumnRowRange> rows(sheet_, UNO_QUERY_THROW);
  Reference<css::beans::XPropertySet>(rows->getRows()->getByIndex(row - 1), UNO_QUERY_THROW)
      ->getPropertyValue("OptimalHeight") >>= optimal;
  return !optimal;
}

std::vector<int> CalcWorksheet::CustomHeightRows() const {
  std::set<int> candidates;
  for (const auto& [row, height] : heights_set_) candidates.insert(row);
  if (const std::optional<Rect> used = UsedRange()) {
    for (int row = used->row1; row <= used->row2; ++row) candidates.insert(row);
  }
  std::vector<int> rows;
  for (int row : candidates) {
    if (RowHeightIsCustom(row)) rows.push_back(row);
  }
  return rows;
}

const std::vector<Rect>& CalcWorksheet::MergedCells() const { return merged_; }

void CalcWorksheet::Merge(const Rect& rect) {
  // Merges that overlap the new one join it, as in the spreadsheet.
  Rect joined = rect;
  std::vector<Rect> kept;
  for (const Rect& m : merged_) {
    const bool overlaps = m.row1 <= joined.row2 && joined.row1 <= m.row2 && m.col1 <= joined.col2 && joined.col1 <= m.col2;
    if (!overlaps) {
      kept.push_back(m);
      continue;
    }
    Reference<css::util::XMergeable>(UnoRange(m), UNO_QUERY_THROW)->merge(false);
    joined = Rect{std::min(joined.row1, m.row1), std::min(joined.col1, m.col1), std::max(joined.row2, m.row2),
                  std::max(joined.col2, m.col2)};
  }
  Reference<css::util::XMergeable>(UnoRange(joined), UNO_QUERY_THROW)->merge(true);
  kept.push_back(joined);
  merged_ = std::move(kept);
}

std::pair<int, int> CalcWorksheet::FrozenPanes() const {
  Reference<css::sheet::XSpreadsheetView> view(book_.View(), UNO_QUERY);
  if (!view.is()) NotYet("frozen panes of a document without a view");
  // The view's settings hold every sheet's split: making the sheet the
  // view's own to ask it lays the sheet out, most of a second for a data
  // sheet.
  const int index = Reference<css::sheet::XCellRangeAddressable>(sheet_, UNO_QUERY_THROW)->getRangeAddress().Sheet;
  if (std::optional<std::pair<int, int>> frozen = FrozenInViewSettings(book_.View(), index, book_.WorksheetCount()))
    return *frozen;
  view->setActiveSheet(sheet_);
  Reference<css::sheet::XViewFreezable> freeze(view, UNO_QUERY_THROW);
  if (!freeze->hasFrozenPanes()) return {0, 0};
  Reference<css::sheet::XViewSplitable> split(view, UNO_QUERY_THROW);
  // The split position is only published through this old interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return {split->getSplitRow(), split->getSplitColumn()};
#pragma GCC diagnostic pop
}

void CalcWorksheet::FreezePanes(int rows, int cols) {
  Reference<css::sheet::XSpreadsheetView> view(book_.View(), UNO_QUERY);
  if (!view.is()) NotYet("frozen panes of a document without a view");
  view->setActiveSheet(sheet_);
  Reference<css::sheet::XViewFreezable> freeze(view, UNO_QUERY_THROW);
  freeze->freezeAtPosition(cols, rows);
  // A view without a window (a hidden document of a headless office)
  // takes the call and freezes nothing.
  if (freeze->hasFrozenPanes() != (rows > 0 || cols > 0)) NotYet("frozen panes in a document without a window");
}

int CalcWorksheet::Zoom() const {
  Reference<css::sheet::XSpreadsheetView> view(book_.View(), UNO_QUERY);
  if (!view.is()) NotYet("the zoom of a document without a view");
  view->setActiveSheet(sheet_);
  sal_Int16 zoom = 100;
  Reference<css::beans::XPropertySet>(view, UNO_QUERY_THROW)->getPropertyValue("ZoomValue") >>= zoom;
  return zoom;
}

void CalcWorksheet::SetZoom(int percent) {
  if (percent < 10 || percent > 400) ThrowRangeError("zoom " + std::to_string(percent));
  Reference<css::sheet::XSpreadsheetView> view(book_.View(), UNO_QUERY);
  if (!view.is()) NotYet("the zoom of a document without a view");
  view->setActiveSheet(sheet_);
  Reference<css::beans::XPropertySet>(view, UNO_QUERY_THROW)
      ->setPropertyValue("ZoomValue", css::uno::Any(static_cast<sal_Int16>(percent)));
}

void CalcWorksheet::SetCarriedFeatures(std::shared_ptr<const CarriedSheetFeatures> features) {
  if (features != nullptr)
    throw Error(kErrRange, kHostSource, "A Calc sheet keeps its own file's features: nothing to carry");
}

}  // namespace plrxl::calc
