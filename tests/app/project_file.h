// A project workbook file made the way `pelorinxl new` makes one, with the
// given ticker rows, on a pinned day (5 December 2026, noon) and with its
// settings folder beside it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "download/demo_project.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/scripted_ui.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "support/clock.h"
#include "support/settings_store.h"

namespace plrxl::testing {

// Each row gets a sheet of its own, "R" and its sheet row, when
// `own_sheets`: rows of one ticker then keep their data apart.
inline void WriteProject(const std::string& path, const std::vector<DemoRow>& rows, bool own_sheets = false) {
  MemoryHost host(MakeXlsxStore());
  ScriptedUi ui;
  FixedClock clock(46361.5);
  SettingsStore store(std::filesystem::path(path).parent_path() / "config");
  RunContext rc;
  rc.host = &host;
  rc.ui = &ui;
  rc.clock = &clock;
  rc.settings = &store;
  CPelorin pelorin(rc);
  pelorin.ExcelApplication(&host);
  Workbook& wb = host.AddWorkbook();
  CreateProjectWorkbook(pelorin, wb, clock.Now());
  WriteDemoRows(wb, rows);
  if (own_sheets) {
    for (int row = 3; row < 3 + static_cast<int>(rows.size()); ++row) {
      wb.Worksheets(kSettingsSheet).SetCellValue(row, 6, Variant("R" + std::to_string(row)));
    }
  }
  wb.SaveAs(path);
}

// A version-1 project: its settings sheet with a full defaults row and two
// tickers (ALPHA, BETA) that take everything from it.
inline void WriteVersion1Project(const std::string& path) {
  MemoryHost host(MakeXlsxStore(), RegionalSettings::FromLocale());
  Workbook& wb = host.AddWorkbook();
  Worksheet& sheet = wb.WorksheetAt(1);
  sheet.SetName(kSettingsSheet);
  const char* titles[] = {"Ticker",     "Start Date", "End Date", "Period", "Direction",
                          "Location",   "Beginning",  "Source",   "Fields", "Autorun Macro"};
  for (int col = 1; col <= 10; ++col) sheet.Cells(1, col).SetValue(Variant(std::string(titles[col - 1])));
  sheet.Cells(2, 1).SetValue(Variant(std::string("Defaults")));
  sheet.Cells(2, 2).SetValue(Variant::Date(45292));  // 1 January 2024
  sheet.Cells(2, 3).SetValue(Variant::Date(45382));  // 31 March 2024
  const char* defaults[] = {"Daily", "FTB", "AUTO", "A1", "Yahoo", "dohlcv"};
  for (int col = 4; col <= 9; ++col) sheet.Cells(2, col).SetValue(Variant(std::string(defaults[col - 4])));
  sheet.Cells(3, 1).SetValue(Variant(std::string("ALPHA")));
  sheet.Cells(4, 1).SetValue(Variant(std::string("BETA")));
  wb.SaveAs(path);
}

}  // namespace plrxl::testing
