// An update against a source that re-adjusted its history, through the real
// pelorinxl program and a server on 127.0.0.1 answering in TIINGO's format:
// the workbook ends as a fresh refresh would make it, cell for cell, with
// and without the quote store, in both data directions; an unchanged
// history costs one request and appends; a corrected bar is rewritten
// alone; --no-readjust only appends; a failed rewrite keeps the old block.
// Suspect bars are counted in the status, listed by check-data and changed
// only by --repair=unit100, the quote store keeping what the source sent.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>

#include "host/regional.h"
#include "tests/app/project_file.h"
#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"
#include "tests/quotes/loopback_server.h"

namespace plrxl::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing_xlsx::TempFolder;

// What the server's history looks like now.
struct History {
  double factor = 1;              // prices before `since` are scaled by it
  bool split = true;              // else a dividend: volumes stay
  std::string since = "2024-03-18";
  bool event = false;             // the bar of `since` carries splitFactor or divCash
  std::string corrected;          // a day whose close the source corrected
  std::string refuse_before;      // requests starting before this day get HTTP 403
  // Faults: a close in pence, a volume of zero while the close moved, a
  // high below the close, a weekday without a bar.
  std::string pence, flat_volume, low_high, skipped;
};

sys_days ParseDay(const std::string& iso) {
  int y = 0, m = 0, d = 0;
  std::sscanf(iso.c_str(), "%d-%d-%d", &y, &m, &d);
  return sys_days(year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)});
}

// TIINGO's daily prices, one bar a weekday, made from the date.
class HistoryServer {
 public:
  HistoryServer() {
    server_.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [this](const httplib::Request& req, httplib::Response& res) {
      ++requests_;
      History h;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        h = history_;
      }
      const std::string from = req.get_param_value("startDate");
      if (!h.refuse_before.empty() && ParseDay(from) < ParseDay(h.refuse_before)) {
        res.status = 403;
        return;
      }
      res.set_content(Bars(h, from, req.get_param_value("endDate")), "application/json");
    });
    server_.Start();
  }
  std::string Url() const { return server_.Url(); }
  int Requests() const { return requests_.load(); }
  void Set(const History& h) {
    std::lock_guard<std::mutex> lock(mutex_);
    history_ = h;
  }

 private:
  static std::string Bars(const History& h, const std::string& from, const std::string& to) {
    std::string json = "[";
    for (sys_days d = ParseDay(from); d <= ParseDay(to); d += days{1}) {
      const weekday wd{d};
      if (wd == Saturday || wd == Sunday) continue;
      const year_month_day ymd{d};
      const int n = static_cast<int>(d.time_since_epoch().count());
      double close = 50 + (n % 37) * 0.5, volume = 10000 + (n % 11) * 100;
      double div_cash = 0, split_factor = 1;
      if (d < ParseDay(h.since)) {
        close *= h.factor;
        if (h.split) volume /= h.factor;
      }
      if (d == ParseDay(h.since) && h.event && h.factor != 1) {
        if (h.split) split_factor = 1 / h.factor;
        else {
          // The amount that makes the factor from the close of the weekday before.
          const sys_days before = d - days{wd == Monday ? 3 : 1};
          div_cash = (50 + (static_cast<int>(before.time_since_epoch().count()) % 37) * 0.5) * (1 - h.factor);
        }
      }
      if (!h.corrected.empty() && d == ParseDay(h.corrected)) close *= 1.01;
      auto on = [&](const std::string& day) { return !day.empty() && d == ParseDay(day); };
      if (on(h.skipped)) continue;
      double high = close + h.factor, low = close - h.factor, open = close - 0.25 * h.factor;
      if (on(h.pence)) {
        close *= 100;
        high *= 100;
        low *= 100;
        open *= 100;
      }
      if (on(h.flat_volume)) volume = 0;
      if (on(h.low_high)) high = close - 0.01;
      char bar[360];
      std::snprintf(bar, sizeof bar,
                    "%s{\"date\":\"%04d-%02u-%02uT00:00:00.000Z\",\"close\":%.6f,\"high\":%.6f,\"low\":%.6f,"
                    "\"open\":%.6f,\"volume\":%.0f,\"adjClose\":%.6f,\"divCash\":%.4f,\"splitFactor\":%.4f}",
                    json.size() > 1 ? "," : "", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                    static_cast<unsigned>(ymd.day()), close, high, low, open, volume, close, div_cash, split_factor);
      json += bar;
    }
    return json + "]";
  }

  LoopbackServer server_;
  std::mutex mutex_;
  History history_;
  std::atomic<int> requests_{0};
};

