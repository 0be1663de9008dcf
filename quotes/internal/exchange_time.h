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

}  // namespace plrxl::quotes
