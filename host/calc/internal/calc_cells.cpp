// CalcWorksheet's cells: values and formulas written in bulk, read in
// blocks.
#include <cmath>

#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XCellFormatRangesSupplier.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>

#include "host/calc/internal/calc_objects.h"
#include "host/calc/internal/calc_text.h"
#include "host/format_limits.h"
#include "host/internal/host_errors.h"

namespace plrxl::calc {
namespace {

// Reads fetch blocks of this size: a column of a data sheet comes in a few
// calls, an empty corner costs little.
constexpr int kChunkRows = 512;
constexpr int kChunkCols = 8;

int ChunkKey(int row, int col) { return (row - 1) / kChunkRows * (kMaxCols / kChunkCols) + (col - 1) / kChunkCols; }
Rect ChunkRect(int key) {
  const int block_row = key / (kMaxCols / kChunkCols), block_col = key % (kMaxCols / kChunkCols);
  return Rect{block_row * kChunkRows + 1, block_col * kChunkCols + 1, (block_row + 1) * kChunkRows,
              (block_col + 1) * kChunkCols};
}
size_t ChunkOffset(int row, int col) {
  return static_cast<size_t>((row - 1) % kChunkRows * kChunkCols + (col - 1) % kChunkCols);
}

void CheckCell(int row, int col) {
  if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols)
    ThrowRangeError("cell (" + std::to_string(row) + ", " + std::to_string(col) + ") is outside the sheet");
}

// Calc's error codes and the spreadsheet errors they stand for; Calc holds
// errors only as formula results, so each has a formula that makes it.
struct ErrorEntry {
  CellError error;
  sal_uInt16 code;
  const char* formula;
};
constexpr ErrorEntry kErrors[] = {
    {CellError::kNA, 32767, "=NA()"},        {CellError::kDiv0, 532, "=1/0"},
    {CellError::kValue, 519, "=\"a\"+1"},    {CellError::kRef, 524, "=#REF!"},
    {CellError::kName, 525, "=#NAME?"},      {CellError::kNum, 503, "=SQRT(-1)"},
    {CellError::kNull, 521, "=#NULL!"},
};

CellError ErrorOfCode(sal_uInt16 code) {
  for (const ErrorEntry& e : kErrors)
    if (e.code == code) return e.error;
  if (code == 502) return CellError::kNum;  // an argument outside the function's domain
  return CellError::kValue;
}

// What a waiting value is written as: Calc's formula for a value it cannot
// hold as a constant, or empty.
std::string FormulaFor(const Variant& value) {
  if (value.IsText() && value.Text().empty()) return "=\"\"";
  if (value.IsError()) {
    for (const ErrorEntry& e : kErrors)
      if (e.error == value.ErrorValue()) return e.formula;
  }
  return "";
}

css::uno::Any AnyOf(const Variant& value) {
  switch (value.Type()) {
    case VarType::kNumber:
      return css::uno::Any(value.Number());
    case VarType::kDate:
      return css::uno::Any(value.DateSerial());
    case VarType::kBoolean:
      return css::uno::Any(value.Boolean() ? 1.0 : 0.0);
    case VarType::kText:
      return css::uno::Any(ToOu(value.Text()));
    default:
      return css::uno::Any(rtl::OUString());  // an empty text clears the cell
  }
}

template <typename F>
void ForEachAddress(const Reference<css::sheet::XSheetCellRanges>& ranges, F&& f) {
  if (!ranges.is()) return;
  for (const css::table::CellRangeAddress& a : ranges->getRangeAddresses()) f(a);
}

// Runs of waiting cells down each column (same kind of write), joined
// across neighbouring columns that cover the same rows.
struct Block {
  Rect rect;
  int kind;  // what the cells hold, as the caller counts kinds
};

template <typename Key, typename KindOf>
std::vector<Block> Blocks(const std::map<std::pair<int, int>, Key>& cells, KindOf kind_of) {
  std::vector<Block> runs;
  for (const auto& [at, item] : cells) {
    const auto [col, row] = at;
    const int kind = kind_of(item);
    if (!runs.empty()) {
      Block& last = runs.back();
      if (last.rect.col1 == col && last.rect.row2 == row - 1 && last.kind == kind) {
        last.rect.row2 = row;
        continue;
      }
    }
    runs.push_back({Rect{row, col, row, col}, kind});
  }
  std::vector<Block> blocks;
  std::map<std::tuple<int, int, int>, size_t> open;  // (row1, row2, kind) -> block
  for (const Block& run : runs) {
    const auto key = std::make_tuple(run.rect.row1, run.rect.row2, run.kind);
    auto it = open.find(key);
    if (it != open.end() && blocks[it->second].rect.col2 == run.rect.col1 - 1) {
      blocks[it->second].rect.col2 = run.rect.col1;
      continue;
    }
    open[key] = blocks.size();
    blocks.push_back(run);
  }
  return blocks;
}

}  // namespace

