// Text functions. Positions and lengths count bytes of the UTF-8 text but
// never split a character: a position inside one moves to its start.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/format_limits.h"
#include "host/formula/internal/function_table.h"
#include "host/formula/internal/interpreter.h"
#include "host/formula/internal/wildcard.h"
#include "host/regional.h"

namespace plrxl::formula {
namespace {

// Byte offsets of the characters of a UTF-8 text, plus its end.
std::vector<size_t> CharStarts(const std::string& s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  starts.push_back(s.size());
  return starts;
}
// Characters [from, from + count) of s (0-based, clamped).
std::string Chars(const std::string& s, size_t from, size_t count) {
  const auto starts = CharStarts(s);
  const size_t n = starts.size() - 1;
  from = std::min(from, n);
  const size_t to = std::min(n, from + std::min(count, n));
  return s.substr(starts[from], starts[to] - starts[from]);
}

size_t Count(Args& a, int i, double if_omitted) {
  const double n = std::trunc(a.Number(i, if_omitted));
  if (n < 0) throw ErrorResult{CellError::kValue};
  return static_cast<size_t>(std::min(n, 1e9));
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

Value Concatenate(Args& a) {
  TextBuilder out;
  for (int i = 0; i < a.Count(); ++i) out.Add(a.Text(i));
  return Value::Text(out.Take());
}
// CONCAT and TEXTJOIN take ranges whole.
void AppendAll(Args& a, int i, const std::string* delimiter, bool skip_empty, TextBuilder& out, bool& first) {
  const Value v = a.Raw(i);
  auto add = [&](const Value& x) {
    const std::string t = ToText(x);
    if (skip_empty && t.empty()) return;
    if (!first && delimiter) out.Add(*delimiter);
    out.Add(t);
    first = false;
  };
  if (v.IsRange() || v.IsArray()) {
    const Grid g = a.In().ToGrid(v);
    for (int r = 0; r < g.rows; ++r)
      for (int c = 0; c < g.cols; ++c) add(g.At(r, c));
  } else {
    add(v);
  }
}
Value Concat(Args& a) {
  TextBuilder out;
  bool first = true;
  for (int i = 0; i < a.Count(); ++i) AppendAll(a, i, nullptr, false, out, first);
  return Value::Text(out.Take());
}
Value TextJoin(Args& a) {
  const std::string delimiter = a.Text(0);
  const bool skip_empty = a.Bool(1);
  TextBuilder out;
  bool first = true;
  for (int i = 2; i < a.Count(); ++i) AppendAll(a, i, &delimiter, skip_empty, out, first);
  return Value::Text(out.Take());
}

Value Left(Args& a) { return Value::Text(Chars(a.Text(0), 0, Count(a, 1, 1))); }
Value Right(Args& a) {
  const std::string s = a.Text(0);
  const size_t n = Count(a, 1, 1), len = Utf8CharCount(s);
  return Value::Text(Chars(s, n >= len ? 0 : len - n, n));
}
Value Mid(Args& a) {
  const std::string s = a.Text(0);
  const double start = std::trunc(a.Number(1));
  if (start < 1) throw ErrorResult{CellError::kValue};
  return Value::Text(Chars(s, static_cast<size_t>(std::min(start, 1e9)) - 1, Count(a, 2, 0)));
}
Value Len(Args& a) { return Value::Number(static_cast<double>(Utf8CharCount(a.Text(0)))); }
Value UpperFn(Args& a) { return Value::Text(Upper(a.Text(0))); }
Value LowerFn(Args& a) { return Value::Text(Lower(a.Text(0))); }
Value Proper(Args& a) {
  std::string s = a.Text(0);
  bool start = true;
  for (char& c : s) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) {
      c = static_cast<char>(start ? std::toupper(u) : std::tolower(u));
      start = false;
    } else {
      start = u < 0x80;
    }
  }
  return Value::Text(s);
}
Value Trim(Args& a) {
  const std::string s = a.Text(0);
  std::string out;
  for (char c : s) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return Value::Text(out);
}
Value Clean(Args& a) {
  std::string s = a.Text(0);
  s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }), s.end());
  return Value::Text(s);
}
Value Substitute(Args& a) {
  const std::string s = a.Text(0), from = a.Text(1), to = a.Text(2);
  if (from.empty()) return Value::Text(s);
  const double which = a.Omitted(3) ? 0 : std::trunc(a.Number(3));
  if (!a.Omitted(3) && which < 1) throw ErrorResult{CellError::kValue};
  TextBuilder out;
  size_t pos = 0;
  int seen = 0;
  for (;;) {
    const size_t hit = s.find(from, pos);
    if (hit == std::string::npos) break;
    ++seen;
    out.Add(s.substr(pos, hit - pos));
    out.Add(which == 0 || seen == which ? to : from);
    pos = hit + from.size();
  }
  out.Add(s.substr(pos));
  return Value::Text(out.Take());
}
Value Replace(Args& a) {
  const std::string s = a.Text(0);
  const double start = std::trunc(a.Number(1));
  if (start < 1) throw ErrorResult{CellError::kValue};
  const size_t n = Count(a, 2, 0);
  const size_t from = static_cast<size_t>(std::min(start, 1e9)) - 1;
  TextBuilder out;
  out.Add(Chars(s, 0, from));
  out.Add(a.Text(3));
  out.Add(Chars(s, from + n, static_cast<size_t>(1e9)));
  return Value::Text(out.Take());
}

