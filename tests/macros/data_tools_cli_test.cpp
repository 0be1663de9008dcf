// The data tools end to end: a real project .xlsx with data sheets, run
// through `pelorinxl macros`, its files and the saved workbook read back.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "download/demo_project.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/macros/export_fixture.h"

namespace plrxl::testing {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl";

struct Ran {
  int exit_code = -1;
  std::string out;
};

Ran RunProgram(const fs::path& dir, const std::string& args) {
  const std::string line = "cd '" + dir.string() + "' && LC_ALL=C XDG_CONFIG_HOME='" + (dir / "config").string() +
                           "' '" + kProgram + "' " + args + " 2>&1 </dev/null";
  Ran ran;
  FILE* pipe = popen(line.c_str(), "r");
  std::array<char, 4096> buffer;
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) ran.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  ran.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return ran;
}

// `bars` quotes from A1 of `sheet`: dates from 2000-01-03, close of bar i
// (oldest = 0) 100 + i, open 99 + i.
void FillQuotes(Worksheet& sheet, int bars, bool newest_first) {
  const char* titles[] = {"Date", "Open", "High", "Low", "Close", "Volume"};
  for (int c = 1; c <= 6; ++c) sheet.SetCellValue(1, c, Variant(titles[c - 1]));
  for (int i = 0; i < bars; ++i) {
    const int row = newest_first ? 1 + bars - i : 2 + i;
    sheet.SetCellValue(row, 1, Variant::Date(DateSerial(2000, 1, 3) + i));
    sheet.SetCellValue(row, 2, Variant(99.0 + i));
    sheet.SetCellValue(row, 3, Variant(101.0 + i));
    sheet.SetCellValue(row, 4, Variant(98.0 + i));
    sheet.SetCellValue(row, 5, Variant(100.0 + i));
    sheet.SetCellValue(row, 6, Variant(1000.0));
  }
}

class DataToolsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kProgram)) GTEST_SKIP() << "pelorinxl not built";
  }
  std::string Dir(const std::string& sub) const { return (world_.Dir() / sub).string(); }

  TempWorld world_;
};

