// Parameter defaults, blank handling and sheet orientation around the
// catalogue's kernels.
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "companion/indicators.h"
#include "host/error.h"

namespace plrxl::companion {
namespace {

constexpr const char* kSource = "PelorinXL.Companion";

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return std::string(text.substr(b, e - b));
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::optional<double> NumberOf(const ParamInput& raw) {
  switch (raw.kind) {
    case ParamInput::Kind::kMissing: return std::nullopt;
    case ParamInput::Kind::kNumber:
      return std::isfinite(raw.number) ? std::optional<double>(raw.number) : std::nullopt;
    case ParamInput::Kind::kText: return ParseParamNumber(raw.text);
  }
  return std::nullopt;
}

[[noreturn]] void Reject(const IndicatorSpec& ind, const ParamSpec& param, const std::string& why) {
  throw Error(kErrInvalidCall, kSource,
              std::string(ind.name) + ": parameter " + param.name + " " + why);
}

double ResolveMethod(const IndicatorSpec& ind, const ParamSpec& param, const ParamInput& raw) {
  if (raw.kind != ParamInput::Kind::kText) return param.def;
  const std::string text = Lower(Trim(raw.text));
  if (text.empty()) return param.def;
  if (text == "mvavg") return static_cast<double>(MaMethod::kSma);
  if (text == "expmvavg") return static_cast<double>(MaMethod::kEma);
  if (text == "linwgtmvavg") return static_cast<double>(MaMethod::kWma);
  Reject(ind, param, "has an unknown method \"" + raw.text + "\"");
}

}  // namespace

std::optional<double> ParseParamNumber(std::string_view text) {
  std::string s = Trim(text);
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  if (s.empty()) return std::nullopt;
  if (s.find('.') == std::string::npos) std::replace(s.begin(), s.end(), ',', '.');
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

ParamValues ResolveParams(const IndicatorSpec& ind, std::span<const ParamInput> raw) {
  ParamValues values;
  const ParamInput missing;
  for (int i = 0; i < ind.ParamCount(); ++i) {
    const ParamSpec& param = ind.params[i];
    const ParamInput& in = i < static_cast<int>(raw.size()) ? raw[i] : missing;
    switch (param.kind) {
      case ParamKind::kPeriod: {
        const std::optional<double> v = NumberOf(in);
        if (!v || *v <= 0) {
          values.v[i] = param.def;
          break;
        }
        const double period = std::trunc(*v);
        if (period < param.min || period > param.max) Reject(ind, param, "is out of range");
        values.v[i] = period;
        break;
      }
      case ParamKind::kReal: values.v[i] = NumberOf(in).value_or(param.def); break;
      case ParamKind::kMethod: values.v[i] = ResolveMethod(ind, param, in); break;
    }
  }
  return values;
}

namespace {

// True when no value is NaN or infinite; an exponent test on the bits that
// the compiler can vectorise, unlike std::isfinite.
bool AllFinite(const double* x, size_t n) {
  constexpr uint64_t kExponent = 0x7ff0000000000000ULL;
  uint64_t bad = 0;
  for (size_t i = 0; i < n; ++i) {
    uint64_t bits;
    std::memcpy(&bits, &x[i], sizeof bits);
    bad |= static_cast<uint64_t>((bits & kExponent) == kExponent);
  }
  return bad == 0;
}

// Runs the kernel over every run of rows without a blank in any input.
void ComputeChronological(const IndicatorSpec& ind, std::span<const double* const> inputs,
                          std::span<const size_t> lengths, size_t n, const ParamValues& params,
                          bool inputs_finite, Workspace& ws, double* out) {
  const size_t count = inputs.size();
  bool complete = true;  // every input full length and free of blanks: one run
  for (size_t i = 0; i < count; ++i) {
    complete = complete && lengths[i] >= n && (inputs_finite || AllFinite(inputs[i], n));
  }
  if (complete) {
    SeriesView view;
    for (size_t i = 0; i < count; ++i) view.x[i] = inputs[i];
    view.size = n;
    Workspace::Scope scope(ws);
    ind.kernel(view, params, out, ws);
    return;
  }
  std::fill(out, out + n, kNaN);
  auto usable = [&](size_t t) {
    for (size_t i = 0; i < count; ++i) {
      if (t >= lengths[i] || !std::isfinite(inputs[i][t])) return false;
    }
    return true;
  };
  size_t t = 0;
  while (t < n) {
    if (!usable(t)) {
      ++t;
      continue;
    }
    size_t end = t + 1;
    while (end < n && usable(end)) ++end;
    SeriesView view;
    for (size_t i = 0; i < count; ++i) view.x[i] = inputs[i] + t;
    view.size = end - t;
    Workspace::Scope scope(ws);
    ind.kernel(view, params, out + t, ws);
    t = end;
  }
}

// An overflow to infinity is as undefined as a division by zero.
void BlankNonFinite(std::vector<double>& out) {
  if (AllFinite(out.data(), out.size())) return;
  for (double& v : out) {
    if (!std::isfinite(v)) v = kNaN;
  }
}

}  // namespace

void ComputeInto(const IndicatorSpec& ind, std::span<const std::span<const double>> inputs,
                 const ParamValues& params, const ComputeOptions& options, Workspace& ws,
                 std::vector<double>& out) {
  const size_t count = static_cast<size_t>(ind.InputCount());
  if (inputs.size() < count) {
    throw Error(kErrInvalidCall, kSource, std::string(ind.name) + ": missing input series");
  }
  const size_t n = count == 0 ? 0 : inputs[0].size();
  out.resize(n);
  std::array<const double*, kMaxInputs> series{};
  std::array<size_t, kMaxInputs> lengths{};
  Workspace::Scope scope(ws);
  bool inputs_finite = options.inputs_finite;
  for (size_t i = 0; i < count; ++i) {
    if (!options.newest_first) {
      series[i] = inputs[i].data();
      lengths[i] = inputs[i].size();
      continue;
    }
    // Reversed into chronological order; a shorter input is padded with
    // blanks at its sheet end first, so its rows stay aligned.
    double* chronological = ws.Take(n);
    const size_t m = std::min(n, inputs[i].size());
    std::reverse_copy(inputs[i].begin(), inputs[i].begin() + m, chronological + (n - m));
    std::fill(chronological, chronological + (n - m), kNaN);
    inputs_finite = inputs_finite && m == n;
    series[i] = chronological;
    lengths[i] = n;
  }
  ComputeChronological(ind, std::span(series.data(), count), std::span(lengths.data(), count), n, params,
                       inputs_finite, ws, out.data());
  if (options.newest_first) std::reverse(out.begin(), out.end());
}

std::vector<double> Compute(const IndicatorSpec& ind, std::span<const std::vector<double>> inputs,
                            const ParamValues& params) {
  return ComputeInSheetOrder(ind, inputs, params, false);
}

std::vector<double> ComputeInSheetOrder(const IndicatorSpec& ind, std::span<const std::vector<double>> inputs,
                                        const ParamValues& params, bool newest_first) {
  std::vector<std::span<const double>> views(inputs.begin(), inputs.end());
  Workspace ws;
  std::vector<double> out;
  ComputeInto(ind, views, params, {.newest_first = newest_first}, ws, out);
  BlankNonFinite(out);
  return out;
}

}  // namespace plrxl::companion
