// The settings of the quote component: where local files live, each web
// provider's base address and key, and the HTTP limits. Read from section
// "Sources" of the user settings file; tests fill the struct directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/regional.h"

namespace plrxl {

class QuoteStore;
class RequestBudget;

struct QuoteSettings {
  std::string settings_file;  // named in "missing key" errors
  std::string base_folder;    // the project workbook's folder; "" = current folder
  std::string csv_folder;     // absolute, or relative to base_folder
  std::string dde_folder;     // DDE FILE links read only here: absolute, or relative to base_folder; "" = base_folder

  std::string yahoo_base_url = "https://query1.finance.yahoo.com";
  std::string yahoo_cookie_url = "https://fc.yahoo.com";
  std::string stooq_base_url = "https://stooq.com";
  std::string stooq_key;
  std::string tiingo_base_url = "https://api.tiingo.com";
  std::string tiingo_key;
  std::string alpha_vantage_base_url = "https://www.alphavantage.co";
  std::string alpha_vantage_key;

  int max_connections = 24;           // per provider
  long connect_timeout_ms = 10000;
  long total_timeout_ms = 60000;
  size_t max_response_bytes = 64u << 20;
  int max_retries = 3;
  long backoff_ms = 500;
  long max_retry_wait_ms = 30000;
  int worker_threads = 32;
  // Read-ahead budget: prefetched downloads wait while the results nobody
  // has taken yet would hold more than this. Ten years of daily bars take
  // about 160 KB, so some 25 rows of them fit: enough to keep the default
  // 24 connections busy. A request never waits for its own download.
  size_t prefetch_bytes = 4u << 20;

  RegionalSettings regional;          // short dates in CSV files
  std::function<double()> today;      // date serial of today; system clock when empty

  // The quote store that keeps what the web sources deliver; none when null.
  std::shared_ptr<QuoteStore> store;
  // Web sources answer from the store alone, without a request.
  bool offline = false;
  // A web source that fails is answered from the store, marked stale.
  bool stale_ok = false;
  // A run being resumed: what its fetches brought counts as fresh, so the
  // rows it finished ask nothing again; 0 for none.
  int64_t resume_run = 0;
  // Key QuoteStore of section "Sources": "" for PROJECT.quotes.db beside the
  // workbook, "none" for no store, or the store's file (relative to the
  // workbook's folder).
  std::string store_setting;
  // Key Budget of section "Sources": the sources' request limits
  // (quotes/budget_limits.h), over the published ones.
  std::string budget_setting;
  // The run's request budget; none when null (every request goes at once).
  std::shared_ptr<RequestBudget> budget;

  // Lines of the settings file that could not be read ("FILE line N: ..."),
  // skipped; for the caller to report.
  std::vector<std::string> problems;
};

// $XDG_CONFIG_HOME/PelorinXL/settings.ini, or ~/.config/PelorinXL/settings.ini.
std::string DefaultSettingsFile();

// Reads section "Sources" of `settings_file` (a missing file or key keeps the
// default): CsvFolder (default "quotes" beside the workbook), DdeFolder
// (default the workbook's folder), YahooBaseUrl,
// YahooCookieUrl, StooqBaseUrl, StooqKey, TiingoBaseUrl, TiingoKey,
// AlphaVantageBaseUrl, AlphaVantageKey, MaxConnections, QuoteStore, Budget.
QuoteSettings LoadQuoteSettings(const std::string& base_folder,
                                const std::string& settings_file = DefaultSettingsFile());
// The same, with the host's regional settings, whose short-date pattern the
// CSV and DDE sources read dates in.
QuoteSettings LoadQuoteSettings(const std::string& base_folder, const RegionalSettings& regional);

}  // namespace plrxl
