// SAMPLE, CSV and DDE: the offline sources, through the public fetcher.
#include <gtest/gtest.h>

#include "tests/quotes/quote_test_util.h"

namespace plrxl::testing {
namespace {

using quotes::Bar;

class LocalSources : public ::testing::Test {
 protected:
  QuoteResult Fetch(const RequestSpec& rq, int32_t* error = nullptr, std::string* text = nullptr,
                    std::vector<std::pair<std::string, Variant>> extra = {}) {
    auto r = NewRequest(*fetcher_, rq);
    for (auto& [name, value] : extra) r->SetParameter(name, value);
    RunToEnd(*r);
    if (error != nullptr) *error = r->ErrorNumber();
    if (text != nullptr) *text = r->ErrorDescription();
    if (error == nullptr) {
      EXPECT_EQ(r->ErrorNumber(), 0) << r->ErrorDescription();
    }
    return r->Result();
  }

  TempDir dir_;
  QuoteSettings settings_ = TestSettings(dir_);
  std::unique_ptr<QuoteFetcher> fetcher_ = MakeQuoteFetcher(settings_);
};

TEST_F(LocalSources, SampleFirstBarsAreFrozen) {
  // Golden values: any change to the walk changes every demo and test.
  const auto r = Fetch({"SAMPLE", "ABC", Day(2024, 1, 1), Day(2024, 1, 5)});
  const std::vector<double> dates = Column(r, kFieldDate);
  ASSERT_EQ(dates.size(), 5u);
  EXPECT_EQ(dates.front(), Day(2024, 1, 1));
  const std::vector<double> close = Column(r, kFieldClose);
  const std::vector<double> open = Column(r, kFieldOpen);
  const std::vector<double> volume = Column(r, kFieldVolume);
  const double kGoldenClose[] = {203.14, 205.43, 208, 204.33, 204.01};
  const double kGoldenOpen[] = {204.55, 202.75, 205.65, 207.78, 203.49};
  const double kGoldenVolume[] = {303829, 952679, 436543, 772145, 653298};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_DOUBLE_EQ(close[i], kGoldenClose[i]) << i;
    EXPECT_DOUBLE_EQ(open[i], kGoldenOpen[i]) << i;
    EXPECT_DOUBLE_EQ(volume[i], kGoldenVolume[i]) << i;
  }
}

TEST_F(LocalSources, SampleIsTheSameForAnyRangeAndFetcher) {
  const auto wide = Fetch({"SAMPLE", "msft", Day(2023, 1, 1), Day(2024, 6, 28)});
  auto other = MakeQuoteFetcher(settings_);
  auto r = NewRequest(*other, {"sample", "MSFT", Day(2024, 3, 1), Day(2024, 3, 31)});
  RunToEnd(*r);
  const auto narrow = r->Result();
  const auto wide_dates = Column(wide, kFieldDate);
  const auto narrow_dates = Column(narrow, kFieldDate);
  ASSERT_FALSE(narrow_dates.empty());
  size_t offset = 0;
  while (wide_dates[offset] != narrow_dates[0]) ++offset;
  for (const char* field : {kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume, kFieldAdjustedClose}) {
    const auto a = Column(wide, field), b = Column(narrow, field);
    for (size_t i = 0; i < b.size(); ++i) ASSERT_EQ(a[offset + i], b[i]) << field << " " << i;
  }
}

TEST_F(LocalSources, SampleBarsAreBusinessDaysWithConsistentPrices) {
  const auto r = Fetch({"SAMPLE", "XYZ", Day(2024, 1, 1), Day(2024, 6, 28)});
  const auto dates = Column(r, kFieldDate), open = Column(r, kFieldOpen), high = Column(r, kFieldHigh),
             low = Column(r, kFieldLow), close = Column(r, kFieldClose), oi = Column(r, kFieldOpenInterest),
             adj = Column(r, kFieldAdjustedClose);
  ASSERT_EQ(dates.size(), 130u);  // 26 weeks of 5 days
  for (size_t i = 0; i < dates.size(); ++i) {
    EXPECT_LT(quotes::WeekdayMon0(dates[i]), 5);
    EXPECT_GE(high[i], std::max(open[i], close[i]));
    EXPECT_LE(low[i], std::min(open[i], close[i]));
    EXPECT_EQ(oi[i], 0);
    EXPECT_LT(adj[i], close[i] + 0.011);
    if (i > 0) {
      EXPECT_GT(dates[i], dates[i - 1]);
    }
  }
  EXPECT_EQ(r.series[0].Find(kFieldTime), nullptr);
}

TEST_F(LocalSources, SampleAdjustValuesScalesPrices) {
  const RequestSpec rq{"SAMPLE", "ABC", Day(2024, 2, 1), Day(2024, 2, 29)};
  const auto plain = Fetch(rq);
  const auto adjusted = Fetch(rq, nullptr, nullptr, {{"ADJUST VALUES", Variant(true)}});
  const auto adj = Column(plain, kFieldAdjustedClose);
  const auto close = Column(adjusted, kFieldClose);
  const auto high = Column(adjusted, kFieldHigh), plain_high = Column(plain, kFieldHigh),
             plain_close = Column(plain, kFieldClose);
  for (size_t i = 0; i < adj.size(); ++i) {
    EXPECT_DOUBLE_EQ(close[i], adj[i]);
    EXPECT_NEAR(high[i], plain_high[i] * adj[i] / plain_close[i], 1e-9);
  }
}

struct AggregationCase {
  const char* periodicity;
  int expected_bars;
};

class SampleAggregation : public LocalSources, public ::testing::WithParamInterface<AggregationCase> {};

TEST_P(SampleAggregation, GroupsOfDailyBars) {
  const double start = Day(2024, 1, 1), end = Day(2024, 6, 28);
  const auto daily = Fetch({"SAMPLE", "AGG", start, end});
  const auto grouped = Fetch({"SAMPLE", "AGG", start, end, GetParam().periodicity});
  const auto d_dates = Column(daily, kFieldDate), d_high = Column(daily, kFieldHigh),
             d_low = Column(daily, kFieldLow), d_close = Column(daily, kFieldClose),
             d_open = Column(daily, kFieldOpen), d_vol = Column(daily, kFieldVolume);
  const auto g_dates = Column(grouped, kFieldDate);
  ASSERT_EQ(static_cast<int>(g_dates.size()), GetParam().expected_bars);
  // Rebuild each group from the daily bars between its date and the next.
  for (size_t g = 0; g < g_dates.size(); ++g) {
    const double next = g + 1 < g_dates.size() ? g_dates[g + 1] : end + 1;
    double hi = -1, lo = 1e300, vol = 0, first_open = -1, last_close = 0;
    for (size_t i = 0; i < d_dates.size(); ++i) {
      if (d_dates[i] < g_dates[g] || d_dates[i] >= next) continue;
      if (first_open < 0) first_open = d_open[i];
      hi = std::max(hi, d_high[i]);
      lo = std::min(lo, d_low[i]);
      vol += d_vol[i];
      last_close = d_close[i];
    }
    EXPECT_EQ(Column(grouped, kFieldOpen)[g], first_open);
    EXPECT_EQ(Column(grouped, kFieldHigh)[g], hi);
    EXPECT_EQ(Column(grouped, kFieldLow)[g], lo);
    EXPECT_EQ(Column(grouped, kFieldClose)[g], last_close);
    EXPECT_EQ(Column(grouped, kFieldVolume)[g], vol);
  }
}

INSTANTIATE_TEST_SUITE_P(Periods, SampleAggregation,
                         ::testing::Values(AggregationCase{"WEEKLY", 26}, AggregationCase{"w", 26},
                                           AggregationCase{"Monthly", 6}, AggregationCase{"M", 6},
                                           AggregationCase{"d", 130}));

TEST_F(LocalSources, MonthlyBarsCarryTheFirstTradingDay) {
  const auto r = Fetch({"SAMPLE", "ABC", Day(2024, 1, 1), Day(2024, 3, 31), "MONTHLY"});
  EXPECT_EQ(Column(r, kFieldDate), (std::vector<double>{Day(2024, 1, 1), Day(2024, 2, 1), Day(2024, 3, 1)}));
}

struct CsvDateCase {
  const char* name;
  const char* short_date;
  const char* file;
};

class CsvDates : public LocalSources, public ::testing::WithParamInterface<CsvDateCase> {};

TEST_P(CsvDates, ReadsEveryDateFormAndFiltersTheRange) {
  settings_.regional.short_date = GetParam().short_date;
  fetcher_ = MakeQuoteFetcher(settings_);
  dir_.Write("quotes/ACME.csv", GetParam().file);
  const auto r = Fetch({"CSV", "acme", Day(2024, 1, 3), Day(2024, 1, 4)});
  EXPECT_EQ(Column(r, kFieldDate), (std::vector<double>{Day(2024, 1, 3), Day(2024, 1, 4)}));
  EXPECT_EQ(Column(r, kFieldClose), (std::vector<double>{12.5, 13}));
  EXPECT_EQ(Column(r, kFieldVolume), (std::vector<double>{300, 400}));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, CsvDates,
    ::testing::Values(
        CsvDateCase{"iso", "dd.mm.yyyy",
                    "Date,Open,High,Low,Close,Volume\n2024-01-02,10,11,9,10.5,200\n"
                    "2024-01-03,11,13,10,12.5,300\n2024-01-04,12,14,11,13,400\n2024-01-05,13,15,12,14,500\n"},
        CsvDateCase{"regional_german", "dd.mm.yyyy",
                    "Date;Open;High;Low;Close;Volume\r\n04.01.2024;12;14;11;13;400\r\n"
                    "03.01.2024;11;13;10;12.5;300\r\n05.01.2024;13;15;12;14;500\r\n"},
        CsvDateCase{"regional_us_two_digit", "mm/dd/yy",
                    "date,open,high,low,close,volume,adj close,open interest\n01/03/24,11,13,10,12.5,300,12,7\n"
                    "01/04/24,12,14,11,13,400,12.5,8\n01/08/24,13,15,12,14,500,13,9\n"},
        CsvDateCase{"compact_no_header", "dd.mm.yyyy",
                    "20240103,11,13,10,12.5,300\n20240104,12,14,11,13,400\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LocalSources, CsvOptionalColumnsAndAdjustment) {
  dir_.Write("quotes/OPT.csv",
             "Date,Open,High,Low,Close,Volume,Adj Close,Open Interest\n"
             "2024-01-02,10,12,9,11,100,5.5,42\n");
  const auto plain = Fetch({"CSV", "OPT", Day(2024, 1, 1), Day(2024, 1, 31)});
  EXPECT_EQ(Column(plain, kFieldOpenInterest), std::vector<double>{42});
  EXPECT_EQ(Column(plain, kFieldAdjustedClose), std::vector<double>{5.5});
  const auto adjusted = Fetch({"CSV", "OPT", Day(2024, 1, 1), Day(2024, 1, 31)}, nullptr, nullptr,
                              {{"ADJUST VALUES", Variant(true)}});
  EXPECT_EQ(Column(adjusted, kFieldOpen), std::vector<double>{5});
  EXPECT_EQ(Column(adjusted, kFieldHigh), std::vector<double>{6});
}

struct CsvFailureCase {
  const char* name;
  const char* file;  // nullptr: no file at all
  int32_t error;
  const char* text;
};

class CsvFailures : public LocalSources, public ::testing::WithParamInterface<CsvFailureCase> {};

TEST_P(CsvFailures, EndAsTheRequestsError) {
  if (GetParam().file != nullptr) dir_.Write("quotes/BAD.csv", GetParam().file);
  int32_t error = 0;
  std::string text;
  Fetch({"CSV", "BAD", Day(2024, 1, 1), Day(2024, 12, 31)}, &error, &text);
  EXPECT_EQ(error, GetParam().error);
  EXPECT_NE(text.find(GetParam().text), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvFailures,
    ::testing::Values(
        CsvFailureCase{"missing_file", nullptr, kQuoteFile, "BAD.csv"},
        CsvFailureCase{"bad_date", "Date,Close\n2024-01-02,1\n2024-13-02,2\n", kQuoteBadPayload, "line 3: invalid date"},
        CsvFailureCase{"bad_number", "Date,Close\n2024-01-02,1,5\n2024-01-03,x\n", kQuoteBadPayload, "line 3: invalid number"},
        CsvFailureCase{"no_close_column", "Date,Open\n2024-01-02,1\n", kQuoteBadPayload, "no Date and Close"},
        CsvFailureCase{"out_of_range", "Date,Close\n2020-01-02,1\n", kQuoteNoData, "no bars"},
        CsvFailureCase{"empty_file", "", kQuoteNoData, "no bars"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LocalSources, CsvFolderComesFromSettingsAndIsRelativeToTheWorkbook) {
  settings_.csv_folder = "elsewhere/data";
  fetcher_ = MakeQuoteFetcher(settings_);
  dir_.Write("elsewhere/data/Q.csv", "Date,Close\n2024-01-02,7\n");
  EXPECT_EQ(Column(Fetch({"CSV", "Q", Day(2024, 1, 1), Day(2024, 1, 31)}), kFieldClose), std::vector<double>{7});
}

TEST_F(LocalSources, DdeFileServiceReadsTheTopicFile) {
  dir_.Write("link.csv", "Date,Open,High,Low,Close,Volume\n2024-01-02,1,2,1,2,10\n2024-01-09,2,3,2,3,20\n");
  const auto r = Fetch({"DDE", "", Day(2024, 1, 1), Day(2024, 1, 31)}, nullptr, nullptr,
                       {{"SERVICE", Variant("file")},
                        {"TOPIC", Variant("link.csv")},
                        {"ITEM", Variant("LINKED")},
                        {"PERIOD", Variant("w")},
                        {"TYPE", Variant("any")}});
  EXPECT_EQ(r.series[0].name, "LINKED");
  EXPECT_EQ(Column(r, kFieldDate), (std::vector<double>{Day(2024, 1, 2), Day(2024, 1, 9)}));
}

TEST_F(LocalSources, DdeOtherServicesFailClearly) {
  int32_t error = 0;
  std::string text;
  Fetch({"DDE", "X", Day(2024, 1, 1), Day(2024, 1, 31)}, &error, &text,
        {{"SERVICE", Variant("MT")}, {"TOPIC", Variant("quotes")}});
  EXPECT_EQ(error, kQuoteUnsupported);
  EXPECT_NE(text.find("\"MT\""), std::string::npos) << text;
}

}  // namespace
}  // namespace plrxl::testing
