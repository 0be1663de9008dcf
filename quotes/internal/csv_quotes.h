// Reader of quote files in CSV form: one bar per line, a header naming the
// columns (Date, Open, High, Low, Close, Volume, optional Adj Close and
// Open Interest, in any order and case) or no header and those columns in
// that order. Separator ",", ";" or tab, found from the first line. Dates are
// YYYY-MM-DD (a time part after it is ignored), YYYYMMDD, or the regional
// short date.
#pragma once

#include <string>
#include <string_view>

#include "host/regional.h"
#include "quotes/internal/bars.h"

namespace plrxl::quotes {

// Parses the whole text into bars (file order). Returns false with a reason
// naming the line on the first line it cannot read; an input without any bar
// is not an error here (the caller decides). Never throws.
bool ParseQuoteCsv(std::string_view text, const RegionalSettings& regional, Bars* out,
                   std::string* error);

// One date text: ISO, compact ISO or the short-date pattern ("dd.mm.yyyy",
// "mm/dd/yy", ...). Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999.
bool ParseQuoteDate(std::string_view text, const std::string& short_date_pattern, double* serial);

}  // namespace plrxl::quotes
