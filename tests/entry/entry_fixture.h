// A new project workbook in the in-memory host backed by the real .xlsx
// store, driven through a CPelorin with a scripted person, a pinned clock
// and a temporary settings home. Each test gets a fresh one.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/error_message_form.h"
#include "forms/scripted_ui.h"
#include "host/memory/memory_host.h"
#include "host/spreadsheet_host.h"
#include "host/xlsx/xlsx_store.h"
#include "quotes/quote_component.h"
#include "support/clock.h"
#include "support/settings_store.h"
#include "tests/app/message_text.h"

namespace plrxl::testing {

// A temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_entry_XXXXXX").string();
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

inline RegionalSettings PinnedRegional(const std::string& short_date = "dd.mm.yyyy") {
  RegionalSettings rs;
  rs.short_date = short_date;
  rs.time_format = "hh:mm:ss";
  rs.decimal_symbol = '.';
  return rs;
}

class EntryTest : public ::testing::Test {
 protected:
  // 5 December 2026, 14:02:11.
  static double Now() { return LocalSerial(2026, 12, 5, 14, 2, 11); }

  EntryTest()
      : host_(MakeXlsxStore(), PinnedRegional()),
        clock_(Now()),
        store_(temp_.File("config")) {
    setenv("XDG_CONFIG_HOME", store_.ConfigHome().c_str(), 1);
    ui_.SetFailureSink([](const std::string& failure) { ADD_FAILURE() << failure; });
    context_.host = &host_;
    context_.ui = &ui_;
    context_.clock = &clock_;
    context_.settings = &store_;
    context_.MakeErrorDialog = [] { return std::make_unique<frmErrorMessage>(); };
    context_.MakeQuoteFetcher = [] {
      QuoteSettings settings;
      settings.worker_threads = 1;
      return MakeQuoteFetcher(settings);
    };
    pelorin_ = std::make_unique<CPelorin>(context_);
    pelorin_->ExcelApplication(&host_);
  }

  ~EntryTest() override { unsetenv("XDG_CONFIG_HOME"); }

  // A complete new project, active.
  Workbook& NewProject() {
    Workbook& wb = host_.AddWorkbook();
    CreateProjectWorkbook(*pelorin_, wb, Now());
    return wb;
  }

  Worksheet& Settings(Workbook& wb) { return wb.Worksheets(kSettingsSheet); }
  Worksheet& Parameters(Workbook& wb) { return wb.Worksheets(kParametersSheet); }

  // The text of message n with its placeholders filled in, as read from the
  // project's own "Parameters" sheet.
  std::string Filled(Workbook& wb, int number, const std::string& a1 = "", const std::string& a2 = "",
                     const std::string& a3 = "") {
    return FillPlaceholders(Parameters(wb).GetRange("E" + std::to_string(number)).Text(), {a1, a2, a3});
  }

  TempDir temp_;
  MemoryHost host_;
  ScriptedUi ui_;
  FixedClock clock_;
  SettingsStore store_;
  RunContext context_;
  std::unique_ptr<CPelorin> pelorin_;
};

}  // namespace plrxl::testing
