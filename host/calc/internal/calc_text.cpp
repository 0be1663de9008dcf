#include "host/calc/internal/calc_text.h"

#include <cctype>

#include "host/address.h"
#include "host/error.h"

namespace plrxl::calc {
namespace {

constexpr char kAddInPrefix[] = "COM.SUN.STAR.SHEET.ADDIN.ANALYSIS.GET";

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

// Length of the string literal starting at text[i] (a '"'), closing quote
// included; doubled quotes stay inside.
size_t LiteralLength(const std::string& text, size_t i) {
  size_t j = i + 1;
  while (j < text.size()) {
    if (text[j] == '"') {
      if (j + 1 < text.size() && text[j + 1] == '"') {
        j += 2;
        continue;
      }
      return j - i + 1;
    }
    ++j;
  }
  return text.size() - i;
}

// A sheet name at text[i]: 'quoted' (with '' inside) or a bare word; its
// length, 0 when there is none.
size_t SheetNameLength(const std::string& text, size_t i) {
  if (i >= text.size()) return 0;
  if (text[i] == '\'') {
    size_t j = i + 1;
    while (j < text.size()) {
      if (text[j] == '\'') {
        if (j + 1 < text.size() && text[j + 1] == '\'') {
          j += 2;
          continue;
        }
        return j - i + 1;
      }
      ++j;
    }
    return 0;
  }
  size_t j = i;
  while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_')) ++j;
  return j - i;
}

}  // namespace

std::string FormulaToCalc(const std::string& formula) {
  std::string out;
  out.reserve(formula.size() + 8);
  int braces = 0;
  for (size_t i = 0; i < formula.size();) {
    const char c = formula[i];
    if (c == '"') {
      const size_t n = LiteralLength(formula, i);
      out.append(formula, i, n);
      i += n;
      continue;
    }
    // A sheet-qualified reference: Name!A1 or 'My Name'!A1, where the name
    // starts a token.
    const bool token_start = i == 0 || !IsNameChar(formula[i - 1]);
    if (token_start && (c == '\'' || std::isalpha(static_cast<unsigned char>(c)) || c == '_')) {
      const size_t n = SheetNameLength(formula, i);
      if (n > 0 && i + n < formula.size() && formula[i + n] == '!') {
        out += '$';
        out.append(formula, i, n);
        out += '.';
        i += n + 1;
        continue;
      }
      if (n > 0 && c != '\'') {
        out.append(formula, i, n);
        i += n;
        continue;
      }
    }
    if (c == '{') ++braces;
    if (c == '}') --braces;
    if (c == ',') out += ';';
    else if (c == ';' && braces > 0) out += '|';
    else out += c;
    ++i;
  }
  return out;
}

std::string FormulaFromCalc(const std::string& formula) {
  std::string out;
  out.reserve(formula.size());
  int braces = 0;
  std::string last_sheet;
  for (size_t i = 0; i < formula.size();) {
    const char c = formula[i];
    if (c == '"') {
      const size_t n = LiteralLength(formula, i);
      out.append(formula, i, n);
      i += n;
      continue;
    }
    if (formula.compare(i, sizeof(kAddInPrefix) - 1, kAddInPrefix) == 0) {
      i += sizeof(kAddInPrefix) - 1;
      continue;
    }
    // $Sheet.A1 or $'My Sheet'.A1 (the "$" is optional); after ":" the
    // same sheet again is dropped ("$S.A1:$S.B2" -> "S!A1:B2").
    const bool token_start = i == 0 || !IsNameChar(formula[i - 1]);
    if (token_start && (c == '$' || c == '\'' || std::isalpha(static_cast<unsigned char>(c)))) {
      const size_t at = c == '$' ? i + 1 : i;
      const size_t n = SheetNameLength(formula, at);
      if (n > 0 && at + n < formula.size() && formula[at + n] == '.') {
        const std::string sheet = formula.substr(at, n);
        if (!(out.size() > 0 && out.back() == ':' && sheet == last_sheet)) {
          out += sheet;
          out += '!';
        }
        last_sheet = sheet;
        i = at + n + 1;
        continue;
      }
      if (n > 0 && c != '\'' && c != '$') {
        out.append(formula, at, n);
        i = at + n;
        continue;
      }
    }
    if (c == '{') ++braces;
    if (c == '}') --braces;
    if (c == ';') out += ',';
    else if (c == '|' && braces > 0) out += ';';
    else out += c;
    ++i;
  }
  return out;
}

std::string NameReferenceToCalc(const std::string& refers_to) {
  std::optional<ParsedAddress> parsed = ParseR1C1(refers_to);
  if (!parsed) {
    const std::string text = !refers_to.empty() && refers_to[0] == '=' ? refers_to.substr(1) : refers_to;
    parsed = ParseA1(text);
  }
  if (!parsed || parsed->sheet.empty()) {
    throw Error(kErrRange, "Calc host", "The name's reference is not a sheet's cells: " + refers_to);
  }
  const Rect& r = parsed->rect;
  const std::string sheet = "$" + QuoteSheetName(parsed->sheet) + ".";
  std::string text = sheet + FormatA1(Rect{r.row1, r.col1, r.row1, r.col1});
  if (r.Rows() > 1 || r.Cols() > 1) text += ":" + sheet + FormatA1(Rect{r.row2, r.col2, r.row2, r.col2});
  return text;
}

std::string NameReferenceFromCalc(const std::string& content) { return "=" + FormulaFromCalc(content); }

}  // namespace plrxl::calc