CalcWorksheet::CalcWorksheet(CalcWorkbook& book, Reference<css::sheet::XSpreadsheet> sheet)
    : book_(book), sheet_(std::move(sheet)) {}

Workbook& CalcWorksheet::Parent() { return book_; }

Reference<css::table::XCellRange> CalcWorksheet::UnoRange(const Rect& rect) const {
  return sheet_->getCellRangeByPosition(rect.col1 - 1, rect.row1 - 1, rect.col2 - 1, rect.row2 - 1);
}

void CalcWorksheet::FlushWorkbook() const { book_.FlushCells(); }

CalcWorksheet::Chunk CalcWorksheet::LoadChunk(const Rect& rect) const {
  const int rows = rect.Rows(), cols = rect.Cols();
  Chunk chunk(static_cast<size_t>(rows * cols));
  auto at = [&](int r, int c) -> Cell& { return chunk[static_cast<size_t>((r - rect.row1) * cols + (c - rect.col1))]; };
  auto each = [&](const css::table::CellRangeAddress& a, auto&& f) {
    for (int r = std::max(a.StartRow + 1, rect.row1); r <= std::min(a.EndRow + 1, rect.row2); ++r)
      for (int c = std::max(a.StartColumn + 1, rect.col1); c <= std::min(a.EndColumn + 1, rect.col2); ++c) f(r, c);
  };
  try {
    Reference<css::table::XCellRange> range = UnoRange(rect);
    Reference<css::sheet::XCellRangesQuery> query(range, UNO_QUERY_THROW);
    // Empty cells and empty texts both come as "": the query tells them
    // apart, and which cells hold formulas and errors.
    std::vector<bool> empty(chunk.size(), false);
    ForEachAddress(query->queryEmptyCells(), [&](const auto& a) {
      each(a, [&](int r, int c) { empty[static_cast<size_t>((r - rect.row1) * cols + (c - rect.col1))] = true; });
    });
    const css::uno::Sequence<css::uno::Sequence<css::uno::Any>> data =
        Reference<css::sheet::XCellRangeData>(range, UNO_QUERY_THROW)->getDataArray();

    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < cols; ++c) {
        if (empty[static_cast<size_t>(r * cols + c)]) continue;
        const css::uno::Any& any = data[r][c];
        double number = 0;
        rtl::OUString text;
        Cell& cell = chunk[static_cast<size_t>(r * cols + c)];
        if (any >>= number) cell.value = Variant(number);
        else if (any >>= text) cell.value = Variant(FromOu(text));
      }
    }
    namespace fr = css::sheet::FormulaResult;
    ForEachAddress(query->queryFormulaCells(fr::VALUE | fr::STRING | fr::ERROR), [&](const auto& a) {
      each(a, [&](int r, int c) { at(r, c).formula = true; });
    });
    ForEachAddress(query->queryFormulaCells(fr::ERROR), [&](const auto& a) {
      each(a, [&](int r, int c) {
        Reference<css::table::XCell> cell = sheet_->getCellByPosition(c - 1, r - 1);
        at(r, c).value = Variant(ErrorOfCode(static_cast<sal_uInt16>(cell->getError())));
      });
    });
    // A number's kind follows its format: one look per block of cells
    // formatted alike, which gives the block's styles as well.
    const int key = ChunkKey(rect.row1, rect.col1);
    std::vector<int> ids(chunk.size(), plain_style_id_);
    ForEachFormat(book_, range, [&](const CellStyle& style, const css::table::CellRangeAddress& a) {
      const int id = book_.InternStyle(style);
      each(a, [&](int r, int c) { ids[static_cast<size_t>((r - rect.row1) * cols + (c - rect.col1))] = id; });
      const VarType kind = KindOfStyle(id);
      if (kind == VarType::kNumber) return;
      each(a, [&](int r, int c) {
        Cell& cell = at(r, c);
        if (!cell.value.IsNumeric() || cell.value.IsDate()) return;
        cell.value = kind == VarType::kDate ? Variant::Date(cell.value.Number()) : Variant(cell.value.Number() != 0);
      });
    });
    if (plain_style_chunks_.count(key) == 0) style_chunks_.emplace(key, std::move(ids));
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read the cells of " + Name(), e);
  }
  return chunk;
}

