// The twelve export layouts: the one table that ExportData, the writer, the
// user documentation (docs/formats.md) and the tests walk.
//
// A layout is a file name rule, a separator, an optional header line and the
// list of fields of a data line. Every line, the header too, ends with
// CR LF; files are 8-bit text.
#pragma once

#include <span>
#include <string>

namespace plrxl {

// What one field of a data line holds.
enum class ExportFieldKind {
  kTicker,        // the file ticker, in the case it was typed
  kPeriod,        // P: the first letter of the periodicity, upper case
  kDate,          // the date cell written with `date_pattern`
  kLiteral,       // `literal` as it stands
  kOpen,
  kHigh,
  kLow,
  kClose,
  kVolume,        // "0" when the block has no volume column
  kOpenInterest,  // "0" when the block has no open-interest column
};

struct ExportField {
  ExportFieldKind kind;
  // kDate: YYYY, YY, MM and DD stand for the date's parts (two-digit month
  // and day), every other character is written as it stands.
  // kLiteral: the text written.
  const char* text = nullptr;
  bool quoted = false;        // a double quote before and after
  bool dot_to_comma = false;  // every "." of the text becomes "," (DotToComma)
  bool joined = false;        // no separator before this field
};

inline constexpr int kMaxExportFields = 10;

struct ExportLayout {
  const char* name;        // as matched, lower case: "metastock"
  const char* extension;   // ".prn"
  bool period_in_name;     // TICKER_P.ext, or TICKER.ext when false
  char separator;
  const char* header;      // without the line end; nullptr when none
  int field_count;
  ExportField fields[kMaxExportFields];
};

inline constexpr int kExportLayoutCount = 12;

std::span<const ExportLayout> ExportLayouts();
// Exact match of an already lower-cased name, in table order; nullptr when
// no layout has that name.
const ExportLayout* FindExportLayout(const std::string& lower_name);

// Characters of a ticker that cannot stand in a file name; each becomes "_"
// in the file ticker.
inline constexpr const char* kFileTickerChars = "/\\:*?\"<>|";

// The file name of an export: the file ticker (already cleaned of
// kFileTickerChars) in upper case, "_" and the period letter unless the
// layout leaves it out, then the extension. "BRK_B", "weekly", csv ->
// "BRK_B_W.csv".
std::string ExportFileName(const ExportLayout& layout, const std::string& file_ticker,
                           const std::string& periodicity);

// P: the first character of the periodicity in upper case; empty when the
// periodicity is empty.
std::string PeriodLetter(const std::string& periodicity);

}  // namespace plrxl
