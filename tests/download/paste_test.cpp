// Refresh and update writing, cell by cell, against the bars the SAMPLE
// source gives for the same request.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "tests/download/download_fixture.h"
#include "tests/download/wrapped_fetcher.h"

namespace plrxl::testing {
namespace {

// Header text and result field of each letter with the template's cells:
// "p" and "a" both take table column 7, where the adjusted close (the later
// of the two fields in a series) lands.
const std::map<char, std::pair<std::string, std::string>> kLetters = {
    {'d', {"Date", "Date"}},   {'o', {"Open", "Open"}},     {'h', {"High", "High"}},
    {'l', {"Low", "Low"}},     {'c', {"Close", "Close"}},   {'v', {"Volume", "Volume"}},
    {'p', {"Open Interest", "Adjusted Close"}},             {'a', {"Adjusted Close", "Adjusted Close"}},
};
const std::string kOrder = "dtohlcvpa";

const ResultField& FieldValues(const QuoteResult& r, const std::string& name) {
  const ResultField* f = r.series.back().Find(name);
  EXPECT_NE(f, nullptr) << name;
  return *f;
}

int Bars(const ResultField& f) { return f.UBound() - f.LBound() + 1; }

struct PasteCase {
  const char* direction;
  const char* fields;
  const char* beginning;
  const char* periodicity;
};

class PasteTest : public DownloadTest, public ::testing::WithParamInterface<PasteCase> {};

TEST_P(PasteTest, RefreshWritesEveryCell) {
  const PasteCase& c = GetParam();
  const double start = DateSerial(2024, 1, 2), end = DateSerial(2024, 6, 28);
  Workbook& wb = Project({{"ACME", Variant::Date(start), Variant::Date(end), c.periodicity, c.direction, "Prices",
                           c.beginning, "SAMPLE", c.fields, ""}});
  RunRefresh();
  const QuoteResult expected = Fetch("ACME", start, end, c.periodicity);
  const int bars = Bars(FieldValues(expected, "Date"));
  ASSERT_GT(bars, 3);

  Worksheet& sheet = wb.Worksheets("Prices");
  const Rect at = ParseA1(c.beginning)->rect;
  int col = at.col1;
  const bool fbt = std::string(c.direction) == "FBT";
  std::string fields = c.fields;
  for (char& ch : fields) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  for (char letter : kOrder) {
    if (fields.find(letter) == std::string::npos || letter == 't') continue;
    const auto& [header, field] = kLetters.at(letter);
    EXPECT_EQ(sheet.CellValue(at.row1, col), Variant(header)) << letter;
    const ResultField& values = FieldValues(expected, field);
    for (int i = 0; i < bars; ++i) {
      const int bar = fbt ? bars - 1 - i : i;
      ASSERT_EQ(sheet.CellValue(at.row1 + 1 + i, col), values.At(bar)) << letter << " bar " << i;
    }
    EXPECT_TRUE(sheet.IsCellEmpty(at.row1 + 1 + bars, col));
    const std::string format = letter == 'd' ? "dd.mm.yyyy" : (letter == 'v' || letter == 'p') ? "0" : "0.00";
    EXPECT_EQ(sheet.CellStyleAt(at.row1 + 1, col).number_format, format) << letter;
    EXPECT_GT(sheet.ColumnWidth(col), 0);
    ++col;
  }
  EXPECT_TRUE(sheet.IsCellEmpty(at.row1, col)) << "no column past the written fields";
  EXPECT_EQ(Status(wb, 3), "05.12.2026 14:02:11 " + Message(wb, 16));
}

INSTANTIATE_TEST_SUITE_P(Fields, PasteTest,
                         ::testing::Values(PasteCase{"FTB", "dohlcv", "A1", "Daily"},
                                           PasteCase{"FBT", "dohlcv", "A1", "Daily"},
                                           PasteCase{"FTB", "dc", "C4", "Daily"},
                                           PasteCase{"FBT", "cd", "B2", "Weekly"},  // order comes from D5
                                           PasteCase{"FTB", "vcd", "A1", "Monthly"},
                                           PasteCase{"FBT", "DCh", "A1", "Daily"},  // letters compared without case
                                           PasteCase{"FTB", "dtohlcvpa", "A1", "Weekly"},
                                           PasteCase{"FBT", "da", "D10", "Daily"}));

struct UpdateCase {
  const char* direction;
  const char* periodicity;
};

class UpdateTest : public DownloadTest, public ::testing::WithParamInterface<UpdateCase> {};

// An update downloads from the newest date on the sheet: that bar comes again
// and replaces the old one; the result equals a refresh over the whole range.
TEST_P(UpdateTest, AppendsNewBarsAndReplacesTheOverlapBar) {
  const UpdateCase& c = GetParam();
  const double start = DateSerial(2024, 1, 2), middle = DateSerial(2024, 3, 15), end = DateSerial(2024, 5, 31);
  Workbook& wb = Project({{"ACME", Variant::Date(start), Variant::Date(middle), c.periodicity, c.direction,
                           "Prices", "A1", "SAMPLE", "dohlcv", ""}});
  RunRefresh();
  Worksheet& sheet = wb.Worksheets("Prices");
  const int old_last = sheet.GetRange("A1").End(Direction::kDown).Row();
  // Mark the old overlap bar so the test sees it replaced.
  const int overlap = std::string(c.direction) == "FBT" ? 2 : old_last;
  // ... with the column's longest text, which the update's fit must drop.
  sheet.SetCellValue(overlap, 5, Variant(-123456789.0));
  sheet.GetRange("E:E").AutoFitColumns();
  const double marked_width = sheet.ColumnWidth(5);

  Settings(wb).SetCellValue(3, 3, Variant::Date(end));
  RunUpdate();

  const QuoteResult full = Fetch("ACME", start, end, c.periodicity);
  const ResultField& dates = FieldValues(full, "Date");
  const ResultField& closes = FieldValues(full, "Close");
  const int bars = Bars(dates);
  const bool fbt = std::string(c.direction) == "FBT";
  ASSERT_EQ(sheet.GetRange("A1").End(Direction::kDown).Row(), bars + 1);
  for (int i = 0; i < bars; ++i) {
    const int bar = fbt ? bars - 1 - i : i;
    ASSERT_EQ(sheet.CellValue(2 + i, 1), dates.At(bar)) << i;
    ASSERT_EQ(sheet.CellValue(2 + i, 5), closes.At(bar)) << i;
  }
  EXPECT_EQ(sheet.CellStyleAt(fbt ? 2 : bars + 1, 1).number_format, "dd.mm.yyyy");
  // The widths fitted from the new bars are those of a fit of every cell.
  EXPECT_LT(sheet.ColumnWidth(5), marked_width);
  std::vector<double> widths;
  for (int col = 1; col <= 6; ++col) widths.push_back(sheet.ColumnWidth(col));
  sheet.GetRange("A:F").AutoFitColumns();
  for (int col = 1; col <= 6; ++col) EXPECT_EQ(widths[static_cast<size_t>(col - 1)], sheet.ColumnWidth(col)) << col;
  // The download notes its success once; the update adds no second copy.
  EXPECT_EQ(Status(wb, 3), "05.12.2026 14:02:11 " + Message(wb, 16));
}

INSTANTIATE_TEST_SUITE_P(Directions, UpdateTest,
                         ::testing::Values(UpdateCase{"FTB", "Daily"}, UpdateCase{"FBT", "Daily"},
                                           UpdateCase{"FTB", "Weekly"}, UpdateCase{"FBT", "Monthly"}));

TEST_F(DownloadTest, UpdateWithoutDataOrWithNothingNewRefreshes) {
  const double start = DateSerial(2024, 1, 2), end = DateSerial(2024, 2, 28);
  Workbook& wb = Project({{"ACME", Variant::Date(start), Variant::Date(end), "Daily", "FTB", "Prices", "A1",
                           "SAMPLE", "dc", ""}});
  RunUpdate();  // no sheet yet: a full refresh
  Worksheet& sheet = wb.Worksheets("Prices");
  const int rows = sheet.GetRange("A1").End(Direction::kDown).Row();
  EXPECT_GT(rows, 30);
  sheet.SetCellValue(rows, 2, Variant(-1.0));
  RunUpdate();  // end date not after the newest date: refreshed again
  EXPECT_EQ(sheet.GetRange("A1").End(Direction::kDown).Row(), rows);
  EXPECT_NE(sheet.CellValue(rows, 2), Variant(-1.0));
}

TEST_F(DownloadTest, UnknownSourceAndBadBlockWriteRedStatus) {
  Workbook& wb = Project({{"ACME", {}, {}, "", "", "Prices", "", "SAMPLE", "", ""},
                          {"BETA", {}, {}, "", "", "Beta", "", "SAMPLE", "xyz", ""}});
  // The project check accepts only listed sources, so break the source after it.
  host_.RegisterFunction("unused", [](SpreadsheetHost&, std::vector<Variant>&) { return Variant(); });
  RunRefresh();
  EXPECT_EQ(Status(wb, 4), "05.12.2026 14:02:11  " + Message(wb, 50));
  EXPECT_EQ(Settings(wb).GetRange("K4").FontColorIndex(), 3);
  EXPECT_EQ(Settings(wb).GetRange("K3").FontColorIndex(), 0);
}

TEST_F(DownloadTest, DataColumnsAndSheetNames) {
  Workbook& wb = Project({{"ACME", {}, {}, "", "", "AUTO", "", "", "", ""},
                          {"ACME", {}, {}, "", "", "AUTO", "", "", "", ""},
                          {"X", {}, {}, "", "", "a/b:c*d?e[f]g!h\\ijklmnopqrstuvwxyz0123", "", "", "", ""}});
  ProgressBarWindow window(context_);
  window.SetOwner(pelorin_.get());
  // CreateSpreadsheetForTicker and DataColumns work on the run's geometry,
  // which a refresh sets up; run one first.
  RunRefresh();
  EXPECT_NE(wb.FindWorksheet("ACME"), nullptr);
  EXPECT_NE(wb.FindWorksheet("ACME(1)"), nullptr);
  EXPECT_NE(wb.FindWorksheet("a_b_c_d_e_f_g_h_ijklmnopqrst"), nullptr);  // cleaned, cut to 28

  Worksheet& empty = wb.AddWorksheet();
  empty.Activate();
  EXPECT_EQ(window.Driver().DataColumns("C3", "dc"), "C3");
  EXPECT_EQ(window.Driver().DataColumns("C3", "xyz"), "");
  empty.SetCellValue(3, 3, Variant("Date"));
  for (int r = 4; r <= 9; ++r) empty.SetCellValue(r, 3, Variant(r));
  EXPECT_EQ(window.Driver().DataColumns("C3", "dohlc"), "C3:G9");
  EXPECT_EQ(window.Driver().DataColumns("$C$3", "DC"), "$C$3:D9");
  window.SetOwner(nullptr);
}

}  // namespace
}  // namespace plrxl::testing

