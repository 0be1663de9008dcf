// Display texts of cell values under a host number format: the sections
// ("pos;neg;zero;text"), digit placeholders 0 # ?, grouping, percent,
// scientific, quoted and escaped literals, and date/time patterns.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "host/error.h"
#include "host/internal/date_parts.h"
#include "host/regional.h"

namespace plrxl {
namespace {

std::vector<std::string> SplitSections(const std::string& format) {
  std::vector<std::string> sections(1);
  bool quoted = false, bracket = false;
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '"' && !bracket) quoted = !quoted;
    if (!quoted && c == '[') bracket = true;
    if (!quoted && c == ']') bracket = false;
    if (c == '\\' && !quoted && i + 1 < format.size()) {
      sections.back() += c;
      sections.back() += format[++i];
      continue;
    }
    if (c == ';' && !quoted && !bracket) {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && !b[i];
}

// A format token: a literal or a run of one placeholder letter.
struct Token {
  enum Kind { kLiteral, kDate, kAmPm, kElapsedHours, kDigits } kind;
  std::string text;  // literal text, or the run ("yyyy", "mm", "0", ...)
};

// Splits one section into tokens; bracketed colours and conditions vanish.
std::vector<Token> Tokenize(const std::string& s, bool* is_date) {
  std::vector<Token> tokens;
  *is_date = false;
  auto literal = [&](const std::string& t) {
    if (!tokens.empty() && tokens.back().kind == Token::kLiteral) tokens.back().text += t;
    else tokens.push_back({Token::kLiteral, t});
  };
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '"') {
      const size_t end = s.find('"', i + 1);
      literal(s.substr(i + 1, (end == std::string::npos ? s.size() : end) - i - 1));
      i = end == std::string::npos ? s.size() : end + 1;
    } else if (c == '\\' && i + 1 < s.size()) {
      literal(std::string(1, s[i + 1]));
      i += 2;
    } else if (c == '_' && i + 1 < s.size()) {
      literal(" ");
      i += 2;
    } else if (c == '*' && i + 1 < s.size()) {
      i += 2;
    } else if (c == '[') {
      const size_t end = s.find(']', i);
      const std::string inner = s.substr(i + 1, (end == std::string::npos ? s.size() : end) - i - 1);
      if (!inner.empty() && std::tolower(static_cast<unsigned char>(inner[0])) == 'h') {
        tokens.push_back({Token::kElapsedHours, inner});
        *is_date = true;
      }
      i = end == std::string::npos ? s.size() : end + 1;
    } else if (EqualsNoCase(s.substr(i, 5), "AM/PM") || EqualsNoCase(s.substr(i, 3), "A/P")) {
      const size_t n = EqualsNoCase(s.substr(i, 5), "AM/PM") ? 5 : 3;
      tokens.push_back({Token::kAmPm, s.substr(i, n)});
      i += n;
    } else if (l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 's') {
      size_t j = i;
      while (j < s.size() && std::tolower(static_cast<unsigned char>(s[j])) == l) ++j;
      std::string run(j - i, l);
      tokens.push_back({Token::kDate, run});
      *is_date = true;
      i = j;
    } else if (c == '0' || c == '#' || c == '?' || c == '.' || c == ',' || c == '%' ||
               ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-'))) {
      tokens.push_back({Token::kDigits, std::string(1, c)});
      if (c == 'E' || c == 'e') tokens.back().text += s[++i];
      ++i;
    } else {
      literal(std::string(1, c));
      ++i;
    }
  }
  return tokens;
}

// What a cell shows for a value its format cannot lay out (a date outside
// the years 100 to 9999, a number that overflows once scaled by "%"): the
// spreadsheet fills the cell with "#"; this is a cell of the standard width.
std::string Unshowable() { return std::string(11, '#'); }

