// The name of a ticker row's data sheet, worked out in one place for the
// run (which creates the sheet), exports and charts (which look for it).
//
// DataSheetName gives the name before the "(n)" that later rows with the
// same Data Location and ticker add: the Data Location with every character
// of "!:\/?*[]" replaced by "_" and cut to 28 characters. A Data Location
// "AUTO" (in any case) stands for the ticker, cleaned the same way and of
// an apostrophe at either end, so "BRK/B" gets the sheet "BRK_B" instead of
// stopping the run.
#pragma once

#include <string>

namespace plrxl {

// True for "AUTO" in any letter case.
bool IsAutoLocation(const std::string& data_location);
std::string DataSheetName(const std::string& data_location, const std::string& ticker);
// Whether two rows' Data Locations name the same sheet for equal tickers:
// equal texts, or AUTO in any case on both.
bool SameDataLocation(const std::string& a, const std::string& b);
// Whether a workbook file can hold a sheet of this name: 1 to 31
// characters, none of ":\/?*[]", no apostrophe at either end, not the
// reserved "History".
bool IsUsableSheetName(const std::string& name);

}  // namespace plrxl
