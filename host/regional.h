// Regional settings and the text conversions of numbers and dates.
//
// Every conversion of a date or a number to or from text goes through a
// RegionalSettings value, so tests can pin "dd.mm.yyyy" or "mm/dd/yy" and get
// the same output on every machine.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/variant.h"

namespace plrxl {

struct RegionalSettings {
  // Short-date pattern in host number-format letters: d, dd, m, mm, yy, yyyy
  // and any separators, e.g. "dd.mm.yyyy", "mm/dd/yy", "yyyy-mm-dd".
  std::string short_date = "dd.mm.yyyy";
  // Time format, e.g. "hh:mm:ss" or "h:mm:ss AM/PM".
  std::string time_format = "hh:mm:ss";
  char decimal_symbol = '.';

  // Settings taken from the process locale (LC_TIME / LC_NUMERIC); falls back
  // to the defaults above when the locale tells nothing.
  static RegionalSettings FromLocale();
  // The same mapping from a locale's strftime date and time formats
  // ("%d.%m.%Y", "%H:%M:%S") and its decimal point; a format that maps to
  // no usable pattern, or a decimal that is not one character, keeps the
  // default.
  static RegionalSettings FromLocaleFormats(const char* d_fmt, const char* t_fmt, const char* decimal);
};

// Calendar <-> serial in the host's 1900 date system: serial 0 is
// 30 December 1899 (a pure time of day), serial 1 is 1 January 1900, serial
// 60 is the host's fictitious 29 February 1900 and from serial 61
// (1 March 1900) on a serial counts the days since 30 December 1899. Dates
// before 1900 count back from 30 December 1899 (negative serials).
double DateSerial(int year, int month, int day);
double TimeSerial(int hour, int minute, int second);
void SplitDate(double serial, int* year, int* month, int* day);
void SplitTime(double serial, int* hour, int* minute, int* second);
// Day of week of a serial: 1 = Sunday ... 7 = Saturday.
int Weekday(double serial);

// Text of a number as the runtime prints it: up to 15 significant digits,
// no trailing zeros, the regional decimal symbol, "E+nn" for very large or
// small magnitudes.
std::string NumberToText(double value, const RegionalSettings& rs);
// The same text appended to `out`, without a string of its own (the fast
// path of writers that convert many numbers).
void AppendNumberText(std::string& out, double value, const RegionalSettings& rs);
// Text of a date in the short-date pattern, with the time appended when the
// serial has a fraction (a pure time prints as time only).
std::string DateToText(double serial, const RegionalSettings& rs);
// The general text conversion of any scalar (empty -> "", Booleans
// "True"/"False", errors "Error 2042"). Arrays and objects throw Error 13.
std::string ToText(const Variant& v, const RegionalSettings& rs);
// Parses a number written with the regional decimal symbol (or '.').
std::optional<double> TextToNumber(const std::string& text, const RegionalSettings& rs);
// Parses a date text in the short-date pattern or ISO yyyy-mm-dd, with an
// optional time; returns the serial.
std::optional<double> TextToDate(const std::string& text, const RegionalSettings& rs);
// IsDate of the runtime: a date value, or a text that TextToDate accepts.
bool IsDateLike(const Variant& v, const RegionalSettings& rs);
// Formats a value with a host number format ("0.00", "dd.mm.yyyy",
// "General", "@", "hh:mm"), as a cell would display it.
std::string FormatWithNumberFormat(const Variant& v, const std::string& format,
                                   const RegionalSettings& rs);
// True when the format's first section shows a date or a time of day.
bool NumberFormatShowsDate(const std::string& format);

// A number format parsed once, for formatting many cells of one style.
class ParsedNumberFormat {
 public:
  explicit ParsedNumberFormat(const std::string& format);
  ~ParsedNumberFormat();
  ParsedNumberFormat(ParsedNumberFormat&&) noexcept;
  ParsedNumberFormat& operator=(ParsedNumberFormat&&) noexcept;
  // As FormatWithNumberFormat.
  std::string Format(const Variant& v, const RegionalSettings& rs) const;

 private:
  struct Section;
  std::vector<Section> sections_;
};

}  // namespace plrxl
