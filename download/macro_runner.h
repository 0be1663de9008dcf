// The per-row macro runner and the wiring that plugs the download engine
// into a RunContext.
//
// CPelorin.RunAllMacros registers on the call stack itself and calls the
// body below through the context's hook; the body needs the macro engine,
// which the entry folder cannot reach.
#pragma once

#include <cstdint>
#include <string>

namespace plrxl {

class CPelorin;
class ProgressView;
class Workbook;
class Worksheet;
struct RunContext;

// Runs the row's Macros text (with the defaults-row fallback) on its data
// sheet, notes status message 18 and, when the result is not exactly "Ok",
// asks question 14: "StopProcess" when the person chose No, else "".
// An empty Macros text does nothing and returns "".
std::string RunAllMacrosBody(CPelorin& self, Workbook& myWorkbook, Worksheet& mySettings,
                             const std::string& mySheet, int16_t myRow);

// Sets the context's maker of the progress window (with `view` as its face,
// may be nullptr; it must outlive the windows made) and the macro-runner
// hooks (RunAllMacros here, RunMyMacro from the macro engine).
void InstallDownloadEngine(RunContext& context, ProgressView* view = nullptr);

}  // namespace plrxl
