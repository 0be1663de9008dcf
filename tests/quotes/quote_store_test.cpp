// The quote store on its own (coverage, finality, a full file, a newer
// schema) and behind a fetcher whose TIINGO source is a server on
// 127.0.0.1: stored answers equal fresh ones in every periodicity.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "quotes/store/quote_store.h"
#include "quotes/store/sqlite_db.h"
#include "tests/quotes/loopback_server.h"
#include "tests/quotes/quote_test_util.h"

namespace plrxl::testing {
namespace {

quotes::Bars Weekdays(double from, double to) {
  quotes::Bars bars;
  for (double d = from; d <= to; ++d) {
    if (quotes::WeekdayMon0(d) >= 5) continue;
    quotes::Bar b;
    b.date = d;
    b.open = b.high = b.low = b.close = 100 + std::fmod(d, 7);
    b.volume = 1000;
    b.adj_close = b.close * 0.5;
    bars.push_back(b);
  }
  return bars;
}

std::shared_ptr<QuoteStore> OpenIn(const TempDir& dir, std::vector<std::string>* warnings, int64_t max_pages = 0) {
  StoreOpenOptions options;
  options.path = (dir.Path() / "q.db").string();
  options.max_page_count = max_pages;
  return QuoteStore::Open(options, warnings);
}

StoreFetch FetchOf(double from, double to) {
  StoreFetch f;
  f.range_start = from;
  f.range_end = to;
  f.url = "http://127.0.0.1/x";
  f.started = f.finished = UtcNowText();
  f.outcome = "ok";
  return f;
}

using Range = std::pair<double, double>;

struct CoverageCase {
  const char* name;
  std::vector<Range> fetched;  // committed in this order
  double today;
  Range asked;
  std::optional<Range> missing;
};

TEST(QuoteStoreCoverage, OnlyDaysNotFinalAreMissing) {
  const double jan1 = Day(2024, 1, 1), jan31 = Day(2024, 1, 31), feb29 = Day(2024, 2, 29), mar31 = Day(2024, 3, 31);
  const CoverageCase cases[] = {
      {"nothing stored", {}, Day(2024, 6, 1), {jan1, jan31}, Range{jan1, jan31}},
      {"all final", {{jan1, mar31}}, Day(2024, 6, 1), {jan1 + 5, feb29}, std::nullopt},
      {"the tail is missing", {{jan1, jan31}}, Day(2024, 6, 1), {jan1, feb29}, Range{jan31 + 1, feb29}},
      {"the head is missing", {{jan31, mar31}}, Day(2024, 6, 1), {jan1, feb29}, Range{jan1, jan31 - 1}},
      {"a hole spans from its start to its end", {{jan1, jan1 + 9}, {jan31, mar31}}, Day(2024, 6, 1),
       {jan1, mar31}, Range{jan1 + 10, jan31 - 1}},
      {"touching ranges merge", {{jan1, jan31}, {jan31 + 1, mar31}}, Day(2024, 6, 1), {jan1, mar31}, std::nullopt},
      {"today is never final", {{jan1, jan31}}, jan31, {jan1, jan31}, Range{jan31, jan31}},
      {"days after today are not final", {{jan1, mar31}}, feb29, {jan1, mar31}, Range{feb29, mar31}},
  };
  for (const CoverageCase& c : cases) {
    TempDir dir;
    std::vector<std::string> warnings;
    auto store = OpenIn(dir, &warnings);
    ASSERT_NE(store, nullptr) << c.name;
    const StoreSeriesKey key{"TIINGO", "AAA", ""};
    for (const auto& [from, to] : c.fetched) {
      ASSERT_TRUE(store->Commit(key, FetchOf(from, to), Weekdays(from, to), {}, c.today)) << c.name;
    }
    EXPECT_EQ(store->Missing(key, c.asked.first, c.asked.second), c.missing) << c.name;
    EXPECT_TRUE(warnings.empty()) << c.name;
  }
}

TEST(QuoteStoreCoverage, ARefetchReplacesTheBarsOfItsRangeAndKeepsTheRest) {
  TempDir dir;
  auto store = OpenIn(dir, nullptr);
  const StoreSeriesKey key{"TIINGO", "AAA", ""};
  ASSERT_TRUE(store->Commit(key, FetchOf(Day(2024, 1, 1), Day(2024, 1, 31)), Weekdays(Day(2024, 1, 1), Day(2024, 1, 31)),
                            {{QuoteEvent::kDividend, Day(2024, 1, 10), 0.24}}, Day(2024, 6, 1)));
  // The provider dropped a day on the second asking.
  quotes::Bars again = Weekdays(Day(2024, 1, 15), Day(2024, 1, 19));
  again.erase(again.begin() + 2);
  ASSERT_TRUE(store->Commit(key, FetchOf(Day(2024, 1, 15), Day(2024, 1, 19)), again, {}, Day(2024, 6, 1)));
  const quotes::Bars bars = store->ReadBars(key, Day(2024, 1, 1), Day(2024, 1, 31));
  EXPECT_EQ(bars.size(), 22u);  // 23 weekdays, one of them gone
  EXPECT_EQ(store->ReadEvents(key, Day(2024, 1, 1), Day(2024, 1, 31)).size(), 1u);
}

// Bars are kept a year to a row: a fetch over parts of two years must leave
// their other days, flags and fetches as they were.
TEST(QuoteStoreCoverage, ARefetchOverPartsOfYearsKeepsTheirOtherDays) {
  TempDir dir;
  auto store = OpenIn(dir, nullptr);
  const StoreSeriesKey key{"TIINGO", "AAA", ""};
  const double jan1 = Day(2023, 11, 1), mar31 = Day(2024, 3, 31);
  const double from = Day(2023, 12, 20), to = Day(2024, 1, 10), first_open = Day(2024, 2, 15);
  const quotes::Bars first = Weekdays(jan1, mar31);
  ASSERT_TRUE(store->Commit(key, FetchOf(jan1, mar31), first, {}, first_open));
  quotes::Bars again = Weekdays(from, to);
  for (quotes::Bar& b : again) b.close = 1;
  ASSERT_TRUE(store->Commit(key, FetchOf(from, to), again, {}, Day(2024, 6, 1)));

  const quotes::Bars back = store->ReadBars(key, jan1, mar31);
  ASSERT_EQ(back.size(), first.size());
  for (size_t i = 0; i < back.size(); ++i) {
    EXPECT_EQ(back[i].date, first[i].date);
    const bool refetched = back[i].date >= from && back[i].date <= to;
    EXPECT_EQ(back[i].close, refetched ? 1 : first[i].close) << i;
  }
  // Each bar still knows its fetch, and whether it is final.
  const std::vector<StoreFetchLine> lines = store->Provenance(key, jan1, mar31);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].bars, static_cast<int64_t>(first.size() - again.size()));
  EXPECT_EQ(lines[1].bars, static_cast<int64_t>(again.size()));
  EXPECT_EQ(store->Provenance(key, from, to).size(), 1u);
  const StoreSummary summary = store->Summary();
  EXPECT_EQ(summary.bars, static_cast<int64_t>(first.size()));
  EXPECT_EQ(summary.final_bars, static_cast<int64_t>(Weekdays(jan1, first_open - 1).size()));
  EXPECT_EQ(store->Missing(key, jan1, mar31), (Range{first_open, mar31}));
  EXPECT_EQ(store->Newest(key)->bar_date, Day(2024, 3, 29));
  // A read of part of a year gives only its days.
  EXPECT_EQ(store->ReadBars(key, Day(2024, 2, 12), Day(2024, 2, 16)).size(), 5u);
}

