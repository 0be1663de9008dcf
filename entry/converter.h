// The version-1 project converter: recognises a project of the earlier
// version by its settings sheet and turns it into a project of the current
// layout (CPelorin::RunConverter does the work).
//
// Version-1 projects were often saved in the old binary .xls format. This
// build reads .xlsx and .xlsm workbooks only: a binary workbook is refused
// with a message that says how to save it as .xlsx in a spreadsheet program.
// The one .xls reader Debian ships (libfreexl) extracts cell values only and
// ignores formulas, formats and macros, so a conversion through it would
// silently drop parts of the project; a spreadsheet program keeps them.
#pragma once

#include <string>

namespace plrxl {

class CPelorin;
class Workbook;

// The five cells of a version-1 settings sheet, in the order they are tested.
struct Version1Cell {
  const char* address;
  const char* text;
};
inline constexpr Version1Cell kVersion1Cells[] = {
    {"A1", "Ticker"}, {"A2", "Defaults"}, {"B1", "Start Date"}, {"C1", "End Date"}, {"J1", "Autorun Macro"},
};

// Why `workbook` is not a version-1 project (the missing sheet, or the first
// of the five cells that does not read as it should); empty when it is one.
std::string Version1ProjectProblem(Workbook& workbook);

// True when the file starts like a binary (.xls) workbook, whatever its name.
bool IsBinaryWorkbookFile(const std::string& path);

// Opens `path` in the pelorin's application and tells whether it is a
// version-1 project; the workbook is closed again. A file that cannot be
// opened is not one. Registers as Pelorin.CPelorin.CheckFilePelorinXL.
bool CheckFilePelorinXL(CPelorin& pelorin, const std::string& path);

// What the converter window's Create button does, callable without the
// window: checks that both names are given and differ (ignoring case), that
// the input exists, is no binary workbook and is a version-1 project, and
// that the output does not exist yet unless `replace_existing`; then runs
// RunConverter (which shows message 72). A failed check shows message 73
// with the reason and returns false; true when the output was written.
// The pelorin's application and project workbook (the source of the
// current column titles and messages) must be set.
bool ConvertVersion1Project(CPelorin& pelorin, const std::string& input, const std::string& output,
                            bool replace_existing = false);

}  // namespace plrxl
