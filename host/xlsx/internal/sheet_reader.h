// Reads one worksheet part (cells, formulas, styles, layout, views) into a
// Worksheet of the model.
#pragma once

#include <string>
#include <vector>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/styles_reader.h"

namespace plrxl::xlsx {

// What the sheets of one package share while loading.
struct SheetContext {
  const std::vector<std::string>* shared_strings;
  const StyleTable* styles;
  // Model style id per xf index; -1 until first used.
  std::vector<int> model_style;
  std::vector<std::string>* warnings;
};

struct SheetExtras {
  std::string drawing_rid;  // relationship id of the sheet's drawing, if any
};

// Column width conversion between the file's width (characters plus
// padding, as stored in <col width>) and the width the user sees.
double FileWidthToColumnWidth(double file_width);

SheetExtras ReadSheet(std::string text, const std::string& part, Worksheet& sheet, SheetContext& ctx);

}  // namespace plrxl::xlsx