// A file of the first schema (a row a bar) is taken over: its bars are let
// go, and with them its coverage, so they are downloaded again.
TEST(QuoteStoreCoverage, AStoreOfTheFirstSchemaStartsItsBarsAgain) {
  TempDir dir;
  const std::string path = (dir.Path() / "q.db").string();
  {
    quotes::SqliteDb db(path, quotes::SqliteDb::Mode::kReadWriteCreate);
    db.Exec("CREATE TABLE runs(id INTEGER PRIMARY KEY, command TEXT NOT NULL, project TEXT NOT NULL,"
            " started TEXT NOT NULL, ended TEXT, exit_code INTEGER);"
            "CREATE TABLE series(id INTEGER PRIMARY KEY, source TEXT NOT NULL, symbol TEXT NOT NULL,"
            " exchange TEXT NOT NULL, interval TEXT NOT NULL, adjustment TEXT NOT NULL,"
            " UNIQUE(source, symbol, exchange, interval, adjustment));"
            "CREATE TABLE fetches(id INTEGER PRIMARY KEY, run_id INTEGER, series_id INTEGER NOT NULL,"
            " url TEXT NOT NULL, range_start INTEGER, range_end INTEGER, started TEXT NOT NULL,"
            " finished TEXT NOT NULL, http_status INTEGER, bytes INTEGER, body_hash TEXT, outcome TEXT NOT NULL,"
            " bars INTEGER);"
            "CREATE TABLE bars(id INTEGER PRIMARY KEY, open REAL, high REAL, low REAL, close REAL, volume REAL,"
            " open_interest REAL, adj_close REAL, fetch_id INTEGER NOT NULL, final INTEGER NOT NULL);"
            "CREATE TABLE events(series_id INTEGER NOT NULL, date INTEGER NOT NULL, kind TEXT NOT NULL,"
            " value REAL, fetch_id INTEGER NOT NULL, PRIMARY KEY(series_id, date, kind)) WITHOUT ROWID;"
            "CREATE TABLE journal(run_id INTEGER NOT NULL, row INTEGER NOT NULL, ticker TEXT NOT NULL,"
            " status TEXT NOT NULL, failed INTEGER NOT NULL, finished TEXT NOT NULL, PRIMARY KEY(run_id, row));"
            "CREATE TABLE coverage(series_id INTEGER NOT NULL, first INTEGER NOT NULL, last INTEGER NOT NULL,"
            " PRIMARY KEY(series_id, first)) WITHOUT ROWID;"
            "INSERT INTO runs VALUES(1, 'refresh', '/p.xlsx', '2026-12-01 10:00:00', NULL, NULL);"
            "INSERT INTO series VALUES(1, 'TIINGO', 'AAA', '', '1d', 'raw');"
            "INSERT INTO bars VALUES((1 << 22) | 45293, 1, 2, 0.5, 1.5, 100, 0, 1.4, 1, 1);"
            "INSERT INTO coverage VALUES(1, 45200, 45300);"
            "PRAGMA user_version=1;");
  }
  std::vector<std::string> warnings;
  auto store = OpenIn(dir, &warnings);
  ASSERT_NE(store, nullptr);
  EXPECT_TRUE(warnings.empty());
  EXPECT_TRUE(store->Writable());
  const StoreSeriesKey key{"TIINGO", "AAA", ""};
  EXPECT_EQ(store->Missing(key, 45250, 45260), (Range{45250, 45260}));
  EXPECT_TRUE(store->ReadBars(key, 45200, 45300).empty());
  EXPECT_TRUE(store->LastRun("/p.xlsx").has_value());
  ASSERT_TRUE(store->Commit(key, FetchOf(45250, 45260), Weekdays(45250, 45260), {}, 45300));
  EXPECT_EQ(store->ReadBars(key, 45200, 45300).size(), Weekdays(45250, 45260).size());
}

