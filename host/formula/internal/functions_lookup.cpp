// Lookup and reference functions.
#include <cmath>
#include <memory>
#include <optional>

#include "host/address.h"
#include "host/formula/internal/function_table.h"
#include "host/formula/internal/interpreter.h"
#include "host/formula/internal/wildcard.h"

namespace plrxl::formula {
namespace {

bool SameType(const Value& a, const Value& b) {
  return a.kind() == b.kind() || (a.IsEmpty() && b.IsNumber()) || (a.IsNumber() && b.IsEmpty());
}

// `pattern`: the key read as a pattern, when wildcards apply to it.
bool ExactMatch(const Value& key, const Value& cell, const WildcardPattern* pattern) {
  if (pattern != nullptr && cell.IsText()) return pattern->Matches(cell.text());
  return SameType(key, cell) && !cell.IsEmpty() && CompareValues(key, cell) == 0;
}

std::optional<WildcardPattern> PatternOf(const Value& key, bool wildcards) {
  if (!wildcards || !key.IsText()) return std::nullopt;
  return WildcardPattern(key.text());
}

// Position (0-based) in a row or column of `n` values read by `at`:
// mode 0 exact, 1 the largest value <= key (sorted ascending), -1 the
// smallest value >= key (sorted descending). -1 when none.
template <typename At>
int Find(const Value& key, int n, At at, int mode, bool wildcards = true) {
  if (key.IsError()) throw ErrorResult{key.error()};
  const std::optional<WildcardPattern> pattern = PatternOf(key, wildcards && mode == 0);
  int found = -1;
  for (int i = 0; i < n; ++i) {
    const Value v = at(i);
    if (mode == 0) {
      if (ExactMatch(key, v, pattern ? &*pattern : nullptr)) return i;
      continue;
    }
    if (!SameType(key, v) || v.IsEmpty()) continue;
    const int c = CompareValues(v, key);
    if (mode > 0) {
      if (c > 0) break;
      found = i;
      if (c == 0 && !key.IsText()) {
        // keep going: the last of equal values
      }
    } else {
      if (c < 0) break;
      found = i;
    }
  }
  return found;
}

Value VLookupImpl(Args& a, bool vertical) {
  const Value key = a.Scalar(0);
  const Grid table = a.GridAt(1);
  const double index = std::trunc(a.Number(2));
  const bool approximate = a.Bool(3, true);
  const int span = vertical ? table.cols : table.rows;
  if (index < 1) throw ErrorResult{CellError::kValue};
  if (index > span) throw ErrorResult{kBadArgument};
  const int n = vertical ? table.rows : table.cols;
  const int pos = Find(key, n, [&](int i) { return vertical ? table.At(i, 0) : table.At(0, i); }, approximate ? 1 : 0);
  if (pos < 0) throw ErrorResult{CellError::kNA};
  const int k = static_cast<int>(index) - 1;
  return vertical ? table.At(pos, k) : table.At(k, pos);
}
Value VLookup(Args& a) { return VLookupImpl(a, true); }
Value HLookup(Args& a) { return VLookupImpl(a, false); }

// A one-row or one-column grid as a vector.
struct Vector {
  Grid grid;
  int size() const { return grid.rows == 1 ? grid.cols : grid.rows; }
  Value operator()(int i) const { return grid.rows == 1 ? grid.At(0, i) : grid.At(i, 0); }
};

Value Lookup(Args& a) {
  const Value key = a.Scalar(0);
  const Grid g = a.GridAt(1);
  Vector keys{g};
  if (a.Omitted(2) && g.rows > 1 && g.cols > 1) {
    // An array form: search the first row or column, answer from the last.
    const bool by_rows = g.rows >= g.cols;
    const int n = by_rows ? g.rows : g.cols;
    const int pos = Find(key, n, [&](int i) { return by_rows ? g.At(i, 0) : g.At(0, i); }, 1);
    if (pos < 0) throw ErrorResult{CellError::kNA};
    return by_rows ? g.At(pos, g.cols - 1) : g.At(g.rows - 1, pos);
  }
  const int pos = Find(key, keys.size(), keys, 1);
  if (pos < 0) throw ErrorResult{CellError::kNA};
  if (a.Omitted(2)) return keys(pos);
  Vector results{a.GridAt(2)};
  if (pos >= results.size()) throw ErrorResult{CellError::kNA};
  return results(pos);
}

Value Match(Args& a) {
  const Value key = a.Scalar(0);
  const Vector v{a.GridAt(1)};
  if (v.grid.rows > 1 && v.grid.cols > 1) throw ErrorResult{CellError::kNA};
  const double type = a.Number(2, 1);
  const int pos = Find(key, v.size(), v, type > 0 ? 1 : type < 0 ? -1 : 0);
  if (pos < 0) throw ErrorResult{CellError::kNA};
  return Value::Number(pos + 1);
}

// XMATCH / XLOOKUP: match_mode 0 exact, -1 exact or next smaller, 1 exact
// or next larger, 2 wildcards; search_mode 1 first to last, -1 last to
// first (binary searches are done as linear ones).
int XFind(const Value& key, const Vector& v, int match_mode, int search_mode) {
  if (key.IsError()) throw ErrorResult{key.error()};
  if (match_mode < -1 || match_mode > 2 || search_mode == 0 || std::abs(search_mode) > 2) throw ErrorResult{CellError::kValue};
  const int n = v.size();
  const std::optional<WildcardPattern> pattern = PatternOf(key, match_mode == 2);
  int best = -1;
  Value best_value;
  for (int k = 0; k < n; ++k) {
    const int i = search_mode < 0 ? n - 1 - k : k;
    const Value x = v(i);
    if (ExactMatch(key, x, pattern ? &*pattern : nullptr)) return i;
    if (match_mode == 0 || match_mode == 2 || !SameType(key, x) || x.IsEmpty()) continue;
    const int c = CompareValues(x, key);
    if ((match_mode == -1 && c < 0) || (match_mode == 1 && c > 0)) {
      const bool better = best < 0 || (match_mode == -1 ? CompareValues(x, best_value) > 0 : CompareValues(x, best_value) < 0);
      if (better) best = i, best_value = x;
    }
  }
  return best;
}
Value XMatch(Args& a) {
  const Vector v{a.GridAt(1)};
  const int pos = XFind(a.Scalar(0), v, ClampToInt(a.Number(2, 0)), ClampToInt(a.Number(3, 1)));
  if (pos < 0) throw ErrorResult{CellError::kNA};
  return Value::Number(pos + 1);
}
Value XLookup(Args& a) {
  const Vector keys{a.GridAt(1)};
  const Value results_raw = a.Raw(2);
  const int pos = XFind(a.Scalar(0), keys, ClampToInt(a.Number(4, 0)), ClampToInt(a.Number(5, 1)));
  if (pos < 0) {
    if (!a.Omitted(3)) return a.Raw(3);
    throw ErrorResult{CellError::kNA};
  }
  if (results_raw.IsRange()) {
    CellBlock b = results_raw.block();
    if (keys.grid.rows == 1) b.col1 = b.col2 = b.col1 + pos;
    else b.row1 = b.row2 = b.row1 + pos;
    return Value::Range(b);
  }
  const Vector results{a.In().ToGrid(results_raw)};
  if (pos >= results.size()) throw ErrorResult{CellError::kNA};
  return results(pos);
}

Value Index(Args& a) {
  const Value source = a.Raw(0);
  double row = std::trunc(a.Number(1, 0)), col = std::trunc(a.Number(2, 0));
  const Grid g = a.In().ToGrid(source);
  if (row < 0 || col < 0) throw ErrorResult{CellError::kValue};
  if (a.Count() == 2 && g.rows == 1) std::swap(row, col);  // one row: the number picks a column
  if (row > g.rows || col > g.cols) throw ErrorResult{kBadArgument};
  if (source.IsRange()) {
    CellBlock b = source.block();
    if (row > 0) b.row1 = b.row2 = b.row1 + static_cast<int>(row) - 1;
    if (col > 0) b.col1 = b.col2 = b.col1 + static_cast<int>(col) - 1;
    return Value::Range(b);
  }
  // Of an array of one column (row), the number alone picks the cell; a 0
  // takes the whole row (column).
  if (col == 0 && g.cols == 1) col = 1;
  if (row == 0 && g.rows == 1) row = 1;
  if (row == 0 || col == 0) {
    auto part = std::make_shared<Matrix>();
    part->rows = row == 0 ? g.rows : 1;
    part->cols = col == 0 ? g.cols : 1;
    for (int r = 0; r < part->rows; ++r)
      for (int c = 0; c < part->cols; ++c)
        part->cells.push_back(g.At(row == 0 ? r : static_cast<int>(row) - 1, col == 0 ? c : static_cast<int>(col) - 1));
    return Value::Array(std::move(part));
  }
  return g.At(static_cast<int>(row) - 1, static_cast<int>(col) - 1);
}

Value Offset(Args& a) {
  const Value base = a.Raw(0);
  if (!base.IsRange()) throw ErrorResult{CellError::kValue};
  const CellBlock& b = base.block();
  const double rows = std::trunc(a.Number(1)), cols = std::trunc(a.Number(2));
  const double height = a.Omitted(3) ? b.Rows() : std::trunc(a.Number(3));
  const double width = a.Omitted(4) ? b.Cols() : std::trunc(a.Number(4));
  if (height < 1 || width < 1) throw ErrorResult{CellError::kRef};
  const double r1 = b.row1 + rows, c1 = b.col1 + cols;
  if (r1 < 1 || c1 < 1 || r1 + height - 1 > kMaxRows || c1 + width - 1 > kMaxCols) throw ErrorResult{kBadArgument};
  return Value::Range(CellBlock{b.sheet, static_cast<int>(r1), static_cast<int>(c1), static_cast<int>(r1 + height - 1),
                                static_cast<int>(c1 + width - 1)});
}

Value Indirect(Args& a) {
  const std::string text = a.Text(0);
  const bool a1 = a.Bool(1, true);
  std::optional<ParsedAddress> parsed = a1 ? ParseA1(text) : ParseR1C1(text);
  if (!parsed) {
    if (std::optional<CellBlock> named = a.In().ResolveName(text)) return Value::Range(*named);
    throw ErrorResult{CellError::kRef};
  }
  int sheet = a.In().Sheet();
  if (!parsed->sheet.empty()) {
    sheet = a.In().Cells().SheetIndex(parsed->sheet);
    if (sheet < 0) throw ErrorResult{CellError::kRef};
  }
  const Rect& r = parsed->rect;
  return Value::Range(CellBlock{sheet, r.row1, r.col1, r.row2, r.col2});
}

Value Choose(Args& a) {
  const double i = std::trunc(a.Number(0));
  if (i < 1 || i >= a.Count()) throw ErrorResult{CellError::kValue};
  return a.Raw(static_cast<int>(i));
}

Value RowOrColumn(Args& a, bool row) {
  if (a.Omitted(0)) return Value::Number(row ? a.In().Row() : a.In().Col());
  const Value v = a.Raw(0);
  if (!v.IsRange()) throw ErrorResult{CellError::kValue};
  const CellBlock& block = v.block();
  const int count = row ? block.Rows() : block.Cols();
  if (count == 1) return Value::Number(row ? block.row1 : block.col1);
  // Of several rows (columns), the list of their numbers: an array formula
  // fills its range with them, a one-cell formula shows the first.
  auto numbers = std::make_shared<Matrix>();
  numbers->rows = row ? count : 1;
  numbers->cols = row ? 1 : count;
  for (int i = 0; i < count; ++i) numbers->cells.push_back(Value::Number((row ? block.row1 : block.col1) + i));
  return Value::Array(std::move(numbers));
}
Value Row(Args& a) { return RowOrColumn(a, true); }
Value Column(Args& a) { return RowOrColumn(a, false); }
Value RowsOrColumns(Args& a, bool rows) {
  const Value v = a.Raw(0);
  if (v.IsRange()) return Value::Number(rows ? v.block().Rows() : v.block().Cols());
  if (v.IsArray()) return Value::Number(rows ? v.array().rows : v.array().cols);
  if (v.IsError()) return v;
  throw ErrorResult{kBadArgument};
}
Value Rows(Args& a) { return RowsOrColumns(a, true); }
Value Columns(Args& a) { return RowsOrColumns(a, false); }

Value Address(Args& a) {
  const double row = std::trunc(a.Number(0)), col = std::trunc(a.Number(1));
  const int abs_kind = ClampToInt(a.Number(2, 1));
  const bool a1 = a.Bool(3, true);
  if (row < 1 || col < 1 || row > kMaxRows || col > 16384 || abs_kind < 1 || abs_kind > 4) throw ErrorResult{CellError::kValue};
  const bool abs_row = abs_kind == 1 || abs_kind == 2, abs_col = abs_kind == 1 || abs_kind == 3;
  std::string out;
  if (!a.Omitted(4)) {
    const std::string sheet = a.Text(4);
    bool plain = !sheet.empty();
    for (char c : sheet) plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    out = (plain ? sheet : QuoteSheetName(sheet)) + "!";
  }
  const int r = static_cast<int>(row), c = static_cast<int>(col);
  if (a1) {
    std::string letters;
    for (int n = c; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    out += (abs_col ? "$" : "") + letters + (abs_row ? "$" : "") + std::to_string(r);
  } else {
    out += "R" + (abs_row ? std::to_string(r) : "[" + std::to_string(r) + "]");
    out += "C" + (abs_col ? std::to_string(c) : "[" + std::to_string(c) + "]");
  }
  return Value::Text(out);
}

const FunctionEntry kTable[] = {
    {"VLOOKUP", 3, 4, VLookup, kPlain, 1},
    {"HLOOKUP", 3, 4, HLookup, kPlain, 1},
    {"LOOKUP", 2, 3, Lookup},
    {"INDEX", 1, 3, Index},
    {"MATCH", 2, 3, Match, kPlain, 1},
    {"XLOOKUP", 3, 6, XLookup, kPlain, 1},
    {"XMATCH", 2, 4, XMatch, kPlain, 1},
    {"OFFSET", 3, 5, Offset, kDynamicRefs},
    {"INDIRECT", 1, 2, Indirect, kDynamicRefs},
    {"CHOOSE", 2, 255, Choose, kPlain, kEveryArgument},
    {"ROW", 0, 1, Row},
    {"ROWS", 1, 1, Rows},
    {"COLUMN", 0, 1, Column},
    {"COLUMNS", 1, 1, Columns},
    {"ADDRESS", 2, 5, Address},
};

}  // namespace

extern const FunctionFamily kLookupFunctions{"Lookup and reference", kTable, std::size(kTable)};

}  // namespace plrxl::formula
