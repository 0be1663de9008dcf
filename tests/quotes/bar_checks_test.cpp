// Suspect bars: each rule on a small series, the exchanges' holidays
// against their published calendars, and the one repair there is.
#include <gtest/gtest.h>

#include <functional>

#include "host/regional.h"
#include "quotes/history/bar_checks.h"

namespace plrxl::testing {
namespace {

using history::Calendar;
using history::CheckedBar;
using history::SuspectRule;

// Ten weekdays from Monday 4 March 2024 around a close of 50.
std::vector<CheckedBar> TwoWeeks() {
  std::vector<CheckedBar> bars;
  const double monday = DateSerial(2024, 3, 4);
  for (int i = 0; i < 14; ++i) {
    const double day = monday + i;
    if (Weekday(day) == 1 || Weekday(day) == 7) continue;
    const double close = 50 + 0.25 * (i % 3);
    bars.push_back({day, close - 0.1, close + 0.5, close - 0.5, close, close, 1000});
  }
  return bars;
}

std::vector<CheckedBar> With(std::function<void(std::vector<CheckedBar>&)> change) {
  std::vector<CheckedBar> bars = TwoWeeks();
  change(bars);
  return bars;
}

struct SuspectCase {
  const char* name;
  std::vector<CheckedBar> bars;
  std::vector<std::pair<int, SuspectRule>> found;  // (index into TwoWeeks(), rule)
};

TEST(SuspectBars, EachRuleFindsItsBarAndNothingElse) {
  const std::vector<CheckedBar> clean = TwoWeeks();
  auto scaled = [](CheckedBar& b, double by) {
    b.open *= by;
    b.high *= by;
    b.low *= by;
    b.close *= by;
  };
  const std::vector<SuspectCase> cases = {
      {"a clean series", clean, {}},
      {"a bar in pence among pounds", With([&](auto& b) { scaled(b[4], 100); }), {{4, SuspectRule::kJump100}}},
      {"a bar in pounds among pence", With([&](auto& b) { scaled(b[6], 0.01); }), {{6, SuspectRule::kJump100}}},
      {"a tenfold move is no unit slip", With([&](auto& b) { scaled(b[4], 10); }), {}},
      {"a zero close", With([](auto& b) { b[2].close = 0; }), {{2, SuspectRule::kNoPrice}}},
      {"a missing open", With([](auto& b) { b[3].open = history::kNoValue; }), {{3, SuspectRule::kNoPrice}}},
      {"a column the sheet lacks is not missing", With([](auto& b) {
         for (auto& bar : b) bar.open = history::kNoValue;
       }),
       {}},
      {"a high below the close", With([](auto& b) { b[5].high = b[5].close - 0.01; }), {{5, SuspectRule::kHighBelowBody}}},
      {"a low above the open", With([](auto& b) { b[7].low = b[7].open + 0.01; }), {{7, SuspectRule::kLowAboveBody}}},
      {"zero volume while the close moved", With([](auto& b) { b[1].volume = 0; }), {{1, SuspectRule::kFlatVolumeMove}}},
      {"zero volume on an unchanged close", With([](auto& b) {
         b[3].close = b[2].close;
         b[3].open = b[3].close;
         b[3].volume = 0;
       }),
       {}},
  };
  for (const SuspectCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto found = history::FindSuspectBars(c.bars, Calendar::kNewYork, true);
    ASSERT_EQ(found.size(), c.found.size());
    for (size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].date, clean[static_cast<size_t>(c.found[i].first)].date);
      EXPECT_EQ(found[i].rule, c.found[i].second) << found[i].detail;
    }
  }
}

TEST(SuspectBars, AMissingWeekdayCountsOnlyWhereTheExchangeWasOpen) {
  // Good Friday 2024 (29 March) is a holiday in New York, London and on
  // Xetra; Easter Monday (1 April) only in London and on Xetra; Wednesday
  // 3 April is a session everywhere.
  std::vector<CheckedBar> bars;
  for (int d : {27, 28}) bars.push_back({DateSerial(2024, 3, d), 10, 11, 9, 10, 10, 100});
  for (int d : {2, 4}) bars.push_back({DateSerial(2024, 4, d), 10, 11, 9, 10, 10, 100});
  const struct {
    Calendar calendar;
    std::vector<double> missing;
  } cases[] = {
      {Calendar::kNewYork, {DateSerial(2024, 4, 1), DateSerial(2024, 4, 3)}},
      {Calendar::kLondon, {DateSerial(2024, 4, 3)}},
      {Calendar::kXetra, {DateSerial(2024, 4, 3)}},
      {Calendar::kNone, {}},
  };
  for (const auto& c : cases) {
    std::vector<double> missing;
    for (const auto& s : history::FindSuspectBars(bars, c.calendar, true)) {
      EXPECT_EQ(s.rule, SuspectRule::kMissingSession);
      missing.push_back(s.date);
    }
    EXPECT_EQ(missing, c.missing) << static_cast<int>(c.calendar);
  }
  EXPECT_TRUE(history::FindSuspectBars(bars, Calendar::kNewYork, false).empty()) << "weekly bars skip days";
}

