// The formula engine of the in-memory host: a FormulaEvaluator of its own
// (parser, interpreter, one table of functions, a dependency index for
// incremental recalculation). docs/formulas.md lists what it computes.
//
// A formula it cannot compute (a function it does not have, a sheet that
// does not exist, a circular reference) is never given a made-up result:
// it keeps the result it holds while its inputs are unchanged, and is left
// without a result otherwise, with a warning naming the cell and the
// function.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/formula_evaluator.h"

namespace plrxl {

// `now` gives the local date and time as a serial of the 1900 date system
// (days since 30 December 1899) for TODAY() and NOW().
std::unique_ptr<FormulaEvaluator> MakeFormulaEngine(std::function<double()> now);

// The same with any clock object that has `double Now() const`, shared so
// the caller may keep using it.
template <typename AnyClock>
std::unique_ptr<FormulaEvaluator> MakeFormulaEngine(std::shared_ptr<AnyClock> clock) {
  return MakeFormulaEngine(std::function<double()>([clock] { return clock->Now(); }));
}

// The first function of `formula` the engine does not have (its name as
// written, without "_xlfn."); nullopt when it has them all or the text is
// no formula. For messages that point at the cause.
std::optional<std::string> UnknownFunctionIn(const std::string& formula);

// The functions the engine computes, family by family, as the Markdown
// that docs/formulas.md holds between its function-list markers.
std::string FunctionListMarkdown();

// How many functions the engine computes.
size_t FunctionCount();

}  // namespace plrxl
