// The field letters of a row's DataFields and the "Parameters" cells that
// describe each: number format, position in the data table, header text,
// and the table column tested for data. Shared by the paste and by the
// update's overlap check, which reads the same columns back.
#pragma once

#include <string>
#include <vector>

#include "host/regional.h"
#include "host/variant.h"
#include "quotes/history/overlap_check.h"

namespace plrxl {

struct FieldLetter {
  const char* letter;
  const char* format_cell;  // the time column picks among B2, B3 and B33
  const char* position_cell;
  const char* header_cell;
  int slot;
};
inline constexpr FieldLetter kFieldLetters[] = {
    {"d", "B2", "B6", "B14", 1},  {"t", "B2", "B7", "B15", 8},  {"o", "B4", "B8", "B16", 2},
    {"h", "B4", "B9", "B17", 3},  {"l", "B4", "B10", "B18", 4}, {"c", "B4", "B11", "B19", 5},
    {"v", "B5", "B12", "B20", 6}, {"p", "B5", "B30", "B21", 7}, {"a", "B4", "B30", "B22", 7},
};

// Field letters compare without regard to case everywhere: a hand-typed
// "DOHLC" selects the same fields as the listed "dohlc". nullptr for a
// letter without a column layout.
const FieldLetter* FindLetter(const std::string& letter);
// A letter of D5 that DataFields asks for and that has a column layout.
bool WrittenLetter(const std::string& letter, const std::string& fields);
// A "Parameters" position text as a number; 0 when it is none.
int PositionNumber(const std::string& text);

class CPelorin;

// A field as a paste writes it: its sheet column and its data-table column.
struct PastedField {
  std::string letter;  // lower case
  int column = 0;
  int position = 0;
};
// The fields a paste of data table `table` writes, in order, from column
// `first_column` on: DataFields' letters in the order of D5, without those
// the table has no value for in its first bar.
std::vector<PastedField> PastedFields(CPelorin& owner, const VariantArray& table, const std::vector<std::string>& letters,
                                      const std::string& fields, int first_column);
// The bars of a data table with the fields a paste writes, oldest first.
std::vector<history::CheckedBar> TableBars(CPelorin& owner, const VariantArray& table,
                                           const std::vector<std::string>& letters, const std::string& fields,
                                           const RegionalSettings& rs);

}  // namespace plrxl
