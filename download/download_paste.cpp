// Download and paste: one row's quotes into its data sheet, replacing the
// block (refresh) or adding the new bars to it (update).
#include <algorithm>
#include <cmath>
#include <map>

#include "entry/data_sheet_name.h"
#include "download/internal/field_letters.h"
#include "download/internal/row_access.h"
#include "download/module_functions.h"
#include "download/run_driver.h"
#include "download/split_data_sources.h"
#include "download/table_helpers.h"
#include "entry/pelorin.h"
#include "host/column_fit.h"
#include "host/error.h"
#include "host/spreadsheet_host.h"
#include "quotes/history/bar_checks.h"

namespace plrxl {
namespace {

// Cells of "Parameters" that name the component's fields and their column
// in the data table.
constexpr const char* kFieldNameCells[][2] = {
    {"A6", "B6"},   {"A7", "B7"},   {"A8", "B8"},   {"A9", "B9"},  {"A10", "B10"},
    {"A11", "B11"}, {"A12", "B12"}, {"A13", "B13"}, {"A30", "B30"},
};

// Sets the number format of the cells of one column, keeping their other
// formatting; styles are interned once per distinct original style.
void SetColumnFormat(Worksheet& sheet, int col, int row1, int row2, const std::string& format) {
  Workbook& wb = sheet.Parent();
  std::map<int, int> restyled;
  for (int row = row1; row <= row2; ++row) {
    const int id = sheet.CellStyleId(row, col);
    auto it = restyled.find(id);
    if (it == restyled.end()) {
      CellStyle style = wb.StyleAt(id);
      style.number_format = format;
      it = restyled.emplace(id, wb.InternStyle(style)).first;
    }
    sheet.SetCellStyleId(row, col, it->second);
  }
}

}  // namespace

const FieldLetter* FindLetter(const std::string& letter) {
  const std::string lower = LowerText(letter);
  for (const FieldLetter& f : kFieldLetters) {
    if (lower == f.letter) return &f;
  }
  return nullptr;
}

bool WrittenLetter(const std::string& letter, const std::string& fields) {
  // Field letters match in any case: the editor writes D5's case, a hand-typed row may not.
  return !letter.empty() && LowerText(fields).find(LowerText(letter)) != std::string::npos &&
         FindLetter(letter) != nullptr;
}

int PositionNumber(const std::string& text) {
  std::optional<double> n = TextToNumber(text, RegionalSettings());
  return n ? static_cast<int>(std::lround(*n)) : 0;
}

std::optional<std::string> RunDriver::FitProblem(const VariantArray& table,
                                                         const std::vector<std::string>& letters,
                                                         const std::string& fields, const std::string& myAction,
                                                         const Range& start, std::optional<int16_t> myDateRow) {
  int columns = 0;
  for (const std::string& letter : letters) {
    if (WrittenLetter(letter, fields) && !table.At(table.LBound(1), FindLetter(letter)->slot).IsEmpty()) ++columns;
  }
  const int bars = table.Rows();
  // A refresh writes below the header row; an update replaces the newest
  // bar present and adds the others below the block.
  const int first_free = myAction == "Refresh" ? start.Row() + 1 : myDateRow.value_or(start.Row() + 1) - 1;
  const int room_rows = std::max(0, kMaxRows - first_free + 1);
  if (bars > room_rows) {
    return std::to_string(bars) + " bars arrived, but only " + std::to_string(room_rows) +
           " fit on the sheet from row " + std::to_string(first_free) + " down; nothing was written";
  }
  const int room_columns = kMaxCols - start.Column() + 1;
  if (columns > room_columns) {
    return std::to_string(columns) + " fields arrived, but only " + std::to_string(room_columns) +
           " columns fit on the sheet from column " + std::to_string(start.Column()) + " on; nothing was written";
  }
  return std::nullopt;
}

Variant RunDriver::Read_mDate(const std::string& direction) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.Read_mDate");
  Variant result;
  proc.Do([&] {
    if (current_result_ == nullptr) return;
    // Field name (lower case) -> table column, from A6:B13 and A30:B30.
    std::vector<std::pair<std::string, int>> columns;
    for (const auto& cells : kFieldNameCells) {
      columns.emplace_back(LowerText(Owner().TWP(cells[0])), PositionNumber(Owner().TWP(cells[1])));
    }
    for (const ResultSeries& series : current_result_->series) {
      std::shared_ptr<VariantArray> table;
      for (const ResultField& field : series.fields) {
        const std::string name = LowerText(field.name);
        int position = 0;
        for (const auto& [column_name, column] : columns) {
          if (column_name == name) position = column;
        }
        if (position < 1 || position > 8) continue;
        if (field.IsList()) {
          if (!table) table = std::make_shared<VariantArray>(2, field.LBound(), field.UBound(), 1, 8);
          const int hi = std::min(field.UBound(), table->UBound(1));
          for (int i = std::max(field.LBound(), table->LBound(1)); i <= hi; ++i) table->At(i, position) = field.At(i);
        } else {
          // A single value makes a one-row table at bar row 1.
          if (!table) table = std::make_shared<VariantArray>(2, 1, 1, 1, 8);
          if (table->LBound(1) <= 1 && table->UBound(1) >= 1) table->At(1, position) = field.value;
        }
      }
      // Built with bars as rows already: the same table a transposition of
      // the field-by-bar layout gives.
      if (!table) continue;
      Variant candidate(table);
      if (ChecktmpValue(context_, candidate)) {
        result = UpperText(direction) == "FBT" ? ReverseArray(context_, candidate) : candidate;
      }
    }
  });
  return result;
}

