// The ticker row as the data tools read it: its texts, the name of its data
// sheet, and the cell part of its Data Beginning.
#pragma once

#include <cstdint>
#include <string>

namespace plrxl {
class CPelorin;
class Worksheet;
}  // namespace plrxl

namespace plrxl::macros_internal {

// The row's cells as texts, each with the defaults-row fallback
// (SettingsValue).
struct TickerRowTexts {
  std::string ticker;
  std::string periodicity;
  std::string data_direction;
  std::string data_location;
  std::string data_beginning;
  std::string data_fields;
};

TickerRowTexts ReadTickerRow(CPelorin& owner, Worksheet& settings, int16_t row);

// The name of the row's data sheet as the run names it: the Data Location
// cleaned of the characters a sheet name cannot hold and cut to 28
// characters; AUTO (any case) stands for the ticker cell's text cleaned the
// same way; "(n)" is appended when n earlier ticker rows carry the same
// location and ticker.
std::string DataSheetName(CPelorin& owner, Worksheet& settings, int16_t row);

// "Prices!$B$3" -> "$B$3": the cell of an address, without its sheet.
// Throws Error 1004 when the text is no address.
std::string CellAddressOnly(const std::string& address);

}  // namespace plrxl::macros_internal
