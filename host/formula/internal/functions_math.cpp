// Arithmetic and trigonometry.
#include <cmath>
#include <numeric>
#include <random>

#include "host/formula/internal/function_table.h"
#include "host/formula/internal/interpreter.h"

namespace plrxl::formula {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Rounds half away from zero at `digits` decimals, on the decimal value
// the number prints as (so 2.675 rounds to 2.68 as the spreadsheet shows).
double RoundTo(double x, double digits, int mode /* 0 nearest, 1 up (away), -1 down (toward 0) */) {
  const int d = ClampToInt(digits);
  if (d > 15 || x == 0) return x;
  const double scale = std::pow(10.0, std::abs(d));
  double y = d >= 0 ? x * scale : x / scale;
  // Strip the binary noise of the scaling first.
  const double cleaned = std::stod(NumberText(y));
  if (mode == 0) y = std::round(cleaned);
  else if (mode > 0) y = cleaned < 0 ? -std::ceil(-cleaned) : std::ceil(cleaned);
  else y = std::trunc(cleaned);
  return d >= 0 ? y / scale : y * scale;
}

Value Unary(Args& a, double (*f)(double)) { return NumberResult(f(a.Number(0))); }

Value Abs(Args& a) { return NumberResult(std::fabs(a.Number(0))); }
Value Sign(Args& a) {
  const double x = a.Number(0);
  return Value::Number(x > 0 ? 1 : x < 0 ? -1 : 0);
}
Value Int(Args& a) { return NumberResult(std::floor(a.Number(0))); }
Value Trunc(Args& a) { return NumberResult(RoundTo(a.Number(0), a.Number(1, 0), -1)); }
Value Round(Args& a) { return NumberResult(RoundTo(a.Number(0), a.Number(1), 0)); }
Value RoundUp(Args& a) { return NumberResult(RoundTo(a.Number(0), a.Number(1), 1)); }
Value RoundDown(Args& a) { return NumberResult(RoundTo(a.Number(0), a.Number(1), -1)); }

Value MRound(Args& a) {
  const double x = a.Number(0), m = a.Number(1);
  if (m == 0) return Value::Number(0);
  if (x < 0 && m > 0) throw ErrorResult{kBadArgument};
  return NumberResult(RoundTo(x / m, 0, 0) * m);
}

double MultipleOf(double x, double m, bool up) {
  const double q = std::stod(NumberText(x / m));
  return (up ? std::ceil(q) : std::floor(q)) * m;
}

Value Ceiling(Args& a) {
  const double x = a.Number(0), m = a.Number(1, x < 0 ? -1 : 1);
  if (m == 0) return Value::Number(0);
  if (x > 0 && m < 0) throw ErrorResult{kBadArgument};
  if (x < 0 && m < 0) return NumberResult(-MultipleOf(-x, -m, true));
  return NumberResult(MultipleOf(x, m, true));
}
Value Floor(Args& a) {
  const double x = a.Number(0), m = a.Number(1, x < 0 ? -1 : 1);
  if (m == 0) return x == 0 ? Value::Number(0) : Value::Error(CellError::kDiv0);
  if (x > 0 && m < 0) throw ErrorResult{kBadArgument};
  if (x < 0 && m < 0) return NumberResult(-MultipleOf(-x, -m, false));
  return NumberResult(MultipleOf(x, m, false));
}
Value CeilingMath(Args& a) {
  const double x = a.Number(0), m = std::fabs(a.Number(1, 1));
  const bool away = a.Number(2, 0) != 0;
  if (m == 0) return Value::Number(0);
  if (x < 0) return NumberResult(-MultipleOf(-x, m, away));
  return NumberResult(MultipleOf(x, m, true));
}
Value FloorMath(Args& a) {
  const double x = a.Number(0), m = std::fabs(a.Number(1, 1));
  const bool toward_zero = a.Number(2, 0) != 0;
  if (m == 0) return Value::Number(0);
  if (x < 0) return NumberResult(-MultipleOf(-x, m, !toward_zero));
  return NumberResult(MultipleOf(x, m, false));
}

Value Mod(Args& a) {
  const double x = a.Number(0), y = a.Number(1);
  if (y == 0) throw ErrorResult{CellError::kDiv0};
  return NumberResult(x - y * std::floor(x / y));
}
Value Quotient(Args& a) {
  const double x = a.Number(0), y = a.Number(1);
  if (y == 0) throw ErrorResult{kBadArgument};
  return NumberResult(std::trunc(x / y));
}
Value Power(Args& a) { return ApplyBinary("^", Value::Number(a.Number(0)), Value::Number(a.Number(1))); }
Value Sqrt(Args& a) {
  const double x = a.Number(0);
  if (x < 0) throw ErrorResult{kBadArgument};
  return NumberResult(std::sqrt(x));
}
Value Exp(Args& a) { return Unary(a, std::exp); }
Value Ln(Args& a) {
  const double x = a.Number(0);
  if (x <= 0) throw ErrorResult{kBadArgument};
  return NumberResult(std::log(x));
}
Value Log(Args& a) {
  const double x = a.Number(0), base = a.Number(1, 10);
  if (x <= 0 || base <= 0 || base == 1) throw ErrorResult{kBadArgument};
  return NumberResult(base == 10 ? std::log10(x) : std::log(x) / std::log(base));
}
Value Log10(Args& a) {
  const double x = a.Number(0);
  if (x <= 0) throw ErrorResult{kBadArgument};
  return NumberResult(std::log10(x));
}
Value Pi(Args&) { return Value::Number(kPi); }
Value Rand(Args& a) {
  std::uniform_real_distribution<double> d(0, 1);
  return Value::Number(d(*a.In().Settings().random));
}
Value RandBetween(Args& a) {
  const double lo = std::ceil(a.Number(0)), hi = std::floor(a.Number(1));
  if (lo > hi) throw ErrorResult{CellError::kNum};
  std::uniform_real_distribution<double> d(0, 1);
  return Value::Number(lo + std::floor(d(*a.In().Settings().random) * (hi - lo + 1)));
}

Value Sum(Args& a) {
  std::vector<double> xs;
  CollectNumbers(a, 0, a.Count() - 1, false, xs);
  double s = 0;
  for (double x : xs) s += x;
  return NumberResult(s);
}
Value SumSq(Args& a) {
  std::vector<double> xs;
  CollectNumbers(a, 0, a.Count() - 1, false, xs);
  double s = 0;
  for (double x : xs) s += x * x;
  return NumberResult(s);
}
Value Product(Args& a) {
  std::vector<double> xs;
  CollectNumbers(a, 0, a.Count() - 1, false, xs);
  if (xs.empty()) return Value::Number(0);
  double p = 1;
  for (double x : xs) p *= x;
  return NumberResult(p);
}

Value SumProduct(Args& a) {
  std::vector<Value> arrays;
  for (int i = 0; i < a.Count(); ++i) {
    Value v = a.In().EvalAsArray(a.NodeAt(i));
    if (v.IsError()) return v;
    if (!v.IsArray()) {
      auto m = std::make_shared<Matrix>();
      m->rows = m->cols = 1;
      m->cells.push_back(v);
      v = Value::Array(std::move(m));
    }
    if (!arrays.empty() && (v.array().rows != arrays[0].array().rows || v.array().cols != arrays[0].array().cols))
      throw ErrorResult{CellError::kValue};
    arrays.push_back(v);
  }
  double sum = 0;
  const size_t n = arrays[0].array().cells.size();
  for (size_t k = 0; k < n; ++k) {
    double p = 1;
    for (const Value& v : arrays) {
      const Value& x = v.array().cells[k];
      if (x.IsError()) throw ErrorResult{x.error()};
      p *= x.IsNumber() ? x.number() : 0;
    }
    sum += p;
  }
  return NumberResult(sum);
}

double Gcd2(double x, double y) {
  while (y != 0) {
    const double t = std::fmod(x, y);
    x = y;
    y = t;
  }
  return x;
}
Value GcdLcm(Args& a, bool lcm) {
  std::vector<double> xs;
  CollectNumbers(a, 0, a.Count() - 1, false, xs);
  double r = lcm ? 1 : 0;
  for (double x : xs) {
    x = std::trunc(x);
    if (x < 0) throw ErrorResult{kBadArgument};
    if (lcm) {
      if (x == 0) return Value::Number(0);
      r = r / Gcd2(r, x) * x;
    } else {
      r = Gcd2(r, x);
    }
  }
  return NumberResult(r);
}
Value Gcd(Args& a) { return GcdLcm(a, false); }
Value Lcm(Args& a) { return GcdLcm(a, true); }

Value Fact(Args& a) {
  const double n = std::trunc(a.Number(0));
  if (n < 0 || n > 170) throw ErrorResult{kBadArgument};
  double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return Value::Number(f);
}
Value Combin(Args& a) {
  const double n = std::trunc(a.Number(0)), k = std::trunc(a.Number(1));
  if (n < 0 || k < 0 || k > n) throw ErrorResult{kBadArgument};
  double c = 1;
  for (double i = 1; i <= std::min(k, n - k) && std::isfinite(c); ++i) c = c * (n - std::min(k, n - k) + i) / i;
  return NumberResult(std::round(c));
}

Value Sin(Args& a) { return Unary(a, std::sin); }
Value Cos(Args& a) { return Unary(a, std::cos); }
Value Tan(Args& a) { return Unary(a, std::tan); }
Value Asin(Args& a) {
  const double x = a.Number(0);
  if (x < -1 || x > 1) throw ErrorResult{CellError::kNum};
  return NumberResult(std::asin(x));
}
Value Acos(Args& a) {
  const double x = a.Number(0);
  if (x < -1 || x > 1) throw ErrorResult{CellError::kNum};
  return NumberResult(std::acos(x));
}
Value Atan(Args& a) { return Unary(a, std::atan); }
Value Atan2(Args& a) {
  const double x = a.Number(0), y = a.Number(1);
  return NumberResult(x == 0 && y == 0 ? 0 : std::atan2(y, x));
}
Value Degrees(Args& a) { return NumberResult(a.Number(0) * 180 / kPi); }
Value Radians(Args& a) { return NumberResult(a.Number(0) * kPi / 180); }
Value Even(Args& a) {
  const double x = a.Number(0);
  const double m = std::ceil(std::fabs(x) / 2) * 2;
  return NumberResult(x < 0 ? -m : m);
}
Value Odd(Args& a) {
  const double x = a.Number(0);
  double m = std::ceil(std::fabs(x));
  if (std::fmod(m, 2) == 0) m += 1;
  return NumberResult(x < 0 ? -m : m);
}

const FunctionEntry kTable[] = {
    {"ABS", 1, 1, Abs, kPlain, kEveryArgument},
    {"SIGN", 1, 1, Sign, kPlain, kEveryArgument},
    {"INT", 1, 1, Int, kPlain, kEveryArgument},
    {"TRUNC", 1, 2, Trunc, kPlain, kEveryArgument},
    {"ROUND", 2, 2, Round, kPlain, kEveryArgument},
    {"ROUNDUP", 2, 2, RoundUp, kPlain, kEveryArgument},
    {"ROUNDDOWN", 2, 2, RoundDown, kPlain, kEveryArgument},
    {"MROUND", 2, 2, MRound, kPlain, kEveryArgument},
    {"CEILING", 1, 2, Ceiling, kPlain, kEveryArgument},
    {"FLOOR", 1, 2, Floor, kPlain, kEveryArgument},
    {"CEILING.MATH", 1, 3, CeilingMath, kPlain, kEveryArgument},
    {"FLOOR.MATH", 1, 3, FloorMath, kPlain, kEveryArgument},
    {"MOD", 2, 2, Mod, kPlain, kEveryArgument},
    {"QUOTIENT", 2, 2, Quotient, kPlain, kEveryArgument},
    {"POWER", 2, 2, Power, kPlain, kEveryArgument},
    {"SQRT", 1, 1, Sqrt, kPlain, kEveryArgument},
    {"EXP", 1, 1, Exp, kPlain, kEveryArgument},
    {"LN", 1, 1, Ln, kPlain, kEveryArgument},
    {"LOG", 1, 2, Log, kPlain, kEveryArgument},
    {"LOG10", 1, 1, Log10, kPlain, kEveryArgument},
    {"PI", 0, 0, Pi},
    {"RAND", 0, 0, Rand, kVolatile},
    {"RANDBETWEEN", 2, 2, RandBetween, kVolatile},
    {"PRODUCT", 1, 255, Product},
    {"SUM", 1, 255, Sum},
    {"SUMPRODUCT", 1, 255, SumProduct},
    {"SUMSQ", 1, 255, SumSq},
    {"GCD", 1, 255, Gcd},
    {"LCM", 1, 255, Lcm},
    {"FACT", 1, 1, Fact, kPlain, kEveryArgument},
    {"COMBIN", 2, 2, Combin, kPlain, kEveryArgument},
    {"SIN", 1, 1, Sin, kPlain, kEveryArgument},
    {"COS", 1, 1, Cos, kPlain, kEveryArgument},
    {"TAN", 1, 1, Tan, kPlain, kEveryArgument},
    {"ASIN", 1, 1, Asin, kPlain, kEveryArgument},
    {"ACOS", 1, 1, Acos, kPlain, kEveryArgument},
    {"ATAN", 1, 1, Atan, kPlain, kEveryArgument},
    {"ATAN2", 2, 2, Atan2, kPlain, kEveryArgument},
    {"DEGREES", 1, 1, Degrees, kPlain, kEveryArgument},
    {"RADIANS", 1, 1, Radians, kPlain, kEveryArgument},
    {"EVEN", 1, 1, Even, kPlain, kEveryArgument},
    {"ODD", 1, 1, Odd, kPlain, kEveryArgument},
};

}  // namespace

extern const FunctionFamily kMathFunctions{"Arithmetic", kTable, std::size(kTable)};

}  // namespace plrxl::formula
