// Request budgets through the real pelorinxl program against a TIINGO
// server on 127.0.0.1 that counts what reaches it, with the wall clock
// pinned (PLRXL_UTC_NOW): surplus rows are deferred and the run exits 4, a
// later --resume finishes them, a run killed with SIGKILL never lets its
// resumption exceed the budget, and two processes share one budget.
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/app/project_file.h"
#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"
#include "tests/quotes/loopback_server.h"

namespace plrxl::testing {
namespace {

using testing_xlsx::TempFolder;

// Two bars of TIINGO's daily prices for any ticker; each answer after
// `delay_ms`.
class CountingTiingo {
 public:
  CountingTiingo() {
    server_.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [this](const httplib::Request&, httplib::Response& res) {
      const int hit = ++hits_;
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms_.load()));
      if (hit > answer_only_.load()) {
        res.status = 429;
        res.set_header("Retry-After", "3600");
        return;
      }
      res.set_content(
          R"([{"date":"2024-01-02T00:00:00.000Z","close":185.64,"high":188.44,"low":183.89,"open":187.15,)"
          R"("volume":82488700,"adjClose":184.73,"divCash":0.0,"splitFactor":1.0},)"
          R"({"date":"2024-01-03T00:00:00.000Z","close":184.25,"high":185.88,"low":183.43,"open":184.22,)"
          R"("volume":58414500,"adjClose":183.35,"divCash":0.0,"splitFactor":1.0}])",
          "application/json");
    });
    server_.Start();
  }
  std::string Url() const { return server_.Url(); }
  int Hits() const { return hits_.load(); }
  void Delay(int ms) { delay_ms_ = ms; }
  // Answers this many requests, then HTTP 429 with Retry-After: 3600.
  void AnswerOnly(int count) { answer_only_ = count; }

 private:
  std::atomic<int> hits_{0};
  std::atomic<int> delay_ms_{0};
  std::atomic<int> answer_only_{1 << 30};
  LoopbackServer server_;
};

DemoRow Row(const std::string& ticker) {
  DemoRow r{ticker, "2024-01-01", "2024-01-31", "Daily", "FTB", "dohlcv", ""};
  r.source = "TIINGO";
  return r;
}

std::vector<DemoRow> Rows(const std::string& prefix, int count) {
  std::vector<DemoRow> rows;
  for (int i = 0; i < count; ++i) rows.push_back(Row(prefix + std::to_string(i)));
  return rows;
}

// The status texts of the ticker rows 3 .. 3 + count - 1.
std::vector<std::string> Statuses(const std::string& path, int count) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  std::vector<std::string> texts;
  for (int row = 3; row < 3 + count; ++row) texts.push_back(wb.Worksheets(kSettingsSheet).Cells(row, 11).Text());
  return texts;
}

int CountWith(const std::vector<std::string>& texts, const std::string& part) {
  return static_cast<int>(
      std::count_if(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; }));
}

class BudgetRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder_.File("config/PelorinXL"));
    std::ofstream(folder_.File("config/PelorinXL/settings.ini"))
        << "[Sources]\nTiingoBaseUrl=" << server_.Url() << "\nTiingoKey=secret-key\n";
  }
  std::map<std::string, std::string> Env(const std::string& utc_now) {
    return {{"XDG_CONFIG_HOME", folder_.File("config")}, {"PLRXL_UTC_NOW", utc_now}};
  }
  RunResult Run(std::vector<std::string> args, const std::string& utc_now = "2026-12-06T20:00:00Z") {
    return RunPelorinxl(folder_.Path(), args, Env(utc_now));
  }

  CountingTiingo server_;
  TempFolder folder_;
};

TEST_F(BudgetRun, SurplusRowsAreDeferredWithExitFourAndAResumeNextDayFinishesThem) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, Rows("T", 5));
  const RunResult first = Run({"refresh", "--budget", "TIINGO=3/d", project});
  EXPECT_EQ(first.status, 4) << first.out << first.err;
  EXPECT_EQ(server_.Hits(), 3);
  const std::vector<std::string> statuses = Statuses(project, 5);
  EXPECT_EQ(CountWith(statuses, "deferred: TIINGO 3/day used, resets 00:00 UTC"), 2) << statuses[4];
  EXPECT_EQ(CountWith(statuses, "Error"), 0) << "deferred is not failed";
  EXPECT_NE(first.out.find("5 row(s), 0 failed, 2 deferred"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("--resume continues"), std::string::npos) << first.out;

  const RunResult budget = Run({"budget", "--budget", "TIINGO=3/d", project});
  EXPECT_EQ(budget.status, 0) << budget.err;
  EXPECT_NE(budget.out.find("TIINGO (key #"), std::string::npos) << budget.out;
  EXPECT_NE(budget.out.find("day: 3 of 3 used, resets 00:00 UTC"), std::string::npos) << budget.out;
  EXPECT_EQ(budget.out.find("secret-key"), std::string::npos);

  const RunResult plan = Run({"plan", "--budget", "TIINGO=3/d", project});
  EXPECT_EQ(plan.status, 0) << plan.err;
  EXPECT_NE(plan.out.find("TIINGO: 2 request(s)"), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find("its budget allows 0 at once; the last can go at 00:00 UTC (in 4 h 0 min)"),
            std::string::npos)
      << plan.out;

  const RunResult same_day = Run({"refresh", "--resume", "--budget", "TIINGO=3/d", project});
  EXPECT_EQ(same_day.status, 4) << same_day.out << same_day.err;
  EXPECT_EQ(server_.Hits(), 3) << "the day's budget is used up";

  const RunResult next_day = Run({"refresh", "--resume", "--budget", "TIINGO=3/d", project}, "2026-12-07T06:00:00Z");
  EXPECT_EQ(next_day.status, 0) << next_day.out << next_day.err;
  EXPECT_EQ(server_.Hits(), 5) << "only the deferred rows were asked for";
  EXPECT_EQ(CountWith(Statuses(project, 5), "deferred"), 0);
}

