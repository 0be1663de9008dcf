// Small pieces shared by the run driver's files: reading a row's dates,
// text case, and the description of an existing data block.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "download/run_driver.h"
#include "host/regional.h"
#include "host/variant.h"

namespace plrxl {

// The dated block an update appends to: its last row E, the newest date M
// in it and the order of its dates ("FBT" newest first, else "FTB").
struct RunDriver::ExistingBlock {
  int last_row = 0;
  double newest = 0;
  std::string direction;
  // The newest dated rows (whole day, sheet row), newest first, at most
  // kRecentRows: the bars an update compares with the source's.
  std::vector<std::pair<double, int>> recent;
  static constexpr size_t kRecentRows = 5;
};

// A ticker row's date cell as a date serial: a date or number directly, a
// date text through the regional settings; anything else raises error 13.
double RowDate(const Variant& value, const RegionalSettings& rs);
// A date serial cut to the whole day, as "yyyy-mm-dd" and back would.
double WholeDay(double serial);

std::string LowerText(std::string text);
std::string UpperText(std::string text);

}  // namespace plrxl
