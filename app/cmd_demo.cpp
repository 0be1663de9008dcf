// pelorinxl demo DIR: writes a demo project on the offline SAMPLE source
// into DIR/demo.xlsx and refreshes it, so a new user sees a full run; the
// rows' exports go to DIR/exports.
#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "app/run_project.h"
#include "download/demo_project.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "host/error.h"
#include "support/clock.h"

namespace plrxl::app {
namespace {

void WriteAndRefresh(const AppContext& ctx, const std::string& dir) {
  // The exports go into the demo's own folder; the macro texts carry its
  // path, so it must not hold the characters of the macro syntax.
  const std::string exports = (std::filesystem::absolute(dir) / "exports").lexically_normal().string();
  if (exports.find_first_of(",;()\"'") != std::string::npos) {
    throw Error(kErrInvalidCall, "pelorinxl", "the demo folder's path must not contain , ; ( ) or quotes: " + exports);
  }
  std::filesystem::create_directories(dir);
  const std::string path = (std::filesystem::absolute(dir) / "demo.xlsx").string();
  {
    std::unique_ptr<MemoryHost> host = ctx.MakeHost();
    Workbook& wb = AddNewProjectWorkbook(*host, SystemClock().Now());
    WriteDemoRows(wb, DemoRows(exports));
    wb.SaveAs(path);
  }
  ctx.out << "Wrote " << path << " (" << DemoRows().size() << " tickers); refreshing...\n";
  RunOptions options;
  options.action = "Refresh";
  options.terminal = isatty(STDOUT_FILENO) != 0;
  // The demo's synthetic quotes are made afresh in no time: nothing to keep.
  options.store.none = true;
  RunProjectFile(ctx, path, options);
  ctx.out << "Open " << path << " in a spreadsheet program to see the result; the exported quote files are in "
          << exports << ".\n";
}

}  // namespace

void RegisterDemoCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("demo", "Write a demo project on the SAMPLE source into DIR and refresh it");
  auto dir = std::make_shared<std::string>();
  cmd->add_option("DIR", *dir, "Folder for demo.xlsx and its exports (created when missing)")->required();
  cmd->callback([&ctx, dir] { WriteAndRefresh(ctx, *dir); });
}

}  // namespace plrxl::app
