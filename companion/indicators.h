// The indicator catalogue: every function name that "MyFormula" and
// "MyFormula4" accept, with its inputs, parameters (argument position,
// default, limits), output and implementation, kept as one table that the
// host functions, the tests, the benchmark and the user guide all walk.
//
// Series are chronological arrays (index 0 = oldest) of doubles; NaN stands
// for a blank cell, in the input and in the output alike. Output length
// always equals the length of the first input, row for row.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "companion/internal/blocks.h"

namespace plrxl::companion {

inline constexpr int kMaxInputs = 4;
inline constexpr int kMaxParams = 4;

// The host function through which a name is called; it fixes what each
// argument position means.
enum class Entry { kMyFormula, kMyFormula4 };

enum class ParamKind {
  kPeriod,  // integer count of rows; empty, non-numeric or <= 0 takes the default
  kReal,    // float that keeps its sign; empty or non-numeric takes the default
  kMethod,  // "MvAvg" | "ExpMvAvg" | "LinWgtMvAvg" (any case); empty takes the default
};

struct InputSpec {
  const char* name = nullptr;  // "close", "high", "x", ...; nullptr = unused slot
  int arg = 0;                 // 1-based argument position of the call
};

struct ParamSpec {
  const char* name = nullptr;  // nullptr = unused slot
  ParamKind kind = ParamKind::kPeriod;
  int arg = 0;  // 1-based argument position of the call
  double def = 0;
  double min = 0;
  double max = 0;
};

// Resolved parameter values, in the order of IndicatorSpec::params. A method
// is held as its MaMethod number.
struct ParamValues {
  std::array<double, kMaxParams> v{};
  int Period(int i) const { return static_cast<int>(v[i]); }
  double Real(int i) const { return v[i]; }
  MaMethod Method(int i) const { return static_cast<MaMethod>(static_cast<int>(v[i])); }
};

// One run of rows without blanks in any input, handed to a kernel.
struct SeriesView {
  std::array<const double*, kMaxInputs> x{};
  size_t size = 0;
};

// Writes every row of out[0..size), NaN for a blank, from a run without
// blank inputs, taking any scratch buffers from ws.
using Kernel = void (*)(const SeriesView& in, const ParamValues& p, double* out, Workspace& ws);

struct IndicatorSpec {
  const char* name;    // the function name the host functions receive
  Entry entry;
  const char* family;  // for the user guide
  std::array<InputSpec, kMaxInputs> inputs;
  std::array<ParamSpec, kMaxParams> params;
  const char* output;  // one line: what the value is
  const char* warmup;  // rows left blank at the oldest end, as a formula
  Kernel kernel;

  int InputCount() const;
  int ParamCount() const;
};

std::span<const IndicatorSpec> IndicatorCatalogue();
// Case-insensitive lookup; nullptr for an unknown name.
const IndicatorSpec* FindIndicator(std::string_view name);

// A parameter as the call delivers it: nothing, a number or a text.
struct ParamInput {
  enum class Kind { kMissing, kNumber, kText } kind = Kind::kMissing;
  double number = 0;
  std::string text;

  static ParamInput Missing() { return {}; }
  static ParamInput Number(double v) { return {Kind::kNumber, v, {}}; }
  static ParamInput Text(std::string t) { return {Kind::kText, 0, std::move(t)}; }
};

// Applies defaults and checks limits. `raw` is indexed like ind.params.
// Throws plrxl::Error (5, invalid argument) for a period outside its limits
// or an unknown method text.
ParamValues ResolveParams(const IndicatorSpec& ind, std::span<const ParamInput> raw);

// Computes over chronological inputs (indexed like ind.inputs). A row with a
// blank (NaN or infinite value) in any input is blank, and the computation
// restarts after it. Inputs shorter than the first are read as blank beyond
// their end. A value that overflows is blank too.
std::vector<double> Compute(const IndicatorSpec& ind,
                            std::span<const std::vector<double>> inputs,
                            const ParamValues& params);

// Same, for inputs in sheet order: newest_first reverses every input, computes
// and reverses the output, so both sheet directions give mirrored columns.
std::vector<double> ComputeInSheetOrder(const IndicatorSpec& ind,
                                        std::span<const std::vector<double>> inputs,
                                        const ParamValues& params, bool newest_first);

struct ComputeOptions {
  // Inputs and output in sheet order with the newest row first.
  bool newest_first = false;
  // The caller found every input value finite while filling the inputs (the
  // companion functions do so while converting cells), so the scan for
  // blanks is skipped. A wrong promise gives wrong values, never a fault.
  bool inputs_finite = false;
};

// The form for repeated calls on long series: scratch buffers come from ws
// and the result goes into out (resized to the first input's length), so a
// caller that keeps both pays for no fresh memory after the first call, and
// no pass over the data is made besides the kernel's own. For the same
// reason a value that overflowed is left as it came, +-infinity: the caller
// reads every non-finite value as blank (the companion functions leave such
// cells empty).
void ComputeInto(const IndicatorSpec& ind, std::span<const std::span<const double>> inputs,
                 const ParamValues& params, const ComputeOptions& options, Workspace& ws,
                 std::vector<double>& out);

// Parses a parameter text: '.' or ',' as decimal symbol, surrounding spaces
// allowed; nullopt when the text is not a number.
std::optional<double> ParseParamNumber(std::string_view text);

}  // namespace plrxl::companion
