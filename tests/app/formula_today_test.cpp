// The Defaults row's =TODAY() end to end: a project re-saved by openpyxl
// (which stores no formula results) runs through the real pelorinxl on a
// day pinned with PLRXL_TODAY; check and refresh both read that day, the
// rows download up to it, and the saved file carries the result.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <vector>

#include "entry/pelorin.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"


namespace plrxl {
namespace {

using testing_xlsx::ReadBytes;
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

// The XML of one part of a saved package, read by another program.
std::string PackagePart(const TempFolder& folder, const std::string& path, const std::string& part) {
  return Spawn(folder, kPython,
               {"-c", "import sys, zipfile; sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]).decode())",
                path, part})
      .out;
}

// The cell element of `ref` ("C2") in a sheet's XML.
std::string CellXml(const std::string& xml, const std::string& ref) {
  const size_t at = xml.find("<c r=\"" + ref + "\"");
  if (at == std::string::npos) return "";
  const size_t self_closed = xml.find("/>", at), end = xml.find("</c>", at);
  if (end == std::string::npos || (self_closed != std::string::npos && self_closed < xml.find('>', at) + 1)) {
    return xml.substr(at, self_closed + 2 - at);
  }
  return xml.substr(at, end + 4 - at);
}

class PinnedToday {
 public:
  explicit PinnedToday(const char* day) { setenv("PLRXL_TODAY", day, 1); }
  ~PinnedToday() { unsetenv("PLRXL_TODAY"); }
};

TEST(FormulaToday, OpenpyxlProjectRunsUpToThePinnedDay) {
  TempFolder folder;
  if (!HaveOpenpyxl(folder)) GTEST_SKIP() << "python3-openpyxl is not installed";
  const std::string project = folder.File("Project.xlsx");
  ASSERT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  // Short date ranges keep the downloads small.
  for (const char* row : {"3", "4", "5"}) {
    ASSERT_EQ(Pelorinxl(folder, {"set-row", project, row, "--start-date", "2024-02-01"}).status, 0);
  }
  const Result resave = Spawn(folder, kPython,
                              {"-c", "import sys, openpyxl; p = sys.argv[1]; openpyxl.load_workbook(p).save(p)", project});
  ASSERT_EQ(resave.status, 0) << resave.err;
  const std::string before = CellXml(PackagePart(folder, project, "xl/worksheets/sheet1.xml"), "C2");
  ASSERT_NE(before.find("<f>TODAY()</f>"), std::string::npos) << before;
  ASSERT_TRUE(before.find("<v>") == std::string::npos || before.find("<v></v>") != std::string::npos)
      << "openpyxl stores no result: " << before;

  PinnedToday today("2024-03-15");  // a Friday, serial 45366
  const Result check = Pelorinxl(folder, {"check", project});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_NE(check.out.find("the project is fine (3 ticker rows)"), std::string::npos) << check.out;
  const Result run = Pelorinxl(folder, {"refresh", project});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("Done: 3 row(s), 0 failed"), std::string::npos) << run.out << run.err;

  // Every row downloaded up to the pinned day, not further.
  MemoryHost host(MakeXlsxStore(), RegionalSettings());  // no engine: what the file holds
  Workbook& wb = host.OpenWorkbook(project);
  Worksheet& settings = wb.Worksheets(kSettingsSheet);
  EXPECT_EQ(settings.CellFormula(2, 3), "=TODAY()");
  EXPECT_EQ(settings.CellValue(2, 3).Number(), 45366);
  for (int row = 3; row <= 5; ++row) {
    const std::string ticker = settings.CellValue(row, 1).Text();
    SCOPED_TRACE(ticker);
    Worksheet* data = wb.FindWorksheet(ticker);
    ASSERT_NE(data, nullptr);
    double first = 1e9, last = 0;
    data->ForEachCell(*data->UsedRange(), [&](int r, int c) {
      const Variant v = data->CellValue(r, c);
      if (c == 1 && v.IsDate()) first = std::min(first, v.DateSerial()), last = std::max(last, v.DateSerial());
    });
    EXPECT_EQ(last, 45366);
    EXPECT_GE(first, 45323);  // 1 February 2024
  }
  const std::string after = CellXml(PackagePart(folder, project, "xl/worksheets/sheet1.xml"), "C2");
  EXPECT_NE(after.find("<f>TODAY()</f><v>45366</v>"), std::string::npos) << after;
}

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
