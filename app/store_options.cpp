#include "app/store_options.h"

#include <filesystem>
#include <ostream>
#include <vector>

#include "app/exit_codes.h"
#include "host/regional.h"
#include "host/variant.h"
#include "quotes/store/quote_store.h"

namespace plrxl::app {

namespace fs = std::filesystem;

void AddStoreOptions(CLI::App* cmd, StoreOptions& options) {
  CLI::Option* store = cmd->add_option("--store", options.path,
                                       "Keep quotes in this store file (default: PROJECT.quotes.db beside the workbook)");
  CLI::Option* none = cmd->add_flag("--no-store", options.none, "Keep no quotes between runs: download everything");
  store->excludes(none);
  CLI::Option* offline =
      cmd->add_flag("--offline", options.offline, "Fill web-source rows from the quote store alone, without a request");
  offline->excludes(none);
  cmd->add_flag("--stale-ok", options.stale_ok,
                "When a web source fails, fill the row from the quote store and mark its status yellow")
      ->excludes(none);
  cmd->add_flag("--resume", options.resume,
                "Take up the project's last run that was stopped, killed or left rows deferred: what it downloaded "
                "comes from the quote store without a request")
      ->excludes(none);
}

std::string StorePathFor(const StoreOptions& options, const std::string& workbook, const std::string& setting) {
  if (options.none) return "";
  if (options.path) return *options.path;
  if (setting == "none" || setting == "None" || setting == "NONE") return "";
  if (!setting.empty()) {
    const fs::path p(setting);
    return p.is_absolute() ? setting : (fs::absolute(workbook).parent_path() / p).string();
  }
  return DefaultStorePath(fs::absolute(workbook).string());
}

RunStore OpenRunStore(const StoreOptions& options, const std::string& workbook, const std::string& command,
                      const std::optional<std::string>& rows, std::ostream& out, std::ostream& err) {
  const QuoteSettings settings = LoadQuoteSettings(fs::absolute(workbook).parent_path().string());
  const std::string path = StorePathFor(options, workbook, settings.store_setting);
  const char* needs = options.offline ? "--offline" : options.resume ? "--resume" : nullptr;
  if (path.empty()) {
    if (needs != nullptr) throw CommandExit(kExitRefused, std::string(needs) + " needs a quote store; nothing was changed");
    return {};
  }
  std::vector<std::string> warnings;
  StoreOpenOptions open;
  open.path = path;
  RunStore run;
  run.rows = rows;
  run.store = QuoteStore::Open(open, &warnings);
  for (const std::string& warning : warnings) err << "pelorinxl: warning: " << warning << "\n";
  if (!run.store && needs != nullptr) {
    throw CommandExit(kExitRefused,
                      std::string(needs) + " needs a quote store, and " + path + " cannot be used; nothing was changed");
  }
  if (!run.store) return run;
  const std::string project = fs::absolute(workbook).string();
  if (options.resume) {
    const std::optional<StoreRun> last = run.store->LastRun(project);
    if (!last) throw CommandExit(kExitOk, "nothing to resume: " + path + " has no run of " + project);
    // 130: stopped by Ctrl+C or a signal; 4: rows deferred for a source's
    // budget; no exit code: killed or cut off.
    if (last->exit_code && *last->exit_code != 130 && *last->exit_code != kExitRowsDeferred) {
      throw CommandExit(kExitOk, "nothing to resume: the last run of " + project + " (" + last->command + ", " +
                                     last->started + " UTC) ended with exit code " +
                                     std::to_string(*last->exit_code));
    }
    // The resumed run's choice of rows holds, unless new rows are given.
    if (!run.rows && !last->rows.empty()) run.rows = last->rows;
    out << "resuming the " << last->command << " of " << last->started << " UTC"
        << (last->rows.empty() ? "" : " (rows " + last->rows + ")") << ": " << last->rows_done
        << " row(s) had finished; what it downloaded comes from the quote store" << std::endl;
    run.resume_run = last->id;
  }
  run.store->BeginRun(command, project, run.rows.value_or(""));
  return run;
}

void JournalingView::RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool failed) {
  if (store_ != nullptr) store_->JournalRow(row, ticker, status, failed);
  next_.RowFinished(row, ticker, status, failed);
}

void ReportStoreWarnings(QuoteStore* store, std::ostream& err) {
  if (store == nullptr) return;
  for (const std::string& warning : store->TakeWarnings()) err << "pelorinxl: warning: " << warning << "\n";
}

std::string IsoDay(double serial) {
  RegionalSettings iso;
  iso.short_date = "yyyy-mm-dd";
  return ToText(Variant::Date(serial), iso);
}

}  // namespace plrxl::app
