// The web providers against servers on 127.0.0.1 that answer in each
// provider's format: the normal answers first, then every kind of fault.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "tests/quotes/loopback_server.h"
#include "tests/quotes/provider_payloads.h"
#include "tests/quotes/quote_test_util.h"

namespace plrxl::testing {
namespace {

using Clock = std::chrono::steady_clock;

class HttpSources : public ::testing::Test {
 protected:
  // Registers the Yahoo session routes: a cookie, and a crumb for it.
  void ServeYahooSession() {
    server_.Http().Get("/cookie", [this](const httplib::Request&, httplib::Response& res) {
      ++cookie_hits_;
      res.set_header("Set-Cookie", "A3=d=AQ; Expires=Sun, 01 Dec 2030 00:00:00 GMT; Path=/; Domain=.example");
      res.status = 404;
      res.set_content("<html><body>Not found</body></html>", "text/html");
    });
    server_.Http().Get("/v1/test/getcrumb", [this](const httplib::Request& req, httplib::Response& res) {
      if (req.get_header_value("Cookie").find("A3=d=AQ") == std::string::npos) {
        res.status = 401;
        return;
      }
      res.set_content("crumb-" + std::to_string(++crumbs_issued_), "text/plain");
    });
  }

  void StartAll() {
    server_.Start();
    settings_ = TestSettings(dir_, server_.Url());
    settings_.max_response_bytes = max_bytes_;
    settings_.total_timeout_ms = total_timeout_ms_;
    fetcher_ = MakeQuoteFetcher(settings_);
  }

  std::unique_ptr<QuoteRequest> Run(const RequestSpec& rq,
                                    std::vector<std::pair<std::string, Variant>> extra = {}) {
    auto r = NewRequest(*fetcher_, rq);
    for (auto& [name, value] : extra) r->SetParameter(name, value);
    RunToEnd(*r);
    return r;
  }

  LoopbackServer server_;
  TempDir dir_;
  size_t max_bytes_ = 1 << 20;
  long total_timeout_ms_ = 2000;
  QuoteSettings settings_;
  std::unique_ptr<QuoteFetcher> fetcher_;
  std::atomic<int> hits_{0}, cookie_hits_{0}, crumbs_issued_{0};
};

TEST_F(HttpSources, YahooDatesAreTheExchangesOwnDays) {
  ServeYahooSession();
  std::string seen_query;
  server_.Http().Get(R"(/v8/finance/chart/([^/]+))", [&](const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("crumb") != "crumb-1" ||
        req.get_header_value("Cookie").find("A3=d=AQ") == std::string::npos) {
      res.status = 401;
      res.set_content(R"({"finance":{"error":{"code":"Unauthorized","description":"Invalid Crumb"}}})",
                      "application/json");
      return;
    }
    seen_query = req.matches[1].str() + " " + req.get_param_value("interval") + " " + req.get_param_value("events");
    res.set_content(req.matches[1].str() == "BHP.AX" ? kYahooSydney : kYahooNewYork, "application/json");
  });
  StartAll();
  auto r = Run({"YAHOOHIST", "BHP.AX", Day(2024, 1, 1), Day(2024, 1, 31)});
  ASSERT_EQ(r->ErrorNumber(), 0) << r->ErrorDescription();
  EXPECT_EQ(seen_query, "BHP.AX 1d div|split");
  // 23:00 UTC on 2 January is 3 January in Sydney; the bar without a close
  // keeps its other prices, and its nulls stay empty.
  EXPECT_EQ(Column(r->Result(), kFieldDate),
            (std::vector<double>{Day(2024, 1, 3), Day(2024, 1, 4), Day(2024, 1, 5)}));
  EXPECT_EQ(Column(r->Result(), kFieldOpen), (std::vector<double>{44.0, 44.5, 45.0}));
  using V = std::vector<std::optional<double>>;
  EXPECT_EQ(Values(r->Result(), kFieldClose), (V{44.8, 45.2, std::nullopt}));
  EXPECT_EQ(Values(r->Result(), kFieldVolume), (V{1000000, 1200000, std::nullopt}));
  EXPECT_EQ(Values(r->Result(), kFieldAdjustedClose), (V{40.32, 40.68, std::nullopt}));
  EXPECT_EQ(r->Result().bars_left_out, 0);
  const auto& events = r->Result().events;
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, QuoteEvent::kSplit);
  EXPECT_EQ(events[0].date, Day(2024, 1, 3));
  EXPECT_EQ(events[0].value, 2);
  EXPECT_EQ(events[1].kind, QuoteEvent::kDividend);
  EXPECT_EQ(events[1].value, 0.5);

