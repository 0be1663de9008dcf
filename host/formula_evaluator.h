// FormulaEvaluator: computes the formulas of a workbook. The in-memory host
// is given one (host/formula/ holds the engine) and asks it whenever a
// formula cell is read after any cell changed, and before a save, so every
// reader (checks, runs, the saved file) sees current results.
//
// Recalculation is incremental: the host tells which cells changed since
// the last evaluation, and the evaluator recomputes only the formulas that
// read them (directly or through other formulas), the formulas written
// anew, and the volatile ones (TODAY, NOW, RAND, OFFSET, INDIRECT). A
// formula none of whose inputs changed keeps the result it holds, exactly
// as the file stored it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/address.h"
#include "host/variant.h"

namespace plrxl {

class Workbook;

// One formula cell of the workbook.
struct FormulaSite {
  int sheet = 1;        // 1-based index of the worksheet in its workbook
  int row = 1, col = 1; // 1-based
  std::string formula;  // as stored: "=TODAY()"
  Variant cached;       // the result held so far (empty when none)
  // For an array formula, the cells it fills (its own cell at the top
  // left); the result is then an array of that size.
  std::optional<Rect> array;
};

// Cells written since the last evaluation (values or formulas).
struct ChangedCells {
  int sheet = 1;  // 1-based
  Rect rect;
};

struct FormulaRequest {
  // Every formula cell of the workbook, sorted by sheet, row and column.
  std::vector<FormulaSite> formulas;
  std::vector<ChangedCells> changed;
  // The sheets themselves changed (added, renamed, moved, cells shifted):
  // every formula is recomputed.
  bool everything_changed = false;
  // The workbook counts dates from 1 January 1904.
  bool date1904 = false;
};

struct FormulaOutcome {
  // The formulas recomputed: index into FormulaRequest::formulas and the
  // new result; nullopt when the engine cannot compute the formula (the
  // cell then holds no result and is saved without one).
  std::vector<std::pair<size_t, std::optional<Variant>>> results;
  // Some formula calls a volatile function: a new day must recompute.
  bool volatile_formulas = false;
  // One line per formula left without a result ("Calc!C3: =FOO(1) uses
  // FOO, which PelorinXL cannot compute; ...").
  std::vector<std::string> warnings;
};

// What an evaluator remembers about one workbook between evaluations
// (parsed formulas, who reads which cell). The workbook owns it.
class FormulaMemory {
 public:
  virtual ~FormulaMemory() = default;
};

class FormulaEvaluator {
 public:
  virtual ~FormulaEvaluator() = default;
  // Computes what `request` makes necessary. Other cells are read through
  // the workbook's Worksheet::CellValue; the evaluator never changes the
  // workbook. `memory` is the workbook's (null at first; the evaluator
  // fills it). Never throws for anything a formula's text holds.
  virtual FormulaOutcome Evaluate(Workbook& workbook, const FormulaRequest& request,
                                  std::unique_ptr<FormulaMemory>& memory) = 0;
  // The day TODAY() gives now, as a date serial; 0 for an evaluator without
  // a clock. A host evaluates TODAY() and NOW() again once it has moved on,
  // so a run that crosses midnight does not keep yesterday's date.
  virtual double Today() const { return 0; }
};

}  // namespace plrxl
