#include "host/formula/internal/interpreter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "host/format_limits.h"
#include "host/formula/internal/function_table.h"

namespace plrxl::formula {
namespace {

// Defined names that refer to other names stop here (a loop of names).
constexpr int kMaxNameDepth = 16;

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

int Rank(const Value& v) { return v.IsNumber() ? 0 : v.IsText() ? 1 : 2; }

// As Lower(x) against Lower(y), without copying: a lookup compares one text
// with every cell of a range, and the text may be 32,767 characters long.
int CompareIgnoringCase(const std::string& x, const std::string& y) {
  const size_t n = std::min(x.size(), y.size());
  for (size_t i = 0; i < n; ++i) {
    const int a = std::tolower(static_cast<unsigned char>(x[i])), b = std::tolower(static_cast<unsigned char>(y[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return x.size() < y.size() ? -1 : x.size() > y.size() ? 1 : 0;
}

// The size along one axis of an array operation over arrays of sizes a and
// b. An array of one row or column repeats along it; else, as LibreOffice
// has it, arithmetic keeps the cells both arrays have, and comparisons and
// functions go on to the larger array, whose cells beyond the smaller one
// are errors.
int StretchedSize(int a, int b, bool to_larger) {
  if (a == 1) return b;
  if (b == 1) return a;
  return to_larger ? std::max(a, b) : std::min(a, b);
}

const Value& ElementAt(const Value& v, int r, int c, const Value& outside) {
  if (!v.IsArray()) return v;
  const Matrix& m = v.array();
  const int rr = m.rows == 1 ? 0 : r, cc = m.cols == 1 ? 0 : c;
  return rr < m.rows && cc < m.cols ? m.At(rr, cc) : outside;
}

}  // namespace

Value NumberResult(double n, bool date) {
  if (!std::isfinite(n)) return Value::Error(CellError::kNum);
  return Value::Number(n, date);
}

std::optional<CellError> NumberOf(const Value& v, double* n, bool date1904) {
  switch (v.kind()) {
    case Value::Kind::kNumber:
    case Value::Kind::kBoolean: *n = v.number(); return std::nullopt;
    case Value::Kind::kEmpty: *n = 0; return std::nullopt;
    case Value::Kind::kText:
      if (ParseNumberText(v.text(), date1904, n)) return std::nullopt;
      return CellError::kValue;
    case Value::Kind::kError: return v.error();
    default: return CellError::kValue;
  }
}

double ToNumber(const Value& v, bool date1904) {
  double n;
  if (const auto error = NumberOf(v, &n, date1904)) throw ErrorResult{*error};
  return n;
}

std::string ToText(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kNumber: return NumberText(v.number());
    case Value::Kind::kBoolean: return v.boolean() ? "TRUE" : "FALSE";
    case Value::Kind::kEmpty: return "";
    case Value::Kind::kText: return v.text();
    case Value::Kind::kError: throw ErrorResult{v.error()};
    default: throw ErrorResult{CellError::kValue};
  }
}

bool ToBool(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kNumber:
    case Value::Kind::kBoolean: return v.number() != 0;
    case Value::Kind::kEmpty: return false;
    case Value::Kind::kText: {
      const std::string t = Lower(v.text());
      if (t == "true") return true;
      if (t == "false") return false;
      throw ErrorResult{CellError::kValue};
    }
    case Value::Kind::kError: throw ErrorResult{v.error()};
    default: throw ErrorResult{CellError::kValue};
  }
}

int CompareValues(const Value& a0, const Value& b0) {
  Value a = a0, b = b0;
  if (a.IsEmpty() && b.IsEmpty()) return 0;
  if (a.IsEmpty()) a = b.IsNumber() ? Value::Number(0) : b.IsText() ? Value::Text("") : Value::Boolean(false);
  if (b.IsEmpty()) b = a.IsNumber() ? Value::Number(0) : a.IsText() ? Value::Text("") : Value::Boolean(false);
  const int ra = Rank(a), rb = Rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (a.IsText()) {
    return CompareIgnoringCase(a.text(), b.text());
  }
  return a.number() < b.number() ? -1 : a.number() > b.number() ? 1 : 0;
}

Value ApplyBinary(const std::string& op, const Value& a, const Value& b) {
  if (a.IsError()) return a;
  if (b.IsError()) return b;
  try {
    // Told apart by their first character: an array operation runs this
    // for each of millions of cells.
    switch (op[0]) {
      case '&': {
        TextBuilder joined;
        joined.Add(ToText(a));
        joined.Add(ToText(b));
        return Value::Text(joined.Take());
      }
      case '=': return Value::Boolean(CompareValues(a, b) == 0);
      case '<': {
        const int c = CompareValues(a, b);
        return Value::Boolean(op == "<>" ? c != 0 : op == "<=" ? c <= 0 : c < 0);
      }
      case '>': {
        const int c = CompareValues(a, b);
        return Value::Boolean(op == ">=" ? c >= 0 : c > 0);
      }
    }
    // Without an exception: a text in an array operation is an error in
    // each of its cells, and throwing a hundred thousand of them took most
    // of the time of such a formula.
    double x, y;
    if (const auto error = NumberOf(a, &x)) return Value::Error(*error);
    if (const auto error = NumberOf(b, &y)) return Value::Error(*error);
    switch (op[0]) {
      case '+': return NumberResult(x + y, a.IsDate() != b.IsDate());
      case '-': return NumberResult(x - y, a.IsDate() && !b.IsDate());
      case '*': return NumberResult(x * y);
      case '/':
        if (y == 0) return Value::Error(CellError::kDiv0);
        return NumberResult(x / y);
      case '^':
        if (x == 0 && y < 0) return Value::Error(CellError::kNum);
        if (x < 0 && y != std::floor(y)) {
          // An odd root of a negative number is real: (-8)^(1/3) is -2.
          const double inverse = 1 / y;
          if (std::fabs(inverse - std::round(inverse)) < 1e-10 && std::fmod(std::round(inverse), 2) != 0)
            return NumberResult(-std::pow(-x, y));
        }
        return NumberResult(std::pow(x, y));
    }
  } catch (const ErrorResult& e) {
    return Value::Error(e.error);
  }
  return Value::Error(CellError::kValue);
}

Value Grid::At(int r, int c) const {
  if (is_block_) return in_->ReadCell(block_.sheet, block_.row1 + r, block_.col1 + c);
  if (matrix_) {
    if (r < matrix_->rows && c < matrix_->cols) return matrix_->At(r, c);
    return Value::Error(CellError::kNA);
  }
  return single_;
}

Grid Interpreter::ToGrid(const Value& v) {
  Grid g;
  g.in_ = this;
  if (v.IsRange()) {
    g.is_block_ = true;
    g.block_ = v.block();
    // Whole columns and rows end at the last cell in use.
    if (g.block_.row2 == kMaxRows || g.block_.col2 == kMaxCols) {
      const auto [last_row, last_col] = cells_.UsedExtent(g.block_.sheet);
      if (g.block_.row2 == kMaxRows) g.block_.row2 = std::max(g.block_.row1, std::min(g.block_.row2, last_row));
      if (g.block_.col2 == kMaxCols) g.block_.col2 = std::max(g.block_.col1, std::min(g.block_.col2, last_col));
    }
    g.rows = g.block_.Rows();
    g.cols = g.block_.Cols();
  } else if (v.IsArray()) {
    g.matrix_ = std::make_shared<Matrix>(v.array());
    g.rows = v.array().rows;
    g.cols = v.array().cols;
  } else {
    g.single_ = v;
  }
  return g;
}

void Interpreter::ForEachValue(const Value& v, const std::function<void(const Value&)>& visit) {
  if (v.IsRange()) {
    const CellBlock& b = v.block();
    cells_.ForEachCell(b.sheet, Rect{b.row1, b.col1, b.row2, b.col2}, [&](int row, int col) {
      const Value x = ReadCell(b.sheet, row, col);
      if (!x.IsEmpty()) visit(x);
    });
  } else if (v.IsArray()) {
    for (const Value& x : v.array().cells) {
      if (!x.IsEmpty()) visit(x);
    }
  } else if (!v.IsEmpty()) {
    visit(v);
  }
}

std::optional<CellBlock> Interpreter::Resolve(const CellRef& ref) {
  int sheet = sheet_;
  if (!ref.sheet.empty()) {
    sheet = cells_.SheetIndex(ref.sheet);
    if (sheet < 0) throw Uncomputable{"", "it refers to the sheet '" + ref.sheet + "', which the workbook does not hold"};
  }
  return CellBlock{sheet, ref.row1, ref.col1, ref.row2, ref.col2};
}

std::optional<CellBlock> Interpreter::ResolveName(const std::string& name) {
  const std::string* refers_to = cells_.DefinedName(name);
  if (refers_to == nullptr) return std::nullopt;
  if (std::optional<ParsedAddress> r1c1 = ParseR1C1(*refers_to)) {
    const int sheet = r1c1->sheet.empty() ? sheet_ : cells_.SheetIndex(r1c1->sheet);
    if (sheet < 0) return std::nullopt;
    return CellBlock{sheet, r1c1->rect.row1, r1c1->rect.col1, r1c1->rect.row2, r1c1->rect.col2};
  }
  ParseResult parsed = ParseFormula(*refers_to);
  if (!parsed.root || parsed.root->kind != NodeKind::kRef) return std::nullopt;
  return Resolve(parsed.root->ref);
}

Value Interpreter::ToScalar(const Value& v) {
  if (v.IsRange()) {
    const CellBlock& b = v.block();
    if (b.IsCell()) return ReadCell(b.sheet, b.row1, b.col1);
    if (b.col1 == b.col2 && row_ >= b.row1 && row_ <= b.row2) return ReadCell(b.sheet, row_, b.col1);
    if (b.row1 == b.row2 && col_ >= b.col1 && col_ <= b.col2) return ReadCell(b.sheet, b.row1, col_);
    return Value::Error(CellError::kValue);
  }
  if (v.IsArray()) return v.array().cells.empty() ? Value() : v.array().cells[0];
  return v;
}

Value Interpreter::ToArrayIfRange(const Value& v) {
  if (!v.IsRange()) return v;
  const Grid g = ToGrid(v);
  ChargeCells(static_cast<long long>(g.rows) * g.cols);
  auto m = std::make_shared<Matrix>();
  m->rows = g.rows, m->cols = g.cols;
  m->cells.reserve(static_cast<size_t>(g.rows) * static_cast<size_t>(g.cols));
  for (int r = 0; r < g.rows; ++r) {
    for (int c = 0; c < g.cols; ++c) {
      m->cells.push_back(g.At(r, c));
      ChargeText(m->cells.back());
    }
  }
  return Value::Array(std::move(m));
}

// What one formula's arrays may hold in all: kMaxArrayCells cells and 16 MB
// of text. A formula over a few whole columns stays far below; without
// limits a formula of forty characters could ask for more memory than the
// machine has, or run for hours.
constexpr size_t kMaxTextBytesMade = size_t{16} << 20;

void Interpreter::ChargeCells(long long cells) {
  cells_made_ += cells;
  if (cells_made_ > kMaxArrayCells) throw ErrorResult{CellError::kNum};
}

void Interpreter::ChargeText(const Value& v) {
  if (v.IsText()) ChargeTextBytes(v.text().size());
}

// A range read again for every cell of an array (MATCH(A1:A9000,B1:B9000,0)
// reads 81 million cells) counts toward a budget of its own: sixteen times
// the cells an array may hold, about a second of work.
constexpr long long kMaxCellReads = 16 * kMaxArrayCells;

void Interpreter::ChargeReads(long long cells) {
  cells_read_ += cells;
  if (cells_read_ > kMaxCellReads) throw ErrorResult{CellError::kNum};
}

long long Interpreter::Size(const Value& v) {
  if (!v.IsArray() && !v.IsRange()) return 1;
  const Grid g = ToGrid(v);  // a whole column: the rows in use
  return static_cast<long long>(g.rows) * g.cols;
}

void Interpreter::ChargeTextBytes(size_t bytes) {
  text_bytes_made_ += bytes;
  if (text_bytes_made_ > kMaxTextBytesMade) throw ErrorResult{CellError::kNum};
}

// A text that an array operation repeats, a single text or the cells of a
// row or column stretched along the other array, is read once for each
// cell of the result: FIND("b",REPT("a",32000),ROW(1:65536)) reads two
// gigabytes. It counts against the formula's text as often.
void Interpreter::ChargeRepeatedText(const Value& v, long long cells) {
  if (v.IsText()) return ChargeTextBytes(v.text().size() * static_cast<size_t>(cells));
  if (!v.IsArray()) return;
  const auto own = static_cast<long long>(v.array().cells.size());
  if (own == 0 || cells <= own) return;
  size_t bytes = 0;
  for (const Value& x : v.array().cells) bytes += x.IsText() ? x.text().size() : 0;
  ChargeTextBytes(bytes * static_cast<size_t>(cells / own - 1));  // the first reading counted when it was made
}

void TextBuilder::Add(const std::string& piece) {
  text_ += piece;
  // A text has no more characters than bytes, so the characters of short
  // texts, nearly all of them, are never counted.
  if (text_.size() <= kMaxCellTextLength) return;
  chars_ += Utf8CharCount(std::string_view(text_).substr(counted_bytes_));
  counted_bytes_ = text_.size();
  if (chars_ > kMaxCellTextLength) throw ErrorResult{CellError::kValue};
}

Value Interpreter::EvalAsArray(const Node& node) {
  ++array_depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{array_depth_};
  return ToArrayIfRange(Eval(node));
}

Value Interpreter::Evaluate(const Node& root) {
  Value v;
  try {
    v = ToScalar(Eval(root));
  } catch (const ErrorResult& e) {
    v = Value::Error(e.error);
  }
  if (v.IsEmpty()) return Value::Number(0);
  if (v.IsNumber() && !std::isfinite(v.number())) return Value::Error(CellError::kNum);
  return v;
}

Matrix Interpreter::EvaluateArray(const Node& root, int rows, int cols) {
  Value v;
  try {
    v = EvalAsArray(root);
  } catch (const ErrorResult& e) {
    v = Value::Error(e.error);
  }
  Matrix out;
  out.rows = rows, out.cols = cols;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      Value x = v;
      if (v.IsArray()) {
        const Matrix& m = v.array();
        const int rr = m.rows == 1 ? 0 : r, cc = m.cols == 1 ? 0 : c;
        x = rr < m.rows && cc < m.cols ? m.At(rr, cc) : Value::Error(CellError::kNA);
      }
      out.cells.push_back(x.IsEmpty() ? Value::Number(0) : x);
    }
  }
  return out;
}

Value Interpreter::Eval(const Node& node) {
  switch (node.kind) {
    case NodeKind::kNumber: return Value::Number(node.number);
    case NodeKind::kText: return Value::Text(node.text);
    case NodeKind::kBoolean: return Value::Boolean(node.number != 0);
    case NodeKind::kError: return Value::Error(node.error);
    case NodeKind::kMissing: return Value();
    case NodeKind::kRef: return Value::Range(*Resolve(node.ref));
    case NodeKind::kName: {
      if (name_depth_ > kMaxNameDepth) throw Uncomputable{"", "the name " + node.text + " refers to itself"};
      ++name_depth_;
      std::optional<CellBlock> block;
      try {
        block = ResolveName(node.text);
      } catch (...) {
        --name_depth_;
        throw;
      }
      --name_depth_;
      if (!block) throw Uncomputable{"", "it uses the name " + node.text + ", which is not a defined reference"};
      return Value::Range(*block);
    }
    case NodeKind::kArray: {
      auto m = std::make_shared<Matrix>();
      m->rows = node.rows, m->cols = node.cols;
      for (const Node& child : node.children) m->cells.push_back(Eval(child));
      return Value::Array(std::move(m));
    }
    case NodeKind::kCall: return Call(node);
    case NodeKind::kUnary:
    case NodeKind::kPercent: return Unary(node);
    case NodeKind::kBinary: return Binary(node);
  }
  return Value::Error(CellError::kValue);
}

Value Interpreter::Call(const Node& node) {
  const FunctionEntry* entry = node.function;
  if (entry == nullptr) throw Uncomputable{node.text, ""};
  const int n = static_cast<int>(node.children.size());
  if (n < entry->min_args || n > entry->max_args) throw Uncomputable{node.text, "it is given " + std::to_string(n) + " argument(s)"};
  if (InArrayMode() && entry->single_value_args != 0) return CallPerCell(node, *entry);
  Args args(*this, node);
  return Invoke(*entry, args);
}

// The function's value for these arguments; an error it throws is its value.
Value Interpreter::Invoke(const FunctionEntry& entry, Args& args) {
  try {
    Value v = entry.impl(args);
    if (v.IsNumber() && !std::isfinite(v.number())) return Value::Error(CellError::kNum);
    return v;
  } catch (const ErrorResult& e) {
    return Value::Error(e.error);
  }
}

// ISNUMBER(A1:A9) where arrays are computed is nine Booleans: a function
// runs once for each cell of the arrays given where it takes one value
// (MATCH's key, but not the range it looks in, which is read again for
// each cell and counts as often). Every argument is computed first, IF's
// too. IF, IFERROR and IFNA take the shape of their first argument and
// pick #N/A from beyond a smaller array; the other functions give #VALUE!
// there.
Value Interpreter::CallPerCell(const Node& node, const FunctionEntry& entry) {
  const size_t n = node.children.size();
  std::vector<Value> values(n);
  std::vector<char> single(n);
  int rows = 0, cols = 0;
  for (size_t i = 0; i < n; ++i) {
    const Node& child = node.children[i];
    single[i] = entry.single_value_args == kEveryArgument || (i < 32 && (entry.single_value_args >> i & 1u) != 0);
    if (child.kind == NodeKind::kMissing) continue;
    values[i] = single[i] ? ToArrayIfRange(Eval(child)) : Eval(child);
    if (single[i] && values[i].IsArray()) {
      const Matrix& m = values[i].array();
      rows = rows == 0 ? m.rows : StretchedSize(rows, m.rows, true);
      cols = cols == 0 ? m.cols : StretchedSize(cols, m.cols, true);
    }
  }
  const bool picks = (entry.flags & kPicksByFirst) != 0;
  if (picks && n > 0 && values[0].IsArray()) rows = values[0].array().rows, cols = values[0].array().cols;
  auto call = [&](const std::vector<Value>& given) {
    Args args(*this, node, given);
    return ToScalar(Invoke(entry, args));
  };
  if (rows == 0) return call(values);
  const long long cells = static_cast<long long>(rows) * cols;
  ChargeCells(cells);
  for (size_t i = 0; i < n; ++i) {
    if (single[i]) ChargeRepeatedText(values[i], cells);
    else ChargeReads(Size(values[i]) * (cells - 1));
  }
  auto m = std::make_shared<Matrix>();
  m->rows = rows, m->cols = cols;
  m->cells.reserve(static_cast<size_t>(cells));
  const Value outside = Value::Error(picks ? CellError::kNA : CellError::kValue);
  std::vector<Value> cell(values);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      for (size_t i = 0; i < n; ++i) {
        if (single[i]) cell[i] = ElementAt(values[i], r, c, outside);
      }
      m->cells.push_back(call(cell));
      ChargeText(m->cells.back());
    }
  }
  return Value::Array(std::move(m));
}

