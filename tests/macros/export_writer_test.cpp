// The layout table and the writer: file names, and the exact bytes of every
// layout against its golden file.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "host/memory/memory_host.h"
#include "macros/export_layouts.h"
#include "macros/export_writer.h"
#include "tests/macros/export_fixture.h"

namespace plrxl::testing {
namespace {

RegionalSettings Pinned(char decimal = '.') {
  RegionalSettings rs = MacroProject::PinnedRegional();
  rs.decimal_symbol = decimal;
  return rs;
}

class ExportWriterTest : public ::testing::Test {
 protected:
  ExportWriterTest() : host_(nullptr, Pinned()), sheet_(host_.AddWorkbook().WorksheetAt(1)) { FillGoldenQuotes(sheet_); }

  ExportBlock Block() {
    ExportBlock block;
    block.sheet = &sheet_;
    block.first_row = 2;
    block.last_row = 4;
    block.columns = {1, 2, 3, 4, 5, 6, 7};
    block.ticker = "abc";
    block.period = "D";
    return block;
  }

  std::string Write(const std::string& layout, const ExportBlock& block, char decimal = '.') {
    std::ostringstream out;
    WriteExport(out, *FindExportLayout(layout), block, Pinned(decimal));
    return out.str();
  }

  MemoryHost host_;
  Worksheet& sheet_;
};

TEST(ExportLayouts, TwelveLayoutsWithUniqueLowerCaseNames) {
  ASSERT_EQ(ExportLayouts().size(), 12u);
  std::set<std::string> names;
  for (const ExportLayout& layout : ExportLayouts()) {
    names.insert(layout.name);
    EXPECT_EQ(LowerAscii(layout.name), layout.name);
    EXPECT_GT(layout.field_count, 0);
    EXPECT_LE(layout.field_count, kMaxExportFields);
  }
  EXPECT_EQ(names.size(), 12u);
  EXPECT_EQ(FindExportLayout("MetaStock"), nullptr);  // callers lower-case first
}

TEST(ExportLayouts, FileNames) {
  struct Case {
    const char* layout;
    const char* file_ticker;
    const char* periodicity;
    const char* file;
  } cases[] = {
      {"metastock", "abc", "Daily", "ABC_D.prn"},   {"metastock_m", "abc", "Daily", "ABC_D.txt"},
      {"metastock_d", "abc", "Daily", "ABC_D.txt"}, {"metastock_r", "abc", "Daily", "ABC.prn"},
      {"tsv", "abc", "Daily", "ABC_D.txt"},         {"csv", "BRK_B", "weekly", "BRK_B_W.csv"},
      {"ascii", "abc", "monthly", "ABC_M.asc"},     {"sc-4", "abc", "Daily", "ABC_D.sc4"},
      {"quicken", "abc", "Daily", "ABC_D.csv"},     {"excel", "abc", "Daily", "ABC_D.xls"},
      {"walmaster", "abc", "Daily", "ABC_D.txt"},   {"metastockdb", "^gdaxi", "Weekly", "^GDAXI_W.prn"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExportFileName(*FindExportLayout(c.layout), c.file_ticker, c.periodicity), c.file) << c.layout;
  }
  EXPECT_EQ(PeriodLetter(""), "");
}

TEST_F(ExportWriterTest, EveryLayoutMatchesItsGoldenFile) {
  for (const ExportLayout& layout : ExportLayouts()) {
    const std::string expected = Golden(layout.name);
    ASSERT_FALSE(expected.empty()) << layout.name;
    EXPECT_EQ(FirstMismatch(expected, Write(layout.name, Block())), "") << layout.name;
  }
}

TEST_F(ExportWriterTest, WorkedExampleLines) {
  const ExportBlock block = Block();
  const RegionalSettings rs = Pinned();
  EXPECT_EQ(ExportLine(*FindExportLayout("metastock"), block, 2, rs), "abc,D,20060103,000000,10.5,11,10,10.75,1200,0");
  EXPECT_EQ(ExportLine(*FindExportLayout("metastock_m"), block, 2, rs), "01/03/2006 0000 10.5 11 10 10.75 1200");
  EXPECT_EQ(ExportLine(*FindExportLayout("quicken"), block, 2, rs), "\"abc\",\"10,75\",\"03/01/06\"");
}

TEST_F(ExportWriterTest, MissingVolumeAndOpenInterestWriteZero) {
  ExportBlock block = Block();
  block.columns.volume = 0;
  block.columns.open_interest = 0;
  EXPECT_EQ(Write("csv", block), "20060103,10.5,11,10,10.75,0,0\r\n20060104,10.75,11.25,10.5,11,0,0\r\n"
                                 "20061215,11,12.125,10.875,12,0,0\r\n");
}

TEST_F(ExportWriterTest, NumbersUseTheRegionalDecimalSymbol) {
  ExportBlock block = Block();
  block.last_row = 2;
  EXPECT_EQ(Write("walmaster", block, ','), "abc;03/01/06;10,5;11;10;10,75;1200;0\r\n");
}

TEST_F(ExportWriterTest, RowsAreWrittenInSheetOrder) {
  // Newest first on the sheet: the file is newest first too.
  sheet_.SetCellValue(2, 1, Variant::Date(DateSerial(2006, 12, 15)));
  sheet_.SetCellValue(4, 1, Variant::Date(DateSerial(2006, 1, 3)));
  ExportBlock block = Block();
  const std::string text = Write("metastock_r", block);
  EXPECT_EQ(text, "12/15/06 10.75\r\n01/04/06 11\r\n01/03/06 12\r\n");
}

TEST_F(ExportWriterTest, TextIsEightBit) {
  ExportBlock block = Block();
  block.last_row = 2;
  block.ticker = "caf\xC3\xA9\xE2\x82\xAC";  // "café€" in UTF-8
  EXPECT_EQ(ExportLine(*FindExportLayout("ascii"), block, 2, Pinned()).substr(11, 8), "caf\xC3\xA9\xE2\x82\xAC");
  const std::string text = Write("ascii", block);
  EXPECT_EQ(text.substr(11, 6), "caf\xE9?\t");
}

TEST_F(ExportWriterTest, HeaderOnlyWhenThereAreNoRows) {
  ExportBlock block = Block();
  block.last_row = 1;
  EXPECT_EQ(Write("tsv", block), "Date\tOpen\tHigh\tLow\tClose\tVolume\r\n");
  EXPECT_EQ(Write("csv", block), "");
}

}  // namespace
}  // namespace plrxl::testing
