// Reads a sheet's drawing part: every chart it anchors becomes a Chart of
// the sheet (kind, title, series references in R1C1 form, axes, legend,
// position). Pictures and shapes in the drawing are reported as warnings.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "host/spreadsheet_host.h"

namespace plrxl::xlsx {

class ZipReader;

// "'Sheet 1'!$B$2:$B$9" or "=Sheet1!B2" -> "='Sheet 1'!R2C2:R9C2"; any
// other text comes back with a leading "=" unchanged.
std::string A1RefToR1C1(const std::string& ref);

void ReadDrawing(const ZipReader& zip, const std::string& drawing_part, Worksheet& sheet,
                 std::set<std::string>& consumed, std::vector<std::string>& warnings);

}  // namespace plrxl::xlsx
