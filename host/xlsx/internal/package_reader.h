// Loads a whole package into an empty Workbook: workbook part, styles,
// shared strings, sheets, defined names, charts, the VBA project, and a
// warning for each part the model cannot carry.
#pragma once

#include <string>

#include "host/spreadsheet_host.h"
#include "host/xlsx/xlsx_store.h"

namespace plrxl::xlsx {

// Throws XlsxProblem (without the path) on any defect of the package and
// when it goes over one of the limits (see xlsx_store.h).
void ReadPackage(const std::string& path, Workbook& into, const XlsxLimits& limits);

}  // namespace plrxl::xlsx