TEST(QuoteStoreCoverage, AValueTheSourceDidNotSendStaysEmpty) {
  TempDir dir;
  auto store = OpenIn(dir, nullptr);
  const StoreSeriesKey key{"TIINGO", "AAA", ""};
  quotes::Bars bars = Weekdays(Day(2024, 1, 1), Day(2024, 1, 5));
  bars[1].volume = std::nan("");
  ASSERT_TRUE(store->Commit(key, FetchOf(Day(2024, 1, 1), Day(2024, 1, 5)), bars, {}, Day(2024, 6, 1)));
  const quotes::Bars back = store->ReadBars(key, Day(2024, 1, 1), Day(2024, 1, 5));
  ASSERT_EQ(back.size(), 5u);
  EXPECT_TRUE(std::isnan(back[1].volume));
  EXPECT_EQ(back[0].volume, 1000);
  EXPECT_EQ(back[4].adj_close, bars[4].adj_close);
}

TEST(QuoteStoreFailures, AFullStoreSwitchesOffOnceAndTheRunGoesOn) {
  TempDir dir;
  std::vector<std::string> warnings;
  auto store = OpenIn(dir, &warnings, /*max_pages=*/24);
  ASSERT_NE(store, nullptr);
  const StoreSeriesKey key{"TIINGO", "AAA", ""};
  const double from = Day(2000, 1, 1), to = Day(2023, 12, 31);
  EXPECT_FALSE(store->Commit(key, FetchOf(from, to), Weekdays(from, to), {}, Day(2024, 6, 1)));
  EXPECT_FALSE(store->Usable());
  std::vector<std::string> said = store->TakeWarnings();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find("full"), std::string::npos) << said[0];
  EXPECT_NE(said[0].find("off for the rest of this run"), std::string::npos) << said[0];
  EXPECT_FALSE(store->Commit(key, FetchOf(from, from + 3), Weekdays(from, from + 3), {}, Day(2024, 6, 1)));
  EXPECT_TRUE(store->TakeWarnings().empty()) << "said once";
  // Nothing half-written stays behind.
  auto reopened = OpenIn(dir, nullptr);
  EXPECT_TRUE(reopened->ReadBars(key, from, to).empty());
}

