// The formula engine of the in-memory host: a FormulaEvaluator built on
// Debian's libixion (parsing, references within and across sheets,
// operators, dependency order, SUM, AVERAGE, COUNTA, IF, INT, LEFT, LEN,
// CONCATENATE, PI). What that library lacks or gets wrong is done here by
// hand before it sees a formula (internal/hand_functions.h): TODAY() and
// NOW() from the injected clock, DATE in the 1900 date system, MIN and MAX
// over ranges, TRUE and FALSE, results of comparisons as Booleans.
//
// A formula using any other function, a defined name, a number with an
// exponent or a text with a doubled quote is not evaluated (the library
// would get it wrong): the host keeps its cached value.
#pragma once

#include <memory>

#include "host/formula_evaluator.h"

namespace plrxl {

class Clock;

// `clock` gives "now" for TODAY() and NOW(); it is shared so the caller may
// keep using it.
std::unique_ptr<FormulaEvaluator> MakeFormulaEngine(std::shared_ptr<const Clock> clock);

}  // namespace plrxl
