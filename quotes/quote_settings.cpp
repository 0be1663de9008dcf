#include "quotes/quote_settings.h"

#include <cstdlib>
#include <optional>

#include "host/error.h"
#include "support/ini_file.h"
#include "support/settings_store.h"

namespace plrxl {

std::string DefaultSettingsFile() {
  return SettingsStore::ForUser().PathFor(kSettingsApp);
}

QuoteSettings LoadQuoteSettings(const std::string& base_folder, const std::string& settings_file) {
  IniFile ini;
  QuoteSettings s;
  try {
    // A bad line is reported and skipped; the other lines still count.
    ini = IniFile::Load(settings_file, &s.problems);
  } catch (const Error& e) {
    // An unreadable file leaves the defaults; a keyed source then names the
    // file and the key to fill in.
    s.problems.push_back(e.Description());
  }
  s.settings_file = settings_file;
  s.base_folder = base_folder;
  auto get = [&](const char* key, std::string* field) {
    if (auto v = ini.Get(kSourcesSection, key)) *field = *v;
  };
  s.csv_folder = "quotes";
  get("CsvFolder", &s.csv_folder);
  get("DdeFolder", &s.dde_folder);
  get("YahooBaseUrl", &s.yahoo_base_url);
  get("YahooCookieUrl", &s.yahoo_cookie_url);
  get("StooqBaseUrl", &s.stooq_base_url);
  get("StooqKey", &s.stooq_key);
  get("TiingoBaseUrl", &s.tiingo_base_url);
  get("TiingoKey", &s.tiingo_key);
  get("AlphaVantageBaseUrl", &s.alpha_vantage_base_url);
  get("AlphaVantageKey", &s.alpha_vantage_key);
  get("QuoteStore", &s.store_setting);
  get("Budget", &s.budget_setting);
  const std::string max = ini.Get(kSourcesSection, "MaxConnections").value_or("");
  if (!max.empty()) {
    const long n = std::strtol(max.c_str(), nullptr, 10);
    if (n >= 1 && n <= 256) s.max_connections = static_cast<int>(n);
  }
  return s;
}

QuoteSettings LoadQuoteSettings(const std::string& base_folder, const RegionalSettings& regional) {
  QuoteSettings s = LoadQuoteSettings(base_folder);
  s.regional = regional;
  return s;
}

}  // namespace plrxl
