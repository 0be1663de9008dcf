// SAMPLE: synthetic bars, a random walk seeded by the ticker. The walk
// always starts on 1 January 1990 and steps one business day at a time, so a
// bar depends only on the ticker and its date, never on the range asked for.
// The generator is our own (splitmix64) so every library and machine gives
// the same numbers.
#include <cctype>
#include <cmath>
#include <cstdint>

#include "quotes/internal/sources.h"

namespace plrxl::quotes {
namespace {

class SampleSource : public SourceBase {
 public:
  explicit SampleSource(FetcherCore* core)
      : SourceBase(core, "SAMPLE", "Synthetic quotes for demonstrations and tests (offline)",
                   kCapHistorical) {}

  std::vector<RequestParameter> ExtraParameters() const override {
    return {{"ADJUST VALUES", kParamBoolean, Variant(false)}};
  }

  Outcome Fetch(const RequestInputs& in, FetchContext& context) override {
    if (context.cancel.IsSet()) return Outcome::Failure(kQuoteCancelled, "");
    return Finish(SampleBars(in.ticker, in.start, in.end), in);
  }
};

uint64_t SplitMix64(uint64_t* state) {
  uint64_t z = (*state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

double Uniform(uint64_t* state) { return static_cast<double>(SplitMix64(state) >> 11) * 0x1.0p-53; }

double Cents(double x) { return std::round(x * 100.0) / 100.0; }

}  // namespace

Bars SampleBars(const std::string& ticker, double start, double end) {
  uint64_t seed = 0xcbf29ce484222325ULL;  // FNV-1a of the upper-case ticker
  for (char c : ticker) {
    seed ^= static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
    seed *= 0x100000001b3ULL;
  }
  uint64_t state = seed;
  const double first = CivilToSerial(1990, 1, 1);
  const double reference = CivilToSerial(2030, 1, 1);
  end = std::min(end, CivilToSerial(2100, 12, 31));
  double close = 20.0 + static_cast<double>(seed % 20000) / 100.0;
  Bars bars;
  // Five business days a week, the first and last week possibly whole.
  if (const double span = end - std::max(start, first); span >= 0) {
    bars.reserve(static_cast<size_t>(span * 5 / 7) + 2);
  }
  for (double d = first; d <= end; d += 1) {
    if (WeekdayMon0(d) >= 5) continue;
    const double r = (Uniform(&state) + Uniform(&state) + Uniform(&state) - 1.5) * 0.02;
    const double gap = (Uniform(&state) - 0.5) * 0.01;
    const double up = Uniform(&state) * 0.01;
    const double down = Uniform(&state) * 0.01;
    const double vol = Uniform(&state);
    Bar b;
    b.date = d;
    b.open = Cents(close * (1 + gap));
    double next = close * (1 + r);
    if (next < 1.0) next = close * (1 + std::fabs(r));
    b.close = Cents(next);
    b.high = Cents(std::max(b.open, b.close) * (1 + up));
    b.low = Cents(std::min(b.open, b.close) * (1 - down));
    b.volume = std::floor(100000 + vol * 900000);
    b.open_interest = 0;
    close = b.close;
    if (d < start) continue;
    b.adj_close = Cents(b.close * std::pow(0.98, (reference - d) / 365.25));
    bars.push_back(b);
  }
  return bars;
}

std::unique_ptr<SourceBase> MakeSampleSource(FetcherCore* core) {
  return std::make_unique<SampleSource>(core);
}

}  // namespace plrxl::quotes
