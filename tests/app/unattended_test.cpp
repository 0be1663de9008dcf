// Unattended runs end to end: the real pelorinxl program on real .xlsx
// files, its exit codes, the workbook lock, stop signals, a folder that
// cannot be written, downloads that do not fit, and settings lines that
// cannot be read. Quotes come from SAMPLE, from CSV files, or from a STOOQ
// server on 127.0.0.1 that answers slowly and counts its requests.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "download/demo_project.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/scripted_ui.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "support/clock.h"
#include "support/settings_store.h"
#include "tests/app/project_file.h"
#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"
#include "tests/quotes/loopback_server.h"
#include "tests/support/csv_bars.h"

namespace plrxl::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing_xlsx::TempFolder;

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

DemoRow Row(const std::string& ticker, const std::string& source = "SAMPLE", const std::string& fields = "dc") {
  DemoRow row{ticker, "2024-01-02", "2024-02-29", "Daily", "FTB", fields, ""};
  row.source = source;
  return row;
}

struct Status {
  std::string text;
  bool red = false;
};

// The Status cells of ticker rows 3.. of a saved project.
std::vector<Status> Statuses(const std::string& path, int rows) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  Worksheet& settings = wb.Worksheets(kSettingsSheet);
  std::vector<Status> result;
  for (int row = 3; row < 3 + rows; ++row) {
    result.push_back({settings.Cells(row, 11).Text(), settings.Cells(row, 11).FontColorIndex() == 3});
  }
  return result;
}

// A STOOQ server that answers the request for ticker Tn (or An) after n
// times `delay_ms`, so the rows of a run finish one after the other
// whatever order the requests come in.
class SlowStooq {
 public:
  explicit SlowStooq(int delay_ms) {
    server_.Http().Get("/q/d/l/", [this, delay_ms](const httplib::Request& req, httplib::Response& res) {
      ++requests_;
      const std::string symbol = req.get_param_value("s");
      const size_t digit = symbol.find_first_of("0123456789");
      const int n = digit == std::string::npos ? 1 : std::atoi(symbol.c_str() + digit);
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms * std::max(n, 1)));
      {
        std::unique_lock<std::mutex> lock(mutex_);
        released_.wait_for(lock, std::chrono::seconds(120), [this] { return !held_; });
      }
      res.set_content("Date,Open,High,Low,Close,Volume\n2024-01-02,10,11,9,10.5,100\n2024-01-03,10.5,12,10,11,120\n",
                      "text/csv");
    });
    server_.Start();
  }
  int Requests() const { return requests_; }
  // While held, every answer waits: the run that asked stays busy however
  // slowly the other processes of a test start.
  void Hold() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = true;
  }
  void Release() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      held_ = false;
    }
    released_.notify_all();
  }
  ~SlowStooq() { Release(); }
  // The settings file that points STOOQ at this server.
  void WriteSettings(const std::string& config_home) const {
    fs::create_directories(config_home + "/PelorinXL");
    std::ofstream(config_home + "/PelorinXL/settings.ini")
        << "[Sources]\nStooqBaseUrl=" << server_.Url() << "\nStooqKey=test\n";
  }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool held_ = false;
  LoopbackServer server_;
  std::atomic<int> requests_{0};
};

std::map<std::string, std::string> ConfigEnv(const TempFolder& folder) {
  return {{"XDG_CONFIG_HOME", folder.File("config")}};
}

