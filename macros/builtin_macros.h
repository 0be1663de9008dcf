// The built-in macro names: the one table the dispatcher, the user
// documentation and the tests walk. A macro call whose lower-cased name is
// in this table runs the listed procedure of Cfenmar with slots 1 to
// last_slot; every other name goes to the host's Run.
#pragma once

#include <span>
#include <string>

#include "macros/macro_call.h"

namespace plrxl {

class Cfenmar;
struct BuiltinMacro;

enum class BuiltinKind { kIndicator, kDataTool };

// Runs one built-in call; slots may be rewritten (slot 1 becomes the output
// range, slot 2 the data address).
using BuiltinProcedure = void (*)(Cfenmar& engine, const BuiltinMacro& macro, MacroSlots& slots);

struct BuiltinMacro {
  const char* name;       // as matched: lower case
  const char* procedure;  // the Cfenmar procedure, e.g. "WilderRSI"
  int last_slot;          // slots 1..last_slot are passed; 0 = none
  BuiltinKind kind;
  BuiltinProcedure run;
};

inline constexpr int kBuiltinMacroCount = 70;

std::span<const BuiltinMacro> BuiltinMacros();
// Exact match of an already lower-cased name; nullptr when not built in.
const BuiltinMacro* FindBuiltinMacro(const std::string& lower_name);

}  // namespace plrxl
