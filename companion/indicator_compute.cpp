// Parameter defaults, blank handling and sheet orientation around the
// catalogue's kernels.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
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

[[noreturn]] void Reject(const IndicatorSpec& spec, const ParamSpec& param, const std::string& why) {
  throw Error(kErrInvalidCall, kSource,
              std::string(spec.name) + ": parameter " + param.name + " " + why);
}

double ResolveMethod(const IndicatorSpec& spec, const ParamSpec& param, const ParamInput& raw) {
  if (raw.kind != ParamInput::Kind::kText) return param.def;
  const std::string text = Lower(Trim(raw.text));
  if (text.empty()) return param.def;
  if (text == "mvavg") return static_cast<double>(MaMethod::kSma);
  if (text == "expmvavg") return static_cast<double>(MaMethod::kEma);
  if (text == "linwgtmvavg") return static_cast<double>(MaMethod::kWma);
  Reject(spec, param, "has an unknown method \"" + raw.text + "\"");
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

ParamValues ResolveParams(const IndicatorSpec& spec, std::span<const ParamInput> raw) {
  ParamValues values;
  const ParamInput missing;
  for (int i = 0; i < spec.ParamCount(); ++i) {
    const ParamSpec& param = spec.params[i];
    const ParamInput& in = i < static_cast<int>(raw.size()) ? raw[i] : missing;
    switch (param.kind) {
      case ParamKind::kPeriod: {
        const std::optional<double> v = NumberOf(in);
        if (!v || *v <= 0) {
          values.v[i] = param.def;
          break;
        }
        const double period = std::trunc(*v);
        if (period < param.min || period > param.max) Reject(spec, param, "is out of range");
        values.v[i] = period;
        break;
      }
      case ParamKind::kReal: values.v[i] = NumberOf(in).value_or(param.def); break;
      case ParamKind::kMethod: values.v[i] = ResolveMethod(spec, param, in); break;
    }
  }
  return values;
}

std::vector<double> Compute(const IndicatorSpec& spec, std::span<const std::vector<double>> inputs,
                            const ParamValues& params) {
  const int count = spec.InputCount();
  if (static_cast<int>(inputs.size()) < count) {
    throw Error(kErrInvalidCall, kSource, std::string(spec.name) + ": missing input series");
  }
  const size_t n = inputs.empty() ? 0 : inputs[0].size();
  std::vector<double> out(n, kNaN);
  auto usable = [&](size_t t) {
    for (int i = 0; i < count; ++i) {
      if (t >= inputs[i].size() || !std::isfinite(inputs[i][t])) return false;
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
    for (int i = 0; i < count; ++i) view.x[i] = inputs[i].data() + t;
    view.size = end - t;
    spec.kernel(view, params, out.data() + t);
    t = end;
  }
  for (double& v : out) {
    if (!std::isfinite(v)) v = kNaN;
  }
  return out;
}

std::vector<double> ComputeInSheetOrder(const IndicatorSpec& spec, std::span<const std::vector<double>> inputs,
                                        const ParamValues& params, bool newest_first) {
  if (!newest_first) return Compute(spec, inputs, params);
  std::vector<std::vector<double>> chronological(inputs.begin(), inputs.end());
  for (std::vector<double>& series : chronological) std::reverse(series.begin(), series.end());
  // Reversing shorter inputs would misalign them; pad them to full length first.
  const size_t n = inputs.empty() ? 0 : inputs[0].size();
  for (size_t i = 1; i < chronological.size(); ++i) {
    if (inputs[i].size() < n) {
      std::vector<double> padded(inputs[i].begin(), inputs[i].end());
      padded.resize(n, kNaN);
      std::reverse(padded.begin(), padded.end());
      chronological[i] = std::move(padded);
    }
  }
  std::vector<double> out = Compute(spec, chronological, params);
  std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace plrxl::companion