namespace plrxl::testing {
namespace {

struct TimeCase {
  int hour, minute, second;
  const char* format;
};

class TimeColumnTest : public DownloadTest, public ::testing::WithParamInterface<TimeCase> {};

// The time column takes the date format when the first time is midnight, the
// full time format when hour, minute and second are all set, else the short.
TEST_P(TimeColumnTest, FormatFollowsTheFirstTime) {
  const TimeCase& c = GetParam();
  const double time = TimeSerial(c.hour, c.minute, c.second);
  context_.MakeQuoteFetcher = [time] {
    return std::make_unique<WrappedFetcher>(MakeFetcher(), 0, [time](QuoteResult& r) {
      for (ResultSeries& series : r.series) {
        const int bars = series.Find("Date")->UBound() + 1;
        std::vector<Variant> times(bars, Variant::Date(time));
        series.fields.push_back({"Time", Variant::Array1D(times, 0)});
      }
    });
  };
  Workbook& wb = Project({{"ACME", Variant::Date(DateSerial(2024, 1, 2)), Variant::Date(DateSerial(2024, 1, 31)),
                           "Daily", "FTB", "Prices", "A1", "SAMPLE", "tdc", ""}});
  RunRefresh();
  Worksheet& sheet = wb.Worksheets("Prices");
  EXPECT_EQ(sheet.CellValue(1, 1), Variant("Date"));
  EXPECT_EQ(sheet.CellValue(1, 2), Variant("Time"));
  EXPECT_EQ(sheet.CellValue(1, 3), Variant("Close"));
  EXPECT_EQ(sheet.CellValue(2, 2), Variant::Date(time));
  EXPECT_EQ(sheet.CellStyleAt(2, 2).number_format, c.format);
}

INSTANTIATE_TEST_SUITE_P(Times, TimeColumnTest,
                         ::testing::Values(TimeCase{0, 0, 0, "dd.mm.yyyy"}, TimeCase{9, 30, 15, "hh:mm:ss"}, TimeCase{9, 30, 0, "hh:mm"},
                                           TimeCase{0, 0, 5, "hh:mm"}, TimeCase{23, 59, 59, "hh:mm:ss"}));

}  // namespace
}  // namespace plrxl::testing
