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

// Rows up to last_row that the save keeps as the loaded file held them
// (package_patch.h, KeptRows), and the rows and columns they span.
struct KeptSpan {
  int first_row = 0, last_row = 0, first_col = 0, last_col = 0;
};

// Appends the rows to `rows` and returns the bytes written, as [begin, end)
// offsets of the file; with `kept`, only the rows after kept->last_row,
// and the dimension spans the kept rows as well. Throws XlsxProblem when
// the file cannot be written.
std::pair<long, long> WriteSheetData(lxw_worksheet* ws, const Worksheet& sheet, FormatCache& formats,
                                     std::FILE* rows, const KeptSpan* kept = nullptr);

}  // namespace plrxl::xlsx