Value FindImpl(Args& a, bool search) {
  const std::string needle = a.Text(0), hay = a.Text(1);
  const double start = std::trunc(a.Number(2, 1));
  const auto starts = CharStarts(hay);
  if (start < 1 || start > static_cast<double>(starts.size())) throw ErrorResult{CellError::kValue};
  const size_t from = starts[static_cast<size_t>(start) - 1];
  if (needle.empty()) throw ErrorResult{CellError::kValue};
  // SEARCH: wildcards, any case; the match may end anywhere. FIND: the
  // needle as it is, beginning on a character.
  size_t at = search ? WildcardFind(needle, hay, from) : hay.find(needle, from);
  while (!search && at != std::string::npos && !std::binary_search(starts.begin(), starts.end(), at))
    at = hay.find(needle, at + 1);
  if (at == std::string::npos) throw ErrorResult{CellError::kValue};
  const auto k = std::lower_bound(starts.begin(), starts.end(), at) - starts.begin();
  return Value::Number(static_cast<double>(k + 1));
}
Value Find(Args& a) { return FindImpl(a, false); }
Value Search(Args& a) { return FindImpl(a, true); }

Value Text(Args& a) {
  const Value v = a.Scalar(0);
  if (v.IsError()) return v;
  const std::string format = a.Text(1);
  // A number format holds at most 255 characters; longer, each "@" could
  // copy a whole text again.
  if (Utf8CharCount(format) > 255) throw ErrorResult{CellError::kValue};
  Variant input = v.IsNumber() ? Variant(v.number()) : ToVariant(v);
  if (v.IsText()) {
    double n;
    if (ParseNumberText(v.text(), a.Dates().Is1904(), &n)) input = Variant(n);
  }
  try {
    TextBuilder out;
    out.Add(FormatWithNumberFormat(input, format, RegionalSettings()));
    return Value::Text(out.Take());
  } catch (...) {
    throw ErrorResult{CellError::kValue};
  }
}
Value ValueFn(Args& a) {
  const Value v = a.Scalar(0);
  if (v.IsError()) return v;
  if (v.IsNumber()) return Value::Number(v.number());
  if (v.IsEmpty()) return Value::Number(0);
  if (!v.IsText()) throw ErrorResult{CellError::kValue};
  double n;
  std::string t = v.text();
  if (t.size() > 1 && t[0] == '$') t = t.substr(1);
  t.erase(std::remove(t.begin(), t.end(), ','), t.end());
  if (!ParseNumberText(t, a.Dates().Is1904(), &n)) throw ErrorResult{CellError::kValue};
  return Value::Number(n);
}
Value NumberValue(Args& a) {
  std::string t = a.Text(0);
  const std::string dec = a.Omitted(1) ? "." : a.Text(1), group = a.Omitted(2) ? "," : a.Text(2);
  std::string cleaned;
  for (size_t i = 0; i < t.size(); ++i) {
    if (!group.empty() && t.compare(i, 1, group, 0, 1) == 0) continue;
    if (!dec.empty() && t.compare(i, 1, dec, 0, 1) == 0) {
      cleaned += '.';
      continue;
    }
    cleaned += t[i];
  }
  double n;
  if (!ParseNumberText(cleaned, false, &n)) throw ErrorResult{CellError::kValue};
  return Value::Number(n);
}
Value Rept(Args& a) {
  const std::string s = a.Text(0);
  const double n = std::trunc(a.Number(1));
  if (n < 0 || static_cast<double>(Utf8CharCount(s)) * n > kMaxCellTextLength) throw ErrorResult{CellError::kValue};
  if (s.empty()) return Value::Text("");
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return Value::Text(out);
}
Value Exact(Args& a) { return Value::Boolean(a.Text(0) == a.Text(1)); }
Value Char(Args& a) {
  const double n = std::trunc(a.Number(0));
  if (n < 1 || n > 255) throw ErrorResult{CellError::kValue};
  const int c = static_cast<int>(n);
  if (c < 128) return Value::Text(std::string(1, static_cast<char>(c)));
  std::string out;  // Latin-1 code page as UTF-8
  out += static_cast<char>(0xC0 | (c >> 6));
  out += static_cast<char>(0x80 | (c & 0x3F));
  return Value::Text(out);
}
Value Code(Args& a) {
  const std::string s = a.Text(0);
  if (s.empty()) return Value::Number(0);
  const unsigned char c = static_cast<unsigned char>(s[0]);
  if (c < 0x80) return Value::Number(c);
  if ((c & 0xE0) == 0xC0 && s.size() > 1) {
    const int cp = ((c & 0x1F) << 6) | (static_cast<unsigned char>(s[1]) & 0x3F);
    if (cp < 256) return Value::Number(cp);
  }
  return Value::Number(63);  // "?" for what the code page lacks
}
Value Fixed(Args& a) {
  const double x = a.Number(0);
  const int decimals = ClampToInt(a.Number(1, 2));
  const bool no_commas = a.Bool(2, false);
  if (decimals > 127) throw ErrorResult{CellError::kValue};
  double rounded = x;
  {
    const double scale = std::pow(10.0, std::abs(decimals));
    rounded = decimals >= 0 ? std::round(x * scale) / scale : std::round(x / scale) * scale;
  }
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", std::max(decimals, 0), std::fabs(rounded));
  std::string digits = buffer;
  if (!no_commas) {
    const size_t dot = digits.find('.');
    std::string whole = digits.substr(0, dot), rest = dot == std::string::npos ? "" : digits.substr(dot);
    std::string grouped;
    for (size_t i = 0; i < whole.size(); ++i) {
      if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
      grouped += whole[i];
    }
    digits = grouped + rest;
  }
  return Value::Text((rounded < 0 ? "-" : "") + digits);
}

