// What an .xlsx file can hold, and the check that a workbook stays inside it.
//
// A workbook that breaks one of these limits loads but can never be saved,
// so the model refuses such a value when the cell is written (Error 1004
// naming the cell), the loader refuses a file that carries one, and a run
// can ask FormatLimitProblems before it starts downloading.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plrxl {

class Workbook;
class Worksheet;

inline constexpr size_t kMaxCellTextLength = 32767;  // characters of a cell's text
inline constexpr size_t kMaxFormulaLength = 8192;    // characters of a formula, "=" included
// The tallest row the system makes itself, in points. A loaded file may
// hold taller rows: they are kept as they are.
inline constexpr double kMaxNewRowHeight = 409;

// Characters (code points) of a UTF-8 text.
size_t Utf8CharCount(std::string_view text);

// "" when the text fits in a cell, else why not ("a text of 40,000
// characters is longer than the 32,767 a cell holds").
std::string CellTextProblem(const std::string& text);
std::string FormulaProblem(const std::string& formula);

// "'Data'!B3"
std::string CellName(const Worksheet& sheet, int row, int col);

// Every value of the workbook the file format cannot hold, each as
// "'Sheet'!A1: <why>", at most `max_problems` of them (and a last line
// saying how many more). Empty when the workbook can be saved as it is.
// Looks at cell texts, formulas and numbers (NaN and infinities have no
// form in the file).
std::vector<std::string> FormatLimitProblems(Workbook& workbook, size_t max_problems = 20);

}  // namespace plrxl
