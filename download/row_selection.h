// The rows of a selective run, as a person writes them on the command line:
// sheet rows and inclusive ranges separated by commas ("3,5-9"). Blanks
// around numbers are allowed; the result is ascending without duplicates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/variant.h"

namespace plrxl {

// Throws Error(5, "PlrXL2.RowSelection", "<reason>") for an empty list, a
// part that is not a number or range, a range whose end is before its
// start, or a row outside 1 to 32767 (ticker-table rows are 16-bit).
std::vector<int16_t> ParseRowList(const std::string& text);

// The rows as the SelectedRows list of the run context.
std::vector<Variant> ToSelectedRows(const std::vector<int16_t>& rows);

}  // namespace plrxl