std::string Pad2(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string FormatDate(const std::vector<Token>& tokens, double serial) {
  DateTimeParts p;
  try {
    p = SplitSerial(serial);
  } catch (...) {
    return Unshowable();
  }
  bool twelve_hour = false;
  for (const auto& t : tokens) twelve_hour |= t.kind == Token::kAmPm;
  std::string out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.kind == Token::kLiteral || t.kind == Token::kDigits) {
      // A "." and digits after seconds would be fractions; we print whole seconds.
      out += t.text;
      continue;
    }
    if (t.kind == Token::kAmPm) {
      const bool pm = p.hour >= 12;
      if (t.text.size() == 5) out += t.text[0] == 'a' || t.text[0] == 'p' ? (pm ? "pm" : "am") : (pm ? "PM" : "AM");
      else out += pm ? "P" : "A";
      continue;
    }
    if (t.kind == Token::kElapsedHours) {
      const double hours = std::floor(serial * 24 + 1e-9);
      out += std::to_string(static_cast<long long>(hours));
      continue;
    }
    const char l = t.text[0];
    const size_t n = t.text.size();
    if (l == 'y') {
      out += n <= 2 ? Pad2(p.year % 100) : std::to_string(p.year);
    } else if (l == 'd') {
      if (n == 1) out += std::to_string(p.day);
      else if (n == 2) out += Pad2(p.day);
      else if (n == 3) out += std::string(kDayNames[p.weekday - 1]).substr(0, 3);
      else out += kDayNames[p.weekday - 1];
    } else if (l == 'h') {
      int h = p.hour;
      if (twelve_hour) h = h % 12 == 0 ? 12 : h % 12;
      out += n == 1 ? std::to_string(h) : Pad2(h);
    } else if (l == 's') {
      out += n == 1 ? std::to_string(p.second) : Pad2(p.second);
    } else {  // 'm': minutes after an hour or before a second, else month
      bool minutes = false;
      if (n <= 2) {
        for (size_t k = i; k-- > 0;) {
          if (tokens[k].kind == Token::kDate || tokens[k].kind == Token::kElapsedHours) {
            minutes = tokens[k].kind == Token::kElapsedHours || tokens[k].text[0] == 'h';
            break;
          }
        }
        for (size_t k = i + 1; k < tokens.size() && !minutes; ++k) {
          if (tokens[k].kind == Token::kDate) {
            minutes = tokens[k].text[0] == 's';
            break;
          }
        }
      }
      if (minutes) out += n == 1 ? std::to_string(p.minute) : Pad2(p.minute);
      else if (n == 1) out += std::to_string(p.month);
      else if (n == 2) out += Pad2(p.month);
      else if (n == 3) out += std::string(kMonthNames[p.month - 1]).substr(0, 3);
      else if (n == 4) out += kMonthNames[p.month - 1];
      else out += kMonthNames[p.month - 1][0];
    }
  }
  return out;
}

// The first 15 significant digits of a finite v >= 0, rounded, and the power
// of ten of the first one: v ~ d.dddddddddddddd * 10^exponent.
struct SignificantDigits {
  std::string digits;
  int exponent = 0;
};

SignificantDigits FifteenDigits(double v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  // A finite value prints as "d.dddddddddddddde+xx" (or e-xx).
  SignificantDigits out;
  out.digits = std::string(buf, 1) + std::string(buf + 2, 14);
  const char* exponent = std::find(buf, res.ptr, 'e') + 1;
  if (exponent < res.ptr && *exponent == '+') ++exponent;
  std::from_chars(exponent, res.ptr, out.exponent);
  return out;
}

