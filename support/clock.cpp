#include "support/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace plrxl {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

// 1970-01-01 is serial 25569.
constexpr long long kUnixEpochSerial = 25569;

// The day PLRXL_TODAY pins, when it holds a valid "yyyy-mm-dd".
bool PinnedDay(int* year, int* month, int* day) {
  const char* text = std::getenv("PLRXL_TODAY");
  if (text == nullptr) return false;
  char rest = 0;
  if (std::sscanf(text, "%4d-%2d-%2d%c", year, month, day, &rest) != 3) return false;
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return *year >= 1900 && *year <= 9999 && *month >= 1 && *month <= 12 && *day >= 1 && *day <= kDays[*month - 1];
}

}  // namespace

double LocalSerial(int year, int month, int day, int hour, int minute, int second) {
  const long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                         kUnixEpochSerial;
  return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

double SystemClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  int year = 0, month = 0, day = 0;
  if (PinnedDay(&year, &month, &day)) return LocalSerial(year, month, day, local.tm_hour, local.tm_min, local.tm_sec);
  return LocalSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                     local.tm_sec);
}

}  // namespace plrxl
