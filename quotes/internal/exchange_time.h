// Unix time stamps to exchange-local calendar dates. A daily bar's time
// stamp is the session's opening moment; its date is the one on the
// exchange's own calendar, which in UTC can be the day before (Asia) or
// after.
#pragma once

#include <cstdint>
#include <string>

namespace plrxl::quotes {

// The whole-day serial of the local date of `unix_seconds` in the IANA zone
// `zone` (read from the system's zoneinfo). When the zone is empty or
// unknown, `fallback_offset_seconds` (east of UTC) is used. Never throws.
double LocalDateSerial(int64_t unix_seconds, const std::string& zone,
                       int64_t fallback_offset_seconds);

// The first day whose bar of `ticker` may still change at `unix_now`: a
// day's bar is final once its exchange's session has closed (New York
// 16:00, London 16:30, Xetra 17:30, each in its own time zone, with half an
// hour for the provider to publish). For a ticker of an exchange without a
// known session, `fallback_today`.
double SessionFinalBefore(const std::string& ticker, int64_t unix_now, double fallback_today);

}  // namespace plrxl::quotes
