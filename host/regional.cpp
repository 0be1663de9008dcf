// Regional settings from the locale and the runtime's text conversions of
// numbers and dates.
#include "host/regional.h"

#include <langinfo.h>
#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <vector>

#include "host/error.h"
#include "host/internal/date_parts.h"

namespace plrxl {
namespace {

struct ConversionEntry {
  char code;
  const char* pattern;
};

// strftime conversions of a locale's date and time formats, as host pattern
// letters. Conversions missing here (weekday names, era) are dropped.
constexpr ConversionEntry kStrftimeToHost[] = {
    {'d', "dd"},   {'e', "d"},          {'m', "mm"},         {'y', "yy"},       {'Y', "yyyy"},
    {'b', "mmm"},  {'h', "mmm"},        {'B', "mmmm"},       {'D', "mm/dd/yy"}, {'F', "yyyy-mm-dd"},
    {'H', "hh"},   {'I', "h"},          {'k', "h"},          {'l', "h"},        {'M', "mm"},
    {'S', "ss"},   {'p', "AM/PM"},      {'P', "am/pm"},      {'T', "hh:mm:ss"}, {'R', "hh:mm"},
    {'r', "h:mm:ss AM/PM"}, {'%', "%"},
};

std::string StrftimeToHost(const char* fmt) {
  std::string out;
  for (const char* p = fmt; *p; ++p) {
    if (*p != '%') {
      out += *p;
      continue;
    }
    ++p;
    while (*p == 'E' || *p == 'O' || *p == '-' || *p == '_' || *p == '0' || *p == '^' || *p == '#') ++p;
    if (!*p) break;
    for (const auto& e : kStrftimeToHost) {
      if (e.code == *p) {
        out += e.pattern;
        break;
      }
    }
  }
  // Trim separators left over from dropped conversions.
  const auto first = out.find_first_not_of(" ,");
  if (first == std::string::npos) return "";
  return out.substr(first, out.find_last_not_of(" ,") - first + 1);
}

bool HasLetters(const std::string& s, const char* letters) { return s.find_first_of(letters) != std::string::npos; }

// One field of a short-date pattern, in order of appearance.
enum class Field { kDay, kMonth, kYear };

std::vector<Field> PatternOrder(const std::string& pattern) {
  std::vector<Field> order;
  auto add = [&](Field f) {
    for (Field g : order)
      if (g == f) return;
    order.push_back(f);
  };
  for (char c : pattern) {
    const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (l == 'd') add(Field::kDay);
    if (l == 'm') add(Field::kMonth);
    if (l == 'y') add(Field::kYear);
  }
  if (order.size() != 3) order = {Field::kDay, Field::kMonth, Field::kYear};
  return order;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0 || year == 1900))) return 29;
  return kDays[month - 1];
}

// Reads an unsigned decimal of at most max_digits digits at text[*pos].
bool ReadInt(const std::string& text, size_t* pos, int max_digits, int* value, int* digits) {
  size_t start = *pos;
  int v = 0;
  while (*pos < text.size() && std::isdigit(static_cast<unsigned char>(text[*pos])) &&
         static_cast<int>(*pos - start) < max_digits) {
    v = v * 10 + (text[*pos] - '0');
    ++*pos;
  }
  if (*pos == start) return false;
  *value = v;
  if (digits) *digits = static_cast<int>(*pos - start);
  return true;
}

// "hh:mm[:ss] [AM|PM]" starting at *pos; the rest of the text must be blank.
std::optional<double> ParseTime(const std::string& text, size_t pos) {
  int h = 0, mi = 0, s = 0;
  if (!ReadInt(text, &pos, 2, &h, nullptr) || pos >= text.size() || text[pos] != ':') return std::nullopt;
  ++pos;
  if (!ReadInt(text, &pos, 2, &mi, nullptr)) return std::nullopt;
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    if (!ReadInt(text, &pos, 2, &s, nullptr)) return std::nullopt;
  }
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos + 2 <= text.size()) {
    const std::string ampm = text.substr(pos, 2);
    if (ampm == "AM" || ampm == "am" || ampm == "PM" || ampm == "pm") {
      if (h < 1 || h > 12) return std::nullopt;
      h = h % 12 + (ampm[0] == 'P' || ampm[0] == 'p' ? 12 : 0);
      pos += 2;
    }
  }
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos != text.size() || h > 23 || mi > 59 || s > 59) return std::nullopt;
  return TimeSerial(h, mi, s);
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

