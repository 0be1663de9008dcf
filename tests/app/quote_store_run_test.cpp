// The quote store through the real pelorinxl program against a server on
// 127.0.0.1 that answers in TIINGO's format and counts its requests: a rerun
// asks nothing, --offline fills the sheets as the first run did with the
// server gone, a failed source says how far the store goes or (--stale-ok)
// fills the row from it, and damaged or foreign store files never stop a run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "download/demo_project.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/scripted_ui.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "quotes/store/sqlite_db.h"
#include "support/clock.h"
#include "support/settings_store.h"
#include "tests/app/project_file.h"
#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"
#include "tests/quotes/loopback_server.h"

namespace plrxl::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing_xlsx::TempFolder;

// TIINGO's daily prices for any ticker and range: one bar a weekday, its
// prices made from the ticker and the date, so every answer for a day is
// the same. Counts the requests, by ticker.
class TiingoServer {
 public:
  TiingoServer() {
    server_.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [this](const httplib::Request& req, httplib::Response& res) {
      const std::string ticker = req.matches[1].str();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        ++hits_[ticker];
      }
      if (const int ms = delay_ms_.load(); ms > 0) std::this_thread::sleep_for(milliseconds(ms));
      ++total_;
      if (ticker == "dead") {
        res.status = 503;
        return;
      }
      res.set_content(Bars(ticker, req.get_param_value("startDate"), req.get_param_value("endDate"), shift_.load()),
                      "application/json");
    });
    server_.Start();
  }
  std::string Url() const { return server_.Url(); }
  int Total() const { return total_.load(); }
  int Hits(const std::string& ticker) {
    std::lock_guard<std::mutex> lock(mutex_);
    return hits_[ticker];
  }
  void Stop() { server_.Stop(); }
  // Every later answer's prices are this much higher.
  void Shift(double by) { shift_ = by; }
  // Every answer comes this late.
  void Delay(int ms) { delay_ms_ = ms; }

 private:
  static std::string Bars(const std::string& ticker, const std::string& from, const std::string& to, double shift) {
    auto parse = [](const std::string& iso) {
      int y = 0, m = 0, d = 0;
      std::sscanf(iso.c_str(), "%d-%d-%d", &y, &m, &d);
      return sys_days(year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)});
    };
    std::string json = "[";
    int seed = 0;
    for (char c : ticker) seed = seed * 31 + c;
    for (sys_days d = parse(from); d <= parse(to); d += days{1}) {
      const weekday wd{d};
      if (wd == Saturday || wd == Sunday) continue;
      const year_month_day ymd{d};
      const int n = static_cast<int>(d.time_since_epoch().count()) + seed % 1000;
      const double close = 100 + (n % 97) * 0.25 + shift;
      char bar[320];
      std::snprintf(bar, sizeof bar,
                    "%s{\"date\":\"%04d-%02u-%02uT00:00:00.000Z\",\"close\":%.2f,\"high\":%.2f,\"low\":%.2f,"
                    "\"open\":%.2f,\"volume\":%d,\"adjClose\":%.2f,\"divCash\":0.0,\"splitFactor\":1.0}",
                    json.size() > 1 ? "," : "", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                    static_cast<unsigned>(ymd.day()), close, close + 1, close - 1, close - 0.5, 1000 + n % 5000,
                    close * 0.9);
      json += bar;
    }
    return json + "]";
  }

  LoopbackServer server_;
  std::mutex mutex_;
  std::map<std::string, int> hits_;
  std::atomic<int> total_{0};
  std::atomic<int> delay_ms_{0};
  std::atomic<double> shift_{0};
};

DemoRow Row(const std::string& ticker, const std::string& start = "2024-01-01", const std::string& end = "2024-03-31") {
  DemoRow r{ticker, start, end, "Daily", "FTB", "dohlcv", ""};
  r.source = "TIINGO";
  return r;
}

// Every cell of the data sheets, as text, by sheet.
std::map<std::string, std::string> DataSheets(const std::string& path, const std::set<std::string>& names) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  std::map<std::string, std::string> sheets;
  for (const std::string& name : names) {
    Worksheet& sheet = wb.Worksheets(name);
    std::string text;
    if (std::optional<Rect> used = sheet.UsedRange()) {
      for (int r = used->row1; r <= used->row2; ++r) {
        for (int c = used->col1; c <= used->col2; ++c) text += ToText(sheet.CellValue(r, c), host.Regional()) + "|";
        text += "\n";
      }
    }
    sheets[name] = text;
  }
  return sheets;
}