std::optional<int> CalcWorksheet::KnownStyleId(int row, int col) const {
  if (auto known = style_ids_.find({col, row}); known != style_ids_.end()) return known->second;
  const int key = ChunkKey(row, col);
  if (auto block = style_chunks_.find(key); block != style_chunks_.end()) return block->second[ChunkOffset(row, col)];
  if (plain_style_chunks_.count(key) != 0) return plain_style_id_;
  return std::nullopt;
}

VarType CalcWorksheet::KindOfStyle(int style_id) const {
  return book_.KindOfFormat(book_.FormatKey(book_.StyleAt(style_id).number_format));
}

std::optional<CalcWorksheet::Cell> CalcWorksheet::AsRead(const Pending& pending, int row, int col) const {
  const Variant& value = pending.value;
  if (!pending.formula.empty()) {
    // Only the formulas that stand for an empty text or an error are known.
    if (value.IsText() || value.IsError()) return Cell{value, true};
    return std::nullopt;
  }
  // A date or a Boolean gets a format of its kind when its cell has none.
  if (!value.IsNumber()) return Cell{value, false};
  const std::optional<int> style = KnownStyleId(row, col);
  if (!style) return std::nullopt;
  switch (KindOfStyle(*style)) {
    case VarType::kDate:
      return Cell{Variant::Date(value.Number()), false};
    case VarType::kBoolean:
      return Cell{Variant(value.Number() != 0), false};
    default:
      return Cell{value, false};
  }
}

CalcWorksheet::Cell CalcWorksheet::ReadCell(int row, int col) const {
  CheckCell(row, col);
  if (auto waiting = pending_values_.find({col, row}); waiting != pending_values_.end()) {
    if (std::optional<Cell> known = AsRead(waiting->second, row, col)) return *known;
    // Calc must say what it makes of it.
    FlushWorkbook();
  }
  const int key = ChunkKey(row, col);
  if (empty_chunks_.count(key) != 0) return Cell{};
  auto found = chunks_.find(key);
  if (found != chunks_.end()) {
    const Cell& cell = found->second[ChunkOffset(row, col)];
    // A formula's value may wait on writes anywhere in the workbook.
    if (!cell.formula || !book_.HasPendingValues()) return cell;
  }
  FlushWorkbook();
  found = chunks_.find(key);
  if (found == chunks_.end()) {
    if (NoteEmptyBlocksFrom(key)) return Cell{};
    found = chunks_.emplace(key, LoadChunk(ChunkRect(key))).first;
    for (const Cell& cell : found->second) {
      if (!cell.formula) continue;
      formula_chunks_.insert(key);
      break;
    }
  }
  return found->second[ChunkOffset(row, col)];
}

