// ExportData through the macro engine on a project workbook: the format
// list, the folder, the data sheet, the row limit, the files written.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/macros/export_fixture.h"

namespace plrxl::testing {
namespace {

namespace fs = std::filesystem;

class ExportDataTest : public ::testing::Test {
 protected:
  ExportDataTest() { MakeExportProject(p_); }

  // Runs the macro text on the engine; the result must be "Ok".
  void Run(const std::string& macro_text) { EXPECT_EQ(p_.Engine().RunMyMacro(macro_text), "Ok") << macro_text; }
  std::string Out() const { return (p_.Dir() / "out").string(); }
  std::vector<std::string> FilesIn(const fs::path& folder) const {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  MacroProject p_;
};

TEST_F(ExportDataTest, EveryLayoutWritesItsGoldenFile) {
  for (const ExportLayout& layout : ExportLayouts()) {
    const fs::path folder = p_.Dir() / layout.name;
    Run(std::string("exportdata(") + layout.name + "," + folder.string() + ")");
    const std::string file = ExportFileName(layout, "abc", "Daily");
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{file}) << layout.name;
    EXPECT_EQ(FirstMismatch(Golden(layout.name), ReadFileBytes(folder / file)), "") << layout.name;
  }
  EXPECT_TRUE(p_.Ui().Boxes().empty());
  // The export leaves the data sheet active for the calls after it.
  EXPECT_EQ(p_.Host().ActiveSheet(), &p_.Data());
}

TEST_F(ExportDataTest, FormatNameInAnotherCase) {
  Run("exportdata(MetaStock," + Out() + ")");
  EXPECT_EQ(ReadFileBytes(fs::path(Out()) / "ABC_D.prn"), Golden("metastock"));
}

TEST_F(ExportDataTest, TickerWithSlashAndWeeklyRow) {
  MakeExportProject(p_, "BRK/B", "weekly");
  Run("exportdata(csv," + Out() + ");exportdata(ascii," + Out() + ")");
  EXPECT_EQ(FilesIn(Out()), (std::vector<std::string>{"BRK_B_W.asc", "BRK_B_W.csv"}));
  // Lines carry the cleaned ticker as it was typed.
  EXPECT_EQ(ReadFileBytes(fs::path(Out()) / "BRK_B_W.asc").substr(0, 17), "01/03/2006\tBRK_B\t");
}

TEST_F(ExportDataTest, NewestFirstIsWrittenNewestFirst) {
  p_.FillData(Order::kNewestFirst, 3);  // closes 102, 101, 100 from the top
  p_.Settings().SetCellValue(MacroProject::kTickerRow, 9, Variant("DOHLCV"));
  Run("exportdata(metastock_r," + Out() + ")");
  EXPECT_EQ(ReadFileBytes(fs::path(Out()) / "ABC.prn"), "01/03/24 102\r\n01/02/24 101\r\n01/01/24 100\r\n");
}

TEST_F(ExportDataTest, BlockWithoutOpenInterestEndsCsvLinesWithZero) {
  FillGoldenQuotes(p_.Data(), /*open_interest=*/false);
  p_.Settings().SetCellValue(MacroProject::kTickerRow, 9, Variant("DOHLCV"));
  Run("exportdata(csv," + Out() + ")");
  EXPECT_EQ(ReadFileBytes(fs::path(Out()) / "ABC_D.csv"),
            "20060103,10.5,11,10,10.75,1200,0\r\n20060104,10.75,11.25,10.5,11,1500,0\r\n"
            "20061215,11,12.125,10.875,12,800,0\r\n");
}

TEST_F(ExportDataTest, SixtyFiveThousandRowsAreTheLimit) {
  Worksheet& data = p_.Data();
  const Variant price(10.0), volume(100.0);
  for (int row = 2; row <= 65001; ++row) {
    data.SetCellValue(row, 1, Variant::Date(DateSerial(1900, 3, 1) + row));
    for (int col = 2; col <= 7; ++col) data.SetCellValue(row, col, col == 6 ? volume : price);
  }
  Run("exportdata(metastock_r," + Out() + ")");  // 65,000 data rows
  const std::string text = ReadFileBytes(fs::path(Out()) / "ABC.prn");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 65000);
  EXPECT_TRUE(p_.Context().LastDownloadText.empty());

