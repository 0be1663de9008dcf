#include "quotes/internal/exchange_time.h"

#include <date/tz.h>

#include <exception>

#include "quotes/history/bar_checks.h"
#include "quotes/internal/bars.h"

namespace plrxl::quotes {
namespace {

double SerialOfLocalDays(date::local_days days) {
  const date::year_month_day ymd{days};
  return CivilToSerial(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                       static_cast<int>(static_cast<unsigned>(ymd.day())));
}

// Where and when each known exchange's session closes.
struct SessionClose {
  history::Calendar calendar;
  const char* zone;
  int close_minutes;  // local time of day
};
constexpr SessionClose kSessionCloses[] = {
    {history::Calendar::kNewYork, "America/New_York", 16 * 60},
    {history::Calendar::kLondon, "Europe/London", 16 * 60 + 30},
    {history::Calendar::kXetra, "Europe/Berlin", 17 * 60 + 30},
};
// The time a provider takes to publish a closed session's bar.
constexpr int kPublishMinutes = 30;

}  // namespace

double SessionFinalBefore(const std::string& ticker, int64_t unix_now, double fallback_today) {
  const history::Calendar calendar = history::CalendarOfTicker(ticker);
  for (const SessionClose& session : kSessionCloses) {
    if (session.calendar != calendar) continue;
    // The local day of the moment one close (and publishing) earlier is the
    // last day whose session is over.
    const int64_t shift = int64_t{session.close_minutes + kPublishMinutes} * 60;
    return LocalDateSerial(unix_now - shift, session.zone, 0) + 1;
  }
  return fallback_today;
}

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
