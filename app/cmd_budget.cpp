// pelorinxl budget [PROJECT]: per web source, the requests used and allowed
// in each window of its budget, when each resets, a window a throttled
// answer closed, and the rate learned from throttled answers. Reads the
// ledger in the project's quote store; asks nothing and books nothing.
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "app/budget_options.h"
#include "app/commands.h"
#include "app/store_options.h"
#include "quotes/quote_settings.h"

namespace plrxl::app {
namespace {

namespace fs = std::filesystem;

std::string Rate(double per_s) {
  char buf[48];
  if (per_s >= 1) {
    std::snprintf(buf, sizeof buf, "%.3g request(s)/s", per_s);
  } else {
    std::snprintf(buf, sizeof buf, "%.3g request(s)/min", per_s * 60);
  }
  return buf;
}

void PrintBudget(const AppContext& ctx, const std::string& project, const StoreOptions& store_options,
                 const BudgetOptions& budget_options) {
  const std::string folder = project.empty() ? fs::current_path().string() : fs::absolute(project).parent_path().string();
  const QuoteSettings settings = LoadQuoteSettings(folder);
  for (const std::string& problem : settings.problems) ctx.err << "pelorinxl: warning: " << problem << "\n";
  std::string store_path;
  if (!project.empty() || store_options.path) store_path = StorePathFor(store_options, project, settings.store_setting);
  const bool exists = !store_path.empty() && fs::exists(store_path);
  const std::shared_ptr<RequestBudget> budget =
      OpenRunBudget(budget_options, settings, exists ? store_path : "", true, ctx.err);
  ctx.out << "Request budgets (ledger: "
          << (exists ? store_path : store_path.empty() ? "none: name a PROJECT or --store" : store_path + ", not made yet")
          << "):\n";
  const std::vector<RequestBudget::SourceReport> reports = budget->Report();
  if (reports.empty()) ctx.out << "  no source has limits or booked requests\n";
  for (const RequestBudget::SourceReport& r : reports) {
    ctx.out << "  " << r.source << (r.has_key ? " (key #" + r.key_hash.substr(0, 8) + ")" : "") << ": "
            << BudgetLimitsText(r.limits) << "\n";
    for (const RequestBudget::Window& w : r.windows) {
      ctx.out << "    " << w.name << ": " << w.used;
      if (w.allowed > 0) {
        ctx.out << " of " << w.allowed << " used, resets " << budget->WhenText(w.resets_utc_ms) << "\n";
      } else {
        ctx.out << " used (no limit)\n";
      }
    }
    if (r.learned_rate > 0) ctx.out << "    learned rate: " << Rate(r.learned_rate) << " after throttled answers\n";
    if (r.closed_until_utc_ms > 0) {
      ctx.out << "    closed until " << budget->WhenText(r.closed_until_utc_ms) << ": " << r.closed_why << "\n";
    }
  }
}

}  // namespace

void RegisterBudgetCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand(
      "budget", "Show each web source's request budget: used and allowed per window, reset times, learned rate");
  auto path = std::make_shared<std::string>();
  auto store = std::make_shared<StoreOptions>();
  auto budget = std::make_shared<BudgetOptions>();
  cmd->add_option("PROJECT", *path, "The project workbook whose quote store holds the ledger");
  cmd->add_option("--store", store->path, "Read the ledger of this quote store instead of the project's");
  AddBudgetOption(cmd, *budget);
  cmd->callback([&ctx, path, store, budget] { PrintBudget(ctx, *path, *store, *budget); });
}

}  // namespace plrxl::app