Variant CalcWorksheet::CellValue(int row, int col) const { return ReadCell(row, col).value; }

bool CalcWorksheet::IsCellEmpty(int row, int col) const {
  const Cell& cell = ReadCell(row, col);
  return cell.value.IsEmpty() && !cell.formula;
}

std::string CalcWorksheet::CellFormula(int row, int col) const {
  if (!ReadCell(row, col).formula) return "";
  try {
    return FormulaFromCalc(FromOu(sheet_->getCellByPosition(col - 1, row - 1)->getFormula()));
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read a formula of " + Name(), e);
  }
}

void CalcWorksheet::SetCellValue(int row, int col, const Variant& value) {
  CheckCell(row, col);
  if (value.IsArray() || value.IsObject()) throw Error(kErrTypeMismatch, kHostSource, "Type mismatch");
  if (value.IsText()) {
    if (std::string why = CellTextProblem(value.Text()); !why.empty())
      ThrowRangeError(CellName(*this, row, col) + ": " + why);
  }
  pending_values_[{col, row}] = Pending{value, FormulaFor(value)};
  WriteInto(row, col);
}

void CalcWorksheet::SetCellFormula(int row, int col, const std::string& formula, const Variant& cached) {
  CheckCell(row, col);
  (void)cached;  // Calc computes the formula's value itself
  if (std::string why = FormulaProblem(formula); !why.empty()) ThrowRangeError(CellName(*this, row, col) + ": " + why);
  pending_values_[{col, row}] = Pending{Variant(), formula};
  WriteInto(row, col);
}

bool CalcWorksheet::Flush() {
  FlushWidths();
  if (pending_values_.empty() && pending_styles_.empty()) return false;
  FlushStyles();
  const bool values = !pending_values_.empty();
  FlushValues();
  return values;
}

void CalcWorksheet::ForgetReadsIn(const Rect& rect, bool styles) const {
  for (int block_row = (rect.row1 - 1) / kChunkRows; block_row <= (rect.row2 - 1) / kChunkRows; ++block_row) {
    for (int block_col = (rect.col1 - 1) / kChunkCols; block_col <= (rect.col2 - 1) / kChunkCols; ++block_col) {
      const int key = block_row * (kMaxCols / kChunkCols) + block_col;
      chunks_.erase(key);
      formula_chunks_.erase(key);
      empty_chunks_.erase(key);
    }
  }
  if (styles) ForgetStylesIn(rect);
}

void CalcWorksheet::ForgetStylesIn(const Rect& rect) const {
  for (int block_row = (rect.row1 - 1) / kChunkRows; block_row <= (rect.row2 - 1) / kChunkRows; ++block_row) {
    for (int block_col = (rect.col1 - 1) / kChunkCols; block_col <= (rect.col2 - 1) / kChunkCols; ++block_col) {
      style_chunks_.erase(block_row * (kMaxCols / kChunkCols) + block_col);
      plain_style_chunks_.erase(block_row * (kMaxCols / kChunkCols) + block_col);
    }
  }
  for (int col = rect.col1; col <= rect.col2; ++col) {
    style_ids_.erase(style_ids_.lower_bound({col, rect.row1}), style_ids_.upper_bound({col, rect.row2}));
  }
}

void CalcWorksheet::WriteInto(int row, int col) {
  const int key = ChunkKey(row, col);
  auto empty = empty_chunks_.find(key);
  if (empty == empty_chunks_.end()) return;
  empty_chunks_.erase(empty);
  chunks_.emplace(key, Chunk(static_cast<size_t>(kChunkRows * kChunkCols)));
}

void CalcWorksheet::NoteNew() {
  ForgetReads();
  plain_style_id_ = book_.InternStyle(book_.DefaultStyle());
  for (int key = 0; key < kMaxRows / kChunkRows * (kMaxCols / kChunkCols); ++key) {
    empty_chunks_.insert(key);
    plain_style_chunks_.insert(key);
  }
}

