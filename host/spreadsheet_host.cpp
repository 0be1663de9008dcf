// The convenience members of the host interface, shared by every host.
#include "host/spreadsheet_host.h"

#include <cctype>

#include "host/internal/host_errors.h"
#include "host/letter_case.h"

namespace plrxl {
namespace {

bool SameName(const std::string& a, const std::string& b) { return SameTextIgnoringCase(a, b); }

std::string StripEquals(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  std::string s = text.substr(first);
  if (!s.empty() && s[0] == '=') s.erase(0, 1);
  return s;
}

std::optional<ParsedAddress> ParseAny(const std::string& text) {
  if (auto a = ParseA1(text)) return a;
  return ParseR1C1(text);
}

}  // namespace

Range Worksheet::GetRange(const std::string& a1) {
  if (auto parsed = ParseA1(StripEquals(a1))) {
    if (!parsed->sheet.empty() && !SameName(parsed->sheet, Name())) ThrowRangeError("'" + a1 + "' is on another sheet");
    return Range(this, parsed->rect);
  }
  // A defined name of the workbook that refers to this sheet.
  if (Parent().FindName(a1)) {
    Range r = Parent().NameRange(a1);
    if (&r.Sheet() == this) return r;
  }
  ThrowRangeError("'" + a1 + "'");
}

Range Worksheet::Cells(int row, int col) { return Range(this, Rect{row, col, row, col}); }

Range Worksheet::Cells(const Rect& rect) { return Range(this, rect); }

Range Worksheet::AllCells() { return Range(this, Rect{1, 1, kMaxRows, kMaxCols}); }

Worksheet& Workbook::Worksheets(const std::string& name) {
  if (Worksheet* ws = FindWorksheet(name)) return *ws;
  ThrowSubscript("no sheet '" + name + "'");
}

Range Workbook::NameRange(const std::string& name) {
  const DefinedName* dn = FindName(name);
  if (!dn) ThrowRangeError("no name '" + name + "'");
  const auto parsed = ParseAny(StripEquals(dn->refers_to));
  if (!parsed) ThrowRangeError("name '" + name + "' refers to " + dn->refers_to);
  Worksheet* ws = parsed->sheet.empty() ? ActiveSheet() : FindWorksheet(parsed->sheet);
  if (!ws) ThrowRangeError("name '" + name + "' refers to a missing sheet");
  return Range(ws, parsed->rect);
}

Worksheet* SpreadsheetHost::ActiveSheet() {
  Workbook* wb = ActiveWorkbook();
  return wb ? wb->ActiveSheet() : nullptr;
}

Range SpreadsheetHost::Selection() {
  Worksheet* ws = ActiveSheet();
  if (!ws) throw Error(kErrObjectRequired, kHostSource, "Object required");
  return Range(ws, ws->SelectionRect());
}

Range SpreadsheetHost::ActiveCell() {
  Range sel = Selection();
  return sel.Cells(1, 1);
}

Range SpreadsheetHost::ResolveRange(const std::string& address) {
  const std::string text = StripEquals(address);
  Workbook* wb = ActiveWorkbook();
  if (!wb) ThrowRangeError("no workbook open for '" + address + "'");
  if (auto parsed = ParseAny(text)) {
    Worksheet* ws = parsed->sheet.empty() ? wb->ActiveSheet() : wb->FindWorksheet(parsed->sheet);
    if (!ws) ThrowRangeError("no sheet for '" + address + "'");
    return Range(ws, parsed->rect);
  }
  if (wb->FindName(text)) return wb->NameRange(text);
  ThrowRangeError("'" + address + "'");
}

}  // namespace plrxl
