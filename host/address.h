// A1 and R1C1 addresses: parsing and printing.
//
// The sheet is 65,536 rows by 256 columns (A to IV). Parsing accepts "$" or
// not, an optional sheet prefix ("Sheet1!A1", "'My Sheet'!$A$1:$B$3", with
// '' for an apostrophe inside a quoted name), whole columns ("A:K") and whole
// rows ("3:5"). Anything out of the grid or malformed fails.
#pragma once

#include <optional>
#include <string>

namespace plrxl {

inline constexpr int kMaxRows = 65536;
inline constexpr int kMaxCols = 256;

// A rectangle of cells, 1-based and inclusive.
struct Rect {
  int row1 = 1, col1 = 1, row2 = 1, col2 = 1;
  int Rows() const { return row2 - row1 + 1; }
  int Cols() const { return col2 - col1 + 1; }
  bool Contains(int r, int c) const { return r >= row1 && r <= row2 && c >= col1 && c <= col2; }
  bool operator==(const Rect&) const = default;
};

struct ParsedAddress {
  std::string sheet;  // empty when the address carries no sheet name
  Rect rect;
};

// "A" -> 1, "IV" -> 256; 0 when not a column name within the grid.
int ColumnNumber(const std::string& letters);
// 1 -> "A", 256 -> "IV".
std::string ColumnLetters(int column);

// Parses an A1 reference, optionally sheet-qualified. Returns nullopt when
// the text is not a reference inside the grid.
std::optional<ParsedAddress> ParseA1(const std::string& text);
// Parses an absolute R1C1 reference ("R2C8", "R1C1:R5C3"), optionally
// sheet-qualified and with a leading "=" as names store them.
std::optional<ParsedAddress> ParseR1C1(const std::string& text);

// "$A$1" or "$A$1:$B$3" (absolute) / "A1" (relative) for a rectangle.
std::string FormatA1(const Rect& rect, bool absolute = true);
// "R1C1" or "R1C1:R3C2".
std::string FormatR1C1(const Rect& rect);
// Sheet name quoted for use in a reference: 'My Sheet' (apostrophes doubled).
std::string QuoteSheetName(const std::string& name);

}  // namespace plrxl
