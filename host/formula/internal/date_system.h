// The two date systems of workbooks. In the 1900 system serial 1 is
// 1 January 1900 and serial 60 the fictitious 29 February 1900 that
// spreadsheets have always counted; from serial 61 (1 March 1900) on a
// serial counts the days since 30 December 1899. In the 1904 system serial
// 0 is 1 January 1904. A date function given a day that has no serial
// (before the system's day 0, after 31 December 9999) gives #NUM!.
#pragma once

namespace plrxl::formula {

struct Ymd {
  int year = 1900, month = 1, day = 1;
};

// Days since 1 January 1970 of a proleptic Gregorian date; any month and
// day roll over (month 13 is January of the next year, day 0 the last day
// of the month before).
long long DaysFromCivil(long long year, long long month, long long day);
Ymd CivilFromDays(long long days);

class DateSystem {
 public:
  explicit DateSystem(bool date1904 = false) : date1904_(date1904) {}
  bool Is1904() const { return date1904_; }
  // The serial of a civil date (rolled over as DATE does); false outside
  // 0 .. 31 December 9999.
  bool Serial(long long year, long long month, long long day, double* serial) const;
  // The civil date of the whole part of a serial (serial 60 is 29 February
  // 1900 in the 1900 system); false for negative or too large serials.
  bool Split(double serial, Ymd* ymd) const;
  // 1 = Sunday ... 7 = Saturday.
  int Weekday(double serial) const;
  // The serial of day 1 January 1970 in this system (no 1900 bug applies).
  double UnixDay0() const { return date1904_ ? 24107 : 25569; }

 private:
  bool date1904_;
};

}  // namespace plrxl::formula
