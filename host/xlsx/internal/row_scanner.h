// A quick reader for the rows of a sheet part, for the forms writers
// commonly give them: rows with a number, a style and a height, cells with
// a reference, a style, a type, a formula and a <v> value or a plain inline
// text.
// It builds no document tree and allocates nothing per cell.
//
// It takes a piece of a <sheetData> content (xml_pieces.h) and either reads
// all of it or none: anything outside those forms (rich or prefixed
// elements, entities in attributes, comments, rows hidden or grouped, a row
// or cell beyond the grid, anything not well-formed) makes ScanRows return
// false with the piece unchanged, and the piece goes to the general reader,
// which gives such rows their meaning or the error they deserve. What it
// reads it hands over in the form the general reader would have read it:
// the same numbers for the same attributes, the same texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plrxl::xlsx {

// "B12" -> row 12, col 2, also beyond this grid (up to "XFD1048576", the
// largest a file may name). Returns false for anything else.
bool ParseCellRef(const char* s, int* row, int* col);

// A cell's <v> text as a number: optional spaces, an optional '+', then a
// finite number in full. False for anything else.
bool ParseCellNumber(const char* s, double* out);

struct ScannedCell {
  int row = 0, col = 0;  // resolved: a cell without r follows the one before
  int xf = 0;            // s; 0 when absent
  const char* type = "";            // t, as written; "" when absent
  const char* value = nullptr;      // the <v> text; nullptr when no <v>
  const char* inline_text = nullptr;  // the <is><t> text; nullptr when no <is>
  // The <f> text; nullptr when the cell has no formula. Its t and ref as
  // written ("" when absent) and its si (-1 when absent).
  const char* formula = nullptr;
  const char* formula_type = "";
  const char* formula_ref = "";
  int formula_si = -1;
  // The value of a cell without a formula, of type n (or none), whose <v>
  // text is a number: read along with the rows, so that a piece read
  // ahead hands the numbers over ready.
  bool has_number = false;
  double number = 0;
};

struct ScannedRow {
  int row = 0;  // resolved: a row without r follows the one before
  int xf = -1;  // s; -1 when absent
  bool custom_height = false;
  bool has_height = false;
  double height = 0;
  size_t first_cell = 0, cell_count = 0;  // in ScannedRows::cells
};

struct ScannedRows {
  std::vector<ScannedRow> rows;
  std::vector<ScannedCell> cells;
};

// A piece of a sheet part's rows read before its turn (sheet_prefetch.h):
// where it lies in the part's text, its own copy of that text, which `rows`
// points into (so it is held by pointer and never moved), and the row it
// was read to follow.
struct ScannedPiece {
  size_t from = 0, cut = 0;
  int after_row = 0;
  std::string text;
  ScannedRows rows;
};

// Reads the rows of `piece`, which follow row `last_row` (0 before the
// first), into `out` (cleared first). On success the texts `out` points to
// lie in `piece`, which is changed in place to end each of them, and stay
// valid while `piece` is. On false, `piece` is as it was and `out` holds
// nothing of use. A piece of more than `max_cells` cells is declined too
// (at that point: what `out` holds stays bounded).
bool ScanRows(std::string& piece, int last_row, ScannedRows& out, size_t max_cells = SIZE_MAX);

}  // namespace plrxl::xlsx
