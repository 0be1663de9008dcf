// Writes a sheet's cells as the <row> elements of its part, straight from
// the model into the rows file, from which the package patch streams them
// into the sheet part (package_patch.h). The writer library keeps
// everything else of the sheet (columns, views, merged ranges, charts) and
// is told the sheet's dimension; only the per-cell path is ours, because
// the library's costs a heap record and a printf per cell and has no cell
// type for error constants or the empty text.
//
// Cells: numbers in their shortest exact form, texts inline (t="inlineStr",
// as the library's streaming mode writes them), Booleans, error constants
// (t="e"), the empty text as an empty inline text, formulas with their
// cached values, styled blanks. A number that is not finite has no form in
// the file and is written as #NUM!. Rows carry their custom heights.
#pragma once

#include <xlsxwriter.h>

#include <cstdio>
#include <utility>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/format_cache.h"

namespace plrxl::xlsx {

// Appends the rows to `rows` and returns the bytes written, as [begin, end)
// offsets of the file. Throws XlsxProblem when the file cannot be written.
std::pair<long, long> WriteSheetData(lxw_worksheet* ws, const Worksheet& sheet, FormatCache& formats,
                                     std::FILE* rows);

}  // namespace plrxl::xlsx
