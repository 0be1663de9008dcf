#include "host/formula/internal/date_system.h"

#include <cmath>
#include <cstdlib>

namespace plrxl::formula {
namespace {

constexpr double kMaxSerial1900 = 2958465;  // 31 December 9999

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

long long DaysFromCivil(long long year, long long month, long long day) {
  year += FloorDiv(month - 1, 12);
  month = month - 1 - 12 * FloorDiv(month - 1, 12) + 1;
  year -= month <= 2;
  const long long era = FloorDiv(year, 400);
  const long long yoe = year - era * 400;
  const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + (day - 1);
}

Ymd CivilFromDays(long long z) {
  z += 719468;
  const long long era = FloorDiv(z, 146097);
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  Ymd out;
  out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  out.year = static_cast<int>(yoe + era * 400 + (out.month <= 2));
  return out;
}

bool DateSystem::Serial(long long year, long long month, long long day, double* serial) const {
  if (year < 0 || year > 10000 || std::llabs(month) > 1000000 || std::llabs(day) > 100000000) return false;
  const long long days = DaysFromCivil(year, month, day);
  double s;
  if (date1904_) {
    s = static_cast<double>(days - DaysFromCivil(1904, 1, 1));
  } else {
    s = static_cast<double>(days - DaysFromCivil(1899, 12, 30));
    if (s < 61) s -= 1;  // before 1 March 1900: one day less, for the missing 29 February
    if (s == 59 && year == 1900 && month == 2 && day == 29) s = 60;
  }
  if (s < 0 || s > kMaxSerial1900 - (date1904_ ? 1462 : 0)) return false;
  *serial = s;
  return true;
}

bool DateSystem::Split(double serial, Ymd* ymd) const {
  if (!(serial >= 0) || serial > kMaxSerial1900 + 1) return false;
  const long long whole = static_cast<long long>(std::floor(serial));
  if (date1904_) {
    *ymd = CivilFromDays(DaysFromCivil(1904, 1, 1) + whole);
    return true;
  }
  if (whole == 60) {
    *ymd = Ymd{1900, 2, 29};
    return true;
  }
  if (whole == 0) {
    *ymd = Ymd{1900, 1, 0};
    return true;
  }
  *ymd = CivilFromDays(DaysFromCivil(1899, 12, 30) + whole + (whole < 60 ? 1 : 0));
  return true;
}

int DateSystem::Weekday(double serial) const {
  long long whole = static_cast<long long>(std::floor(serial));
  // Serial 1 of the 1900 system is a Sunday as spreadsheets count (the
  // fictitious 29 February keeps the days before it in step).
  if (date1904_) whole += 1462;
  long long w = (whole + 6) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w) + 1;
}

}  // namespace plrxl::formula
