// One contract for every source: what any caller may rely on, whatever the
// provider. Each source is fed from its own kind of origin (the walk, a
// file, a loopback server in the provider's format).
#include <gtest/gtest.h>

#include "tests/quotes/loopback_server.h"
#include "tests/quotes/provider_payloads.h"
#include "tests/quotes/quote_test_util.h"

namespace plrxl::testing {
namespace {

struct ContractCase {
  const char* source;
  std::vector<std::pair<std::string, Variant>> extra;
};

class SourceContract : public ::testing::TestWithParam<ContractCase> {
 protected:
  void SetUp() override {
    auto& http = server_.Http();
    http.Get("/cookie", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "A3=x; Path=/");
    });
    http.Get("/v1/test/getcrumb", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("c", "text/plain");
    });
    http.Get(R"(/v8/finance/chart/([^/]+))", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kYahooNewYork, "application/json");
    });
    http.Get("/q/d/l/", [](const httplib::Request&, httplib::Response& res) { res.set_content(kStooqCsv, "text/csv"); });
    http.Get(R"(/tiingo/daily/([^/]+)/prices)", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kTiingoJson, "application/json");
    });
    http.Get("/query", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kAlphaVantageJson, "application/json");
    });
    server_.Start();
    dir_.Write("quotes/AAPL.csv", kStooqCsv);
    dir_.Write("link.csv", kStooqCsv);
    fetcher_ = MakeQuoteFetcher(TestSettings(dir_, server_.Url()));
  }

  std::unique_ptr<QuoteRequest> Run(const std::string& periodicity, double start, double end) {
    auto r = NewRequest(*fetcher_, {GetParam().source, "AAPL", start, end, periodicity});
    for (const auto& [name, value] : GetParam().extra) r->SetParameter(name, value);
    // Every caller sets these two whatever the source.
    r->SetParameter("ADJUST VALUES", Variant(false));
    r->SetParameter("EXCHANGE", Variant("no adjust values"));
    RunToEnd(*r);
    return r;
  }

  LoopbackServer server_;
  TempDir dir_;
  std::unique_ptr<QuoteFetcher> fetcher_;
};

TEST_P(SourceContract, DeliversAlignedFieldsOldestFirstWithinTheRange) {
  const double start = Day(2024, 1, 1), end = Day(2024, 1, 31);
  auto r = Run("DAILY", start, end);
  ASSERT_EQ(r->ErrorNumber(), 0) << r->ErrorDescription();
  EXPECT_TRUE(r->ErrorDescription().empty());
  const QuoteResult& result = r->Result();
  ASSERT_EQ(result.series.size(), 1u);
  const ResultSeries& s = result.series[0];
  const std::vector<std::string> expected = {kFieldDate,   kFieldOpen,         kFieldHigh,         kFieldLow,
                                             kFieldClose,  kFieldVolume,       kFieldOpenInterest, kFieldAdjustedClose};
  ASSERT_EQ(s.fields.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(s.fields[i].name, expected[i]);
    ASSERT_TRUE(s.fields[i].IsList());
    EXPECT_EQ(s.fields[i].LBound(), 0);
    EXPECT_EQ(s.fields[i].UBound(), s.fields[0].UBound());
  }
  const ResultField& dates = s.fields[0];
  ASSERT_GE(dates.UBound(), 0);
  for (int i = 0; i <= dates.UBound(); ++i) {
    EXPECT_TRUE(dates.At(i).IsDate());
    EXPECT_GE(dates.At(i).DateSerial(), start);
    EXPECT_LE(dates.At(i).DateSerial(), end);
    if (i > 0) {
      EXPECT_GT(dates.At(i).DateSerial(), dates.At(i - 1).DateSerial());
    }
  }
}

TEST_P(SourceContract, MonthlyHasNoMoreBarsThanDaily) {
  auto daily = Run("d", Day(2024, 1, 1), Day(2024, 1, 31));
  auto monthly = Run("m", Day(2024, 1, 1), Day(2024, 1, 31));
  ASSERT_EQ(monthly->ErrorNumber(), 0) << monthly->ErrorDescription();
  EXPECT_EQ(Column(monthly->Result(), kFieldDate).size(), 1u);
  EXPECT_GE(Column(daily->Result(), kFieldDate).size(), 1u);
}

TEST_P(SourceContract, AnEmptyRangeIsAnErrorNotAnEmptyResult) {
  auto r = Run("DAILY", Day(1980, 6, 2), Day(1980, 6, 30));  // before any source has data
  EXPECT_EQ(r->ErrorNumber(), kQuoteNoData) << r->ErrorDescription();
  EXPECT_FALSE(r->ErrorDescription().empty());
  EXPECT_TRUE(r->Result().Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Every, SourceContract,
    ::testing::Values(ContractCase{"SAMPLE", {}}, ContractCase{"CSV", {}}, ContractCase{"YAHOOHIST", {}},
                      ContractCase{"STOOQ", {}}, ContractCase{"TIINGO", {}}, ContractCase{"ALPHAVANTAGE", {}},
                      ContractCase{"DDE", {{"SERVICE", Variant("FILE")}, {"TOPIC", Variant("link.csv")}}}),
    [](const auto& info) { return std::string(info.param.source); });

}  // namespace
}  // namespace plrxl::testing
