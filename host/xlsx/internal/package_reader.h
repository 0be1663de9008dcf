// Loads a whole package into an empty Workbook: workbook part, styles,
// shared strings, sheets, defined names, charts, the VBA project, and a
// warning for each part the model cannot carry.
#pragma once

#include <string>

#include "host/spreadsheet_host.h"

namespace plrxl::xlsx {

// Throws XlsxProblem (without the path) on any defect of the package.
void ReadPackage(const std::string& path, Workbook& into);

}  // namespace plrxl::xlsx
