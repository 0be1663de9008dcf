#include "host/formula/internal/value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/formula/internal/date_system.h"

namespace plrxl::formula {

const std::string& Value::text() const {
  static const std::string empty;
  return text_ ? *text_ : empty;
}

Value FromVariant(const Variant& v) {
  switch (v.Type()) {
    case VarType::kNumber: return Value::Number(v.Number());
    case VarType::kDate: return Value::Number(v.DateSerial(), true);
    case VarType::kText: return Value::Text(v.Text());
    case VarType::kBoolean: return Value::Boolean(v.Boolean());
    case VarType::kError: return Value::Error(v.ErrorValue());
    default: return Value();
  }
}

Variant ToVariant(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kNumber:
      if (!std::isfinite(v.number())) return Variant(CellError::kNum);
      return v.IsDate() ? Variant::Date(v.number()) : Variant(v.number() == 0 ? 0.0 : v.number());
    case Value::Kind::kText: return Variant(v.text());
    case Value::Kind::kBoolean: return Variant(v.boolean());
    case Value::Kind::kError: return Variant(v.error());
    default: return Variant();
  }
}

std::string NumberText(double n) {
  if (n == 0) return "0";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", n);
  std::string text = buffer;
  const size_t e = text.find('e');
  if (e == std::string::npos) return text;
  // "1e+20" -> "1E+20", "1.5e-07" -> "1.5E-07"
  std::string mantissa = text.substr(0, e);
  const char sign = text[e + 1];
  std::string digits = text.substr(e + 2);
  while (digits.size() > 2 && digits[0] == '0') digits.erase(0, 1);
  return mantissa + "E" + sign + digits;
}

namespace {

bool ParseUnsigned(const std::string& s, size_t* i, int max_digits, int* out) {
  size_t start = *i;
  int value = 0;
  while (*i < s.size() && std::isdigit(static_cast<unsigned char>(s[*i])) && static_cast<int>(*i - start) < max_digits) {
    value = value * 10 + (s[*i] - '0');
    ++*i;
  }
  if (*i == start) return false;
  *out = value;
  return true;
}

// "10:30", "10:30:15", "10:30:15.5" as a fraction of a day.
bool ParseTime(const std::string& s, size_t i, double* out) {
  int h, m, sec = 0;
  if (!ParseUnsigned(s, &i, 4, &h) || i >= s.size() || s[i] != ':') return false;
  ++i;
  if (!ParseUnsigned(s, &i, 2, &m) || m > 59) return false;
  double fraction = 0;
  if (i < s.size() && s[i] == ':') {
    ++i;
    if (!ParseUnsigned(s, &i, 2, &sec) || sec > 59) return false;
    if (i < s.size() && s[i] == '.') {
      const size_t start = i;
      ++i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      fraction = std::strtod(s.substr(start, i - start).c_str(), nullptr);
    }
  }
  if (i != s.size()) return false;
  *out = (h * 3600.0 + m * 60.0 + sec + fraction) / 86400.0;
  return true;
}

}  // namespace

bool ParseNumberText(const std::string& raw, bool date1904, double* out) {
  size_t b = 0, e = raw.size();
  while (b < e && raw[b] == ' ') ++b;
  while (e > b && raw[e - 1] == ' ') --e;
  const std::string s = raw.substr(b, e - b);
  if (s.empty()) return false;
  // Plain and scientific numbers, with an optional sign and percent.
  {
    std::string body = s;
    bool percent = false;
    if (body.back() == '%') {
      percent = true;
      body.pop_back();
    }
    size_t i = 0;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    size_t digits = 0;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
    if (i < body.size() && body[i] == '.') {
      ++i;
      while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
    }
    if (digits > 0 && i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
      size_t k = i + 1;
      if (k < body.size() && (body[k] == '+' || body[k] == '-')) ++k;
      size_t exp_digits = 0;
      while (k < body.size() && std::isdigit(static_cast<unsigned char>(body[k]))) ++k, ++exp_digits;
      if (exp_digits > 0) i = k;
    }
    if (digits > 0 && i == body.size()) {
      const double n = std::strtod(body.c_str(), nullptr);
      if (!std::isfinite(n)) return false;
      *out = percent ? n / 100 : n;
      return true;
    }
  }
  // ISO dates, optionally with a time.
  size_t i = 0;
  int y, m, d;
  if (ParseUnsigned(s, &i, 4, &y) && i == 4 && i < s.size() && s[i] == '-') {
    ++i;
    if (!ParseUnsigned(s, &i, 2, &m) || i >= s.size() || s[i] != '-') return false;
    ++i;
    if (!ParseUnsigned(s, &i, 2, &d)) return false;
    if (m < 1 || m > 12 || d < 1 || d > 31) return false;
    double serial;
    const DateSystem dates(date1904);
    if (!dates.Serial(y, m, d, &serial)) return false;
    Ymd check;
    if (!dates.Split(serial, &check) || check.day != d) return false;
    double time = 0;
    if (i < s.size()) {
      if (s[i] != ' ' && s[i] != 'T') return false;
      if (!ParseTime(s, i + 1, &time)) return false;
    }
    *out = serial + time;
    return true;
  }
  double time;
  if (ParseTime(s, 0, &time)) {
    *out = time;
    return true;
  }
  return false;
}

}  // namespace plrxl::formula
