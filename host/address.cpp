#include "host/address.h"

#include <algorithm>
#include <cctype>

namespace plrxl {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// Splits "Sheet!ref" / "'My ''Sheet'''!ref" into sheet and ref. Returns
// false for a malformed quoted name.
bool SplitSheet(const std::string& text, std::string* sheet, std::string* ref) {
  sheet->clear();
  if (!text.empty() && text[0] == '\'') {
    size_t i = 1;
    while (i < text.size()) {
      if (text[i] == '\'') {
        if (i + 1 < text.size() && text[i + 1] == '\'') {
          *sheet += '\'';
          i += 2;
          continue;
        }
        break;
      }
      *sheet += text[i++];
    }
    if (i >= text.size() || i + 1 >= text.size() || text[i + 1] != '!' || sheet->empty()) return false;
    *ref = text.substr(i + 2);
    return true;
  }
  const size_t bang = text.rfind('!');
  if (bang == std::string::npos) {
    *ref = text;
    return true;
  }
  *sheet = text.substr(0, bang);
  *ref = text.substr(bang + 1);
  return !sheet->empty();
}

bool ReadNumber(const std::string& s, size_t* pos, int* value) {
  const size_t start = *pos;
  long long v = 0;
  while (*pos < s.size() && IsDigit(s[*pos]) && *pos - start < 7) v = v * 10 + (s[(*pos)++] - '0');
  if (*pos == start || (*pos < s.size() && IsDigit(s[*pos]))) return false;
  *value = static_cast<int>(v);
  return true;
}

// One A1 end point: column and/or row, each with an optional "$".
// A missing part is reported as 0.
bool ParseA1Point(const std::string& s, int* row, int* col) {
  size_t pos = 0;
  *row = 0, *col = 0;
  if (pos < s.size() && s[pos] == '$') ++pos;
  const size_t letters_start = pos;
  while (pos < s.size() && IsAlpha(s[pos]) && pos - letters_start < 4) ++pos;
  if (pos > letters_start) {
    *col = ColumnNumber(s.substr(letters_start, pos - letters_start));
    if (*col == 0) return false;
    if (pos < s.size() && s[pos] == '$') ++pos;
  } else if (pos != 0 && pos < s.size() && !IsDigit(s[pos])) {
    return false;
  }
  if (pos < s.size()) {
    if (!ReadNumber(s, &pos, row) || *row < 1 || *row > kMaxRows) return false;
  }
  return pos == s.size() && (*row != 0 || *col != 0);
}

bool ParseR1C1Point(const std::string& s, int* row, int* col) {
  size_t pos = 0;
  if (pos >= s.size() || (s[pos] != 'R' && s[pos] != 'r')) return false;
  ++pos;
  if (!ReadNumber(s, &pos, row)) return false;
  if (pos >= s.size() || (s[pos] != 'C' && s[pos] != 'c')) return false;
  ++pos;
  if (!ReadNumber(s, &pos, col)) return false;
  return pos == s.size() && *row >= 1 && *row <= kMaxRows && *col >= 1 && *col <= kMaxCols;
}

}  // namespace

int ColumnNumber(const std::string& letters) {
  if (letters.empty() || letters.size() > 2) return 0;
  int n = 0;
  for (char c : letters) {
    if (!IsAlpha(c)) return 0;
    n = n * 26 + (std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
  }
  return n <= kMaxCols ? n : 0;
}

std::string ColumnLetters(int column) {
  std::string out;
  while (column > 0) {
    const int rem = (column - 1) % 26;
    out.insert(out.begin(), static_cast<char>('A' + rem));
    column = (column - 1) / 26;
  }
  return out;
}

std::optional<ParsedAddress> ParseA1(const std::string& text) {
  ParsedAddress out;
  std::string ref;
  if (!SplitSheet(text, &out.sheet, &ref) || ref.empty()) return std::nullopt;
  const size_t colon = ref.find(':');
  const std::string first = ref.substr(0, colon);
  const std::string second = colon == std::string::npos ? first : ref.substr(colon + 1);
  int r1, c1, r2, c2;
  if (!ParseA1Point(first, &r1, &c1) || !ParseA1Point(second, &r2, &c2)) return std::nullopt;
  // Both ends must be of one kind: cells, whole columns or whole rows.
  const bool cell1 = r1 && c1, cell2 = r2 && c2;
  if (cell1 != cell2 || (!cell1 && (static_cast<bool>(r1) != static_cast<bool>(r2)))) return std::nullopt;
  if (!cell1 && colon == std::string::npos) return std::nullopt;  // "A" or "3" alone
  if (!r1) r1 = 1, r2 = kMaxRows;
  if (!c1) c1 = 1, c2 = kMaxCols;
  out.rect = {std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
  return out;
}

std::optional<ParsedAddress> ParseR1C1(const std::string& text) {
  ParsedAddress out;
  std::string ref;
  const std::string body = !text.empty() && text[0] == '=' ? text.substr(1) : text;
  if (!SplitSheet(body, &out.sheet, &ref) || ref.empty()) return std::nullopt;
  const size_t colon = ref.find(':');
  int r1, c1, r2, c2;
  if (!ParseR1C1Point(ref.substr(0, colon), &r1, &c1)) return std::nullopt;
  if (colon == std::string::npos) r2 = r1, c2 = c1;
  else if (!ParseR1C1Point(ref.substr(colon + 1), &r2, &c2)) return std::nullopt;
  out.rect = {std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
  return out;
}

std::string FormatA1(const Rect& rect, bool absolute) {
  const std::string d = absolute ? "$" : "";
  if (rect.row1 == 1 && rect.row2 == kMaxRows && !(rect.col1 == 1 && rect.col2 == kMaxCols))
    return d + ColumnLetters(rect.col1) + ":" + d + ColumnLetters(rect.col2);
  if (rect.col1 == 1 && rect.col2 == kMaxCols)
    return d + std::to_string(rect.row1) + ":" + d + std::to_string(rect.row2);
  std::string out = d + ColumnLetters(rect.col1) + d + std::to_string(rect.row1);
  if (rect.row1 != rect.row2 || rect.col1 != rect.col2)
    out += ":" + d + ColumnLetters(rect.col2) + d + std::to_string(rect.row2);
  return out;
}

std::string FormatR1C1(const Rect& rect) {
  std::string out = "R" + std::to_string(rect.row1) + "C" + std::to_string(rect.col1);
  if (rect.row1 != rect.row2 || rect.col1 != rect.col2)
    out += ":R" + std::to_string(rect.row2) + "C" + std::to_string(rect.col2);
  return out;
}

std::string QuoteSheetName(const std::string& name) {
  std::string out = "'";
  for (char c : name) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace plrxl
