#include "download/macro_runner.h"

#include <memory>

#include "download/progress_bar_window.h"
#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "macros/cfenmar.h"

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
  if (result != "Ok" && self.ContinueExecution(14, result) == "False") return "StopProcess";
  return "";
}

std::string RunMyMacroBody(CPelorin& self, const std::string& myMacroName) {
  auto engine = std::make_unique<Cfenmar>();
  engine->ExcelApplication(self.ExcelApplication());
  engine->ThisWorkbookApplication(self.ThisWorkbookApplication());
  engine->Owner(&self);
  std::string result = engine->RunMyMacro(myMacroName);
  engine->Owner(nullptr);
  engine->ThisWorkbookApplication(static_cast<Workbook*>(nullptr));
  engine->ExcelApplication(nullptr);
  return result;
}

void InstallDownloadEngine(RunContext& context, ProgressView* view) {
  context.factories.ProgressBarWindow = [view](RunContext& ctx) -> std::unique_ptr<EntryWindow> {
    return std::make_unique<ProgressBarWindow>(ctx, view);
  };
  context.hooks.RunAllMacros = RunAllMacrosBody;
  context.hooks.RunMyMacro = RunMyMacroBody;
}

}  // namespace plrxl
