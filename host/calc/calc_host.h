// The spreadsheet host over a live Calc: each workbook is a Calc document,
// each worksheet one of its sheets. Calc computes formulas itself.
//
// Cells are written in bulk: values, formats and column widths written
// through the interface wait in the sheet and go to Calc in rectangles (one
// setDataArray per block) before a read that needs Calc's answer, a save or
// a yield to events; reads fetch blocks of cells with their formats at once
// and keep them, brought up to date by the host's own writes, formats and
// clears (see docs/calc_host.md).
//
// Where Calc differs from the in-memory model, on purpose:
// - a value's kind follows the cell's number format, as in a file: a number
//   under a date format reads back as a date, under the Boolean format as a
//   Boolean; a date or Boolean written to a cell without such a format gives
//   it the short-date or the Boolean format;
// - Calc holds no empty text and no error as a constant: they are written as
//   the formulas ="" and =NA() (=1/0, ...), which CellFormula then shows;
// - the cached value given with a formula is ignored: Calc computes it;
// - the selection, the status-bar text and the alert switch are the host's
//   own (a run does not follow what the person clicks meanwhile); screen
//   updating off locks the documents' controllers.
// Not yet supported (Error 1004 saying so): charts other than counting and
// deleting them, names local to a sheet, the 1904 date system, row heights of
// hidden rows, frozen panes and zoom on a document without a view.
#pragma once

#include <memory>

#include "host/calc/calc_office.h"
#include "host/spreadsheet_host.h"

namespace plrxl::calc {

struct CalcHostOptions {
  // Documents the host opens or makes are hidden (a headless office, tests)
  // or shown in a window of the office.
  bool hidden = true;
};

// The office must outlive the host.
std::unique_ptr<SpreadsheetHost> MakeCalcHost(CalcOffice& office, const RegionalSettings& regional,
                                              const CalcHostOptions& options = {});

}  // namespace plrxl::calc
