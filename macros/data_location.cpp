// Where the pasted columns of the ticker's data sheet are, and what data
// cells a field word or an address in a macro parameter stands for.
#include <string>

#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "macros/cfenmar.h"
#include "macros/internal/runtime_text.h"
#include "support/procedure.h"

namespace plrxl {

using macros_internal::ContainsNoCase;
using macros_internal::IsNumericValue;
using macros_internal::SplitList;
using macros_internal::ToDateSerial;

const std::array<DataFieldName, kDataFieldCount> kDataFieldNames = {{
    {DataField::kDate, "Date", "date"},
    {DataField::kOpen, "Open", "open"},
    {DataField::kHigh, "High", "high"},
    {DataField::kLow, "Low", "low"},
    {DataField::kClose, "Close", "close"},
    {DataField::kVolume, "Volume", "volume"},
    {DataField::kTime, "Time", "time"},
    {DataField::kOpenInterest, "Open Interest", "open interest"},
}};

namespace {

// Row where the jump down from (row, col) ends, or 0 when it does not end
// below the search limit.
int EndBelow(Worksheet& sheet, int row, int col) {
  const int end = sheet.Cells(row, col).End(Direction::kDown).Row();
  return end < kSearchRowLimit ? end : 0;
}

std::string ColumnAddress(Worksheet& sheet, int first, int last, int col) {
  return sheet.Cells(first, col).Address() + ":" + sheet.Cells(last, col).Address();
}

}  // namespace

DataRanges Cfenmar::fnDataRanges() {
  return ComponentCall("Pelorin.Cfenmar.fnDataRanges", kCfenmarFailure, [&] {
    const char* source = "Pelorin.Cfenmar.fnDataRanges";
    Worksheet& data_sheet = ActiveSheet();
    int16_t row = 0;
    Worksheet& settings = ActivateSettings(&row);
    CPelorin& owner = OwnerObject();
    const RegionalSettings& rs = App().Regional();
    const std::string beginning = ToText(owner.SettingsValue(settings, row, kDataBeginning), rs);
    const std::string fields = ToText(owner.SettingsValue(settings, row, kDataFields), rs);
    data_sheet.Activate();

    int columns = 0;
    for (const std::string& letter : SplitList(owner.TWP("D5"), '|')) {
      if (ContainsNoCase(fields, letter)) ++columns;
    }
    // The address is resolved on the project's "Parameters" sheet; the
    // cells themselves are read on the data sheet.
    const Range first = ThisWb().Worksheets(kParametersSheet).GetRange(beginning);
    const int16_t title_row = ToInt16(first.Row(), source);
    DataRanges ranges;
    for (int i = 1; i <= columns; ++i) {
      const int16_t col = ToInt16(first.Column() + i - 1, source);
      const int16_t last = ToInt16(EndBelow(data_sheet, title_row, col), source);
      const Variant title = data_sheet.CellValue(title_row, col);
      if (!title.IsText()) continue;
      for (const DataFieldName& name : kDataFieldNames) {
        if (title.Text() == name.title) ranges[name.field] = DataRange{title_row, last, col};
      }
    }
    return ranges;
  });
}

std::string Cfenmar::fnFindData(std::string& text) {
  return ComponentCall("Pelorin.Cfenmar.fnFindData", kCfenmarFailure, [&]() -> std::string {
    SpreadsheetHost& app = App();
    const std::string data_sheet_name = ActiveSheet().Name();
    const bool screen_updating = app.ScreenUpdating();
    app.SetScreenUpdating(false);
    int16_t row = 0;
    Worksheet& settings = ActivateSettings(&row);
    Worksheet& data_sheet = ActiveWb().Worksheets(data_sheet_name);
    data_sheet.Activate();
    app.SetScreenUpdating(screen_updating);

    const DataRanges ranges = fnDataRanges();
    bool field_word = false;
    for (const std::string& entry : SplitList(OwnerObject().TWP("D7"), '|')) {
      if (ContainsNoCase(text, entry)) field_word = true;
    }
    if (field_word) {
      text = LowerAscii(text);
      const DataFieldName* found = nullptr;
      for (const DataFieldName& name : kDataFieldNames) {
        if (text == name.word) found = &name;
      }
      if (found == nullptr) {
        throw Error(kErrSubscript, "Pelorin.Cfenmar.fnFindData", "Subscript out of range");
      }
      const std::optional<DataRange>& range = ranges[found->field];
      if (!range) return "";
      int first = range->title_row;
      if (!IsNumericValue(data_sheet.CellValue(range->title_row, range->column), app.Regional())) ++first;
      return ColumnAddress(data_sheet, first, range->last_row, range->column);
    }
    if (text.find(':') != std::string::npos) return text;

    const Range cell = data_sheet.GetRange(text);
    const int last = EndBelow(data_sheet, cell.Row(), cell.Column());
    if (last == 0) {
      OwnerObject().WriteLastStatusMsg(48, row, &settings);
      return "";
    }
    const int16_t first = ToInt16(cell.Row() + (IsNumericValue(cell.Value(), app.Regional()) ? 0 : 1),
                                  "Pelorin.Cfenmar.fnFindData");
    return ColumnAddress(data_sheet, first, ToInt16(last, "Pelorin.Cfenmar.fnFindData"), cell.Column());
  });
}

int16_t Cfenmar::fnDataDirection() {
  return ComponentCall("Pelorin.Cfenmar.fnDataDirection", kCfenmarFailure, [&]() -> int16_t {
    const DataRanges ranges = fnDataRanges();
    const std::optional<DataRange>& date = ranges[DataField::kDate];
    if (!date) return 1;
    Worksheet& sheet = ActiveSheet();
    const RegionalSettings& rs = App().Regional();
    const double d1 = ToDateSerial(sheet.CellValue(date->title_row + 1, date->column), rs);
    const double d2 = ToDateSerial(sheet.CellValue(date->last_row, date->column), rs);
    return d1 - d2 > 0 ? 1 : 0;
  });
}

}  // namespace plrxl