TEST(QuoteStoreFailures, ANewerSchemaIsOnlyRead) {
  TempDir dir;
  const StoreSeriesKey key{"TIINGO", "AAA", ""};
  {
    auto store = OpenIn(dir, nullptr);
    ASSERT_TRUE(store->Commit(key, FetchOf(Day(2024, 1, 1), Day(2024, 1, 5)), Weekdays(Day(2024, 1, 1), Day(2024, 1, 5)),
                              {}, Day(2024, 6, 1)));
  }
  {
    quotes::SqliteDb db((dir.Path() / "q.db").string(), quotes::SqliteDb::Mode::kReadWriteCreate);
    db.Exec("PRAGMA user_version=" + std::to_string(kQuoteStoreSchema + 1));
  }
  std::vector<std::string> warnings;
  auto store = OpenIn(dir, &warnings);
  ASSERT_NE(store, nullptr);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("newer program"), std::string::npos) << warnings[0];
  EXPECT_FALSE(store->Writable());
  EXPECT_EQ(store->ReadBars(key, Day(2024, 1, 1), Day(2024, 1, 5)).size(), 5u);
  EXPECT_FALSE(store->Commit(key, FetchOf(Day(2024, 2, 1), Day(2024, 2, 2)), Weekdays(Day(2024, 2, 1), Day(2024, 2, 2)),
                             {}, Day(2024, 6, 1)));
}

// Runs `body` in a child process that cannot write into folders of mode
// 0555: the tests run as root in CI, and root writes anywhere, so as root
// the child becomes the unprivileged user 65534 first. What the child
// found wrong comes back as text ("" when nothing).
std::string AsUnprivileged(const std::function<std::string()>& body) {
  int out[2];
  if (pipe(out) != 0) return "pipe failed";
  const pid_t child = fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    close(out[0]);
    std::string problems;
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                           setresuid(65534, 65534, 65534) != 0)) {
      problems = "cannot leave root";
    } else {
      problems = body();
    }
    const ssize_t written = write(out[1], problems.data(), problems.size());
    _exit(written == static_cast<ssize_t>(problems.size()) ? 0 : 1);
  }
  close(out[1]);
  std::string said;
  char buf[512];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) said.append(buf, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) said += " (the child failed)";
  return said;
}

