// Moving averages, their differences and lags, MACD and DEMA.
#include <algorithm>
#include <vector>

#include "companion/internal/kernels.h"

namespace plrxl::companion::kernels {
namespace {

// DEMA_n = 2*E1 - E2 with E2 the EMA of E1 seeded on E1's first n values.
void Dema(const double* x, size_t n, int p, double* out) {
  std::vector<double> e1(n);
  Ema(x, n, p, e1.data());
  const size_t s = static_cast<size_t>(p) - 1;
  std::fill(out, out + n, kNaN);
  if (n <= s) return;
  std::vector<double> e2(n - s);
  Ema(e1.data() + s, n - s, p, e2.data());
  for (size_t t = 2 * s; t < n; ++t) out[t] = 2 * e1[t] - e2[t - s];
}

}  // namespace

template <MaMethod M>
void MvAvg(const SeriesView& in, const ParamValues& p, double* out) {
  Ma(M, in.x[0], in.size, p.Period(0), out);
}

template <MaMethod M>
void MvAvgDiff(const SeriesView& in, const ParamValues& p, double* out) {
  const size_t n = in.size;
  std::vector<double> b(n);
  Ma(M, in.x[0], n, p.Period(0), out);
  Ma(M, in.x[0], n, p.Period(1), b.data());
  for (size_t t = 0; t < n; ++t) out[t] -= b[t];  // NaN where either is blank
}

template <MaMethod M>
void LagMvAvg(const SeriesView& in, const ParamValues& p, double* out) {
  const size_t n = in.size;
  const size_t lag = static_cast<size_t>(p.Period(1));
  if (lag >= n) return;
  Ma(M, in.x[0], n - lag, p.Period(0), out + lag);
  std::fill(out, out + lag, kNaN);
}

// The change of the average over L rows; an optional second period lets the
// lagged average differ from the current one (0 = the same period).
template <MaMethod M>
void LagMvAvgDiff(const SeriesView& in, const ParamValues& p, double* out) {
  const size_t n = in.size;
  const size_t lag = static_cast<size_t>(p.Period(1));
  const int n2 = p.Period(2) > 0 ? p.Period(2) : p.Period(0);
  if (lag >= n) return;
  std::vector<double> lagged(n);
  Ma(M, in.x[0], n, p.Period(0), out);
  Ma(M, in.x[0], n, n2, lagged.data());
  for (size_t t = n; t-- > lag;) out[t] -= lagged[t - lag];
  std::fill(out, out + lag, kNaN);
}

#define PLRXL_INSTANTIATE(method)                                                    \
  template void MvAvg<method>(const SeriesView&, const ParamValues&, double*);        \
  template void MvAvgDiff<method>(const SeriesView&, const ParamValues&, double*);    \
  template void LagMvAvg<method>(const SeriesView&, const ParamValues&, double*);     \
  template void LagMvAvgDiff<method>(const SeriesView&, const ParamValues&, double*);
PLRXL_INSTANTIATE(MaMethod::kSma)
PLRXL_INSTANTIATE(MaMethod::kEma)
PLRXL_INSTANTIATE(MaMethod::kWma)
#undef PLRXL_INSTANTIATE

void Macd(const SeriesView& in, const ParamValues&, double* out) {
  const size_t n = in.size;
  std::vector<double> slow(n);
  Ema(in.x[0], n, 12, out);
  Ema(in.x[0], n, 26, slow.data());
  for (size_t t = 0; t < n; ++t) out[t] -= slow[t];
}

void Dema26(const SeriesView& in, const ParamValues&, double* out) {
  Dema(in.x[0], in.size, 26, out);
}

void Dema26Macd(const SeriesView& in, const ParamValues&, double* out) {
  const size_t n = in.size;
  std::vector<double> slow(n);
  Dema(in.x[0], n, 12, out);
  Dema(in.x[0], n, 26, slow.data());
  for (size_t t = 0; t < n; ++t) out[t] -= slow[t];
}

}  // namespace plrxl::companion::kernels
