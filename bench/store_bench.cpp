// The cost of the quote store on a refresh of 100 tickers x 2,500 daily bars
// from a loopback TIINGO server (0 ms answers), end to end (load, run,
// save): time and peak RSS without a store, with an empty store, and of an
// unchanged rerun, whose requests are counted (none is the target); the
// store's size per bar; and four rows of one ticker whose server never
// answers (1 s timeout), without and with the store's shared download.
// Budget: with the store at most 15 % slower and 10 MB more than without.
//
// Each case runs in a child process of its own, so the peak RSS it reports
// is its own; the server is one more process. Run under nice.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "companion/companion_functions.h"
#include "download/demo_project.h"
#include "download/macro_runner.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/error_message_form.h"
#include "forms/scripted_ui.h"
#include "host/formula/formula_engine.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "quotes/internal/bars.h"
#include "quotes/quote_component.h"
#include "quotes/store/quote_store.h"
#include "support/clock.h"
#include "tests/quotes/loopback_server.h"

namespace plrxl {
namespace {

namespace fs = std::filesystem;
constexpr int kTickers = 100;
constexpr const char* kStart = "2015-06-01";
constexpr const char* kEnd = "2025-03-21";  // 2,556 weekdays

// TIINGO's answer for `ticker` over [from, to]: a bar every weekday.
std::string TiingoBars(const std::string& ticker, const std::string& from, const std::string& to) {
  int y, m, d;
  std::sscanf(from.c_str(), "%d-%d-%d", &y, &m, &d);
  const double first = quotes::CivilToSerial(y, m, d);
  std::sscanf(to.c_str(), "%d-%d-%d", &y, &m, &d);
  const double last = quotes::CivilToSerial(y, m, d);
  int seed = 0;
  for (char c : ticker) seed = seed * 31 + c;
  std::string json = "[";
  json.reserve(static_cast<size_t>(last - first) * 130);
  for (double day = first; day <= last; ++day) {
    if (quotes::WeekdayMon0(day) >= 5) continue;
    quotes::SerialToCivil(day, &y, &m, &d);
    const double close = 50 + ((static_cast<int>(day) + seed) % 211) * 0.37;
    char bar[256];
    std::snprintf(bar, sizeof bar,
                  "%s{\"date\":\"%04d-%02d-%02dT00:00:00.000Z\",\"close\":%.2f,\"high\":%.2f,\"low\":%.2f,"
                  "\"open\":%.2f,\"volume\":%d,\"adjClose\":%.2f,\"divCash\":0.0,\"splitFactor\":1.0}",
                  json.size() > 1 ? "," : "", y, m, d, close, close + 1.5, close - 1.25, close + 0.5,
                  100000 + static_cast<int>(day) % 7919, close * 0.97);
    json += bar;
  }
  return json + "]";
}

// The server process: serves until killed; writes its port to `port_pipe`.
void Serve(int port_pipe) {
  testing::LoopbackServer server;
  std::atomic<int> hits{0};
  server.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [&](const httplib::Request& req, httplib::Response& res) {
    ++hits;
    if (req.matches[1].str() == "dead") {
      std::this_thread::sleep_for(std::chrono::seconds(3));
      res.status = 503;
      return;
    }
    // Not a JSON type, so the server does not compress the answer: its
    // brotli would cost more than the whole run.
    res.set_content(TiingoBars(req.matches[1].str(), req.get_param_value("startDate"), req.get_param_value("endDate")),
                    "application/octet-stream");
  });
  server.Http().Get("/hits", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::to_string(hits.load()), "text/plain");
  });
  server.Start();
  const std::string url = server.Url();
  (void)!write(port_pipe, url.c_str(), url.size());
  close(port_pipe);
  for (;;) pause();
}

int Hits(const std::string& url) {
  httplib::Client client(url);
  auto res = client.Get("/hits");
  return res ? std::atoi(res->body.c_str()) : -1;
}

void WriteProject(const std::string& path, const std::vector<DemoRow>& rows) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = AddNewProjectWorkbook(host, DateSerial(2025, 3, 21));
  WriteDemoRows(wb, rows);
  wb.SaveAs(path);
}

struct Case {
  std::string name;
  std::string project;
  std::string store;  // "" = none
  long timeout_ms = 60000;
};

