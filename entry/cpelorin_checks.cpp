// CPelorin's project checks and lookups: TWP, SettingsValue, ConsistFrom,
// ErrorAddress, Successor, RavellXLSettingsAreOk, SetCorrectDateFormat,
// ActivatePrefferedSheet.
#include <optional>

#include "entry/data_source_list.h"
#include "entry/internal/object_ref.h"
#include "entry/internal/text.h"
#include "entry/pelorin.h"
#include "host/address.h"
#include "host/formula/formula_engine.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

namespace {

// A cell that holds nothing a check can use: empty, or the empty text.
bool IsBlank(const Variant& v) { return v.IsEmpty() || (v.IsText() && v.Text().empty()); }

// The sheet-qualified A1 address a defined name refers to, or the stored
// text itself when it is no reference (e.g. "#REF!"), which then fails to
// resolve.
std::string NameAddress(const DefinedName& name) {
  std::string text = name.refers_to;
  if (!text.empty() && text[0] == '=') text.erase(0, 1);
  std::optional<ParsedAddress> parsed = ParseR1C1(text);
  if (!parsed) parsed = ParseA1(text);
  if (!parsed) return text;
  const std::string cell = FormatA1(parsed->rect);
  return parsed->sheet.empty() ? cell : QuoteSheetName(parsed->sheet) + "!" + cell;
}

}  // namespace

std::string CPelorin::TWP(const std::string& Id) {
  Procedure proc(context_, "Pelorin.CPelorin.TWP");
  std::string text;
  proc.Do([&] {
    const Variant value = ParametersSheet().GetRange(Id).Value();
    text = ToText(value, ThisWb().Application().Regional());
  });
  return text;
}

Variant CPelorin::SettingsValue(Worksheet& mySettings, int16_t myRow, int16_t myColumn) {
  Procedure proc(context_, "Pelorin.CPelorin.SettingsValue");
  Variant result;
  proc.Do([&] {
    const Range anchor = Anchor(mySettings.Parent());
    const int column = ToInt16(static_cast<long long>(anchor.Column()) + myColumn - 1);
    Variant own = mySettings.CellValue(myRow, column);
    if (!own.IsEmpty()) {
      result = std::move(own);
      return;
    }
    result = mySettings.CellValue(ToInt16(static_cast<long long>(anchor.Row()) + 1), column);
  });
  return result;
}

bool CPelorin::ConsistFrom(const std::string& myParameter, const std::string& myValue) {
  Procedure proc(context_, "Pelorin.CPelorin.ConsistFrom");
  bool result = false;
  std::string list;
  bool have_list = false;
  if (myParameter == "Direction of Data") {
    proc.Do([&] { list = TWP("D3"); });
    have_list = true;
  } else if (myParameter == "Source of Data") {
    if (text::Lower(myValue.substr(0, 4)) == "dde(") {
      result = true;
    } else {
      proc.Do([&] { list = CorvanStrDataSource(context_); });
      have_list = true;
    }
  } else if (myParameter == "Data to Download") {
    proc.Do([&] { list = TWP("D5"); });
    have_list = true;
  }
  if (have_list) {
    proc.Do([&] {
      for (const std::string& entry : text::Split(list, '|')) {
        if (text::EqualsIgnoreCase(entry, myValue)) {
          result = true;
          break;
        }
      }
    });
  }
  return result;
}

bool CPelorin::ErrorAddress(const std::string& myAddress) {
  Procedure proc(context_, "Pelorin.CPelorin.ErrorAddress");
  bool unusable = false;
  proc.Do([&] {
    SpreadsheetHost& app = App();
    // A failure to resolve is this function's answer, not an error.
    try {
      app.ResolveRange(myAddress);
    } catch (const Error&) {
      unusable = true;
    }
  });
  return unusable;
}