Value Interpreter::Unary(const Node& node) {
  Value v = Eval(node.children[0]);
  if (InArrayMode()) v = ToArrayIfRange(v);
  auto apply = [&](const Value& x) -> Value {
    if (x.IsError()) return x;
    if (node.text == "+") return x;
    double n;
    if (const auto error = NumberOf(x, &n)) return Value::Error(*error);
    return node.kind == NodeKind::kPercent ? NumberResult(n / 100) : NumberResult(-n, x.IsDate());
  };
  if (v.IsArray()) {
    ChargeCells(static_cast<long long>(v.array().cells.size()));
    auto m = std::make_shared<Matrix>(v.array());
    for (Value& x : m->cells) x = apply(x);
    return Value::Array(std::move(m));
  }
  if (node.text == "+" && v.IsRange()) return v;
  return apply(ToScalar(v));
}

Value Interpreter::Binary(const Node& node) {
  Value a = Eval(node.children[0]);
  Value b = Eval(node.children[1]);
  if (InArrayMode()) {
    a = ToArrayIfRange(a);
    b = ToArrayIfRange(b);
  }
  if (a.IsArray() || b.IsArray()) return Elementwise(a, b, node.text);
  return ApplyBinary(node.text, ToScalar(a), ToScalar(b));
}

Value Interpreter::Elementwise(const Value& a0, const Value& b0, const std::string& op) {
  // A single value joined to every cell becomes text once, not per cell.
  auto single = [&](const Value& v) {
    const Value scalar = ToScalar(v);
    return op == "&" && !scalar.IsError() ? Value::Text(ToText(scalar)) : scalar;
  };
  const Value a = a0.IsArray() ? a0 : single(a0);
  const Value b = b0.IsArray() ? b0 : single(b0);
  auto dims = [](const Value& v) { return v.IsArray() ? std::pair(v.array().rows, v.array().cols) : std::pair(1, 1); };
  const auto [ar, ac] = dims(a);
  const auto [br, bc] = dims(b);
  const bool comparison = op[0] == '=' || op[0] == '<' || op[0] == '>';
  auto m = std::make_shared<Matrix>();
  m->rows = StretchedSize(ar, br, comparison), m->cols = StretchedSize(ac, bc, comparison);
  const long long cells = static_cast<long long>(m->rows) * m->cols;
  ChargeCells(cells);
  ChargeRepeatedText(a, cells);
  ChargeRepeatedText(b, cells);
  m->cells.reserve(static_cast<size_t>(cells));
  static const Value kOutside = Value::Error(CellError::kValue);
  for (int r = 0; r < m->rows; ++r) {
    for (int c = 0; c < m->cols; ++c) {
      m->cells.push_back(ApplyBinary(op, ElementAt(a, r, c, kOutside), ElementAt(b, r, c, kOutside)));
      ChargeText(m->cells.back());
    }
  }
  return Value::Array(std::move(m));
}

