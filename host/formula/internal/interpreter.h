// The interpreter: evaluates a parsed formula for one cell, reading other
// cells through a CellSource. Functions get their arguments through Args,
// which evaluates them on demand (IF evaluates only the branch it takes)
// and converts them the way the spreadsheet does.
#pragma once

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "host/address.h"
#include "host/formula/internal/date_system.h"
#include "host/formula/internal/parser.h"
#include "host/formula/internal/value.h"

namespace plrxl::formula {

// What a formula reads: implemented by the engine over the workbook.
class Args;

class CellSource {
 public:
  virtual ~CellSource() = default;
  // The value of a cell; a formula cell gives its current result. A
  // formula cell whose result cannot be computed throws Uncomputable.
  virtual Value ReadCell(int sheet, int row, int col) = 0;
  // Visits the cells of `rect` that hold anything, row by row.
  virtual void ForEachCell(int sheet, const Rect& rect, const std::function<void(int row, int col)>& visit) = 0;
  // 0-based index of a sheet by name (case-insensitive); -1 when none.
  virtual int SheetIndex(const std::string& name) = 0;
  virtual std::string SheetName(int sheet) = 0;
  // The last row and column holding anything on a sheet (0, 0 when empty).
  virtual std::pair<int, int> UsedExtent(int sheet) = 0;
  // What a defined name refers to ("='Sheet'!$A$1"); nullptr when none.
  virtual const std::string* DefinedName(const std::string& name) = 0;
};

// Thrown when a formula uses something the engine cannot compute; the
// caller keeps no made-up result.
struct Uncomputable {
  std::string function;  // the function's name, or empty
  std::string why;
};

// An argument outside what a function accepts (a negative square root, a
// month type 9): #VALUE!, as LibreOffice reports its "invalid argument"
// in files (the other well-known program documents #NUM! for most).
inline constexpr CellError kBadArgument = CellError::kValue;

// Thrown by argument conversions: the function gives this error value.
struct ErrorResult {
  CellError error;
};

// The most cells the arrays of one formula may have in all (30 columns of
// a whole sheet; a whole column's reference ends at the last row in use):
// more give #NUM!, and an array formula over more cells is not computed.
inline constexpr long long kMaxArrayCells = 2000000;

// Builds a formula's text piece by piece and refuses (#VALUE!) the piece
// that would make it longer than a cell of the file can hold (32,767
// characters), so no formula builds a text of gigabytes before it is
// checked. The spreadsheet programs that keep that limit answer #VALUE!.
class TextBuilder {
 public:
  void Add(const std::string& piece);
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
  size_t counted_bytes_ = 0;  // the first bytes of text_, whose characters are in chars_
  size_t chars_ = 0;
};

struct EvalSettings {
  DateSystem dates;
  double now = 0;  // serial of "now" in the date system
  std::mt19937_64* random = nullptr;
};

// The rows and columns of an argument seen as a table: a range (read cell
// by cell), an array or a single value (1 x 1).
class Grid {
 public:
  Grid() = default;
  int rows = 1, cols = 1;
  Value At(int r, int c) const;  // 0-based
  bool IsBlock() const { return is_block_; }
  const CellBlock& Block() const { return block_; }

 private:
  friend class Interpreter;
  class Interpreter* in_ = nullptr;
  bool is_block_ = false;
  CellBlock block_;
  Value single_;
  std::shared_ptr<const Matrix> matrix_;
};

class Interpreter {
 public:
  Interpreter(CellSource& cells, const EvalSettings& settings, int sheet, int row, int col)
      : cells_(cells), settings_(settings), sheet_(sheet), row_(row), col_(col) {}

  // The result of a formula for its cell: one scalar (a range by implicit
  // intersection, an array by its first element; empty becomes 0).
  Value Evaluate(const Node& root);
  // The result of an array formula over `rows` x `cols` cells.
  Matrix EvaluateArray(const Node& root, int rows, int cols);

  // For functions.
  Value Eval(const Node& node);               // ranges stay ranges
  Value ToScalar(const Value& v);             // implicit intersection
  Value ReadCell(int sheet, int row, int col) { return cells_.ReadCell(sheet, row, col); }
  Grid ToGrid(const Value& v);
  // Visits every value of a range or array argument that is not empty.
  void ForEachValue(const Value& v, const std::function<void(const Value&)>& visit);
  // The block a reference names, relative to the formula's cell.
  std::optional<CellBlock> Resolve(const CellRef& ref);
  std::optional<CellBlock> ResolveName(const std::string& name);
  CellSource& Cells() { return cells_; }
  const EvalSettings& Settings() const { return settings_; }
  int Sheet() const { return sheet_; }
  int Row() const { return row_; }
  int Col() const { return col_; }
  bool InArrayMode() const { return array_depth_ > 0; }
  // Evaluates `node` with ranges read as arrays (SUMPRODUCT's arguments).
  Value EvalAsArray(const Node& node);

