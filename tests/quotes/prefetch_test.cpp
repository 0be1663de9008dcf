// Prefetch: downloads handed over ahead run concurrently within the
// connection limit, and a run that takes them in order gets exactly what a
// sequential run gets, without asking the server twice.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "tests/quotes/loopback_server.h"
#include "tests/quotes/quote_test_util.h"

namespace plrxl::testing {
namespace {

// Tiingo-format prices whose values depend on the ticker, after a delay.
class DelayedTiingo {
 public:
  explicit DelayedTiingo(int delay_ms) {
    server_.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [this, delay_ms](const httplib::Request& req,
                                                                           httplib::Response& res) {
      const int now = ++in_flight_;
      int seen = max_in_flight_.load();
      while (now > seen && !max_in_flight_.compare_exchange_weak(seen, now)) {
      }
      ++hits_;
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
      const double base = static_cast<double>(req.matches[1].str().size() * 10 + req.matches[1].str()[0]);
      res.set_content(R"([{"date":"2024-01-02T00:00:00.000Z","open":)" + std::to_string(base) +
                          R"(,"high":)" + std::to_string(base + 2) + R"(,"low":)" + std::to_string(base - 1) +
                          R"(,"close":)" + std::to_string(base + 1) + R"(,"volume":100,"adjClose":)" +
                          std::to_string(base + 1) + "}]",
                      "application/json");
      --in_flight_;
    });
    server_.Start();
  }
  std::string Url() const { return server_.Url(); }
  int Hits() const { return hits_; }
  int MaxInFlight() const { return max_in_flight_; }