TEST(QuoteStoreFailures, AFolderThatCannotBeWrittenGivesAReadOnlyStoreOrNone) {
  TempDir dir, empty;
  const StoreSeriesKey key{"TIINGO", "AAA", ""};
  {
    auto store = OpenIn(dir, nullptr);
    ASSERT_TRUE(store->Commit(key, FetchOf(Day(2024, 1, 1), Day(2024, 1, 5)), Weekdays(Day(2024, 1, 1), Day(2024, 1, 5)),
                              {}, Day(2024, 6, 1)));
  }
  for (const TempDir* folder : {&dir, &empty}) std::filesystem::permissions(folder->Path(), std::filesystem::perms(0555));
  const std::string problems = AsUnprivileged([&] {
    std::string wrong;
    std::vector<std::string> warnings;
    auto store = OpenIn(dir, &warnings);
    if (store == nullptr) return std::string("no store from the folder that cannot be written");
    if (store->Writable()) wrong += "writable; ";
    if (store->ReadBars(key, Day(2024, 1, 1), Day(2024, 1, 5)).size() != 5u) wrong += "bars not read; ";
    if (warnings.size() != 1u || warnings[0].find("only read") == std::string::npos) wrong += "no 'only read' warning; ";

    StoreOpenOptions options;
    options.path = (empty.Path() / "q.db").string();
    warnings.clear();
    if (QuoteStore::Open(options, &warnings) != nullptr) wrong += "a store made in a folder that cannot be written; ";
    if (warnings.size() != 1u || warnings[0].find("the run goes on without it") == std::string::npos) {
      wrong += "no 'goes on without it' warning; ";
    }
    return wrong;
  });
  for (const TempDir* folder : {&dir, &empty}) std::filesystem::permissions(folder->Path(), std::filesystem::perms(0755));
  EXPECT_EQ(problems, "");
}

// TIINGO answers for any range: a bar every weekday.
class StoredFetcher : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [this](const httplib::Request& req, httplib::Response& res) {
      ++hits_;
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms_.load()));
      double from = 0, to = 0;
      int y, m, d;
      std::sscanf(req.get_param_value("startDate").c_str(), "%d-%d-%d", &y, &m, &d);
      from = Day(y, m, d);
      std::sscanf(req.get_param_value("endDate").c_str(), "%d-%d-%d", &y, &m, &d);
      to = Day(y, m, d);
      std::string json = "[";
      for (const quotes::Bar& b : Weekdays(from, to)) {
        quotes::SerialToCivil(b.date, &y, &m, &d);
        char bar[256];
        std::snprintf(bar, sizeof bar,
                      "%s{\"date\":\"%04d-%02d-%02dT00:00:00.000Z\",\"close\":%.2f,\"high\":%.2f,\"low\":%.2f,"
                      "\"open\":%.2f,\"volume\":%d,\"adjClose\":%.2f,\"divCash\":0.0,\"splitFactor\":1.0}",
                      json.size() > 1 ? "," : "", y, m, d, b.close + std::fmod(b.date, 3), b.close + 3, b.close - 1,
                      b.close, static_cast<int>(b.date) % 977, b.adj_close);
        json += bar;
      }
      res.set_content(json + "]", "application/json");
    });
    server_.Start();
  }

  QuoteResult Get(std::shared_ptr<QuoteStore> store, const RequestSpec& rq, bool adjust) {
    QuoteSettings settings = TestSettings(dir_, server_.Url());
    settings.store = std::move(store);
    settings.total_timeout_ms = 20000;
    auto fetcher = MakeQuoteFetcher(settings);
    auto request = NewRequest(*fetcher, rq);
    request->SetParameter("ADJUST VALUES", Variant(adjust));
    RunToEnd(*request);
    EXPECT_EQ(request->ErrorNumber(), 0) << request->ErrorDescription();
    return request->Result();
  }

  LoopbackServer server_;
  TempDir dir_;
  std::atomic<int> hits_{0};
  std::atomic<int> delay_ms_{0};
};