TEST(SuspectBars, HolidaysMatchTheExchangesCalendars) {
  const struct {
    Calendar calendar;
    int y, m, d;
    bool holiday;
  } days[] = {
      {Calendar::kNewYork, 2024, 1, 1, true},   {Calendar::kNewYork, 2024, 1, 15, true},  // King
      {Calendar::kNewYork, 2024, 2, 19, true},  {Calendar::kNewYork, 2024, 5, 27, true},  // Presidents, Memorial
      {Calendar::kNewYork, 2024, 6, 19, true},  {Calendar::kNewYork, 2021, 6, 18, false},  // Juneteenth from 2022
      {Calendar::kNewYork, 2026, 7, 3, true},   {Calendar::kNewYork, 2024, 9, 2, true},   // July 4th on a Saturday
      {Calendar::kNewYork, 2024, 11, 28, true}, {Calendar::kNewYork, 2024, 11, 29, false},
      {Calendar::kNewYork, 2022, 12, 26, true}, {Calendar::kNewYork, 2021, 12, 31, false},  // no Friday for a Saturday New Year
      {Calendar::kNewYork, 2023, 1, 2, true},   {Calendar::kNewYork, 2025, 1, 9, true},
      {Calendar::kNewYork, 2024, 3, 4, false},  {Calendar::kLondon, 2024, 5, 6, true},
      {Calendar::kLondon, 2024, 5, 27, true},   {Calendar::kLondon, 2024, 8, 26, true},
      {Calendar::kLondon, 2021, 12, 27, true},  {Calendar::kLondon, 2021, 12, 28, true},
      {Calendar::kLondon, 2022, 1, 3, true},    {Calendar::kLondon, 2022, 5, 30, false},
      {Calendar::kLondon, 2022, 6, 2, true},    {Calendar::kLondon, 2024, 7, 4, false},
      {Calendar::kXetra, 2024, 12, 24, true},   {Calendar::kXetra, 2024, 12, 31, true},
      {Calendar::kXetra, 2024, 5, 1, true},     {Calendar::kXetra, 2024, 5, 20, false},
  };
  for (const auto& d : days) {
    EXPECT_EQ(history::IsHoliday(d.calendar, DateSerial(d.y, d.m, d.d)), d.holiday)
        << static_cast<int>(d.calendar) << " " << d.y << "-" << d.m << "-" << d.d;
  }
  const struct {
    const char* ticker;
    Calendar calendar;
  } tickers[] = {{"AAPL", Calendar::kNewYork}, {"aapl.us", Calendar::kNewYork}, {"VOD.L", Calendar::kLondon},
                 {"SAP.DE", Calendar::kXetra}, {"7203.T", Calendar::kNone}};
  for (const auto& t : tickers) EXPECT_EQ(history::CalendarOfTicker(t.ticker), t.calendar) << t.ticker;
  EXPECT_EQ(std::size(history::kSuspectRules), 6u);
}

TEST(SuspectBars, RepairUnit100ScalesOnlyTheSlippedBars) {
  std::vector<CheckedBar> bars = TwoWeeks();
  const std::vector<CheckedBar> clean = bars;
  bars[4].close *= 100;
  bars[4].open *= 100;
  bars[4].high *= 100;
  bars[4].low *= 100;
  bars[4].adj_close *= 100;
  bars[8].close *= 10;  // a jump, but no unit slip
  const std::vector<double> repaired = history::RepairUnit100(&bars);
  ASSERT_EQ(repaired, std::vector<double>{clean[4].date});
  EXPECT_NEAR(bars[4].close, clean[4].close, 1e-9);
  EXPECT_NEAR(bars[4].adj_close, clean[4].adj_close, 1e-9);
  EXPECT_NEAR(bars[8].close, clean[8].close * 10, 1e-9);
  EXPECT_EQ(bars[3].close, clean[3].close);
}

}  // namespace
}  // namespace plrxl::testing