 private:
  LoopbackServer server_;
  std::atomic<int> in_flight_{0}, max_in_flight_{0}, hits_{0};
};

std::vector<std::string> Tickers(int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back("T" + std::string(static_cast<size_t>(i % 5 + 1), 'A' + i % 26));
  return out;
}

PrefetchItem Item(const std::string& source, const std::string& ticker) {
  return {source,
          {{"TICKER", Variant(ticker)},
           {"STARTDATE", Variant::Date(Day(2024, 1, 1))},
           {"ENDDATE", Variant::Date(Day(2024, 1, 31))},
           {"PERIODICITY", Variant("DAILY")},
           {"EXCHANGE", Variant("no adjust values")}}};
}

std::vector<std::vector<double>> RunInOrder(QuoteFetcher& fetcher, const std::string& source,
                                            const std::vector<std::string>& tickers) {
  std::vector<std::vector<double>> closes;
  for (const auto& t : tickers) {
    auto r = NewRequest(fetcher, {source, t, Day(2024, 1, 1), Day(2024, 1, 31)});
    r->SetParameter("EXCHANGE", Variant("no adjust values"));
    RunToEnd(*r);
    EXPECT_EQ(r->ErrorNumber(), 0) << r->ErrorDescription();
    closes.push_back(Column(r->Result(), kFieldClose));
  }
  return closes;
}

TEST(Prefetch, GivesTheSequentialResultsWithOneDownloadEach) {
  DelayedTiingo server(20);
  TempDir dir;
  QuoteSettings settings = TestSettings(dir, server.Url());
  settings.max_connections = 3;
  const auto tickers = Tickers(12);

  auto sequential_fetcher = MakeQuoteFetcher(settings);
  const auto sequential = RunInOrder(*sequential_fetcher, "TIINGO", tickers);
  EXPECT_EQ(server.Hits(), 12);
  EXPECT_EQ(server.MaxInFlight(), 1);

  auto fetcher = MakeQuoteFetcher(settings);
  std::vector<PrefetchItem> items;
  for (const auto& t : tickers) items.push_back(Item("tiingo", t));
  items.push_back(Item("NOSUCH", "X"));  // skipped
  fetcher->Prefetch(items);
  EXPECT_EQ(RunInOrder(*fetcher, "TIINGO", tickers), sequential);
  EXPECT_EQ(server.Hits(), 24) << "every prefetched download is taken over, none is repeated";
  EXPECT_LE(server.MaxInFlight(), 3) << "at most MaxConnections at once";
  EXPECT_GT(server.MaxInFlight(), 1) << "prefetched downloads overlap";
}

TEST(Prefetch, OfflineSourcesAndLeftoversAreHarmless) {
  TempDir dir;
  auto fetcher = MakeQuoteFetcher(TestSettings(dir));
  const auto tickers = Tickers(6);
  const auto sequential = RunInOrder(*fetcher, "SAMPLE", tickers);
  std::vector<PrefetchItem> items;
  for (const auto& t : tickers) items.push_back(Item("SAMPLE", t));
  items.push_back(Item("SAMPLE", "NEVERTAKEN"));
  fetcher->Prefetch(items);
  EXPECT_EQ(RunInOrder(*fetcher, "sample", tickers), sequential);
  fetcher.reset();  // cancels the download nobody took
}

TEST(Prefetch, ADifferentRequestDoesNotTakeAPrefetchedDownload) {
  DelayedTiingo server(1);
  TempDir dir;
  auto fetcher = MakeQuoteFetcher(TestSettings(dir, server.Url()));
  fetcher->Prefetch({Item("TIINGO", "AAA")});
  auto r = NewRequest(*fetcher, {"TIINGO", "AAA", Day(2024, 1, 1), Day(2024, 1, 30)});
  RunToEnd(*r);
  EXPECT_EQ(r->ErrorNumber(), 0);
  EXPECT_EQ(server.Hits(), 2);
}

// Waits until the server has answered `hits` requests, for at most 10 s.
void AwaitHits(const DelayedTiingo& server, int hits) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (server.Hits() < hits && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// The read-ahead holds no more results than its byte budget: with room for
// two and a half results, two are read ahead and the rest wait until taken.
TEST(Prefetch, ReadAheadStaysWithinItsByteBudget) {
  DelayedTiingo server(1);
  TempDir dir;
  QuoteSettings settings = TestSettings(dir, server.Url());
  const auto tickers = Tickers(12);
  const auto sequential = RunInOrder(*MakeQuoteFetcher(settings), "TIINGO", tickers);
  auto probe = NewRequest(*MakeQuoteFetcher(settings), {"TIINGO", tickers[0], Day(2024, 1, 1), Day(2024, 1, 31)});
  RunToEnd(*probe);
  const size_t one_result = probe->Result().Bytes();
  ASSERT_GT(one_result, 0u);
  const int before = server.Hits();

  settings.prefetch_bytes = one_result * 5 / 2;
  // One connection: the first download alone shows the size of a result.
  settings.max_connections = 1;
  auto fetcher = MakeQuoteFetcher(settings);
  std::vector<PrefetchItem> items;
  for (const auto& t : tickers) items.push_back(Item("TIINGO", t));
  fetcher->Prefetch(items);
  AwaitHits(server, before + 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(server.Hits(), before + 2) << "two results fit the budget, a third does not";

  EXPECT_EQ(RunInOrder(*fetcher, "TIINGO", tickers), sequential);
  EXPECT_EQ(server.Hits(), before + 12) << "every download was read ahead or taken over once";
}

// A budget smaller than one result still reads one row ahead, and a request
// whose download is still waiting starts it at once.
TEST(Prefetch, TinyBudgetReadsOneAheadAndGivesTheSequentialResults) {
  DelayedTiingo server(1);
  TempDir dir;
  QuoteSettings settings = TestSettings(dir, server.Url());
  const auto tickers = Tickers(10);
  const auto sequential = RunInOrder(*MakeQuoteFetcher(settings), "TIINGO", tickers);
  const int before = server.Hits();

  settings.prefetch_bytes = 1;
  settings.max_connections = 1;
  auto fetcher = MakeQuoteFetcher(settings);
  std::vector<PrefetchItem> items;
  for (const auto& t : tickers) items.push_back(Item("TIINGO", t));
  fetcher->Prefetch(items);
  AwaitHits(server, before + 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(server.Hits(), before + 1);

  EXPECT_EQ(RunInOrder(*fetcher, "TIINGO", tickers), sequential);
  EXPECT_EQ(server.Hits(), before + 10);
}

// Before any result shows its size, the provider's connections all open at
// once: a provider that does not answer is found out in one wait.
TEST(Prefetch, FirstDownloadsUseEveryConnection) {
  DelayedTiingo server(300);
  TempDir dir;
  QuoteSettings settings = TestSettings(dir, server.Url());
  settings.max_connections = 6;
  settings.prefetch_bytes = 1;
  auto fetcher = MakeQuoteFetcher(settings);
  std::vector<PrefetchItem> items;
  for (const auto& t : Tickers(10)) items.push_back(Item("TIINGO", t));
  fetcher->Prefetch(items);
  AwaitHits(server, 6);
  EXPECT_EQ(server.MaxInFlight(), 6);
}

// A source that keeps failing without an answer is given up for the rest of
// the run: after its first downloads time out, the later rows fail at once
// with the same cause and say that it was given up.
TEST(Prefetch, ASourceThatNeverAnswersIsGivenUp) {
  DeadServer server;
  TempDir dir;
  QuoteSettings settings = TestSettings(dir, server.Url());
  settings.total_timeout_ms = 300;
  settings.max_connections = 4;
  auto fetcher = MakeQuoteFetcher(settings);
  const auto tickers = Tickers(12);
  std::vector<PrefetchItem> items;
  for (const auto& t : tickers) items.push_back(Item("TIINGO", t));
  fetcher->Prefetch(items);
  int given_up = 0;
  for (size_t i = 0; i < tickers.size(); ++i) {
    auto r = NewRequest(*fetcher, {"TIINGO", tickers[i], Day(2024, 1, 1), Day(2024, 1, 31)});
    r->SetParameter("EXCHANGE", Variant("no adjust values"));
    RunToEnd(*r);
    EXPECT_EQ(r->ErrorNumber(), kQuoteTimeout) << i << ": " << r->ErrorDescription();
    EXPECT_EQ(r->ErrorDescription().rfind("The server did not answer in time", 0), 0u) << r->ErrorDescription();
    if (r->ErrorDescription().find("TIINGO is not asked again in this run") != std::string::npos) ++given_up;
  }
  EXPECT_EQ(given_up, 8) << "the four first rows were tried, the others not";
  // Another fetcher (the next run) tries again.
  auto next = NewRequest(*MakeQuoteFetcher(settings), {"TIINGO", "NEXT", Day(2024, 1, 1), Day(2024, 1, 31)});
  RunToEnd(*next);
  EXPECT_EQ(next->ErrorDescription().find("not asked again"), std::string::npos) << next->ErrorDescription();
}

// Taking a download drops the ones handed over before it that nobody took:
// asking for one of them later downloads it again.
TEST(Prefetch, DownloadsPassedOverAreDropped) {
  DelayedTiingo server(1);
  TempDir dir;
  auto fetcher = MakeQuoteFetcher(TestSettings(dir, server.Url()));
  fetcher->Prefetch({Item("TIINGO", "AAA"), Item("TIINGO", "BBB"), Item("TIINGO", "CCC")});
  const auto first = RunInOrder(*fetcher, "TIINGO", {"AAA"});
  AwaitHits(server, 3);
  const auto third = RunInOrder(*fetcher, "TIINGO", {"CCC"});
  EXPECT_EQ(server.Hits(), 3);
  const auto second = RunInOrder(*fetcher, "TIINGO", {"BBB"});
  EXPECT_EQ(server.Hits(), 4) << "BBB was dropped when CCC was taken";
  auto fresh = MakeQuoteFetcher(TestSettings(dir, server.Url()));
  EXPECT_EQ(RunInOrder(*fresh, "TIINGO", {"AAA", "BBB", "CCC"}),
            (std::vector<std::vector<double>>{first[0], second[0], third[0]}));
}

// Cancelling ends the running and the waiting downloads alike.
TEST(Prefetch, CancelEndsWaitingDownloadsToo) {
  DelayedTiingo server(20);
  TempDir dir;
  QuoteSettings settings = TestSettings(dir, server.Url());
  settings.prefetch_bytes = 1;
  settings.max_connections = 1;
  auto fetcher = MakeQuoteFetcher(settings);
  std::vector<PrefetchItem> items;
  for (const auto& t : Tickers(8)) items.push_back(Item("TIINGO", t));
  fetcher->Prefetch(items);
  fetcher->CancelAll();
  auto r = NewRequest(*fetcher, {"TIINGO", Tickers(8)[3], Day(2024, 1, 1), Day(2024, 1, 31)});
  r->SetParameter("EXCHANGE", Variant("no adjust values"));
  RunToEnd(*r);
  EXPECT_EQ(r->ErrorNumber(), 0) << "a request after the cancel downloads afresh";
  fetcher.reset();
  EXPECT_LE(server.Hits(), 2) << "the waiting downloads never started";
}

}  // namespace
}  // namespace plrxl::testing
