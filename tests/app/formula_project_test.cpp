// Formulas of a project end to end through the real pelorinxl.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>
#include <stdlib.h>

#include "entry/pelorin.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::TempFolder;

constexpr const char* kPython = "/usr/bin/python3";

using Result = plrxl::testing::RunResult;

Result Spawn(const TempFolder& folder, const std::string& program, std::vector<std::string> args) {
  plrxl::testing::Launch launch;
  launch.program = program;
  launch.args = std::move(args);
  return plrxl::testing::RunProgram(folder.Path(), std::move(launch));
}

Result Pelorinxl(const TempFolder& folder, std::vector<std::string> args) {
  return Spawn(folder, std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl", std::move(args));
}

bool HaveOpenpyxl(const TempFolder& folder) { return Spawn(folder, kPython, {"-c", "import openpyxl"}).status == 0; }

class PinnedToday {
 public:
  explicit PinnedToday(const char* day) { setenv("PLRXL_TODAY", day, 1); }
  ~PinnedToday() { unsetenv("PLRXL_TODAY"); }
};

// A rolling Start Date =EDATE(TODAY(),-1) and a sheet of the user's own
// formulas over a data sheet (ROUND of a ratio, STDEV*SQRT(252), VLOOKUP),
// written by openpyxl, through check and refresh on a pinned day: the
// project passes, and the saved file stores the results of the formulas.
TEST(FormulaProject, RollingStartDateAndUserColumnsSurviveRefresh) {
  TempFolder folder;
  if (!HaveOpenpyxl(folder)) GTEST_SKIP() << "python3-openpyxl is not installed";
  const std::string project = folder.File("Project.xlsx");
  ASSERT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  const Result edit = Spawn(folder, kPython, {"-c", R"py(import sys, openpyxl
p = sys.argv[1]
wb = openpyxl.load_workbook(p)
ws = wb["PelorinXL Settings"]
for row in (3, 4, 5):
    ws.cell(row=row, column=2, value="=EDATE(TODAY(),-1)")
mine = wb.create_sheet("Mine")
mine["A1"] = "=ROUND(ALPHA!B4/ALPHA!B3-1,4)"
mine["B1"] = "=STDEV(ALPHA!B2:B21)*SQRT(252)"
mine["C1"] = "=VLOOKUP(ALPHA!A5,ALPHA!A:B,2,FALSE)"
mine["D1"] = "=_xlfn.STDEV.S(ALPHA!B2:B21)"
wb.save(p)
)py", project});
  ASSERT_EQ(edit.status, 0) << edit.err;

  PinnedToday today("2024-03-15");
  const Result check = Pelorinxl(folder, {"check", project});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  const Result run = Pelorinxl(folder, {"refresh", project});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.err.find("cannot compute"), std::string::npos) << run.err;

  MemoryHost host(MakeXlsxStore(), RegionalSettings());  // no engine: what the file holds
  Workbook& wb = host.OpenWorkbook(project);
  Worksheet& settings = wb.Worksheets(kSettingsSheet);
  EXPECT_EQ(settings.CellFormula(3, 2), "=EDATE(TODAY(),-1)");
  EXPECT_EQ(settings.CellValue(3, 2).Number(), 45337);  // 15 February 2024
  Worksheet* data = wb.FindWorksheet("ALPHA");
  ASSERT_NE(data, nullptr);
  Worksheet& mine = wb.Worksheets("Mine");
  const double b3 = data->CellValue(3, 2).Number(), b4 = data->CellValue(4, 2).Number();
  EXPECT_NEAR(mine.CellValue(1, 1).Number(), std::round((b4 / b3 - 1) * 1e4) / 1e4, 1e-12);
  std::vector<double> xs;
  for (int r = 2; r <= 21; ++r)
    if (data->CellValue(r, 2).IsNumeric()) xs.push_back(data->CellValue(r, 2).Number());
  ASSERT_GE(xs.size(), 2u);
  double mean = 0, ss = 0;
  for (double x : xs) mean += x / static_cast<double>(xs.size());
  for (double x : xs) ss += (x - mean) * (x - mean);
  const double stdev = std::sqrt(ss / static_cast<double>(xs.size() - 1));
  EXPECT_NEAR(mine.CellValue(1, 2).Number(), stdev * std::sqrt(252.0), 1e-9);
  EXPECT_NEAR(mine.CellValue(1, 4).Number(), stdev, 1e-12);
  EXPECT_EQ(mine.CellValue(1, 3).Number(), data->CellValue(5, 2).Number());
}

}  // namespace
}  // namespace plrxl