bool CPelorin::Successor() {
  Procedure proc(context_, "Pelorin.CPelorin.Successor");
  bool result = false;
  Workbook* workbook = nullptr;
  bool has_settings = false;
  proc.Do([&] { workbook = App().ActiveWorkbook(); });
  proc.Do([&] { has_settings = SpreadsheetExists(context_, Ref(workbook), kSettingsSheet); });
  if (!has_settings) return false;  // not a project: say nothing
  Worksheet* settings = nullptr;
  proc.Do([&] {
    settings = &Ref(workbook).Worksheets(kSettingsSheet);
    settings->Activate();
  });

  const DefinedName* ticker_name = nullptr;
  const DefinedName* source_name = nullptr;
  proc.Do([&] {
    Workbook& wb = Ref(workbook);
    for (int i = 1; i <= wb.NameCount(); ++i) {
      const DefinedName& name = wb.NameAt(i);
      const std::string lower = text::Lower(name.name);
      if (lower == text::Lower(kRangeTickerName)) ticker_name = &name;
      if (lower == text::Lower(kRangeDataSourceName)) source_name = &name;
    }
  });

  if (ticker_name != nullptr && source_name != nullptr) {
    bool broken = false;
    const std::string ticker_address = NameAddress(*ticker_name);
    const std::string source_address = NameAddress(*source_name);
    proc.Do([&] { broken = ErrorAddress(ticker_address) || ErrorAddress(source_address); });
    if (!broken) {
      proc.Do([&] {
        const Range anchor = App().ResolveRange(ticker_address);
        // More than one cell has no text (its value is an array); say so
        // before reading what may be most of the sheet.
        if (anchor.Count() != 1) throw Error(kErrTypeMismatch, "PlrXL2", "Type mismatch");
        const std::string anchor_text = ToText(anchor.Value(), App().Regional());
        result = text::Lower(anchor_text) == text::Lower(TWP("I1"));
      });
      if (result) return true;
    }
    proc.Do([&] { myBreak(3); });
    return false;
  }

  // A name is missing: look for the table's first cell and define both
  // names again.
  proc.Do([&] {
    Worksheet& sheet = Ref(settings);
    const RegionalSettings& rs = App().Regional();
    const std::string defaults_label = text::Lower(TWP("I2"));
    const std::string start_title = text::Lower(TWP("J1"));
    std::optional<std::pair<int, int>> found;
    sheet.ForEachCell(Rect{1, 1, 1000, 26}, [&](int row, int col) {
      if (found) return;
      if (text::Lower(ToText(sheet.CellValue(row, col), rs)) != "ticker") return;
      if (text::Lower(ToText(sheet.CellValue(row + 1, col), rs)) != defaults_label) return;
      if (text::Lower(ToText(sheet.CellValue(row, col + 1), rs)) != start_title) return;
      found = std::make_pair(row, col);
    });
    if (!found) return;
    const auto [row, col] = *found;
    const std::string prefix = "=" + QuoteSheetName(kSettingsSheet) + "!";
    Ref(workbook).AddName(kRangeTickerName, prefix + FormatR1C1(Rect{row, col, row, col}));
    Ref(workbook).AddName(kRangeDataSourceName, prefix + FormatR1C1(Rect{row + 1, col + 7, row + 1, col + 7}));
    result = true;
  });
  if (!result) proc.Do([&] { myBreak(3); });
  return result;
}

bool CPelorin::RavellXLSettingsAreOk() {
  Procedure proc(context_, "Pelorin.CPelorin.RavellXLSettingsAreOk");
  context_.BreakShown = false;
  Workbook* workbook = nullptr;
  bool has_settings = false;
  proc.Do([&] { workbook = App().ActiveWorkbook(); });
  proc.Do([&] { has_settings = SpreadsheetExists(context_, Ref(workbook), kSettingsSheet); });
  if (!has_settings) {
    proc.Do([&] { myBreak(2); });
    return !context_.BreakShown;
  }
  Worksheet* settings = nullptr;
  proc.Do([&] {
    settings = &Ref(workbook).Worksheets(kSettingsSheet);
    settings->Activate();
  });

  int anchor_row = 0, last_row = 0;
  bool stop = false;
  proc.Do([&] {
    const Range anchor = Anchor(Ref(workbook));
    anchor_row = anchor.Row();
    const Range last = anchor.End(Direction::kDown);
    if (Ref(settings).IsCellEmpty(last.Row(), last.Column())) {
      myBreak(3);
      stop = true;
    } else if (last.Row() < 3) {
      myBreak(4);
      stop = true;
    } else {
      last_row = ToInt16(last.Row());
    }
  });
  if (stop || proc.Aborted()) return !context_.BreakShown;

  for (int r = anchor_row + 2; r <= last_row && !stop && !proc.Aborted(); ++r) {
    stop = !RowChecksPass(proc, Ref(settings), ToInt16(r));
  }
  return !context_.BreakShown;
}

