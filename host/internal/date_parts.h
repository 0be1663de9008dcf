// The broken-down form of a date serial shared by the text conversions.
#pragma once

namespace plrxl {

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  int weekday = 7;        // 1 = Sunday
  bool has_date = false;  // whole part non-zero
  bool has_time = false;  // fraction non-zero after rounding to the second
};

// Splits a serial; throws Error 6 outside years 100..9999.
DateTimeParts SplitSerial(double serial);

inline const char* const kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                            "July",    "August",   "September", "October", "November", "December"};
inline const char* const kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};

}  // namespace plrxl
