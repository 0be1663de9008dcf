// The look of a project workbook after a run, where nothing else fixes it:
// ticker-table columns wide enough for their texts (macro texts and status
// lines up to a limit), the table's dates in the project's date form with
// four-digit years, data-sheet column titles shown whole and their title
// rows frozen, and message texts of the "Parameters" sheet wrapped. Values
// and the number formats of the data columns are not touched.
#pragma once

#include <string>

namespace plrxl {

class Workbook;

// "mm/dd/yy" -> "mm/dd/yyyy"; a form with four-digit years comes back as it
// is; the empty text gives "dd.mm.yyyy".
std::string FourDigitYearForm(const std::string& date_form);

// Does nothing for a workbook without the project's sheets.
void FinishWorkbookLook(Workbook& workbook);

}  // namespace plrxl