struct StatusCell {
  std::string text;
  int color = 0;
};

StatusCell Status(const std::string& path, int row) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  Range cell = wb.Worksheets(kSettingsSheet).Cells(row, 11);
  return {cell.Text(), cell.FontColorIndex()};
}

class QuoteStoreRun : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_.File("config/PelorinXL"));
    std::ofstream(folder_.File("config/PelorinXL/settings.ini"))
        << "[Sources]\nTiingoBaseUrl=" << server_.Url() << "\nTiingoKey=secret-key\n";
  }
  RunResult Run(std::vector<std::string> args) {
    return RunPelorinxl(folder_.Path(), args, {{"XDG_CONFIG_HOME", folder_.File("config")}});
  }

  TiingoServer server_;
  TempFolder folder_;
};

TEST_F(QuoteStoreRun, ARerunAsksNothingAndOfflineFillsTheSheetsAsTheFirstRunDid) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, {Row("AAA"), Row("BBB"), Row("CCC", "2023-11-01", "2024-02-15")});
  const RunResult first = Run({"refresh", project});
  ASSERT_EQ(first.status, 0) << first.out << first.err;
  EXPECT_EQ(server_.Total(), 3);
  EXPECT_TRUE(fs::exists(folder_.File("p.quotes.db")));
  const auto sheets = DataSheets(project, {"AAA", "BBB", "CCC"});

  const RunResult again = Run({"refresh", project});
  ASSERT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_EQ(server_.Total(), 3) << "final bars in the store are not asked for again";
  EXPECT_EQ(DataSheets(project, {"AAA", "BBB", "CCC"}), sheets);
  EXPECT_NE(Status(project, 3).text.find("From the quote store."), std::string::npos) << Status(project, 3).text;

  server_.Stop();
  const RunResult offline_update = Run({"update", "--offline", project});
  ASSERT_EQ(offline_update.status, 0) << offline_update.out << offline_update.err;
  EXPECT_EQ(DataSheets(project, {"AAA", "BBB", "CCC"}), sheets);
  const RunResult offline = Run({"refresh", "--offline", project});
  ASSERT_EQ(offline.status, 0) << offline.out << offline.err;
  EXPECT_EQ(DataSheets(project, {"AAA", "BBB", "CCC"}), sheets);
  const std::string aaa = Status(project, 3).text, ccc = Status(project, 5).text;
  EXPECT_NE(aaa.find("From the quote store (offline): newest bar 2024-03-29, "), std::string::npos) << aaa;
  EXPECT_NE(ccc.find("newest bar 2024-02-15, "), std::string::npos) << ccc;
  EXPECT_NE(aaa.find(" days old."), std::string::npos) << aaa;
}

TEST_F(QuoteStoreRun, ALongerRangeAsksOnlyForTheDaysTheStoreLacks) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, {Row("AAA", "2024-01-01", "2024-01-31")});
  ASSERT_EQ(Run({"refresh", project}).status, 0);
  WriteProject(project, {Row("AAA", "2024-01-01", "2024-03-31")});
  const RunResult longer = Run({"refresh", project});
  ASSERT_EQ(longer.status, 0) << longer.out << longer.err;
  EXPECT_EQ(server_.Hits("aaa"), 2);
  const auto stored = DataSheets(project, {"AAA"});
  // The same sheet as a download of the whole range without a store.
  ASSERT_EQ(Run({"refresh", "--no-store", project}).status, 0);
  EXPECT_EQ(server_.Hits("aaa"), 3);
  EXPECT_EQ(DataSheets(project, {"AAA"}), stored);
}

