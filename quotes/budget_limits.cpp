#include "quotes/budget_limits.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace plrxl {
namespace {

std::string Trimmed(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (;;) {
    const size_t next = text.find(separator, at);
    parts.push_back(Trimmed(text.substr(at, next == std::string::npos ? std::string::npos : next - at)));
    if (next == std::string::npos) return parts;
    at = next + 1;
  }
}

// A count of 1 to a billion, all digits; nullopt otherwise.
std::optional<int64_t> Count(const std::string& digits) {
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  int64_t n = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > 1000000000) return std::nullopt;
  return n;
}


}  // namespace

std::optional<BudgetLimits> ParseBudgetLimits(const std::string& text, std::string* error) {
  const std::string all = Lower(Trimmed(text));
  BudgetLimits limits;
  if (all == "none") return limits;
  for (const std::string& term : Split(all, ',')) {
    const size_t slash = term.find('/');
    auto fail = [&](const std::string& why) {
      *error = "\"" + term + "\" " + why + " (write terms like 2/s, 30/min, 50/h, 1000/d, 500/mo, 500sym/mo)";
      return std::nullopt;
    };
    if (term.empty()) return fail("is empty");
    if (slash == std::string::npos) return fail("has no unit");
    std::string amount = Trimmed(term.substr(0, slash));
    const std::string unit = Trimmed(term.substr(slash + 1));
    const bool symbols = amount.size() > 3 && amount.compare(amount.size() - 3, 3, "sym") == 0;
    if (symbols) amount = Trimmed(amount.substr(0, amount.size() - 3));
    const std::optional<int64_t> n = Count(amount);
    if (!n) return fail("needs a whole number from 1 to 1000000000");
    if (symbols) {
      if (unit != "mo") return fail("counts symbols per month only (Nsym/mo)");
      limits.symbols_per_month = *n;
    } else if (unit == "s" || unit == "min") {
      limits.rate_per_s = static_cast<double>(*n) / (unit == "s" ? 1.0 : 60.0);
      limits.burst = static_cast<double>(*n);
    } else if (unit == "h") {
      limits.per_hour = *n;
    } else if (unit == "d") {
      limits.per_day = *n;
    } else if (unit == "mo") {
      limits.per_month = *n;
    } else {
      return fail("has an unknown unit");
    }
  }
  return limits;
}

bool ParseBudgetText(const std::string& text, std::map<std::string, BudgetLimits>* out, std::string* error) {
  std::map<std::string, BudgetLimits> read = *out;
  for (const std::string& part : Split(text, ';')) {
    if (part.empty()) continue;
    const size_t eq = part.find('=');
    std::string source = Trimmed(part.substr(0, eq));
    if (eq == std::string::npos || source.empty()) {
      *error = "\"" + part + "\" names no source (write SOURCE=LIMITS, e.g. TIINGO=50/h,1000/d)";
      return false;
    }
    for (auto& c : source) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string why;
    const std::optional<BudgetLimits> limits = ParseBudgetLimits(part.substr(eq + 1), &why);
    if (!limits) {
      *error = source + ": " + why;
      return false;
    }
    read[source] = *limits;
  }
  *out = std::move(read);
  return true;
}

std::string BudgetLimitsText(const BudgetLimits& limits) {
  std::vector<std::string> terms;
  if (limits.rate_per_s > 0) {
    // N/s lets N go at once and N a second; N/min N at once and N a minute.
    const bool per_second = std::fabs(limits.rate_per_s - limits.burst) <= 1e-9 * limits.burst;
    terms.push_back(std::to_string(static_cast<int64_t>(limits.burst)) + (per_second ? "/s" : "/min"));
  }
  if (limits.per_hour > 0) terms.push_back(std::to_string(limits.per_hour) + "/h");
  if (limits.per_day > 0) terms.push_back(std::to_string(limits.per_day) + "/d");
  if (limits.per_month > 0) terms.push_back(std::to_string(limits.per_month) + "/mo");
  if (limits.symbols_per_month > 0) terms.push_back(std::to_string(limits.symbols_per_month) + "sym/mo");
  if (terms.empty()) return "none";
  std::string text;
  for (const std::string& t : terms) text += (text.empty() ? "" : ",") + t;
  return text;
}

std::optional<int64_t> ParseDurationMs(const std::string& text) {
  const std::string t = Lower(Trimmed(text));
  size_t digits = 0;
  while (digits < t.size() && std::isdigit(static_cast<unsigned char>(t[digits]))) ++digits;
  if (digits == 0 || digits > 9) return std::nullopt;
  const int64_t n = std::stoll(t.substr(0, digits));
  const std::string unit = t.substr(digits);
  int64_t ms_per = 0;
  if (unit.empty() || unit == "s") {
    ms_per = 1000;
  } else if (unit == "m" || unit == "min") {
    ms_per = 60000;
  } else if (unit == "h") {
    ms_per = 3600000;
  } else if (unit == "d") {
    ms_per = 86400000;
  } else {
    return std::nullopt;
  }
  return n * ms_per;
}

}  // namespace plrxl
