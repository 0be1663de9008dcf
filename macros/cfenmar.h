// Cfenmar: the macro engine. One object runs the macro text of one ticker
// row (RunMyMacro) on the ticker's data sheet and then is dropped.
//
// Wiring (the per-row macro runner does exactly this): create, set
// ExcelApplication, ThisWorkbookApplication and Owner, call RunMyMacro with
// the row's whole macro text, clear the three, drop the object. Nothing is
// checked before use: a call without them fails at the first use.
//
// On entry to RunMyMacro the active sheet of the active workbook is the
// ticker's data sheet and the active cell of "PelorinXL Settings" lies in the
// ticker's row; the procedures find the row through it.
//
// Errors: every procedure below raises Error(kComponentFailure,
// "Pelorin.Cfenmar.<procedure>", "Cfenmar component failure") when one of its
// steps fails, whatever failed underneath. RunMyMacro itself never raises for
// a failing call: it shows "Error Function :" + name, CR LF, number " - "
// description in an OK-only box and returns the call's name.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/variant.h"
#include "macros/macro_call.h"

namespace plrxl {

class CPelorin;
class SpreadsheetHost;
class Workbook;
class Worksheet;
struct IndicatorMacro;

// The pasted columns of a data sheet (fnDataRanges), one entry per field.
enum class DataField { kDate = 1, kOpen, kHigh, kLow, kClose, kVolume, kTime, kOpenInterest };
inline constexpr int kDataFieldCount = 8;

// Column titles and field words of the eight fields, entry 1 to 8.
struct DataFieldName {
  DataField field;
  const char* title;  // matched exactly, case-sensitive
  const char* word;   // the field word of a macro parameter (lower case)
};
extern const std::array<DataFieldName, kDataFieldCount> kDataFieldNames;

// One found column: title row, last filled row below it (0 when none ends
// below row 32000) and column, all 16-bit.
struct DataRange {
  int16_t title_row = 0;
  int16_t last_row = 0;
  int16_t column = 0;
  bool operator==(const DataRange&) const = default;
};

// Entry i - 1 holds field i; empty when no column carries its title.
struct DataRanges {
  std::array<std::optional<DataRange>, kDataFieldCount> entries;
  const std::optional<DataRange>& operator[](DataField field) const {
    return entries[static_cast<size_t>(field) - 1];
  }
  std::optional<DataRange>& operator[](DataField field) { return entries[static_cast<size_t>(field) - 1]; }
};

// Searches for the end of a filled block count only below this row.
inline constexpr int kSearchRowLimit = 32000;

class Cfenmar {
 public:
  Cfenmar() = default;
  Cfenmar(const Cfenmar&) = delete;
  Cfenmar& operator=(const Cfenmar&) = delete;

  // --- the three properties ---
  // The entry object whose ErrorAddress, SettingsValue, TWP and
  // WriteLastStatusMsg the procedures call; set only; nullptr clears it.
  void Owner(CPelorin* owner) { owner_ = owner; }
  SpreadsheetHost* ExcelApplication() const { return application_; }
  void ExcelApplication(SpreadsheetHost* application) { application_ = application; }
  // A Variant holding the project workbook, or empty. Setting accepts a
  // Variant holding a workbook object or the empty value; anything else
  // raises the class error.
  Variant ThisWorkbookApplication() const;
  void ThisWorkbookApplication(const Variant& workbook);
  // Convenience for C++ callers: a non-owning reference; nullptr clears it.
  void ThisWorkbookApplication(Workbook* workbook);

  // Runs every call of the macro text in order. Returns "Ok" when all ran;
  // the empty text when a host call with more than 20 parameters was
  // skipped; the failing call's name (as written) after an error, which has
  // been shown in the "Error Function :" box and ended the run.
  std::string RunMyMacro(const std::string& myMacroName);

  // --- input data location and output placement ---
  // Where the pasted columns of the active data sheet are.
  DataRanges fnDataRanges();
  // The data address a field word ("close", any case) or an address stands
  // for: "$E$3:$E$260"; a text with ":" comes back unchanged; the empty text
  // when the field is missing or a single cell's column has no end below row
  // 32000 (then status message 48 is noted for the row). A field word is
  // lower-cased in place.
  std::string fnFindData(std::string& text);
  // 1 when the newest quote stands first (or there is no date column), 0
  // when the oldest stands first or the first and last dates are equal.
  int16_t fnDataDirection();
  // Writes the header into myOutRange, replaces myOutRange by the address of
  // the N cells below it (N = cells of myInRange), clears stale results
  // below, formats "0.00" in red and hands myFData to the host's
  // "UslFormat" and "MyOutPut". Does nothing when the owner's ErrorAddress
  // rejects myOutRange.
  void fnOutPutRange(const std::string& myInRange, std::string& myOutRange, const std::string& myFunctionName,
                     const Variant& myFData);
  // Writes the ticker of the active settings row into the "Data" sheet and
  // returns its number k (1 for the first ticker row); leaves "Data" active.
  int32_t fnDestRow();
  // Makes sure workbook has a worksheet named exactly `name`.
  void AddSheet(Workbook& workbook, const std::string& name);
  // Every "." replaced by ",".
  std::string DotToComma(const std::string& text);

  // --- built-in procedures ---
  // One indicator macro (its row of the indicator table) on slots 1 to 5.
  void RunIndicator(const IndicatorMacro& indicator, MacroSlots& slots);
  // Data tools: copy, summary, transpose, ticker header, export and charts.
  // Each reads the slots its built-in table row lists.
  void CopyData(MacroSlots& slots);
  void CreateSummary(MacroSlots& slots);
  void TransposeData(MacroSlots& slots);
  void TickerHeader(MacroSlots& slots);
  void ExportData(MacroSlots& slots);

 private:
  friend class ChartMacros;  // the chart macros (macros/charts.h) use the helpers below

  CPelorin& OwnerObject();
  SpreadsheetHost& App();
  Workbook& ThisWb();
  Workbook& ActiveWb();
  Worksheet& ActiveSheet();
  // Activates "PelorinXL Settings" of the active workbook; returns it and
  // the (16-bit) row of the application's active cell on it.
  Worksheet& ActivateSettings(int16_t* row);
  void ShowErrorBox(const std::string& text);
  // Adds a failed macro's cause to the row's collected status, marked as an
  // error.
  void NoteFailure(const std::string& text);

  CPelorin* owner_ = nullptr;
  SpreadsheetHost* application_ = nullptr;
  std::shared_ptr<HostObject> this_workbook_;
};

}  // namespace plrxl