TEST_F(QuoteStoreRun, AFailedSourceSaysHowFarTheStoreGoesOrFillsTheRowWhenStaleIsOk) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, {Row("AAA", "2024-01-01", "2024-01-31")});
  ASSERT_EQ(Run({"refresh", project}).status, 0);
  WriteProject(project, {Row("AAA", "2024-01-01", "2024-03-31")});
  server_.Stop();
  const RunResult down = Run({"refresh", project});
  EXPECT_EQ(down.status, 1) << down.out << down.err;
  const StatusCell red = Status(project, 3);
  EXPECT_NE(red.text.find("; source down; the store has data to 2024-01-31 (fetched "), std::string::npos) << red.text;
  EXPECT_NE(red.text.find(" UTC)"), std::string::npos) << red.text;
  EXPECT_EQ(red.color, 3);

  const RunResult stale = Run({"refresh", "--stale-ok", project});
  EXPECT_EQ(stale.status, 0) << stale.out << stale.err;
  const StatusCell yellow = Status(project, 3);
  EXPECT_NE(yellow.text.find("from the quote store, data to 2024-01-31"), std::string::npos) << yellow.text;
  EXPECT_EQ(yellow.color, 44);
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(project);
  EXPECT_FALSE(wb.Worksheets("AAA").CellValue(2, 1).IsEmpty()) << "the stored January is on the sheet";
}

TEST_F(QuoteStoreRun, TheStoreNeverHoldsTheKey) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, {Row("AAA")});
  ASSERT_EQ(Run({"refresh", project}).status, 0);
  for (const auto& entry : fs::directory_iterator(folder_.Path())) {
    if (entry.path().filename().string().rfind("p.quotes.db", 0) != 0) continue;
    const std::string bytes = ReadWholeFile(entry.path().string());
    EXPECT_EQ(bytes.find("secret-key"), std::string::npos) << entry.path();
    EXPECT_NE(bytes.find("token=***"), std::string::npos) << entry.path();
  }
}

TEST_F(QuoteStoreRun, AGarbledStoreIsPutAsideOnceAndANewOneStarted) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, {Row("AAA")});
  std::ofstream(folder_.File("p.quotes.db"), std::ios::binary) << std::string(8192, '\x5a');
  const RunResult r = Run({"refresh", project});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.err.find("is damaged"), std::string::npos) << r.err;
  int aside = 0;
  for (const auto& entry : fs::directory_iterator(folder_.Path())) {
    if (entry.path().filename().string().rfind("p.quotes.db.corrupt-", 0) == 0) ++aside;
  }
  EXPECT_EQ(aside, 1);
  const RunResult rerun = Run({"refresh", project});
  EXPECT_EQ(rerun.status, 0);
  EXPECT_EQ(rerun.err.find("damaged"), std::string::npos) << rerun.err;
  EXPECT_EQ(server_.Total(), 1) << "the new store serves the rerun";
}

TEST_F(QuoteStoreRun, TwoProcessesShareOneStore) {
  const std::string shared = folder_.File("shared.db");
  std::vector<std::string> projects;
  for (const char* name : {"one", "two"}) {
    projects.push_back(folder_.File(std::string(name) + ".xlsx"));
    WriteProject(projects.back(), {Row("AAA"), Row(std::string("X") + name), Row("BBB")});
  }
  const std::map<std::string, std::string> env = {{"XDG_CONFIG_HOME", folder_.File("config")}};
  Child one(folder_.Path(), {"refresh", "--store", shared, projects[0]}, env, "one");
  Child two(folder_.Path(), {"refresh", "--store", shared, projects[1]}, env, "two");
  const RunResult a = one.Wait(), b = two.Wait();
  EXPECT_EQ(a.status, 0) << a.out << a.err;
  EXPECT_EQ(b.status, 0) << b.out << b.err;
  EXPECT_EQ(a.err.find("warning"), std::string::npos) << a.err;
  EXPECT_EQ(b.err.find("warning"), std::string::npos) << b.err;
  const int before = server_.Total();
  // Everything either of them fetched now comes from the shared store.
  ASSERT_EQ(Run({"refresh", "--store", shared, projects[0]}).status, 0);
  ASSERT_EQ(Run({"refresh", "--store", shared, projects[1]}).status, 0);
  EXPECT_EQ(server_.Total(), before);
}

