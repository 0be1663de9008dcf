#include "download/finished_look.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "entry/pelorin.h"
#include "host/format_limits.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

namespace {

// Widths in characters: a macro text or a status line wider than the limit
// shows its start.
constexpr double kWidestTextColumn = 80;
// Points per line of a wrapped message text.
constexpr double kLineHeight = 15;
// Characters that fit one line of the message column (its width).
constexpr double kMessageColumnChars = 90;

// Characters of a UTF-8 text (bytes that begin a character).
size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char ch : s) n += (ch & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

std::string CellText(Worksheet& sheet, int row, int col) {
  const Variant v = sheet.CellValue(row, col);
  return v.IsText() ? v.Text() : std::string();
}

// The ticker table: widths and dates.
void FinishSettings(Worksheet& settings, const Range& anchor, const std::string& date_form) {
  const int top = anchor.Row(), left = anchor.Column();
  const int bottom = std::max(top + 1, settings.Cells(top, left).End(Direction::kDown).Row());
  if (bottom >= kMaxRows) return;
  Range(&settings, Rect{top, left, bottom, left + kStatus - 1}).AutoFitColumns();
  for (int c = left; c < left + kStatus; ++c) {
    if (settings.ColumnWidth(c) > kWidestTextColumn) settings.SetColumnWidth(c, kWidestTextColumn);
  }
  for (int row = top + 1; row <= bottom; ++row) {
    for (int column : {kStartDate, kEndDate}) {
      const int col = left + column - 1;
      if (settings.CellValue(row, col).IsDate()) settings.Cells(row, col).SetNumberFormat(date_form);
    }
  }
}

// A data sheet: title row frozen. (Its columns are fitted as they are
// written, the paste's and the indicators' alike, so that charts placed
// beside the block stay beside it.)
void FinishDataSheet(Worksheet& sheet, int title_row) {
  if (sheet.FrozenPanes() == std::pair<int, int>{0, 0}) sheet.FreezePanes(title_row, 0);
}

// Message texts of several lines wrap inside their cell, top-aligned.
void FinishMessages(Worksheet& parameters) {
  const int col = 5;  // "E": message n is in cell E n
  const std::optional<Rect> used = parameters.UsedRange();
  if (!used) return;
  for (int row = 1; row <= used->row2; ++row) {
    const std::string text = CellText(parameters, row, col);
    if (text.find('\n') == std::string::npos && Utf8Length(text) <= kMessageColumnChars) continue;
    CellStyle style = parameters.CellStyleAt(row, col);
    style.wrap_text = true;
    style.v_align = VAlign::kTop;
    parameters.SetCellStyle(row, col, style);
    double lines = 0;
    size_t start = 0;
    while (true) {
      const size_t end = text.find('\n', start);
      const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      lines += std::max(1.0, std::ceil(static_cast<double>(Utf8Length(line)) / kMessageColumnChars));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    if (!parameters.RowHeightIsCustom(row)) parameters.SetRowHeight(row, std::min(kMaxNewRowHeight, lines * kLineHeight));
  }
}

}  // namespace

std::string FourDigitYearForm(const std::string& date_form) {
  if (date_form.empty()) return "dd.mm.yyyy";
  if (date_form.find("yyyy") != std::string::npos) return date_form;
  const size_t yy = date_form.find("yy");
  if (yy == std::string::npos) return date_form;
  return date_form.substr(0, yy) + "yyyy" + date_form.substr(yy + 2);
}

void FinishWorkbookLook(Workbook& workbook) {
  Worksheet* settings = workbook.FindWorksheet(kSettingsSheet);
  Worksheet* parameters = workbook.FindWorksheet(kParametersSheet);
  if (settings == nullptr || parameters == nullptr || workbook.FindName(kRangeTickerName) == nullptr) return;
  std::optional<Range> anchor;
  try {
    anchor = workbook.NameRange(kRangeTickerName);
  } catch (const Error&) {
    return;  // a broken anchor is the checks' business, not the look's
  }
  if (&anchor->Sheet() != settings) return;
  const std::string date_form = FourDigitYearForm(CellText(*parameters, 2, 2));
  FinishSettings(*settings, *anchor, date_form);
  FinishMessages(*parameters);

  // Each ticker's data sheet, found as the run finds it.
  const int top = anchor->Row(), left = anchor->Column();
  const int bottom = settings->Cells(top, left).End(Direction::kDown).Row();
  auto field = [&](int row, int column) {
    std::string text = CellText(*settings, row, left + column - 1);
    return text.empty() ? CellText(*settings, top + 1, left + column - 1) : text;
  };
  for (int row = top + 2; row <= bottom && bottom < kMaxRows; ++row) {
    std::string name = field(row, kDataLocation);
    std::string upper = name;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (upper == "AUTO") name = CellText(*settings, row, left);
    Worksheet* sheet = name.empty() ? nullptr : workbook.FindWorksheet(name);
    if (sheet == nullptr || sheet == settings || sheet == parameters) continue;
    std::optional<ParsedAddress> beginning = ParseA1(field(row, kDataBeginning));
    if (!beginning) continue;
    FinishDataSheet(*sheet, beginning->rect.row1);
  }
}

}  // namespace plrxl
