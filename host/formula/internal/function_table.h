// The one table of the functions the engine computes: name, argument
// counts, implementation, and whether the function is volatile or reads
// cells its arguments do not name. The engine, docs/formulas.md and the
// tests all walk it. Each family lives in its own functions_*.cpp.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/formula/internal/value.h"

namespace plrxl::formula {

class Args;
using FunctionImpl = Value (*)(Args& args);

enum FunctionFlags : unsigned {
  kPlain = 0,
  kVolatile = 1,     // computed on every recalculation (TODAY, RAND)
  kDynamicRefs = 2,  // reads cells its arguments do not name (OFFSET, INDIRECT): also volatile
  // Over arrays, takes the shape of its first argument and picks #N/A from
  // beyond a smaller array (IF, IFERROR, IFNA).
  kPicksByFirst = 4,
};

// single_value_args of a function all of whose arguments take one value.
inline constexpr unsigned kEveryArgument = ~0u;

struct FunctionEntry {
  const char* name;  // upper case, without any "_xlfn." prefix
  int min_args;
  int max_args;  // 255: any number
  FunctionImpl impl;
  unsigned flags = kPlain;
  // The arguments that take one value (bit i: argument i; ABS, ISNUMBER,
  // IF: kEveryArgument; MATCH: its key, 1). Given arrays where arrays are
  // computed (SUMPRODUCT's arguments, array formulas), the function runs
  // once for each of their cells and gives an array.
  unsigned single_value_args = 0;
};

struct FunctionFamily {
  const char* title;
  const FunctionEntry* functions;
  size_t count;
};

extern const FunctionFamily kDateFunctions;
extern const FunctionFamily kLogicFunctions;
extern const FunctionFamily kMathFunctions;
extern const FunctionFamily kStatFunctions;
extern const FunctionFamily kConditionalFunctions;
extern const FunctionFamily kLookupFunctions;
extern const FunctionFamily kTextFunctions;
extern const FunctionFamily kMoneyFunctions;

// The families in the order the docs list them.
const std::vector<const FunctionFamily*>& FunctionFamilies();
// The function of an upper-case name; nullptr when the engine has none.
const FunctionEntry* FindFunction(const std::string& name);

}  // namespace plrxl::formula
