// The .xlsx store: loads a workbook file into any Workbook of the model and
// saves a Workbook back as an .xlsx (or .xlsm) package.
//
// What survives a save and a load: cell values (numbers, dates, texts,
// Booleans, errors), formulas with their cached values, number formats,
// fonts, fills, borders, alignment, column widths, row heights, merged cells,
// frozen panes, selection, sheet order and visibility, zoom, the active
// sheet, defined names, charts (kind, title, series, axes, fonts, position;
// a loaded chart that nobody changed is saved from its own part, byte for
// byte, so charts of other programs keep what the model does not know) and the
// VBA project of an .xlsm (carried over as it is, see
// Workbook::CarriedParts; saved only into an .xlsm, with a warning in
// Workbook::Warnings otherwise). Dates are numbers in the file; a number whose cell
// has a date or time format loads as a date. A date in a cell without a date
// format is saved with the short-date format (built-in format 14, read back
// as "m/d/yyyy").
//
// Defined names and chart series keep R1C1 references in the model (the
// form the system writes, "='Sheet'!R1C1"); the file holds A1 references.
// The store converts at the file boundary: R1C1 -> A1 on save, and a plain
// A1 reference -> R1C1 on load. Anything else (formulas, #REF!) is kept as
// the text after "=".
//
// Load never changes the file. Both operations throw
// Error(1004, "PlrXL2.WorkbookStore", "<path>: <problem>"); a failed save
// leaves an existing target untouched and no temporary file behind.
//
// Known limits of the saved file: hidden defined names come back visible; a
// formula without a cached value comes back with 0; column widths are kept
// to the pixel. Cached Boolean and error results of formulas, constant
// errors and the empty text have no cell type in the writer and are stored
// as formulas or texts the reader recognises ("=#N/A", "=\"\"", "TRUE").
#pragma once

#include <memory>

#include "host/workbook_store.h"

namespace plrxl {

std::unique_ptr<WorkbookStore> MakeXlsxStore();

}  // namespace plrxl
