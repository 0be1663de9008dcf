#include "companion/indicator_guide.h"

#include <sstream>

#include "companion/indicators.h"

namespace plrxl::companion {
namespace {

const char* kIntroduction = R"(# Indicator functions

The indicator macros of a project hand their input columns to two companion
functions, "MyFormula" and "MyFormula4", together with the name of the wanted
function and its parameters. This page lists every function name they accept.

Rules shared by all functions:

- **Arguments.** "MyFormula": A1 name, A2 first series, A3 number, A4 second
  series, A5 number, A6 0, A7 text, A8 number, A9 number, A10 direction.
  "MyFormula4": A1 name, A2 to A5 series, A6 number, A7 number, A8 text,
  A9 direction. The tables say which argument carries which parameter.
- **Defaults.** A parameter that is empty, not a number, or (for a period) 0
  or negative takes its default. Periods are whole numbers (7.9 counts as 7);
  a period that rounds down to 0 or exceeds 100000 fails the call. Numbers may
  use "." or "," as the decimal symbol. Percent and width parameters keep
  their sign.
- **Methods.** A method text is "MvAvg" (simple), "ExpMvAvg" (exponential) or
  "LinWgtMvAvg" (linearly weighted), in any case; any other text fails the call.
- **Direction.** Direction 0 means the oldest row is on top, 1 the newest. The
  result is always aligned with the input rows; the warm-up rows, which stay
  empty, are the oldest ones (at the bottom of a newest-first sheet).
- **Blank cells.** Empty or text cells in an input are blanks. A row with a
  blank in any input is empty, and every function restarts after it: a window
  that holds a blank gives no value, and running sums and exponential
  averages start again, warm-up included.
- **Undefined values.** Where a formula would divide by zero or take the log
  of a non-positive number the row is left empty.
- **Exact windows.** A windowed value depends on the rows of its window
  alone: once an outlier (one bar of 1e12 among prices near 100, a crash
  from 10000 to 1) has left the window, the value is the formula computed on
  that window by itself, to within 1e-9 (in practice about 1e-13).
- **Averages.** The exponential average uses alpha = 2/(n+1) and starts with
  the simple average of its first n values; Wilder's smoothing uses 1/n and
  starts the same way. Standard deviations are population deviations.
- **Constants.** Historical volatility is annualised with 252 trading days;
  ease of movement counts volume in units of 10,000.
- **Unknown names.** A function name that is not listed here fails the call;
  the macro then ends without writing anything.

)";

std::string ParamText(const ParamSpec& p) {
  std::ostringstream s;
  s << p.name << " (A" << p.arg << ") = ";
  if (p.kind == ParamKind::kMethod) {
    const char* names[] = {"MvAvg", "ExpMvAvg", "LinWgtMvAvg"};
    s << names[static_cast<int>(p.def)];
  } else {
    s << p.def;
  }
  return s.str();
}

}  // namespace

std::string IndicatorGuideMarkdown() {
  std::ostringstream out;
  out << kIntroduction;
  std::string family;
  for (const IndicatorSpec& ind : IndicatorCatalogue()) {
    if (family != ind.family) {
      family = ind.family;
      out << "\n## " << family << "\n\n"
          << "| Function | Entry | Inputs | Parameters (argument) = default | Value | Empty rows |\n"
          << "|---|---|---|---|---|---|\n";
    }
    out << "| " << ind.name << " | " << (ind.entry == Entry::kMyFormula ? "MyFormula" : "MyFormula4") << " | ";
    for (int i = 0; i < ind.InputCount(); ++i) {
      out << (i ? ", " : "") << ind.inputs[i].name << " (A" << ind.inputs[i].arg << ")";
    }
    out << " | ";
    for (int i = 0; i < ind.ParamCount(); ++i) out << (i ? ", " : "") << ParamText(ind.params[i]);
    if (ind.ParamCount() == 0) out << "none";
    out << " | " << ind.output << " | " << ind.warmup << " |\n";
  }
  return out.str();
}

}  // namespace plrxl::companion
