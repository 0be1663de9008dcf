// Moving averages, their differences and lags, MACD and DEMA.
#include <algorithm>
#include <vector>

#include "companion/internal/kernels.h"

namespace plrxl::companion::kernels {
namespace {

}  // namespace

template <MaMethod M>
void MvAvg(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  Ma(M, in.x[0], in.size, p.Period(0), out);
}

template <MaMethod M>
void MvAvgDiff(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const size_t n = in.size;
  double* b = ws.Take(n);
  Ma(M, in.x[0], n, p.Period(0), out);
  Ma(M, in.x[0], n, p.Period(1), b);
  for (size_t t = 0; t < n; ++t) out[t] -= b[t];  // NaN where either is blank
}

template <MaMethod M>
void LagMvAvg(const SeriesView& in, const ParamValues& p, double* out, Workspace&) {
  const size_t n = in.size;
  const size_t lag = static_cast<size_t>(p.Period(1));
  if (lag >= n) return FillNaN(out, 0, n);
  Ma(M, in.x[0], n - lag, p.Period(0), out + lag);
  std::fill(out, out + lag, kNaN);
}

// The change of the average over L rows; an optional second period lets the
// lagged average differ from the current one (0 = the same period).
template <MaMethod M>
void LagMvAvgDiff(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  const size_t n = in.size;
  const size_t lag = static_cast<size_t>(p.Period(1));
  const int n2 = p.Period(2) > 0 ? p.Period(2) : p.Period(0);
  if (lag >= n) return FillNaN(out, 0, n);
  double* lagged = ws.Take(n);
  Ma(M, in.x[0], n, p.Period(0), out);
  if (n2 == p.Period(0)) {
    std::copy(out, out + n, lagged);
  } else {
    Ma(M, in.x[0], n, n2, lagged);
  }
  for (size_t t = n; t-- > lag;) out[t] -= lagged[t - lag];
  std::fill(out, out + lag, kNaN);
}

#define PLRXL_INSTANTIATE(method)                                                    \
  template void MvAvg<method>(const SeriesView&, const ParamValues&, double*, Workspace&);        \
  template void MvAvgDiff<method>(const SeriesView&, const ParamValues&, double*, Workspace&);    \
  template void LagMvAvg<method>(const SeriesView&, const ParamValues&, double*, Workspace&);     \
  template void LagMvAvgDiff<method>(const SeriesView&, const ParamValues&, double*, Workspace&);
PLRXL_INSTANTIATE(MaMethod::kSma)
PLRXL_INSTANTIATE(MaMethod::kEma)
PLRXL_INSTANTIATE(MaMethod::kWma)
#undef PLRXL_INSTANTIATE

// The two averages are stepped in one loop so their latency chains overlap.
void Macd(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  EmaRunner fast(12), slow(26);
  for (size_t t = 0; t < in.size; ++t) {
    const double f = fast.Step(in.x[0][t]);
    out[t] = f - slow.Step(in.x[0][t]);
  }
}

void Dema26(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  DemaRunner dema(26);
  for (size_t t = 0; t < in.size; ++t) out[t] = dema.Step(in.x[0][t]);
}

void Dema26Macd(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  DemaRunner fast(12), slow(26);
  for (size_t t = 0; t < in.size; ++t) {
    const double f = fast.Step(in.x[0][t]);
    out[t] = f - slow.Step(in.x[0][t]);
  }
}

}  // namespace plrxl::companion::kernels
