// Every way a provider can fail, each ending as the request's error record
// within its time limits: timeouts, resets, throttling, server errors, cut
// and malformed bodies, web pages, oversized answers and cancels.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "tests/quotes/loopback_server.h"
#include "tests/quotes/provider_payloads.h"
#include "tests/quotes/quote_test_util.h"

namespace plrxl::testing {
namespace {

using Clock = std::chrono::steady_clock;
using Handler = std::function<void(int hit, httplib::Response& res)>;

struct FaultCase {
  const char* name;
  const char* source;  // TIINGO or STOOQ: one GET per request
  Handler handler;
  int32_t error;       // expected error number; 0 = the retry succeeded
  const char* text;    // part of the description
  int hits;            // requests the server saw; 0 = not checked
};

const char* Path(const std::string& source) {
  return source == "TIINGO" ? R"(/tiingo/daily/([^/]+)/prices)" : "/q/d/l/";
}

Handler FailFirst(int status, const char* retry_after) {
  return [status, retry_after](int hit, httplib::Response& res) {
    if (hit == 1) {
      res.status = status;
      if (retry_after != nullptr) res.set_header("Retry-After", retry_after);
      return;
    }
    res.set_content(kTiingoJson, "application/json");
  };
}

Handler Always(int status, const char* retry_after = nullptr) {
  return [status, retry_after](int, httplib::Response& res) {
    res.status = status;
    if (retry_after != nullptr) res.set_header("Retry-After", retry_after);
    res.set_content("busy", "text/plain");
  };
}

Handler Body(std::string body, const char* type) {
  return [body, type](int, httplib::Response& res) { res.set_content(body, type); };
}

class HttpFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(HttpFaults, EndAsTheRequestsError) {
  const FaultCase& c = GetParam();
  LoopbackServer server;
  std::atomic<int> hits{0};
  server.Http().Get(Path(c.source), [&](const httplib::Request&, httplib::Response& res) {
    c.handler(++hits, res);
  });
  server.Start();
  TempDir dir;
  QuoteSettings settings = TestSettings(dir, server.Url());
  settings.total_timeout_ms = 300;
  settings.max_response_bytes = 4096;
  auto fetcher = MakeQuoteFetcher(settings);
  auto r = NewRequest(*fetcher, {c.source, "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
  RunToEnd(*r);
  EXPECT_EQ(r->ErrorNumber(), c.error) << r->ErrorDescription();
  EXPECT_NE(r->ErrorDescription().find(c.text), std::string::npos) << r->ErrorDescription();
  EXPECT_EQ(r->Result().Empty(), c.error != 0);
  if (c.hits > 0) {
    EXPECT_EQ(hits, c.hits);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HttpFaults,
    ::testing::Values(
        FaultCase{"timeout", "TIINGO",
                  [](int, httplib::Response& res) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(600));
                    res.set_content(kTiingoJson, "application/json");
                  },
                  kQuoteTimeout, "in time", 1},
        FaultCase{"throttled_then_served", "TIINGO", FailFirst(429, "0"), 0, "", 2},
        FaultCase{"throttled_always", "TIINGO", Always(429, "0"), kQuoteThrottled, "HTTP 429", 3},
        FaultCase{"server_error_then_served", "TIINGO", FailFirst(500, nullptr), 0, "", 2},
        FaultCase{"server_error_always", "STOOQ", Always(503), kQuoteHttpStatus, "HTTP 503", 3},
        FaultCase{"not_found_page", "STOOQ", Always(404), kQuoteHttpStatus, "HTTP 404", 1},
        FaultCase{"malformed_json", "TIINGO", Body(R"([{"date":"2024-01-02T00:00:00.000Z","close":1)", "application/json"),
                  kQuoteBadPayload, "malformed JSON", 1},
        FaultCase{"json_of_wrong_shape", "TIINGO", Body(R"([{"close":1}])", "application/json"),
                  kQuoteBadPayload, "no valid date", 1},
        FaultCase{"malformed_csv", "STOOQ", Body("Date,Open,High,Low,Close,Volume\n2024-01-02,1,2,x,1,1\n", "text/csv"),
                  kQuoteBadPayload, "line 2: invalid number", 1},
        FaultCase{"html_with_200", "STOOQ",
                  Body("<!DOCTYPE html><html><body>Please enable cookies</body></html>", "text/html"),
                  kQuoteHtmlAnswer, "web page", 1},
        FaultCase{"html_without_type", "TIINGO", Body("\n <html><head></head></html>", "text/plain"),
                  kQuoteHtmlAnswer, "web page", 1},
        FaultCase{"oversized", "TIINGO", Body(std::string(100000, ' ') + "[]", "application/json"),
                  kQuoteTooLarge, "4096 bytes", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HttpFaultsRetryAfter, IsHonoured) {
  LoopbackServer server;
  std::atomic<int> hits{0};
  server.Http().Get(Path("TIINGO"), [&](const httplib::Request&, httplib::Response& res) {
    FailFirst(429, "1")(++hits, res);
  });
  server.Start();
  TempDir dir;
  QuoteSettings settings = TestSettings(dir, server.Url());
  auto fetcher = MakeQuoteFetcher(settings);
  auto r = NewRequest(*fetcher, {"TIINGO", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
  const auto start = Clock::now();
  RunToEnd(*r);
  EXPECT_EQ(r->ErrorNumber(), 0) << r->ErrorDescription();
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(950)) << "the one-second Retry-After was not kept";
}

// Faults that need control of the socket itself.
struct SocketCase {
  const char* name;
  std::function<void(int fd)> serve;
  int32_t error;
  const char* text;
};

class SocketFaults : public ::testing::TestWithParam<SocketCase> {};

TEST_P(SocketFaults, EndAsTheRequestsError) {
  std::atomic<int> connections{0};
  RawServer server([&](int fd) {
    ++connections;
    GetParam().serve(fd);
  });
  TempDir dir;
  auto fetcher = MakeQuoteFetcher(TestSettings(dir, server.Url()));
  auto r = NewRequest(*fetcher, {"TIINGO", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
  RunToEnd(*r);
  EXPECT_EQ(r->ErrorNumber(), GetParam().error) << r->ErrorDescription();
  EXPECT_NE(r->ErrorDescription().find(GetParam().text), std::string::npos) << r->ErrorDescription();
  EXPECT_EQ(connections, 3) << "a dropped connection is retried";
}

INSTANTIATE_TEST_SUITE_P(
    Sockets, SocketFaults,
    ::testing::Values(
        SocketCase{"reset",
                   [](int fd) {
                     RawServer::ReadRequest(fd);
                     RawServer::Reset(fd);
                   },
                   kQuoteNetwork, "Network failure"},
        SocketCase{"closed_without_answer", [](int fd) { RawServer::ReadRequest(fd); }, kQuoteNetwork,
                   "Network failure"},
        SocketCase{"truncated_body",
                   [](int fd) {
                     RawServer::ReadRequest(fd);
                     RawServer::Send(fd,
                                     "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                                     "Content-Length: 1000\r\n\r\n[{\"date\":\"2024-01-02T00:00:00.000Z\",");
                   },
                   kQuoteBadPayload, "cut short"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HttpCancel, StopsADownloadPromptly) {
  LoopbackServer server;
  server.Http().Get(Path("TIINGO"), [&](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    res.set_content(kTiingoJson, "application/json");
  });
  server.Start();
  TempDir dir;
  auto fetcher = MakeQuoteFetcher(TestSettings(dir, server.Url()));
  auto one = NewRequest(*fetcher, {"TIINGO", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
  auto two = NewRequest(*fetcher, {"TIINGO", "MSFT", Day(2024, 1, 1), Day(2024, 1, 31)});
  one->Start();
  two->Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(one->State(), kStateRunning);
  const auto start = Clock::now();
  one->Cancel();
  EXPECT_EQ(one->State(), kStateFinished);
  EXPECT_EQ(one->ErrorNumber(), kQuoteCancelled);
  fetcher->CancelAll();
  EXPECT_EQ(two->State(), kStateFinished);
  EXPECT_EQ(two->ErrorNumber(), kQuoteCancelled);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_TRUE(one->Result().Empty());
}

TEST(HttpCancel, RefusedConnectionFailsWithoutHanging) {
  TempDir dir;
  // Port 9 on the loopback has no listener here.
  auto fetcher = MakeQuoteFetcher(TestSettings(dir, "http://127.0.0.1:9"));
  auto r = NewRequest(*fetcher, {"TIINGO", "AAPL", Day(2024, 1, 1), Day(2024, 1, 31)});
  RunToEnd(*r);
  EXPECT_EQ(r->ErrorNumber(), kQuoteNetwork);
}

}  // namespace
}  // namespace plrxl::testing
