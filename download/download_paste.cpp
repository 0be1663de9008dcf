// Download and paste: one row's quotes into its data sheet, replacing the
// block (refresh) or adding the new bars to it (update).
#include <cmath>
#include <map>

#include "download/internal/row_access.h"
#include "download/module_functions.h"
#include "download/progress_bar_window.h"
#include "download/split_data_sources.h"
#include "download/table_helpers.h"
#include "entry/pelorin.h"
#include "host/error.h"
#include "host/spreadsheet_host.h"

namespace plrxl {
namespace {

// The field letters of DataFields and the "Parameters" cells that describe
// each: number format, position in the data table, header text, and the
// table column tested for data.
struct FieldLetter {
  const char* letter;
  const char* format_cell;  // the time column picks among B2, B3 and B33
  const char* position_cell;
  const char* header_cell;
  int slot;
};
constexpr FieldLetter kFieldLetters[] = {
    {"d", "B2", "B6", "B14", 1},  {"t", "B2", "B7", "B15", 8},  {"o", "B4", "B8", "B16", 2},
    {"h", "B4", "B9", "B17", 3},  {"l", "B4", "B10", "B18", 4}, {"c", "B4", "B11", "B19", 5},
    {"v", "B5", "B12", "B20", 6}, {"p", "B5", "B30", "B21", 7}, {"a", "B4", "B30", "B22", 7},
};

// Field letters compare without regard to case everywhere: a hand-typed
// "DOHLC" selects the same fields as the listed "dohlc".
const FieldLetter* FindLetter(const std::string& letter) {
  const std::string lower = LowerText(letter);
  for (const FieldLetter& f : kFieldLetters) {
    if (lower == f.letter) return &f;
  }
  return nullptr;
}

// Cells of "Parameters" that name the component's fields and their column
// in the data table.
constexpr const char* kFieldNameCells[][2] = {
    {"A6", "B6"},   {"A7", "B7"},   {"A8", "B8"},   {"A9", "B9"},  {"A10", "B10"},
    {"A11", "B11"}, {"A12", "B12"}, {"A13", "B13"}, {"A30", "B30"},
};

int PositionNumber(const std::string& text) {
  std::optional<double> n = TextToNumber(text, RegionalSettings());
  return n ? static_cast<int>(std::lround(*n)) : 0;
}

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

Variant ProgressBarWindow::Read_mDate(const std::string& direction) {
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
        if (field.value.IsArray()) {
          const VariantArray& values = field.value.Array();
          if (!table) table = std::make_shared<VariantArray>(2, values.LBound(1), values.UBound(1), 1, 8);
          const int hi = std::min(values.UBound(1), table->UBound(1));
          for (int i = std::max(values.LBound(1), table->LBound(1)); i <= hi; ++i) {
            table->At(i, position) = values.At(i);
          }
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

std::string ProgressBarWindow::DataColumns(const std::string& myStartCell, const std::string& myFieldsForDownload) {
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

std::string ProgressBarWindow::CreateSpreadsheetForTicker(Workbook& myWorkbook, Worksheet& mySettings,
                                                          const std::string& SpreadSheetName, int16_t myTestRow) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.CreateSpreadsheetForTicker");
  std::string name;
  proc.Do([&] {
    const RegionalSettings& rs = App().Regional();
    name = ToText(RemoveBadSymbols(context_, Variant(SpreadSheetName), kBadSheetChars), rs).substr(0, 28);
    const std::string ticker = ToText(mySettings.CellValue(myTestRow, anchor_col_), rs);
    if (UpperText(name) == "AUTO") name = ticker;
    const std::string location = ToText(Owner().SettingsValue(mySettings, myTestRow, kDataLocation), rs);
    int same = 0;
    for (int row = anchor_row_ + 2; row < myTestRow; ++row) {
      const int16_t r = ToInt16(row);
      if (ToText(Owner().SettingsValue(mySettings, r, kDataLocation), rs) == location &&
          ToText(mySettings.CellValue(r, anchor_col_), rs) == ticker) {
        ++same;
      }
    }
    if (same > 0) name += "(" + std::to_string(same) + ")";
  });
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

void ProgressBarWindow::WriteField(const std::string& myAction, Worksheet& sheet, const Variant& table, int column,
                                   int header_row, int value_row, const std::string& header, int position,
                                   const std::string& number_format, bool fbt) {
  const VariantArray& t = table.Array();
  const int bars = t.Rows();
  if (myAction == "Refresh") {
    sheet.SetCellValue(header_row, column, Variant(header));
    int row = header_row + 1;
    for (int i = t.LBound(1); i <= t.UBound(1); ++i) sheet.SetCellValue(row++, column, t.At(i, position));
    SetColumnFormat(sheet, column, header_row + 1, header_row + bars, number_format);
  } else {
    // The target row holds the newest date already present, which the new
    // download brings again: it is replaced, not repeated.
    const int target = fbt ? header_row + 1 : value_row - 1;
    sheet.DeleteCellsShiftUp(Rect{target, column, target, column});
    sheet.InsertCellsShiftDown(Rect{target, column, target + bars - 1, column});
    SetColumnFormat(sheet, column, target, target + bars - 1, number_format);
    int row = target;
    for (int i = t.LBound(1); i <= t.UBound(1); ++i) sheet.SetCellValue(row++, column, t.At(i, position));
  }
  Range(&sheet, Rect{1, column, kMaxRows, column}).AutoFitColumns();
}

void ProgressBarWindow::DownloadAndPasteMyData(const std::string& myAction, double myStartDate, double myEndDate,
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
    proc.Do([&] {
      Owner().WriteLastStatusMsg(51, myRow, &mySettings, Variant(context_.LastDownloadText), true);
    });
    return;
  }

  Variant table;
  proc.Do([&] {
    table = Read_mDate(direction);
    SetMessage("Downloading " + ticker + " done.", true);
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
  proc.Do([&] {
    sheet = &myWorkbook.Worksheets(mySheet);
    start = BlockStart(*sheet, beginning);
    if (myAction == "Refresh") {
      std::optional<ParsedAddress> parsed = ParseA1(address);
      if (parsed) sheet->ClearCells(parsed->rect, true, true);
    }
  });
  if (sheet == nullptr || !start || proc.Aborted()) return;

  const bool fbt = UpperText(direction) == "FBT";
  int column = start->Column();
  std::vector<std::string> letters;
  proc.Do([&] { letters = SplitText(Owner().TWP("D5"), "|"); });
  const VariantArray& t = table.Array();
  for (const std::string& letter : letters) {
    if (proc.Aborted()) return;
    if (letter.empty() || LowerText(fields).find(LowerText(letter)) == std::string::npos) continue;
    const FieldLetter* mapping = FindLetter(letter);
    if (mapping == nullptr) continue;
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
    proc.Do([&] {
      WriteField(myAction, *sheet, table, column, start->Row(), myDateRow.value_or(0), header, position,
                 number_format, fbt);
    });
    ++column;
  }

  proc.Do([&] {
    mySettings.Activate();
    mySettings.Cells(myRow, anchor_col_).Select();
    if (Owner().TWP("H2") == "Update") Owner().WriteLastStatusMsg(16, myRow, &mySettings);
  });
}

}  // namespace plrxl
