// AppendNumberText (the fast path behind NumberToText) against the plain
// definition: the value rounded to 15 significant digits, trailing zeros
// dropped.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>

#include "host/number_from_text.h"
#include "host/regional.h"

namespace plrxl {
namespace {

// The digits and exponent of `value` rounded to 15 significant digits.
std::string Reference(double value, char decimal) {
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  std::string digits;
  digits += buf[0];
  digits.append(buf + 2, 14);
  const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int n = static_cast<int>(digits.size());
  std::string out = value < 0 ? "-" : "";
  if (exponent >= 15 || (exponent < 0 && -exponent - 1 + n > 15)) {
    out += digits[0];
    if (n > 1) out += decimal + digits.substr(1);
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out + exp;
  }
  if (exponent < 0) return out + "0" + decimal + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  if (n <= exponent + 1) return out + digits + std::string(static_cast<size_t>(exponent + 1 - n), '0');
  return out + digits.substr(0, static_cast<size_t>(exponent + 1)) + decimal +
         digits.substr(static_cast<size_t>(exponent + 1));
}

TEST(AppendNumberText, KnownValues) {
  RegionalSettings rs;
  std::string out;
  AppendNumberText(out, 10.75, rs);
  EXPECT_EQ(out, "10.75");
  EXPECT_EQ(NumberToText(0.1 + 0.2, rs), "0.3");
  EXPECT_EQ(NumberToText(1e15, rs), "1E+15");
  EXPECT_EQ(NumberToText(123456789012345, rs), "123456789012345");
  EXPECT_EQ(NumberToText(1.0 / 3, rs), "0.333333333333333");
  EXPECT_EQ(NumberToText(-0.001, rs), "-0.001");
  rs.decimal_symbol = ',';
  EXPECT_EQ(NumberToText(12.125, rs), "12,125");
}

TEST(AppendNumberText, MatchesFifteenDigitRounding) {
  const unsigned seed = std::random_device{}();
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-20, 20), decimals(0, 6);
  RegionalSettings rs;
  for (int i = 0; i < 200000; ++i) {
    double value = mantissa(random) * std::pow(10.0, exponent(random));
    if (i % 2 == 0) {
      // Prices as they come: few decimals.
      const double scale = std::pow(10.0, decimals(random));
      value = std::round(value * scale) / scale;
    }
    ASSERT_EQ(NumberToText(value, rs), Reference(value, '.')) << "value " << value << ", seed " << seed;
  }
}

// Texts from settings and workbooks: the whole text must be the number, in
// range; std::stoi would throw on some of these and read a prefix of others.
TEST(NumberFromText, WholeTextInRangeOrNothing) {
  struct Case {
    const char* text;
    std::optional<long long> as_int;
    std::optional<double> as_double;
  };
  const Case cases[] = {
      {"80", 80, 80.0},
      {"-7", -7, -7.0},
      {"2.5e3", std::nullopt, 2500.0},
      {"", std::nullopt, std::nullopt},
      {"80%", std::nullopt, std::nullopt},
      {"12abc", std::nullopt, std::nullopt},
      {" 80", std::nullopt, std::nullopt},
      {"+80", std::nullopt, std::nullopt},
      {"abc", std::nullopt, std::nullopt},
      {"99999999999", std::nullopt, 99999999999.0},  // past an int
      {"1e999", std::nullopt, std::nullopt},         // past a double
      {"inf", std::nullopt, std::nullopt},
      {"nan", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<int> as_int = NumberFromText<int>(c.text);
    EXPECT_EQ(as_int ? std::optional<long long>(*as_int) : std::nullopt, c.as_int) << c.text;
    EXPECT_EQ(NumberFromText<double>(c.text), c.as_double) << c.text;
  }
  EXPECT_EQ(NumberFromText<long>("99999999999"), 99999999999L);
}

}  // namespace
}  // namespace plrxl
