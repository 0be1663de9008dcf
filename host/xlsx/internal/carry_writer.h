// Puts the features a loaded workbook carried (carried_features.h) into the
// package the writer made, through the edits of the package patch:
// elements spliced into each sheet part after its cells, relationship ids
// renamed to ids the writer never gives ("rIdC1"...), carried parts added
// under their loaded names (or fresh ones where the writer made a part of
// that name), their content types and relationships, the differential
// formats and table styles put into the styles part, built-in names into
// the workbook part with the sheet's index at save time, and pictures and
// shapes appended to the sheet's drawing (or to a drawing of their own).
#pragma once

#include <string>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/package_patch.h"

namespace plrxl::xlsx {

// `path`: the package the writer made, not yet patched; edits.sheets holds
// the part of each sheet of the workbook, in order. Adds nothing when the
// workbook carries nothing. Throws XlsxProblem when the package cannot be
// read.
void AddCarriedFeatures(Workbook& workbook, const std::string& path, PackageEdits& edits);

}  // namespace plrxl::xlsx
