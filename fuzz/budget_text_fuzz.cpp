// Fuzzes the request limits users write (--budget, the settings' Budget
// key), the --max-wait duration and the pinned UTC time: any text is read
// or refused with a reason, and what is read writes back as a text that
// reads the same again.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "quotes/budget_clock.h"
#include "quotes/budget_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 512) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::map<std::string, plrxl::BudgetLimits> limits;
  std::string error;
  if (plrxl::ParseBudgetText(text, &limits, &error)) {
    for (const auto& [source, read] : limits) {
      std::string again_error;
      const auto again = plrxl::ParseBudgetLimits(plrxl::BudgetLimitsText(read), &again_error);
      if (!again || plrxl::BudgetLimitsText(*again) != plrxl::BudgetLimitsText(read)) __builtin_trap();
    }
  } else if (error.empty()) {
    __builtin_trap();
  }
  if (const auto ms = plrxl::ParseDurationMs(text); ms && *ms < 0) __builtin_trap();
  (void)plrxl::ParseUtcMs(text);
  return 0;
}
