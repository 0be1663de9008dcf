// The last step of a save: the package libxlsxwriter wrote is reopened and
// finished. The sheet parts get their rows from the rows file (the writer
// saw empty sheets) and are deflated on worker threads, one a core, at our
// own level, then copied into the package as they are; chart parts are
// fixed or put back as they were loaded; parts the writer knows nothing of
// are added or rewritten.
//
// The rows go around the writer because it deflates on one thread at
// zlib's default level, which costs about four times the work of the fast
// level: on a workbook of quote rows the deflate alone was more than half of
// a save.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/xlsx/internal/rows_segment.h"
#include "host/xlsx/internal/stock_chart_patch.h"

struct zip;

namespace plrxl::xlsx {

// One chart part of a saved package to rewrite.
struct ChartPartEdit {
  std::string part;  // "xl/charts/chart3.xml"
  // The part's new text (a chart carried over from the loaded file); null:
  // the written part gets `patch` (stock_chart_patch.h).
  std::shared_ptr<const std::string> replacement;
  ChartPatch patch;
};

// Rows of a sheet kept from the loaded file: deflated bytes [begin, end)
// of its part's entry in source, standing alone (rows_segment.h), which go
// before the rows written now.
struct KeptRows {
  zip* source = nullptr;  // open until the patch is done
  uint64_t index = 0;
  uint64_t deflated_begin = 0, deflated_end = 0;
  uint64_t text_length = 0;
  uint32_t crc = 0;  // of the kept rows' text
  uint32_t next_row = 0;  // the row after them
  // Its runs of rows after the first, by offsets from the kept bytes' and
  // text's start.
  std::vector<RowsCheckpoint> checkpoints;
};

// The <row> elements of one sheet part: bytes [begin, end) of the rows file.
struct SheetRows {
  std::string part;  // "xl/worksheets/sheet2.xml"
  long begin = 0;
  long end = 0;
  bool copied = false;  // the part is one of PackageEdits::copied_parts instead
  std::optional<KeptRows> kept;  // rows before [begin, end)
};

// A part taken from another package as that one stores it: its deflated
// bytes, sizes and CRC go in unchanged.
struct CopiedPart {
  std::string part;       // its name in the saved package
  zip* source = nullptr;  // open until the patch is done
  uint64_t index = 0;     // its entry in source
};

// Rewrites a part's text; gets "" for a part the writer did not make.
using PartRewrite = std::function<std::string(const std::string&)>;

// Adds a rewrite of part to rewrites, applied after any rewrite already there.
void AddRewrite(std::map<std::string, PartRewrite>& rewrites, const std::string& part, PartRewrite rewrite);

struct PackageEdits {
  std::FILE* rows_file = nullptr;  // flushed; every SheetRows points into it
  std::vector<SheetRows> sheets;
  std::vector<ChartPartEdit> charts;
  std::vector<CopiedPart> copied_parts;
  std::map<std::string, std::string> added_parts;     // part name -> bytes
  std::map<std::string, PartRewrite> part_rewrites;    // small parts only
  // Sheet part -> rewrite of the writer's whole text of it, before the
  // rows go in (the elements before the cells: properties, views, columns).
  std::map<std::string, PartRewrite> sheet_head_rewrites;
  // Sheet part -> rewrite of its text from </sheetData> on (the elements
  // after the cells: merged ranges, views of the page, drawings...).
  std::map<std::string, PartRewrite> sheet_tail_rewrites;
};

// Applies the edits to the package file at path, in place. Throws
// XlsxProblem when it cannot; the file is then not a usable package.
void PatchPackage(const std::string& path, const PackageEdits& edits);

}  // namespace plrxl::xlsx
