// The request budget through the real fetcher against servers on 127.0.0.1
// that enforce N requests per window the way the providers do (HTTP 429,
// 429 with Retry-After, a 200 whose text says the limit is reached), with a
// manual clock that the budget and the server share: at most the budget's
// requests reach the server, the rest are deferred with their window and
// its reset, and the ledger keeps what it learned.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "quotes/budget_limits.h"
#include "quotes/request_budget.h"
#include "tests/quotes/loopback_server.h"
#include "tests/quotes/provider_payloads.h"
#include "tests/quotes/quote_test_util.h"

namespace plrxl::testing {
namespace {

// 2026-12-06 20:00:00 UTC.
const int64_t kEvening = ParseUtcMs("2026-12-06T20:00:00Z");
constexpr int64_t kHour = 3600 * 1000LL;

enum class Refusal { k429, k429RetryAfter, k429RetryDate, kStooqWords, kAlphaVantageWords };

// Answers TIINGO, STOOQ and ALPHAVANTAGE requests in their formats, `allowed`
// of them per UTC hour of the shared clock; past that it refuses as told.
class QuotaServer {
 public:
  QuotaServer(ManualBudgetClock& clock, Refusal refusal, int allowed)
      : clock_(clock), refusal_(refusal), allowed_(allowed) {
    server_.Http().Get(R"(/tiingo/daily/(\w+)/prices)", [this](const httplib::Request& req, httplib::Response& res) {
      Answer(res, req.matches[1].str() == "nosuch" ? "" : kTiingoJson, "application/json");
    });
    server_.Http().Get("/q/d/l/", [this](const httplib::Request&, httplib::Response& res) {
      Answer(res, kStooqCsv, "text/csv");
    });
    server_.Http().Get("/query", [this](const httplib::Request&, httplib::Response& res) {
      Answer(res, kAlphaVantageJson, "application/json");
    });
    server_.Start();
  }
  std::string Url() const { return server_.Url(); }
  int Hits() const { return hits_.load(); }
  // Refuses the request with this number (1 for the first) and no other.
  void RefuseOnly(int hit) { refuse_only_ = hit; }

 private:
  void Answer(httplib::Response& res, const std::string& body, const char* type) {
    const int hit = ++hits_;
    std::lock_guard<std::mutex> lock(mutex_);
    const int64_t hour = clock_.UtcMs() / kHour;
    if (hour != hour_) {
      hour_ = hour;
      used_ = 0;
    }
    if (body.empty()) {
      res.status = 404;
      res.set_content(kTiingoNotFound, "application/json");
      return;
    }
    const bool refused = refuse_only_ > 0 ? hit == refuse_only_ : used_ >= allowed_;
    if (!refused) {
      ++used_;
      res.set_content(body, type);
      return;
    }
    switch (refusal_) {
      case Refusal::k429: res.status = 429; break;
      case Refusal::k429RetryAfter:
        res.status = 429;
        res.set_header("Retry-After", "3600");
        break;
      case Refusal::k429RetryDate:
        res.status = 429;
        res.set_header("Retry-After", "Sun, 06 Dec 2026 22:30:00 GMT");
        break;
      case Refusal::kStooqWords: res.set_content("Exceeded the daily hits limit", "text/html"); break;
      case Refusal::kAlphaVantageWords: res.set_content(kAlphaVantageInformation, "application/json"); break;
    }
  }

  ManualBudgetClock& clock_;
  Refusal refusal_;
  int allowed_;
  std::mutex mutex_;
  int64_t hour_ = -1;
  int used_ = 0;
  std::atomic<int> hits_{0};
  std::atomic<int> refuse_only_{0};
  LoopbackServer server_;
};

class RequestBudgetTest : public ::testing::Test {
 protected:
  // A fetcher whose budget has `limits` ("" for none) over a ledger in
  // `ledger` ("" for memory).
  void Start(const std::string& url, const std::string& limits, int64_t max_wait_ms = 0,
             const std::string& ledger = "", bool recheck = false) {
    settings_ = TestSettings(dir_, url);
    BudgetSetup setup;
    std::string error;
    ASSERT_TRUE(ParseBudgetText(limits, &setup.limits, &error)) << error;
    setup.keys = BudgetKeysOf(settings_);
    setup.max_wait_ms = max_wait_ms;
    setup.recheck = recheck;
    setup.clock = clock_;
    budget_ = RequestBudget::Open(ledger, false, setup, nullptr);
    settings_.budget = budget_;
    fetcher_ = MakeQuoteFetcher(settings_);
  }
  // Runs one request of `source` for `ticker`: "" when it brought data,
  // else its error description.
  std::string Fetch(const std::string& source, const std::string& ticker) {
    auto r = NewRequest(*fetcher_, {source, ticker, Day(2024, 1, 1), Day(2024, 1, 31)});
    RunToEnd(*r);
    return r->ErrorNumber() == 0 ? "" : r->ErrorDescription();
  }

