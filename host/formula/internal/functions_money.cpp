// Money: payments, present and future values, rates of return.
#include <cmath>

#include "host/formula/internal/function_table.h"
#include "host/formula/internal/interpreter.h"

namespace plrxl::formula {
namespace {

// The future value of the annuity: pv growing at `rate` for `n` periods
// plus `pmt` paid each period (at the start when `type` is 1).
double FutureValue(double rate, double n, double pmt, double pv, double type) {
  if (rate == 0) return -(pv + pmt * n);
  const double g = std::pow(1 + rate, n);
  return -(pv * g + pmt * (1 + rate * type) * (g - 1) / rate);
}

Value Pmt(Args& a) {
  const double rate = a.Number(0), n = a.Number(1), pv = a.Number(2), fv = a.Number(3, 0), type = a.Number(4, 0) != 0;
  if (n == 0) throw ErrorResult{CellError::kNum};
  if (rate == 0) return NumberResult(-(pv + fv) / n);
  const double g = std::pow(1 + rate, n);
  return NumberResult(-(fv + pv * g) * rate / ((1 + rate * type) * (g - 1)));
}
Value Fv(Args& a) {
  return NumberResult(FutureValue(a.Number(0), a.Number(1), a.Number(2), a.Number(3, 0), a.Number(4, 0) != 0));
}
Value Pv(Args& a) {
  const double rate = a.Number(0), n = a.Number(1), pmt = a.Number(2), fv = a.Number(3, 0), type = a.Number(4, 0) != 0;
  if (rate == 0) return NumberResult(-(fv + pmt * n));
  const double g = std::pow(1 + rate, n);
  return NumberResult(-(fv + pmt * (1 + rate * type) * (g - 1) / rate) / g);
}
Value Npv(Args& a) {
  const double rate = a.Number(0);
  if (rate == -1) throw ErrorResult{CellError::kNum};
  std::vector<double> flows;
  CollectNumbers(a, 1, a.Count() - 1, false, flows);
  double v = 0, d = 1;
  for (double f : flows) {
    d *= 1 + rate;
    v += f / d;
  }
  return NumberResult(v);
}

// Newton's method on f from `guess`; #NUM! when it does not settle.
template <typename F, typename DF>
double Solve(F f, DF df, double guess) {
  double x = guess;
  for (int i = 0; i < 100; ++i) {
    const double y = f(x), dy = df(x);
    if (!std::isfinite(y) || !std::isfinite(dy) || dy == 0) break;
    const double next = x - y / dy;
    if (std::fabs(next - x) < 1e-15 * std::max(1.0, std::fabs(x))) return next;
    if (i > 20 && std::fabs(next - x) < 1e-12 * std::max(1.0, std::fabs(x))) return next;
    x = next;
    if (x <= -1) x = -0.999999;
  }
  throw ErrorResult{CellError::kNum};
}

Value Irr(Args& a) {
  std::vector<double> flows;
  CollectNumbers(a, 0, 0, false, flows);
  const double guess = a.Number(1, 0.1);
  bool pos = false, neg = false;
  for (double f : flows) pos |= f > 0, neg |= f < 0;
  if (!pos || !neg) throw ErrorResult{CellError::kNA};
  auto npv = [&](double r) {
    double v = 0;
    for (size_t i = 0; i < flows.size(); ++i) v += flows[i] / std::pow(1 + r, static_cast<double>(i));
    return v;
  };
  auto dnpv = [&](double r) {
    double v = 0;
    for (size_t i = 1; i < flows.size(); ++i) v -= static_cast<double>(i) * flows[i] / std::pow(1 + r, static_cast<double>(i) + 1);
    return v;
  };
  return NumberResult(Solve(npv, dnpv, guess));
}

Value Rate(Args& a) {
  const double n = a.Number(0), pmt = a.Number(1), pv = a.Number(2), fv = a.Number(3, 0), type = a.Number(4, 0) != 0;
  const double guess = a.Number(5, 0.1);
  auto f = [&](double r) { return -FutureValue(r, n, pmt, pv, type) - fv; };
  auto df = [&](double r) {
    const double h = std::max(1e-7, std::fabs(r) * 1e-7);
    return (f(r + h) - f(r - h)) / (2 * h);
  };
  return NumberResult(Solve(f, df, guess));
}

const FunctionEntry kTable[] = {
    {"PMT", 3, 5, Pmt}, {"FV", 3, 5, Fv}, {"PV", 3, 5, Pv}, {"NPV", 2, 255, Npv}, {"IRR", 1, 2, Irr}, {"RATE", 3, 6, Rate},
};

}  // namespace

extern const FunctionFamily kMoneyFunctions{"Money", kTable, std::size(kTable)};

}  // namespace plrxl::formula