void CalcWorksheet::NoteCleared(const Rect& rect, bool values, bool formats) const {
  if (formats) {
    plain_style_id_ = book_.InternStyle(book_.DefaultStyle());
    for (int col = rect.col1; col <= rect.col2; ++col)
      style_ids_.erase(style_ids_.lower_bound({col, rect.row1}), style_ids_.upper_bound({col, rect.row2}));
  }
  for (int block_row = (rect.row1 - 1) / kChunkRows; block_row <= (rect.row2 - 1) / kChunkRows; ++block_row) {
    for (int block_col = (rect.col1 - 1) / kChunkCols; block_col <= (rect.col2 - 1) / kChunkCols; ++block_col) {
      const int key = block_row * (kMaxCols / kChunkCols) + block_col;
      const Rect block = ChunkRect(key);
      const Rect in{std::max(block.row1, rect.row1), std::max(block.col1, rect.col1), std::min(block.row2, rect.row2),
                    std::min(block.col2, rect.col2)};
      const bool whole = in.row1 == block.row1 && in.row2 == block.row2 && in.col1 == block.col1 && in.col2 == block.col2;
      auto cells = chunks_.find(key);
      if (values && whole) {
        if (cells != chunks_.end()) chunks_.erase(cells);
        formula_chunks_.erase(key);
        empty_chunks_.insert(key);
      } else if (values && cells != chunks_.end()) {
        for (int r = in.row1; r <= in.row2; ++r)
          for (int c = in.col1; c <= in.col2; ++c) cells->second[ChunkOffset(r, c)] = Cell{};
      } else if (formats && cells != chunks_.end()) {
        // The values kept lose their formats' kinds: read them again.
        chunks_.erase(cells);
        formula_chunks_.erase(key);
      }
      if (!formats) continue;
      auto styles = style_chunks_.find(key);
      if (whole) {
        if (styles != style_chunks_.end()) style_chunks_.erase(styles);
        plain_style_chunks_.insert(key);
      } else if (styles != style_chunks_.end()) {
        for (int r = in.row1; r <= in.row2; ++r)
          for (int c = in.col1; c <= in.col2; ++c) styles->second[ChunkOffset(r, c)] = plain_style_id_;
      }
    }
  }
}

void CalcWorksheet::Rekind(int row, int col, int style_id) const {
  const int key = ChunkKey(row, col);
  auto found = chunks_.find(key);
  if (found == chunks_.end()) return;
  Cell& cell = found->second[ChunkOffset(row, col)];
  if (!cell.value.IsNumeric() && !cell.value.IsBoolean()) return;
  const VarType kind = KindOfStyle(style_id);
  if (cell.value.IsBoolean() || kind == VarType::kBoolean) {
    if (cell.value.Type() == kind) return;
    chunks_.erase(found);
    formula_chunks_.erase(key);
    return;
  }
  cell.value = kind == VarType::kDate ? Variant::Date(cell.value.Number()) : Variant(cell.value.Number());
}

void CalcWorksheet::KeepReadsOf(const Rect& rect, const std::map<std::pair<int, int>, Pending>& written) const {
  for (int col = rect.col1; col <= rect.col2; ++col) {
    for (int row = rect.row1; row <= rect.row2; ++row) {
      const int key = ChunkKey(row, col);
      auto found = chunks_.find(key);
      if (found == chunks_.end()) continue;
      if (std::optional<Cell> known = AsRead(written.at({col, row}), row, col)) {
        found->second[ChunkOffset(row, col)] = std::move(*known);
      } else {
        chunks_.erase(found);
        formula_chunks_.erase(key);
      }
    }
  }
}

void CalcWorksheet::ForgetFormulaReads() const {
  for (int key : formula_chunks_) chunks_.erase(key);
  formula_chunks_.clear();
}

