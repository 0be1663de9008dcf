// An update's overlap check: the newest bars of the sheet against the same
// days downloaded again, before anything is appended. A history the source
// re-adjusted (after a split or a dividend) is rewritten as a whole; a few
// corrected bars are rewritten one by one; an unchanged one is appended to.
#include <cmath>

#include "download/internal/field_letters.h"
#include "download/internal/row_access.h"
#include "download/run_driver.h"
#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "quotes/history/overlap_check.h"

namespace plrxl {
namespace {

using history::CheckedBar;

// Bars a weekly or monthly update compares; daily rows compare
// ExistingBlock::kRecentRows.
constexpr size_t kRecentLongBars = 2;

// The whole day of a date cell or table value.
std::optional<double> DayOf(const Variant& value, const RegionalSettings& rs) {
  if (value.IsNumeric()) return std::floor(value.DateSerial());
  if (value.IsText()) {
    if (std::optional<double> d = TextToDate(value.Text(), rs)) return std::floor(*d);
  }
  return std::nullopt;
}

double NumberOr(const Variant& value, double fallback) { return value.IsNumeric() ? value.Number() : fallback; }

// Where a compared field of the bar lives.
double CheckedBar::*FieldOf(const std::string& letter) {
  const std::string l = LowerText(letter);
  if (l == "o") return &CheckedBar::open;
  if (l == "h") return &CheckedBar::high;
  if (l == "l") return &CheckedBar::low;
  if (l == "c") return &CheckedBar::close;
  if (l == "a") return &CheckedBar::adj_close;
  if (l == "v") return &CheckedBar::volume;
  return nullptr;
}

}  // namespace

std::vector<PastedField> PastedFields(CPelorin& owner, const VariantArray& t, const std::vector<std::string>& letters,
                                      const std::string& fields, int first_column) {
  std::vector<PastedField> pasted;
  int column = first_column;
  for (const std::string& letter : letters) {
    if (!WrittenLetter(letter, fields)) continue;
    const FieldLetter* mapping = FindLetter(letter);
    int position = 0;
    IgnoreErrors([&] { position = PositionNumber(owner.TWP(mapping->position_cell)); });
    if (t.At(t.LBound(1), mapping->slot).IsEmpty() || position < 1 || position > 8) continue;
    pasted.push_back({mapping->letter, column++, position});
  }
  return pasted;
}

std::vector<CheckedBar> TableBars(CPelorin& owner, const VariantArray& t, const std::vector<std::string>& letters,
                                  const std::string& fields, const RegionalSettings& rs) {
  const std::vector<PastedField> pasted = PastedFields(owner, t, letters, fields, 1);
  int date_position = 0;
  for (const PastedField& f : pasted) {
    if (f.letter == "d") date_position = f.position;
  }
  std::vector<CheckedBar> bars;
  if (date_position == 0) return bars;
  for (int i = t.LBound(1); i <= t.UBound(1); ++i) {
    std::optional<double> day = DayOf(t.At(i, date_position), rs);
    if (!day) continue;
    CheckedBar bar;
    bar.date = *day;
    for (const PastedField& f : pasted) {
      if (auto member = FieldOf(f.letter)) bar.*member = NumberOr(t.At(i, f.position), history::kNoValue);
    }
    bars.push_back(bar);
  }
  std::stable_sort(bars.begin(), bars.end(), [](const CheckedBar& a, const CheckedBar& b) { return a.date < b.date; });
  return bars;
}

double RunDriver::UpdateStart(const ExistingBlock& block, const std::string& periodicity) const {
  if (!context_.ReadjustCheck || block.recent.empty()) return block.newest;
  const char first = periodicity.empty() ? 'D' : static_cast<char>(std::toupper(static_cast<unsigned char>(periodicity[0])));
  const size_t bars = first == 'W' || first == 'M' ? kRecentLongBars : ExistingBlock::kRecentRows;
  return std::min(block.newest, block.recent[std::min(bars, block.recent.size()) - 1].first);
}

bool RunDriver::ReconcileOverlap(Worksheet& sheet, const Range& start, const std::vector<std::string>& letters,
                                         const std::string& fields, Variant* table,
                                         const std::vector<QuoteEvent>& events, std::string* readjusted) {
  const RegionalSettings& rs = App().Regional();
  std::optional<ExistingBlock> block = FindExistingBlock(sheet, start, FieldCount(fields));
  if (!block) return true;
  const VariantArray& t = table->Array();
  // The columns the paste gave each field, as it gives them.
  const std::vector<PastedField> pasted = PastedFields(Owner(), t, letters, fields, start.Column());
  int date_position = 0;
  for (const PastedField& f : pasted) {
    if (f.letter == "d") date_position = f.position;
  }
  if (date_position == 0) return true;  // nothing dated to compare by

  // The table's bars by day, oldest first, and the sheet's compared bars.
  std::vector<std::pair<double, int>> fresh_rows;  // (day, table row)
  for (int i = t.LBound(1); i <= t.UBound(1); ++i) {
    if (std::optional<double> day = DayOf(t.At(i, date_position), rs)) fresh_rows.emplace_back(*day, i);
  }
  std::sort(fresh_rows.begin(), fresh_rows.end());
  auto bar_of = [&](auto value_at, double day) {
    CheckedBar bar;
    bar.date = day;
    for (const PastedField& field : pasted) {
      if (auto member = FieldOf(field.letter)) bar.*member = NumberOr(value_at(field), history::kNoValue);
    }
    return bar;
  };
  std::vector<CheckedBar> fresh, held;
  for (const auto& [day, i] : fresh_rows) {
    if (day >= block->newest) continue;  // the newest bar on the sheet is replaced in any case
    fresh.push_back(bar_of([&, i = i](const PastedField& f) { return t.At(i, f.position); }, day));
  }
  const double first_fresh = fresh_rows.empty() ? block->newest : fresh_rows.front().first;
  std::vector<std::pair<double, int>> held_rows;  // (day, sheet row), oldest first
  for (auto it = block->recent.rbegin(); it != block->recent.rend(); ++it) {
    if (it->first >= first_fresh && it->first < block->newest) held_rows.push_back(*it);
  }
  for (const auto& [day, row] : held_rows) {
    held.push_back(bar_of([&, row = row](const PastedField& f) { return sheet.CellValue(row, f.column); }, day));
  }

  // A split or dividend in the new days re-adjusts everything before it.
  for (const QuoteEvent& event : events) {
    if (event.date <= block->newest) continue;
    std::vector<CheckedBar> closes;
    for (const auto& [day, i] : fresh_rows) {
      CheckedBar bar;
      bar.date = day;
      for (const PastedField& f : pasted) {
        if (LowerText(f.letter) == "c") bar.close = NumberOr(t.At(i, f.position), history::kNoValue);
      }
      closes.push_back(bar);
    }
    const double factor = event.kind == QuoteEvent::kSplit ? history::SplitFactor(event.value)
                                                          : history::DividendFactor(event.value, event.date, closes);
    *readjusted = history::ReadjustedText(factor, event.date);
    return false;
  }

  const history::OverlapCheck check = history::CompareOverlap(held, fresh);
  switch (check.verdict) {
    case history::Verdict::kReadjusted:
      *readjusted = history::ReadjustedText(check.factor, check.since);
      return false;
    case history::Verdict::kReshaped:
      *readjusted = "history changed by the source (" + check.reason + ")";
      return false;
    case history::Verdict::kCorrected:
      for (double day : check.changed) {
        auto held_at = std::find_if(held_rows.begin(), held_rows.end(), [&](const auto& r) { return r.first == day; });
        auto fresh_at = std::find_if(fresh_rows.begin(), fresh_rows.end(), [&](const auto& r) { return r.first == day; });
        if (held_at == held_rows.end() || fresh_at == fresh_rows.end()) continue;
        for (const PastedField& f : pasted) {
          if (FieldOf(f.letter) != nullptr) sheet.SetCellValue(held_at->second, f.column, t.At(fresh_at->second, f.position));
        }
      }
      context_.LastDownloadText += " " + history::CorrectedText(static_cast<long>(check.changed.size())) + ".";
      break;
    case history::Verdict::kSame:
      break;
  }

  // Appended from the newest day on, in the table's order.
  size_t kept = 0;
  for (int i = t.LBound(1); i <= t.UBound(1); ++i) {
    std::optional<double> day = DayOf(t.At(i, date_position), rs);
    if (!day || *day >= block->newest) ++kept;
  }
  if (kept == static_cast<size_t>(t.Rows())) return true;
  auto cut = std::make_shared<VariantArray>(2, t.LBound(1), t.LBound(1) + static_cast<int>(kept) - 1, 1, 8);
  int to = t.LBound(1);
  for (int i = t.LBound(1); i <= t.UBound(1); ++i) {
    std::optional<double> day = DayOf(t.At(i, date_position), rs);
    if (day && *day < block->newest) continue;
    for (int j = 1; j <= 8; ++j) cut->At(to, j) = t.At(i, j);
    ++to;
  }
  *table = kept == 0 ? Variant() : Variant(cut);
  return true;
}

void RunDriver::RewriteBlock(Workbook& myWorkbook, Worksheet& mySettings, const std::string& mySheet,
                                     int16_t myRow, const std::string& readjusted) {
  // The refresh downloads first and clears the old block only once the new
  // one is here: a failed download leaves the old block whole.
  fnRefreshData("Refresh", myWorkbook, mySettings, mySheet, myRow);
  if (context_.StopFlag) return;
  std::string& status = context_.LastDownloadText;
  if (context_.LastDownloadFailed) {
    if (!status.empty() && status.back() != '.') status += '.';
    status += " The source re-adjusted its history (" + readjusted + "); the sheet keeps its old bars.";
    return;
  }
  long bars = 0;
  IgnoreErrors([&] {
    Worksheet& sheet = myWorkbook.Worksheets(mySheet);
    const RegionalSettings& rs = App().Regional();
    Range start = BlockStart(sheet, ToText(Owner().SettingsValue(mySettings, myRow, kDataBeginning), rs));
    if (auto block = FindExistingBlock(sheet, start, FieldCount(ToText(Owner().SettingsValue(mySettings, myRow, kDataFields), rs)))) {
      bars = block->last_row - start.Row();
    }
  });
  status += " " + readjusted + ": " + history::RewrittenText(bars) + ".";
  row_status_color_ = kReadjustedStatusColorIndex;
}

}  // namespace plrxl