std::string RunDriver::DataColumns(const std::string& myStartCell, const std::string& myFieldsForDownload) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.DataColumns");
  std::string address;
  proc.Do([&] {
    const int16_t n = FieldCount(myFieldsForDownload);
    if (n == 0) return;
    Range start = App().ResolveRange(myStartCell).Cells(1, 1);
    Range end = start.End(Direction::kDown);
    if (end.Row() < 32000) {
      address = myStartCell + ":" + Range(&start.Sheet(), Rect{end.Row(), start.Column() + n - 1,
                                                               end.Row(), start.Column() + n - 1})
                                        .Address(false);
    } else {
      address = myStartCell;
    }
  });
  return address;
}

std::string RunDriver::PlannedSheetName(Worksheet& mySettings, int16_t myTestRow,
                                                const std::string& location) {
  const RegionalSettings& rs = App().Regional();
  const std::string ticker = ToText(mySettings.CellValue(myTestRow, anchor_col_), rs);
  std::string name = DataSheetName(location, ticker);
  int same = 0;
  for (int row = anchor_row_ + 2; row < myTestRow; ++row) {
    const int16_t r = ToInt16(row);
    if (SameDataLocation(ToText(Owner().SettingsValue(mySettings, r, kDataLocation), rs), location) &&
        ToText(mySettings.CellValue(r, anchor_col_), rs) == ticker) {
      ++same;
    }
  }
  if (same > 0) name += "(" + std::to_string(same) + ")";
  return name;
}

std::string RunDriver::CreateSpreadsheetForTicker(Workbook& myWorkbook, Worksheet& mySettings,
                                                          const std::string& SpreadSheetName, int16_t myTestRow) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.CreateSpreadsheetForTicker");
  std::string name;
  proc.Do([&] { name = PlannedSheetName(mySettings, myTestRow, SpreadSheetName); });
  if (!IsUsableSheetName(name)) return name;
  proc.Do([&] {
    SpreadsheetHost& app = App();
    const bool screen = app.ScreenUpdating();
    app.SetScreenUpdating(false);
    try {
      if (myWorkbook.FindWorksheet(name) == nullptr) {
        Worksheet* active = myWorkbook.ActiveSheet();
        myWorkbook.AddWorksheet().SetName(name);
        if (active != nullptr) active->Activate();
      }
    } catch (...) {
      app.SetScreenUpdating(screen);
      throw;
    }
    app.SetScreenUpdating(screen);
  });
  return name;
}

