// The clocks a request budget reads: wall time in UTC for its windows
// (hour, day, month) and the monotonic clock for its rate, which all
// processes of one boot share. Tests inject a manual clock; the program
// uses the system's.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace plrxl {

class BudgetClock {
 public:
  virtual ~BudgetClock() = default;
  // Milliseconds since 1970-01-01 00:00 UTC.
  virtual int64_t UtcMs() = 0;
  // Milliseconds of the monotonic clock.
  virtual int64_t MonotonicMs() = 0;
  // Waits `ms`, or less when `stop` turns true (asked every few ms).
  virtual void Sleep(int64_t ms, const std::function<bool()>& stop) = 0;
};

// The system's clocks. `pinned_utc` ("2026-12-06T23:59:30Z"), when given
// and valid, is the wall time at the start; it runs on with the monotonic
// clock from there (the program takes it from PLRXL_UTC_NOW, so that tests
// of the whole program choose the hour and the day).
std::shared_ptr<BudgetClock> SystemBudgetClock(const std::string& pinned_utc = "");

// A clock that moves only when told to or when someone sleeps on it: a
// sleep moves both clocks by its length at once. Thread-safe.
class ManualBudgetClock : public BudgetClock {
 public:
  ManualBudgetClock(int64_t utc_ms, int64_t monotonic_ms) : utc_(utc_ms), mono_(monotonic_ms) {}
  int64_t UtcMs() override { return utc_.load(); }
  int64_t MonotonicMs() override { return mono_.load(); }
  void Sleep(int64_t ms, const std::function<bool()>& stop) override;
  void Advance(int64_t ms) {
    utc_ += ms;
    mono_ += ms;
  }
  // Milliseconds slept so far.
  int64_t Slept() const { return slept_.load(); }

 private:
  std::atomic<int64_t> utc_, mono_, slept_{0};
};

// Milliseconds since 1970 of an ISO UTC time "YYYY-MM-DDTHH:MM:SSZ" (the
// seconds and the Z may be left out); -1 when it is not one.
int64_t ParseUtcMs(const std::string& text);

}  // namespace plrxl