TEST_F(BudgetRun, ARunKilledMidwayNeverLetsItsResumptionExceedTheBudget) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, Rows("K", 8));
  server_.Delay(3000);
  const std::map<std::string, std::string> env = Env("2026-12-06T20:00:00Z");
  Child killed(folder_.Path(), {"refresh", "--budget", "TIINGO=4/d", project}, env, "killed");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  // Killed while the budget's four requests are on their way.
  while (server_.Hits() < 4 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  killed.Signal(SIGKILL);
  EXPECT_EQ(killed.Wait().status, 128 + SIGKILL);
  server_.Delay(0);
  const RunResult resumed = Run({"refresh", "--resume", "--budget", "TIINGO=4/d", project});
  EXPECT_EQ(resumed.status, 4) << resumed.out << resumed.err;
  EXPECT_EQ(server_.Hits(), 4) << "requests booked before they were sent count after a kill";
  const std::vector<std::string> statuses = Statuses(project, 8);
  EXPECT_EQ(CountWith(statuses, "deferred: TIINGO 4/day used"), 8)
      << "the killed run brought nothing back, and its requests used the day: " << statuses[0] << " | " << statuses[7]
      << "\n" << resumed.out;
}

TEST_F(BudgetRun, TwoProcessesShareOneBudget) {
  const std::string shared = folder_.File("shared.db");
  std::vector<std::string> projects;
  for (const char* name : {"one", "two"}) {
    projects.push_back(folder_.File(std::string(name) + ".xlsx"));
    WriteProject(projects.back(), Rows(name, 4));
  }
  const std::map<std::string, std::string> env = Env("2026-12-06T20:00:00Z");
  Child one(folder_.Path(), {"refresh", "--store", shared, "--budget", "TIINGO=5/d", projects[0]}, env, "one");
  Child two(folder_.Path(), {"refresh", "--store", shared, "--budget", "TIINGO=5/d", projects[1]}, env, "two");
  const RunResult a = one.Wait(), b = two.Wait();
  EXPECT_EQ(server_.Hits(), 5);
  const int deferred = CountWith(Statuses(projects[0], 4), "deferred: ") + CountWith(Statuses(projects[1], 4), "deferred: ");
  EXPECT_EQ(deferred, 3);
  EXPECT_TRUE(a.status == 4 || b.status == 4) << a.out << b.out;
  EXPECT_EQ(a.err.find("warning"), std::string::npos) << a.err;
  EXPECT_EQ(b.err.find("warning"), std::string::npos) << b.err;
}

TEST_F(BudgetRun, ARetryAfterClosesTheSourceForTheNextRunToo) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, Rows("R", 4));
  server_.AnswerOnly(2);
  const RunResult first = Run({"refresh", project});
  EXPECT_EQ(first.status, 4) << first.out << first.err;
  // The rows start together: those already on their way when the first 429
  // came back got one too; none asked again.
  const int hits = server_.Hits();
  EXPECT_TRUE(hits == 3 || hits == 4) << hits;
  EXPECT_EQ(CountWith(Statuses(project, 4),
                      "deferred: TIINGO asked to wait (HTTP 429, Retry-After 3600), resets 21:00 UTC"),
            2);
  const RunResult later = Run({"refresh", project}, "2026-12-06T20:30:00Z");
  EXPECT_EQ(later.status, 4) << later.out << later.err;
  EXPECT_EQ(server_.Hits(), hits) << "the store answers two rows, the closed source is not asked";
  const RunResult budget = Run({"budget", project}, "2026-12-06T20:30:00Z");
  EXPECT_NE(budget.out.find("closed until 21:00 UTC: TIINGO asked to wait"), std::string::npos) << budget.out;
}

TEST_F(BudgetRun, WithoutAStoreTheBudgetCountsTheRunAlone) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, Rows("N", 3));
  EXPECT_EQ(Run({"refresh", "--no-store", "--budget", "TIINGO=2/d", project}).status, 4);
  EXPECT_EQ(Run({"refresh", "--no-store", "--budget", "TIINGO=2/d", project}).status, 4);
  EXPECT_EQ(server_.Hits(), 4);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("p.quotes.db")));
}

}  // namespace
}  // namespace plrxl::testing
