// CPelorin's project editing: new projects from the template block, and
// ticker rows written at a given row or appended after the last one.
#include <algorithm>
#include <optional>

#include "entry/internal/object_ref.h"
#include "entry/internal/screen_updating.h"
#include "entry/internal/text.h"
#include "entry/pelorin.h"
#include "host/number_from_text.h"
#include "host/spreadsheet_host.h"
#include "support/settings_store.h"

namespace plrxl {

namespace {

// The per-user settings read when a project is created.
struct NewProjectSettings {
  int zoom = 80;
  bool auto_fit = true;
};

NewProjectSettings ReadNewProjectSettings(SettingsStore* injected) {
  std::optional<SettingsStore> own;
  if (injected == nullptr) own.emplace(SettingsStore::ForUser());
  const SettingsStore& store = injected != nullptr ? *injected : *own;
  NewProjectSettings settings;
  const std::string zoom = store.GetSetting(kSettingsApp, kSettingSection, "txtZoom", "80");
  const std::optional<int> zoom_number = NumberFromText<int>(zoom);
  if (!zoom_number) throw Error(kErrTypeMismatch, "PlrXL2", "Type mismatch");
  settings.zoom = *zoom_number;
  settings.auto_fit = store.GetSetting(kSettingsApp, kSettingSection, "chbAutoFit", "1") == "1";
  return settings;
}

// A text written into a cell the way the spreadsheet takes typed input:
// the empty text leaves the cell empty; in date columns a text that reads
// as a date becomes a date.
Variant CellInput(const std::string& text, bool date_column, const RegionalSettings& rs) {
  if (text.empty()) return Variant();
  if (date_column) {
    if (std::optional<double> serial = TextToDate(text, rs)) return Variant::Date(*serial);
  }
  return Variant(text);
}

}  // namespace

void CPelorin::CreateNewRavellProject() {
  Procedure proc(context_, "Pelorin.CPelorin.CreateNewRavellProject");
  proc.Do([&] { SetCorrectDateFormat(); });
  Workbook* workbook = nullptr;
  std::optional<ScreenUpdatingGuard> screen;
  proc.Do([&] { workbook = App().ActiveWorkbook(); });
  proc.Do([&] {
    screen.emplace(App());
    screen->Off();
  });

  Worksheet* settings = nullptr;
  proc.Do([&] { settings = Ref(workbook).FindWorksheet(kSettingsSheet); });
  if (settings != nullptr) {
    if (!settings->Visible()) {
      proc.Do([&] { settings->SetVisible(true); });
      return;
    }
    std::string answer;
    proc.Do([&] { answer = ContinueExecution(21); });
    if (answer != "True") return;
    proc.Do([&] {
      settings->SetVisible(true);
      settings->Activate();
      settings->GetRange("A:K").Clear();
    });
  } else {
    proc.Do([&] {
      settings = &Ref(workbook).AddWorksheet();
      settings->SetName(kSettingsSheet);
    });
  }

  proc.Do([&] {
    Worksheet& sheet = Ref(settings);
    sheet.SetVisible(true);
    ParametersSheet().GetRange("I1:S5").CopyTo(sheet.GetRange("A1"));
    App().EndCopyMode();
  });
  NewProjectSettings user;
  proc.Do([&] { user = ReadNewProjectSettings(context_.settings); });
  proc.Do([&] {
    Worksheet& sheet = Ref(settings);
    sheet.Activate();
    sheet.SetZoom(user.zoom);
    sheet.GetRange("A1").Select();
  });
  if (user.auto_fit) proc.Do([&] { Ref(settings).GetRange("A:K").AutoFitColumns(); });
  proc.Do([&] {
    const std::string prefix = "=" + QuoteSheetName(kSettingsSheet) + "!";
    Ref(workbook).AddName(kRangeTickerName, prefix + "R1C1");
    Ref(workbook).AddName(kRangeDataSourceName, prefix + "R2C8");
  });
}

void CPelorin::WriteTickerRow(Range anchor, int row_index, const TickerRowFields& fields) {
  const Variant values[] = {Variant(text::Upper(fields.Ticker)), fields.StartDate, fields.EndDate,
                            Variant(fields.Periodicity), Variant(fields.DataDirection), Variant(fields.DataLocation),
                            Variant(fields.DataBeginning), Variant(fields.DataSource), Variant(fields.DataFields)};
  const RegionalSettings& rs = App().Regional();
  for (int n = 1; n <= 9; ++n) {
    Variant value = values[n - 1];
    if (value.IsText()) value = CellInput(value.Text(), n == kStartDate || n == kEndDate, rs);
    anchor.Cells(row_index, n).SetValue(value);
  }
}

void CPelorin::ReplaceTickerOnProject(const std::string& Ticker, double StartDate, double EndDate,
                                      const std::string& Periodicity, const std::string& DataDirection,
                                      const std::string& DataLocation, const std::string& DataBeginning,
                                      const std::string& DataSource, const std::string& DataFields,
                                      std::optional<int32_t> myRow) {
  Procedure proc(context_, "Pelorin.CPelorin.ReplaceTickerOnProject");
  Workbook* workbook = nullptr;
  std::optional<ScreenUpdatingGuard> screen;
  bool has_settings = false;
  proc.Do([&] { workbook = App().ActiveWorkbook(); });
  proc.Do([&] {
    screen.emplace(App());
    screen->Off();
  });
  proc.Do([&] { has_settings = SpreadsheetExists(context_, Ref(workbook), kSettingsSheet); });
  if (!has_settings) return;
  proc.Do([&] {
    // The zero date (0:00:00) stands for "no date": the cell stays empty so
    // the defaults row supplies it.
    auto date = [](double serial) { return serial == 0 ? Variant() : Variant::Date(serial); };
    const TickerRowFields fields{Ticker,       date(StartDate), date(EndDate), Periodicity, DataDirection,
                                 DataLocation, DataBeginning,   DataSource,    DataFields};
    WriteTickerRow(Anchor(Ref(workbook)), myRow.value_or(3), fields);
  });
}

void CPelorin::AddNewRecord(const std::string& Ticker, const std::string& StartDate, const std::string& EndDate,
                            const std::string& Periodicity, const std::string& DataDirection,
                            const std::string& DataLocation, const std::string& DataBeginning,
                            const std::string& DataSource, const std::string& DataFields) {
  Procedure proc(context_, "Pelorin.CPelorin.AddNewRecord");
  Worksheet* settings = nullptr;
  std::string anchor_address;
  proc.Do([&] {
    Workbook* workbook = App().FindWorkbook(activate_workbook_name_);
    if (workbook == nullptr) throw Error(kErrSubscript, "PlrXL2", "Subscript out of range");
    settings = &workbook->Worksheets(kSettingsSheet);
    anchor_address = Anchor(*workbook).Address();
  });
  std::string last_cell;
  proc.Do([&] { last_cell = GotoLastCell(activate_workbook_name_, kSettingsSheet, anchor_address); });
  proc.Do([&] {
    Worksheet& sheet = Ref(settings);
    const Range anchor = sheet.GetRange(anchor_address);
    const int last_row = sheet.GetRange(last_cell).Row();
    const TickerRowFields fields{Ticker,       Variant(StartDate), Variant(EndDate), Periodicity, DataDirection,
                                 DataLocation, DataBeginning,      DataSource,       DataFields};
    WriteTickerRow(anchor, last_row + 1 - anchor.Row() + 1, fields);
  });
}

std::string CPelorin::EditTickerRow(std::optional<int32_t> myRow, const TickerRowEdit& fields,
                                   int32_t* written_row) {
  Procedure proc(context_, "Pelorin.CPelorin.EditTickerRow");
  std::string refusal;
  proc.Do([&] {
    Workbook& workbook = Ref(App().ActiveWorkbook());
    Worksheet& sheet = workbook.Worksheets(kSettingsSheet);
    const Range anchor = Anchor(workbook);
    const RegionalSettings& rs = App().Regional();
    // The table: the titles, the defaults row and the filled block of
    // ticker rows below them.
    const Range block_end = anchor.End(Direction::kDown);
    const int table_rows = sheet.IsCellEmpty(block_end.Row(), block_end.Column())
                               ? 2
                               : std::max(2, block_end.Row() - anchor.Row() + 1);
    int row = 0;
    if (myRow) {
      row = *myRow;
      if (row < 2) {
        refusal = "row " + std::to_string(row) + " holds the column titles; rows 2 (defaults) to " +
                  std::to_string(table_rows + 1) + " can be written";
        return;
      }
    } else {
      // Appended after the last row of the sheet that holds anything.
      const std::optional<std::pair<int, int>> last = sheet.LastCellWithContent(Rect{1, 1, kMaxRows, kMaxCols});
      row = (last ? last->first : anchor.Row()) + 1 - anchor.Row() + 1;
    }
    if (row > table_rows + 1) {
      refusal = "table row " + std::to_string(row) + " (sheet row " + std::to_string(anchor.Row() + row - 1) +
                ") is neither inside the ticker table nor directly below it: its last row is " +
                std::to_string(table_rows) + " (sheet row " + std::to_string(anchor.Row() + table_rows - 1) + ")";
      return;
    }
    const bool defaults_row = row == 2;
    if (defaults_row && fields[kTicker - 1]) {
      refusal = "row 2 is the defaults row: its label \"" + anchor.Cells(2, kTicker).Text() + "\" stays";
      return;
    }
    for (int n = 1; n <= static_cast<int>(fields.size()); ++n) {
      if (!fields[n - 1]) continue;
      const std::string& given = *fields[n - 1];
      const Variant value = CellInput(n == kTicker ? text::Upper(given) : given,
                                      n == kStartDate || n == kEndDate, rs);
      anchor.Cells(row, n).SetValue(value);
    }
    if (!defaults_row) {
      const std::string ticker = ToText(anchor.Cells(row, kTicker).Value(), rs);
      if (ticker.find_first_not_of(" \t") == std::string::npos) {
        refusal = "a ticker row needs a ticker (--ticker)";
        return;
      }
    }
    // The project check's rules, shown as the check shows them.
    const int first = defaults_row ? 3 : row;
    const int last = defaults_row ? table_rows : row;
    for (int r = first; r <= last && refusal.empty(); ++r) {
      if (!TickerRowIsOk(sheet, ToInt16(anchor.Row() + r - 1))) {
        refusal = "table row " + std::to_string(r) + " would not pass the project check (see the message above)";
      }
    }
    if (refusal.empty() && written_row != nullptr) *written_row = row;
  });
  if (proc.Aborted() && refusal.empty()) refusal = "the row could not be written";
  return refusal;
}

std::string CPelorin::GotoLastCell(const std::string& workbook_name, const std::string& sheet_name,
                                   const std::string& start_cell) {
  Procedure proc(context_, "Pelorin.CPelorin.GotoLastCell");
  std::string address;
  proc.Do([&] {
    Workbook* workbook = App().FindWorkbook(workbook_name);
    if (workbook == nullptr) throw Error(kErrSubscript, "PlrXL2", "Subscript out of range");
    Worksheet& sheet = workbook->Worksheets(sheet_name);
    const Range start = sheet.GetRange(start_cell);
    // The last row holding anything, searched backwards by rows; reported in
    // the start cell's column. A sheet without content reports the start.
    const std::optional<std::pair<int, int>> last = sheet.LastCellWithContent(Rect{1, 1, kMaxRows, kMaxCols});
    const Range cell = last ? sheet.Cells(last->first, start.Column()) : start;
    cell.Select();
    address = cell.Address();
  });
  return address;
}

}  // namespace plrxl
