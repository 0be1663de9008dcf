// FormulaEvaluator: computes the formulas of a workbook. The in-memory host
// is given one (host/formula/ holds the engine) and asks it whenever a
// formula cell is read after any cell changed, and before a save, so every
// reader (checks, runs, the saved file) sees current results.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/variant.h"

namespace plrxl {

class Workbook;

// One formula cell of the workbook.
struct FormulaSite {
  int sheet = 1;        // 1-based index of the worksheet in its workbook
  int row = 1, col = 1; // 1-based
  std::string formula;  // as stored: "=TODAY()"
  Variant cached;       // the result held so far (empty when none)
};

class FormulaEvaluator {
 public:
  virtual ~FormulaEvaluator() = default;
  // Computes every formula in `formulas` (all the formula cells of
  // `workbook`) and returns one result per site, in order. Other cells are
  // read through the workbook's Worksheet::CellValue; the evaluator never
  // changes the workbook. A result is nullopt when the engine cannot
  // evaluate that formula (a function it does not know, text it cannot
  // parse): the caller then keeps the cached value. Never throws for
  // anything a formula's text holds.
  virtual std::vector<std::optional<Variant>> Evaluate(Workbook& workbook,
                                                       const std::vector<FormulaSite>& formulas) = 0;
  // The day TODAY() gives now, as a date serial; 0 for an evaluator without
  // a clock. A host evaluates TODAY() and NOW() again once it has moved on,
  // so a run that crosses midnight does not keep yesterday's date.
  virtual double Today() const { return 0; }
};

}  // namespace plrxl
