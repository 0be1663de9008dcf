#include "quotes/internal/exchange_time.h"

#include <date/tz.h>

#include <exception>

#include "quotes/internal/bars.h"

namespace plrxl::quotes {
namespace {

double SerialOfLocalDays(date::local_days days) {
  const date::year_month_day ymd{days};
  return CivilToSerial(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                       static_cast<int>(static_cast<unsigned>(ymd.day())));
}

}  // namespace

double LocalDateSerial(int64_t unix_seconds, const std::string& zone,
                       int64_t fallback_offset_seconds) {
  const date::sys_seconds when{std::chrono::seconds{unix_seconds}};
  if (!zone.empty()) {
    try {
      const date::time_zone* tz = date::locate_zone(zone);
      const auto local = tz->to_local(when);
      return SerialOfLocalDays(date::floor<date::days>(local));
    } catch (const std::exception&) {
      // Unknown zone or no zoneinfo: fall back to the offset below.
    }
  }
  const date::local_seconds local{std::chrono::seconds{unix_seconds + fallback_offset_seconds}};
  return SerialOfLocalDays(date::floor<date::days>(local));
}

}  // namespace plrxl::quotes