void RunDriver::WriteField(const std::string& myAction, Worksheet& sheet, const Variant& table, int column,
                                   int header_row, int value_row, const std::string& header, int position,
                                   const std::string& number_format, bool fbt) {
  const VariantArray& t = table.Array();
  const int bars = t.Rows();
  if (myAction == "Refresh") {
    sheet.SetCellValue(header_row, column, Variant(header));
    int row = header_row + 1;
    for (int i = t.LBound(1); i <= t.UBound(1); ++i) sheet.SetCellValue(row++, column, t.At(i, position));
    SetColumnFormat(sheet, column, header_row + 1, header_row + bars, number_format);
    Range(&sheet, Rect{1, column, kMaxRows, column}).AutoFitColumns();
  } else {
    // The target row holds the newest date already present, which the new
    // download brings again: it is replaced, not repeated.
    const int target = fbt ? header_row + 1 : value_row - 1;
    ColumnFitter fitter(sheet);
    const size_t removed = fitter.TextLength(target, column);
    sheet.DeleteCellsShiftUp(Rect{target, column, target, column});
    sheet.InsertCellsShiftDown(Rect{target, column, target + bars - 1, column});
    SetColumnFormat(sheet, column, target, target + bars - 1, number_format);
    int row = target;
    for (int i = t.LBound(1); i <= t.UBound(1); ++i) sheet.SetCellValue(row++, column, t.At(i, position));
    // The rest of the column is as it was fitted: only the new bars are measured.
    fitter.Refit(column, removed, bars > 0 ? fitter.LongestIn(column, target, target + bars - 1) : 0);
  }
}

