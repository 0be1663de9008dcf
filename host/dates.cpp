// Calendar arithmetic of the host's 1900 date system, including its
// fictitious 29 February 1900 (serial 60).
#include <cmath>

#include "host/error.h"
#include "host/internal/date_parts.h"
#include "host/regional.h"

namespace plrxl {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's formula).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int* year, int* month, int* day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(y + (*month <= 2));
}

const long long kEpoch = DaysFromCivil(1899, 12, 30);

// Calendar date of a whole day number of the 1900 system.
void SplitDay(long long serial_day, int* year, int* month, int* day) {
  if (serial_day == 60) {
    *year = 1900, *month = 2, *day = 29;
  } else if (serial_day >= 1 && serial_day < 60) {
    CivilFromDays(kEpoch + serial_day + 1, year, month, day);
  } else {
    CivilFromDays(kEpoch + serial_day, year, month, day);
  }
}

}  // namespace

double DateSerial(int year, int month, int day) {
  // Month overflow rolls into the year, day overflow into the month.
  long long y = year + (month - 1 >= 0 ? (month - 1) / 12 : -((12 - month) / 12));
  int m = ((month - 1) % 12 + 12) % 12 + 1;
  if (y == 1900 && m == 2 && day == 29) return 60;
  const long long raw = DaysFromCivil(y, static_cast<unsigned>(m), 1) + (day - 1) - kEpoch;
  if (raw >= 61 || raw < 1) return static_cast<double>(raw);
  return static_cast<double>(raw - 1);
}

double TimeSerial(int hour, int minute, int second) {
  return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

DateTimeParts SplitSerial(double serial) {
  if (!std::isfinite(serial) || serial < -657434.0 || serial >= 2958466.0)
    throw Error(kErrOverflow, "PlrXL2", "Overflow");
  // The whole part is the day; the fraction, taken without its sign, the
  // time of day, rounded to the second.
  long long whole = static_cast<long long>(std::trunc(serial));
  long long seconds = std::llround(std::fabs(serial - static_cast<double>(whole)) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    whole += serial < 0 ? -1 : 1;
  }
  DateTimeParts p;
  SplitDay(whole, &p.year, &p.month, &p.day);
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  p.weekday = Weekday(static_cast<double>(whole));
  p.has_time = seconds != 0;
  p.has_date = whole != 0;
  return p;
}

void SplitDate(double serial, int* year, int* month, int* day) {
  const DateTimeParts p = SplitSerial(serial);
  *year = p.year, *month = p.month, *day = p.day;
}

void SplitTime(double serial, int* hour, int* minute, int* second) {
  const DateTimeParts p = SplitSerial(serial);
  *hour = p.hour, *minute = p.minute, *second = p.second;
}

int Weekday(double serial) {
  const long long day = static_cast<long long>(std::floor(serial));
  return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

}  // namespace plrxl
