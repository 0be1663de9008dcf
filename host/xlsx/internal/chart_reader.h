// Reads a sheet's drawing part: every chart it anchors becomes a Chart of
// the sheet (kind, title, series references in R1C1 form, axes, legend,
// position). The positions of the other anchors (pictures, shapes) among
// the drawing's elements are handed back for the FeatureCarrier.
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

// Returns the positions (0-based, among the drawing part's elements) of
// the anchors that hold no chart.
std::vector<size_t> ReadDrawing(const ZipReader& zip, const std::string& drawing_part, Worksheet& sheet,
                                std::set<std::string>& consumed, std::vector<std::string>& warnings);

}  // namespace plrxl::xlsx
