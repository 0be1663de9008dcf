#include "download/run_driver.h"

#include <algorithm>

#include "entry/data_sheet_name.h"
#include "download/internal/row_access.h"
#include "entry/pelorin.h"
#include "host/error.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

RunDriver::RunDriver(RunContext& context, ProgressView* view) : context_(context), view_(view) {}

RunDriver::~RunDriver() { Close(); }

void RunDriver::Open() {
  if (!context_.MakeQuoteFetcher) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  fetcher_ = context_.MakeQuoteFetcher();
  requests_.Clear();
}

void RunDriver::Close() {
  IgnoreErrors([&] {
    if (fetcher_) fetcher_->CancelAll();
  });
  requests_.Clear();
  current_result_ = nullptr;
  fetcher_.reset();
}

CPelorin& RunDriver::Owner() {
  if (owner_ == nullptr) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  return *owner_;
}

SpreadsheetHost& RunDriver::App() {
  if (context_.host == nullptr) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  return *context_.host;
}

void RunDriver::DoEvents() { App().DoEvents(); }

void RunDriver::Run() {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.Form_Activate");
  proc.Do([&] {
    requests_.Clear();
    current_result_ = nullptr;
    context_.StopFlag = false;
    DoEvents();
    progress_value_ = 0;
    progress_caption_ = "0%";
    if (view_ != nullptr) view_->ProgressChanged(0, progress_caption_);
  });
  proc.Do([&] { RefreshMyData2(); });
}

void RunDriver::RefreshMyData2() {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.RefreshMyData2");
  std::string action;
  proc.Do([&] {
    DoEvents();
    action = Owner().TWP("H2");
  });
  proc.Do([&] { RefreshMyData(action); });
  // Closing the window: nothing may stop it from here on.
  IgnoreErrors([&] {
    if (view_ != nullptr) view_->Closed();
  });
}

void RunDriver::Cancel() {
  IgnoreErrors([&] { context_.StopFlag = true; });
  IgnoreErrors([&] { requests_.CancelAll(); });
  // Downloads handed ahead belong to no request yet: stop them too.
  IgnoreErrors([&] {
    if (fetcher_) fetcher_->CancelAll();
  });
}

bool RunDriver::DownloadThisRow(int16_t myRow) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.DownloadThisRow");
  bool chosen = false;
  proc.Do([&] {
    for (const Variant& v : context_.SelectedRows) {
      if (v.IsNumeric() && v.Number() == myRow) chosen = true;
      if (v.IsText()) {
        std::optional<double> n = TextToNumber(v.Text(), App().Regional());
        if (n && *n == myRow) chosen = true;
      }
      if (chosen) return;
    }
  });
  return chosen;
}

void RunDriver::SetProgress(int16_t row) {
  const int span = last_row_ - anchor_row_ - 1;
  const int percent = span > 0 ? (row - anchor_row_ - 1) * 100 / span : 100;
  progress_value_ = percent;
  progress_caption_ = std::to_string(percent) + "%";
  if (view_ != nullptr) view_->ProgressChanged(progress_value_, progress_caption_);
}

void RunDriver::SetMessage(const std::string& text, bool also_status_bar) {
  message_ = text;
  if (also_status_bar) App().SetStatusBar(text);
  if (view_ != nullptr) view_->MessageChanged(text);
  // A label repainted at once is a yield: a cancel is seen here too.
  if (!also_status_bar) DoEvents();
}

