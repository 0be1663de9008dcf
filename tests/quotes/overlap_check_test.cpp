// The overlap an update compares: which differences are a re-adjusted
// history (one split or dividend factor), which are corrections of single
// bars, and which leave the history as it was.
#include <gtest/gtest.h>

#include <functional>

#include "host/regional.h"
#include "quotes/history/overlap_check.h"

namespace plrxl::testing {
namespace {

using history::CheckedBar;
using history::Verdict;

// Five weekdays from Monday 11 March 2024, with distinct prices.
std::vector<CheckedBar> Week() {
  std::vector<CheckedBar> bars;
  const double monday = DateSerial(2024, 3, 11);
  for (int i = 0; i < 5; ++i) {
    const double close = 100 + 1.25 * i;
    bars.push_back({monday + i, close - 0.5, close + 1, close - 1, close, close * 0.97, 1000.0 + 10 * i});
  }
  return bars;
}

// The week with the prices (and, for a split, the volumes) of bars
// [from, to) scaled by `factor`.
std::vector<CheckedBar> Scaled(double factor, size_t from = 0, size_t to = 5, bool prices = true, bool adj = true,
                               bool volume = false) {
  std::vector<CheckedBar> bars = Week();
  for (size_t i = from; i < to; ++i) {
    CheckedBar& b = bars[i];
    if (prices) {
      b.open *= factor;
      b.high *= factor;
      b.low *= factor;
      b.close *= factor;
    }
    if (adj) b.adj_close *= factor;
    if (volume) b.volume /= factor;
  }
  return bars;
}

std::vector<CheckedBar> Changed(std::function<void(std::vector<CheckedBar>&)> change) {
  std::vector<CheckedBar> bars = Week();
  change(bars);
  return bars;
}

struct OverlapCase {
  const char* name;
  std::vector<CheckedBar> held, fresh;
  Verdict verdict;
  double factor;
  int since_index;             // -1: none
  std::vector<int> changed;    // indexes into Week()
};

TEST(OverlapCheck, TellsReadjustmentsFromCorrections) {
  const std::vector<CheckedBar> week = Week();
  const std::vector<OverlapCase> cases = {
      {"unchanged", week, week, Verdict::kSame, 1, -1, {}},
      {"within a price tolerance of 1e-4", week,
       Changed([](auto& b) { b[2].close *= 1 + 5e-5; }), Verdict::kSame, 1, -1, {}},
      {"volume within half a percent", week, Changed([](auto& b) { b[1].volume *= 1.004; }), Verdict::kSame, 1, -1, {}},
      {"a 2:1 split over the whole overlap", week, Scaled(0.5, 0, 5, true, true, true), Verdict::kReadjusted, 0.5, -1, {}},
      {"a 4:1 split", week, Scaled(0.25), Verdict::kReadjusted, 0.25, -1, {}},
      {"a 1:10 reverse split", week, Scaled(10), Verdict::kReadjusted, 10, -1, {}},
      {"a dividend of 0.5 %", week, Scaled(0.995), Verdict::kReadjusted, 0.995, -1, {}},
      {"a dividend seen in the adjusted close only", week, Scaled(0.98, 0, 5, false, true), Verdict::kReadjusted,
       0.98, -1, {}},
      {"a split inside the overlap: the three oldest scaled", week, Scaled(0.5, 0, 3), Verdict::kReadjusted, 0.5, 3,
       {}},
      {"one corrected close in the middle", week, Changed([](auto& b) { b[2].close *= 1.03; }), Verdict::kCorrected,
       1, -1, {2}},
      {"one corrected volume", week, Changed([](auto& b) { b[3].volume *= 1.2; }), Verdict::kCorrected, 1, -1, {3}},
      {"only the oldest bar halved is a correction", week, Scaled(0.5, 0, 1), Verdict::kCorrected, 1, -1, {0}},
      {"a factor that is neither split nor dividend", week, Scaled(0.37), Verdict::kCorrected, 1, -1,
       {0, 1, 2, 3, 4}},
      {"two bars with different factors", week, Changed([](auto& b) {
         b[0].close *= 0.5;
         b[1].close *= 0.25;
       }),
       Verdict::kCorrected, 1, -1, {0, 1}},
      {"a bar scaled in some fields only, others changed otherwise", week, Changed([](auto& b) {
         for (auto& bar : b) bar.close *= 0.5;
         b[1].open *= 1.5;
       }),
       Verdict::kCorrected, 1, -1, {0, 1, 2, 3, 4}},
      {"a bar gone inside the overlap", week, Changed([](auto& b) { b.erase(b.begin() + 2); }), Verdict::kReshaped, 1,
       -1, {}},
      {"a new bar inside the overlap", Changed([](auto& b) { b.erase(b.begin() + 2); }), week, Verdict::kReshaped, 1,
       -1, {}},
      {"nothing to compare", {}, week, Verdict::kSame, 1, -1, {}},
  };
  for (const OverlapCase& c : cases) {
    SCOPED_TRACE(c.name);
    const history::OverlapCheck check = history::CompareOverlap(c.held, c.fresh);
    EXPECT_EQ(check.verdict, c.verdict);
    if (c.verdict == Verdict::kReadjusted) {
      EXPECT_NEAR(check.factor, c.factor, c.factor * 1e-9);
      EXPECT_EQ(check.since, c.since_index < 0 ? 0 : week[static_cast<size_t>(c.since_index)].date);
    }
    std::vector<double> changed;
    for (int i : c.changed) changed.push_back(week[static_cast<size_t>(i)].date);
    EXPECT_EQ(check.changed, changed);
  }
}

TEST(OverlapCheck, ComparesOnlyTheDaysBothSidesCoverAcrossWeekendsAndHolidays) {
  // The sheet holds Wednesday to Friday and the next Tuesday (Monday a
  // holiday); the source answers from Thursday on, over the weekend.
  const double wednesday = DateSerial(2024, 3, 27);
  auto bar = [](double day, double close) { return CheckedBar{day, close, close, close, close, close, 500}; };
  const std::vector<CheckedBar> held = {bar(wednesday, 10), bar(wednesday + 1, 11), bar(wednesday + 6, 12)};
  const std::vector<CheckedBar> fresh = {bar(wednesday + 1, 11), bar(wednesday + 6, 12), bar(wednesday + 7, 13)};
  const history::OverlapCheck check = history::CompareOverlap(held, fresh);
  EXPECT_EQ(check.verdict, Verdict::kSame);
  EXPECT_EQ(check.compared, 2);
  // The holiday bar a source adds later is a changed history.
  std::vector<CheckedBar> with_holiday = fresh;
  with_holiday.insert(with_holiday.begin() + 1, bar(wednesday + 5, 11.5));
  EXPECT_EQ(history::CompareOverlap(held, with_holiday).verdict, Verdict::kReshaped);
}

TEST(OverlapCheck, NamesFactorsAndWritesTheStatusSentence) {
  const struct {
    double factor;
    const char* kind;
  } kinds[] = {{0.5, "split 2:1"}, {0.25, "split 4:1"}, {2.0 / 3, "split 3:2"}, {10, "split 1:10"},
               {0.995, "dividend"}, {0.9, "dividend"}, {1, ""}, {0.37, ""}, {0, ""}};
  for (const auto& k : kinds) EXPECT_EQ(history::FactorKind(k.factor), k.kind) << k.factor;

  EXPECT_EQ(history::ReadjustedText(0.25, DateSerial(2026, 6, 10)) + ": " + history::RewrittenText(2512),
            "history re-adjusted \xC3\x97" "0.25 (split 4:1 on 2026-06-10): 2,512 bars rewritten");
  EXPECT_EQ(history::ReadjustedText(0.995, 0), "history re-adjusted \xC3\x97" "0.995 (dividend)");
  EXPECT_EQ(history::ReadjustedText(0.37, DateSerial(2026, 1, 2)), "history re-adjusted \xC3\x97" "0.37 (on 2026-01-02)");
  EXPECT_EQ(history::RewrittenText(1), "1 bar rewritten");
  EXPECT_EQ(history::CorrectedText(3), "3 bars corrected by the source");
  const struct {
    long n;
    const char* text;
  } counts[] = {{0, "0"}, {999, "999"}, {1000, "1,000"}, {2512, "2,512"}, {1234567, "1,234,567"}, {-4200, "-4,200"}};
  for (const auto& c : counts) EXPECT_EQ(history::GroupedCount(c.n), c.text);
}

TEST(OverlapCheck, EventFactors) {
  EXPECT_DOUBLE_EQ(history::SplitFactor(4), 0.25);
  EXPECT_DOUBLE_EQ(history::SplitFactor(0.1), 10);
  const std::vector<CheckedBar> week = Week();
  // The close before the ex-day (the third bar's day) is the second bar's, 101.25.
  EXPECT_NEAR(history::DividendFactor(0.50625, week[2].date, week), 0.995, 1e-12);
  EXPECT_EQ(history::DividendFactor(1, week[0].date, week), 1) << "no close before the ex-day";
}

}  // namespace
}  // namespace plrxl::testing
