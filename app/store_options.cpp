#include "app/store_options.h"

#include <filesystem>
#include <ostream>
#include <vector>

#include "app/exit_codes.h"
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

std::shared_ptr<QuoteStore> OpenRunStore(const StoreOptions& options, const std::string& workbook,
                                         const std::string& command, std::ostream& err) {
  const QuoteSettings settings = LoadQuoteSettings(fs::absolute(workbook).parent_path().string());
  const std::string path = StorePathFor(options, workbook, settings.store_setting);
  if (path.empty()) {
    if (options.offline) throw CommandExit(kExitRefused, "--offline needs a quote store; nothing was changed");
    return nullptr;
  }
  std::vector<std::string> warnings;
  StoreOpenOptions open;
  open.path = path;
  std::shared_ptr<QuoteStore> store = QuoteStore::Open(open, &warnings);
  for (const std::string& warning : warnings) err << "pelorinxl: warning: " << warning << "\n";
  if (!store && options.offline) {
    throw CommandExit(kExitRefused, "--offline needs a quote store, and " + path + " cannot be used; nothing was changed");
  }
  if (store) store->BeginRun(command, fs::absolute(workbook).string());
  return store;
}

void ReportStoreWarnings(QuoteStore* store, std::ostream& err) {
  if (store == nullptr) return;
  for (const std::string& warning : store->TakeWarnings()) err << "pelorinxl: warning: " << warning << "\n";
}

}  // namespace plrxl::app
