// Moves the relative references of a formula, as a shared formula written
// once for a block of cells must be moved for each follower cell.
#pragma once

#include <string>

namespace plrxl::xlsx {

// Shifts every relative row part by rows and every relative column part by
// cols in the A1 references of formula (text without "="): cells ("B7"),
// whole columns ("G:H") and whole rows ("7:8"), as far as a file reaches
// (XFD1048576). Quoted texts, sheet names and function names are left
// alone. A reference pushed out of the sheet becomes #REF!.
std::string ShiftFormula(const std::string& formula, int rows, int cols);

}  // namespace plrxl::xlsx