TEST_F(QuoteStoreRun, RowsOfOneSeriesShareOneDownloadAndEachTakesItsSlice) {
  const std::string project = folder_.File("p.xlsx");
  // Ten rows over three series, in mixed order and windows, weekly and
  // adjusted ones among them.
  std::vector<DemoRow> rows = {Row("AAA", "2024-01-01", "2024-03-31"), Row("BBB", "2023-06-01", "2023-12-31"),
                               Row("AAA", "2023-10-02", "2024-01-17"), Row("CCC"),
                               Row("BBB", "2023-07-05", "2023-07-20"), Row("AAA", "2024-02-07", "2024-02-07"),
                               Row("CCC", "2023-12-01", "2024-01-31"), Row("BBB"),
                               Row("AAA", "2023-12-13", "2024-03-06"), Row("CCC", "2024-01-03", "2024-01-05")};
  rows[2].periodicity = "Weekly";
  rows[6].periodicity = "Monthly";
  rows[8].source = "TIINGO(ADJUST VALUES)";
  WriteProject(project, rows, /*own_sheets=*/true);
  std::set<std::string> names;
  for (int row = 3; row < 13; ++row) names.insert("R" + std::to_string(row));
  const RunResult shared = Run({"refresh", project});
  ASSERT_EQ(shared.status, 0) << shared.out << shared.err;
  EXPECT_EQ(server_.Total(), 3);
  const auto sheets = DataSheets(project, names);
  const RunResult apart = Run({"refresh", "--no-store", project});
  ASSERT_EQ(apart.status, 0) << apart.out << apart.err;
  EXPECT_EQ(server_.Total(), 13);
  const auto alone = DataSheets(project, names);
  for (const std::string& name : names) EXPECT_EQ(sheets.at(name), alone.at(name)) << name;
}

TEST_F(QuoteStoreRun, AFailedSharedDownloadFailsEveryRowOfItWithTheSameTextAndOneRetryBudget) {
  const std::string one = folder_.File("one.xlsx"), four = folder_.File("four.xlsx");
  WriteProject(one, {Row("DEAD")}, true);
  ASSERT_EQ(Run({"refresh", "--no-store", one}).status, 1);
  const int budget = server_.Hits("dead");
  WriteProject(four, {Row("DEAD"), Row("DEAD", "2024-02-01"), Row("DEAD", "2024-01-10", "2024-01-20"), Row("DEAD")}, true);
  const RunResult r = Run({"refresh", four});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(server_.Hits("dead"), 2 * budget);
  const std::string first = Status(four, 3).text;
  const std::string cause = first.substr(first.find("Error:"));
  for (int row = 4; row <= 6; ++row) {
    const StatusCell status = Status(four, row);
    EXPECT_EQ(status.text.substr(status.text.find("Error:")), cause) << row;
    EXPECT_EQ(status.color, 3);
  }
}

TEST_F(QuoteStoreRun, AKilledRunIsResumedWithoutAskingAgainForWhatItHad) {
  server_.Delay(120);
  // One request at a time, so the kill lands between rows.
  std::ofstream(folder_.File("config/PelorinXL/settings.ini"), std::ios::app) << "MaxConnections=1\n";
  std::vector<DemoRow> rows;
  for (int i = 1; i <= 8; ++i) rows.push_back(Row("T" + std::to_string(i)));
  std::set<std::string> names;
  for (const DemoRow& row : rows) names.insert(row.ticker);
  const std::string reference = folder_.File("reference.xlsx"), project = folder_.File("p.xlsx");
  WriteProject(reference, rows);
  ASSERT_EQ(Run({"refresh", "--no-store", reference}).status, 0);
  const auto uninterrupted = DataSheets(reference, names);
  const int before = server_.Total();

  WriteProject(project, rows);
  const std::map<std::string, std::string> env = {{"XDG_CONFIG_HOME", folder_.File("config")}};
  Child killed(folder_.Path(), {"refresh", project}, env, "killed");
  const auto deadline = steady_clock::now() + seconds(20);
  while (server_.Total() < before + 3 && steady_clock::now() < deadline) std::this_thread::sleep_for(milliseconds(2));
  killed.Signal(SIGKILL);
  EXPECT_EQ(killed.Wait().status, 128 + SIGKILL);
  const int asked_before_kill = server_.Total() - before;
  ASSERT_LT(asked_before_kill, 8) << "the kill came too late to test anything";

  const RunResult resumed = Run({"refresh", "--resume", project});
  ASSERT_EQ(resumed.status, 0) << resumed.out << resumed.err;
  int rows_done = -1;
  const size_t at = resumed.out.find(" UTC: ");
  ASSERT_NE(at, std::string::npos) << resumed.out;
  std::sscanf(resumed.out.c_str() + at + 6, "%d", &rows_done);
  const int asked_on_resume = server_.Total() - before - asked_before_kill;
  EXPECT_LE(asked_on_resume, 8 - rows_done) << "finished rows ask nothing";
  // Each series once, but for the one whose answer the kill cut off.
  EXPECT_LE(asked_before_kill + asked_on_resume, 9);
  EXPECT_EQ(DataSheets(project, names), uninterrupted);

  const RunResult again = Run({"refresh", "--resume", project});
  EXPECT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_NE(again.err.find("nothing to resume"), std::string::npos) << again.err;
}

