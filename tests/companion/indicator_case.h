// What the table-driven indicator tests share: a test name made from a
// case's function and parameter texts, and those texts resolved against the
// indicator's parameter table.
#pragma once

#include <cctype>
#include <string>
#include <vector>

#include "companion/indicators.h"

namespace plrxl::companion::testing {

// "Function_param1_param2", every character that a test name cannot hold
// turned into "_" (an empty parameter reads "empty").
template <typename Case>
std::string CaseName(const Case& c) {
  std::string name = c.function;
  for (const char* p : c.params) name += std::string("_") + (*p ? p : "empty");
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
}

inline ParamValues Params(const IndicatorSpec& ind, const std::vector<const char*>& texts) {
  std::vector<ParamInput> raw;
  for (const char* t : texts) raw.push_back(ParamInput::Text(t));
  return ResolveParams(ind, raw);
}

}  // namespace plrxl::companion::testing
