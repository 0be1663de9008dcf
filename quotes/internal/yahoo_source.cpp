// YAHOOHIST: the v8 chart API. Its answers need a session: a cookie from the
// cookie address, then a "crumb" fetched with that cookie, both sent with
// every chart request. The session is shared by all requests of a fetcher
// and fetched again once when the chart API refuses it.
#include <mutex>

#include "quotes/internal/provider_json.h"
#include "quotes/internal/sources.h"

namespace plrxl::quotes {
namespace {

std::string TrimSlash(std::string url) {
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

struct Session {
  std::string cookie;  // "name=value; name2=value2"
  std::string crumb;
};

class YahooSource : public SourceBase {
 public:
  explicit YahooSource(FetcherCore* core)
      : SourceBase(core, "YAHOOHIST", "Historical quotes of world markets from the chart API", kCapHistorical) {}

  std::vector<RequestParameter> ExtraParameters() const override {
    return {{"ADJUST VALUES", kParamBoolean, Variant(false)}};
  }

  bool Stored() const override { return true; }

  Outcome Fetch(const RequestInputs& in, FetchContext& context) override {
    const QuoteSettings& s = context.settings;
    for (int attempt = 0;; ++attempt) {
      Session session;
      Outcome failure;
      if (!GetSession(context, attempt > 0, &session, &failure)) return failure;
      // One day of margin on both sides: the exchange's calendar day can
      // begin before or after the UTC one.
      const std::string url = TrimSlash(s.yahoo_base_url) + "/v8/finance/chart/" + UrlEncode(in.ticker) +
                              "?period1=" + std::to_string(UnixSeconds(in.start) - 86400) +
                              "&period2=" + std::to_string(UnixSeconds(in.end) + 2 * 86400) +
                              "&interval=1d&events=div%7Csplit&includeAdjustedClose=true&crumb=" +
                              UrlEncode(session.crumb);
      FetchResult f = FetchWithRetry(context.http(), "yahoo", url, {"Cookie: " + session.cookie},
                                     context.policy, context.cancel);
      if (f.error != 0) return Outcome::Failure(f.error, f.text);
      const HttpResponse& r = f.response;
      if ((r.status == 401 || r.status == 403) && attempt == 0) continue;
      ParsedQuotes parsed;
      ParseFailure pf;
      const bool ok_status = r.status >= 200 && r.status < 300;
      if (!ParseYahooChart(r.body, &parsed, &pf)) {
        // Its own error text, read with the status it came with.
        if (pf.provider_words) return ProviderAnswer(r.status, pf.text);
        if (ok_status) return Outcome::Failure(pf.number, pf.text);
        return Outcome::Failure(kQuoteHttpStatus, "HTTP " + std::to_string(r.status));
      }
      if (!ok_status) return Outcome::Failure(kQuoteHttpStatus, "HTTP " + std::to_string(r.status));
      return Finish(std::move(parsed.bars), in, std::move(parsed.events), parsed.bars_left_out);
    }
  }

 private:
  bool GetSession(FetchContext& context, bool renew, Session* out, Outcome* failure) {
    std::lock_guard<std::mutex> lock(session_mutex_);
    if (!renew && !session_.crumb.empty()) {
      *out = session_;
      return true;
    }
    session_ = Session();
    const QuoteSettings& s = context.settings;
    FetchResult c = FetchWithRetry(context.http(), "yahoo", s.yahoo_cookie_url, {}, context.policy,
                                   context.cancel, /*accept_html=*/true);
    if (c.error != 0) {
      *failure = Outcome::Failure(c.error, c.text);
      return false;
    }
    std::string cookie;
    for (const auto& [name, value] : c.response.headers) {
      if (name != "set-cookie") continue;
      if (!cookie.empty()) cookie += "; ";
      cookie += value.substr(0, value.find(';'));
    }
    FetchResult k = FetchWithRetry(context.http(), "yahoo", TrimSlash(s.yahoo_base_url) + "/v1/test/getcrumb",
                                   {"Cookie: " + cookie}, context.policy, context.cancel);
    if (k.error != 0) {
      *failure = Outcome::Failure(k.error, k.text);
      return false;
    }
    const std::string& crumb = k.response.body;
    const bool plausible = !crumb.empty() && crumb.size() < 64 &&
                           crumb.find_first_of(" \r\n\t{<\"") == std::string::npos;
    if (k.response.status != 200 || !plausible) {
      *failure = Outcome::Failure(kQuoteHttpStatus, "no access crumb (HTTP " +
                                                        std::to_string(k.response.status) + ")");
      return false;
    }
    session_.cookie = cookie;
    session_.crumb = crumb;
    *out = session_;
    return true;
  }

  std::mutex session_mutex_;
  Session session_;
};

}  // namespace

std::unique_ptr<SourceBase> MakeYahooSource(FetcherCore* core) { return std::make_unique<YahooSource>(core); }

}  // namespace plrxl::quotes