// Load, refresh, save, as `pelorinxl refresh` does; in the child process.
double RunRefresh(const Case& c, const std::string& url) {
  const auto t0 = std::chrono::steady_clock::now();
  MemoryHost host(MakeXlsxStore());
  host.SetFormulaEvaluator(MakeFormulaEngine(std::make_shared<FixedClock>(DateSerial(2025, 3, 21))));
  RegisterCompanionFunctions(host);
  Workbook& wb = host.OpenWorkbook(c.project);
  ScriptedUi ui;
  ui.ExpectModal("ProgressBarWindow");
  host.SetDoEventsHook([&ui] { ui.ProcessEvents(); });
  FixedClock clock(DateSerial(2025, 3, 21));
  std::shared_ptr<QuoteStore> store;
  if (!c.store.empty()) {
    StoreOpenOptions open;
    open.path = c.store;
    store = QuoteStore::Open(open, nullptr);
    store->BeginRun("refresh", c.project);
  }
  RunContext rc;
  rc.host = &host;
  rc.ui = &ui;
  rc.clock = &clock;
  rc.MakeErrorDialog = [] { return std::make_unique<frmErrorMessage>(); };
  rc.MakeQuoteFetcher = [&] {
    QuoteSettings settings;
    settings.tiingo_base_url = url;
    settings.tiingo_key = "bench";
    settings.total_timeout_ms = c.timeout_ms;
    settings.store = store;
    settings.today = [] { return DateSerial(2026, 1, 1); };
    return MakeQuoteFetcher(settings);
  };
  InstallDownloadEngine(rc);
  {
    CPelorin pelorin(rc);
    pelorin.ExcelApplication(&host);
    pelorin.ThisWorkbookApplication(&wb);
    pelorin.RefreshData();
  }
  if (store) store->EndRun(0);
  wb.SaveAs(c.project + ".out.xlsx");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

struct Measured {
  double seconds = 0;
  double cpu_seconds = 0;  // user and system, all threads: steadier on a busy machine
  double peak_mb = 0;
  int requests = 0;
};

Measured Measure(const Case& c, const std::string& url) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) std::abort();
  const int hits_before = Hits(url);
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    const double seconds = RunRefresh(c, url);
    (void)!write(pipe_fds[1], &seconds, sizeof seconds);
    _exit(0);
  }
  close(pipe_fds[1]);
  Measured m;
  if (read(pipe_fds[0], &m.seconds, sizeof m.seconds) != sizeof m.seconds) std::abort();
  close(pipe_fds[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  m.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  m.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  m.requests = Hits(url) - hits_before;
  return m;
}

// The median time and the largest peak of `runs` runs; `fresh` runs
// `prepare` before each.
Measured Repeat(const Case& c, const std::string& url, int runs, bool fresh_store) {
  std::vector<Measured> all;
  for (int i = 0; i < runs; ++i) {
    if (fresh_store && !c.store.empty()) {
      for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(c.store + suffix);
    }
    all.push_back(Measure(c, url));
  }
  std::sort(all.begin(), all.end(), [](const Measured& a, const Measured& b) { return a.seconds < b.seconds; });
  Measured median = all[all.size() / 2];
  for (const Measured& m : all) median.peak_mb = std::max(median.peak_mb, m.peak_mb);
  return median;
}

int Main() {
  std::string pattern = (fs::temp_directory_path() / "plrxl_store_bench_XXXXXX").string();
  const std::string folder = mkdtemp(pattern.data());
  setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
  int port_pipe[2];
  if (pipe(port_pipe) != 0) return 1;
  const pid_t server = fork();
  if (server == 0) {
    close(port_pipe[0]);
    Serve(port_pipe[1]);
  }
  close(port_pipe[1]);
  char buf[64] = {};
  if (read(port_pipe[0], buf, sizeof buf - 1) <= 0) return 1;
  const std::string url = buf;

  std::vector<DemoRow> rows;
  for (int i = 0; i < kTickers; ++i) {
    DemoRow row{"T" + std::to_string(i), kStart, kEnd, "Daily", "FTB", "dohlcv", ""};
    row.source = "TIINGO";
    rows.push_back(row);
  }
  const std::string project = folder + "/p.xlsx";
  WriteProject(project, rows);
  const std::string store = folder + "/p.quotes.db";

  const Measured none = Repeat({"no store", project, ""}, url, 3, false);
  const Measured first = Repeat({"empty store", project, store}, url, 3, true);
  const Measured rerun = Repeat({"unchanged rerun", project, store}, url, 3, false);
  std::printf("refresh of %d tickers x 2,556 daily bars (median of 3; largest peak RSS)\n", kTickers);
  for (const auto& [name, m] : {std::pair<const char*, const Measured&>{"no store", none}, {"empty store", first},
                                {"unchanged rerun", rerun}}) {
    std::printf("  %-16s %6.2f s (cpu %6.2f s) %6.1f MB %4d requests", name, m.seconds, m.cpu_seconds, m.peak_mb,
                m.requests);
    if (&m != &none) {
      std::printf("   (%+.1f %% time, %+.1f %% cpu, %+.1f MB)", 100.0 * (m.seconds / none.seconds - 1),
                  100.0 * (m.cpu_seconds / none.cpu_seconds - 1), m.peak_mb - none.peak_mb);
    }
    std::printf("\n");
  }
  const double bars = kTickers * 2556.0;
  std::printf("  store file: %.1f MB, %.0f bytes a bar\n", static_cast<double>(fs::file_size(store)) / 1e6,
              static_cast<double>(fs::file_size(store)) / bars);

  const std::string dead = folder + "/dead.xlsx";
  WriteProject(dead, std::vector<DemoRow>(4, DemoRow{"DEAD", kStart, kEnd, "Daily", "FTB", "dohlcv", "", "TIINGO"}));
  const Measured dead_alone = Measure({"dead, no store", dead, "", 1000}, url);
  const Measured dead_shared = Measure({"dead, store", dead, folder + "/dead.quotes.db", 1000}, url);
  std::printf("four rows of a ticker that never answers (1 s timeout; the default is 60 s)\n");
  std::printf("  %-28s %7.2f s  %3d requests\n", "no store", dead_alone.seconds, dead_alone.requests);
  std::printf("  %-28s %7.2f s  %3d requests\n", "store (one shared download)", dead_shared.seconds,
              dead_shared.requests);
  kill(server, SIGKILL);
  waitpid(server, nullptr, 0);
  fs::remove_all(folder);
  return 0;
}

}  // namespace
}  // namespace plrxl

int main() { return plrxl::Main(); }
