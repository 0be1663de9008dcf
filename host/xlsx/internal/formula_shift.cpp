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

// The largest sheet a file may name.
constexpr long kFileRows = 1048576;
constexpr long kFileColumns = 16384;

// "A" -> 1, "XFD" -> 16384 (any case); 0 for more than three letters.
long ColumnOf(std::string_view letters) {
  if (letters.empty() || letters.size() > 3) return 0;
  long col = 0;
  for (char c : letters) col = col * 26 + (std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
  return col;
}

// One part of a reference: "$G", "H", "$7", "8", at `at`.
struct Part {
  bool absolute = false;
  size_t begin = 0, end = 0;  // of the letters or digits
};

// Letters (column) or digits (row) after an optional "$".
bool ReadPart(const std::string& f, size_t at, bool letters, Part* part) {
  part->absolute = at < f.size() && f[at] == '$';
  if (part->absolute) ++at;
  part->begin = at;
  while (at < f.size() && (letters ? (IsUpper(f[at]) || IsLower(f[at])) : IsDigit(f[at])) && at - part->begin < 8) ++at;
  part->end = at;
  return part->end > part->begin;
}

// A reference ends where no name character, "(" or "!" follows.
bool EndsReference(const std::string& f, size_t at) {
  return at >= f.size() || (!IsNameChar(f[at]) && f[at] != '(' && f[at] != '!');
}

// A whole-column ("G:H") or whole-row ("7:8") range at `at`, moved by
// `by` columns or rows, appended to out; false when there is none.
bool ShiftWholeRange(const std::string& f, size_t* at, bool columns, long by, std::string& out) {
  Part first, second;
  if (!ReadPart(f, *at, columns, &first) || first.end >= f.size() || f[first.end] != ':') return false;
  if (!ReadPart(f, first.end + 1, columns, &second) || !EndsReference(f, second.end)) return false;
  const long limit = columns ? kFileColumns : kFileRows;
  std::string moved;
  for (const Part* part : {&first, &second}) {
    const std::string text = f.substr(part->begin, part->end - part->begin);
    long number = columns ? ColumnOf(text) : NumberFromText<long>(std::string_view(text).substr(0, 9)).value_or(0);
    if (number < 1 || number > limit) return false;
    if (!part->absolute) number += by;
    if (part == &second) moved += ':';
    if (number < 1 || number > limit) {
      moved = "#REF!";
      break;
    }
    if (part->absolute) moved += '$';
    moved += columns ? ColumnLetters(static_cast<int>(number)) : std::to_string(number);
  }
  out += moved;
  *at = second.end;
  return true;
}

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
    if (at_token_start && (c == '$' || IsDigit(c)) && ShiftWholeRange(formula, &i, false, rows, out)) continue;
    if (at_token_start && (c == '$' || IsUpper(c) || IsLower(c))) {
      if (ShiftWholeRange(formula, &i, true, cols, out)) continue;
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
                    EndsReference(formula, p);
      if (is_ref) {
        long col = ColumnOf(std::string_view(formula).substr(letters_start, letters_end - letters_start));
        // At most nine digits: always a long; a longer row number is past the sheet anyway.
        const std::string_view digits = std::string_view(formula).substr(digits_start, p - digits_start);
        long row = NumberFromText<long>(digits.substr(0, 9)).value_or(0);
        if (col > 0 && col <= kFileColumns && row <= kFileRows) {
          if (!col_abs) col += cols;
          if (!row_abs) row += rows;
          if (col < 1 || col > kFileColumns || row < 1 || row > kFileRows) {
            out += "#REF!";
          } else {
            if (col_abs) out += '$';
            out += ColumnLetters(static_cast<int>(col));
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