TEST(Unattended, ExitCodesAScriptCanRelyOn) {
  TempFolder folder;
  const std::string ok = folder.File("ok.xlsx"), failing = folder.File("failing.xlsx"),
                    unchecked = folder.File("unchecked.xlsx"), broken = folder.File("broken.xlsx"),
                    foreign = folder.File("foreign.xlsx");
  WriteProject(ok, {Row("AAA"), Row("BBB")});
  WriteProject(failing, {Row("AAA"), Row("BBB", "SAMPLE", "xyz")});  // no field: a red row
  WriteProject(foreign, {Row("AAA")});
  const std::string macro = folder.File("macro.xlsx");
  {
    DemoRow missing = Row("AAA");
    missing.macros = "NoSuchMacro";  // the question after it is answered No: the run stops there
    WriteProject(macro, {missing, Row("BBB")});
  }
  {
    DemoRow bad = Row("AAA");
    bad.direction = "UP";  // the project check stops the run
    WriteProject(unchecked, {bad});
  }
  std::ofstream(broken) << "not a workbook";
  std::ofstream(folder.File(".~lock.foreign.xlsx#")) << "someone,host,/home/someone,06.12.2026 10:00,\n";
  const struct {
    const char* label;
    std::vector<std::string> args;
    int code;
    const char* err_has;
  } cases[] = {
      {"all rows ok", {"refresh", ok}, 0, ""},
      {"macros only", {"macros", ok}, 0, ""},
      {"a row failed", {"refresh", failing}, 1, ""},
      {"rerun of the failed row", {"update", "--failed", failing}, 1, ""},
      {"a macro question answered No", {"refresh", macro}, 1, "cannot be found"},
      {"the check stops the run", {"refresh", unchecked}, 2, ""},
      {"another program has it open", {"refresh", foreign}, 2, "open in another spreadsheet program by someone"},
      {"forced", {"refresh", "--force", foreign}, 0, ""},
      {"not a workbook", {"refresh", broken}, 3, "nothing was changed"},
      {"missing file", {"update", folder.File("missing.xlsx")}, 3, "missing.xlsx"},
      {"unknown option", {"refresh", "--frobnicate", ok}, 109, "--frobnicate"},
      {"missing project", {"refresh"}, 106, "PROJECT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const RunResult r = RunPelorinxl(folder.Path(), c.args, ConfigEnv(folder));
    EXPECT_EQ(r.status, c.code) << r.out << r.err;
    EXPECT_NE(r.err.find(c.err_has), std::string::npos) << r.err;
  }
  EXPECT_EQ(testing_xlsx::ReadBytes(broken), "not a workbook");
  EXPECT_FALSE(fs::exists(folder.File("missing.xlsx")));
  // A run the check stops saves nothing and says so last, also for chosen rows.
  const std::string unchecked_bytes = testing_xlsx::ReadBytes(unchecked);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"refresh", unchecked},
                                               std::vector<std::string>{"update", "--rows", "3", unchecked}}) {
    const RunResult stopped = RunPelorinxl(folder.Path(), args, ConfigEnv(folder));
    EXPECT_EQ(stopped.status, 2) << stopped.err;
    EXPECT_NE(stopped.out.find("stopped: the project check failed before the first row"), std::string::npos)
        << stopped.out;
    EXPECT_EQ(stopped.out.find("Done: "), std::string::npos) << stopped.out;
    EXPECT_EQ(stopped.out.find("saving "), std::string::npos) << stopped.out;
  }
  EXPECT_EQ(testing_xlsx::ReadBytes(unchecked), unchecked_bytes) << "nothing ran: nothing was saved";
  // The lock files are gone after every run.
  for (const auto& entry : fs::directory_iterator(folder.Path())) {
    EXPECT_EQ(entry.path().string().find("pelorinxl-lock"), std::string::npos) << entry.path();
  }
  const RunResult help = RunPelorinxl(folder.Path(), {"--help"});
  EXPECT_NE(help.out.find("Exit codes:"), std::string::npos);
  EXPECT_NE(help.out.find("130  cancelled by Ctrl+C, SIGTERM or SIGHUP"), std::string::npos);
}