void RunDriver::RefreshMyData(std::string myAction) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.RefreshMyData");
  SpreadsheetHost* app = context_.host;
  const bool initial_screen = app != nullptr && app->ScreenUpdating();
  bool remembered_screen = initial_screen;
  auto end_run = [&] {
    IgnoreErrors([&] { App().SetScreenUpdating(remembered_screen); });
  };

  Workbook* workbook = nullptr;
  proc.Do([&] {
    DoEvents();
    myAction = Owner().TWP("H2");
    workbook = App().ActiveWorkbook();
    if (workbook == nullptr) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  });
  proc.Do([&] { Owner().SetCorrectDateFormat(); });
  if (proc.Aborted()) return end_run();

  // Checks before the run.
  Worksheet* settings = nullptr;
  bool go_on = false;
  proc.Do([&] {
    settings = workbook->FindWorksheet(kSettingsSheet);
    if (settings == nullptr) {
      Owner().myBreak(2);
      return;
    }
    Range anchor = workbook->NameRange(kRangeTickerName);
    Range last = anchor.End(Direction::kDown);
    if (last.Value().IsEmpty()) {
      Owner().myBreak(3);
      return;
    }
    // The first ticker row lies two rows below the anchor, under the
    // defaults row: a table that ends at its defaults row has no ticker.
    if (last.Row() < 3 || last.Row() < anchor.Row() + 2) {
      Owner().myBreak(4);
      return;
    }
    anchor_row_ = anchor.Row();
    anchor_col_ = anchor.Column();
    last_row_ = ToInt16(last.Row(), "Pelorin.ProgressBarWindow.RefreshMyData");
    go_on = true;
  });
  auto checks_stopped = [&] {
    IgnoreErrors([&] {
      if (view_ != nullptr) view_->ChecksStopped();
    });
    end_run();
  };
  if (!go_on || proc.Aborted()) return checks_stopped();
  go_on = false;
  proc.Do([&] { go_on = Owner().RavellXLSettingsAreOk(); });
  if (!go_on || proc.Aborted()) return checks_stopped();
  // Every chosen row's sheet must be possible before anything is
  // downloaded: a run must not stop half-way over a name.
  go_on = false;
  proc.Do([&] { go_on = AllDataSheetsPossible(*workbook, *settings); });
  if (!go_on || proc.Aborted()) return checks_stopped();

  proc.Do([&] { settings->Activate(); });
  prefetched_to_ = 0;
  const int16_t first_row = ToInt16(anchor_row_ + 2);
  const int16_t last_row = ToInt16(last_row_);
  for (int16_t row = first_row; row <= last_row && !proc.Aborted(); ++row) {
    std::string sheet_name, ticker;
    bool skip = false;
    proc.Do([&] {
      sheet_name = ToText(Owner().SettingsValue(*settings, row, kDataLocation), App().Regional());
      Range ticker_cell = settings->Cells(row, anchor_col_);
      ticker = ToText(ticker_cell.Value(), App().Regional());
      settings->Activate();
      ticker_cell.Select();
    });
    proc.Do([&] { skip = context_.SelectiveMode && !DownloadThisRow(row); });
    if (skip) continue;
    if (myAction == "Refresh" || myAction == "Update") PrefetchAhead(*workbook, *settings, row);

    bool sheet_ok = false;
    proc.Do([&] {
      if (workbook->FindWorksheet(sheet_name) == nullptr) {
        sheet_name = CreateSpreadsheetForTicker(*workbook, *settings, sheet_name, row);
      }
      sheet_ok = workbook->FindWorksheet(sheet_name) != nullptr;
      if (!sheet_ok) Owner().myBreak(5, sheet_name);
    });
    if (!sheet_ok || proc.Aborted()) return end_run();

    proc.Do([&] {
      remembered_screen = App().ScreenUpdating();
      App().SetScreenUpdating(false);
    });
    if (context_.StopFlag) return end_run();

    std::string macro_result;
    bool stop = false;
    if (myAction == "Refresh") {
      proc.Do([&] { fnRefreshData(myAction, *workbook, *settings, sheet_name, row); });
      if (context_.StopFlag) return end_run();
      proc.Do([&] { macro_result = Owner().RunAllMacros(*workbook, *settings, sheet_name, row); });
    } else if (myAction == "Update") {
      proc.Do([&] {
        Worksheet& sheet = workbook->Worksheets(sheet_name);
        const std::string beginning = ToText(Owner().SettingsValue(*settings, row, kDataBeginning), App().Regional());
        if (context_.StopFlag) {
          stop = true;
          return;
        }
        if (BlockStart(sheet, beginning).Value().IsEmpty()) {
          fnRefreshData("Refresh", *workbook, *settings, sheet_name, row);
        } else {
          fnUpdateMyData(myAction, *workbook, *settings, sheet_name, row);
        }
      });
      if (stop || context_.StopFlag) return end_run();
      proc.Do([&] { macro_result = Owner().RunAllMacros(*workbook, *settings, sheet_name, row); });
    } else if (myAction == "RunOnlyMacros") {
      proc.Do([&] {
        workbook->Worksheets(sheet_name).Activate();
        SetMessage("Macros " + ticker, false);
      });
      proc.Do([&] { macro_result = Owner().RunAllMacros(*workbook, *settings, sheet_name, row); });
      proc.Do([&] {
        settings->Activate();
        SetProgress(row);
      });
    }
    auto write_status = [&] {
      Owner().WriteLastStatusMsg(18, row, settings, Variant("WriteDownTheStatus"));
      Range status = settings->Cells(row, anchor_col_ + kStatus - 1);
      if (row_status_color_ != 0 && status.FontColorIndex() != 3) status.SetFontColorIndex(row_status_color_);
      row_status_color_ = 0;
      if (view_ != nullptr) {
        view_->RowFinished(row, ticker, ToText(status.Value(), App().Regional()), status.FontColorIndex() == 3);
      }
    };
    if (macro_result == "StopProcess") {
      // The person chose to stop after a failed macro: the row still shows
      // what failed before the run ends.
      proc.Do(write_status);
      return end_run();
    }
    if (proc.Aborted() || context_.StopFlag) return end_run();

    proc.Do(write_status);
    proc.Do([&] {
      App().SetScreenUpdating(true);
      App().SetScreenUpdating(remembered_screen);
    });
  }
  if (!proc.Aborted()) {
    IgnoreErrors([&] {
      if (view_ != nullptr) view_->AllRowsDone();
    });
  }
  end_run();
}

