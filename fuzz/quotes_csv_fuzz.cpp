// The quote CSV reader on arbitrary bytes, with both pinned short-date
// patterns: it must accept or reject with a reason, never crash or hang.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "quotes/internal/csv_quotes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const char* pattern : {"dd.mm.yyyy", "mm/dd/yy"}) {
    plrxl::RegionalSettings regional;
    regional.short_date = pattern;
    regional.decimal_symbol = pattern[0] == 'd' ? ',' : '.';
    plrxl::quotes::Bars bars;
    std::string error;
    if (!plrxl::quotes::ParseQuoteCsv(text, regional, &bars, &error) && error.empty()) __builtin_trap();
    plrxl::quotes::SortAndFilter(&bars, -1e6, 1e6);
    plrxl::quotes::Aggregate(bars, plrxl::quotes::Periodicity::kWeekly);
    plrxl::quotes::Aggregate(bars, plrxl::quotes::Periodicity::kMonthly);
  }
  return 0;
}
