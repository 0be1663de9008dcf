#include "macros/internal/ticker_row.h"

#include "entry/data_sheet_name.h"
#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "macros/macro_call.h"

namespace plrxl::macros_internal {

namespace {

std::string Text(CPelorin& owner, Worksheet& settings, int16_t row, int16_t column) {
  return ToText(owner.SettingsValue(settings, row, column), settings.Parent().Application().Regional());
}

}  // namespace

TickerRowTexts ReadTickerRow(CPelorin& owner, Worksheet& settings, int16_t row) {
  TickerRowTexts texts;
  texts.ticker = Text(owner, settings, row, kTicker);
  texts.periodicity = Text(owner, settings, row, kPeriodicity);
  texts.data_direction = Text(owner, settings, row, kDataDirection);
  texts.data_location = Text(owner, settings, row, kDataLocation);
  texts.data_beginning = Text(owner, settings, row, kDataBeginning);
  texts.data_fields = Text(owner, settings, row, kDataFields);
  return texts;
}

std::string DataSheetName(CPelorin& owner, Worksheet& settings, int16_t row) {
  const RegionalSettings& rs = settings.Parent().Application().Regional();
  const Range anchor = settings.Parent().NameRange(kRangeTickerName);
  const std::string location = Text(owner, settings, row, kDataLocation);
  const std::string ticker = ToText(settings.CellValue(row, anchor.Column()), rs);
  // Earlier rows for the same sheet and ticker push this one to "(n)", as
  // the run names it.
  int same = 0;
  for (int earlier = anchor.Row() + 2; earlier < row; ++earlier) {
    const int16_t r = ToInt16(earlier);
    if (SameDataLocation(Text(owner, settings, r, kDataLocation), location) &&
        ToText(settings.CellValue(r, anchor.Column()), rs) == ticker) {
      ++same;
    }
  }
  std::string name = plrxl::DataSheetName(location, ticker);
  if (same > 0) name += "(" + std::to_string(same) + ")";
  return name;
}

std::string CellAddressOnly(const std::string& address) {
  const std::optional<ParsedAddress> parsed = ParseA1(address);
  if (!parsed) throw Error(kErrRange, "PlrXL2", "Application-defined or object-defined error: '" + address + "'");
  return FormatA1(parsed->rect);
}

}  // namespace plrxl::macros_internal
