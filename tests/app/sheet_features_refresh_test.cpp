// A refresh writes its cells and keeps what else the project sheet holds:
// the real pelorinxl program refreshes a new project (SAMPLE quotes) whose
// first sheet was given a tab colour, hidden gridlines, a hidden column, a
// hidden grouped row, an array formula and a cell beyond the grid.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/app/run_program.h"
#include "tests/host/package_files.h"
#include "tests/host/sheet_features.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::CopyWithParts;
using testing_xlsx::ReadPart;
using testing_xlsx::Replaced;
using testing_xlsx::SheetFeatures;
using testing_xlsx::TempFolder;

constexpr const char* kFirstSheet = "xl/worksheets/sheet1.xml";

// The new project's first sheet with the features added.
std::string WithFeatures(std::string sheet) {
  if (sheet.find("<sheetPr") == std::string::npos) {
    sheet = Replaced(sheet, "<dimension", "<sheetPr><tabColor rgb=\"FF00FF00\"/></sheetPr><dimension");
  }
  sheet = Replaced(sheet, "<sheetView ", "<sheetView showGridLines=\"0\" ");
  const std::string column = "<col min=\"30\" max=\"30\" width=\"5\" hidden=\"1\" customWidth=\"1\"/>";
  sheet = sheet.find("</cols>") != std::string::npos ? Replaced(sheet, "</cols>", column + "</cols>")
                                                     : Replaced(sheet, "<sheetData", "<cols>" + column + "</cols><sheetData");
  return Replaced(sheet, "</sheetData>",
                  "<row r=\"500\" hidden=\"1\" outlineLevel=\"1\"><c r=\"B500\"><v>42</v></c></row>"
                  "<row r=\"600\"><c r=\"AA600\"><f t=\"array\" ref=\"AA600:AA601\">ROW(A1:A2)</f><v>1</v></c></row>"
                  "<row r=\"601\"><c r=\"AA601\"><v>2</v></c></row>"
                  "<row r=\"70000\"><c r=\"C70000\"><v>7</v></c></row></sheetData>");
}

TEST(SheetFeaturesRefresh, TheProjectSheetKeepsItsFeatures) {
  TempFolder folder;
  const std::string fresh = folder.File("Fresh.xlsx");
  const std::string project = folder.File("Project.xlsx");
  const testing::RunResult made = testing::RunPelorinxl(folder.Path(), {"new", fresh});
  ASSERT_EQ(made.status, 0) << made.err;
  CopyWithParts(fresh, project, {{kFirstSheet, WithFeatures(ReadPart(fresh, kFirstSheet))}});

  const testing::RunResult info = testing::RunPelorinxl(folder.Path(), {"info", project});
  EXPECT_NE(info.out.find("Not kept on save: 0\n"), std::string::npos) << info.out;
  const testing::RunResult r = testing::RunPelorinxl(folder.Path(), {"refresh", project});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Done: 3 row(s), 0 failed"), std::string::npos) << r.out;

  const std::vector<std::string> after = SheetFeatures(project, 0);
  for (const char* line : {"property tabColor: rgb=FF00FF00", "column 30: hidden=1", "row 500: hidden=1 outlineLevel=1",
                           "cell B500: number 42", "cell AA600: formula=ROW(A1:A2) array AA600:AA601 number 1",
                           "cell AA601: number 2", "cell C70000: number 7"}) {
    EXPECT_NE(std::find(after.begin(), after.end(), line), after.end()) << line;
  }
  const bool gridlines_hidden = std::any_of(after.begin(), after.end(), [](const std::string& line) {
    return line.rfind("view: ", 0) == 0 && line.find("showGridLines=0") != std::string::npos;
  });
  EXPECT_TRUE(gridlines_hidden);
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& saved = host.OpenWorkbook(project);
  EXPECT_TRUE(saved.Losses().empty());
  EXPECT_GT(saved.WorksheetCount(), 1);  // the data sheets the refresh wrote
}

}  // namespace
}  // namespace plrxl
