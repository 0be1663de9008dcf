// Clock: where the system asks for "now".
//
// Every time stamp (log lines, status lines, error records) comes from an
// injected Clock so tests can pin the time. Now() returns the local date and
// time as a date serial: days since 30 December 1899, the fraction being the
// time of day.
#pragma once

namespace plrxl {

class Clock {
 public:
  virtual ~Clock() = default;
  // The current local date and time as a date serial; never fails.
  virtual double Now() const = 0;
};

// The machine's local time, to the second. For tests of the whole program
// the day can be pinned: when the environment variable PLRXL_TODAY holds a
// date "yyyy-mm-dd", Now() is that day at the machine's time of day (a value
// that is no such date is ignored).
class SystemClock : public Clock {
 public:
  double Now() const override;
};

// A clock that stands still until a test moves it.
class FixedClock : public Clock {
 public:
  explicit FixedClock(double serial) : serial_(serial) {}
  double Now() const override { return serial_; }
  void Set(double serial) { serial_ = serial; }
  void AdvanceSeconds(double seconds) { serial_ += seconds / 86400.0; }

 private:
  double serial_;
};

// The serial of a civil date and time, independent of the host's helpers:
// 1 January 1900 is serial 2, as in the host's 1900 date system.
double LocalSerial(int year, int month, int day, int hour, int minute, int second);

}  // namespace plrxl
