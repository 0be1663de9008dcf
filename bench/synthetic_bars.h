// The price series the indicator benchmarks share: a deterministic random
// walk of 1,000,000 OHLCV bars, and the columns a catalogue function reads.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "companion/indicators.h"

namespace plrxl::bench {

inline constexpr size_t kBars = 1'000'000;

// Chronological columns: open, high, low, close, volume.
struct Bars {
  std::vector<double> o, h, l, c, v;
};

inline const Bars& SyntheticBars() {
  static const Bars bars = [] {
    Bars b;
    unsigned long long state = 20261205;
    auto uniform = [&] {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    double close = 100;
    for (size_t i = 0; i < kBars; ++i) {
      const double open = close * (1 + 0.004 * (uniform() - 0.5));
      close = std::max(1.0, open * (1 + 0.03 * (uniform() - 0.5)));
      b.o.push_back(open);
      b.c.push_back(close);
      b.h.push_back(std::max(open, close) * (1 + 0.01 * uniform()));
      b.l.push_back(std::min(open, close) * (1 - 0.01 * uniform()));
      b.v.push_back(std::floor(500000 + 1000000 * uniform()));
    }
    return b;
  }();
  return bars;
}

// Price-like inputs get close, open, high or low; named ones their column.
inline std::vector<std::vector<double>> InputsFor(const companion::IndicatorSpec& ind) {
  const Bars& b = SyntheticBars();
  std::vector<std::vector<double>> inputs;
  for (int i = 0; i < ind.InputCount(); ++i) {
    const std::string name = ind.inputs[i].name;
    if (name == "high" || name == "declining") inputs.push_back(b.h);
    else if (name == "low" || name == "unchanged") inputs.push_back(b.l);
    else if (name == "volume") inputs.push_back(b.v);
    else if (name == "advancing" || name == "b") inputs.push_back(b.o);
    else inputs.push_back(b.c);
  }
  return inputs;
}

}  // namespace plrxl::bench
