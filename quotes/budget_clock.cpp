#include "quotes/budget_clock.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace plrxl {
namespace {

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

class SystemClock : public BudgetClock {
 public:
  explicit SystemClock(int64_t pinned) : pinned_(pinned), started_mono_(SteadyMs()) {}
  int64_t UtcMs() override {
    if (pinned_ >= 0) return pinned_ + (SteadyMs() - started_mono_);
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  }
  int64_t MonotonicMs() override { return SteadyMs(); }
  void Sleep(int64_t ms, const std::function<bool()>& stop) override {
    const int64_t until = SteadyMs() + ms;
    while (!(stop && stop())) {
      const int64_t left = until - SteadyMs();
      if (left <= 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(left, 20)));
    }
  }

 private:
  int64_t pinned_;
  int64_t started_mono_;
};

}  // namespace

int64_t ParseUtcMs(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
  const int n = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d%n:%2d%n", &y, &mo, &d, &h, &mi, &used, &s, &used);
  if (n < 5 || y < 1970 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60 ||
      h < 0 || mi < 0 || s < 0) {
    return -1;
  }
  const std::string rest = text.substr(static_cast<size_t>(used));
  if (!rest.empty() && rest != "Z") return -1;
  return ((DaysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60000 + s * 1000;
}

std::shared_ptr<BudgetClock> SystemBudgetClock(const std::string& pinned_utc) {
  return std::make_shared<SystemClock>(pinned_utc.empty() ? -1 : ParseUtcMs(pinned_utc));
}

void ManualBudgetClock::Sleep(int64_t ms, const std::function<bool()>& stop) {
  if (ms <= 0 || (stop && stop())) return;
  Advance(ms);
  slept_ += ms;
}

}  // namespace plrxl