// A resume keeps to the rows the resumed run was asked for.
TEST_F(QuoteStoreRun, AResumeRunsOnlyTheRowsOfTheResumedRun) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, {Row("T1"), Row("T2"), Row("T3"), Row("T4")});
  ASSERT_EQ(Run({"refresh", "--rows", "4-5", project}).status, 0);
  {
    // As if it had been killed before its end was booked.
    quotes::SqliteDb db(folder_.File("p.quotes.db"), quotes::SqliteDb::Mode::kReadWriteCreate);
    db.Exec("UPDATE runs SET ended=NULL, exit_code=NULL");
  }
  const RunResult resumed = Run({"refresh", "--resume", project});
  ASSERT_EQ(resumed.status, 0) << resumed.out << resumed.err;
  EXPECT_NE(resumed.out.find(" UTC (rows 4-5): 2 row(s) had finished"), std::string::npos) << resumed.out;
  EXPECT_EQ(server_.Hits("T1") + server_.Hits("T4"), 0) << "rows 3 and 6 were not chosen";
  EXPECT_EQ(server_.Total(), 2) << "rows 4 and 5 come from the store";
  EXPECT_EQ(Status(project, 3).text, "");
  EXPECT_EQ(Status(project, 6).text, "");
  EXPECT_NE(Status(project, 5).text, "");
}

TEST_F(QuoteStoreRun, PlanCountsTheRequestsTheNextRunMakes) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, {Row("AAA"), Row("CCC", "2024-01-01", "2024-01-31")});
  ASSERT_EQ(Run({"refresh", project}).status, 0);
  DemoRow sample = Row("SMP");
  sample.source = "SAMPLE";
  WriteProject(project,
               {Row("AAA", "2024-02-01", "2024-02-29"), Row("BBB"), Row("CCC"), sample, Row("BBB", "2023-05-01", "2023-06-30"),
                Row("AAA")},
               /*own_sheets=*/true);
  const RunResult plan = Run({"plan", "--json", project});
  ASSERT_EQ(plan.status, 0) << plan.out << plan.err;
  EXPECT_NE(plan.out.find("\"requests\":2,"), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find("{\"source\":\"TIINGO\",\"requests\":2,\"shared\":1,\"from_store\":2,"), std::string::npos)
      << plan.out;
  EXPECT_NE(plan.out.find("{\"source\":\"SAMPLE\",\"requests\":0,\"shared\":0,\"from_store\":0,\"local\":1"),
            std::string::npos)
      << plan.out;
  const RunResult words = Run({"plan", project});
  EXPECT_NE(words.out.find("TIINGO: 2 request(s); 1 row(s) share one of them, 2 come from the store"), std::string::npos)
      << words.out;
  const int before = server_.Total();
  ASSERT_EQ(Run({"refresh", project}).status, 0);
  EXPECT_EQ(server_.Total() - before, 2);
  const RunResult after = Run({"plan", "--json", project});
  EXPECT_NE(after.out.find("\"requests\":0,"), std::string::npos) << after.out;
  EXPECT_NE(Run({"plan", "--json", "--no-store", project}).out.find("\"requests\":5,"), std::string::npos);
}

