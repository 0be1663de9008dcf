// The one writer of the export layouts: walks a layout's fields over the
// rows of a data block and writes the lines to a stream. Opening files is
// not its business (ExportData does that through AtomicFile).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/regional.h"
#include "macros/export_layouts.h"

namespace plrxl {

class Worksheet;

// The columns of the data block that the layouts read; 0 = the block has no
// column of that title.
struct ExportColumns {
  int date = 0, open = 0, high = 0, low = 0, close = 0, volume = 0, open_interest = 0;
};

// What one export writes: the data rows first_row..last_row of `sheet`, in
// sheet order, and the texts that stand in the lines.
struct ExportBlock {
  Worksheet* sheet = nullptr;
  int first_row = 0;
  int last_row = 0;  // below first_row: no data lines
  ExportColumns columns;
  std::string ticker;  // the file ticker, in the case it was typed
  std::string period;  // P
};

// Writes the header line (when the layout has one) and one line per data
// row, each ending with CR LF, as 8-bit text: characters beyond Latin-1
// become "?".
//
// Field texts: numbers as the host shows an unformatted value under `rs`
// (its decimal symbol included); an absent volume or open-interest column
// gives "0". Every line has all of the layout's fields, so a reader that
// splits at the separator finds each field where the layout puts it: a
// field whose cell cannot be read (an error value, a date cell that holds
// no date) or whose column the block does not have (no Open, High or Low)
// is written empty, its separator and quotes kept.
//
// Returns the fields left empty in at least one line, as their titles in
// layout order ("Open", "High"); empty when every field was written.
std::vector<std::string> WriteExport(std::ostream& out, const ExportLayout& layout, const ExportBlock& block,
                                     const RegionalSettings& rs);

// One data line without its line end (the writer's own composition), for
// row `row` of the block.
std::string ExportLine(const ExportLayout& layout, const ExportBlock& block, int row, const RegionalSettings& rs);

// The title of a field in status texts: "Date", "Open", ... "Open Interest";
// the ticker, period and literal fields have none ("").
const char* ExportFieldTitle(ExportFieldKind kind);

}  // namespace plrxl
