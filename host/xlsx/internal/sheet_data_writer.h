// Writes a sheet's cells as the <sheetData> rows of its part, straight from
// the model into the writer's streaming file (constant-memory mode), which
// the writer copies into the sheet part when the package is closed. The
// writer library keeps everything else of the sheet (columns, views,
// merged ranges, charts); only the per-cell path is ours, because the
// library's costs a heap record and a printf per cell and has no cell type
// for error constants or the empty text.
//
// Cells: numbers in their shortest exact form, texts inline (t="inlineStr",
// as the library's streaming mode writes them), Booleans, error constants
// (t="e"), the empty text as an empty inline text, formulas with their
// cached values, styled blanks. A number that is not finite has no form in
// the file and is written as #NUM!. Rows carry their custom heights.
#pragma once

#include <xlsxwriter.h>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/format_cache.h"

namespace plrxl::xlsx {

// Throws XlsxProblem when the file cannot be written.
void WriteSheetData(lxw_worksheet* ws, const Worksheet& sheet, FormatCache& formats);

}  // namespace plrxl::xlsx
