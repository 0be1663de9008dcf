// What an unattended run must not do silently: keep part of a download that
// does not fit, leave a failed macro's row black, write a status twice, stop
// half-way over a sheet name, or run a table without tickers.
#include <gtest/gtest.h>

#include <filesystem>

#include "entry/data_sheet_name.h"
#include "tests/support/csv_bars.h"
#include "tests/download/download_fixture.h"
#include "tests/download/wrapped_fetcher.h"

namespace plrxl::testing {
namespace {

RowSpec Row(const std::string& ticker, const std::string& location = "", const std::string& macros = "") {
  return {ticker, Variant::Date(DateSerial(2024, 1, 2)), Variant::Date(DateSerial(2024, 2, 29)), "", "", location, "",
          "", "dc", macros};
}

TEST(DataSheetName, CleansAutoNamesAndKeepsOthersAsTheRunDoes) {
  const struct {
    const char* location;
    const char* ticker;
    const char* name;
  } cases[] = {
      {"AUTO", "BRK/B", "BRK_B"},
      {"auto", "X", "X"},
      {"Auto", "A:B?C*D[E]F\\G!", "A_B_C_D_E_F_G_"},
      {"AUTO", "'QUOTED'", "_QUOTED_"},
      {"AUTO", "QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ", "QQQQQQQQQQQQQQQQQQQQQQQQQQQQ"},
      {"Prices", "X", "Prices"},
      {"a/b", "X", "a_b"},
      {"'quoted'", "X", "'quoted'"},  // not AUTO: the run refuses it with message 5
  };
  for (const auto& c : cases) EXPECT_EQ(DataSheetName(c.location, c.ticker), c.name) << c.location << " " << c.ticker;
  EXPECT_TRUE(SameDataLocation("auto", "AUTO"));
  EXPECT_FALSE(SameDataLocation("Prices", "prices"));
  for (const char* good : {"A", "BRK_B", "Ä123456789012345678901234567890"}) EXPECT_TRUE(IsUsableSheetName(good));
  for (const char* bad : {"", "'quoted'", "x'", "a/b", "history", "12345678901234567890123456789012"}) {
    EXPECT_FALSE(IsUsableSheetName(bad)) << bad;
  }
}

TEST_F(DownloadTest, AutoInAnyCaseCountsAndTickersAreCleaned) {
  Workbook& wb = Project({Row("BRK/B", "AUTO"), Row("DUP", "auto"), Row("DUP", "AUTO")});
  RunRefresh();
  EXPECT_NE(wb.FindWorksheet("BRK_B"), nullptr);
  EXPECT_NE(wb.FindWorksheet("DUP"), nullptr);
  EXPECT_NE(wb.FindWorksheet("DUP(1)"), nullptr);
  for (int row = 3; row <= 5; ++row) EXPECT_EQ(Settings(wb).Cells(row, 11).FontColorIndex(), 0) << Status(wb, row);
  EXPECT_EQ(wb.WorksheetCount(), 5);
}

TEST_F(DownloadTest, TableEndingAtItsDefaultsRowGetsMessageFour) {
  Workbook& wb = Project({});
  ui_.ExpectModal("ProgressBarWindow");
  ui_.AnswerBox(MsgResult::kOk, "no tickers");
  pelorin_->RefreshData();
  EXPECT_EQ(wb.WorksheetCount(), 2);
  EXPECT_TRUE(view_.finished.empty());
}

TEST_F(DownloadTest, DownloadTooLongForTheSheetFillsNothingAndTheRunGoesOn) {
  std::filesystem::create_directories(temp_.File("quotes"));
  WriteCsvBars(temp_.File("quotes/HUGE.csv"), 70000);
  const std::string folder = temp_.File("quotes");
  context_.MakeQuoteFetcher = [folder] {
    QuoteSettings settings;
    settings.worker_threads = 2;
    settings.csv_folder = folder;
    return MakeQuoteFetcher(settings);
  };
  RowSpec huge = Row("HUGE");
  huge.source = "CSV";
  huge.start = Variant::Date(DateSerial(1900, 3, 1));
  huge.end = Variant::Date(DateSerial(2099, 12, 31));
  Workbook& wb = Project({huge, Row("NEXT")});
  RunRefresh();
  const std::string status = Status(wb, 3);
  EXPECT_NE(status.find(" bars arrived, but only 65535 fit on the sheet from row 2 down; nothing was written"),
            std::string::npos)
      << status;
  EXPECT_EQ(Settings(wb).Cells(3, 11).FontColorIndex(), 3);
  EXPECT_TRUE(wb.Worksheets("HUGE").IsCellEmpty(2, 1));
  EXPECT_TRUE(wb.Worksheets("HUGE").IsCellEmpty(1, 1));
  EXPECT_EQ(Status(wb, 4), "05.12.2026 14:02:11 " + Message(wb, 16));
}

TEST_F(DownloadTest, DownloadTooWideForTheSheetFillsNothing) {
  RowSpec wide = Row("WIDE");
  wide.beginning = "IU1";  // two columns left; six fields asked for
  wide.fields = "dohlcv";
  Workbook& wb = Project({wide});
  RunRefresh();
  const std::string status = Status(wb, 3);
  EXPECT_NE(status.find("6 fields arrived, but only 2 columns fit on the sheet from column 255 on"), std::string::npos)
      << status;
  EXPECT_EQ(Settings(wb).Cells(3, 11).FontColorIndex(), 3);
  EXPECT_TRUE(wb.Worksheets("WIDE").IsCellEmpty(1, 255));
}

TEST_F(DownloadTest, ErrorWhilePastingLeavesTheRowRedWhateverTheAnswer) {
  // The second time value is a table, which no cell can hold.
  context_.MakeQuoteFetcher = [] {
    return std::make_unique<WrappedFetcher>(MakeFetcher(), 0, [](QuoteResult& r) {
      for (ResultSeries& series : r.series) {
        const int bars = series.Find("Date")->UBound() + 1;
        std::vector<Variant> times(bars, Variant::Date(0.5));
        times[1] = Variant::Array1D({Variant(1), Variant(2)});
        series.fields.push_back({"Time", Variant::Array1D(times, 0)});
      }
    });
  };
  RowSpec row = Row("AAA");
  row.fields = "tdc";
  Workbook& wb = Project({row, Row("BBB")});
  ui_.ExpectModal("ProgressBarWindow");
  ui_.IgnoreOnError();
  pelorin_->RefreshData();
  EXPECT_EQ(Settings(wb).Cells(3, 11).FontColorIndex(), 3) << Status(wb, 3);
  EXPECT_EQ(Settings(wb).Cells(4, 11).FontColorIndex(), 0) << Status(wb, 4);  // asks for no time: fine
}

TEST_F(DownloadTest, UpdateWritesDownloadOkOnce) {
  Workbook& wb = Project({Row("AAA")});
  RunRefresh();
  Settings(wb).SetCellValue(3, 3, Variant::Date(DateSerial(2024, 3, 29)));
  RunUpdate();
  EXPECT_EQ(Status(wb, 3), "05.12.2026 14:02:11 " + Message(wb, 16));
}

TEST_F(DownloadTest, FailedMacroLeavesItsRowRed) {
  Workbook& wb = Project({Row("AAA", "", "NoSuchMacro"), Row("BBB")});
  ui_.ExpectModal("ProgressBarWindow");
  ui_.AnswerBox(MsgResult::kOk, "cannot be found");
  ui_.AnswerBox(MsgResult::kYes, "did not run to the end");
  pelorin_->RefreshData();
  EXPECT_EQ(Settings(wb).Cells(3, 11).FontColorIndex(), 3) << Status(wb, 3);
  EXPECT_EQ(Settings(wb).Cells(4, 11).FontColorIndex(), 0) << Status(wb, 4);
}

}  // namespace
}  // namespace plrxl::testing