// Every cell of a sheet, as text.
std::string SheetText(const std::string& path, const std::string& name) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  Worksheet& sheet = wb.Worksheets(name);
  std::string text;
  if (std::optional<Rect> used = sheet.UsedRange()) {
    for (int r = used->row1; r <= used->row2; ++r) {
      for (int c = used->col1; c <= used->col2; ++c) text += ToText(sheet.CellValue(r, c), host.Regional()) + "|";
      text += "\n";
    }
  }
  return text;
}

struct StatusCell {
  std::string text;
  int color = 0;
};

StatusCell Status(const std::string& path) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  Range cell = wb.Worksheets(kSettingsSheet).Cells(3, 11);
  return {cell.Text(), cell.FontColorIndex()};
}

// The row's End Date, as a person moves it on between runs.
void SetEndDate(const std::string& path, int y, int m, int d) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  wb.Worksheets(kSettingsSheet).SetCellValue(3, 3, Variant::Date(DateSerial(y, m, d)));
  wb.SaveAs(path);
}

class ReadjustUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_.File("config/PelorinXL"));
    std::ofstream(folder_.File("config/PelorinXL/settings.ini"))
        << "[Sources]\nTiingoBaseUrl=" << server_.Url() << "\nTiingoKey=k\n";
  }
  RunResult Run(std::vector<std::string> args) {
    return RunPelorinxl(folder_.Path(), args, {{"XDG_CONFIG_HOME", folder_.File("config")}});
  }
  // A project of one TIINGO row to 15 March 2024, refreshed from the
  // history the server has now.
  std::string Refreshed(const std::string& name, const std::string& periodicity, const std::string& direction,
                        const std::vector<std::string>& options) {
    const std::string project = folder_.File(name);
    DemoRow row{"AAA", "2023-10-02", "2024-03-15", periodicity, direction, "dohlcv", "averagechange(H1,close,10)"};
    row.source = "TIINGO";
    WriteProject(project, {row});
    std::vector<std::string> args = {"refresh"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(project);
    const RunResult r = Run(args);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return project;
  }
  // The sheet a fresh refresh to 29 March makes of the server's history now.
  std::string FreshRefresh(const std::string& periodicity, const std::string& direction) {
    const std::string fresh = Refreshed("fresh.xlsx", periodicity, direction, {"--no-store"});
    SetEndDate(fresh, 2024, 3, 29);
    const RunResult r = Run({"refresh", "--no-store", fresh});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return SheetText(fresh, "AAA");
  }

  HistoryServer server_;
  TempFolder folder_;
};

struct UpdateCase {
  const char* name;
  bool store;
  const char* periodicity;
  const char* direction;
  History after;       // the server's history at the update
  const char* status;  // a part of the row's status after it
  int color;           // of the status
  int requests;        // the update's
};