 private:
  Value Call(const Node& node);
  Value CallPerCell(const Node& node, const FunctionEntry& entry);
  Value Invoke(const FunctionEntry& entry, Args& args);
  Value Unary(const Node& node);
  Value Binary(const Node& node);
  Value Elementwise(const Value& a, const Value& b, const std::string& op);
  Value ToArrayIfRange(const Value& v);
  // Counts the cells and texts the formula's arrays are given; past the
  // limits the formula gives #NUM!.
  void ChargeCells(long long cells);
  void ChargeText(const Value& v);
  void ChargeTextBytes(size_t bytes);
  void ChargeRepeatedText(const Value& v, long long cells);
  void ChargeReads(long long cells);
  long long Size(const Value& v);  // cells of a range or array; 1 for a single value

  CellSource& cells_;
  const EvalSettings& settings_;
  int sheet_, row_, col_;
  int array_depth_ = 0;
  int name_depth_ = 0;
  long long cells_made_ = 0;
  size_t text_bytes_made_ = 0;
  long long cells_read_ = 0;
};

// The scalar operators, shared with the elementwise ones.
Value ApplyBinary(const std::string& op, const Value& a, const Value& b);
// Compares two scalars as "=" and "<" do: numbers < texts < Booleans,
// texts without regard to case, empty as 0, "" or FALSE. -1, 0 or 1.
int CompareValues(const Value& a, const Value& b);

class Args {
 public:
  Args(Interpreter& in, const Node& call) : in_(in), call_(call) {}
  // The arguments already computed, one value for each of the call's.
  Args(Interpreter& in, const Node& call, const std::vector<Value>& given) : in_(in), call_(call), given_(&given) {}
  int Count() const { return static_cast<int>(call_.children.size()); }
  bool Omitted(int i) const { return i >= Count() || call_.children[static_cast<size_t>(i)].kind == NodeKind::kMissing; }
  const Node& NodeAt(int i) const { return call_.children[static_cast<size_t>(i)]; }
  Interpreter& In() { return in_; }
  const DateSystem& Dates() const { return in_.Settings().dates; }

  Value Raw(int i);     // ranges stay ranges; omitted: empty
  Value Scalar(int i);  // one value; omitted: empty
  // Conversions that throw ErrorResult for errors and for what cannot
  // convert (#VALUE!).
  double Number(int i);
  double Number(int i, double if_omitted);
  std::string Text(int i);
  bool Bool(int i);
  bool Bool(int i, bool if_omitted);
  Grid GridAt(int i) { return in_.ToGrid(Raw(i)); }

 private:
  Interpreter& in_;
  const Node& call_;
  const std::vector<Value>* given_ = nullptr;
};

// Scalar conversions as function arguments make them (throwing ErrorResult).
double ToNumber(const Value& v, bool date1904 = false);
// ToNumber without throwing: the error a value gives as a number, if any.
std::optional<CellError> NumberOf(const Value& v, double* n, bool date1904 = false);
std::string ToText(const Value& v);
bool ToBool(const Value& v);
// The value as an aggregate counts it when read from a range: numbers only.
inline bool IsRangeNumber(const Value& v) { return v.IsNumber(); }
// A number as a whole count or code, truncated and held within +-1e9 (so
// no cast overflows).
inline int ClampToInt(double n) {
  if (!(n == n)) return 0;
  return static_cast<int>(n < -1e9 ? -1e9 : n > 1e9 ? 1e9 : n);
}
// A finite result, else #NUM!.
Value NumberResult(double n, bool date = false);

// Collects the numbers of arguments first..last as SUM does: direct
// arguments convert (texts, Booleans), in ranges and arrays only numbers
// count; with `all_values` (AVERAGEA, MINA) texts in ranges count as 0 and
// Booleans as 1 / 0. The first error value met is thrown.
void CollectNumbers(Args& args, int first, int last, bool all_values, std::vector<double>& out);

}  // namespace plrxl::formula