TEST_F(QuoteStoreRun, ProvenanceInfoVerifyAndVacuum) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, {Row("AAA"), Row("BBB")});
  ASSERT_EQ(Run({"refresh", project}).status, 0);
  WriteProject(project, {Row("AAA", "2023-12-01"), Row("BBB")});
  ASSERT_EQ(Run({"refresh", project}).status, 0);

  const RunResult provenance = Run({"info", "--provenance", "--rows", "3", project});
  ASSERT_EQ(provenance.status, 0) << provenance.out << provenance.err;
  // December 2023 (21 weekdays) came with the second fetch, January to March 2024 (65) with the first.
  EXPECT_NE(provenance.out.find("Row 3 AAA (TIINGO): 86 stored bar(s) from 2023-12-01 to 2024-03-31, from 2 fetch(es)"),
            std::string::npos)
      << provenance.out;
  EXPECT_NE(provenance.out.find("HTTP 200"), std::string::npos) << provenance.out;
  EXPECT_NE(provenance.out.find("token=***"), std::string::npos) << provenance.out;
  EXPECT_EQ(provenance.out.find("secret-key"), std::string::npos) << provenance.out;
  EXPECT_EQ(provenance.out.find("Row 4"), std::string::npos) << provenance.out;

  const RunResult info = Run({"store", "info", project});
  ASSERT_EQ(info.status, 0) << info.out << info.err;
  EXPECT_NE(info.out.find("Series: 2\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Runs: 2\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Fetches: 3 (0 failed)"), std::string::npos) << info.out;

  const RunResult same = Run({"store", "verify", project});
  EXPECT_EQ(same.status, 0) << same.out << same.err;
  EXPECT_NE(same.out.find("2 series checked, 0 differ"), std::string::npos) << same.out;
  server_.Shift(0.05);  // five cents on prices near 100: beyond 1e-4
  const RunResult moved = Run({"store", "verify", "--sample", "1", project});
  EXPECT_EQ(moved.status, 1) << moved.out << moved.err;
  EXPECT_NE(moved.out.find("differs: Open of "), std::string::npos) << moved.out;

  const RunResult vacuum = Run({"store", "vacuum", project});
  EXPECT_EQ(vacuum.status, 0) << vacuum.out << vacuum.err;
  auto counts = [](const std::string& text) { return text.substr(text.find("Series:")); };
  EXPECT_EQ(counts(Run({"store", "info", project}).out), counts(info.out)) << "nothing lost";
}

TEST_F(QuoteStoreRun, KillsInTheMiddleOfWritesNeverDamageTheStore) {
  server_.Delay(5);
  std::vector<DemoRow> rows;
  for (int i = 1; i <= 20; ++i) rows.push_back(Row("K" + std::to_string(i), "2020-01-01", "2024-03-31"));
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, rows);
  const std::map<std::string, std::string> env = {{"XDG_CONFIG_HOME", folder_.File("config")}};
  const int seed = static_cast<int>(steady_clock::now().time_since_epoch().count() % 1000);
  std::printf("kill delays seeded with %d\n", seed);
  for (int round = 0; round < 5; ++round) {
    // Kill at once, then later and later: some kills land inside a commit.
    WriteProject(project, rows);
    Child run(folder_.Path(), {"refresh", project}, env, "kill" + std::to_string(round));
    // The delay counts from the store's creation, so that on a slow machine
    // the kill still lands among the writes and not before the first.
    const auto give_up = steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(folder_.File("p.quotes.db")) && steady_clock::now() < give_up) {
      std::this_thread::sleep_for(milliseconds(5));
    }
    std::this_thread::sleep_for(milliseconds(100 + (seed * 7 + round * 131) % 400));
    run.Signal(SIGKILL);
    run.Wait();
    const RunResult info = Run({"store", "info", project});
    EXPECT_EQ(info.status, 0) << round << ": " << info.out << info.err;
    EXPECT_EQ(info.err.find("damaged"), std::string::npos) << round << ": " << info.err;
  }
  WriteProject(project, rows);
  const RunResult last = Run({"refresh", project});
  EXPECT_EQ(last.status, 0) << last.out << last.err;
  EXPECT_EQ(last.err.find("warning"), std::string::npos) << last.err;
}

TEST_F(QuoteStoreRun, OfflineWithoutAStoreIsRefused) {
  const std::string project = folder_.File("p.xlsx");
  WriteProject(project, {Row("AAA")});
  const RunResult r = Run({"refresh", "--offline", "--no-store", project});
  EXPECT_NE(r.status, 0);
  std::ofstream(folder_.File("config/PelorinXL/settings.ini"), std::ios::app) << "QuoteStore=none\n";
  const RunResult none = Run({"refresh", "--offline", project});
  EXPECT_EQ(none.status, 2) << none.out << none.err;
  EXPECT_NE(none.err.find("--offline needs a quote store"), std::string::npos) << none.err;
  EXPECT_EQ(server_.Total(), 0);
  EXPECT_FALSE(fs::exists(folder_.File("p.quotes.db")));
}

}  // namespace
}  // namespace plrxl::testing
