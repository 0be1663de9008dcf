// Reading the layout around a sheet's cells: the columns, the sheet view
// and the sheet's properties go into the model where it holds them, the
// rest into the sheet's carried layout, which the writer puts back.
#pragma once

#include <pugixml.hpp>

#include <string_view>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/sheet_reader.h"

namespace plrxl::xlsx {

// <cols>: widths into the model, hidden or grouped columns and columns
// beyond the grid into the carried layout.
void ReadColumns(const pugi::xml_node& cols, Worksheet& sheet, SheetExtras& extras);
// <sheetViews>: zoom, frozen panes and the selection into the model, the
// active tab into the references, the rest of the first view carried.
void ReadView(const pugi::xml_node& views, Worksheet& sheet, SheetExtras& extras);
// <sheetPr> or <sheetFormatPr> (`name`), carried as loaded.
void ReadProperties(const pugi::xml_node& node, std::string_view name, CarriedSheetLayout& layout);

}  // namespace plrxl::xlsx
