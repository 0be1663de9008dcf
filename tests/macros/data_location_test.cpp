// Finding the pasted columns and the data cells a macro parameter stands
// for, on real data sheets in both directions.
#include <gtest/gtest.h>

#include <string>

#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

void ExpectClassError(const std::function<void()>& body, const std::string& source) {
  try {
    body();
    ADD_FAILURE() << "no error from " << source;
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kComponentFailure);
    EXPECT_EQ(e.Source(), source);
    EXPECT_EQ(e.Description(), "Cfenmar component failure");
  }
}

TEST(fnDataRanges, FindsTitledColumnsInBothDirections) {
  for (Order order : {Order::kOldestFirst, Order::kNewestFirst}) {
    MacroProject project;
    project.FillData(order);
    const DataRanges ranges = project.Engine().fnDataRanges();
    EXPECT_EQ(ranges[DataField::kDate], (DataRange{1, 11, 1}));
    EXPECT_EQ(ranges[DataField::kOpen], (DataRange{1, 11, 2}));
    EXPECT_EQ(ranges[DataField::kHigh], (DataRange{1, 11, 3}));
    EXPECT_EQ(ranges[DataField::kLow], (DataRange{1, 11, 4}));
    EXPECT_EQ(ranges[DataField::kClose], (DataRange{1, 11, 5}));
    EXPECT_EQ(ranges[DataField::kVolume], (DataRange{1, 11, 6}));
    EXPECT_FALSE(ranges[DataField::kTime]);
    EXPECT_FALSE(ranges[DataField::kOpenInterest]);
    // The data sheet is active again afterwards.
    EXPECT_EQ(project.Host().ActiveSheet(), &project.Data());
  }
}

TEST(fnDataRanges, LooksOnlyAtAsManyColumnsAsTheRowFetches) {
  MacroProject project;
  project.Settings().SetCellValue(MacroProject::kTickerRow, 9, Variant("dOh"));  // three fields
  const DataRanges ranges = project.Engine().fnDataRanges();
  EXPECT_TRUE(ranges[DataField::kHigh]);
  EXPECT_FALSE(ranges[DataField::kLow]);
  EXPECT_FALSE(ranges[DataField::kClose]);
}

TEST(fnDataRanges, DataWithoutTitlesFillsNothing) {
  MacroProject project;
  project.Data().DeleteCellsShiftUp(Rect{1, 1, 1, 6});
  const DataRanges ranges = project.Engine().fnDataRanges();
  for (const auto& entry : ranges.entries) EXPECT_FALSE(entry);
}

TEST(fnDataRanges, DataBeginningElsewhereAndLaterColumnReplacesEarlier) {
  MacroProject project;
  project.Data().InsertCellsShiftDown(Rect{1, 1, 2, 6});  // titles now in row 3
  project.Data().SetCellValue(3, 2, Variant("Close"));    // "Open" column renamed
  project.Settings().SetCellValue(MacroProject::kTickerRow, 7, Variant("$A$3"));
  const DataRanges ranges = project.Engine().fnDataRanges();
  EXPECT_EQ(ranges[DataField::kDate], (DataRange{3, 13, 1}));
  EXPECT_EQ(ranges[DataField::kClose], (DataRange{3, 13, 5}));
  EXPECT_FALSE(ranges[DataField::kOpen]);
}

TEST(fnDataRanges, RowsBeyondSixteenBitsOverflow) {
  MacroProject project;
  project.Settings().SetCellValue(MacroProject::kTickerRow, 7, Variant("A40000"));
  ExpectClassError([&] { project.Engine().fnDataRanges(); }, "Pelorin.Cfenmar.fnDataRanges");
}

TEST(fnDataRanges, TitleWithoutDataBelowHasLastRowZero) {
  MacroProject project;
  project.Data().ClearCells(Rect{2, 6, 20, 6}, true, true);
  EXPECT_EQ(project.Engine().fnDataRanges()[DataField::kVolume], (DataRange{1, 0, 6}));
}

struct FindCase {
  std::string text;
  std::string address;
  std::string text_after;
};

