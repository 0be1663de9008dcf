#include "quotes/internal/csv_quotes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

namespace plrxl::quotes {
namespace {

enum Column { kDate, kOpen, kHigh, kLow, kClose, kVolume, kAdj, kOi, kColumnCount };

struct HeaderName {
  const char* name;
  Column column;
};

// Header spellings accepted for each column, compared after dropping blanks,
// dots and underscores and ignoring case.
constexpr HeaderName kHeaderNames[] = {
    {"date", kDate},        {"open", kOpen},           {"high", kHigh},
    {"low", kLow},          {"close", kClose},         {"volume", kVolume},
    {"vol", kVolume},       {"adjclose", kAdj},        {"adjustedclose", kAdj},
    {"openinterest", kOi},  {"openint", kOi},          {"oi", kOi},
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

std::vector<std::string_view> SplitLine(std::string_view line, char sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == sep && !quoted) {
      parts.push_back(Trim(line.substr(start, i - start)));
      start = i + 1;
    }
  }
  parts.push_back(Trim(line.substr(start)));
  return parts;
}

std::string Normalise(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == ' ' || c == '.' || c == '_' || c == '-') continue;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

bool ParseNumber(std::string_view s, char decimal, double* out) {
  std::string t(s);
  if (decimal != '.') {
    for (char& c : t) {
      if (c == decimal) c = '.';
    }
  }
  if (t.empty()) return false;
  const char* first = t.data();
  if (*first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, t.data() + t.size(), *out);
  return ec == std::errc() && ptr == t.data() + t.size() && std::isfinite(*out);
}

bool ReadDigits(std::string_view s, size_t* pos, size_t min_len, size_t max_len, int* value) {
  size_t n = 0;
  int v = 0;
  while (*pos + n < s.size() && n < max_len && std::isdigit(static_cast<unsigned char>(s[*pos + n]))) {
    v = v * 10 + (s[*pos + n] - '0');
    ++n;
  }
  if (n < min_len) return false;
  *pos += n;
  *value = v;
  return true;
}

bool ValidDate(int y, int m, int d) {
  if (y < 1800 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int max = kDays[m - 1];
  if (m == 2 && (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0))) max = 29;
  return d <= max;
}

bool ParseIso(std::string_view s, double* serial) {
  // YYYY-MM-DD with an optional time part, or YYYYMMDD.
  size_t pos = 0;
  int y, m, d;
  if (s.size() == 8) {
    if (!ReadDigits(s, &pos, 8, 8, &y)) return false;
    d = y % 100;
    m = (y / 100) % 100;
    y /= 10000;
  } else {
    if (!ReadDigits(s, &pos, 4, 4, &y) || pos >= s.size() || s[pos] != '-') return false;
    ++pos;
    if (!ReadDigits(s, &pos, 1, 2, &m) || pos >= s.size() || s[pos] != '-') return false;
    ++pos;
    if (!ReadDigits(s, &pos, 1, 2, &d)) return false;
    if (pos < s.size() && s[pos] != 'T' && s[pos] != ' ') return false;
  }
  if (!ValidDate(y, m, d)) return false;
  *serial = CivilToSerial(y, m, d);
  return true;
}

bool ParsePattern(std::string_view s, const std::string& pattern, double* serial) {
  int y = -1, m = -1, d = -1;
  size_t pos = 0, p = 0;
  while (p < pattern.size()) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[p])));
    size_t run = 1;
    while (p + run < pattern.size() &&
           std::tolower(static_cast<unsigned char>(pattern[p + run])) == c) {
      ++run;
    }
    if (c == 'd' || c == 'm') {
      int v;
      if (!ReadDigits(s, &pos, 1, 2, &v)) return false;
      (c == 'd' ? d : m) = v;
    } else if (c == 'y') {
      const size_t start = pos;
      int v;
      if (!ReadDigits(s, &pos, 2, 4, &v)) return false;
      if (pos - start == 2) {
        v += v < 30 ? 2000 : 1900;
      } else if (pos - start != 4) {
        return false;
      }
      y = v;
    } else {
      for (size_t k = 0; k < run; ++k) {
        if (pos >= s.size() || s[pos] != pattern[p + k]) return false;
        ++pos;
      }
    }
    p += run;
  }
  if (pos != s.size() || y < 0 || m < 0 || d < 0 || !ValidDate(y, m, d)) return false;
  *serial = CivilToSerial(y, m, d);
  return true;
}

