// Helpers of the download step that look at a downloaded data table (a 2-D
// array with one row per bar and 8 columns) or at a date.
//
// Each registers as "Pelorin.ProgressBarWindow.<name>" and routes failures
// to the error handler in `slot`.
#pragma once

#include <string>

#include "host/regional.h"
#include "host/variant.h"
#include "support/procedure.h"

namespace plrxl {

// True when the table holds data: a 2-D array whose first bar row (index
// 0) has, in some column, a text other than "" and "0", a number other than
// 0, or a date other than 0:00:00. Anything that is not a table: false.
bool ChecktmpValue(ErrorHandlerSlot& slot, const Variant& table);

// The table with its rows in reverse order (bounds unchanged); anything
// that is not a 2-D array is returned as it is.
Variant ReverseArray(ErrorHandlerSlot& slot, const Variant& table);

// The date as "yyyy-mm-dd" (the month and day through Two_Digit).
std::string FormatMyDate(ErrorHandlerSlot& slot, double date);

}  // namespace plrxl