TEST(fnFindData, FieldWordsAndAddresses) {
  const FindCase cases[] = {
      {"close", "$E$2:$E$11", "close"},
      {"CLOSE", "$E$2:$E$11", "close"},
      {"Date", "$A$2:$A$11", "date"},
      {"volume", "$F$2:$F$11", "volume"},
      {"time", "", "time"},
      {"Open Interest", "", "open interest"},
      // A range is used as written, even over several columns.
      {"E2:E300", "E2:E300", "E2:E300"},
      {"B2:C5", "B2:C5", "B2:C5"},
      // A single title cell starts the series one row lower; a number
      // starts at the cell itself.
      {"E1", "$E$2:$E$11", "E1"},
      {"E4", "$E$4:$E$11", "E4"},
      {"$C$1", "$C$2:$C$11", "$C$1"},
  };
  for (Order order : {Order::kOldestFirst, Order::kNewestFirst}) {
    for (const FindCase& c : cases) {
      MacroProject project;
      project.FillData(order);
      std::string text = c.text;
      EXPECT_EQ(project.Engine().fnFindData(text), c.address) << c.text;
      EXPECT_EQ(text, c.text_after) << c.text;
      EXPECT_EQ(project.Host().ActiveSheet(), &project.Data()) << c.text;
    }
  }
}

TEST(fnFindData, FieldWordMissingFromTheSheetGivesEmpty) {
  MacroProject project;
  project.Settings().SetCellValue(MacroProject::kTickerRow, 9, Variant("DOHLC"));
  std::string text = "volume";
  EXPECT_EQ(project.Engine().fnFindData(text), "");
}

TEST(fnFindData, TextHoldingAFieldWordThatIsNoneFails) {
  MacroProject project;
  std::string text = "closes";
  ExpectClassError([&] { project.Engine().fnFindData(text); }, "Pelorin.Cfenmar.fnFindData");
}

TEST(fnFindData, SingleCellWithoutEndNotesMessage48) {
  for (const char* cell : {"H2", "E11"}) {
    MacroProject project;
    std::string text = cell;
    EXPECT_EQ(project.Engine().fnFindData(text), "") << cell;
    EXPECT_EQ(project.Context().LastDownloadText, " No end of data found") << cell;
    EXPECT_FALSE(project.Context().LastDownloadFailed);
  }
}

TEST(fnFindData, RestoresScreenUpdating) {
  for (bool on : {true, false}) {
    MacroProject project;
    project.Host().SetScreenUpdating(on);
    std::string text = "close";
    project.Engine().fnFindData(text);
    EXPECT_EQ(project.Host().ScreenUpdating(), on);
  }
}

TEST(fnFindData, BadAddressFails) {
  MacroProject project;
  std::string text = "notacell";
  ExpectClassError([&] { project.Engine().fnFindData(text); }, "Pelorin.Cfenmar.fnFindData");
}

TEST(fnDataDirection, NewestFirstIsOneOtherwiseZero) {
  struct Case {
    Order order;
    int bars;
    int direction;
  };
  const Case cases[] = {
      {Order::kNewestFirst, 10, 1},
      {Order::kOldestFirst, 10, 0},
      {Order::kNewestFirst, 1, 0},
      {Order::kOldestFirst, 1, 0},
  };
  for (const Case& c : cases) {
    MacroProject project;
    project.FillData(c.order, c.bars);
    EXPECT_EQ(project.Engine().fnDataDirection(), c.direction) << c.bars;
  }
}

TEST(fnDataDirection, DatesWrittenAsTexts) {
  MacroProject project;
  project.Data().SetCellValue(2, 1, Variant("05.01.2024"));
  project.Data().SetCellValue(11, 1, Variant("01.01.2024"));
  EXPECT_EQ(project.Engine().fnDataDirection(), 1);
}

TEST(fnDataDirection, NoDateColumnGivesOne) {
  MacroProject project;
  project.Data().SetCellValue(1, 1, Variant("Day"));
  EXPECT_EQ(project.Engine().fnDataDirection(), 1);
}

TEST(fnDataDirection, ValueThatIsNoDateFails) {
  MacroProject project;
  project.Data().SetCellValue(2, 1, Variant("yesterday"));
  ExpectClassError([&] { project.Engine().fnDataDirection(); }, "Pelorin.Cfenmar.fnDataDirection");
}

}  // namespace
}  // namespace plrxl::testing
