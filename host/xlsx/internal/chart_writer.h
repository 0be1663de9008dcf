// Writes the charts of a sheet through libxlsxwriter. Stock charts come out
// as line charts with high-low lines and up-down bars; the package writer
// turns them into stock charts afterwards (libxlsxwriter has none).
#pragma once

#include <xlsxwriter.h>

#include <string>

#include "host/spreadsheet_host.h"

namespace plrxl::xlsx {

// "='Sheet 1'!R2C2:R9C2" -> "='Sheet 1'!$B$2:$B$9"; A1 texts and anything
// that is not a plain reference come back unchanged.
std::string R1C1RefToA1(const std::string& ref);

// Adds the chart to ws (the sheet named sheet_name); returns false when
// libxlsxwriter refused it (a chart drawn here without series).
bool WriteChart(lxw_workbook* wb, lxw_worksheet* ws, const Chart& chart, const std::string& sheet_name);

}  // namespace plrxl::xlsx
