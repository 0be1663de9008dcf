#include "app/budget_options.h"

#include <cstdlib>
#include <ostream>


namespace plrxl::app {

namespace {

CLI::Validator LimitsCheck() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        std::map<std::string, BudgetLimits> limits;
        std::string error;
        return ParseBudgetText(text, &limits, &error) ? "" : error;
      },
      "SOURCE=LIMITS");
}

CLI::Validator DurationCheck() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return ParseDurationMs(text) ? "" : "\"" + text + "\" is not a duration (write 90s, 15m, 2h or 1d)";
      },
      "DURATION");
}

}  // namespace

void AddBudgetOption(CLI::App* cmd, BudgetOptions& options) {
  cmd->add_option("--budget", options.budgets,
                  "A source's request limits instead of the published ones, e.g. 'TIINGO=50/h,1000/d,500sym/mo' "
                  "or 'YAHOOHIST=none' (repeatable)")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->check(LimitsCheck());
}

void AddBudgetOptions(CLI::App* cmd, BudgetOptions& options) {
  AddBudgetOption(cmd, options);
  cmd->add_option("--max-wait", options.max_wait,
                  "Wait up to this long (90s, 15m, 2h) for a source's used-up window instead of deferring its rows")
      ->check(DurationCheck());
  cmd->add_flag("--recheck", options.recheck,
                "Ask again for symbols a source had no data for within the last day");
}

std::shared_ptr<RequestBudget> OpenRunBudget(const BudgetOptions& options, const QuoteSettings& settings,
                                             const std::string& store_path, bool read_only, std::ostream& err) {
  BudgetSetup setup;
  std::string error;
  if (!BudgetLimitsFor(settings, options.budgets, &setup.limits, &error)) {
    // The command line's texts were checked when it was read: the
    // settings' Budget key is the bad one, and is skipped like any bad line.
    err << "pelorinxl: warning: " << error << "; the key is skipped\n";
    QuoteSettings without = settings;
    without.budget_setting.clear();
    BudgetLimitsFor(without, options.budgets, &setup.limits, &error);
  }
  setup.keys = BudgetKeysOf(settings);
  setup.max_wait_ms = options.max_wait.empty() ? 0 : ParseDurationMs(options.max_wait).value_or(0);
  setup.recheck = options.recheck;
  const char* pinned = std::getenv("PLRXL_UTC_NOW");
  setup.clock = SystemBudgetClock(pinned != nullptr ? pinned : "");
  std::vector<std::string> warnings;
  std::shared_ptr<RequestBudget> budget = RequestBudget::Open(store_path, read_only, std::move(setup), &warnings);
  for (const std::string& warning : warnings) err << "pelorinxl: warning: " << warning << "\n";
  return budget;
}

std::string WaitText(int64_t now_ms, int64_t later_ms) {
  const int64_t s = (later_ms - now_ms + 999) / 1000;
  if (s <= 0) return "at once";
  if (s < 60) return "in " + std::to_string(s) + " s";
  const int64_t minutes = (s + 59) / 60;
  if (minutes < 60) return "in " + std::to_string(minutes) + " min";
  const int64_t hours = minutes / 60;
  if (hours < 48) return "in " + std::to_string(hours) + " h " + std::to_string(minutes % 60) + " min";
  return "in " + std::to_string(hours / 24) + " days " + std::to_string(hours % 24) + " h";
}

}  // namespace plrxl::app