bool CPelorin::RowChecksPass(Procedure& proc, Worksheet& settings, int16_t row) {
  int anchor_col = 0;
  std::string ticker;
  const RegionalSettings* rs = nullptr;
  proc.Do([&] {
    anchor_col = Anchor(settings.Parent()).Column();
    rs = &App().Regional();
    ticker = ToText(settings.CellValue(row, anchor_col), *rs);
  });
  bool stop = proc.Aborted();
  // One check per statement: the first fault shows its message and ends
  // the check.
  auto check = [&](auto&& body) {
    if (!stop) proc.Do([&] { stop = body(); });
  };
  check([&] {
    if (!IsBlank(SettingsValue(settings, row, kDataLocation))) return false;
    myBreak(6, ToText(settings.CellValue(row, 1), Ref(rs)));
    return true;
  });
  for (const auto& date_check : {std::pair<int16_t, const char*>{kStartDate, "E19"}, {kEndDate, "E20"}}) {
    const int16_t column = date_check.first;
    const char* label = date_check.second;
    check([&] {
      const Variant value = SettingsValue(settings, row, column);
      // A formula of the row left without a result does not fall back on
      // the Defaults row: it is named, with the function it cannot use.
      const int cell_col = anchor_col + column - 1;
      const bool own_without_result =
          !settings.CellFormula(row, cell_col).empty() && settings.CellValue(row, cell_col).IsEmpty();
      if (!own_without_result && IsDateLike(value, Ref(rs))) return false;
      std::string shown = ToText(value, Ref(rs));
      const int defaults_row = Anchor(settings.Parent()).Row() + 1;
      for (int cell_row : {static_cast<int>(row), defaults_row}) {
        const std::string formula = settings.CellFormula(cell_row, cell_col);
        if (formula.empty() && settings.IsCellEmpty(cell_row, cell_col)) continue;  // the Defaults row's
        const std::string cell = ColumnLetters(cell_col) + std::to_string(cell_row) + ": " + formula;
        const std::string advice = "; write a date or a formula of the functions listed in the guide's page on formulas";
        if (const std::optional<std::string> unknown = UnknownFunctionIn(formula)) {
          shown = cell + " uses " + *unknown + ", which PelorinXL cannot compute" + advice;
        } else if (!formula.empty() && settings.CellValue(cell_row, cell_col).IsEmpty()) {
          shown = cell + " has no result" + advice;
        }
        break;
      }
      myBreak(8, TWP(label), shown, ticker);
      return true;
    });
  }
  check([&] {
    const std::string value = ToText(SettingsValue(settings, row, kDataDirection), Ref(rs));
    if (ConsistFrom("Direction of Data", value)) return false;
    myBreak(10, value, ticker);
    return true;
  });
  check([&] {
    const std::string value = ToText(SettingsValue(settings, row, kDataSource), Ref(rs));
    if (ConsistFrom("Source of Data", value)) return false;
    myBreak(11, value, ticker);
    return true;
  });
  check([&] {
    const std::string value = ToText(SettingsValue(settings, row, kDataBeginning), Ref(rs));
    if (!ErrorAddress(value)) return false;
    myBreak(13, value, ticker);
    return true;
  });
  return !stop && !proc.Aborted();
}

bool CPelorin::TickerRowIsOk(Worksheet& mySettings, int16_t myRow) {
  Procedure proc(context_, "Pelorin.CPelorin.TickerRowIsOk");
  return RowChecksPass(proc, mySettings, myRow);
}

void CPelorin::SetCorrectDateFormat() {
  Procedure proc(context_, "Pelorin.CPelorin.SetCorrectDateFormat");
  std::string pattern;
  proc.Do([&] {
    // 15 October 2002 in the user's short-date format tells the order and
    // the separators of its parts.
    pattern = DateToText(DateSerial(2002, 10, 15), App().Regional());
    pattern = text::ReplaceAll(pattern, "20", "yy");
    pattern = text::ReplaceAll(pattern, "02", "yy");
    pattern = text::ReplaceAll(pattern, "10", "mm");
    pattern = text::ReplaceAll(pattern, "15", "dd");
  });
  if (proc.Aborted()) return;
  IgnoreErrors([&] {
    Worksheet& parameters = ParametersSheet();
    parameters.GetRange("B2").SetValue(Variant(pattern));
    parameters.GetRange("J2").SetNumberFormat(pattern);
    parameters.GetRange("K2").SetNumberFormat(pattern);
  });
}

void CPelorin::ActivatePrefferedSheet() {
  Procedure proc(context_, "Pelorin.CPelorin.ActivatePrefferedSheet");
  proc.Do([&] {
    Workbook& workbook = Ref(App().ActiveWorkbook());
    if (Worksheet* summary = workbook.FindWorksheet("Summary")) {
      summary->Activate();
    } else if (Worksheet* data = workbook.FindWorksheet("Data")) {
      data->Activate();
    } else {
      workbook.WorksheetAt(1).Activate();
    }
  });
}

}  // namespace plrxl
