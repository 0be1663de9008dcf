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
// Workbook::Warnings otherwise). What another program added that the model
// does not know is carried over as the file held it (Worksheet and
// Workbook::CarriedFeatures, see internal/carry_reader.h): conditional
// formats, data validation, hyperlinks, auto filters, protection, tables,
// comments, pictures and shapes, page setup, print areas and titles, the
// formats and table styles they use; the sheet's properties (tab colour,
// outline settings), default sizes, the view settings the model does not
// hold (gridlines, zeros, page break preview, split panes), hidden and
// grouped rows and columns, very hidden sheets, and cells and merged ranges
// beyond the grid. Array formulas are held by the model with their range
// (Worksheet::ArrayFormulaRange). What cannot be carried (embedded
// objects, controls, pivot tables, external links, chart sheets...) is
// listed in Workbook::Losses when the file is loaded. Dates are numbers in
// the file; a number whose cell
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
// The workbook's own settings are kept (internal/workbook_settings.h): the
// date system (Workbook::Date1904; the model's dates are 1900-system
// serials, converted at the file boundary), names local to a sheet, hidden
// names and their comments, code names, calculation settings, the window,
// structure protection, the theme and the default font.
//
// Known limits of the saved file: a formula without a cached value comes
// back with 0; column widths are kept to the pixel.
//
// Saving streams: the cells of each sheet are written straight from the
// model into a temporary rows file, row by row, deflated from there on one
// thread a core into scratch files and copied into the sheet parts, so
// nothing per cell is held in memory beyond the model (the writer library
// makes the rest of the package, in its
// constant-memory mode); texts are stored inline in
// the sheet parts (the reader takes both forms), error constants and the
// empty text as values, formula results with their own types. Every failure
// of the writer, running out of memory included, is an Error, never a crash.
//
// A save costs what changed since the load (internal/sheet_copy.h): the
// part of a sheet nobody changed is copied from the loaded file, deflated
// bytes and all, and a sheet changed only from some row on keeps the
// deflated rows before it (internal/rows_segment.h), when the file is
// still the one loaded and the parts fit the saved package; otherwise the
// sheet is written whole.
//
// Loading is bounded: XlsxLimits caps what a file may make the model hold,
// checked while the parts are inflated and before the memory is spent, so a
// small hostile file cannot claim gigabytes. A file over a limit is refused
// with a message naming the limit's setting and the part. Shared strings are
// held once however many cells show them. Cells beyond the grid (row 65,536,
// column IV) are carried as the file gave them (see above), and count with
// the parts carried over. The parts carried over
// count together against max_part_bytes. A text over 32,767
// characters or a formula over 8,192 refuses the load, naming the cell,
// since such a workbook could never be saved again (see format_limits.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/workbook_store.h"

namespace plrxl {

// Bytes the in-memory model spends on a numeric cell, at most.
inline constexpr int64_t kModelBytesPerCell = 24;

// The cells a model of `memory_bytes` holds at kModelBytesPerCell, and
// never fewer than one full sheet (65,536 x 256 cells): the workbook cell
// limit for a machine with that much memory.
int64_t MaxCellsForMemory(int64_t memory_bytes);

// MaxCellsForMemory of half the machine's physical memory. A workbook the
// program built in memory was at most that large, so it always reopens.
int64_t DefaultMaxCellsPerWorkbook();

// Load limits, each a key of section "Setting" of the settings INI.
struct XlsxLimits {
  int64_t max_cells_per_sheet = 2'000'000;                        // "XlsxMaxCellsPerSheet"
  int64_t max_cells_per_workbook = DefaultMaxCellsPerWorkbook();  // "XlsxMaxCellsPerWorkbook"
  // Text as the cells show it: a shared string counts once per cell that
  // refers to it, and every entry of the shared-string table 64 bytes more.
  int64_t max_text_bytes = int64_t{64} << 20;   // "XlsxMaxTextMB"
  int64_t max_part_bytes = int64_t{96} << 20;   // "XlsxMaxPartMB", one part inflated
};

inline constexpr const char* kMaxCellsPerSheetKey = "XlsxMaxCellsPerSheet";
inline constexpr const char* kMaxCellsPerWorkbookKey = "XlsxMaxCellsPerWorkbook";
inline constexpr const char* kMaxTextMBKey = "XlsxMaxTextMB";
inline constexpr const char* kMaxPartMBKey = "XlsxMaxPartMB";

// The limits from the settings: `setting(key)` gives a key's text, empty
// when unset (the default stays). The MB keys count mebibytes. Throws
// Error 5 naming the key when a value is not a whole number of at least 1.
XlsxLimits XlsxLimitsFrom(const std::function<std::string(const char* key)>& setting);

std::unique_ptr<WorkbookStore> MakeXlsxStore(const XlsxLimits& limits = {});

}  // namespace plrxl