TEST(Unattended, SeventyThousandBarsFillNothingAndTheRunGoesOn) {
  TempFolder folder;
  fs::create_directories(folder.File("feeds"));
  WriteCsvBars(folder.File("feeds/HUGE.csv"), 70000);
  WriteCsvBars(folder.File("feeds/SMALL.csv"), 40, std::chrono::year{2024} / 1 / 1);
  fs::create_directories(folder.File("config/PelorinXL"));
  // One unreadable line: reported with its line number, the others count.
  std::ofstream(folder.File("config/PelorinXL/settings.ini"))
      << "[Sources]\nthis line is not a setting\nCsvFolder=" << folder.File("feeds") << "\n";
  const std::string project = folder.File("p.xlsx");
  DemoRow huge = Row("HUGE", "CSV", "dohlcv");
  huge.start = "1900-03-01";
  huge.end = "2099-12-31";
  WriteProject(project, {huge, Row("SMALL", "CSV", "dohlcv")});
  const auto start = Clock::now();
  const RunResult r = RunPelorinxl(folder.Path(), {"refresh", project}, ConfigEnv(folder));
  std::printf("[ figures  ] 70,000-bar CSV refused and the run finished in %.0f ms\n", Milliseconds(start));
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.err.find(folder.File("config/PelorinXL/settings.ini") + " line 2: expected"), std::string::npos)
      << r.err;
  const std::vector<Status> statuses = Statuses(project, 2);
  EXPECT_NE(statuses[0].text.find("70000 bars arrived, but only 65535 fit on the sheet from row 2 down"),
            std::string::npos)
      << statuses[0].text;
  EXPECT_TRUE(statuses[0].red);
  EXPECT_FALSE(statuses[1].red) << statuses[1].text;
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(project);
  EXPECT_TRUE(wb.Worksheets("HUGE").IsCellEmpty(1, 1));  // not even the Date column
  EXPECT_TRUE(wb.Worksheets("HUGE").IsCellEmpty(2, 1));
  EXPECT_FALSE(wb.Worksheets("SMALL").IsCellEmpty(40, 1));  // 39 bars below the header
}