TEST_F(ReadjustUpdate, EndsAsAFreshRefreshOfTheNewHistory) {
  History split;
  split.factor = 0.5;
  History split_event = split;
  split_event.event = true;
  History dividend;
  dividend.factor = 0.995;
  dividend.split = false;
  History dividend_event = dividend;
  dividend_event.event = true;
  History corrected;
  corrected.corrected = "2024-03-13";
  const std::string times = "history re-adjusted \xC3\x97";
  const std::vector<UpdateCase> cases = {
      {"split found by comparing, no store", false, "Daily", "FTB", split, "0.5 (split 2:1): ", 10, 2},
      {"split found by comparing, no store, newest first", false, "Daily", "FBT", split, "0.5 (split 2:1): ", 10, 2},
      {"split found by comparing, store", true, "Daily", "FTB", split, "0.5 (split 2:1): ", 10, 2},
      {"split event, store, newest first", true, "Daily", "FBT", split_event, "0.5 (split 2:1 on 2024-03-18): ", 10, 2},
      {"split event, no store", false, "Daily", "FTB", split_event, "0.5 (split 2:1 on 2024-03-18): ", 10, 2},
      {"weekly split, no store", false, "Weekly", "FTB", split, "0.5 (split 2:1): ", 10, 2},
      {"dividend of 0.995, no store, newest first", false, "Daily", "FBT", dividend, "0.995 (dividend): ", 10, 2},
      {"dividend of 0.995, store", true, "Daily", "FTB", dividend, "0.995 (dividend): ", 10, 2},
      {"dividend event, store", true, "Daily", "FTB", dividend_event, "0.995 (dividend on 2024-03-18): ", 10, 2},
      {"unchanged, no store", false, "Daily", "FTB", History{}, "Download OK.", 0, 1},
      {"unchanged, store, newest first", true, "Daily", "FBT", History{}, "Download OK.", 0, 1},
      {"unchanged weekly, no store", false, "Weekly", "FBT", History{}, "Download OK.", 0, 1},
      {"one corrected bar, no store", false, "Daily", "FTB", corrected, "1 bar corrected by the source.", 0, 1},
      {"one corrected bar, store, newest first", true, "Daily", "FBT", corrected, "1 bar corrected by the source.", 0,
       1},
  };
  for (const UpdateCase& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(folder_.File("p.quotes.db"));
    fs::remove(folder_.File("p.quotes.db-wal"));
    fs::remove(folder_.File("p.quotes.db-shm"));
    server_.Set(History{});
    const std::vector<std::string> store_option = c.store ? std::vector<std::string>{} : std::vector<std::string>{"--no-store"};
    const std::string project = Refreshed("p.xlsx", c.periodicity, c.direction, store_option);
    const std::string before = SheetText(project, "AAA");

    server_.Set(c.after);
    SetEndDate(project, 2024, 3, 29);
    const int asked = server_.Requests();
    std::vector<std::string> args = {"update"};
    args.insert(args.end(), store_option.begin(), store_option.end());
    args.push_back(project);
    const RunResult r = Run(args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(server_.Requests() - asked, c.requests);
    const StatusCell status = Status(project);
    const std::string wanted = c.color == 10 ? times + c.status : c.status;
    EXPECT_NE(status.text.find(wanted), std::string::npos) << status.text;
    if (c.color != 10) {
      EXPECT_EQ(status.text.find("re-adjusted"), std::string::npos) << status.text;
    }
    EXPECT_EQ(status.color, c.color) << status.text;

    const std::string updated = SheetText(project, "AAA");
    EXPECT_NE(updated, before);
    EXPECT_EQ(updated, FreshRefresh(c.periodicity, c.direction));
  }
}

TEST_F(ReadjustUpdate, NoReadjustOnlyAppendsAndAFailedRewriteKeepsTheOldBlock) {
  const std::string project = Refreshed("p.xlsx", "Daily", "FTB", {"--no-store"});
  const std::string before = SheetText(project, "AAA");
  History split;
  split.factor = 0.5;
  split.refuse_before = "2024-03-01";  // the overlap is answered, the whole range refused
  server_.Set(split);
  SetEndDate(project, 2024, 3, 29);
  const RunResult failed = Run({"update", "--no-store", project});
  EXPECT_EQ(failed.status, 1) << failed.out << failed.err;
  EXPECT_EQ(SheetText(project, "AAA"), before) << "never half old, half new";
  const StatusCell red = Status(project);
  EXPECT_EQ(red.color, 3);
  EXPECT_NE(red.text.find("The source re-adjusted its history (history re-adjusted \xC3\x97" "0.5 (split 2:1)); the sheet keeps its old bars."),
            std::string::npos)
      << red.text;

  const int asked = server_.Requests();
  const RunResult appended = Run({"update", "--no-store", "--no-readjust", project});
  ASSERT_EQ(appended.status, 0) << appended.out << appended.err;
  EXPECT_EQ(server_.Requests() - asked, 1);
  const std::string after = SheetText(project, "AAA");
  // The old rows stay as they were; the new bars follow them.
  EXPECT_EQ(after.substr(0, before.rfind('\n', before.size() - 2)), before.substr(0, before.rfind('\n', before.size() - 2)));
  EXPECT_GT(after.size(), before.size());
  EXPECT_EQ(Status(project).text.find("re-adjusted"), std::string::npos);
}

TEST_F(ReadjustUpdate, SuspectBarsAreCountedListedAndRepairedOnlyWhenAsked) {
  History faults;
  faults.pence = "2024-02-06";
  faults.flat_volume = "2024-02-13";
  faults.low_high = "2024-02-21";
  faults.skipped = "2024-02-27";
  faults.corrected = "2024-02-19";  // Presidents' Day: no session, yet a bar; not suspect
  server_.Set(faults);
  const std::string project = Refreshed("p.xlsx", "Daily", "FTB", {});
  const StatusCell status = Status(project);
  EXPECT_NE(status.text.find("Download OK. 4 suspect bars."), std::string::npos) << status.text;
  const std::string before = SheetText(project, "AAA");

  const RunResult listed = Run({"check-data", project});
  EXPECT_EQ(listed.status, 1) << listed.out << listed.err;
  for (const char* line : {"row 3 AAA (AAA) 2024-02-06 jump: close ", "row 3 AAA (AAA) 2024-02-13 zero-volume: ",
                           "row 3 AAA (AAA) 2024-02-21 high-below: ", "row 3 AAA (AAA) 2024-02-27 missing-day: ",
                           "4 suspect bars in 1 of 1 row of "}) {
    EXPECT_NE(listed.out.find(line), std::string::npos) << line << "\n" << listed.out;
  }
  EXPECT_EQ(SheetText(project, "AAA"), before) << "listing changes nothing";

  const RunResult repaired = Run({"check-data", "--repair=unit100", project});
  ASSERT_EQ(repaired.status, 0) << repaired.out << repaired.err;
  EXPECT_NE(repaired.out.find("row 3 AAA 2024-02-06 repaired: prices scaled back by 100"), std::string::npos)
      << repaired.out;
  const RunResult after = Run({"check-data", project});
  EXPECT_EQ(after.status, 1);
  EXPECT_EQ(after.out.find(" jump: "), std::string::npos) << after.out;
  EXPECT_NE(after.out.find("3 suspect bars in 1 of 1 row"), std::string::npos) << after.out;
  // Only the slipped bar's prices changed.
  const std::string fixed = SheetText(project, "AAA");
  auto lines = [](const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
      end = text.find('\n', at);
      out.push_back(text.substr(at, end - at));
    }
    return out;
  };
  const std::vector<std::string> old_lines = lines(before), new_lines = lines(fixed);
  ASSERT_EQ(old_lines.size(), new_lines.size());
  int changed = 0;
  for (size_t i = 0; i < old_lines.size(); ++i) {
    if (old_lines[i] == new_lines[i]) continue;
    ++changed;
    EXPECT_EQ(new_lines[i].rfind("2024-02-06|50.", 0) == 0 || new_lines[i].find("|50.") != std::string::npos, true)
        << new_lines[i];
  }
  EXPECT_EQ(changed, 1);

  // The store keeps what the source sent: the slipped bar comes back from it.
  const RunResult offline = Run({"refresh", "--offline", project});
  ASSERT_EQ(offline.status, 0) << offline.out << offline.err;
  EXPECT_EQ(SheetText(project, "AAA"), before);
  EXPECT_NE(Run({"check-data", "--repair=pence", project}).status, 0) << "an unknown repair is refused";
}

}  // namespace
}  // namespace plrxl::testing
