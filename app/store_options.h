// The quote store of a run from the command line: which file (--store PATH,
// --no-store, the settings key QuoteStore, or PROJECT.quotes.db beside the
// workbook), --offline and --stale-ok, and the opening with its warnings.
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "quotes/quote_settings.h"

namespace plrxl::app {

struct StoreOptions {
  std::optional<std::string> path;  // --store
  bool none = false;                // --no-store
  bool offline = false;             // --offline
  bool stale_ok = false;            // --stale-ok
};

void AddStoreOptions(CLI::App* cmd, StoreOptions& options);

// The store's file for `workbook`, or "" for none: the options first, then
// the QuoteStore key of the settings ("none", a path relative to the
// workbook's folder, or empty for PROJECT.quotes.db beside it).
std::string StorePathFor(const StoreOptions& options, const std::string& workbook, const std::string& setting);

// Opens the store and books the run ("refresh", "update") in it; warnings go
// to `err`, one line each. Null when there is none. Raises CommandExit
// (kExitRefused) for --offline without a store.
std::shared_ptr<QuoteStore> OpenRunStore(const StoreOptions& options, const std::string& workbook,
                                         const std::string& command, std::ostream& err);

// Says the store's warnings not said yet.
void ReportStoreWarnings(QuoteStore* store, std::ostream& err);

}  // namespace plrxl::app
