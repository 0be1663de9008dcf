// The companion functions a project workbook calls by name through the
// host's Run: "MyFormula", "MyFormula4", "UslFormat" and "MyOutPut".
//
// "MyFormula"  (10 arguments): A1 function name, A2 first series (a range
//   object, an address text or an array), A3 number, A4 second series or "",
//   A5 number, A6 0, A7 text, A8 number, A9 number, A10 direction.
// "MyFormula4" (9 arguments): A1 function name, A2..A5 series or "", A6 and
//   A7 numbers, A8 text, A9 direction.
//   Both return the computed series as a rows x 1 array (1-based), one value
//   per cell of the first series, empty where the value is blank. Direction 1
//   means the newest row stands first: the result is then mirrored to match.
//   Failures throw plrxl::Error: an unknown function name, a function called
//   through the wrong entry point, a missing input series, a parameter out of
//   range or an unknown method text.
// "UslFormat"  (address): gives the output range the number format "0.00"
//   and the red font (colour index 3).
// "MyOutPut"   (series, address): writes the series into the range on the
//   active sheet, one value per row of the range; rows past the end of the
//   series are emptied. Addresses may also be range objects.
#pragma once

#include <vector>

#include "host/spreadsheet_host.h"

namespace plrxl {

// Registers the four functions; an existing registration of the same name is
// replaced.
void RegisterCompanionFunctions(SpreadsheetHost& host);

// The functions themselves, for hosts that register under other names.
Variant MyFormula(SpreadsheetHost& host, std::vector<Variant>& args);
Variant MyFormula4(SpreadsheetHost& host, std::vector<Variant>& args);
Variant UslFormat(SpreadsheetHost& host, std::vector<Variant>& args);
Variant MyOutPut(SpreadsheetHost& host, std::vector<Variant>& args);

}  // namespace plrxl
