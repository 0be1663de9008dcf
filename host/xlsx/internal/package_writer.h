// Writes a Workbook of the model as a package file at path (not
// atomically: the store writes to a temporary file and renames it).
#pragma once

#include <string>

#include "host/spreadsheet_host.h"

namespace plrxl::xlsx {

// Throws XlsxProblem on failure; path may then hold a partial file.
void WritePackage(Workbook& workbook, const std::string& path);

}  // namespace plrxl::xlsx
