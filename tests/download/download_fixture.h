// A project workbook in the in-memory host backed by the real .xlsx store,
// run through CPelorin and the progress window with a scripted person, a
// pinned clock, the SAMPLE quote source and a temporary settings home.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "download/macro_runner.h"
#include "download/progress_bar_window.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/error_message_form.h"
#include "forms/scripted_ui.h"
#include "host/memory/memory_host.h"
#include "host/quote_fetcher.h"
#include "host/spreadsheet_host.h"
#include "host/xlsx/xlsx_store.h"
#include "quotes/quote_component.h"
#include "support/clock.h"
#include "support/settings_store.h"

namespace plrxl::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_download_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline RegionalSettings Pinned() {
  RegionalSettings rs;
  rs.short_date = "dd.mm.yyyy";
  rs.time_format = "hh:mm:ss";
  rs.decimal_symbol = '.';
  return rs;
}

// One ticker row as written into the table; an empty field leaves the cell
// empty so the defaults row applies.
struct RowSpec {
  std::string ticker;
  Variant start, end;
  std::string periodicity, direction, location, beginning, source, fields, macros;
};

// Records what the progress window's face was told.
struct RecordingView : ProgressView {
  std::vector<int> percents;
  std::vector<std::string> messages;
  std::vector<std::string> finished;  // "row ticker status"
  int closed = 0;
  void ProgressChanged(int percent, const std::string&) override { percents.push_back(percent); }
  void MessageChanged(const std::string& text) override { messages.push_back(text); }
  void RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool) override {
    finished.push_back(std::to_string(row) + " " + ticker + " " + status);
  }
  void Closed() override { ++closed; }
};

class DownloadTest : public ::testing::Test {
 protected:
  // 5 December 2026, 14:02:11.
  static double Now() { return LocalSerial(2026, 12, 5, 14, 2, 11); }

  DownloadTest() : host_(MakeXlsxStore(), Pinned()), clock_(Now()), store_(temp_.File("config")) {
    setenv("XDG_CONFIG_HOME", store_.ConfigHome().c_str(), 1);
    ui_.SetFailureSink([](const std::string& failure) { ADD_FAILURE() << failure; });
    host_.SetDoEventsHook([this] { ui_.ProcessEvents(); });
    context_.host = &host_;
    context_.ui = &ui_;
    context_.clock = &clock_;
    context_.settings = &store_;
    context_.MakeErrorDialog = [] { return std::make_unique<frmErrorMessage>(); };
    context_.MakeQuoteFetcher = [] { return MakeFetcher(); };
    InstallDownloadEngine(context_, &view_);
    pelorin_ = std::make_unique<CPelorin>(context_);
    pelorin_->ExcelApplication(&host_);
  }
  ~DownloadTest() override { unsetenv("XDG_CONFIG_HOME"); }

  static std::unique_ptr<QuoteFetcher> MakeFetcher() {
    QuoteSettings settings;
    settings.worker_threads = 2;
    return MakeQuoteFetcher(settings);
  }

  // A new project whose ticker rows are `rows` (the template's example rows
  // are replaced), active.
  Workbook& Project(const std::vector<RowSpec>& rows) {
    Workbook& wb = host_.AddWorkbook();
    CreateProjectWorkbook(*pelorin_, wb, Now());
    pelorin_->ThisWorkbookApplication(&wb);
    Worksheet& s = Settings(wb);
    s.ClearCells(Rect{3, 1, 200, 11}, true, true);
    for (size_t i = 0; i < rows.size(); ++i) {
      const RowSpec& r = rows[i];
      const int row = 3 + static_cast<int>(i);
      const Variant cells[] = {Variant(r.ticker), r.start, r.end, Text(r.periodicity), Text(r.direction),
                               Text(r.location), Text(r.beginning), Text(r.source), Text(r.fields),
                               Text(r.macros)};
      for (int c = 0; c < 10; ++c) s.SetCellValue(row, c + 1, cells[c]);
    }
    return wb;
  }
  static Variant Text(const std::string& s) { return s.empty() ? Variant() : Variant(s); }

  Worksheet& Settings(Workbook& wb) { return wb.Worksheets(kSettingsSheet); }
  Worksheet& Parameters(Workbook& wb) { return wb.Worksheets(kParametersSheet); }
  std::string Status(Workbook& wb, int row) { return ToText(Settings(wb).CellValue(row, 11), Pinned()); }
  std::string Message(Workbook& wb, int n) { return Parameters(wb).GetRange("E" + std::to_string(n)).Text(); }

  // The bars SAMPLE gives for these request values, fetched directly.
  static QuoteResult Fetch(const std::string& ticker, double start, double end, const std::string& periodicity,
                           const std::string& option = "") {
    auto fetcher = MakeFetcher();
    auto request = fetcher->FindSource("sample")->CreateRequest();
    for (auto& [name, value] : RequestValues(ticker, start, end, periodicity, option)) {
      if (RequestParameter* p = request->Parameters().Find(name)) p->SetValue(value);
    }
    request->Start();
    while (request->State() != kStateFinished) {
    }
    EXPECT_EQ(request->ErrorNumber(), 0) << request->ErrorDescription();
    return request->Result();
  }

  void RunRefresh() {
    ui_.ExpectModal("ProgressBarWindow");
    pelorin_->RefreshData();
  }
  void RunUpdate() {
    ui_.ExpectModal("ProgressBarWindow");
    pelorin_->UpdateData();
  }

  TempDir temp_;
  MemoryHost host_;
  ScriptedUi ui_;
  FixedClock clock_;
  SettingsStore store_;
  RunContext context_;
  RecordingView view_;
  std::unique_ptr<CPelorin> pelorin_;
};

}  // namespace plrxl::testing
