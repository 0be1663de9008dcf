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

}  // namespace plrxl::testing
