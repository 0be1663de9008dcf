// MemoryHost: the in-memory spreadsheet application. A product of its own:
// tests, the demo and the command-line host all run on it.
//
// Workbooks live in memory; OpenWorkbook, Save and SaveAs go through the
// WorkbookStore handed in (the .xlsx store of host/xlsx/). Without a store
// they throw Error 1004 "No workbook store: cannot open or save files.".
// Cells are kept compactly (a numeric cell costs about 11 bytes): each sheet
// holds per column chunks of 1,024 rows of {8-byte payload, 16-bit style id,
// 8-bit kind}; texts sit in a per-sheet pool, formulas in a side table and
// styles in the workbook's intern table.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/formula_evaluator.h"
#include "host/host_rules.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

class MemoryWorkbook;

class MemoryHost : public SpreadsheetHost {
 public:
  explicit MemoryHost(std::unique_ptr<WorkbookStore> store = nullptr,
                      RegionalSettings rs = RegionalSettings::FromLocale());
  ~MemoryHost() override;

  // A new workbook without any sheet ("Book<n>"), e.g. for a store to load
  // into; it becomes the active workbook.
  Workbook& AddEmptyWorkbook();
  WorkbookStore* Store() { return store_.get(); }
  // The engine that computes formulas (host/formula/); without one,
  // formulas keep the results they were loaded or written with.
  void SetFormulaEvaluator(std::unique_ptr<FormulaEvaluator> evaluator) { evaluator_ = std::move(evaluator); }
  FormulaEvaluator* Evaluator() { return evaluator_.get(); }

  int WorkbookCount() const override;
  Workbook& WorkbookAt(int index) override;
  Workbook* FindWorkbook(const std::string& name) override;
  Workbook* ActiveWorkbook() override;
  void SetActiveWorkbook(Workbook& wb) override;
  Workbook& OpenWorkbook(const std::string& path) override;
  // A new workbook with one sheet "Sheet1", made active.
  Workbook& AddWorkbook() override;

  bool ScreenUpdating() const override { return screen_updating_; }
  void SetScreenUpdating(bool on) override { screen_updating_ = on; }
  bool DisplayAlerts() const override { return display_alerts_; }
  void SetDisplayAlerts(bool on) override { display_alerts_ = on; }
  std::string StatusBar() const override { return status_bar_; }
  void SetStatusBar(const std::string& text) override { status_bar_ = text; }
  void EndCopyMode() override { copy_mode_ended_ = true; }
  bool CopyModeEnded() const { return copy_mode_ended_; }

  Variant Run(const std::string& name, std::vector<Variant> args) override;
  void RegisterFunction(const std::string& name, HostFunction fn) override;
  bool HasFunction(const std::string& name) const override;

  void DoEvents() override;
  void SetDoEventsHook(std::function<void()> hook) override { do_events_hook_ = std::move(hook); }

  const RegionalSettings& Regional() const override { return regional_; }
  void SetRegional(const RegionalSettings& rs) override { regional_ = rs; }

  // Called by a workbook's Close: removes and destroys it.
  void CloseWorkbook(MemoryWorkbook* wb);

 private:
  MemoryWorkbook& NewWorkbook();

  std::unique_ptr<WorkbookStore> store_;
  std::unique_ptr<FormulaEvaluator> evaluator_;
  RegionalSettings regional_;
  std::vector<std::shared_ptr<MemoryWorkbook>> workbooks_;
  MemoryWorkbook* active_ = nullptr;
  int next_book_number_ = 1;
  bool screen_updating_ = true;
  bool display_alerts_ = true;
  bool copy_mode_ended_ = false;
  std::string status_bar_;
  FunctionRegistry functions_;
  std::function<void()> do_events_hook_;
};

// The same host behind the interface.
std::unique_ptr<SpreadsheetHost> MakeMemoryHost(std::unique_ptr<WorkbookStore> store = nullptr,
                                                RegionalSettings rs = RegionalSettings::FromLocale());

}  // namespace plrxl
