// Reads one worksheet part (cells, formulas, styles, layout, views) into a
// Worksheet of the model. The elements after the cells that the model does
// not know are left to the FeatureCarrier (carry_reader.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/load_budget.h"
#include "host/xlsx/internal/row_scanner.h"
#include "host/xlsx/internal/shared_strings_reader.h"
#include "host/xlsx/internal/styles_reader.h"

namespace plrxl::xlsx {

// What the sheets of one package share while loading.
struct SheetContext {
  const SharedTexts* shared_strings;
  const StyleTable* styles;
  // Model style id per xf index; -1 until first used.
  std::vector<int> model_style;
  std::vector<std::string>* warnings;
  std::vector<std::string>* losses;
  LoadBudget* budget;
  // Added to the file's date serials of a whole day or more: the model
  // counts dates in the 1900 system (kDate1904Shift for a workbook of the
  // 1904 system).
  double date_shift = 0;
  // Rows in the common forms go through the quick reader (row_scanner.h);
  // false sends every row through the general XML reader.
  bool quick_rows = true;
  // What the quick reader read of the piece at hand; kept from sheet to
  // sheet so its room is reused.
  ScannedRows scanned{};
};

// What a sheet part refers to outside itself, for copying it into a saved
// package as it is (loaded_part.h).
struct SheetReferences {
  // By xf index; the last entry stands for any index the styles part does
  // not have.
  std::vector<bool> xfs;
  bool shared_strings = false;
  // A cell in a form a save writes otherwise (an ISO date, a constant
  // stored as a formula): the part is to be written.
  bool rewritten = false;
  bool tab_selected = false;
  int formula_row = 0, formula_col = 0;  // the first formula cell; 0 when none
  // The rows and columns the part's rows span; 0 when it has none.
  int first_row = 0, last_row = 0, first_col = 0, last_col = 0;

  void Xf(int xf) {
    const size_t at = xf >= 0 && static_cast<size_t>(xf) + 1 < xfs.size() ? static_cast<size_t>(xf) : xfs.size() - 1;
    xfs[at] = true;
  }
};

struct SheetExtras {
  std::string drawing_rid;  // relationship id of the sheet's drawing, if any
  // Where the elements after the cells start in the text; npos when the
  // part has no cell table.
  size_t tail_begin = std::string::npos;
  // What the model does not hold of the sheet's rows, columns, view and
  // properties, and its cells beyond the grid, for the FeatureCarrier.
  CarriedSheetLayout layout;
  SheetReferences references;
  // Pieces of rows the quick reader read.
  int quick_pieces = 0;
};


// Column width conversion between the file's width (characters plus
// padding, as stored in <col width>) and the width the user sees.
double FileWidthToColumnWidth(double file_width);

// The pieces of rows of a sheet part read ahead of ReadSheet.
using ScannedPieces = std::vector<std::unique_ptr<ScannedPiece>>;

// The cells are parsed a piece of rows at a time (xml_pieces.h). Cells
// and merged ranges beyond the grid are kept in the extras' layout; a text
// or formula the file format cannot hold throws XlsxProblem naming the
// cell. A row height the file holds loads as it is, however tall.
// `ahead`, when given, holds pieces of this text that ScanRowsAhead read:
// each is taken in its turn as the quick reader would have read it there
// (with ctx.quick_rows false they are ignored). Everything that can fail
// happens here, in the part's turn, whatever was read ahead.
SheetExtras ReadSheet(const std::string& text, const std::string& part, Worksheet& sheet, SheetContext& ctx,
                      const ScannedPieces* ahead = nullptr);

// Reads the first pieces of rows of a sheet part with the quick reader,
// cut as ReadSheet cuts them, until `max_bytes` of text are read, the
// quick reader declines a piece or finds it holds more than `max_cells`
// cells (that piece and the rest are left to ReadSheet), or `stop`
// returns true. Touches nothing but its own result,
// so it may run on another thread than the model's; never throws but for
// want of memory. Pieces taken from `spare`, when given, keep the room
// they had; those not needed stay there.
ScannedPieces ScanRowsAhead(const std::string& text, size_t max_bytes, size_t max_cells,
                            const std::function<bool()>& stop, ScannedPieces* spare = nullptr);

}  // namespace plrxl::xlsx
