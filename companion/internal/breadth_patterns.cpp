// Cole's rally and reaction days, Elder ray and the breadth functions. On a
// breadth sheet Open holds advancing, High declining and Low unchanged issues.
#include <vector>

#include "companion/internal/kernels.h"

namespace plrxl::companion::kernels {
namespace {

// Elder ray: a price minus the n-row average of the close.
void ElderRay(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  double* ma = ws.Take(in.size);
  Ma(p.Method(1), in.x[1], in.size, p.Period(0), ma);
  for (size_t t = 0; t < in.size; ++t) out[t] = in.x[0][t] - ma[t];
}

// A ratio of the three issue counts, smoothed by M_n; a day without any
// issues is blank.
template <typename Ratio>
void SmoothedBreadth(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws, Ratio ratio) {
  const double *adv = in.x[0], *dec = in.x[1], *unch = in.x[2];
  double* r = ws.Take(in.size);
  for (size_t t = 0; t < in.size; ++t) {
    const double total = adv[t] + dec[t] + unch[t];
    r[t] = total == 0 ? kNaN : ratio(adv[t], dec[t], unch[t]) / total;
  }
  MaBlanks(p.Method(1), r, in.size, p.Period(0), out);
}

}  // namespace

void ColesRallyDay(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  const double *high = in.x[0], *low = in.x[1];
  BlankHead(out, 1, in.size);
  for (size_t t = 1; t < in.size; ++t) out[t] = high[t] > high[t - 1] && low[t] >= low[t - 1] ? 1 : 0;
}

void ColesReactionDay(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  const double *high = in.x[0], *low = in.x[1];
  BlankHead(out, 1, in.size);
  for (size_t t = 1; t < in.size; ++t) out[t] = high[t] <= high[t - 1] && low[t] < low[t - 1] ? 1 : 0;
}

void ElderRayBullPower(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  ElderRay(in, p, out, ws);
}

void ElderRayBearPower(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  ElderRay(in, p, out, ws);
}

// The close column read as daily net advances, summed.
void AdvanceDeclineLine(const SeriesView& in, const ParamValues&, double* out, Workspace&) {
  double sum = 0;
  for (size_t t = 0; t < in.size; ++t) out[t] = sum += in.x[0][t];
}

// Inputs: advancing, declining. EMA of the advancing share (0.5 on a day
// without advances or declines).
void BreadthAdvanceDecline(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  double* share = ws.Take(in.size);
  for (size_t t = 0; t < in.size; ++t) {
    const double both = in.x[0][t] + in.x[1][t];
    share[t] = both == 0 ? 0.5 : in.x[0][t] / both;
  }
  Ema(share, in.size, p.Period(0), out);
}

void FosbackUnchangedIssues(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  SmoothedBreadth(in, p, out, ws, [](double, double, double unch) { return unch; });
}

void HughesBreadthIndex(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws) {
  SmoothedBreadth(in, p, out, ws, [](double adv, double dec, double) { return adv - dec; });
}

}  // namespace plrxl::companion::kernels
