#include "app/project_session.h"

#include <iostream>
#include <memory>
#include <set>

#include "app/desktop.h"
#include "forms/error_message_form.h"
#include "quotes/quote_component.h"

namespace plrxl::app {

void AddYesNoFlags(CLI::App* cmd, ConsoleOptions& console) {
  CLI::Option* yes = cmd->add_flag_callback("--yes", [&console] { console.yes = true; },
                                            "Answer questions Yes when no one can type");
  CLI::Option* no = cmd->add_flag_callback("--no", [&console] { console.yes = false; },
                                           "Answer questions No when no one can type (the default)");
  yes->excludes(no);
}

void AddAnswerOptions(CLI::App* cmd, ConsoleOptions& console, std::string& on_error) {
  AddYesNoFlags(cmd, console);
  cmd->add_option("--on-error", on_error, "Answer error boxes: abort, retry or ignore")
      ->check(CLI::IsMember({"abort", "retry", "ignore"}, CLI::ignore_case));
}

ProjectSession::ProjectSession(const AppContext& ctx, ConsoleOptions console, const std::string& project_folder,
                               UiPort* ui)
    : host_(ctx.MakeHost()), console_(console, std::cin, ctx.err), settings_(SettingsStore::ForUser()) {
  // Each unreadable settings line is reported once per command.
  auto reported = std::make_shared<std::set<std::string>>();
  settings_.SetProblemReporter([reported, &err = ctx.err](const std::string& problem) {
    if (reported->insert(problem).second) err << "pelorinxl: warning: " << problem << "\n";
  });
  context_.host = host_.get();
  context_.ui = ui != nullptr ? ui : &console_;
  context_.clock = &clock_;
  context_.settings = &settings_;
  context_.MakeErrorDialog = MakeErrorMessageFormFactory(OpenWithShell(DesktopShell()));  // Send opens a mail link
  context_.Path = InstalledHelpFolder();
  context_.MakeQuoteFetcher = [project_folder, host = host_.get()] {
    return MakeQuoteFetcher(LoadQuoteSettings(project_folder, host->Regional()));
  };
  pelorin_ = std::make_unique<CPelorin>(context_);
  pelorin_->ExcelApplication(host_.get());
}

ProjectSession::~ProjectSession() { pelorin_.reset(); }

Workbook& ProjectSession::Open(const std::string& path) {
  Workbook& wb = host_->OpenWorkbook(path);
  host_->SetActiveWorkbook(wb);
  pelorin_->ThisWorkbookApplication(&wb);
  pelorin_->ActivateWorkBookName(wb.Name());
  return wb;
}

}  // namespace plrxl::app

namespace plrxl::app {

void AddTickerRowOptions(CLI::App* cmd, TickerRowOptions& row) {
  cmd->add_option("--ticker", row.Ticker, "Ticker symbol (written in upper case)");
  cmd->add_option("--start-date", row.StartDate, "First date to fetch, in your short-date format or yyyy-mm-dd");
  cmd->add_option("--end-date", row.EndDate, "Last date to fetch (empty: the defaults row's)");
  cmd->add_option("--periodicity", row.Periodicity, "Bar period: Daily, Weekly, Monthly, ...");
  cmd->add_option("--data-direction", row.DataDirection, "FTB (oldest at the top) or FBT (newest at the top)");
  cmd->add_option("--data-location", row.DataLocation, "Sheet for the data, or AUTO (named after the ticker)");
  cmd->add_option("--data-beginning", row.DataBeginning, "Top-left cell of the data block, e.g. A1");
  cmd->add_option("--data-source", row.DataSource, "Data source, e.g. SAMPLE (see pelorinxl sources)");
  cmd->add_option("--data-fields", row.DataFields, "Field letters, e.g. dohlcv");
}

}  // namespace plrxl::app
