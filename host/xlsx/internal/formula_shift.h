// Moves the relative references of a formula, as a shared formula written
// once for a block of cells must be moved for each follower cell.
#pragma once

#include <string>

namespace plrxl::xlsx {

// Shifts every relative row part by rows and every relative column part by
// cols in the A1 references of formula (text without "="). Quoted texts,
// sheet names and function names are left alone. A reference pushed out of
// the grid becomes #REF!.
std::string ShiftFormula(const std::string& formula, int rows, int cols);

}  // namespace plrxl::xlsx
