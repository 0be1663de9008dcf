// CPelorin's user commands: the run operations and the windows they open.
// Each checks the project first and then hands over to one modal window.
#include <optional>

#include "entry/internal/object_ref.h"
#include "entry/internal/screen_updating.h"
#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

void CPelorin::RefreshData() { RunOperation("Pelorin.CPelorin.RefreshData", "Refresh", true, true); }

void CPelorin::UpdateData() { RunOperation("Pelorin.CPelorin.UpdateData", "Update", true, false); }

void CPelorin::RunOnlyMacros() { RunOperation("Pelorin.CPelorin.RunOnlyMacros", "RunOnlyMacros", false, false); }

void CPelorin::RunOperation(const char* procedure, const char* action, bool update_check, bool clear_status_bar) {
  Procedure proc(context_, procedure);
  // A run started here processes every ticker row.
  context_.SelectiveMode = false;
  bool project_ok = false;
  proc.Do([&] { project_ok = Successor(); });
  if (!project_ok) return;  // the check has told the user already
  proc.Do([&] { UpdateMyData(action); });
  proc.Do([&] { ActivatePrefferedSheet(); });
  if (update_check) proc.Do([&] { AutoUpdateCheck(); });
  if (clear_status_bar) proc.Do([&] { App().SetStatusBar(""); });
}

void CPelorin::UpdateMyData(const std::string& myAction) {
  Procedure proc(context_, "Pelorin.CPelorin.UpdateMyData");
  proc.Do([&] { SetCorrectDateFormat(); });
  proc.Do([&] { ParametersSheet().GetRange("H2").SetValue(Variant(myAction)); });
  // The progress window reads H2 and performs the whole run while shown.
  EntryWindow* window = nullptr;
  proc.Do([&] { window = &ProgressWindow(); });
  proc.Do([&] { ShowOwned(Ref(window)); });
  proc.Do([&] { Ref(window).SetOwner(nullptr); });
}

std::string CPelorin::ShowRowEditor(bool unload_after) {
  std::string request;
  std::optional<ScreenUpdatingGuard> screen;
  Workbook* workbook = nullptr;
  bool has_settings = false;
  Procedure proc(context_, unload_after ? "Pelorin.CPelorin.MasterPelorin" : "Pelorin.CPelorin.ShowRefEditInterface");
  if (unload_after) {
    bool project_ok = false;
    proc.Do([&] { project_ok = Successor(); });
    if (!project_ok) return request;
  }
  proc.Do([&] {
    workbook = App().ActiveWorkbook();
    Ref(workbook);
  });
  proc.Do([&] { activate_workbook_name_ = Ref(workbook).Name(); });
  proc.Do([&] { screen.emplace(App()); });
  proc.Do([&] { has_settings = SpreadsheetExists(context_, Ref(workbook), kSettingsSheet); });
  if (has_settings) {
    RowEditorWindow* editor = nullptr;
    proc.Do([&] { Ref(workbook).Worksheets(kSettingsSheet).Activate(); });
    proc.Do([&] { editor = &RowEditor(); });
    proc.Do([&] { ShowOwned(Ref(editor)); });
    // The request text tells the workbook's script whether the user wants
    // to pick the data beginning in the sheet ("DATABEGINNING").
    proc.Do([&] { request = Ref(editor).Tag; });
    if (unload_after) {
      proc.Do([&] { Ref(editor).SetOwner(nullptr); });
      proc.Do([&] { UnloadfrmMaster(); });
    }
  } else {
    proc.Do([&] { myBreak(22); });
  }
  return request;
}

void CPelorin::MasterPelorin() { ShowRowEditor(true); }

std::string CPelorin::ShowRefEditInterface() { return ShowRowEditor(false); }

void CPelorin::UnloadfrmMaster() {
  Procedure proc(context_, "Pelorin.CPelorin.UnloadfrmMaster");
  proc.Do([&] { context_.windows.frmMaster.reset(); });
}

bool CPelorin::SelectiveUpdatePelorinXL() {
  Procedure proc(context_, "Pelorin.CPelorin.SelectiveUpdatePelorinXL");
  bool project_ok = false;
  proc.Do([&] { project_ok = Successor(); });
  if (!project_ok) return false;
  Workbook* workbook = nullptr;
  std::optional<ScreenUpdatingGuard> screen;
  bool has_settings = false;
  proc.Do([&] {
    workbook = App().ActiveWorkbook();
    Ref(workbook);
  });
  proc.Do([&] { activate_workbook_name_ = Ref(workbook).Name(); });
  proc.Do([&] { screen.emplace(App()); });
  proc.Do([&] { has_settings = SpreadsheetExists(context_, Ref(workbook), kSettingsSheet); });
  if (!has_settings) {
    proc.Do([&] { myBreak(2); });
    return false;
  }
  proc.Do([&] { Ref(workbook).Worksheets(kSettingsSheet).Activate(); });
  int last_row = 0;
  proc.Do([&] { last_row = Anchor(Ref(workbook)).End(Direction::kDown).Row(); });
  if (last_row < 3) {
    proc.Do([&] { myBreak(22); });
    return false;
  }
  bool settings_ok = false;
  proc.Do([&] { settings_ok = RavellXLSettingsAreOk(); });
  if (!settings_ok) return false;
  EntryWindow* window = nullptr;
  proc.Do([&] { window = &SelectiveWindow(); });
  proc.Do([&] { ShowOwned(Ref(window)); });
  proc.Do([&] { Ref(window).SetOwner(nullptr); });
  proc.Do([&] { context_.windows.frmSelectiveUpdateWindow.reset(); });
  return false;
}

Variant CPelorin::ShowConverterFromPelorin1IntoPelorin2() {
  Procedure proc(context_, "Pelorin.CPelorin.ShowConverterFromPelorin1IntoPelorin2");
  ConverterWindow* window = nullptr;
  proc.Do([&] { window = &Converter(); });
  proc.Do([&] { ShowOwned(Ref(window)); });
  proc.Do([&] {
    if (Ref(window).Tag == "1") RunConverter(Ref(window).txtFileNameInput(), Ref(window).txtFileNameOutput());
  });
  proc.Do([&] { Ref(window).SetOwner(nullptr); });
  proc.Do([&] { context_.windows.frmConverter.reset(); });
  return Variant();
}

}  // namespace plrxl
