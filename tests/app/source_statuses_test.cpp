// What a run leaves in the Status cells and on the data sheets when web
// sources answer with nulls, refuse, or cannot be reached: the real
// pelorinxl program against a server on 127.0.0.1 that answers in the
// provider's own format.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
#include "tests/quotes/provider_payloads.h"

namespace plrxl::testing {
namespace {

namespace fs = std::filesystem;
using testing_xlsx::TempFolder;

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

TEST(SourceStatuses, NullsRefusalsAndDeadHostsAreSaidOnceAndAsTheyAre) {
  LoopbackServer server;
  server.Http().Get(R"(/tiingo/daily/([^/]+)/prices)", [](const httplib::Request& req, httplib::Response& res) {
    if (req.matches[1].str() == "plan") {
      res.status = 403;
      res.set_content(kTiingoForbidden, "application/json");
      return;
    }
    res.set_content(kTiingoNulls, "application/json");
  });
  server.Start();
  TempFolder folder;
  fs::create_directories(folder.File("config/PelorinXL"));
  // STOOQ points at a port nobody listens on.
  std::ofstream(folder.File("config/PelorinXL/settings.ini"))
      << "[Sources]\nTiingoBaseUrl=" << server.Url() << "\nTiingoKey=test\nStooqBaseUrl=http://127.0.0.1:1\n"
      << "StooqKey=test\n";
  const std::string project = folder.File("p.xlsx");
  auto row = [](const std::string& ticker, const std::string& source) {
    DemoRow r{ticker, "2024-01-01", "2024-01-31", "Daily", "FTB", "dohlcv", ""};
    r.source = source;
    return r;
  };
  WriteProject(project, {row("NULLS", "TIINGO"), row("PLAN", "TIINGO"), row("GONE", "STOOQ")});
  const RunResult r = RunPelorinxl(folder.Path(), {"refresh", project}, {{"XDG_CONFIG_HOME", folder.File("config")}});
  EXPECT_EQ(r.status, 1) << r.out << r.err;

  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(project);
  Worksheet& settings = wb.Worksheets(kSettingsSheet);
  const std::string nulls = settings.Cells(3, 11).Text(), plan = settings.Cells(4, 11).Text(),
                    gone = settings.Cells(5, 11).Text();
  EXPECT_NE(nulls.find("Download OK. 1 bar without values left out."), std::string::npos) << nulls;
  EXPECT_NE(settings.Cells(3, 11).FontColorIndex(), 3);
  // The bar with a null volume: its volume cell is empty, not 0.
  Worksheet& data = wb.Worksheets("NULLS");
  EXPECT_EQ(data.CellValue(2, 5).Number(), 185.64);
  EXPECT_TRUE(data.CellValue(2, 6).IsEmpty()) << ToText(data.CellValue(2, 6), host.Regional());
  EXPECT_TRUE(data.IsCellEmpty(3, 1)) << "the bar without values is not on the sheet";

  const std::string refusal =
      "Error: The server refused the request: HTTP 403: You do not have permission to access the Tiingo API.";
  EXPECT_NE(plan.find(refusal), std::string::npos) << plan;
  EXPECT_EQ(Occurrences(plan, "Error:"), 1u) << plan;
  EXPECT_EQ(settings.Cells(4, 11).FontColorIndex(), 3);
  EXPECT_EQ(Occurrences(gone, "Network failure"), 1u) << gone;
  EXPECT_EQ(Occurrences(gone, "Error:"), 1u) << gone;
  EXPECT_EQ(gone.back(), '.') << gone;
  EXPECT_EQ(settings.Cells(5, 11).FontColorIndex(), 3);
}

}  // namespace
}  // namespace plrxl::testing