void CalcWorksheet::FlushValues() {
  if (pending_values_.empty()) return;
  std::map<std::pair<int, int>, Pending> cells;
  cells.swap(pending_values_);
  enum { kConstant, kFormula };
  const std::vector<Block> blocks =
      Blocks(cells, [](const Pending& p) { return p.formula.empty() ? kConstant : kFormula; });
  try {
    for (const Block& block : blocks) {
      const Rect& r = block.rect;
      // Calc may give a formula over a date a date format of its own. What
      // was read where constants went is brought up to date instead.
      if (block.kind == kFormula) ForgetReadsIn(r, true);
      else KeepReadsOf(r, cells);
      Reference<css::table::XCellRange> range = UnoRange(r);
      if (block.kind == kConstant) {
        css::uno::Sequence<css::uno::Sequence<css::uno::Any>> rows(r.Rows());
        for (int i = 0; i < r.Rows(); ++i) {
          css::uno::Sequence<css::uno::Any> row(r.Cols());
          for (int j = 0; j < r.Cols(); ++j) row.getArray()[j] = AnyOf(cells.at({r.col1 + j, r.row1 + i}).value);
          rows.getArray()[i] = row;
        }
        Reference<css::sheet::XCellRangeData>(range, UNO_QUERY_THROW)->setDataArray(rows);
      } else {
        css::uno::Sequence<css::uno::Sequence<rtl::OUString>> rows(r.Rows());
        for (int i = 0; i < r.Rows(); ++i) {
          css::uno::Sequence<rtl::OUString> row(r.Cols());
          for (int j = 0; j < r.Cols(); ++j)
            row.getArray()[j] = ToOu(FormulaToCalc(cells.at({r.col1 + j, r.row1 + i}).formula));
          rows.getArray()[i] = row;
        }
        Reference<css::sheet::XCellRangeFormula>(range, UNO_QUERY_THROW)->setFormulaArray(rows);
      }
    }
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot write the cells of " + Name(), e);
  }
  // Dates and Booleans need a format that says so, unless their cells have
  // one.
  std::map<std::pair<int, int>, VarType> kinds;
  for (const auto& [at, p] : cells) {
    if (p.formula.empty() && (p.value.IsDate() || p.value.IsBoolean())) kinds[at] = p.value.Type();
  }
  std::vector<std::pair<Rect, VarType>> runs;
  for (const Block& b : Blocks(kinds, [](VarType t) { return static_cast<int>(t); }))
    runs.emplace_back(b.rect, static_cast<VarType>(b.kind));
  ApplyKindFormats(runs);
}

void CalcWorksheet::ApplyKindFormats(const std::vector<std::pair<Rect, VarType>>& runs) {
  if (runs.empty()) return;
  try {
    for (const auto& [rect, kind] : runs) {
      if (std::optional<int> first = KnownStyleId(rect.row1, rect.col1)) {
        if (KindOfStyle(*first) == kind) continue;
      } else {
        Reference<css::beans::XPropertySet> cell(sheet_->getCellByPosition(rect.col1 - 1, rect.row1 - 1),
                                                 UNO_QUERY_THROW);
        sal_Int32 key = 0;
        cell->getPropertyValue("NumberFormat") >>= key;
        if (book_.KindOfFormat(key) == kind) continue;
      }
      const std::string code = kind == VarType::kDate ? book_.Host().Regional().short_date : "BOOLEAN";
      // The cells keep their other formatting: their known styles follow.
      std::map<int, int> restyled;
      for (int col = rect.col1; col <= rect.col2; ++col) {
        for (int row = rect.row1; row <= rect.row2; ++row) {
          const std::optional<int> id = KnownStyleId(row, col);
          if (!id) {
            ForgetStylesIn(Rect{row, col, row, col});
            continue;
          }
          auto it = restyled.find(*id);
          if (it == restyled.end()) {
            CellStyle style = book_.StyleAt(*id);
            style.number_format = code;
            it = restyled.emplace(*id, book_.InternStyle(style)).first;
          }
          style_ids_[{col, row}] = it->second;
        }
      }
      Reference<css::beans::XPropertySet> props(UnoRange(rect), UNO_QUERY_THROW);
      props->setPropertyValue("NumberFormat", css::uno::Any(book_.FormatKey(code)));
    }
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot format the dates of " + Name(), e);
  }
}

