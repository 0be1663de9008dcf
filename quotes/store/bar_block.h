// The quote store keeps a series' daily bars in blocks, one a calendar
// year: a table row per year holding its bars as fixed-size records, so
// that a refresh writes ten rows a ten-year series instead of 2,500.
// Each record keeps its own day, the fetch it came from and whether it is
// final, so a later fetch may replace part of a year.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "quotes/internal/bars.h"

namespace plrxl {

struct StoredBar {
  int64_t day = 0;  // whole-day serial
  int64_t fetch_id = 0;
  bool final = false;
  quotes::Bar bar;  // bar.date == day
};

// The first day of the year `day` lies in.
int64_t YearOf(int64_t day);
// The last day of that year.
int64_t YearEndOf(int64_t day);

// The block of `bars` (oldest first, one a day).
std::string EncodeBlock(const std::vector<StoredBar>& bars);
// Appends the bars of a block to `out`; false when its size is not a whole
// number of records.
bool DecodeBlock(std::string_view block, std::vector<StoredBar>* out);

}  // namespace plrxl
