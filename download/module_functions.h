// ModuleFunctions: the small shared helpers of the download engine and the
// exports: counting field letters, two-digit numbers and transposing tables.
//
// Every function registers on the call stack as
// "Pelorin.ModuleFunctions.<name>" and routes a failure to the error handler
// in `slot`; after an Abort it returns the value it held (0 or empty).
#pragma once

#include <cstdint>
#include <string>

#include "host/regional.h"
#include "host/variant.h"
#include "support/procedure.h"

namespace plrxl {

// Counts how often `items` occur in `searched`. `items` is one text or an
// array whose elements may again be arrays. With `count_once` each item
// counts at most 1; without it every occurrence counts, each search starting
// one character after the previous find. A count above 32767 overflows
// (error 6).
int16_t mSearch(ErrorHandlerSlot& slot, const std::string& searched, const Variant& items,
                bool ignore_case, bool count_once);

// "0" followed by the value's text when that text is shorter than two
// characters (7 -> "07"); otherwise the value unchanged (12 -> 12).
Variant Two_Digit(ErrorHandlerSlot& slot, const Variant& value,
                  const RegionalSettings& rs = RegionalSettings());

// A 2-D array with bounds (a1..b1, a2..b2) gives the array with bounds
// (a2..b2, a1..b1), element (j, i) = input (i, j). Anything else: empty.
Variant TransMatrix(ErrorHandlerSlot& slot, const Variant& table);

}  // namespace plrxl
