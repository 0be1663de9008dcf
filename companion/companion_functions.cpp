#include "companion/companion_functions.h"

#include <array>
#include <cmath>
#include <span>
#include <string>

#include "companion/indicators.h"
#include "host/error.h"
#include "host/range.h"

namespace plrxl {
namespace {

using companion::Entry;
using companion::IndicatorSpec;
using companion::ParamInput;

constexpr const char* kOutputNumberFormat = "0.00";
constexpr int kOutputFontColor = 3;  // red

const Variant& Arg(const std::vector<Variant>& args, int position) {
  static const Variant kMissing;
  return position >= 1 && position <= static_cast<int>(args.size()) ? args[position - 1] : kMissing;
}

double CellNumber(const Variant& v) { return v.IsNumeric() ? v.Number() : companion::kNaN; }

// Appends the cells of a value row by row: a range, an array or a scalar.
void Flatten(const Variant& value, std::vector<Variant>* out) {
  if (value.IsArray()) {
    const auto& data = value.Array().Data();
    out->insert(out->end(), data.begin(), data.end());
  } else {
    out->push_back(value);
  }
}

std::optional<Range> RangeArgument(SpreadsheetHost& host, const Variant& value) {
  if (const Range* range = AsRange(value)) return *range;
  if (value.IsText() && !value.Text().empty()) return host.ResolveRange(value.Text());
  return std::nullopt;
}

// One input series as numbers, read in one pass over its cells; `finite`
// is cleared when a cell is blank, not a number or not finite.
void AppendNumbers(const Variant& value, std::vector<double>& series, bool& finite) {
  if (!value.IsArray()) {
    const double x = CellNumber(value);
    finite = finite && std::isfinite(x);
    series.push_back(x);
    return;
  }
  const auto& cells = value.Array().Data();
  series.resize(cells.size());
  bool all = true;
  for (size_t i = 0; i < cells.size(); ++i) {
    const double x = CellNumber(cells[i]);
    all = all && std::isfinite(x);
    series[i] = x;
  }
  finite = finite && all;
}

void ReadSeries(SpreadsheetHost& host, const Variant& value, const std::string& source, std::vector<double>& series,
                bool& finite) {
  if (std::optional<Range> range = RangeArgument(host, value)) {
    AppendNumbers(range->Value(), series, finite);
  } else if (value.IsArray() || value.IsNumeric()) {
    AppendNumbers(value, series, finite);
  } else {
    throw Error(kErrInvalidCall, source, "An input series is missing.");
  }
}

ParamInput Param(const Variant& v) {
  if (v.IsNumeric()) return ParamInput::Number(v.Number());
  if (v.IsText()) return ParamInput::Text(v.Text());
  return ParamInput::Missing();
}

bool NewestFirst(const Variant& d) {
  if (d.IsNumeric()) return d.Number() != 0;
  if (d.IsText()) return companion::ParseParamNumber(d.Text()).value_or(0) != 0;
  return false;
}

Variant Evaluate(SpreadsheetHost& host, std::vector<Variant>& args, Entry entry, const char* entry_name) {
  const std::string source = std::string("PelorinXL.Companion.") + entry_name;
  const Variant& name = Arg(args, 1);
  const IndicatorSpec* ind = name.IsText() ? companion::FindIndicator(name.Text()) : nullptr;
  if (ind == nullptr) {
    throw Error(kErrInvalidCall, source,
                "Unknown indicator function \"" + (name.IsText() ? name.Text() : std::string()) + "\".");
  }
  if (ind->entry != entry) {
    throw Error(kErrInvalidCall, source, std::string(ind->name) + " is not computed by " + entry_name + ".");
  }
  // The blank test rides on the conversion of the cells, which reads every
  // value anyway; the computation then makes no pass of its own.
  std::array<std::vector<double>, companion::kMaxInputs> inputs;
  std::array<std::span<const double>, companion::kMaxInputs> views;
  companion::ComputeOptions options;
  options.inputs_finite = true;
  const int count = ind->InputCount();
  for (int i = 0; i < count; ++i) {
    ReadSeries(host, Arg(args, ind->inputs[i].arg), source, inputs[i], options.inputs_finite);
    views[i] = inputs[i];
  }
  std::vector<ParamInput> raw;
  for (int i = 0; i < ind->ParamCount(); ++i) raw.push_back(Param(Arg(args, ind->params[i].arg)));
  const int direction_arg = entry == Entry::kMyFormula ? 10 : 9;
  options.newest_first = NewestFirst(Arg(args, direction_arg));

  companion::Workspace ws;
  std::vector<double> values;
  companion::ComputeInto(*ind, std::span(views.data(), count), companion::ResolveParams(*ind, raw), options, ws,
                         values);
  // A blank or overflowed value leaves its cell empty.
  std::vector<Variant> cells(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    if (std::isfinite(values[i])) cells[i] = Variant(values[i]);
  }
  const int rows = static_cast<int>(cells.size());
  return Variant::Array2D(rows, 1, std::move(cells), 1);
}

Range OutputRange(SpreadsheetHost& host, const Variant& address, const char* source) {
  std::optional<Range> range = RangeArgument(host, address);
  if (!range) throw Error(kErrRange, source, "The output range is missing.");
  return *range;
}

}  // namespace

Variant MyFormula(SpreadsheetHost& host, std::vector<Variant>& args) {
  return Evaluate(host, args, Entry::kMyFormula, "MyFormula");
}

Variant MyFormula4(SpreadsheetHost& host, std::vector<Variant>& args) {
  return Evaluate(host, args, Entry::kMyFormula4, "MyFormula4");
}

Variant UslFormat(SpreadsheetHost& host, std::vector<Variant>& args) {
  const Range range = OutputRange(host, Arg(args, 1), "PelorinXL.Companion.UslFormat");
  range.SetNumberFormat(kOutputNumberFormat);
  range.SetFontColorIndex(kOutputFontColor);
  return Variant();
}

Variant MyOutPut(SpreadsheetHost& host, std::vector<Variant>& args) {
  const Range target = OutputRange(host, Arg(args, 2), "PelorinXL.Companion.MyOutPut");
  std::vector<Variant> series;
  Flatten(Arg(args, 1), &series);
  const int rows = target.RowCount();
  std::vector<Variant> cells(rows);
  for (int i = 0; i < rows && i < static_cast<int>(series.size()); ++i) {
    const Variant& v = series[i];
    // Only plain values go into cells; NaN or objects would not survive a save.
    if (v.IsNumber() && std::isfinite(v.Number())) {
      cells[i] = v;
    } else if (v.IsDate() || v.IsText() || v.IsBoolean() || v.IsError()) {
      cells[i] = v;
    }
  }
  target.Resize(rows, 1).SetValue(Variant::Array2D(rows, 1, std::move(cells), 1));
  return Variant();
}

void RegisterCompanionFunctions(SpreadsheetHost& host) {
  host.RegisterFunction("MyFormula", MyFormula);
  host.RegisterFunction("MyFormula4", MyFormula4);
  host.RegisterFunction("UslFormat", UslFormat);
  host.RegisterFunction("MyOutPut", MyOutPut);
}

}  // namespace plrxl
