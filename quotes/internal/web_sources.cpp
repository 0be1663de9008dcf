// The keyed web providers whose answers need one GET each: STOOQ (CSV),
// TIINGO (JSON) and ALPHAVANTAGE (JSON). Each one's base address and key come
// from the settings.
#include <cctype>
#include <cstdio>

#include "quotes/internal/csv_quotes.h"
#include "quotes/internal/provider_json.h"
#include "quotes/internal/sources.h"

namespace plrxl::quotes {
namespace {

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string TrimSlash(std::string url) {
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

// A non-2xx answer whose body the provider's reader could not explain.
Outcome FromStatus(const HttpResponse& r) {
  FetchResult f = StatusFailure(r);
  return Outcome::Failure(f.error, f.text);
}

Outcome FromFailure(const ParseFailure& f) { return Outcome::Failure(f.number, f.text); }

// Market suffixes the provider knows, as the user picks them.
const std::vector<std::string> kStooqMarkets = {"US", "UK", "DE", "JP", "HK", "HU", "PL"};

class StooqSource : public SourceBase {
 public:
  explicit StooqSource(FetcherCore* core)
      : SourceBase(core, "STOOQ", "Daily quotes of world markets (needs StooqKey)", kCapHistorical) {}

  std::vector<RequestParameter> ExtraParameters() const override {
    return {{"EXCHANGE", kParamChoice, Variant(""), kStooqMarkets}};
  }

  bool Stored() const override { return true; }

  Outcome Fetch(const RequestInputs& in, FetchContext& context) override {
    const QuoteSettings& s = context.settings;
    if (s.stooq_key.empty()) return MissingKey(s, "StooqKey");
    std::string symbol = Lower(in.ticker);
    // EXCHANGE also carries option texts meant for other sources; only a
    // known market adds a suffix.
    for (const auto& m : kStooqMarkets) {
      if (Upper(in.exchange) == m && symbol.find('.') == std::string::npos) symbol += "." + Lower(m);
    }
    const std::string url = TrimSlash(s.stooq_base_url) + "/q/d/l/?s=" + UrlEncode(symbol) +
                            "&d1=" + CompactDate(in.start) + "&d2=" + CompactDate(in.end) +
                            "&i=d&apikey=" + UrlEncode(s.stooq_key);
    // Its refusals may come labelled as a web page: they are read first.
    FetchResult f = FetchWithRetry(context.http(), "stooq", url, {}, context.policy, context.cancel,
                                   /*accept_html=*/true);
    if (f.error != 0) return Outcome::Failure(f.error, f.text);
    const HttpResponse& r = f.response;
    if (r.status < 200 || r.status >= 300) return FromStatus(r);
    // Refusals come as one line of plain text instead of CSV.
    const std::string head = Lower(r.body.substr(0, 200));
    if (head.rfind("no data", 0) == 0) return Outcome::Failure(kQuoteNoData, in.ticker);
    if (head.find("exceeded") != std::string::npos) return Outcome::Failure(kQuoteThrottled, r.body.substr(0, 200));
    if (head.find("apikey") != std::string::npos || head.find("api key") != std::string::npos) {
      return Outcome::Failure(kQuoteMissingKey, r.body.substr(0, 200));
    }
    if (LooksLikeHtml(r)) return Outcome::Failure(kQuoteHtmlAnswer, "HTTP " + std::to_string(r.status));
    Bars bars;
    std::string error;
    RegionalSettings iso;
    iso.short_date = "yyyy-mm-dd";
    if (!ParseQuoteCsv(r.body, iso, &bars, &error)) return Outcome::Failure(kQuoteBadPayload, error);
    return Finish(std::move(bars), in);
  }
};

class TiingoSource : public SourceBase {
 public:
  explicit TiingoSource(FetcherCore* core)
      : SourceBase(core, "TIINGO", "End-of-day quotes (needs TiingoKey)", kCapHistorical) {}

  std::vector<RequestParameter> ExtraParameters() const override {
    return {{"ADJUST VALUES", kParamBoolean, Variant(false)}};
  }

  bool Stored() const override { return true; }

  Outcome Fetch(const RequestInputs& in, FetchContext& context) override {
    const QuoteSettings& s = context.settings;
    if (s.tiingo_key.empty()) return MissingKey(s, "TiingoKey");
    const std::string url = TrimSlash(s.tiingo_base_url) + "/tiingo/daily/" + UrlEncode(Lower(in.ticker)) +
                            "/prices?startDate=" + IsoDate(in.start) + "&endDate=" + IsoDate(in.end) +
                            "&format=json&token=" + UrlEncode(s.tiingo_key);
    FetchResult f = FetchWithRetry(context.http(), "tiingo", url, {"Accept: application/json"},
                                   context.policy, context.cancel);
    if (f.error != 0) return Outcome::Failure(f.error, f.text);
    ParsedQuotes parsed;
    ParseFailure failure;
    if (!ParseTiingoPrices(f.response.body, &parsed, &failure)) {
      // Its "detail" text says more than the status, and the status what
      // the text means.
      if (failure.provider_words) return ProviderAnswer(f.response.status, failure.text);
      if (f.response.status >= 200 && f.response.status < 300) return FromFailure(failure);
      return FromStatus(f.response);
    }
    if (f.response.status < 200 || f.response.status >= 300) return FromStatus(f.response);
    return Finish(std::move(parsed.bars), in, std::move(parsed.events), parsed.bars_left_out);
  }
};

class AlphaVantageSource : public SourceBase {
 public:
  explicit AlphaVantageSource(FetcherCore* core)
      : SourceBase(core, "ALPHAVANTAGE", "Daily quotes (needs AlphaVantageKey)", kCapHistorical) {}

  bool Stored() const override { return true; }

  Outcome Fetch(const RequestInputs& in, FetchContext& context) override {
    const QuoteSettings& s = context.settings;
    if (s.alpha_vantage_key.empty()) return MissingKey(s, "AlphaVantageKey");
    const std::string url = TrimSlash(s.alpha_vantage_base_url) +
                            "/query?function=TIME_SERIES_DAILY&symbol=" + UrlEncode(Upper(in.ticker)) +
                            "&outputsize=full&datatype=json&apikey=" + UrlEncode(s.alpha_vantage_key);
    FetchResult f = FetchWithRetry(context.http(), "alphavantage", url, {}, context.policy, context.cancel);
    if (f.error != 0) return Outcome::Failure(f.error, f.text);
    if (f.response.status < 200 || f.response.status >= 300) return FromStatus(f.response);
    ParsedQuotes parsed;
    ParseFailure failure;
    if (!ParseAlphaVantageSeries(f.response.body, &parsed, &failure)) return FromFailure(failure);
    return Finish(std::move(parsed.bars), in, std::move(parsed.events));
  }
};

}  // namespace

Outcome ProviderAnswer(int status, const std::string& words) {
  const std::string with_status = "HTTP " + std::to_string(status) + ": " + words;
  if (status >= 200 && status < 300) return Outcome::Failure(kQuoteNoData, words);
  if (status == 404) return Outcome::Failure(kQuoteNoData, words);
  if (status == 400 || status == 422) return Outcome::Failure(kQuoteBadParameter, with_status);
  if (status == 429) return Outcome::Failure(kQuoteThrottled, with_status);
  return Outcome::Failure(kQuoteHttpStatus, with_status);
}

Outcome MissingKey(const QuoteSettings& settings, const std::string& key_name) {
  return Outcome::Failure(kQuoteMissingKey, "fill in " + key_name + " in section [Sources] of " +
                                                (settings.settings_file.empty() ? DefaultSettingsFile()
                                                                                : settings.settings_file));
}

std::string CompactDate(double serial) {
  int y, m, d;
  SerialToCivil(serial, &y, &m, &d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  return buf;
}

std::string IsoDate(double serial) {
  int y, m, d;
  SerialToCivil(serial, &y, &m, &d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

long long UnixSeconds(double serial) { return (static_cast<long long>(serial) - 25569LL) * 86400LL; }

std::unique_ptr<SourceBase> MakeStooqSource(FetcherCore* core) { return std::make_unique<StooqSource>(core); }
std::unique_ptr<SourceBase> MakeTiingoSource(FetcherCore* core) { return std::make_unique<TiingoSource>(core); }
std::unique_ptr<SourceBase> MakeAlphaVantageSource(FetcherCore* core) {
  return std::make_unique<AlphaVantageSource>(core);
}

}  // namespace plrxl::quotes
