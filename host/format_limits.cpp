#include "host/format_limits.h"

#include <cmath>

#include "host/address.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

namespace {

std::string Grouped(size_t n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), ",");
  return digits;
}

}  // namespace

size_t Utf8CharCount(std::string_view text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

std::string CellTextProblem(const std::string& text) {
  if (text.size() <= kMaxCellTextLength) return {};  // fast path: bytes bound characters
  const size_t chars = Utf8CharCount(text);
  if (chars <= kMaxCellTextLength) return {};
  return "a text of " + Grouped(chars) + " characters is longer than the " + Grouped(kMaxCellTextLength) +
         " a cell holds";
}

std::string FormulaProblem(const std::string& formula) {
  if (formula.size() <= kMaxFormulaLength) return {};
  const size_t chars = Utf8CharCount(formula);
  if (chars <= kMaxFormulaLength) return {};
  return "a formula of " + Grouped(chars) + " characters is longer than the " + Grouped(kMaxFormulaLength) +
         " a cell holds";
}

std::string CellName(const Worksheet& sheet, int row, int col) {
  return "'" + sheet.Name() + "'!" + ColumnLetters(col) + std::to_string(row);
}

std::vector<std::string> FormatLimitProblems(Workbook& workbook, size_t max_problems) {
  std::vector<std::string> problems;
  size_t more = 0;
  auto note = [&](const Worksheet& sheet, int row, int col, const std::string& why) {
    if (problems.size() < max_problems) {
      problems.push_back(CellName(sheet, row, col) + ": " + why);
    } else {
      ++more;
    }
  };
  for (int i = 1; i <= workbook.WorksheetCount(); ++i) {
    Worksheet& sheet = workbook.WorksheetAt(i);
    auto used = sheet.UsedRange();
    if (!used) continue;
    sheet.ForEachCell(*used, [&](int row, int col) {
      const Variant value = sheet.CellValue(row, col);
      if (value.IsText()) {
        if (std::string why = CellTextProblem(value.Text()); !why.empty()) note(sheet, row, col, why);
      } else if (value.IsNumeric() && !std::isfinite(value.Number())) {
        note(sheet, row, col, "a number that is not finite has no form in the file");
      }
      const std::string formula = sheet.CellFormula(row, col);
      if (std::string why = FormulaProblem(formula); !why.empty()) note(sheet, row, col, why);
    });
  }
  if (more > 0) problems.push_back("and " + Grouped(more) + " more");
  return problems;
}

}  // namespace plrxl