char DetectSeparator(std::string_view first_line) {
  if (first_line.find('\t') != std::string_view::npos) return '\t';
  if (first_line.find(';') != std::string_view::npos) return ';';
  return ',';
}

std::string Shorten(std::string_view s) {
  std::string out(s.substr(0, 40));
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  return out;
}

}  // namespace

bool ParseQuoteDate(std::string_view text, const std::string& short_date_pattern, double* serial) {
  text = Trim(text);
  if (text.empty()) return false;
  return ParseIso(text, serial) || ParsePattern(text, short_date_pattern, serial);
}

bool ParseQuoteCsv(std::string_view text, const RegionalSettings& regional, Bars* out,
                   std::string* error) {
  out->clear();
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::array<int, kColumnCount> index;
  index.fill(-1);
  char sep = 0;
  bool header_seen = false;
  // With ";" or tab as separator the regional decimal symbol may be ",".
  char decimal = '.';
  size_t line_no = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (Trim(line).empty()) {
      if (end == text.size()) break;
      continue;
    }
    if (sep == 0) {
      sep = DetectSeparator(line);
      if (sep != ',' && regional.decimal_symbol == ',') decimal = ',';
    }
    auto parts = SplitLine(line, sep);
    if (!header_seen) {
      header_seen = true;
      double probe;
      if (!ParseQuoteDate(parts[0], regional.short_date, &probe)) {
        for (size_t i = 0; i < parts.size(); ++i) {
          const std::string name = Normalise(parts[i]);
          for (const auto& h : kHeaderNames) {
            if (name == h.name && index[h.column] < 0) index[h.column] = static_cast<int>(i);
          }
        }
        if (index[kDate] < 0 || index[kClose] < 0) {
          *error = "line 1: the header names no Date and Close columns";
          return false;
        }
        continue;
      }
      for (int c = 0; c < kColumnCount; ++c) index[c] = c;
    }
    Bar bar;
    double* slots[kColumnCount] = {&bar.date, &bar.open, &bar.high, &bar.low,
                                   &bar.close, &bar.volume, &bar.adj_close, &bar.open_interest};
    bool has_adj = false;
    for (int c = 0; c < kColumnCount; ++c) {
      if (index[c] < 0 || static_cast<size_t>(index[c]) >= parts.size()) {
        if (c == kDate || c == kClose) {
          *error = "line " + std::to_string(line_no) + ": too few columns";
          return false;
        }
        continue;
      }
      std::string_view cell = parts[static_cast<size_t>(index[c])];
      if (c == kDate) {
        if (!ParseQuoteDate(cell, regional.short_date, &bar.date)) {
          *error = "line " + std::to_string(line_no) + ": invalid date \"" + Shorten(cell) + "\"";
          return false;
        }
        continue;
      }
      if (cell.empty() && c != kClose) continue;
      if (!ParseNumber(cell, decimal, slots[c])) {
        *error = "line " + std::to_string(line_no) + ": invalid number \"" + Shorten(cell) + "\"";
        return false;
      }
      if (c == kAdj) has_adj = true;
    }
    if (index[kOpen] < 0) bar.open = bar.close;
    if (index[kHigh] < 0) bar.high = std::max(bar.open, bar.close);
    if (index[kLow] < 0) bar.low = std::min(bar.open, bar.close);
    if (!has_adj) bar.adj_close = bar.close;
    out->push_back(bar);
  }
  return true;
}

}  // namespace plrxl::quotes
