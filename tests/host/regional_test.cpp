// Date serials and the regional text conversions of numbers and dates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "host/error.h"
#include "host/regional.h"

namespace plrxl {
namespace {

RegionalSettings Settings(const char* short_date, char decimal = '.') {
  RegionalSettings rs;
  rs.short_date = short_date;
  rs.time_format = "hh:mm:ss";
  rs.decimal_symbol = decimal;
  return rs;
}

struct SerialCase {
  int year, month, day;
  double serial;
};

TEST(DateSerialTest, KnownSerialsOfThe1900System) {
  const SerialCase cases[] = {
      {1899, 12, 30, 0},     {1900, 1, 1, 1},      {1900, 1, 31, 31},     {1900, 2, 28, 59},
      {1900, 2, 29, 60},     {1900, 3, 1, 61},     {2000, 1, 1, 36526},   {2002, 10, 15, 37544},
      {2024, 2, 29, 45351},  {9999, 12, 31, 2958465}, {1899, 12, 29, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateSerial(c.year, c.month, c.day), c.serial) << c.year << "-" << c.month << "-" << c.day;
    int y, m, d;
    SplitDate(c.serial, &y, &m, &d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.year * 10000 + c.month * 100 + c.day) << c.serial;
  }
}

TEST(DateSerialTest, MonthsAndDaysRollOver) {
  EXPECT_EQ(DateSerial(2002, 13, 1), DateSerial(2003, 1, 1));
  EXPECT_EQ(DateSerial(2002, 0, 1), DateSerial(2001, 12, 1));
  EXPECT_EQ(DateSerial(2002, 10, 32), DateSerial(2002, 11, 1));
}

TEST(DateSerialTest, TimesAndWeekdays) {
  EXPECT_DOUBLE_EQ(TimeSerial(18, 0, 0), 0.75);
  int h, m, s;
  SplitTime(37544.0 + TimeSerial(13, 45, 59), &h, &m, &s);
  EXPECT_EQ(h * 10000 + m * 100 + s, 134559);
  SplitTime(0.99999999, &h, &m, &s);  // rounds to the next midnight
  EXPECT_EQ(h * 10000 + m * 100 + s, 0);
  EXPECT_EQ(Weekday(37544), 3);  // 15 Oct 2002 was a Tuesday
  EXPECT_EQ(Weekday(0), 7);
  EXPECT_EQ(Weekday(DateSerial(2026, 12, 5)), 7);
}

struct NumberTextCase {
  double value;
  char decimal;
  const char* text;
};

TEST(NumberToTextTest, FifteenSignificantDigitsNoTrailingZeros) {
  const NumberTextCase cases[] = {
      {0, '.', "0"},
      {1.5, '.', "1.5"},
      {1.5, ',', "1,5"},
      {-2.25, '.', "-2.25"},
      {100, '.', "100"},
      {1.0 / 3, '.', "0.333333333333333"},
      {2.0 / 3, '.', "0.666666666666667"},
      {0.1 + 0.2, '.', "0.3"},
      {123456789012345, '.', "123456789012345"},
      {1e15, '.', "1E+15"},
      {1234567890123456, '.', "1.23456789012346E+15"},
      {0.0001, '.', "0.0001"},
      {1e-10, '.', "0.0000000001"},
      {0.0123456789012346, '.', "1.23456789012346E-02"},
      {-1.5e-20, ',', "-1,5E-20"},
      {37544, '.', "37544"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToText(c.value, Settings("dd.mm.yyyy", c.decimal)), c.text) << c.text;
}

struct DateTextCase {
  double serial;
  const char* pattern;
  const char* text;
};

TEST(DateToTextTest, UsesTheShortDatePattern) {
  const DateTextCase cases[] = {
      {37544, "dd.mm.yyyy", "15.10.2002"},
      {37544, "mm/dd/yy", "10/15/02"},
      {37544, "yyyy-mm-dd", "2002-10-15"},
      {36528, "d.m.yyyy", "3.1.2000"},
      {37544.5, "dd.mm.yyyy", "15.10.2002 12:00:00"},
      {0.25, "mm/dd/yy", "06:00:00"},
      {61, "dd.mm.yyyy", "01.03.1900"},
  };
  for (const auto& c : cases) EXPECT_EQ(DateToText(c.serial, Settings(c.pattern)), c.text) << c.pattern;
}

TEST(ToTextTest, ScalarsAsTheRuntimePrintsThem) {
  const RegionalSettings rs = Settings("dd.mm.yyyy", ',');
  EXPECT_EQ(ToText(Variant(), rs), "");
  EXPECT_EQ(ToText(Variant(true), rs), "True");
  EXPECT_EQ(ToText(Variant(false), rs), "False");
  EXPECT_EQ(ToText(Variant(2.5), rs), "2,5");
  EXPECT_EQ(ToText(Variant::Date(37544), rs), "15.10.2002");
  EXPECT_EQ(ToText(Variant(CellError::kNA), rs), "Error 2042");
  EXPECT_EQ(ToText(Variant("x"), rs), "x");
  EXPECT_THROW(ToText(Variant::Array1D({1}), rs), Error);
}

struct TextNumberCase {
  const char* text;
  char decimal;
  std::optional<double> value;
};

TEST(TextToNumberTest, AcceptsPlainDecimalsOnly) {
  const TextNumberCase cases[] = {
      {"1.5", '.', 1.5},   {"1,5", ',', 1.5},   {"1.5", ',', 1.5},        {" 42 ", '.', 42},
      {"-3e2", '.', -300}, {"+7", '.', 7},      {"abc", '.', std::nullopt}, {"", '.', std::nullopt},
      {"0x10", '.', std::nullopt}, {"1.2.3", '.', std::nullopt}, {"inf", '.', std::nullopt},
      {"nan", '.', std::nullopt},  {"12abc", '.', std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToNumber(c.text, Settings("dd.mm.yyyy", c.decimal)), c.value) << c.text;
}

struct TextDateCase {
  const char* text;
  const char* pattern;
  std::optional<double> serial;
};

TEST(TextToDateTest, ShortDatePatternAndIso) {
  const TextDateCase cases[] = {
      {"15.10.2002", "dd.mm.yyyy", 37544},
      {"15.10.02", "dd.mm.yyyy", 37544},
      {"10/15/02", "mm/dd/yy", 37544},
      {"10/15/2002", "mm/dd/yy", 37544},
      {"2002-10-15", "dd.mm.yyyy", 37544},
      {"2002-10-15", "mm/dd/yy", 37544},
      {"2002-10-15 12:00", "mm/dd/yy", 37544.5},
      {"15.10.2002 18:00:00", "dd.mm.yyyy", 37544.75},
      {"2002-10-15T06:00:00", "dd.mm.yyyy", 37544.25},
      {"1.3.1900", "d.m.yyyy", 61},
      {"18:00", "dd.mm.yyyy", 0.75},
      {"6:00 PM", "dd.mm.yyyy", 0.75},
      {"31.02.2002", "dd.mm.yyyy", std::nullopt},
      {"15/10/2002", "mm/dd/yy", std::nullopt},
      {"15.10-2002", "dd.mm.yyyy", std::nullopt},
      {"2002-10-15 25:00", "dd.mm.yyyy", std::nullopt},
      {"abc", "dd.mm.yyyy", std::nullopt},
      {"", "dd.mm.yyyy", std::nullopt},
      {"12", "dd.mm.yyyy", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto got = TextToDate(c.text, Settings(c.pattern));
    ASSERT_EQ(got.has_value(), c.serial.has_value()) << c.text;
    if (got) {
      EXPECT_NEAR(*got, *c.serial, 1e-9) << c.text;
    }
  }
  EXPECT_TRUE(IsDateLike(Variant("15.10.2002"), Settings("dd.mm.yyyy")));
  EXPECT_TRUE(IsDateLike(Variant::Date(1), Settings("dd.mm.yyyy")));
  EXPECT_FALSE(IsDateLike(Variant(37544), Settings("dd.mm.yyyy")));
}

struct FormatCase {
  Variant value;
  std::string format;
  char decimal;
  std::string text;
};

TEST(FormatWithNumberFormatTest, CommonFormats) {
  const FormatCase cases[] = {
      {Variant(1234.5), "General", '.', "1234.5"},
      {Variant(1234.5), "General", ',', "1234,5"},
      {Variant(2.5), "0", '.', "3"},
      {Variant(-2.5), "0", '.', "-3"},
      {Variant(1.005), "0.00", '.', "1.01"},
      {Variant(0.005), "0.00", '.', "0.01"},
      {Variant(-0.001), "0.00", '.', "0.00"},
      {Variant(999.995), "#,##0.00", '.', "1,000.00"},
      {Variant(1e20), "0", '.', "100000000000000000000"},
      {Variant(-2.4), "0", '.', "-2"},
      {Variant(3.14159), "0.00", '.', "3.14"},
      {Variant(3.14159), "0.00", ',', "3,14"},
      {Variant(1234567.891), "#,##0.00", '.', "1,234,567.89"},
      {Variant(1234567.891), "#,##0.00", ',', "1.234.567,89"},
      {Variant(-1234.5), "#,##0.00", '.', "-1,234.50"},
      {Variant(0.5), "#,##0.00", '.', "0.50"},
      {Variant(0.125), "0%", '.', "13%"},
      {Variant(0.125), "0.0%", '.', "12.5%"},
      {Variant(12345.678), "0.00E+00", '.', "1.23E+04"},
      {Variant(-5), "0.00;(0.00)", '.', "(5.00)"},
      {Variant(0), "0.00;-0.00;\"zero\"", '.', "zero"},
      {Variant(7), "\"$\"#,##0", '.', "$7"},
      {Variant(1.5), "#.##", '.', "1.5"},
      {Variant(37544), "dd.mm.yyyy", '.', "15.10.2002"},
      {Variant(37544), "mm/dd/yy", '.', "10/15/02"},
      {Variant(37544), "yyyy-mm-dd", '.', "2002-10-15"},
      {Variant(37544), "d mmm yyyy", '.', "15 Oct 2002"},
      {Variant(37544), "dddd, mmmm d", '.', "Tuesday, October 15"},
      {Variant(37544.6), "hh:mm:ss", '.', "14:24:00"},
      {Variant(37544.6), "h:mm", '.', "14:24"},
      {Variant(37544.6), "h:mm AM/PM", '.', "2:24 PM"},
      {Variant(37544.6), "dd.mm.yyyy hh:mm", '.', "15.10.2002 14:24"},
      {Variant(1.5), "[h]:mm", '.', "36:00"},
      {Variant::Date(37544), "General", '.', "15.10.2002"},
      {Variant("abc"), "@", '.', "abc"},
      {Variant("abc"), "0.00", '.', "abc"},
      {Variant("abc"), "0;0;0;\"<\"@\">\"", '.', "<abc>"},
      {Variant(42), "@", '.', "42"},
      {Variant(true), "0.00", '.', "TRUE"},
      {Variant(CellError::kDiv0), "0.00", '.', "#DIV/0!"},
      {Variant(), "0.00", '.', ""},
      {Variant(5), "[Red]0.0", '.', "5.0"},
      {Variant(5), "0" + std::string(200, '%'), '.', "###########"},  // overflows to infinity
      {Variant(1e308), "0%%%", '.', "###########"},
      {Variant(-1e308), "0.0%", '.', "###########"},
      // The smallest doubles: a power of ten below them is 0, so the mantissa
      // comes from the digits, never from dividing by a power of ten.
      {Variant(4.9406564584124654e-324), "0.00E+00", '.', "4.94E-324"},
      {Variant(-1e-320), "0.00E+00", '.', "-1.00E-320"},
      {Variant(9.996), "0.00E+00", '.', "1.00E+01"},  // the mantissa rounds up to the next power
      {Variant(1.7976931348623157e308), "0.00E+00", '.', "1.80E+308"},
      {Variant(1.7976931348623157e308), "0", '.', "179769313486232" + std::string(294, '0')},
      // A cell cannot hold these; a calculation that makes one shows the error.
      {Variant(std::numeric_limits<double>::infinity()), "0.00", '.', "#NUM!"},
      {Variant(-std::numeric_limits<double>::infinity()), "General", '.', "#NUM!"},
      {Variant(std::nan("")), "0%", '.', "#NUM!"},
      {Variant::Date(std::numeric_limits<double>::infinity()), "General", '.', "#NUM!"},
      {Variant::Date(1e10), "General", '.', "###########"},  // after year 9999
      {Variant::Date(-1e10), "dd.mm.yyyy", '.', "###########"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatWithNumberFormat(c.value, c.format, Settings("dd.mm.yyyy", c.decimal)), c.text) << c.format;
}

struct LocaleCase {
  const char* d_fmt;
  const char* t_fmt;
  const char* decimal;
  const char* short_date;
  const char* time_format;
  char decimal_symbol;
};

TEST(RegionalSettingsTest, LocaleFormatsMapToHostPatterns) {
  const LocaleCase cases[] = {
      {"%d.%m.%Y", "%H:%M:%S", ",", "dd.mm.yyyy", "hh:mm:ss", ','},
      // A two-digit year becomes four digits; the order stays.
      {"%m/%d/%y", "%r", ".", "mm/dd/yyyy", "h:mm:ss AM/PM", '.'},
      {"%D", "%T", ".", "mm/dd/yyyy", "hh:mm:ss", '.'},
      {"%d/%m/%y", "%T", ".", "dd/mm/yyyy", "hh:mm:ss", '.'},
      {"%y-%m-%d", "%T", ".", "yyyy-mm-dd", "hh:mm:ss", '.'},
      {"%m/%d/%Y", "%T", ".", "mm/dd/yyyy", "hh:mm:ss", '.'},
      {"%F", "%R", ".", "yyyy-mm-dd", "hh:mm", '.'},
      {"%d/%m/%Y", "%I:%M:%S %p", ".", "dd/mm/yyyy", "h:mm:ss AM/PM", '.'},
      {"%A %e %B %Y", "%H.%M", ",", "d mmmm yyyy", "hh.mm", ','},
      {"", "", "", "dd.mm.yyyy", "hh:mm:ss", '.'},
      {"%A", "%p", "..", "dd.mm.yyyy", "hh:mm:ss", '.'},
  };
  for (const auto& c : cases) {
    const RegionalSettings rs = RegionalSettings::FromLocaleFormats(c.d_fmt, c.t_fmt, c.decimal);
    EXPECT_EQ(rs.short_date, c.short_date) << c.d_fmt;
    EXPECT_EQ(rs.time_format, c.time_format) << c.t_fmt;
    EXPECT_EQ(rs.decimal_symbol, c.decimal_symbol) << c.decimal;
  }
}

TEST(RegionalSettingsTest, FromTheProcessLocale) {
  const char* saved = std::getenv("LC_ALL");
  const std::string saved_value = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  const RegionalSettings rs = RegionalSettings::FromLocale();
  EXPECT_EQ(rs.short_date, "mm/dd/yyyy");
  EXPECT_EQ(rs.decimal_symbol, '.');
  if (saved) setenv("LC_ALL", saved_value.c_str(), 1);
  else unsetenv("LC_ALL");
}

TEST(ToInt16Test, OverflowBeyondSixteenBits) {
  const struct {
    long long value;
    int error;
  } cases[] = {{0, 0}, {32767, 0}, {-32768, 0}, {32768, 6}, {-32769, 6}, {65536, 6}};
  for (const auto& c : cases) {
    int error = 0;
    try {
      EXPECT_EQ(ToInt16(c.value), c.value);
    } catch (const Error& e) {
      error = e.Number();
      EXPECT_EQ(e.Description(), "Overflow");
    }
    EXPECT_EQ(error, c.error) << c.value;
  }
}

}  // namespace
}  // namespace plrxl