bool RunDriver::AllDataSheetsPossible(Workbook& workbook, Worksheet& settings) {
  const RegionalSettings& rs = App().Regional();
  for (int row = anchor_row_ + 2; row <= last_row_; ++row) {
    const int16_t r = ToInt16(row);
    if (context_.SelectiveMode && !DownloadThisRow(r)) continue;
    const std::string location = ToText(Owner().SettingsValue(settings, r, kDataLocation), rs);
    if (workbook.FindWorksheet(location) != nullptr) continue;
    const std::string name = PlannedSheetName(settings, r, location);
    if (workbook.FindWorksheet(name) != nullptr || IsUsableSheetName(name)) continue;
    Owner().myBreak(5, name);
    return false;
  }
  return true;
}

void RunDriver::fnRefreshData(const std::string& myAction, Workbook& myWorkbook, Worksheet& mySettings,
                                      const std::string& mySheet, int16_t myRow) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.fnRefreshData");
  proc.Do([&] { myWorkbook.Worksheets(mySheet).Activate(); });
  if (context_.StopFlag) return;
  double start_date = 0, end_date = 0;
  proc.Do([&] {
    start_date = RowDate(Owner().SettingsValue(mySettings, myRow, kStartDate), App().Regional());
    end_date = RowDate(Owner().SettingsValue(mySettings, myRow, kEndDate), App().Regional());
  });
  proc.Do([&] {
    DownloadAndPasteMyData(myAction, start_date, end_date, myWorkbook, mySettings, mySheet, myRow);
  });
  proc.Do([&] {
    if (!context_.StopFlag) SetProgress(myRow);
  });
}

void RunDriver::fnUpdateMyData(const std::string& myAction, Workbook& myWorkbook, Worksheet& mySettings,
                                       const std::string& mySheet, int16_t myRow) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.fnUpdateMyData");
  std::optional<ExistingBlock> block;
  proc.Do([&] {
    Worksheet& sheet = myWorkbook.Worksheets(mySheet);
    const RegionalSettings& rs = App().Regional();
    Range start = BlockStart(sheet, ToText(Owner().SettingsValue(mySettings, myRow, kDataBeginning), rs));
    int16_t fields = FieldCount(ToText(Owner().SettingsValue(mySettings, myRow, kDataFields), rs));
    block = FindExistingBlock(sheet, start, fields);
  });
  if (proc.Aborted()) return;
  if (!block) {
    proc.Do([&] { fnRefreshData("Refresh", myWorkbook, mySettings, mySheet, myRow); });
    return;
  }
  double end_date = 0;
  proc.Do([&] {
    end_date = RowDate(Owner().SettingsValue(mySettings, myRow, kEndDate), App().Regional());
    myWorkbook.Worksheets(mySheet).Activate();
  });
  if (context_.StopFlag || proc.Aborted()) return;
  if (end_date <= block->newest) {
    proc.Do([&] { fnRefreshData("Refresh", myWorkbook, mySettings, mySheet, myRow); });
    return;
  }
  proc.Do([&] {
    const std::string periodicity = ToText(Owner().SettingsValue(mySettings, myRow, kPeriodicity), App().Regional());
    DownloadAndPasteMyData(myAction, UpdateStart(*block, periodicity), end_date, myWorkbook, mySettings, mySheet, myRow,
                           ToInt16(block->last_row + 1), block->direction);
  });
  proc.Do([&] {
    if (!context_.StopFlag) SetProgress(myRow);
  });
}

}  // namespace plrxl
