// The package's built-in number formats (ids 0..49) and the test whether a
// format shows a date or a time.
#pragma once

#include <string>

namespace plrxl::xlsx {

// Text of a built-in format id; empty for ids without one.
std::string BuiltinNumberFormat(int id);
// The built-in id of a format text, or -1 when it has none.
int BuiltinNumberFormatId(const std::string& format);
// True when the format displays a date or a time of day (d, m, y, h, s
// outside quotes, escapes and [colour] sections; "[h]" elapsed times count).
bool IsDateFormat(const std::string& format);

}  // namespace plrxl::xlsx