TEST(Unattended, SecondWriterIsRefusedAndNothingIsLost) {
  TempFolder folder;
  SlowStooq server(300);
  server.Hold();
  server.WriteSettings(folder.File("config"));
  const std::string project = folder.File("p.xlsx");
  WriteProject(project, {Row("A1", "STOOQ"), Row("A2", "STOOQ"), Row("A3", "STOOQ"), Row("A4", "STOOQ")});
  // Forced or not, the first writer's lock holds.
  Child first(folder.Path(), {"refresh", project, "--force"}, ConfigEnv(folder), "first");
  // Wait until the first run holds the lock.
  const std::string lock = fs::path(project).parent_path() / ".p.xlsx.pelorinxl-lock";
  for (int i = 0; i < 500 && !fs::exists(lock); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(fs::exists(lock));
  const auto start = Clock::now();
  const RunResult second = Child(folder.Path(), {"set-row", project, "3", "--ticker", "ZZZ"}, ConfigEnv(folder),
                                 "second")
                               .Wait();
  std::printf("[ figures  ] second writer refused after %.0f ms\n", Milliseconds(start));
  EXPECT_EQ(second.status, 2) << second.out << second.err;
  EXPECT_NE(second.err.find("in use by another pelorinxl (process " + std::to_string(first.Pid()) + ")"),
            std::string::npos)
      << second.err;
  const RunResult third = Child(folder.Path(), {"update", project}, ConfigEnv(folder), "third").Wait();
  EXPECT_EQ(third.status, 2) << third.err;
  // --force overrides another program's lock file, never a running
  // pelorinxl: both writers would save and one's rows would be lost.
  for (const char* command : {"refresh", "update"}) {
    const RunResult forced = Child(folder.Path(), {command, project, "--force"}, ConfigEnv(folder), "forced").Wait();
    EXPECT_EQ(forced.status, 2) << forced.out << forced.err;
    EXPECT_NE(forced.err.find("--force does not override a running pelorinxl"), std::string::npos) << forced.err;
  }
  server.Release();
  const RunResult done = first.Wait();
  EXPECT_EQ(done.status, 0) << done.out << done.err;
  for (const Status& s : Statuses(project, 4)) EXPECT_NE(s.text.find("Download OK."), std::string::npos) << s.text;
  EXPECT_FALSE(fs::exists(lock));
  // A lock file left by a process that is gone is stale: the next run takes it.
  std::ofstream(lock) << "999999\n";
  EXPECT_EQ(RunPelorinxl(folder.Path(), {"set-row", project, "3", "--ticker", "ZZZ"}, ConfigEnv(folder)).status, 0);
  EXPECT_FALSE(fs::exists(lock));
}

TEST(Unattended, SigtermAndSighupSaveTheFinishedRows) {
  for (int signal_number : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    TempFolder folder;
    SlowStooq server(300);
    server.WriteSettings(folder.File("config"));
    const std::string project = folder.File("p.xlsx");
    std::vector<DemoRow> rows;
    for (int i = 1; i <= 8; ++i) rows.push_back(Row("T" + std::to_string(i), "STOOQ"));
    WriteProject(project, rows);
    Child run(folder.Path(), {"refresh", project}, ConfigEnv(folder));
    // Piped progress lines arrive one by one: wait for the first finished row.
    for (int i = 0; i < 2000 && run.OutputSoFar().find("row 3 T1") == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(run.OutputSoFar().find("row 3 T1"), std::string::npos);
    const auto start = Clock::now();
    run.Signal(signal_number);
    const RunResult r = run.Wait();
    std::printf("[ figures  ] signal %d to exit after a saved cancel: %.0f ms\n", signal_number, Milliseconds(start));
    EXPECT_EQ(r.status, 130) << r.out << r.err;
    EXPECT_NE(r.out.find("saving "), std::string::npos) << r.out;
    const std::vector<Status> statuses = Statuses(project, 8);
    EXPECT_NE(statuses[0].text.find("Download OK."), std::string::npos);
    EXPECT_TRUE(statuses[7].text.empty()) << statuses[7].text;
    EXPECT_FALSE(fs::exists(folder.File(".p.xlsx.pelorinxl-lock")));
  }
}

TEST(Unattended, CtrlCWhileLoadingEndsAtOnceWithoutTouchingTheFile) {
  TempFolder folder;
  const std::string project = folder.File("p.xlsx");
  WriteProject(project, {Row("AAA")});
  {
    // Big enough that loading takes a while.
    MemoryHost host(MakeXlsxStore());
    Workbook& wb = host.OpenWorkbook(project);
    Worksheet& data = wb.AddWorksheet();
    data.SetName("Bulk");
    for (int row = 1; row <= 60000; ++row) {
      for (int col = 1; col <= 16; ++col) data.SetCellValue(row, col, Variant(row * 0.5 + col));
    }
    wb.Save();
  }
  const std::string before = testing_xlsx::ReadBytes(project);
  const std::string lock = folder.File(".p.xlsx.pelorinxl-lock");
  Child run(folder.Path(), {"refresh", project}, ConfigEnv(folder));
  // The lock is taken just before the load begins.
  for (int i = 0; i < 2000 && !fs::exists(lock); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(fs::exists(lock));
  const auto start = Clock::now();
  run.Signal(SIGINT);
  const RunResult r = run.Wait();
  std::printf("[ figures  ] Ctrl+C while loading 960,000 cells: exit after %.0f ms\n", Milliseconds(start));
  EXPECT_EQ(r.status, 130) << r.out << r.err;
  EXPECT_NE(r.err.find("stopped while loading; nothing was changed"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("saving"), std::string::npos) << r.out;
  EXPECT_EQ(testing_xlsx::ReadBytes(project), before);
  EXPECT_FALSE(fs::exists(lock));
}

// A folder in which creating a file fails even for root: the immutable flag.
class ImmutableFolder {
 public:
  explicit ImmutableFolder(const std::string& path) : path_(path) { set_ = Flip(true); }
  ~ImmutableFolder() {
    if (set_) Flip(false);
  }
  bool Set() const { return set_; }

 private:
  bool Flip(bool on) {
    const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return ok;
  }
  std::string path_;
  bool set_ = false;
};

TEST(Unattended, FolderThatCannotBeWrittenIsRefusedBeforeAnyRequest) {
  TempFolder folder;
  SlowStooq server(10);
  server.WriteSettings(folder.File("config"));
  fs::create_directories(folder.File("project"));
  const std::string project = folder.File("project/p.xlsx");
  WriteProject(project, {Row("A1", "STOOQ"), Row("A2", "STOOQ")});
  const std::string before = testing_xlsx::ReadBytes(project);
  ImmutableFolder locked(folder.File("project"));
  if (!locked.Set()) GTEST_SKIP() << "this file system cannot make a folder unwritable for this user";
  const auto start = Clock::now();
  const RunResult r = RunPelorinxl(folder.Path(), {"refresh", project}, ConfigEnv(folder));
  std::printf("[ figures  ] unwritable folder refused after %.0f ms\n", Milliseconds(start));
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_NE(r.err.find("cannot write in the folder"), std::string::npos) << r.err;
  EXPECT_EQ(server.Requests(), 0);
  EXPECT_EQ(testing_xlsx::ReadBytes(project), before);
}

TEST(Unattended, LinkedProjectStaysALinkAndLeftoversAreRemoved) {
  TempFolder folder;
  fs::create_directories(folder.File("real"));
  const std::string target = folder.File("real/p.xlsx"), link = folder.File("p.xlsx");
  WriteProject(target, {Row("AAA")});
  fs::create_symlink(target, link);
  // What saves killed before their rename leave behind: the save's mark,
  // its package and the writers' files after that name (the zip library's
  // file of a package rewrite, a macro part), with or without the mark;
  // and the files of older saves, which wrote the package into the mark.
  const char* killed[] = {".p.xlsx.Mm22Nn",       ".p.xlsx.Mm22Nn.part",   ".p.xlsx.Mm22Nn.part.Pp33Qq",
                          ".p.xlsx.Ss44Tt.part.vba", ".p.xlsx.Ab12Cd",      ".p.xlsx.Ab12Cd.x9Y8z7",
                          ".p.xlsx.Qq11Rr.vba",    ".p.xlsx.Zz00Yy.k3J4h5"};
  for (const char* name : killed) std::ofstream(folder.File("real/") + name) << "half a workbook";
  // A save still running in another process marks its file with an flock;
  // neither it nor its second-level file may go.
  const std::string running = folder.File("real/.p.xlsx.Run123"), running_zip = running + ".part.zip456";
  std::ofstream(running) << "";
  std::ofstream(running_zip) << "being written";
  const int held = open(running.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  // Names of other shapes are somebody else's.
  std::ofstream(folder.File("real/.p.xlsx.notes")) << "mine";
  const RunResult r = RunPelorinxl(folder.Path(), {"refresh", link}, ConfigEnv(folder));
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link), target);
  EXPECT_NE(Statuses(target, 1)[0].text.find("Download OK."), std::string::npos);
  for (const char* name : killed) EXPECT_FALSE(fs::exists(folder.File("real/") + name)) << name;
  EXPECT_TRUE(fs::exists(running));
  EXPECT_TRUE(fs::exists(running_zip));
  close(held);
  fs::remove(running);
  fs::remove(running_zip);
  fs::remove(folder.File("real/.p.xlsx.notes"));
  for (const auto& entry : fs::directory_iterator(folder.File("real"))) {
    EXPECT_EQ(entry.path().filename(), "p.xlsx");
  }
}

TEST(Unattended, UnusableDataLocationStopsBeforeAnyRequestWithMessageFive) {
  TempFolder folder;
  SlowStooq server(10);
  server.WriteSettings(folder.File("config"));
  const std::string project = folder.File("p.xlsx");
  WriteProject(project, {Row("A1", "STOOQ"), Row("A2", "STOOQ")});
  {
    MemoryHost host(MakeXlsxStore());
    Workbook& wb = host.OpenWorkbook(project);
    wb.Worksheets(kSettingsSheet).SetCellValue(4, 6, Variant("'quoted'"));
    wb.Save();
  }
  const RunResult r = RunPelorinxl(folder.Path(), {"refresh", project}, ConfigEnv(folder));
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_NE(r.err.find("The data sheet \"'quoted'\" could not be created"), std::string::npos) << r.err;
  EXPECT_EQ(server.Requests(), 0);
  MemoryHost host(MakeXlsxStore());
  EXPECT_EQ(host.OpenWorkbook(project).WorksheetCount(), 2);
}

}  // namespace
}  // namespace plrxl::testing