  auto ny = Run({"yahoohist", "AAPL", Day(2024, 1, 2), Day(2024, 1, 3)}, {{"ADJUST VALUES", Variant(true)}});
  ASSERT_EQ(ny->ErrorNumber(), 0) << ny->ErrorDescription();
  EXPECT_EQ(Column(ny->Result(), kFieldDate), (std::vector<double>{Day(2024, 1, 2), Day(2024, 1, 3)}));
  EXPECT_EQ(Column(ny->Result(), kFieldClose), (std::vector<double>{184.73, 183.35}));
  EXPECT_NEAR(Column(ny->Result(), kFieldOpen)[0], 187.15 * 184.73 / 185.64, 1e-9);
  EXPECT_EQ(cookie_hits_, 1) << "the session is shared by later requests";
}

TEST_F(HttpSources, YahooRenewsARefusedSessionOnce) {
  ServeYahooSession();
  server_.Http().Get(R"(/v8/finance/chart/([^/]+))", [&](const httplib::Request& req, httplib::Response& res) {
    ++hits_;
    if (req.get_param_value("crumb") != "crumb-2") {
      res.status = 401;
      return;
    }
    res.set_content(kYahooNewYork, "application/json");
  });
  StartAll();
  auto r = Run({"YAHOOHIST", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
  EXPECT_EQ(r->ErrorNumber(), 0) << r->ErrorDescription();
  EXPECT_EQ(crumbs_issued_, 2);
  EXPECT_EQ(hits_, 2);
}

TEST_F(HttpSources, YahooUnknownTickerReportsTheProvidersWords) {
  ServeYahooSession();
  server_.Http().Get(R"(/v8/finance/chart/([^/]+))", [&](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content(kYahooNotFound, "application/json");
  });
  StartAll();
  auto r = Run({"YAHOOHIST", "NOSUCH", Day(2024, 1, 1), Day(2024, 1, 31)});
  EXPECT_EQ(r->ErrorNumber(), kQuoteNoData);
  EXPECT_NE(r->ErrorDescription().find("symbol may be delisted"), std::string::npos) << r->ErrorDescription();
}

TEST_F(HttpSources, StooqAddsTheChosenMarketAndTheKey) {
  std::string seen;
  server_.Http().Get("/q/d/l/", [&](const httplib::Request& req, httplib::Response& res) {
    seen = req.get_param_value("s") + " " + req.get_param_value("d1") + " " + req.get_param_value("d2") + " " +
           req.get_param_value("i") + " " + req.get_param_value("apikey");
    if (req.get_param_value("s") == "nosuch.us") {
      res.set_content("No data", "text/plain");
      return;
    }
    res.set_content(kStooqCsv, "text/csv");
  });
  StartAll();
  auto r = Run({"STOOQ", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)}, {{"EXCHANGE", Variant("US")}});
  ASSERT_EQ(r->ErrorNumber(), 0) << r->ErrorDescription();
  EXPECT_EQ(seen, "aapl.us 20240101 20240131 d stooq-key");
  EXPECT_EQ(Column(r->Result(), kFieldClose), (std::vector<double>{185.64, 184.25}));
  // An option text meant for another source is ignored.
  auto plain = Run({"STOOQ", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)}, {{"EXCHANGE", Variant("adjust values")}});
  EXPECT_EQ(plain->ErrorNumber(), 0);
  EXPECT_EQ(seen.substr(0, 5), "aapl ");
  auto missing = Run({"STOOQ", "NOSUCH", Day(2024, 1, 1), Day(2024, 1, 31)}, {{"EXCHANGE", Variant("us")}});
  EXPECT_EQ(missing->ErrorNumber(), kQuoteNoData);
}

