// The settings of a whole workbook that live outside the cells: the date
// system, the code name, the protection of its structure, its window
// (active and first sheet tab), its calculation settings, its theme, its
// default font and its defined names.
//
// On load the date system goes into the model (Workbook::Date1904) and
// the rest, where it differs from what the writer makes anyway, into
// Workbook::CarriedFeatures as the file held it: a workbook this system
// saved carries nothing. On save the workbook part, the theme and the
// styles part the writer made are edited to hold them again, and the
// defined names of the model are written with their scope, visibility and
// comment.
#pragma once

#include <string>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/package_patch.h"

namespace plrxl::xlsx {

// Serial days between the 1900 system's day 0 and 1 January 1904: a date
// of the 1904 system is its model serial less this.
inline constexpr double kDate1904Shift = 1462;

// From the workbook part's text and the theme part's bytes (empty when the
// package has none). Sets the model's date system and adds what it
// carries to `features`.
void ReadWorkbookSettings(const std::string& workbook_text, const std::string& theme, Workbook& into,
                          CarriedWorkbookFeatures& features);
// The styles part's first font, where it differs from the writer's.
void ReadDefaultFont(const std::string& styles_text, CarriedWorkbookFeatures& features);

// The sheet's code name from the start of its part's text (<sheetPr
// codeName>); empty when it has none.
std::string SheetCodeName(const std::string& sheet_text);

// The edits that put the workbook's settings and names into the package
// the writer made (edits.sheets already listed). Each sheet keeps the code
// name it was loaded with and gets none else, though the writer gives every
// sheet of a macro workbook one (`macro_workbook`).
void AddWorkbookSettings(const Workbook& workbook, bool macro_workbook, PackageEdits& edits);

}  // namespace plrxl::xlsx
