// pelorinxl plan PROJECT [--json]: how many requests the next refresh will
// make, per source: new ones, rows that share another row's download, rows
// the quote store answers, rows read locally, and the time the sources'
// request budgets imply for them. Nothing is asked and nothing is written
// (a store that does not exist yet is not made).
#include <filesystem>
#include <map>
#include <ostream>

#include "app/budget_options.h"
#include "app/commands.h"
#include "app/exit_codes.h"
#include "app/row_requests.h"
#include "app/store_options.h"
#include "quotes/download_plan.h"
#include "quotes/store/quote_store.h"

namespace plrxl::app {
namespace {

namespace fs = std::filesystem;

struct SourceCount {
  int requests = 0, shared = 0, from_store = 0, local = 0, unknown = 0;
};

void PrintPlan(const AppContext& ctx, const std::string& path, const StoreOptions& options,
               const BudgetOptions& budget_options, bool json) {
  auto host = ctx.MakeHost();
  Workbook& wb = host->OpenWorkbook(path);
  const std::vector<RowRequest> rows = RowRequests(wb, host->Regional());
  QuoteSettings settings = LoadQuoteSettings(fs::absolute(path).parent_path().string(), host->Regional());
  const std::string store_path = StorePathFor(options, path, settings.store_setting);
  bool kept = !store_path.empty();
  if (kept && fs::exists(store_path)) {
    std::vector<std::string> warnings;
    StoreOpenOptions open;
    open.path = store_path;
    settings.store = QuoteStore::Open(open, &warnings);
    for (const std::string& w : warnings) ctx.err << "pelorinxl: warning: " << w << "\n";
    kept = settings.store != nullptr;
  }
  const std::shared_ptr<RequestBudget> budget =
      OpenRunBudget(budget_options, settings, kept && fs::exists(store_path) ? store_path : "", true, ctx.err);
  std::vector<PrefetchItem> items;
  for (const RowRequest& r : rows) items.push_back(r.item);
  const std::vector<PlannedDownload> plan = PlanDownloads(settings, items, kept);
  std::map<std::string, SourceCount> counts;
  int requests = 0;
  for (const PlannedDownload& p : plan) {
    SourceCount& c = counts[p.source];
    switch (p.way) {
      case PlannedDownload::kNew: ++c.requests; ++requests; break;
      case PlannedDownload::kShared: ++c.shared; break;
      case PlannedDownload::kFromStore: ++c.from_store; break;
      case PlannedDownload::kLocal: ++c.local; break;
      case PlannedDownload::kUnknownSource: ++c.unknown; break;
    }
  }
  if (json) {
    ctx.out << "{\"project\":\"" << fs::absolute(path).string() << "\",\"store\":\"" << store_path
            << "\",\"rows\":" << plan.size() << ",\"requests\":" << requests << ",\"sources\":[";
    bool first = true;
    for (const auto& [source, c] : counts) {
      const RequestBudget::Estimate e = budget->EstimateFor(source, c.requests);
      ctx.out << (first ? "" : ",") << "{\"source\":\"" << source << "\",\"requests\":" << c.requests
              << ",\"shared\":" << c.shared << ",\"from_store\":" << c.from_store << ",\"local\":" << c.local
              << ",\"unknown\":" << c.unknown << ",\"at_once\":" << e.at_once
              << ",\"seconds_to_last\":" << (e.last_utc_ms - budget->Clock().UtcMs() + 999) / 1000 << "}";
      first = false;
    }
    ctx.out << "]}\n";
    return;
  }
  ctx.out << "The next refresh of " << wb.FullName() << " (" << plan.size() << " row(s); store: "
          << (store_path.empty() ? "none" : store_path) << "):\n";
  for (const auto& [source, c] : counts) {
    ctx.out << "  " << source << ": ";
    if (c.unknown > 0) {
      ctx.out << c.unknown << " row(s) name no known source\n";
      continue;
    }
    if (c.local > 0 && c.requests + c.shared + c.from_store == 0) {
      ctx.out << c.local << " row(s) read locally, no request\n";
      continue;
    }
    ctx.out << c.requests << " request(s); " << c.shared << " row(s) share one of them, " << c.from_store
            << " come from the store\n";
    const RequestBudget::Estimate e = budget->EstimateFor(source, c.requests);
    if (c.requests > 0 && e.at_once < c.requests) {
      ctx.out << "    its budget allows " << e.at_once << " at once; the last can go at "
              << budget->WhenText(e.last_utc_ms) << " (" << WaitText(budget->Clock().UtcMs(), e.last_utc_ms) << ")\n";
    }
  }
  ctx.out << requests << " request(s) in all\n";
}

}  // namespace

void RegisterPlanCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("plan", "Count the requests the next refresh will make, per source, asking nothing");
  auto path = std::make_shared<std::string>();
  auto options = std::make_shared<StoreOptions>();
  auto json = std::make_shared<bool>(false);
  auto budget = std::make_shared<BudgetOptions>();
  cmd->add_option("PROJECT", *path, "The project workbook")->required();
  cmd->add_flag("--json", *json, "Print the counts as one JSON object");
  CLI::Option* store = cmd->add_option("--store", options->path, "Look into this quote store instead of the project's");
  cmd->add_flag("--no-store", options->none, "Plan a run that keeps nothing")->excludes(store);
  AddBudgetOption(cmd, *budget);
  cmd->callback([&ctx, path, options, budget, json] { PrintPlan(ctx, *path, *options, *budget, *json); });
}

}  // namespace plrxl::app
