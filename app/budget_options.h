// The request budget of a run from the command line: --budget (repeatable),
// --max-wait and --recheck, and the opening of the budget over the quote
// store's ledger (or in memory, without a store).
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "quotes/quote_settings.h"
#include "quotes/request_budget.h"

namespace plrxl::app {

struct BudgetOptions {
  std::vector<std::string> budgets;  // --budget 'TIINGO=50/h,1000/d'
  std::string max_wait;              // --max-wait 15m
  bool recheck = false;              // --recheck
};

// --budget alone (plan, budget) or all three (the run commands).
void AddBudgetOption(CLI::App* cmd, BudgetOptions& options);
void AddBudgetOptions(CLI::App* cmd, BudgetOptions& options);

// The budget of a run with `settings` (its keys and Budget key) over the
// ledger in `store_path` ("" for one in memory); warnings go to `err`.
// `read_only`: nothing is booked (plan, budget). A bad Budget key in the
// settings is reported and skipped.
std::shared_ptr<RequestBudget> OpenRunBudget(const BudgetOptions& options, const QuoteSettings& settings,
                                             const std::string& store_path, bool read_only, std::ostream& err);

// "in 2 h 5 min", "in 40 s", "at once": how far `later_ms` lies after `now_ms`.
std::string WaitText(int64_t now_ms, int64_t later_ms);

}  // namespace plrxl::app
