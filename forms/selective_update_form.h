// frmSelectiveUpdateWindow: the selective update window's logic.
//
// Lists the ticker table of the active workbook's "PelorinXL Settings"
// sheet: list row 0 (bookmark 0) is the defaults row, drawn pale yellow;
// rows 1 to N are the ticker rows down to the end of the filled block, ten
// cells each from the anchor's column. The person selects rows; the three
// run buttons write SelectedRows (sheet rows, in selection order) and
// SelectiveMode into the context and ask the owner to run with "Refresh",
// "Update" or "RunOnlyMacros" when anything is selected. The window stays
// open after a run; Cancel hides it.
//
// A view draws ListText() for the rows it shows, forwards selection changes
// through TDBList1_SetSelected and the buttons through Click. Every
// procedure registers as "Pelorin.frmSelectiveUpdateWindow.<name>".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "entry/run_context.h"
#include "host/variant.h"

namespace plrxl {

class frmSelectiveUpdateWindow : public EntryWindow {
 public:
  static constexpr int kColumns = 10;
  // The defaults row's back colour, 0xBBGGRR: pale yellow.
  static constexpr uint32_t kDefaultsRowBackColor = 0x99FFFF;

  // `help` opens a help topic ("Selective_Update.htm").
  explicit frmSelectiveUpdateWindow(RunContext& context, std::function<void(const std::string& topic)> help = {});

  // --- Form / EntryWindow ---
  std::string FormName() const override { return "frmSelectiveUpdateWindow"; }
  // Setting an owner loads the window (Form_Load); nullptr unloads it.
  void SetOwner(CPelorin* owner) override;
  void RunHeadless(UiPort& ui) override {
    (void)ui;
    hidden_ = false;
  }
  // "cmdSelectAll", "cmdRefresh", "cmdUpdate", "cmdRunOnlyMacros",
  // "cmdHelp", "cmdCancel".
  bool Click(const std::string& control) override;
  void CancelRequested() override { cmdCancel_Click(); }

  // --- events ---
  void Form_Load();
  void Form_Unload();
  // True when the list row gets the defaults-row style (bookmark 0).
  bool TDBList1_FetchRowStyle(int bookmark) const { return bookmark == 0; }
  void TDBList1_SelChange();
  // Selects or deselects one list row (a view's selection change); call
  // TDBList1_SelChange once the change is complete.
  void TDBList1_SetSelected(int bookmark, bool selected);
  void cmdSelectAll_Click();
  void cmdRefresh_Click() { StartRun("Refresh", "Pelorin.frmSelectiveUpdateWindow.cmdRefresh_Click"); }
  void cmdUpdate_Click() { StartRun("Update", "Pelorin.frmSelectiveUpdateWindow.cmdUpdate_Click"); }
  void cmdRunOnlyMacros_Click() {
    StartRun("RunOnlyMacros", "Pelorin.frmSelectiveUpdateWindow.cmdRunOnlyMacros_Click");
  }
  void cmdHelp_Click();
  void cmdCancel_Click();
  // Selected list rows other than the defaults row.
  int32_t QuantSelect() const;

  // --- what a view shows ---
  // List rows 0 to N: N + 1.
  int RowCount() const { return static_cast<int>(table_.size() / kColumns); }
  const Variant& ListValue(int bookmark, int column) const { return table_[bookmark * kColumns + column]; }
  std::string ListText(int bookmark, int column) const;
  // The ticker table's column titles (the anchor's row).
  std::string ColumnTitle(int column) const { return column >= 0 && column < kColumns ? titles_[column] : ""; }
  // The sheet row of a list row.
  int SheetRow(int bookmark) const { return bookmark + defaults_row_; }
  bool IsSelected(int bookmark) const { return selected_[bookmark] != 0; }
  // Selected bookmarks in the order they were selected.
  const std::vector<int>& SelectionOrder() const { return order_; }
  const std::string& lblSelected() const { return label_; }
  const std::string& cmdSelectAllCaption() const { return select_all_caption_; }
  bool SelectAllState() const { return select_all_state_; }
  bool Hidden() const { return hidden_; }
  bool Loaded() const { return loaded_; }
  // Whether the Help button has a help topic to open.
  bool HelpAvailable() const { return static_cast<bool>(help_); }
  std::string Caption() const;

 private:
  CPelorin& Owner();
  void StartRun(const char* action, const char* procedure);

  RunContext& context_;
  std::function<void(const std::string&)> help_;
  CPelorin* owner_ = nullptr;
  std::string titles_[kColumns];
  std::vector<Variant> table_;  // (N + 1) rows x kColumns, row-major
  std::vector<char> selected_;
  std::vector<int> order_;
  int selected_tickers_ = 0;  // selected rows other than bookmark 0
  int defaults_row_ = 0;
  std::string label_ = "Selected: 0";
  std::string select_all_caption_;
  bool select_all_state_ = true;
  bool hidden_ = false;
  bool loaded_ = false;
};

}  // namespace plrxl