RegionalSettings RegionalSettings::FromLocale() {
  // The locale the environment names (LANG, LC_*), read without touching
  // the process's own locale.
  locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  const char* d_fmt = loc ? nl_langinfo_l(D_FMT, loc) : nl_langinfo(D_FMT);
  const char* t_fmt = loc ? nl_langinfo_l(T_FMT, loc) : nl_langinfo(T_FMT);
  const char* radix = loc ? nl_langinfo_l(RADIXCHAR, loc) : localeconv()->decimal_point;
  RegionalSettings rs = FromLocaleFormats(d_fmt, t_fmt, radix);
  if (loc) freelocale(loc);
  return rs;
}

RegionalSettings RegionalSettings::FromLocaleFormats(const char* d_fmt, const char* t_fmt, const char* radix) {
  RegionalSettings rs;
  if (d_fmt && *d_fmt) {
    std::string pattern = StrftimeToHost(d_fmt);
    // Dates are written with four-digit years: "dd/mm/yy" becomes
    // "dd/mm/yyyy". The order stays the region's, since texts in that
    // order (typed dates, quote files) are read with it.
    const size_t yy = pattern.find("yy");
    if (yy != std::string::npos && pattern.find("yyyy") == std::string::npos) pattern.replace(yy, 2, "yyyy");
    if (HasLetters(pattern, "d") && HasLetters(pattern, "m") && HasLetters(pattern, "y")) rs.short_date = pattern;
  }
  if (t_fmt && *t_fmt) {
    const std::string pattern = StrftimeToHost(t_fmt);
    if (HasLetters(pattern, "h")) rs.time_format = pattern;
  }
  if (radix && radix[0] && !radix[1]) rs.decimal_symbol = radix[0];
  return rs;
}

namespace {

// Splits to_chars' scientific text "d.ddde+xx" into its digits (without
// trailing zeros) and exponent; returns the number of digits.
int ScientificDigits(const char* text, const char* text_end, char* digits, int* exponent) {
  int n = 0;
  const char* p = text;
  for (; p < text_end && *p != 'e'; ++p) {
    if (*p != '.') digits[n++] = *p;
  }
  while (n > 1 && digits[n - 1] == '0') --n;
  int value = 0;
  const char* q = p + 1;
  const bool negative = q < text_end && *q == '-';
  if (q < text_end && (*q == '-' || *q == '+')) ++q;
  for (; q < text_end; ++q) value = value * 10 + (*q - '0');
  *exponent = negative ? -value : value;
  return n;
}

}  // namespace

void AppendNumberText(std::string& out, double value, const RegionalSettings& rs) {
  if (std::isnan(value)) {
    out += "NaN";
    return;
  }
  if (std::isinf(value)) {
    out += value > 0 ? "Infinity" : "-Infinity";
    return;
  }
  if (value == 0) {
    out += '0';
    return;
  }
  char buf[48];
  char digits[40];
  int exponent = 0;
  // The shortest digits that read back as the value: when there are at most
  // 15 of them they are also the value rounded to 15 digits (a double's
  // error is below half a unit of the 15th digit). Otherwise round to 15.
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
  int n = ScientificDigits(buf, res.ptr, digits, &exponent);
  if (n > 15) {
    res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    n = ScientificDigits(buf, res.ptr, digits, &exponent);
  }
  if (value < 0) out += '-';
  const bool scientific = exponent >= 15 || (exponent < 0 && -exponent - 1 + n > 15);
  if (scientific) {
    out += digits[0];
    if (n > 1) {
      out += rs.decimal_symbol;
      out.append(digits + 1, static_cast<size_t>(n - 1));
    }
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    out += exp;
    return;
  }
  if (exponent < 0) {
    out += '0';
    out += rs.decimal_symbol;
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out.append(digits, static_cast<size_t>(n));
    return;
  }
  if (n <= exponent + 1) {
    out.append(digits, static_cast<size_t>(n));
    out.append(static_cast<size_t>(exponent + 1 - n), '0');
    return;
  }
  out.append(digits, static_cast<size_t>(exponent + 1));
  out += rs.decimal_symbol;
  out.append(digits + exponent + 1, static_cast<size_t>(n - exponent - 1));
}

