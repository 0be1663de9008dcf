#include "download/macro_runner.h"

#include <memory>

#include "download/progress_bar_window.h"
#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "macros/macro_engine.h"

namespace plrxl {

std::string RunAllMacrosBody(CPelorin& self, Workbook& myWorkbook, Worksheet& mySettings,
                             const std::string& mySheet, int16_t myRow) {
  const Variant macros = self.SettingsValue(mySettings, myRow, kMacros);
  if (macros.IsEmpty()) return "";
  // The macro engine finds its row through the active cell of the settings
  // sheet.
  Worksheet& settings = myWorkbook.Worksheets(kSettingsSheet);
  settings.Activate();
  const int anchor_col = myWorkbook.NameRange(kRangeTickerName).Column();
  settings.Cells(myRow, anchor_col).Select();
  myWorkbook.Worksheets(mySheet).Activate();

  const RegionalSettings& rs = myWorkbook.Application().Regional();
  const std::string result =
      self.RunMyMacro(ToText(self.SettingsValue(mySettings, myRow, kMacros), rs));
  self.WriteLastStatusMsg(18, myRow, &mySettings);
  // A macro that failed or does not exist leaves its row red, so a rerun
  // of the failed rows takes it again.
  if (result != "Ok") self.Context().LastDownloadFailed = true;
  if (result != "Ok" && self.ContinueExecution(14, result) == "False") return "StopProcess";
  return "";
}

void InstallDownloadEngine(RunContext& context, ProgressView* view) {
  context.factories.ProgressBarWindow = [view](RunContext& ctx) -> std::unique_ptr<EntryWindow> {
    return std::make_unique<ProgressBarWindow>(ctx, view);
  };
  context.hooks.RunAllMacros = RunAllMacrosBody;
  InstallMacroEngine(context);
}

}  // namespace plrxl
