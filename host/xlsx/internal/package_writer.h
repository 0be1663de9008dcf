// Writes a Workbook of the model as a package file at path (not
// atomically: the store writes to a temporary file and renames it).
#pragma once

#include <string>

#include "host/spreadsheet_host.h"

namespace plrxl::xlsx {

// Throws XlsxProblem on failure; path may then hold a partial file. The
// VBA project among the workbook's carried parts is written only when
// macro_enabled (an .xlsm target); otherwise a warning says it was left out.
void WritePackage(Workbook& workbook, const std::string& path, bool macro_enabled);

}  // namespace plrxl::xlsx
