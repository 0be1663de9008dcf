// A ticker row's bars as its data sheet holds them, for the checks that read
// a sheet back: the suspect bars a row's status counts and `check-data`
// lists. The fields are read from the columns the paste gives them: the row's
// DataFields letters in the order of "Parameters" D5, one column each from
// DataBeginning on (a field whose header is not there took none), values
// from the row below it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quotes/history/overlap_check.h"
#include "quotes/history/bar_checks.h"

namespace plrxl {

class CPelorin;
class Workbook;
class Worksheet;

struct RowBars {
  std::string ticker, sheet;
  bool daily = true;
  std::vector<history::CheckedBar> bars;  // oldest first
  std::vector<int> sheet_rows;            // the sheet row of each bar
  // The sheet column of open, high, low, close, adjusted close; 0 when the
  // row does not show the field.
  int open_col = 0, high_col = 0, low_col = 0, close_col = 0, adj_col = 0;
};

// The bars of ticker row `row` of the settings sheet; nullopt when its data
// sheet or a dated block on it does not exist. Raises the host's errors for
// a row whose cells cannot be read.
std::optional<RowBars> ReadRowBars(CPelorin& owner, Workbook& workbook, Worksheet& settings, int16_t row);

// The suspect bars of a row's sheet, with the calendar of its ticker.
std::vector<history::SuspectBar> SuspectBarsOf(const RowBars& row);

// Writes the prices of `bars` (the row's, changed) back into their cells.
void WritePrices(Worksheet& sheet, const RowBars& row, const std::vector<history::CheckedBar>& bars,
                 const std::vector<double>& days);

}  // namespace plrxl
