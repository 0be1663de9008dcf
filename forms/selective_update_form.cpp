#include "forms/selective_update_form.h"

#include <algorithm>

#include "entry/pelorin.h"
#include "host/error.h"
#include "host/regional.h"
#include "host/spreadsheet_host.h"
#include "support/procedure.h"

namespace plrxl {

frmSelectiveUpdateWindow::frmSelectiveUpdateWindow(RunContext& context, std::function<void(const std::string&)> help)
    : context_(context), help_(std::move(help)) {}

CPelorin& frmSelectiveUpdateWindow::Owner() {
  if (owner_ == nullptr) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  return *owner_;
}

void frmSelectiveUpdateWindow::SetOwner(CPelorin* owner) {
  owner_ = owner;
  if (owner_ == nullptr) return;
  hidden_ = false;
  if (!loaded_) Form_Load();
}

std::string frmSelectiveUpdateWindow::Caption() const {
  return owner_ != nullptr ? owner_->TWP("Z31") : std::string();
}

void frmSelectiveUpdateWindow::Form_Load() {
  Procedure proc(context_, "Pelorin.frmSelectiveUpdateWindow.Form_Load");
  proc.Do([&] {
    SpreadsheetHost* app = Owner().ExcelApplication();
    if (app == nullptr || app->ActiveWorkbook() == nullptr) {
      throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    }
    Workbook& workbook = *app->ActiveWorkbook();
    const Range anchor = workbook.NameRange(kRangeTickerName);
    Worksheet& sheet = anchor.Sheet();
    defaults_row_ = anchor.Row() + 1;
    const int last = std::max(anchor.End(Direction::kDown).Row(), defaults_row_);
    const int rows = last - defaults_row_ + 1;
    for (int c = 0; c < kColumns; ++c) titles_[c] = ToText(sheet.CellValue(anchor.Row(), anchor.Column() + c), app->Regional());
    table_.assign(static_cast<size_t>(rows) * kColumns, Variant());
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < kColumns; ++c) {
        table_[static_cast<size_t>(r) * kColumns + c] = sheet.CellValue(defaults_row_ + r, anchor.Column() + c);
      }
    }
    selected_.assign(rows, 0);
    order_.clear();
    selected_tickers_ = 0;
  });
  proc.Do([&] { select_all_caption_ = Owner().TWP("Z32"); });
  select_all_state_ = true;
  label_ = "Selected: 0";
  loaded_ = true;
}

void frmSelectiveUpdateWindow::Form_Unload() {
  owner_ = nullptr;
  loaded_ = false;
}

std::string frmSelectiveUpdateWindow::ListText(int bookmark, int column) const {
  const Variant& value = ListValue(bookmark, column);
  if (owner_ != nullptr && owner_->ExcelApplication() != nullptr) {
    return ToText(value, owner_->ExcelApplication()->Regional());
  }
  return ToText(value, RegionalSettings());
}

int32_t frmSelectiveUpdateWindow::QuantSelect() const { return selected_tickers_; }

void frmSelectiveUpdateWindow::TDBList1_SelChange() {
  Procedure proc(context_, "Pelorin.frmSelectiveUpdateWindow.TDBList1_SelChange");
  proc.Do([&] { label_ = "Selected: " + std::to_string(QuantSelect()); });
}

void frmSelectiveUpdateWindow::TDBList1_SetSelected(int bookmark, bool selected) {
  if (bookmark < 0 || bookmark >= RowCount()) return;
  if ((selected_[bookmark] != 0) == selected) return;
  selected_[bookmark] = selected ? 1 : 0;
  if (bookmark != 0) selected_tickers_ += selected ? 1 : -1;
  if (selected) {
    order_.push_back(bookmark);
  } else {
    order_.erase(std::find(order_.begin(), order_.end(), bookmark));
  }
}

void frmSelectiveUpdateWindow::cmdSelectAll_Click() {
  Procedure proc(context_, "Pelorin.frmSelectiveUpdateWindow.cmdSelectAll_Click");
  proc.Do([&] {
    if (select_all_state_) {
      select_all_caption_ = Owner().TWP("Z33");
      order_.clear();
      for (int bookmark = 0; bookmark < RowCount(); ++bookmark) order_.push_back(bookmark);
      std::fill(selected_.begin(), selected_.end(), 1);
      selected_tickers_ = std::max(RowCount() - 1, 0);
      select_all_state_ = false;
    } else {
      select_all_caption_ = Owner().TWP("Z32");
      order_.clear();
      std::fill(selected_.begin(), selected_.end(), 0);
      selected_tickers_ = 0;
      select_all_state_ = true;
    }
  });
  proc.Do([&] { TDBList1_SelChange(); });
}

void frmSelectiveUpdateWindow::StartRun(const char* action, const char* procedure) {
  Procedure proc(context_, procedure);
  proc.Do([&] {
    context_.SelectedRows.assign(RowCount(), Variant());
    for (size_t i = 0; i < order_.size(); ++i) context_.SelectedRows[i] = Variant(SheetRow(order_[i]));
  });
  proc.Do([&] { context_.SelectiveMode = true; });
  if (order_.empty()) return;
  IgnoreErrors([&] { Owner().UpdateMyData(action); });
}

void frmSelectiveUpdateWindow::cmdHelp_Click() {
  Procedure proc(context_, "Pelorin.frmSelectiveUpdateWindow.cmdHelp_Click");
  proc.Do([&] {
    if (help_) help_("Selective_Update.htm");
  });
}

void frmSelectiveUpdateWindow::cmdCancel_Click() {
  Procedure proc(context_, "Pelorin.frmSelectiveUpdateWindow.cmdCancel_Click");
  proc.Do([&] { hidden_ = true; });
}

bool frmSelectiveUpdateWindow::Click(const std::string& control) {
  if (control == "cmdSelectAll") {
    cmdSelectAll_Click();
  } else if (control == "cmdRefresh") {
    cmdRefresh_Click();
  } else if (control == "cmdUpdate") {
    cmdUpdate_Click();
  } else if (control == "cmdRunOnlyMacros") {
    cmdRunOnlyMacros_Click();
  } else if (control == "cmdHelp") {
    cmdHelp_Click();
  } else if (control == "cmdCancel") {
    cmdCancel_Click();
  } else {
    return false;
  }
  return true;
}

}  // namespace plrxl