Value Args::Raw(int i) {
  if (Omitted(i)) return Value();
  return given_ != nullptr ? (*given_)[static_cast<size_t>(i)] : in_.Eval(NodeAt(i));
}

Value Args::Scalar(int i) { return Omitted(i) ? Value() : in_.ToScalar(Raw(i)); }

double Args::Number(int i) { return ToNumber(Scalar(i), Dates().Is1904()); }
double Args::Number(int i, double if_omitted) { return Omitted(i) ? if_omitted : Number(i); }
std::string Args::Text(int i) { return ToText(Scalar(i)); }
bool Args::Bool(int i) { return ToBool(Scalar(i)); }
bool Args::Bool(int i, bool if_omitted) { return Omitted(i) ? if_omitted : Bool(i); }

void CollectNumbers(Args& args, int first, int last, bool all_values, std::vector<double>& out) {
  for (int i = first; i <= last && i < args.Count(); ++i) {
    if (args.Omitted(i)) continue;
    const Value v = args.Raw(i);
    if (v.IsRange() || v.IsArray()) {
      args.In().ForEachValue(v, [&](const Value& x) {
        if (x.IsError()) throw ErrorResult{x.error()};
        if (x.IsNumber()) out.push_back(x.number());
        else if (all_values) out.push_back(x.IsBoolean() ? x.number() : 0);
      });
    } else if (v.IsText()) {
      throw ErrorResult{CellError::kValue};  // as LibreOffice: a text given directly is no number
    } else {
      out.push_back(ToNumber(v, args.Dates().Is1904()));
    }
  }
}

}  // namespace plrxl::formula