TEST_F(HttpSources, TiingoReadsPricesAndItsErrorDetail) {
  std::string seen;
  server_.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [&](const httplib::Request& req, httplib::Response& res) {
    seen = req.matches[1].str() + " " + req.get_param_value("startDate") + " " + req.get_param_value("endDate") +
           " " + req.get_param_value("token");
    if (req.matches[1].str() == "nosuch") {
      res.status = 404;
      res.set_content(kTiingoNotFound, "application/json");
      return;
    }
    res.set_content(kTiingoJson, "application/json");
  });
  StartAll();
  auto r = Run({"TIINGO", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
  ASSERT_EQ(r->ErrorNumber(), 0) << r->ErrorDescription();
  EXPECT_EQ(seen, "aapl 2024-01-01 2024-01-31 tiingo-key");
  EXPECT_EQ(Column(r->Result(), kFieldDate), (std::vector<double>{Day(2024, 1, 2), Day(2024, 1, 3)}));
  EXPECT_EQ(Column(r->Result(), kFieldAdjustedClose), (std::vector<double>{184.73, 183.35}));
  ASSERT_EQ(r->Result().events.size(), 1u);
  EXPECT_EQ(r->Result().events[0].value, 0.24);
  auto missing = Run({"TIINGO", "NOSUCH", Day(2024, 1, 1), Day(2024, 1, 31)});
  EXPECT_EQ(missing->ErrorNumber(), kQuoteNoData);
  EXPECT_NE(missing->ErrorDescription().find("Ticker 'NOSUCH' not found"), std::string::npos);
}

// Null values are empty cells, never 0; bars null in every field are left
// out and counted.
TEST_F(HttpSources, NullValuesStayEmptyAndEmptyBarsAreCounted) {
  ServeYahooSession();
  server_.Http().Get(R"(/v8/finance/chart/([^/]+))", [&](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.matches[1].str() == "NONE" ? kYahooAllNull : kYahooNulls, "application/json");
  });
  server_.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(kTiingoNulls, "application/json");
  });
  StartAll();
  using V = std::vector<std::optional<double>>;
  auto yahoo = Run({"YAHOOHIST", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
  ASSERT_EQ(yahoo->ErrorNumber(), 0) << yahoo->ErrorDescription();
  EXPECT_EQ(Column(yahoo->Result(), kFieldDate), (std::vector<double>{Day(2024, 1, 2), Day(2024, 1, 3), Day(2024, 1, 5)}));
  EXPECT_EQ(Values(yahoo->Result(), kFieldVolume), (V{82488700, std::nullopt, std::nullopt}));
  EXPECT_EQ(Values(yahoo->Result(), kFieldClose), (V{185.64, 184.25, 181.18}));
  EXPECT_EQ(yahoo->Result().bars_left_out, 1);
  // A week of them: the known volume is the week's, not a sum with zeros.
  auto weekly = Run({"YAHOOHIST", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31), "WEEKLY"});
  ASSERT_EQ(weekly->ErrorNumber(), 0) << weekly->ErrorDescription();
  EXPECT_EQ(Values(weekly->Result(), kFieldVolume), (V{82488700}));
  EXPECT_EQ(Values(weekly->Result(), kFieldLow), (V{180.17}));

  auto tiingo = Run({"TIINGO", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
  ASSERT_EQ(tiingo->ErrorNumber(), 0) << tiingo->ErrorDescription();
  EXPECT_EQ(Values(tiingo->Result(), kFieldVolume), (V{std::nullopt}));
  EXPECT_EQ(Values(tiingo->Result(), kFieldClose), (V{185.64}));
  EXPECT_EQ(tiingo->Result().bars_left_out, 1);

  auto none = Run({"YAHOOHIST", "NONE", Day(2024, 1, 1), Day(2024, 1, 31)});
  EXPECT_EQ(none->ErrorNumber(), kQuoteNoData);
  EXPECT_NE(none->ErrorDescription().find("2 bars without values left out"), std::string::npos)
      << none->ErrorDescription();
}

// A provider's refusal, an invalid request and a bad key are said as such,
// in the provider's own words, never as "No data".
TEST_F(HttpSources, RefusalsAreNotNoData) {
  ServeYahooSession();
  server_.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [&](const httplib::Request& req, httplib::Response& res) {
    const std::string ticker = req.matches[1].str();
    res.status = ticker == "plan" ? 403 : 401;
    res.set_content(ticker == "plan" ? kTiingoForbidden : kTiingoInvalidToken, "application/json");
  });
  server_.Http().Get(R"(/v8/finance/chart/([^/]+))", [&](const httplib::Request&, httplib::Response& res) {
    res.status = 400;
    res.set_content(R"json({"chart":{"result":null,"error":{"code":"Bad Request","description":"Invalid input - interval=1d is not supported"}}})json",
                    "application/json");
  });
  StartAll();
  struct Case {
    RequestSpec request;
    int32_t error;
    const char* says;
  };
  const Case cases[] = {
      {{"TIINGO", "PLAN", Day(2024, 1, 1), Day(2024, 1, 31)}, kQuoteHttpStatus,
       "The server refused the request: HTTP 403: You do not have permission to access the Tiingo API"},
      {{"TIINGO", "KEY", Day(2024, 1, 1), Day(2024, 1, 31)}, kQuoteHttpStatus,
       "The server refused the request: HTTP 401: Invalid token."},
      {{"YAHOOHIST", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)}, kQuoteBadParameter,
       "Invalid request parameter: HTTP 400: Bad Request: Invalid input - interval=1d is not supported"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    auto r = Run(c.request);
    EXPECT_EQ(r->ErrorNumber(), c.error);
    EXPECT_EQ(r->ErrorDescription(), c.says);
  }
}

struct AlphaCase {
  const char* name;
  const char* body;
  int32_t error;
};

class AlphaVantage : public HttpSources, public ::testing::WithParamInterface<AlphaCase> {};

TEST_P(AlphaVantage, AnswersWithStatus200) {
  std::string seen;
  server_.Http().Get("/query", [&](const httplib::Request& req, httplib::Response& res) {
    seen = req.get_param_value("function") + " " + req.get_param_value("symbol") + " " +
           req.get_param_value("apikey");
    res.set_content(GetParam().body, "application/json");
  });
  StartAll();
  auto r = Run({"ALPHAVANTAGE", "ibm", Day(2024, 1, 1), Day(2024, 1, 31)});
  EXPECT_EQ(seen, "TIME_SERIES_DAILY IBM av-key");
  EXPECT_EQ(r->ErrorNumber(), GetParam().error) << r->ErrorDescription();
  if (GetParam().error == 0) {
    EXPECT_EQ(Column(r->Result(), kFieldClose), (std::vector<double>{161.5, 160.1}));
  } else {
    EXPECT_TRUE(r->Result().Empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, AlphaVantage,
                         ::testing::Values(AlphaCase{"data", kAlphaVantageJson, 0},
                                           AlphaCase{"note", kAlphaVantageNote, kQuoteThrottled},
                                           AlphaCase{"information", kAlphaVantageInformation, kQuoteThrottled},
                                           AlphaCase{"invalid_call", kAlphaVantageError, kQuoteBadParameter},
                                           AlphaCase{"bad_key", kAlphaVantageBadKey, kQuoteMissingKey},
                                           AlphaCase{"premium", kAlphaVantagePremium, kQuoteHttpStatus}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpSources, MissingKeysNameTheSetting) {
  StartAll();
  settings_.stooq_key = settings_.tiingo_key = settings_.alpha_vantage_key = "";
  fetcher_ = MakeQuoteFetcher(settings_);
  for (auto [source, key] : {std::pair{"STOOQ", "StooqKey"}, std::pair{"TIINGO", "TiingoKey"},
                             std::pair{"ALPHAVANTAGE", "AlphaVantageKey"}}) {
    auto r = Run({source, "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
    EXPECT_EQ(r->ErrorNumber(), kQuoteMissingKey) << source;
    EXPECT_NE(r->ErrorDescription().find(key), std::string::npos) << r->ErrorDescription();
    EXPECT_NE(r->ErrorDescription().find("[Sources]"), std::string::npos) << r->ErrorDescription();
    EXPECT_NE(r->ErrorDescription().find("settings.ini"), std::string::npos) << r->ErrorDescription();
  }
}

}  // namespace
}  // namespace plrxl::testing