std::string NumberToText(double value, const RegionalSettings& rs) {
  std::string out;
  AppendNumberText(out, value, rs);
  return out;
}

std::string DateToText(double serial, const RegionalSettings& rs) {
  const DateTimeParts p = SplitSerial(serial);
  const Variant date = Variant::Date(serial);
  if (!p.has_date) return FormatWithNumberFormat(date, rs.time_format, rs);
  if (!p.has_time) return FormatWithNumberFormat(date, rs.short_date, rs);
  return FormatWithNumberFormat(date, rs.short_date + " " + rs.time_format, rs);
}

std::string ToText(const Variant& v, const RegionalSettings& rs) {
  switch (v.Type()) {
    case VarType::kEmpty: return "";
    case VarType::kNumber: return NumberToText(v.Number(), rs);
    case VarType::kDate: return DateToText(v.DateSerial(), rs);
    case VarType::kText: return v.Text();
    case VarType::kBoolean: return v.Boolean() ? "True" : "False";
    case VarType::kError: return "Error " + std::to_string(static_cast<int>(v.ErrorValue()));
    default: throw Error(kErrTypeMismatch, "PlrXL2", "Type mismatch");
  }
}

std::optional<double> TextToNumber(const std::string& text, const RegionalSettings& rs) {
  std::string s = Trim(text);
  if (s.empty()) return std::nullopt;
  size_t start = 0;
  if (s[0] == '+') start = 1;
  for (char& c : s)
    if (c == rs.decimal_symbol) c = '.';
  // Only plain decimal notation: no hex, inf or nan that from_chars allows.
  for (size_t i = start; i < s.size(); ++i) {
    const char c = s[i];
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != 'e' && c != 'E' && c != '-' && c != '+')
      return std::nullopt;
  }
  double value = 0;
  const char* first = s.data() + start;
  const char* last = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return value;
}

std::optional<double> TextToDate(const std::string& raw, const RegionalSettings& rs) {
  const std::string text = Trim(raw);
  if (text.empty()) return std::nullopt;
  if (auto t = ParseTime(text, 0)) return t;
  // Three numbers separated by one non-digit character, in the pattern's
  // order, or ISO year-month-day when the first number has four digits.
  int values[3] = {0, 0, 0}, widths[3] = {0, 0, 0};
  size_t pos = 0;
  char separator = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= text.size() || std::isdigit(static_cast<unsigned char>(text[pos]))) return std::nullopt;
      if (i == 1) separator = text[pos];
      if (text[pos] != separator) return std::nullopt;
      ++pos;
    }
    if (!ReadInt(text, &pos, 4, &values[i], &widths[i])) return std::nullopt;
  }
  if (separator != '.' && separator != '/' && separator != '-') return std::nullopt;
  std::vector<Field> order = PatternOrder(rs.short_date);
  if (widths[0] == 4) order = {Field::kYear, Field::kMonth, Field::kDay};
  int year = 0, month = 0, day = 0, year_width = 0;
  for (int i = 0; i < 3; ++i) {
    if (order[i] == Field::kDay) day = values[i];
    if (order[i] == Field::kMonth) month = values[i];
    if (order[i] == Field::kYear) year = values[i], year_width = widths[i];
  }
  if (year_width <= 2) year += year < 30 ? 2000 : 1900;
  else if (year_width != 4) return std::nullopt;
  if (year < 100 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  double serial = DateSerial(year, month, day);
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) ++pos;
    if (pos == text.size()) return serial;
    auto t = ParseTime(text, pos);
    if (!t) return std::nullopt;
    serial += *t;
  }
  return serial;
}

bool IsDateLike(const Variant& v, const RegionalSettings& rs) {
  if (v.IsDate()) return true;
  return v.IsText() && TextToDate(v.Text(), rs).has_value();
}

}  // namespace plrxl