void CalcWorksheet::FlushStyles() {
  if (pending_styles_.empty()) return;
  std::map<std::pair<int, int>, int> cells;
  cells.swap(pending_styles_);
  // What was read there took the new formats' kinds when they were set.
  for (const Block& block : Blocks(cells, [](int id) { return id; }))
    ApplyStyle(book_, UnoRange(block.rect), book_.StyleAt(block.kind));
}

void CalcWorksheet::SetCellStyleId(int row, int col, int style_id) {
  CheckCell(row, col);
  book_.StyleAt(style_id);  // an unknown id fails here, not at the flush
  pending_styles_[{col, row}] = style_id;
  style_ids_[{col, row}] = style_id;
  Rekind(row, col, style_id);
}

void CalcWorksheet::SetCellStyle(int row, int col, const CellStyle& style) {
  SetCellStyleId(row, col, book_.InternStyle(style));
}

CellStyle CalcWorksheet::CellStyleAt(int row, int col) const { return book_.StyleAt(CellStyleId(row, col)); }

int CalcWorksheet::CellStyleId(int row, int col) const {
  CheckCell(row, col);
  if (std::optional<int> known = KnownStyleId(row, col)) return *known;
  // Read by blocks: a round trip per cell would take minutes for a sheet.
  FlushWorkbook();
  if (std::optional<int> known = KnownStyleId(row, col)) return *known;
  const int key = ChunkKey(row, col);
  return style_chunks_.emplace(key, LoadStyleChunk(ChunkRect(key))).first->second[ChunkOffset(row, col)];
}

bool CalcWorksheet::NoteEmptyBlocksFrom(int key) const {
  const Rect block = ChunkRect(key);
  int first_used = kMaxRows + 1;
  try {
    namespace flags = css::sheet::CellFlags;
    Reference<css::sheet::XCellRangesQuery> query(UnoRange(Rect{block.row1, block.col1, kMaxRows, block.col2}),
                                                  UNO_QUERY_THROW);
    ForEachAddress(query->queryContentCells(flags::VALUE | flags::DATETIME | flags::STRING | flags::FORMULA),
                   [&](const auto& a) { first_used = std::min(first_used, std::max(a.StartRow + 1, block.row1)); });
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot search the cells of " + Name(), e);
  }
  for (int k = key; ChunkRect(k).row1 <= kMaxRows && ChunkRect(k).row2 < first_used; k += kMaxCols / kChunkCols) {
    if (chunks_.count(k) == 0) empty_chunks_.insert(k);
  }
  return empty_chunks_.count(key) != 0;
}

std::vector<int> CalcWorksheet::LoadStyleChunk(const Rect& rect) const {
  std::vector<int> ids(static_cast<size_t>(rect.Rows() * rect.Cols()), book_.InternStyle(book_.DefaultStyle()));
  try {
    ForEachFormat(book_, UnoRange(rect), [&](const CellStyle& style, const css::table::CellRangeAddress& a) {
      const int id = book_.InternStyle(style);
      for (int r = std::max(a.StartRow + 1, rect.row1); r <= std::min(a.EndRow + 1, rect.row2); ++r)
        for (int c = std::max(a.StartColumn + 1, rect.col1); c <= std::min(a.EndColumn + 1, rect.col2); ++c)
          ids[static_cast<size_t>((r - rect.row1) * rect.Cols() + (c - rect.col1))] = id;
    });
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read the formats of " + Name(), e);
  }
  return ids;
}

}  // namespace plrxl::calc
