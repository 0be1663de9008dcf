// When a day's bar becomes final: after its exchange's session closed, in
// the exchange's own time zone, whatever the machine's.
#include <gtest/gtest.h>

#include "host/regional.h"
#include "quotes/internal/exchange_time.h"

namespace plrxl::testing {
namespace {

// Unix seconds of a UTC time.
int64_t Utc(int y, int m, int d, int hour, int minute) {
  return static_cast<int64_t>((DateSerial(y, m, d) - DateSerial(1970, 1, 1)) * 86400) + hour * 3600 + minute * 60;
}

TEST(SessionClose, ABarIsFinalOnceItsSessionClosed) {
  const double fallback = -1;
  const struct {
    const char* ticker;
    int64_t now;
    double final_before;
  } cases[] = {
      // New York in summer time (UTC-4): 16:00 close, published by 20:30 UTC.
      {"AAPL", Utc(2024, 3, 15, 20, 29), DateSerial(2024, 3, 15)},
      {"AAPL", Utc(2024, 3, 15, 20, 31), DateSerial(2024, 3, 16)},
      // In winter (UTC-5) the same close is an hour later in UTC.
      {"aapl.us", Utc(2024, 1, 10, 21, 0), DateSerial(2024, 1, 10)},
      {"aapl.us", Utc(2024, 1, 10, 21, 31), DateSerial(2024, 1, 11)},
      // Past midnight UTC the New York day is still the one before.
      {"AAPL", Utc(2024, 1, 11, 2, 0), DateSerial(2024, 1, 11)},
      // London (GMT in January): 16:30 close.
      {"VOD.L", Utc(2024, 1, 10, 16, 59), DateSerial(2024, 1, 10)},
      {"VOD.L", Utc(2024, 1, 10, 17, 1), DateSerial(2024, 1, 11)},
      // Xetra (CEST in July, UTC+2): 17:30 close, 16:00 UTC with publishing.
      {"SAP.DE", Utc(2024, 7, 10, 15, 59), DateSerial(2024, 7, 10)},
      {"SAP.DE", Utc(2024, 7, 10, 16, 1), DateSerial(2024, 7, 11)},
      // An exchange without a known session: the machine's day.
      {"7203.T", Utc(2024, 7, 10, 16, 1), fallback},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(quotes::SessionFinalBefore(c.ticker, c.now, fallback), c.final_before) << c.ticker << " " << c.now;
  }
}

}  // namespace
}  // namespace plrxl::testing
