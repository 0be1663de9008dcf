// Small text and value helpers with the semantics of the runtime the macro
// procedures were written for (case-insensitive InStr, Split, IsNumeric,
// CDate), so the procedures read like their algorithms.
#pragma once

#include <string>
#include <vector>

#include "host/regional.h"
#include "host/variant.h"

namespace plrxl::macros_internal {

// True when needle occurs in haystack, ignoring ASCII letter case. An empty
// needle never counts as occurring: a list with an empty entry ("a||b")
// must not make every text match.
bool ContainsNoCase(const std::string& haystack, const std::string& needle);

// Split at separator; an empty text gives no pieces.
std::vector<std::string> SplitList(const std::string& text, char separator);

// IsNumeric of the runtime: numbers, Booleans, the empty value and texts
// that read as numbers are numeric; dates, other texts and errors are not.
bool IsNumericValue(const Variant& value, const RegionalSettings& rs);

// CDate of the runtime: a date, a number, the empty value (0) or a text that
// reads as a date. Anything else throws Error 13 "Type mismatch".
double ToDateSerial(const Variant& value, const RegionalSettings& rs);

}  // namespace plrxl::macros_internal
