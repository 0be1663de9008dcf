#include "download/row_bars.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "download/internal/field_letters.h"
#include "download/internal/row_access.h"
#include "download/module_functions.h"
#include "download/split_data_sources.h"
#include "entry/data_sheet_name.h"
#include "entry/pelorin.h"
#include "host/address.h"
#include "host/spreadsheet_host.h"

namespace plrxl {
namespace {

// The sheet a row's data go to, as the run names it: later rows with the
// same Data Location and ticker add "(n)".
std::string RowSheetName(CPelorin& owner, Worksheet& settings, int16_t row, int anchor_row, int anchor_col,
                         const RegionalSettings& rs) {
  const std::string location = ToText(owner.SettingsValue(settings, row, kDataLocation), rs);
  const std::string ticker = ToText(settings.CellValue(row, anchor_col), rs);
  std::string name = DataSheetName(location, ticker);
  int same = 0;
  for (int r = anchor_row + 2; r < row; ++r) {
    const int16_t earlier = static_cast<int16_t>(r);
    if (SameDataLocation(ToText(owner.SettingsValue(settings, earlier, kDataLocation), rs), location) &&
        ToText(settings.CellValue(earlier, anchor_col), rs) == ticker) {
      ++same;
    }
  }
  if (same > 0) name += "(" + std::to_string(same) + ")";
  return name;
}

std::optional<double> DayOf(const Variant& value, const RegionalSettings& rs) {
  if (value.IsNumeric()) return std::floor(value.DateSerial());
  if (value.IsText()) {
    if (std::optional<double> d = TextToDate(value.Text(), rs)) return std::floor(*d);
  }
  return std::nullopt;
}

}  // namespace

std::optional<RowBars> ReadRowBars(CPelorin& owner, Workbook& workbook, Worksheet& settings, int16_t row) {
  const RegionalSettings& rs = workbook.Application().Regional();
  const Range anchor = workbook.NameRange(kRangeTickerName);
  RowBars out;
  out.ticker = ToText(settings.CellValue(row, anchor.Column()), rs);
  out.sheet = RowSheetName(owner, settings, row, anchor.Row(), anchor.Column(), rs);
  const std::string periodicity = ToText(owner.SettingsValue(settings, row, kPeriodicity), rs);
  out.daily = periodicity.empty() || (periodicity[0] != 'W' && periodicity[0] != 'w' && periodicity[0] != 'M' &&
                                      periodicity[0] != 'm');
  Worksheet* sheet = workbook.FindWorksheet(out.sheet);
  if (sheet == nullptr) return std::nullopt;
  std::optional<ParsedAddress> begin = ParseA1(ToText(owner.SettingsValue(settings, row, kDataBeginning), rs));
  if (!begin) return std::nullopt;
  const std::string fields = ToText(owner.SettingsValue(settings, row, kDataFields), rs);
  int column = begin->rect.col1, date_col = 0, volume_col = 0;
  for (const std::string& letter : SplitText(owner.TWP("D5"), "|")) {
    if (!WrittenLetter(letter, fields)) continue;
    // A field the source did not deliver took no column: the header row
    // tells which did.
    const FieldLetter* mapping = FindLetter(letter);
    if (ToText(sheet->CellValue(begin->rect.row1, column), rs) != owner.TWP(mapping->header_cell)) continue;
    const std::string l = mapping->letter;
    int* target = l == "d" ? &date_col : l == "o" ? &out.open_col : l == "h" ? &out.high_col : l == "l" ? &out.low_col
                : l == "c" ? &out.close_col : l == "a" ? &out.adj_col : l == "v" ? &volume_col : nullptr;
    if (target != nullptr) *target = column;
    ++column;
  }
  if (date_col == 0) return std::nullopt;
  auto number = [&](int r, int c) {
    if (c == 0) return history::kNoValue;
    const Variant v = sheet->CellValue(r, c);
    return v.IsNumeric() ? v.Number() : history::kNoValue;
  };
  std::vector<std::pair<history::CheckedBar, int>> read;
  for (int r = begin->rect.row1 + 1;; ++r) {
    const std::optional<double> day = DayOf(sheet->CellValue(r, date_col), rs);
    if (!day) break;
    history::CheckedBar bar{*day, number(r, out.open_col), number(r, out.high_col), number(r, out.low_col),
                            number(r, out.close_col), number(r, out.adj_col), number(r, volume_col)};
    read.emplace_back(bar, r);
  }
  if (read.empty()) return std::nullopt;
  std::stable_sort(read.begin(), read.end(), [](const auto& a, const auto& b) { return a.first.date < b.first.date; });
  for (const auto& [bar, r] : read) {
    out.bars.push_back(bar);
    out.sheet_rows.push_back(r);
  }
  return out;
}

std::vector<history::SuspectBar> SuspectBarsOf(const RowBars& row) {
  return history::FindSuspectBars(row.bars, history::CalendarOfTicker(row.ticker), row.daily);
}

void WritePrices(Worksheet& sheet, const RowBars& row, const std::vector<history::CheckedBar>& bars,
                 const std::vector<double>& days) {
  for (size_t i = 0; i < bars.size() && i < row.sheet_rows.size(); ++i) {
    if (std::find(days.begin(), days.end(), bars[i].date) == days.end()) continue;
    const std::pair<int, double> cells[] = {{row.open_col, bars[i].open}, {row.high_col, bars[i].high},
                                            {row.low_col, bars[i].low},   {row.close_col, bars[i].close},
                                            {row.adj_col, bars[i].adj_close}};
    for (const auto& [col, value] : cells) {
      if (col != 0 && !std::isnan(value)) sheet.SetCellValue(row.sheet_rows[i], col, Variant(value));
    }
  }
}

}  // namespace plrxl
