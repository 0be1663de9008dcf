// Sums, counts, averages and extremes of the cells that meet criteria
// ("<5", ">=2024-01-01", "ab*", "<>", 3).
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "host/formula/internal/function_table.h"
#include "host/formula/internal/interpreter.h"
#include "host/formula/internal/wildcard.h"

namespace plrxl::formula {
namespace {

class Criterion {
 public:
  Criterion(const Value& v, bool date1904) {
    if (v.IsError()) throw ErrorResult{v.error()};
    if (!v.IsText()) {
      op_ = "=";
      operand_ = v.IsEmpty() ? Value::Number(0) : v;
      return;
    }
    std::string t = v.text();
    for (const char* op : {"<=", ">=", "<>", "<", ">", "="}) {
      if (t.rfind(op, 0) == 0) {
        op_ = op;
        t = t.substr(std::string(op).size());
        break;
      }
    }
    if (op_.empty()) op_ = "=";
    double n;
    if (ParseNumberText(t, date1904, &n)) operand_ = Value::Number(n);
    else if (t == "TRUE" || t == "true") operand_ = Value::Boolean(true);
    else if (t == "FALSE" || t == "false") operand_ = Value::Boolean(false);
    else operand_ = Value::Text(t);
    if (operand_.IsText()) pattern_.emplace(operand_.text());
  }

  bool Matches(const Value& cell) const {
    if (operand_.IsText()) {
      const std::string& pattern = operand_.text();
      if (pattern.empty()) {
        const bool blank = cell.IsEmpty() || (cell.IsText() && cell.text().empty());
        return op_ == "=" ? blank : op_ == "<>" ? !blank : false;
      }
      if (op_ == "=" || op_ == "<>") {
        const bool eq = cell.IsText() && pattern_->Matches(cell.text());
        return op_ == "=" ? eq : !eq;
      }
      if (!cell.IsText()) return false;
      return Test(CompareValues(cell, operand_));
    }
    if (op_ == "=" && cell.IsText() && operand_.IsNumber()) {
      // "12" matches the text "12" as well as the number.
      double n;
      return ParseNumberText(cell.text(), false, &n) && n == operand_.number();
    }
    if (op_ == "<>") return !(cell.kind() == operand_.kind() && CompareValues(cell, operand_) == 0);
    if (cell.kind() != operand_.kind()) return false;
    return Test(CompareValues(cell, operand_));
  }

 private:
  bool Test(int c) const {
    if (op_ == "=") return c == 0;
    if (op_ == "<") return c < 0;
    if (op_ == ">") return c > 0;
    if (op_ == "<=") return c <= 0;
    return c >= 0;
  }
  std::string op_;
  Value operand_;
  std::optional<WildcardPattern> pattern_;  // a text operand, read once
};

// Visits the cells where every (range, criterion) pair of args from
// `first` on matches, giving the row and column within the ranges.
template <typename Visit>
void ForEachMatch(Args& a, int first, int rows_hint, int cols_hint, Visit visit) {
  std::vector<Grid> grids;
  std::vector<Criterion> criteria;
  for (int i = first; i + 1 < a.Count(); i += 2) {
    grids.push_back(a.GridAt(i));
    criteria.emplace_back(a.Scalar(i + 1), a.Dates().Is1904());
  }
  const int rows = rows_hint > 0 ? rows_hint : grids[0].rows;
  const int cols = cols_hint > 0 ? cols_hint : grids[0].cols;
  for (const Grid& g : grids) {
    if (rows_hint == 0 && (g.rows != rows || g.cols != cols)) throw ErrorResult{CellError::kValue};
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      bool all = true;
      for (size_t k = 0; k < grids.size() && all; ++k) {
        all = r < grids[k].rows && c < grids[k].cols && criteria[k].Matches(grids[k].At(r, c));
      }
      if (all) visit(r, c);
    }
  }
}

struct Tally {
  double sum = 0, count = 0;
  double min = std::numeric_limits<double>::infinity(), max = -std::numeric_limits<double>::infinity();
  void Add(const Value& v) {
    if (v.IsError()) throw ErrorResult{v.error()};
    if (!v.IsNumber()) return;
    sum += v.number();
    ++count;
    min = std::min(min, v.number());
    max = std::max(max, v.number());
  }
};

// SUMIF-style: (range, criterion, [value range]).
Tally SingleTally(Args& a) {
  const Grid range = a.GridAt(0);
  Grid values = a.Omitted(2) ? range : a.GridAt(2);
  Tally t;
  ForEachMatch(a, 0, range.rows, range.cols, [&](int r, int c) {
    if (values.IsBlock() || (r < values.rows && c < values.cols)) t.Add(values.At(r, c));
  });
  return t;
}
// SUMIFS-style: (value range, range1, criterion1, ...).
Tally MultiTally(Args& a) {
  if (a.Count() % 2 == 0) throw ErrorResult{CellError::kValue};
  const Grid values = a.GridAt(0);
  const Grid first = a.GridAt(1);
  if (first.rows != values.rows || first.cols != values.cols) throw ErrorResult{CellError::kValue};
  Tally t;
  ForEachMatch(a, 1, 0, 0, [&](int r, int c) {
    if (r >= values.rows || c >= values.cols) throw ErrorResult{CellError::kValue};
    t.Add(values.At(r, c));
  });
  return t;
}

Value SumIf(Args& a) { return NumberResult(SingleTally(a).sum); }
Value SumIfs(Args& a) { return NumberResult(MultiTally(a).sum); }
Value AverageIf(Args& a) {
  const Tally t = SingleTally(a);
  if (t.count == 0) throw ErrorResult{CellError::kDiv0};
  return NumberResult(t.sum / t.count);
}
Value AverageIfs(Args& a) {
  const Tally t = MultiTally(a);
  if (t.count == 0) throw ErrorResult{CellError::kDiv0};
  return NumberResult(t.sum / t.count);
}
Value MinIfs(Args& a) {
  const Tally t = MultiTally(a);
  return Value::Number(t.count == 0 ? 0 : t.min);
}
Value MaxIfs(Args& a) {
  const Tally t = MultiTally(a);
  return Value::Number(t.count == 0 ? 0 : t.max);
}
Value CountIf(Args& a) {
  double n = 0;
  const Grid range = a.GridAt(0);
  ForEachMatch(a, 0, range.rows, range.cols, [&](int, int) { ++n; });
  return Value::Number(n);
}
Value CountIfs(Args& a) {
  if (a.Count() % 2 != 0) throw ErrorResult{CellError::kValue};
  double n = 0;
  ForEachMatch(a, 0, 0, 0, [&](int, int) { ++n; });
  return Value::Number(n);
}

const FunctionEntry kTable[] = {
    {"SUMIF", 2, 3, SumIf, kPlain, 2},         {"SUMIFS", 3, 255, SumIfs},       {"AVERAGEIF", 2, 3, AverageIf, kPlain, 2},
    {"AVERAGEIFS", 3, 255, AverageIfs}, {"COUNTIF", 2, 2, CountIf, kPlain, 2},   {"COUNTIFS", 2, 254, CountIfs},
    {"MINIFS", 3, 255, MinIfs},     {"MAXIFS", 3, 255, MaxIfs},
};

}  // namespace

extern const FunctionFamily kConditionalFunctions{"Conditional sums and counts", kTable, std::size(kTable)};

}  // namespace plrxl::formula