// The digits, of which the first `point` are whole, rounded half away from
// zero to `places` decimals (2.5 -> 3, 1.005 -> 1.01) and laid out as
// "int.frac"; a negative point puts zeros after the decimal point first.
std::string FixedHalfUp(std::string digits, int point, int places) {
  if (point < 0) {
    digits.insert(0, static_cast<size_t>(-point), '0');
    point = 0;
  }
  if (static_cast<int>(digits.size()) < point + places + 1) digits.append(point + places + 1 - digits.size(), '0');
  const bool up = digits[static_cast<size_t>(point + places)] >= '5';
  digits.resize(static_cast<size_t>(point + places));
  if (up) {
    int i = static_cast<int>(digits.size()) - 1;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
    if (i >= 0) ++digits[static_cast<size_t>(i)];
    else digits.insert(0, "1"), ++point;
  }
  std::string int_part = digits.substr(0, static_cast<size_t>(point));
  const size_t nz = int_part.find_first_not_of('0');
  int_part = nz == std::string::npos ? "0" : int_part.substr(nz);
  if (places == 0) return int_part;
  return int_part + "." + digits.substr(static_cast<size_t>(point));
}

std::string GroupThousands(const std::string& digits, char separator) {
  std::string out;
  const int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    out += digits[i];
    if ((n - i - 1) % 3 == 0 && i != n - 1) out += separator;
  }
  return out;
}

std::string FormatNumber(const std::vector<Token>& tokens, double value, bool with_sign, const RegionalSettings& rs) {
  int int_zeros = 0, frac_places = 0, frac_zeros = 0, percents = 0, exp_digits = 0;
  bool grouping = false, seen_point = false, seen_exp = false;
  int scale_commas = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.kind == Token::kLiteral) continue;
    const char c = t.text[0];
    if (c == '%') ++percents;
    else if (c == 'E' || c == 'e') seen_exp = true;
    else if (seen_exp) ++exp_digits;
    else if (c == '.') seen_point = true;
    else if (c == ',') {
      // A comma between placeholders groups; trailing commas divide by 1000.
      bool digit_after = false;
      for (size_t k = i + 1; k < tokens.size() && tokens[k].kind == Token::kDigits; ++k)
        if (tokens[k].text[0] != ',') {
          digit_after = tokens[k].text[0] != '.' && tokens[k].text[0] != '%';
          break;
        }
      if (digit_after && !seen_point) grouping = true;
      else if (!digit_after) ++scale_commas;
    } else {
      if (seen_point) {
        ++frac_places;
        if (c == '0') frac_zeros = frac_places;
      } else if (c == '0') {
        ++int_zeros;
      }
    }
  }
  const double v = std::fabs(value) * std::pow(100.0, percents) / std::pow(1000.0, scale_commas);
  if (!std::isfinite(v) || frac_places > 300) return Unshowable();
  const SignificantDigits significant = FifteenDigits(v);
  int exponent = 0;
  std::string fixed;
  if (seen_exp && v != 0) {
    // The digits as d.ddd; a mantissa that rounds up to 10 becomes 1.000 of the next power.
    exponent = significant.exponent;
    fixed = FixedHalfUp(significant.digits, 1, frac_places);
    if (fixed.size() > 1 && fixed[1] != '.') {
      ++exponent;
      fixed = FixedHalfUp("1", 1, frac_places);
    }
  } else {
    fixed = FixedHalfUp(significant.digits, significant.exponent + 1, frac_places);
  }
  std::string int_part = fixed.substr(0, fixed.find('.'));
  std::string frac_part = frac_places ? fixed.substr(fixed.find('.') + 1) : "";
  while (static_cast<int>(frac_part.size()) > frac_zeros && !frac_part.empty() && frac_part.back() == '0')
    frac_part.pop_back();
  if (int_part == "0" && int_zeros == 0) int_part.clear();
  while (static_cast<int>(int_part.size()) < int_zeros) int_part.insert(0, "0");
  const char thousands = rs.decimal_symbol == ',' ? '.' : ',';
  if (grouping) int_part = GroupThousands(int_part, thousands);
  const bool rounds_to_zero = fixed.find_first_of("123456789") == std::string::npos;

  std::string out;
  bool int_done = false, frac_done = false, exp_done = false;
  for (const Token& t : tokens) {
    if (t.kind != Token::kDigits) {
      out += t.text;
      continue;
    }
    const char c = t.text[0];
    if (c == '%') out += '%';
    else if (c == '.') {
      if (!frac_done) out += rs.decimal_symbol + frac_part;
      frac_done = true;
      int_done = true;
    } else if (c == 'E' || c == 'e') {
      if (!exp_done) {
        std::string digits = std::to_string(std::abs(exponent));
        if (static_cast<int>(digits.size()) < exp_digits) digits.insert(0, static_cast<size_t>(exp_digits) - digits.size(), '0');
        out += c;
        out += exponent < 0 ? "-" : (t.text[1] == '+' ? "+" : "");
        out += digits;
      }
      exp_done = true;
    } else if (c != ',' && !int_done) {
      out += int_part;
      int_done = true;
    }
  }
  if (with_sign && value < 0 && !rounds_to_zero) out.insert(0, "-");
  return out;
}

}  // namespace

