#include "host/formula/internal/function_table.h"

#include <unordered_map>

namespace plrxl::formula {

const std::vector<const FunctionFamily*>& FunctionFamilies() {
  static const std::vector<const FunctionFamily*> families = {
      &kDateFunctions, &kLogicFunctions, &kMathFunctions, &kStatFunctions, &kConditionalFunctions,
      &kLookupFunctions, &kTextFunctions, &kMoneyFunctions,
  };
  return families;
}

const FunctionEntry* FindFunction(const std::string& name) {
  static const std::unordered_map<std::string, const FunctionEntry*> by_name = [] {
    std::unordered_map<std::string, const FunctionEntry*> map;
    for (const FunctionFamily* family : FunctionFamilies()) {
      for (size_t i = 0; i < family->count; ++i) map[family->functions[i].name] = &family->functions[i];
    }
    return map;
  }();
  auto it = by_name.find(name);
  return it == by_name.end() ? nullptr : it->second;
}

}  // namespace plrxl::formula
