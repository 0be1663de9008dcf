// What a save needs to copy a sheet's part from the file it was loaded
// from, deflated bytes and all, instead of writing it again
// (Worksheet::LoadedPart). The sheet drops its LoadedSheetPart at its first
// change; the save still checks that the part fits the package it makes
// (sheet_copy.h) and writes the sheet when it does not.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/xlsx/internal/rows_segment.h"

namespace plrxl {

// The loaded file, shared by its sheets.
struct LoadedPackage {
  std::string path;
  // The file as it was loaded: a save copies nothing from a file that has
  // changed since.
  uint64_t device = 0, inode = 0, size = 0;
  int64_t modified_ns = 0;
  bool date1904 = false;
  // Model style id of each xf (cell format) of the file's styles part, by
  // index: a copied part's s="n" attributes must find the same styles at
  // the same indices in the saved package.
  std::vector<int> xf_styles;
  // The shared-string part and its place in the file, for the copied parts
  // that refer to it; empty when the file has none.
  std::string strings_part;
  uint64_t strings_index = 0;
};

struct LoadedSheetPart {
  std::shared_ptr<const LoadedPackage> package;
  std::string part;  // "xl/worksheets/sheet3.xml"
  // The part's place and directory entry in the file.
  uint64_t index = 0;
  uint64_t compressed_size = 0, size = 0;
  uint32_t crc = 0;
  uint16_t method = 0;
  // The xf indices the part names (cells, rows, columns), ascending.
  std::vector<int> xfs;
  bool shared_strings = false;  // a cell refers to the shared-string part
  bool rewritten = false;       // a cell is in a form a save writes otherwise
  bool relationships = false;   // the part has relationships of its own
  bool tab_selected = false;    // its first view is a selected tab
  std::string code_name;        // <sheetPr codeName>, empty when none
  // Where the rows stand in the deflated part, when a save of ours wrote
  // it; and the rows and columns they span (0 when none).
  std::optional<xlsx::RowsSegment> rows;
  int first_row = 0, last_row = 0, first_col = 0, last_col = 0;
  // A formula cell of the sheet (row, column), 0 when it has none: reading
  // it brings the workbook's results up to date before a save decides.
  int formula_row = 0, formula_col = 0;
};

}  // namespace plrxl