struct ParsedNumberFormat::Section {
  std::string text;
  bool general = false;  // "", "General" or "@": the value's own text
  bool is_date = false;
  std::vector<Token> tokens;
};

ParsedNumberFormat::ParsedNumberFormat(const std::string& format) {
  for (std::string& text : SplitSections(format)) {
    Section section;
    section.general = text.empty() || EqualsNoCase(text, "General") || text == "@";
    if (!section.general) section.tokens = Tokenize(text, &section.is_date);
    section.text = std::move(text);
    sections_.push_back(std::move(section));
  }
}

ParsedNumberFormat::~ParsedNumberFormat() = default;
ParsedNumberFormat::ParsedNumberFormat(ParsedNumberFormat&&) noexcept = default;
ParsedNumberFormat& ParsedNumberFormat::operator=(ParsedNumberFormat&&) noexcept = default;

std::string ParsedNumberFormat::Format(const Variant& v, const RegionalSettings& rs) const {
  switch (v.Type()) {
    case VarType::kEmpty: return "";
    case VarType::kError: return CellErrorText(v.ErrorValue());
    case VarType::kBoolean: return v.Boolean() ? "TRUE" : "FALSE";
    case VarType::kText: {
      if (sections_.size() < 4 && sections_[0].text.find('@') == std::string::npos) return v.Text();
      // The text section with the text in place of "@".
      const std::string& section = sections_.size() >= 4 ? sections_[3].text : sections_[0].text;
      std::string result;
      bool quoted = false;
      for (char c : section) {
        if (c == '"') quoted = !quoted;
        else if (c == '@' && !quoted) result += v.Text();
        else result += c;
      }
      return result;
    }
    case VarType::kNumber:
    case VarType::kDate: break;
    default: return "";
  }
  const double value = v.Number();
  // No cell holds an infinity or a NaN: a calculation that makes one shows the error.
  if (!std::isfinite(value)) return CellErrorText(CellError::kNum);
  size_t index = 0;
  bool with_sign = true;
  if (value < 0 && sections_.size() >= 2 && !sections_[1].text.empty()) index = 1, with_sign = false;
  if (value == 0 && sections_.size() >= 3) index = 2;
  const Section& section = sections_[index];
  if (section.general) {
    if (v.IsDate()) {
      try {
        return DateToText(value, rs);
      } catch (const Error&) {
        return Unshowable();  // before year 100 or after 9999
      }
    }
    return NumberToText(with_sign ? value : std::fabs(value), rs);
  }
  if (section.is_date) return FormatDate(section.tokens, value);
  return FormatNumber(section.tokens, value, with_sign, rs);
}

std::string FormatWithNumberFormat(const Variant& v, const std::string& format, const RegionalSettings& rs) {
  return ParsedNumberFormat(format).Format(v, rs);
}

bool NumberFormatShowsDate(const std::string& format) {
  const std::string section = SplitSections(format)[0];
  if (section.empty() || EqualsNoCase(section, "General") || section == "@") return false;
  bool is_date = false;
  Tokenize(section, &is_date);
  return is_date;
}

}  // namespace plrxl
