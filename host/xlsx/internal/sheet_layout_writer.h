// Puts back into a saved sheet part what the loaded sheet held beyond the
// model (carried_features.h, CarriedSheetLayout): its properties (tab
// colour, outline settings...), its default sizes, the view settings the
// writer does not make (gridlines, zeros, page break preview, split panes)
// and its columns' outline states. Texts in, texts out; nothing touches a
// package.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/carried_features.h"

namespace plrxl::xlsx {

// True when the layout changes the part before the cells.
bool LayoutChangesSheetHead(const CarriedSheetLayout& layout);

// The writer's whole sheet part with the layout's elements in place of
// the writer's. `sheet` gives the model's state at save: the loaded panes
// and selections stand only while the model shows what they showed.
std::string SpliceSheetHead(std::string_view part, const CarriedSheetLayout& layout, const Worksheet& sheet);

// The workbook part with state="veryHidden" for the sheets at the given
// 0-based positions (which the writer wrote as hidden).
std::string MarkSheetsVeryHidden(std::string_view workbook, const std::vector<int>& positions);

}  // namespace plrxl::xlsx