  data.SetCellValue(65002, 1, Variant::Date(DateSerial(2100, 1, 1)));
  data.SetCellValue(65002, 5, price);
  fs::remove(fs::path(Out()) / "ABC.prn");
  Run("exportdata(metastock_r," + Out() + ")");  // 65,001 data rows
  EXPECT_FALSE(fs::exists(fs::path(Out()) / "ABC.prn"));
  EXPECT_EQ(p_.Context().LastDownloadText, " E47 too many rows");
  EXPECT_TRUE(p_.Context().LastDownloadFailed);
}

TEST_F(ExportDataTest, MissingFolderLevelsAreCreated) {
  const fs::path folder = p_.Dir() / "New" / "Sub";
  Run("exportdata(csv," + folder.string() + ")");
  EXPECT_TRUE(fs::exists(folder / "ABC_D.csv"));
  // Backslashes of a project written on Windows count as slashes.
  std::string windows = (p_.Dir() / "Win" / "Quotes").string();
  std::replace(windows.begin(), windows.end(), '/', '\\');
  Run("exportdata(csv," + windows + ")");
  EXPECT_TRUE(fs::exists(p_.Dir() / "Win" / "Quotes" / "ABC_D.csv"));
}

TEST_F(ExportDataTest, StopMessages) {
  // A regular file where a folder level should be.
  std::ofstream(p_.Dir() / "plain") << "x";
  struct Case {
    std::string macro;
    std::string box;  // empty: no box
  } cases[] = {
      {"exportdata(csv,quotes/daily)", "E27 drive quotes missing"},
      {"exportdata(csv,C:\\Quotes\\Daily)", "E27 drive C: missing"},
      {"exportdata(csv,\\\\server\\share\\q)", "E27 drive /server missing"},
      {"exportdata(csv,/no-such-top-folder-plrxl/q)", "E27 drive /no-such-top-folder-plrxl missing"},
      {"exportdata(csv," + (p_.Dir() / "plain" / "sub").string() + ")", "E28 folder not created"},
      {"exportdata(xls," + Out() + ")", "E30 format not listed"},
      {"exportdata(," + Out() + ")", "E30 format not listed"},
  };
  for (const Case& c : cases) {
    p_.Ui().AnswerBox(MsgResult::kOk, c.box);
    Run(c.macro);
  }
  EXPECT_EQ(p_.Ui().Pending(), 0u);
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(ExportDataTest, MissingDataSheetStopsWithItsName) {
  p_.Settings().SetCellValue(MacroProject::kTickerRow, 6, Variant("Prices"));
  p_.Ui().AnswerBox(MsgResult::kOk, "E29 sheet Prices missing");
  Run("exportdata(csv," + Out() + ")");
  // AUTO names the sheet after the ticker: "abc" has none either.
  p_.Settings().SetCellValue(MacroProject::kTickerRow, 6, Variant("auto"));
  p_.Ui().AnswerBox(MsgResult::kOk, "E29 sheet abc missing");
  Run("exportdata(csv," + Out() + ")");
  // The folder is made ready before the sheet is looked for.
  EXPECT_TRUE(FilesIn(Out()).empty());
}

TEST_F(ExportDataTest, AutoLocationFindsTheTickersSheet) {
  p_.Settings().SetCellValue(MacroProject::kTickerRow, 1, Variant("AAPL"));
  p_.Settings().SetCellValue(MacroProject::kTickerRow, 6, Variant("AUTO"));
  Run("exportdata(csv," + Out() + ")");
  EXPECT_EQ(ReadFileBytes(fs::path(Out()) / "AAPL_D.csv"), Golden("csv"));
}

TEST_F(ExportDataTest, AutoSheetOfATickerWithASlash) {
  MakeExportProject(p_, "BRK/B", "weekly");
  p_.Settings().SetCellValue(MacroProject::kTickerRow, 6, Variant("AUTO"));
  p_.Data().SetName("BRK_B");
  Run("exportdata(csv," + Out() + ")");
  EXPECT_EQ(ReadFileBytes(fs::path(Out()) / "BRK_B_W.csv"), Golden("csv"));
}

TEST_F(ExportDataTest, FormatListedButWithoutLayoutWritesNothing) {
  p_.Parameters().SetCellValue(8, 4, Variant("csv|prn2"));
  Run("exportdata(prn2," + Out() + ")");
  EXPECT_TRUE(FilesIn(Out()).empty());
  EXPECT_TRUE(p_.Ui().Boxes().empty());
  EXPECT_TRUE(p_.Context().LastDownloadText.empty());
}

TEST_F(ExportDataTest, NoSettingsSheetStopsWithMessage2) {
  p_.Settings().SetName("Renamed");
  p_.Ui().AnswerBox(MsgResult::kOk, "E2 no settings sheet");
  Run("exportdata(csv," + Out() + ")");
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(ExportDataTest, AnExistingFileIsReplacedWhole) {
  fs::create_directories(Out());
  std::ofstream(fs::path(Out()) / "ABC_D.csv") << std::string(10000, 'x');
  Run("exportdata(csv," + Out() + ")");
  EXPECT_EQ(ReadFileBytes(fs::path(Out()) / "ABC_D.csv"), Golden("csv"));
  EXPECT_EQ(FilesIn(Out()), std::vector<std::string>{"ABC_D.csv"});  // no temporary file left
}

TEST_F(ExportDataTest, AFileThatCannotBeWrittenIsNotedInTheStatus) {
  fs::create_directories(fs::path(Out()) / "ABC_D.csv");  // a folder in the file's place
  Run("exportdata(csv," + Out() + ")");
  EXPECT_TRUE(fs::is_directory(fs::path(Out()) / "ABC_D.csv"));
  EXPECT_EQ(FilesIn(Out()), std::vector<std::string>{"ABC_D.csv"});
  EXPECT_NE(p_.Context().LastDownloadText.find("Export failed: "), std::string::npos)
      << p_.Context().LastDownloadText;
  EXPECT_TRUE(p_.Context().LastDownloadFailed);
}

TEST_F(ExportDataTest, NoQuotesBelowTheHeaderWritesNoFile) {
  p_.Data().ClearCells(Rect{2, 1, 10, 8}, true, true);
  Run("exportdata(csv," + Out() + ")");
  EXPECT_TRUE(FilesIn(Out()).empty());
  EXPECT_NE(p_.Context().LastDownloadText.find("Export skipped: no quotes below A1"), std::string::npos);
}

}  // namespace
}  // namespace plrxl::testing