// Three rows of one series share one download. The row it was started for
// drops out while it runs (cancelled, or passed over by the next row
// taken): the download goes on, and the others take what it brought.
TEST_F(StoredFetcher, ARowThatDropsOutLeavesTheSharedDownloadToTheOthers) {
  delay_ms_ = 400;
  const double jan1 = Day(2024, 1, 1);
  const double ends[] = {Day(2024, 1, 31), Day(2024, 2, 29), Day(2024, 3, 29)};
  for (const bool cancelled : {true, false}) {
    const char* name = cancelled ? "cancelled" : "passed over";
    TempDir where;
    QuoteSettings settings = TestSettings(dir_, server_.Url());
    settings.store = OpenIn(where, nullptr);
    auto fetcher = MakeQuoteFetcher(settings);
    std::vector<PrefetchItem> items;
    for (double end : ends) {
      items.push_back({"TIINGO",
                       {{"TICKER", Variant("AAA")},
                        {"STARTDATE", Variant::Date(jan1)},
                        {"ENDDATE", Variant::Date(end)},
                        {"PERIODICITY", Variant("DAILY")}}});
    }
    hits_ = 0;
    fetcher->Prefetch(items);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (hits_.load() == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(hits_.load(), 1) << name;
    if (cancelled) {
      auto first = NewRequest(*fetcher, {"TIINGO", "AAA", jan1, ends[0]});
      first->Start();
      first->Cancel();
    }
    for (size_t i = 1; i < std::size(ends); ++i) {
      auto row = NewRequest(*fetcher, {"TIINGO", "AAA", jan1, ends[i]});
      RunToEnd(*row);
      EXPECT_EQ(row->ErrorNumber(), 0) << name << ": " << row->ErrorDescription();
      EXPECT_EQ(Column(row->Result(), "Close").size(), Weekdays(jan1, ends[i]).size()) << name;
    }
    EXPECT_EQ(hits_.load(), 1) << name << ": the next row took the shared download";
  }
}

TEST_F(StoredFetcher, StoredAnswersEqualFreshOnesInEveryPeriodicity) {
  auto store = OpenIn(dir_, nullptr);
  // Mid-week starts and ends, so the first and last weeks are partial.
  const RequestSpec wide{"TIINGO", "AAA", Day(2023, 11, 8), Day(2024, 3, 13)};
  Get(store, wide, false);
  EXPECT_EQ(hits_.load(), 1);
  for (const char* periodicity : {"DAILY", "WEEKLY", "MONTHLY"}) {
    for (bool adjust : {false, true}) {
      RequestSpec rq{"TIINGO", "AAA", Day(2023, 12, 6), Day(2024, 2, 21), periodicity};
      const int before = hits_.load();
      const QuoteResult fresh = Get(nullptr, rq, adjust);
      const QuoteResult stored = Get(store, rq, adjust);
      EXPECT_EQ(hits_.load(), before + 1) << "the stored one asks nothing";
      for (const char* field : {"Date", "Open", "High", "Low", "Close", "Volume", "Adjusted Close"}) {
        EXPECT_EQ(Column(stored, field), Column(fresh, field)) << periodicity << " " << adjust << " " << field;
      }
      EXPECT_EQ(stored.note, "From the quote store.");
    }
  }
}

TEST_F(StoredFetcher, AFullStoreStillHandsOutTheDownload) {
  std::vector<std::string> warnings;
  auto store = OpenIn(dir_, &warnings, /*max_pages=*/24);
  const RequestSpec rq{"TIINGO", "AAA", Day(2014, 1, 1), Day(2023, 12, 31)};
  const QuoteResult full = Get(store, rq, false);
  const QuoteResult fresh = Get(nullptr, rq, false);
  EXPECT_EQ(Column(full, "Close"), Column(fresh, "Close"));
  EXPECT_FALSE(store->Usable());
  EXPECT_EQ(store->TakeWarnings().size(), 1u);
}

// STOOQ answers "No data" for a range without a trading day. For a series
// the store has bars of, those days are over and stay empty: later runs do
// not ask for them again. For a symbol it has nothing of, they ask again.
TEST(StoredStooq, ANoDataAnswerForPastDaysOfAKnownSeriesIsNotAskedAgain) {
  LoopbackServer server;
  std::atomic<int> hits{0};
  server.Http().Get("/q/d/l/", [&](const httplib::Request& req, httplib::Response& res) {
    ++hits;
    int y, m, d;
    std::sscanf(req.get_param_value("d1").c_str(), "%4d%2d%2d", &y, &m, &d);
    const double from = Day(y, m, d);
    std::sscanf(req.get_param_value("d2").c_str(), "%4d%2d%2d", &y, &m, &d);
    const double to = Day(y, m, d);
    std::string csv = "Date,Open,High,Low,Close,Volume\r\n";
    for (const quotes::Bar& b : Weekdays(from, to)) {
      quotes::SerialToCivil(b.date, &y, &m, &d);
      char line[128];
      std::snprintf(line, sizeof line, "%04d-%02d-%02d,%.2f,%.2f,%.2f,%.2f,%d\r\n", y, m, d, b.open, b.high, b.low,
                    b.close, 1000);
      csv += line;
    }
    if (req.get_param_value("s") == "nosuch" || Weekdays(from, to).empty()) csv = "No data";
    res.set_content(csv, "text/csv");
  });
  server.Start();
  TempDir dir;
  QuoteSettings settings = TestSettings(dir, server.Url());
  settings.store = OpenIn(dir, nullptr);
  auto ask = [&](const std::string& ticker, double from, double to) {
    auto fetcher = MakeQuoteFetcher(settings);
    auto request = NewRequest(*fetcher, {"STOOQ", ticker, from, to});
    RunToEnd(*request);
    return request->ErrorNumber();
  };
  const double saturday = Day(2024, 1, 6), sunday = Day(2024, 1, 7);
  EXPECT_EQ(ask("XYZ", Day(2024, 1, 1), Day(2024, 1, 5)), 0);
  EXPECT_EQ(hits.load(), 1);
  EXPECT_EQ(ask("XYZ", saturday, sunday), kQuoteNoData);
  EXPECT_EQ(hits.load(), 2);
  EXPECT_EQ(ask("XYZ", saturday, sunday), kQuoteNoData);
  EXPECT_EQ(hits.load(), 2) << "the weekend is known to be empty";
  EXPECT_EQ(ask("XYZ", Day(2024, 1, 1), sunday), 0);
  EXPECT_EQ(hits.load(), 2);

  EXPECT_EQ(ask("NOSUCH", saturday, sunday), kQuoteNoData);
  EXPECT_EQ(ask("NOSUCH", saturday, sunday), kQuoteNoData);
  EXPECT_EQ(hits.load(), 4) << "a symbol with no bars at all is asked again";
}

// Runs that start together (two cron lines at the same minute) race to make
// the file and set it up; each must still get the store, not a warning.
TEST(QuoteStoreOpen, RunsStartingTogetherAllGetTheStore) {
  for (int round = 0; round < 20; ++round) {
    TempDir dir;
    constexpr int kRuns = 6;
    std::vector<pid_t> runs;
    for (int i = 0; i < kRuns; ++i) {
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        std::vector<std::string> warnings;
        const bool ok = OpenIn(dir, &warnings) != nullptr && warnings.empty();
        if (!warnings.empty()) std::fprintf(stderr, "%s\n", warnings.front().c_str());
        _exit(ok ? 0 : 1);
      }
      runs.push_back(child);
    }
    for (pid_t run : runs) {
      int status = 0;
      ASSERT_EQ(waitpid(run, &status, 0), run);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace plrxl::testing