void RunDriver::DownloadAndPasteMyData(const std::string& myAction, double myStartDate, double myEndDate,
                                               Workbook& myWorkbook, Worksheet& mySettings,
                                               const std::string& mySheet, int16_t myRow,
                                               std::optional<int16_t> myDateRow,
                                               std::optional<std::string> myDirection) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.DownloadAndPasteMyData");
  std::string ticker, periodicity, direction, beginning, fields, address, data_source;
  proc.Do([&] {
    const RegionalSettings& rs = App().Regional();
    ticker = ToText(mySettings.CellValue(myRow, anchor_col_), rs);
    periodicity = ToText(Owner().SettingsValue(mySettings, myRow, kPeriodicity), rs);
    direction = myDirection ? *myDirection : ToText(Owner().SettingsValue(mySettings, myRow, kDataDirection), rs);
  });
  proc.Do([&] {
    myStartDate = WholeDay(myStartDate);
    myEndDate = WholeDay(myEndDate);
  });
  if (proc.Aborted() || context_.StopFlag) return;

  bool bad_address = false;
  proc.Do([&] {
    const RegionalSettings& rs = App().Regional();
    beginning = ToText(Owner().SettingsValue(mySettings, myRow, kDataBeginning), rs);
    fields = ToText(Owner().SettingsValue(mySettings, myRow, kDataFields), rs);
    address = DataColumns(beginning, fields);
    bad_address = Owner().ErrorAddress(address);
  });
  if (proc.Aborted()) return;
  if (bad_address) {
    proc.Do([&] { Owner().WriteLastStatusMsg(50, myRow, &mySettings, std::nullopt, true); });
    return;
  }

  proc.Do([&] {
    SetMessage("Downloading " + ticker + "...", true);
    data_source = LowerText(ToText(Owner().SettingsValue(mySettings, myRow, kDataSource), App().Regional()));
    DownloadData(ticker, myStartDate, myEndDate, periodicity, data_source);
  });
  if (proc.Aborted() || context_.StopFlag) return;
  if (current_result_ == nullptr) {
    // The download has collected its cause ("Error: ..."): the status says
    // it once, as its sentence.
    proc.Do([&] {
      std::string& cause = context_.LastDownloadText;
      if (cause.empty()) {
        Owner().WriteLastStatusMsg(51, myRow, &mySettings, std::nullopt, true);
      } else {
        if (cause.back() != '.') cause += '.';
        context_.LastDownloadFailed = true;
      }
    });
    return;
  }

  Variant table;
  std::vector<QuoteEvent> events;
  proc.Do([&] {
    events = current_result_->events;
    table = Read_mDate(direction);
    SetMessage("Downloading " + ticker + " done.", true);
  });
  // The table holds the row's quotes now: the request and its result go, so
  // a run does not keep every row's download until it ends.
  IgnoreErrors([&] {
    for (int i = 0; i < requests_.Count(); ++i) {
      if (&requests_.Item(i).Result() != current_result_) continue;
      const std::string key = requests_.Key(i);
      requests_.Remove(key);
      break;
    }
    current_result_ = nullptr;
  });
  if (proc.Aborted()) return;
  if (!table.IsArray()) {
    proc.Do([&] {
      context_.LastDownloadFailed = true;
      Owner().WriteLastStatusMsg(51, myRow, &mySettings);
    });
    return;
  }
  if (context_.StopFlag) return;

  Worksheet* sheet = nullptr;
  std::optional<Range> start;
  std::vector<std::string> letters;
  proc.Do([&] {
    sheet = &myWorkbook.Worksheets(mySheet);
    start = BlockStart(*sheet, beginning);
    letters = SplitText(Owner().TWP("D5"), "|");
  });
  if (sheet == nullptr || !start || proc.Aborted()) {
    context_.LastDownloadFailed = true;
    return;
  }
  // An update first compares the bars the sheet holds already.
  if (myAction == "Update" && myDateRow && context_.ReadjustCheck) {
    std::string readjusted;
    bool append = true;
    proc.Do([&] { append = ReconcileOverlap(*sheet, *start, letters, fields, &table, events, &readjusted); });
    if (proc.Aborted()) return;
    if (!append) {
      proc.Do([&] { RewriteBlock(myWorkbook, mySettings, mySheet, myRow, readjusted); });
      return;
    }
    if (!table.IsArray()) {
      context_.LastDownloadFailed = true;
      proc.Do([&] { Owner().WriteLastStatusMsg(51, myRow, &mySettings); });
      return;
    }
  }
  const VariantArray& t = table.Array();
  // All or nothing: a download that does not fit the sheet writes no cell.
  const std::optional<std::string> too_big = FitProblem(t, letters, fields, myAction, *start, myDateRow);
  if (too_big) {
    context_.LastDownloadText = "Error: " + *too_big;
    context_.LastDownloadFailed = true;
    return;
  }
  bool cleared = myAction != "Refresh";
  proc.Do([&] {
    if (myAction == "Refresh") {
      std::optional<ParsedAddress> parsed = ParseA1(address);
      if (parsed) sheet->ClearCells(parsed->rect, true, true);
    }
    cleared = true;
  });
  // Any error while the row is pasted leaves it red, whatever was answered.
  if (!cleared) context_.LastDownloadFailed = true;
  if (proc.Aborted()) return;

  const bool fbt = UpperText(direction) == "FBT";
  int column = start->Column();
  for (const std::string& letter : letters) {
    if (proc.Aborted()) return;
    if (!WrittenLetter(letter, fields)) continue;
    const FieldLetter* mapping = FindLetter(letter);
    // A faulty "Parameters" cell of one field leaves that part unread; the
    // field is written with what could be read.
    std::string header, number_format;
    int position = 0;
    IgnoreErrors([&] { position = PositionNumber(Owner().TWP(mapping->position_cell)); });
    IgnoreErrors([&] { header = Owner().TWP(mapping->header_cell); });
    IgnoreErrors([&] {
      number_format = Owner().TWP(mapping->format_cell);
      if (std::string(mapping->letter) == "t" && position >= 1 && position <= 8) {
        int h = 0, m = 0, s = 0;
        const Variant& first = t.At(t.LBound(1), position);
        if (first.IsNumeric()) SplitTime(first.Number(), &h, &m, &s);
        if (h != 0 && m != 0 && s != 0) {
          number_format = Owner().TWP("B33");
        } else if (h != 0 || m != 0 || s != 0) {
          number_format = Owner().TWP("B3");
        }
      }
    });
    if (t.At(t.LBound(1), mapping->slot).IsEmpty()) continue;
    if (position < 1 || position > 8) continue;
    bool written = false;
    proc.Do([&] {
      WriteField(myAction, *sheet, table, column, start->Row(), myDateRow.value_or(0), header, position,
                 number_format, fbt);
      written = true;
    });
    if (!written) context_.LastDownloadFailed = true;
    ++column;
  }

  // Bars that look wrong among those written are counted, never changed:
  // check-data lists them.
  IgnoreErrors([&] {
    const std::string p = UpperText(periodicity);
    const bool daily = p.empty() || (p[0] != 'W' && p[0] != 'M');
    const std::vector<history::SuspectBar> suspects = history::FindSuspectBars(
        TableBars(Owner(), t, letters, fields, App().Regional()), history::CalendarOfTicker(ticker), daily);
    if (!suspects.empty()) context_.LastDownloadText += " " + history::SuspectCountText(suspects.size()) + ".";
  });
  proc.Do([&] {
    mySettings.Activate();
    mySettings.Cells(myRow, anchor_col_).Select();
    // The download has noted "Download OK." already: one status text, once.
    const std::string ok = Owner().TWP("E16");
    const std::string& so_far = context_.LastDownloadText;
    const bool noted = !ok.empty() && so_far.find(ok) != std::string::npos;
    if (Owner().TWP("H2") == "Update" && !noted) Owner().WriteLastStatusMsg(16, myRow, &mySettings);
  });
}

}  // namespace plrxl