TEST_F(DataToolsCli, MacrosCommandRunsEveryDataTool) {
  std::string golden_exports;
  for (const ExportLayout& layout : ExportLayouts()) {
    golden_exports += std::string("exportdata(") + layout.name + "," + Dir(std::string("g/") + layout.name) + ");";
  }
  std::ofstream(world_.Dir() / "plain") << "x";
  const std::vector<DemoRow> rows = {
      // row 3: the golden scenario, every layout, and a format name in another case
      {"abc", "2006-01-02", "2006-12-29", "Daily", "FTB", "dohlcvp",
       golden_exports + "exportdata(MetaStock," + Dir("case") + ");createsummary"},
      // row 4: a ticker with "/", weekly, no open interest
      {"BRK/B", "2006-01-02", "2006-12-29", "Weekly", "FTB", "dohlcv", "exportdata(csv," + Dir("brk") + ")"},
      // row 5: 300 rows newest first: export, summary on the third row, transpose
      {"NEW", "2000-01-03", "2001-12-31", "Daily", "FBT", "dohlcv",
       "exportdata(metastock_r," + Dir("newest") + ");createsummary;transposedata"},
      // row 6: 300 rows oldest first
      {"OLD", "2000-01-03", "2001-12-31", "Daily", "FTB", "dohlcv", "transposedata"},
      // rows 7, 8: 255 rows in both directions
      {"T255A", "2000-01-03", "2001-12-31", "Daily", "FTB", "dohlcv", "transposedata"},
      {"T255B", "2000-01-03", "2001-12-31", "Daily", "FBT", "dohlcv", "transposedata"},
      // rows 9, 10: 65,000 and 65,001 data rows
      {"MAX", "2000-01-03", "2001-12-31", "Daily", "FTB", "dohlcv", "exportdata(metastock_r," + Dir("max") + ")"},
      {"BIG", "2000-01-03", "2001-12-31", "Daily", "FTB", "dohlcv", "exportdata(metastock_r," + Dir("big") + ")"},
      // row 11: folders, an unknown layout listed in D8, a copy to two new sheets
      {"FOLD", "2006-01-02", "2006-12-29", "Daily", "FTB", "dohlcv",
       "exportdata(csv," + Dir("levels/New/Sub") + ");exportdata(csv,relative/quotes);exportdata(csv," +
           Dir("plain/sub") + ");exportdata(prn2," + Dir("prn2") + ");copydata(A1:F4,Weekly*Monthly,B2)"},
  };
  const std::string path = Dir("project.xlsx");
  {
    MemoryHost host(MakeXlsxStore(), MacroProject::PinnedRegional());
    Workbook& wb = AddNewProjectWorkbook(host, DateSerial(2025, 3, 21));
    WriteDemoRows(wb, rows);
    wb.Worksheets(kParametersSheet).SetCellValue(8, 4, Variant(std::string(kAllFormats) + "|prn2"));
    wb.Worksheets(kSettingsSheet).SetCellValue(4, 6, Variant("BRK_B"));
    const std::pair<const char*, int> sheets[] = {{"NEW", 300}, {"OLD", 300},    {"T255A", 255}, {"T255B", 255},
                                                  {"MAX", 65000}, {"BIG", 65001}, {"FOLD", 3}};
    Worksheet& abc = wb.AddWorksheet();
    abc.SetName("abc");
    FillGoldenQuotes(abc);
    Worksheet& brk = wb.AddWorksheet();
    brk.SetName("BRK_B");
    FillGoldenQuotes(brk, /*open_interest=*/false);
    for (const auto& [name, bars] : sheets) {
      Worksheet& sheet = wb.AddWorksheet();
      sheet.SetName(name);
      FillQuotes(sheet, bars, std::string(name) == "NEW" || std::string(name) == "T255B");
    }
    wb.SaveAs(path);
  }

  const Ran ran = RunProgram(world_.Dir(), "macros project.xlsx");
  EXPECT_NE(ran.out.find("Done: 9 row(s)"), std::string::npos) << ran.out;

  // Exports: every layout byte for byte, and the format name in another case.
  for (const ExportLayout& layout : ExportLayouts()) {
    const fs::path file = fs::path(Dir(std::string("g/") + layout.name)) / ExportFileName(layout, "abc", "Daily");
    EXPECT_EQ(FirstMismatch(Golden(layout.name), ReadFileBytes(file)), "") << layout.name;
  }
  EXPECT_EQ(ReadFileBytes(fs::path(Dir("case")) / "ABC_D.prn"), Golden("metastock"));
  EXPECT_EQ(ReadFileBytes(fs::path(Dir("brk")) / "BRK_B_W.csv"),
            "20060103,10.5,11,10,10.75,1200,0\r\n20060104,10.75,11.25,10.5,11,1500,0\r\n"
            "20061215,11,12.125,10.875,12,800,0\r\n");
  const std::string newest = ReadFileBytes(fs::path(Dir("newest")) / "NEW.prn");
  EXPECT_EQ(newest.substr(0, 30), "10/28/00 399\r\n10/27/00 398\r\n10");
  const std::string max = ReadFileBytes(fs::path(Dir("max")) / "MAX.prn");
  EXPECT_EQ(std::count(max.begin(), max.end(), '\n'), 65000);
  EXPECT_TRUE(fs::exists(Dir("big")) && fs::is_empty(Dir("big")));
  EXPECT_TRUE(fs::exists(fs::path(Dir("levels/New/Sub")) / "FOLD_D.csv"));
  EXPECT_FALSE(fs::exists(Dir("prn2/FOLD_D.prn2")));
  EXPECT_TRUE(fs::is_empty(Dir("prn2")));
  // The stop messages went to the console.
  EXPECT_NE(ran.out.find("\"relative\" does not exist"), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("The export folder could not be created"), std::string::npos) << ran.out;

  MemoryHost host(MakeXlsxStore(), MacroProject::PinnedRegional());
  Workbook& wb = host.OpenWorkbook(path);
  Worksheet& settings = wb.Worksheets(kSettingsSheet);
  auto status = [&](int row) { return ToText(settings.CellValue(row, 11), host.Regional()); };
  EXPECT_NE(status(10).find("Export skipped: more than 65000 rows."), std::string::npos) << status(10);
  EXPECT_EQ(settings.Cells(10, 11).FontColorIndex(), 3);
  EXPECT_EQ(settings.Cells(9, 11).FontColorIndex(), 0) << status(9);

  // Summary: the first ticker row in row 2, the third in row 4.
  Worksheet& summary = wb.Worksheets("Summary");
  EXPECT_EQ(summary.CellValue(1, 1), Variant("Ticker"));
  EXPECT_EQ(summary.CellValue(1, 8), Variant("Open Interest"));
  EXPECT_EQ(summary.CellValue(2, 1), Variant("abc"));
  EXPECT_EQ(summary.CellValue(2, 6), Variant(12.0));
  EXPECT_TRUE(summary.IsCellEmpty(3, 1));
  EXPECT_EQ(summary.CellValue(4, 1), Variant("NEW"));
  EXPECT_EQ(summary.CellValue(4, 6), Variant(399.0));  // newest first: the first data row
  EXPECT_TRUE(summary.Cells(1, 2).FontBold());

  // Transpose: k = 3 (NEW) to 6 (T255B) below the dates line.
  Worksheet& data = wb.Worksheets("Data");
  EXPECT_EQ(data.CellValue(4, 1), Variant("NEW"));
  EXPECT_EQ(data.CellValue(4, 2), Variant(398.0));    // newest first: the first 255 rows
  EXPECT_EQ(data.CellValue(4, 256), Variant(144.0));
  EXPECT_EQ(data.CellValue(5, 2), Variant(144.0));    // oldest first: the newest 255
  EXPECT_EQ(data.CellValue(5, 256), Variant(398.0));
  EXPECT_EQ(data.CellValue(6, 256), Variant(353.0));  // 255 rows: all of them
  EXPECT_EQ(data.CellValue(7, 2), Variant(353.0));
  EXPECT_NE(status(5).find("Data truncated to 255 records"), std::string::npos) << status(5);
  EXPECT_NE(status(6).find("Data truncated to 255 records"), std::string::npos) << status(6);
  EXPECT_EQ(status(7).find("truncated"), std::string::npos) << status(7);

  // Copy to two sheets that did not exist.
  for (const char* name : {"Weekly", "Monthly"}) {
    EXPECT_EQ(wb.Worksheets(name).CellValue(2, 2), Variant("Date")) << name;
    EXPECT_EQ(wb.Worksheets(name).CellValue(5, 6), Variant(102.0)) << name;
  }
}

}  // namespace
}  // namespace plrxl::testing