  TempDir dir_;
  std::shared_ptr<ManualBudgetClock> clock_ = std::make_shared<ManualBudgetClock>(kEvening, 1000000);
  QuoteSettings settings_;
  std::shared_ptr<RequestBudget> budget_;
  std::unique_ptr<QuoteFetcher> fetcher_;
};

TEST_F(RequestBudgetTest, TheBudgetsWindowsLetNoSurplusRequestThrough) {
  struct Case {
    const char* limits;
    int rows;
    int expected_hits;
    const char* deferred;  // the last row's description
  };
  const Case cases[] = {
      {"TIINGO=3/d", 5, 3, "deferred: TIINGO 3/day used, resets 00:00 UTC"},
      {"TIINGO=2/h,10/d", 4, 2, "deferred: TIINGO 2/hour used, resets 21:00 UTC"},
      {"TIINGO=4/mo", 6, 4, "deferred: TIINGO 4/month used, resets 2027-01-01 00:00 UTC"},
      {"TIINGO=2sym/mo", 4, 2, "deferred: TIINGO 2 symbols/month used, resets 2027-01-01 00:00 UTC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limits);
    QuotaServer server(*clock_, Refusal::k429, 1000);
    Start(server.Url(), c.limits);
    std::string last;
    for (int row = 0; row < c.rows; ++row) last = Fetch("TIINGO", "T" + std::to_string(row));
    EXPECT_EQ(server.Hits(), c.expected_hits);
    EXPECT_EQ(last, c.deferred);
  }
}

TEST_F(RequestBudgetTest, ASymbolAskedThisMonthTakesNoNewSymbol) {
  QuotaServer server(*clock_, Refusal::k429, 1000);
  Start(server.Url(), "TIINGO=2sym/mo");
  EXPECT_EQ(Fetch("TIINGO", "AAA"), "");
  EXPECT_EQ(Fetch("TIINGO", "BBB"), "");
  EXPECT_EQ(Fetch("TIINGO", "AAA"), "");
  EXPECT_NE(Fetch("TIINGO", "CCC"), "");
  EXPECT_EQ(server.Hits(), 3);
}

TEST_F(RequestBudgetTest, AnAnswerThatThrottlesClosesItsWindowOrPausesTheSource) {
  struct Case {
    const char* name;
    Refusal refusal;
    const char* source;
    int expected_hits;      // 2 answered, then the throttled ones
    const char* deferred;   // the rows after
  };
  const Case cases[] = {
      // First: the date is the first day's.
      {"429 with a Retry-After date", Refusal::k429RetryDate, "TIINGO", 3,
       "deferred: TIINGO asked to wait (HTTP 429, Retry-After Sun, 06 Dec 2026 22:30:00 GMT), resets 22:30 UTC"},
      {"429 with Retry-After", Refusal::k429RetryAfter, "TIINGO", 3,
       "deferred: TIINGO asked to wait (HTTP 429, Retry-After 3600), resets 21:00 UTC"},
      {"bare 429", Refusal::k429, "TIINGO", 2 + RequestBudget::kPauseAfter,
       "deferred: TIINGO paused for the rest of this run after 5 throttled answers in a row"},
      {"daily hits limit in a 200", Refusal::kStooqWords, "STOOQ", 3,
       "deferred: STOOQ answered \"Exceeded the daily hits limit\", resets 00:00 UTC"},
      {"Information in a 200", Refusal::kAlphaVantageWords, "ALPHAVANTAGE", 3,
       "deferred: ALPHAVANTAGE answered \"We have detected your API key as demo and our standard API rate limit is "
       "25 requests per day.\", resets 00:00 UTC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QuotaServer server(*clock_, c.refusal, 2);
    Start(server.Url(), "");
    EXPECT_EQ(Fetch(c.source, "AAA"), "");
    EXPECT_EQ(Fetch(c.source, "BBB"), "");
    EXPECT_EQ(Fetch(c.source, "CCC"), c.deferred);
    EXPECT_EQ(Fetch(c.source, "DDD"), c.deferred);
    EXPECT_EQ(server.Hits(), c.expected_hits) << "no request after the window closed";
    clock_->Advance(24 * kHour);
  }
}

TEST_F(RequestBudgetTest, MaxWaitWaitsForTheWindowInstead) {
  QuotaServer server(*clock_, Refusal::k429RetryAfter, 2);
  Start(server.Url(), "", 2 * kHour);
  for (const char* ticker : {"AAA", "BBB", "CCC", "DDD"}) EXPECT_EQ(Fetch("TIINGO", ticker), "") << ticker;
  EXPECT_EQ(server.Hits(), 5) << "one throttled answer, then the next hour's";
  EXPECT_GE(clock_->Slept(), 3600 * 1000LL);
}

TEST_F(RequestBudgetTest, TheRateHalvesOnA429AndCreepsBackInTheLedger) {
  QuotaServer server(*clock_, Refusal::k429, 1000);
  server.RefuseOnly(2);
  const std::string ledger = (dir_.Path() / "ledger.db").string();
  Start(server.Url(), "TIINGO=4/s", 0, ledger);
  EXPECT_EQ(Fetch("TIINGO", "AAA"), "");
  EXPECT_EQ(Fetch("TIINGO", "BBB"), "") << "asked again at the learned rate";
  EXPECT_EQ(server.Hits(), 3);
  auto learned = [](RequestBudget& budget) {
    for (const auto& r : budget.Report()) {
      if (r.source == "TIINGO") return r.learned_rate;
    }
    return -1.0;
  };
  EXPECT_NEAR(learned(*budget_), 2.0 * 1.1, 1e-9) << "halved from 4/s, then a tenth back";
  // Another process reads what this one learned.
  BudgetSetup setup;
  setup.limits["TIINGO"] = *ParseBudgetLimits("4/s", nullptr);
  setup.keys = BudgetKeysOf(settings_);
  setup.clock = clock_;
  EXPECT_NEAR(learned(*RequestBudget::Open(ledger, true, setup, nullptr)), 2.2, 1e-9);
}

TEST_F(RequestBudgetTest, AnUnknownSymbolIsNotAskedAgainForADayUnlessRechecked) {
  QuotaServer server(*clock_, Refusal::k429, 1000);
  const std::string ledger = (dir_.Path() / "ledger.db").string();
  Start(server.Url(), "", 0, ledger);
  EXPECT_NE(Fetch("TIINGO", "NOSUCH"), "");
  const std::string again = Fetch("TIINGO", "NOSUCH");
  EXPECT_EQ(server.Hits(), 1);
  EXPECT_NE(again.find("had no data for it lately; not asked again before 2026-12-07 20:00 UTC (--recheck asks now)"),
            std::string::npos)
      << again;
  Start(server.Url(), "", 0, ledger, /*recheck=*/true);
  Fetch("TIINGO", "NOSUCH");
  EXPECT_EQ(server.Hits(), 2);
  clock_->Advance(25 * kHour);
  Start(server.Url(), "", 0, ledger);
  Fetch("TIINGO", "NOSUCH");
  EXPECT_EQ(server.Hits(), 3) << "a day later it is asked again";
}

TEST_F(RequestBudgetTest, TwoBudgetsOverOneLedgerShareTheWindow) {
  QuotaServer server(*clock_, Refusal::k429, 1000);
  const std::string ledger = (dir_.Path() / "ledger.db").string();
  Start(server.Url(), "TIINGO=5/d", 0, ledger);
  auto first = std::move(fetcher_);
  Start(server.Url(), "TIINGO=5/d", 0, ledger);
  auto second = std::move(fetcher_);
  std::atomic<int> deferred{0};
  auto run = [&](QuoteFetcher& fetcher, const std::string& prefix) {
    for (int i = 0; i < 4; ++i) {
      auto r = NewRequest(fetcher, {"TIINGO", prefix + std::to_string(i), Day(2024, 1, 1), Day(2024, 1, 31)});
      RunToEnd(*r);
      if (r->ErrorNumber() == kQuoteDeferred) ++deferred;
    }
  };
  std::thread a([&] { run(*first, "A"); });
  std::thread b([&] { run(*second, "B"); });
  a.join();
  b.join();
  EXPECT_EQ(server.Hits(), 5);
  EXPECT_EQ(deferred.load(), 3);
}

TEST(BudgetLimitsText, ReadsEveryTermAndRefusesWhatItIsNot) {
  struct Case {
    const char* text;
    std::optional<std::string> written;  // none: refused
  };
  const Case cases[] = {
      {"50/h,1000/d,500sym/mo", "50/h,1000/d,500sym/mo"},
      {" 2/S , 25/D ", "2/s,25/d"},
      {"5/min", "5/min"},
      {"none", "none"},
      {"10/mo", "10/mo"},
      {"0/d", std::nullopt},
      {"50", std::nullopt},
      {"50/w", std::nullopt},
      {"500sym/d", std::nullopt},
      {"-3/h", std::nullopt},
      {"99999999999/d", std::nullopt},
      {"", std::nullopt},
      {"1/h,,2/d", std::nullopt},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<BudgetLimits> limits = ParseBudgetLimits(c.text, &error);
    ASSERT_EQ(limits.has_value(), c.written.has_value()) << c.text << ": " << error;
    if (limits) {
      EXPECT_EQ(BudgetLimitsText(*limits), *c.written) << c.text;
    } else {
      EXPECT_FALSE(error.empty()) << c.text;
    }
  }
  for (const PublishedLimits& p : kPublishedLimits) {
    std::string error;
    const std::optional<BudgetLimits> limits = ParseBudgetLimits(p.limits, &error);
    ASSERT_TRUE(limits) << p.source << ": " << error;
    EXPECT_EQ(BudgetLimitsText(*limits), p.limits) << p.source;
  }
  std::map<std::string, BudgetLimits> by_source;
  std::string error;
  ASSERT_TRUE(ParseBudgetText("tiingo=50/h; ALPHAVANTAGE=25/d;", &by_source, &error)) << error;
  EXPECT_EQ(by_source.at("TIINGO").per_hour, 50);
  EXPECT_EQ(by_source.at("ALPHAVANTAGE").per_day, 25);
  EXPECT_FALSE(ParseBudgetText("TIINGO=50/h; =3/d", &by_source, &error));
  EXPECT_EQ(by_source.size(), 2u) << "a bad text changes nothing";
  EXPECT_EQ(ParseDurationMs("15m"), 15 * 60000);
  EXPECT_EQ(ParseDurationMs("90"), 90000);
  EXPECT_EQ(ParseDurationMs("2h"), 2 * kHour);
  EXPECT_FALSE(ParseDurationMs("15 minutes"));
  EXPECT_FALSE(ParseDurationMs("m"));
}

TEST(BudgetEstimate, SpreadsRequestsOverTheWindows) {
  struct Case {
    const char* limits;
    int64_t requests, at_once;
    const char* last;
  };
  const Case cases[] = {
      {"TIINGO=50/h,1000/d", 120, 50, "2026-12-06T22:00:00Z"},
      {"TIINGO=25/d", 30, 25, "2026-12-07T00:00:00Z"},
      {"TIINGO=none", 500, 500, "2026-12-06T20:00:00Z"},
      {"TIINGO=1/s", 11, 1, "2026-12-06T20:00:10Z"},
  };
  for (const Case& c : cases) {
    BudgetSetup setup;
    std::string error;
    ASSERT_TRUE(ParseBudgetText(c.limits, &setup.limits, &error));
    setup.clock = std::make_shared<ManualBudgetClock>(kEvening, 0);
    auto budget = RequestBudget::Open("", false, setup, nullptr);
    const RequestBudget::Estimate e = budget->EstimateFor("TIINGO", c.requests);
    EXPECT_EQ(e.at_once, c.at_once) << c.limits;
    EXPECT_EQ(e.last_utc_ms, ParseUtcMs(c.last)) << c.limits;
  }
}

}  // namespace
}  // namespace plrxl::testing

namespace plrxl::testing {
namespace {

TEST(BudgetLimitsFor, PublishedLimitsHoldAtTheProvidersOwnAddressAndGiveWayToTheUsers) {
  struct Case {
    const char* name;
    std::string tiingo_url;  // "" keeps the provider's own
    std::string setting;
    std::vector<std::string> overrides;
    std::optional<std::string> tiingo;  // the limits TIINGO gets; none: no entry
  };
  const Case cases[] = {
      {"published", "", "", {}, "50/h,1000/d,500sym/mo"},
      {"another address", "http://127.0.0.1:9", "", {}, std::nullopt},
      {"the settings' key", "http://127.0.0.1:9", "TIINGO=5/d", {}, "5/d"},
      {"the command line wins", "", "TIINGO=5/d", {"tiingo=7/h", "ALPHAVANTAGE=none"}, "7/h"},
      {"none", "", "", {"TIINGO=none"}, "none"},
  };
  for (const Case& c : cases) {
    QuoteSettings settings;
    if (!c.tiingo_url.empty()) settings.tiingo_base_url = c.tiingo_url;
    settings.budget_setting = c.setting;
    std::map<std::string, BudgetLimits> limits;
    std::string error;
    ASSERT_TRUE(BudgetLimitsFor(settings, c.overrides, &limits, &error)) << c.name << ": " << error;
    ASSERT_EQ(limits.count("TIINGO") != 0, c.tiingo.has_value()) << c.name;
    if (c.tiingo) {
      EXPECT_EQ(BudgetLimitsText(limits.at("TIINGO")), *c.tiingo) << c.name;
    }
    EXPECT_EQ(limits.count("YAHOOHIST"), 1u) << c.name << ": Yahoo keeps its own address";
  }
  QuoteSettings bad;
  bad.settings_file = "/x/settings.ini";
  bad.budget_setting = "TIINGO=lots";
  std::map<std::string, BudgetLimits> limits;
  std::string error;
  EXPECT_FALSE(BudgetLimitsFor(bad, {}, &limits, &error));
  EXPECT_NE(error.find("key Budget of section [Sources] of /x/settings.ini"), std::string::npos) << error;
}

}  // namespace
}  // namespace plrxl::testing
