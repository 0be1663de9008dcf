// The one writer of the export layouts: walks a layout's fields over the
// rows of a data block and writes the lines to a stream. Opening files is
// not its business (ExportData does that through AtomicFile).
#pragma once

#include <ostream>
#include <string>

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
// gives "0". A field whose cell cannot be read that way (an error value, a
// date cell that holds no date, a column the block does not have) is left
// out of its line together with the separator before it.
void WriteExport(std::ostream& out, const ExportLayout& layout, const ExportBlock& block,
                 const RegionalSettings& rs);

// One data line without its line end (the writer's own composition), for
// row `row` of the block.
std::string ExportLine(const ExportLayout& layout, const ExportBlock& block, int row, const RegionalSettings& rs);

}  // namespace plrxl
