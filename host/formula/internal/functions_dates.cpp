// Dates and times, in the workbook's date system.
#include <algorithm>
#include <array>
#include <cmath>
#include <set>

#include "host/formula/internal/function_table.h"
#include "host/formula/internal/interpreter.h"

namespace plrxl::formula {
namespace {

Ymd Split(Args& a, double serial) {
  Ymd ymd;
  if (!a.Dates().Split(serial, &ymd)) throw ErrorResult{CellError::kNum};
  return ymd;
}
Ymd SplitArg(Args& a, int i) { return Split(a, a.Number(i)); }
double SerialOf(Args& a, long long y, long long m, long long d) {
  double s;
  if (!a.Dates().Serial(y, m, d, &s)) throw ErrorResult{CellError::kNum};
  return s;
}
bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}
// Seconds of the day of a serial, rounded to the millisecond first.
long long DaySeconds(double serial) {
  const double frac = serial - std::floor(serial);
  return static_cast<long long>(std::floor(frac * 86400 + 0.5)) % 86400;
}

Value Today(Args& a) { return Value::Number(std::floor(a.In().Settings().now), true); }
Value Now(Args& a) { return Value::Number(a.In().Settings().now, true); }
Value Date(Args& a) {
  const double year = std::trunc(a.Number(0));
  if (year < 0 || year >= 10000) throw ErrorResult{year < 0 ? kBadArgument : CellError::kNum};
  long long y = static_cast<long long>(year);
  if (y < 1900) y += 1900;  // years 0 to 1899 count from 1900
  const double month = std::trunc(a.Number(1)), day = std::trunc(a.Number(2));
  if (std::fabs(month) > 1e6 || std::fabs(day) > 1e8) throw ErrorResult{CellError::kNum};
  return Value::Number(SerialOf(a, y, static_cast<long long>(month), static_cast<long long>(day)), true);
}
Value Time(Args& a) {
  const double h = std::trunc(a.Number(0)), m = std::trunc(a.Number(1)), s = std::trunc(a.Number(2));
  const double total = h * 3600 + m * 60 + s;
  if (total < 0) throw ErrorResult{kBadArgument};
  return Value::Number(std::fmod(total, 86400) / 86400);
}
Value Year(Args& a) { return Value::Number(SplitArg(a, 0).year); }
Value Month(Args& a) { return Value::Number(SplitArg(a, 0).month); }
Value Day(Args& a) { return Value::Number(SplitArg(a, 0).day); }
Value Hour(Args& a) { return Value::Number(static_cast<double>(DaySeconds(a.Number(0)) / 3600)); }
Value Minute(Args& a) { return Value::Number(static_cast<double>(DaySeconds(a.Number(0)) / 60 % 60)); }
Value Second(Args& a) { return Value::Number(static_cast<double>(DaySeconds(a.Number(0)) % 60)); }

Value Weekday(Args& a) {
  const double serial = a.Number(0);
  if (serial < 0) throw ErrorResult{CellError::kNum};
  const int type = ClampToInt(a.Number(1, 1));
  const int w = a.Dates().Weekday(serial);  // 1 = Sunday
  const int monday0 = (w + 5) % 7;          // 0 = Monday
  switch (type) {
    case 1: case 17: return Value::Number(w);
    case 2: case 11: return Value::Number(monday0 + 1);
    case 3: return Value::Number(monday0);
    case 12: case 13: case 14: case 15: case 16: return Value::Number((monday0 - (type - 11) + 7) % 7 + 1);
  }
  throw ErrorResult{kBadArgument};
}

Value WeekNum(Args& a) {
  const double serial = std::floor(a.Number(0));
  const int type = ClampToInt(a.Number(1, 1));
  int first_day;  // 0 = Monday of the week start
  switch (type) {
    case 1: case 17: first_day = 6; break;
    case 2: case 11: first_day = 0; break;
    case 12: case 13: case 14: case 15: case 16: first_day = type - 11; break;
    case 21: {
      // ISO week: the week with the year's first Thursday is week 1.
      const int monday0 = (a.Dates().Weekday(serial) + 5) % 7;
      const double thursday = serial - monday0 + 3;
      const Ymd t = Split(a, thursday);
      const double jan1 = SerialOf(a, t.year, 1, 1);
      return Value::Number(std::floor((thursday - jan1) / 7) + 1);
    }
    default: throw ErrorResult{kBadArgument};
  }
  const Ymd ymd = Split(a, serial);
  const double jan1 = SerialOf(a, ymd.year, 1, 1);
  const int jan1_monday0 = (a.Dates().Weekday(jan1) + 5) % 7;
  const int offset = (jan1_monday0 - first_day + 7) % 7;
  return Value::Number(std::floor((serial - jan1 + offset) / 7) + 1);
}
Value IsoWeekNum(Args& a) {
  const double serial = std::floor(a.Number(0));
  const int monday0 = (a.Dates().Weekday(serial) + 5) % 7;
  const double thursday = serial - monday0 + 3;
  const Ymd t = Split(a, thursday);
  return Value::Number(std::floor((thursday - SerialOf(a, t.year, 1, 1)) / 7) + 1);
}

double AddMonths(Args& a, double start, double months, bool end_of_month) {
  const Ymd ymd = Split(a, start);
  if (std::fabs(months) > 1e6) throw ErrorResult{CellError::kNum};
  const long long m = static_cast<long long>(std::trunc(months));
  const long long total = static_cast<long long>(ymd.year) * 12 + (ymd.month - 1) + m;
  const long long y = total / 12, mo = total % 12 + 1;
  if (y < 1900 || y > 9999) throw ErrorResult{CellError::kNum};
  const int last = DaysInMonth(static_cast<int>(y), static_cast<int>(mo));
  return SerialOf(a, y, mo, end_of_month ? last : std::min(ymd.day, last));
}
Value EDate(Args& a) { return Value::Number(AddMonths(a, std::floor(a.Number(0)), a.Number(1), false), true); }
Value EOMonth(Args& a) { return Value::Number(AddMonths(a, std::floor(a.Number(0)), a.Number(1), true), true); }

// The weekend days (Monday = 0) of WORKDAY.INTL's code or mask.
std::array<bool, 7> Weekend(Args& a, int i) {
  std::array<bool, 7> w{false, false, false, false, false, true, true};
  if (a.Omitted(i)) return w;
  const Value v = a.Scalar(i);
  if (v.IsText()) {
    const std::string& mask = v.text();
    if (mask.size() != 7 || mask == "1111111") throw ErrorResult{CellError::kValue};
    for (int k = 0; k < 7; ++k) {
      if (mask[k] != '0' && mask[k] != '1') throw ErrorResult{CellError::kValue};
      w[k] = mask[k] == '1';
    }
    return w;
  }
  const int code = ClampToInt(ToNumber(v));
  w.fill(false);
  if (code >= 1 && code <= 7) {
    w[(code + 4) % 7] = true;  // 1: Saturday and Sunday, 2: Sunday and Monday ...
    w[(code + 5) % 7] = true;
  } else if (code >= 11 && code <= 17) {
    w[(code - 11 + 6) % 7] = true;  // 11: Sunday only, 12: Monday only ...
  } else {
    throw ErrorResult{CellError::kNum};
  }
  return w;
}
std::set<double> Holidays(Args& a, int i) {
  std::set<double> days;
  if (a.Omitted(i)) return days;
  a.In().ForEachValue(a.Raw(i), [&](const Value& v) {
    if (v.IsError()) throw ErrorResult{v.error()};
    days.insert(std::floor(ToNumber(v)));
  });
  return days;
}
bool IsWorkday(Args& a, double day, const std::array<bool, 7>& weekend, const std::set<double>& holidays) {
  return !weekend[(a.Dates().Weekday(day) + 5) % 7] && holidays.count(day) == 0;
}

Value WorkdayImpl(Args& a, bool intl) {
  double day = std::floor(a.Number(0));
  double n = std::trunc(a.Number(1));
  const auto weekend = intl ? Weekend(a, 2) : Weekend(a, 99);
  const auto holidays = Holidays(a, intl ? 3 : 2);
  const double step = n < 0 ? -1 : 1;
  if (std::fabs(n) > 1e7) throw ErrorResult{CellError::kNum};
  while (n != 0) {
    day += step;
    if (day < 0) throw ErrorResult{CellError::kNum};
    if (IsWorkday(a, day, weekend, holidays)) n -= step;
  }
  return Value::Number(day, true);
}
Value Workday(Args& a) { return WorkdayImpl(a, false); }
Value WorkdayIntl(Args& a) { return WorkdayImpl(a, true); }
Value NetworkdaysImpl(Args& a, bool intl) {
  double start = std::floor(a.Number(0)), end = std::floor(a.Number(1));
  const auto weekend = intl ? Weekend(a, 2) : Weekend(a, 99);
  const auto holidays = Holidays(a, intl ? 3 : 2);
  const double sign = start > end ? -1 : 1;
  if (start > end) std::swap(start, end);
  if (end - start > 1e7) throw ErrorResult{CellError::kNum};
  double n = 0;
  for (double d = start; d <= end; ++d) n += IsWorkday(a, d, weekend, holidays);
  return Value::Number(sign * n);
}
Value Networkdays(Args& a) { return NetworkdaysImpl(a, false); }
Value NetworkdaysIntl(Args& a) { return NetworkdaysImpl(a, true); }

Value DateValue(Args& a) {
  double n;
  const Value text = a.Scalar(0);
  if (text.IsError()) return text;
  if (!text.IsText() || !ParseNumberText(text.text(), a.Dates().Is1904(), &n) || n < 1)
    throw ErrorResult{CellError::kValue};
  return Value::Number(std::floor(n));
}
Value TimeValue(Args& a) {
  double n;
  if (!ParseNumberText(a.Text(0), a.Dates().Is1904(), &n)) throw ErrorResult{CellError::kValue};
  return Value::Number(n - std::floor(n));
}
Value Days(Args& a) { return Value::Number(std::floor(a.Number(0)) - std::floor(a.Number(1))); }

Value Days360(Args& a) {
  const Ymd s = SplitArg(a, 0), e = SplitArg(a, 1);
  const bool european = a.Bool(2, false);
  int sd = s.day, ed = e.day;
  if (european) {
    sd = std::min(sd, 30);
    ed = std::min(ed, 30);
  } else {
    const bool s_last_feb = s.month == 2 && s.day == DaysInMonth(s.year, 2);
    if (s_last_feb || sd == 31) sd = 30;
    if (ed == 31 && sd >= 30) ed = 30;
  }
  return Value::Number((e.year - s.year) * 360.0 + (e.month - s.month) * 30.0 + (ed - sd));
}

Value DateDif(Args& a) {
  const double start = std::floor(a.Number(0)), end = std::floor(a.Number(1));
  std::string unit = a.Text(2);
  for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (start > end) throw ErrorResult{kBadArgument};
  const Ymd s = Split(a, start), e = Split(a, end);
  int months = (e.year - s.year) * 12 + (e.month - s.month);
  if (e.day < s.day) --months;
  if (unit == "D") return Value::Number(end - start);
  if (unit == "M") return Value::Number(months);
  if (unit == "Y") return Value::Number(months / 12);
  if (unit == "YM") return Value::Number(months % 12);
  if (unit == "MD") {
    const int m = e.month == 1 ? 12 : e.month - 1, y = e.month == 1 ? e.year - 1 : e.year;
    return Value::Number(e.day >= s.day ? e.day - s.day : DaysInMonth(y, m) - s.day + e.day);
  }
  if (unit == "YD") {
    double from = SerialOf(a, e.year, s.month, s.day);
    if (from > end) from = SerialOf(a, e.year - 1, s.month, s.day);
    return Value::Number(end - from);
  }
  throw ErrorResult{kBadArgument};
}

Value YearFrac(Args& a) {
  double start = std::floor(a.Number(0)), end = std::floor(a.Number(1));
  const int basis = ClampToInt(a.Number(2, 0));
  if (basis < 0 || basis > 4) throw ErrorResult{kBadArgument};
  if (start > end) std::swap(start, end);
  const Ymd s = Split(a, start), e = Split(a, end);
  switch (basis) {
    case 0: {
      int sd = s.day, ed = e.day;
      if (sd == 31) sd = 30;
      if (ed == 31 && sd == 30) ed = 30;
      if (s.month == 2 && sd == DaysInMonth(s.year, 2)) {
        sd = 30;
        if (e.month == 2 && ed == DaysInMonth(e.year, 2)) ed = 30;
      }
      return NumberResult(((e.year - s.year) * 360.0 + (e.month - s.month) * 30.0 + (ed - sd)) / 360);
    }
    case 1: {
      double year_days;
      if (e.year == s.year || (e.year == s.year + 1 && (e.month < s.month || (e.month == s.month && e.day <= s.day)))) {
        bool leap = false;
        if (e.year == s.year) leap = IsLeap(s.year);
        else {
          // A 29 February between the two dates makes the year 366 days.
          const double feb29s = IsLeap(s.year) ? SerialOf(a, s.year, 2, 29) : -1;
          const double feb29e = IsLeap(e.year) ? SerialOf(a, e.year, 2, 29) : -1;
          leap = (feb29s >= start && feb29s <= end) || (feb29e >= start && feb29e <= end);
        }
        year_days = leap ? 366 : 365;
      } else {
        const double span = SerialOf(a, e.year + 1, 1, 1) - SerialOf(a, s.year, 1, 1);
        year_days = span / (e.year - s.year + 1);
      }
      return NumberResult((end - start) / year_days);
    }
    case 2: return NumberResult((end - start) / 360);
    case 3: return NumberResult((end - start) / 365);
    default: {
      const int sd = std::min(s.day, 30), ed = std::min(e.day, 30);
      return NumberResult(((e.year - s.year) * 360.0 + (e.month - s.month) * 30.0 + (ed - sd)) / 360);
    }
  }
}

const FunctionEntry kTable[] = {
    {"TODAY", 0, 0, Today, kVolatile},
    {"NOW", 0, 0, Now, kVolatile},
    {"DATE", 3, 3, Date, kPlain, kEveryArgument},
    {"TIME", 3, 3, Time, kPlain, kEveryArgument},
    {"YEAR", 1, 1, Year, kPlain, kEveryArgument},
    {"MONTH", 1, 1, Month, kPlain, kEveryArgument},
    {"DAY", 1, 1, Day, kPlain, kEveryArgument},
    {"HOUR", 1, 1, Hour, kPlain, kEveryArgument},
    {"MINUTE", 1, 1, Minute, kPlain, kEveryArgument},
    {"SECOND", 1, 1, Second, kPlain, kEveryArgument},
    {"WEEKDAY", 1, 2, Weekday, kPlain, kEveryArgument},
    {"WEEKNUM", 1, 2, WeekNum, kPlain, kEveryArgument},
    {"ISOWEEKNUM", 1, 1, IsoWeekNum, kPlain, kEveryArgument},
    {"EDATE", 2, 2, EDate, kPlain, kEveryArgument},
    {"EOMONTH", 2, 2, EOMonth, kPlain, kEveryArgument},
    {"WORKDAY", 2, 3, Workday},
    {"WORKDAY.INTL", 2, 4, WorkdayIntl},
    {"NETWORKDAYS", 2, 3, Networkdays},
    {"NETWORKDAYS.INTL", 2, 4, NetworkdaysIntl},
    {"DATEVALUE", 1, 1, DateValue, kPlain, kEveryArgument},
    {"TIMEVALUE", 1, 1, TimeValue, kPlain, kEveryArgument},
    {"DAYS", 2, 2, Days, kPlain, kEveryArgument},
    {"DAYS360", 2, 3, Days360, kPlain, kEveryArgument},
    {"DATEDIF", 3, 3, DateDif, kPlain, kEveryArgument},
    {"YEARFRAC", 2, 3, YearFrac, kPlain, kEveryArgument},
};

}  // namespace

extern const FunctionFamily kDateFunctions{"Dates and times", kTable, std::size(kTable)};

}  // namespace plrxl::formula
