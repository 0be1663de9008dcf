#include "host/xlsx/internal/formula_shift.h"

#include <cctype>
#include <string_view>

#include "host/address.h"
#include "host/number_from_text.h"

namespace plrxl::xlsx {

namespace {

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '\\';
}

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ShiftFormula(const std::string& formula, int rows, int cols) {
  std::string out;
  out.reserve(formula.size() + 8);
  size_t i = 0;
  const size_t n = formula.size();
  while (i < n) {
    char c = formula[i];
    if (c == '"' || c == '\'') {
      size_t end = i + 1;
      while (end < n) {
        if (formula[end] == c) {
          if (end + 1 < n && formula[end + 1] == c) {
            end += 2;
            continue;
          }
          break;
        }
        ++end;
      }
      end = end < n ? end + 1 : n;
      out.append(formula, i, end - i);
      i = end;
      continue;
    }
    bool at_token_start = i == 0 || !IsNameChar(formula[i - 1]);
    if (at_token_start && (c == '$' || IsUpper(c) || IsLower(c))) {
      // Try [$]letters[$]digits not followed by a name character or "(".
      size_t p = i;
      bool col_abs = formula[p] == '$';
      if (col_abs) ++p;
      size_t letters_start = p;
      while (p < n && (IsUpper(formula[p]) || IsLower(formula[p])) && p - letters_start < 4) ++p;
      size_t letters_end = p;
      bool row_abs = p < n && formula[p] == '$';
      if (row_abs) ++p;
      size_t digits_start = p;
      while (p < n && IsDigit(formula[p])) ++p;
      bool is_ref = letters_end > letters_start && letters_end - letters_start <= 3 && p > digits_start &&
                    (p >= n || (!IsNameChar(formula[p]) && formula[p] != '(' && formula[p] != '!'));
      if (is_ref) {
        std::string letters = formula.substr(letters_start, letters_end - letters_start);
        for (char& ch : letters) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        int col = ColumnNumber(letters);
        // At most nine digits: always a long; a longer row number is past the sheet anyway.
        const std::string_view digits = std::string_view(formula).substr(digits_start, p - digits_start);
        long row = NumberFromText<long>(digits.substr(0, 9)).value_or(0);
        if (col > 0) {
          if (!col_abs) col += cols;
          if (!row_abs) row += rows;
          if (col < 1 || col > kMaxCols || row < 1 || row > kMaxRows) {
            out += "#REF!";
          } else {
            if (col_abs) out += '$';
            out += ColumnLetters(col);
            if (row_abs) out += '$';
            out += std::to_string(row);
          }
          i = p;
          continue;
        }
      }
      // Not a reference: copy the whole name so its tail is not mistaken for one.
      size_t end = i + 1;
      while (end < n && IsNameChar(formula[end])) ++end;
      out.append(formula, i, end - i);
      i = end;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

}  // namespace plrxl::xlsx