const FunctionEntry kTable[] = {
    {"CONCATENATE", 1, 255, Concatenate},
    {"CONCAT", 1, 255, Concat},
    {"TEXTJOIN", 3, 255, TextJoin},
    {"LEFT", 1, 2, Left, kPlain, kEveryArgument},
    {"RIGHT", 1, 2, Right, kPlain, kEveryArgument},
    {"MID", 3, 3, Mid, kPlain, kEveryArgument},
    {"LEN", 1, 1, Len, kPlain, kEveryArgument},
    {"UPPER", 1, 1, UpperFn, kPlain, kEveryArgument},
    {"LOWER", 1, 1, LowerFn, kPlain, kEveryArgument},
    {"PROPER", 1, 1, Proper, kPlain, kEveryArgument},
    {"TRIM", 1, 1, Trim, kPlain, kEveryArgument},
    {"CLEAN", 1, 1, Clean, kPlain, kEveryArgument},
    {"SUBSTITUTE", 3, 4, Substitute, kPlain, kEveryArgument},
    {"REPLACE", 4, 4, Replace, kPlain, kEveryArgument},
    {"FIND", 2, 3, Find, kPlain, kEveryArgument},
    {"SEARCH", 2, 3, Search, kPlain, kEveryArgument},
    {"TEXT", 2, 2, Text, kPlain, kEveryArgument},
    {"VALUE", 1, 1, ValueFn, kPlain, kEveryArgument},
    {"NUMBERVALUE", 1, 3, NumberValue, kPlain, kEveryArgument},
    {"REPT", 2, 2, Rept, kPlain, kEveryArgument},
    {"EXACT", 2, 2, Exact, kPlain, kEveryArgument},
    {"CHAR", 1, 1, Char, kPlain, kEveryArgument},
    {"CODE", 1, 1, Code, kPlain, kEveryArgument},
    {"FIXED", 1, 3, Fixed, kPlain, kEveryArgument},
};

}  // namespace

extern const FunctionFamily kTextFunctions{"Text", kTable, std::size(kTable)};

}  // namespace plrxl::formula
