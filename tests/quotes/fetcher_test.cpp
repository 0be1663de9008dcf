// The fetcher as its callers see it: the source list, parameter sets,
// parameter checks, callbacks, identifiers and the settings file.
#include <gtest/gtest.h>

#include <set>

#include "host/error.h"
#include "quotes/fault_injecting_fetcher.h"
#include "tests/quotes/quote_test_util.h"

namespace plrxl::testing {
namespace {

class Fetcher : public ::testing::Test {
 protected:
  TempDir dir_;
  QuoteSettings settings_ = TestSettings(dir_);
  std::unique_ptr<QuoteFetcher> fetcher_ = MakeQuoteFetcher(settings_);
};

struct SourceRow {
  const char* name;
  uint32_t capabilities;
  bool adjust_values;
  std::vector<std::string> choices;  // allowed values of its kind-3 parameter
};

const SourceRow kSources[] = {
    {"SAMPLE", kCapHistorical, true, {}},
    {"CSV", kCapHistorical, true, {}},
    {"YAHOOHIST", kCapHistorical, true, {}},
    {"STOOQ", kCapHistorical, false, {"US", "UK", "DE", "JP", "HK", "HU", "PL"}},
    {"TIINGO", kCapHistorical, true, {}},
    {"ALPHAVANTAGE", kCapHistorical, false, {}},
    {"DDE", kCapLink, false, {}},
};

TEST_F(Fetcher, ListsEverySourceInOrderWithItsParameters) {
  ASSERT_EQ(fetcher_->SourceCount(), static_cast<int>(std::size(kSources)));
  for (int i = 0; i < fetcher_->SourceCount(); ++i) {
    const SourceRow& row = kSources[i];
    QuoteSource* s = fetcher_->Source(i);
    SCOPED_TRACE(row.name);
    EXPECT_EQ(s->Name(), row.name);
    EXPECT_EQ(s->Capabilities(), row.capabilities);
    EXPECT_FALSE(s->Description().empty());
    auto r = s->CreateRequest();
    ParameterSet& p = r->Parameters();
    EXPECT_EQ(p.Item(0).Name(), "TICKER");
    EXPECT_EQ(p.Find("startdate")->Kind(), kParamDate);
    EXPECT_EQ(p.Find("ENDDATE")->Value().DateSerial(), Day(2024, 6, 28));
    EXPECT_EQ(p.Find("PERIODICITY")->Kind(), kParamText);
    EXPECT_EQ(p.Exists("ADJUST VALUES"), row.adjust_values);
    if (row.adjust_values) {
      EXPECT_EQ(p.Find("ADJUST VALUES")->Kind(), kParamBoolean);
    }
    std::vector<std::string> choices;
    for (const auto& param : p) {
      if (param.Kind() == kParamChoice) choices = param.AllowedValues();
    }
    EXPECT_EQ(choices, row.choices);
    EXPECT_EQ(fetcher_->FindSource(row.name), s);
  }
  EXPECT_EQ(fetcher_->Source(-1), nullptr);
  EXPECT_EQ(fetcher_->Source(fetcher_->SourceCount()), nullptr);
}

TEST_F(Fetcher, LooksSourcesUpWithoutRegardToCase) {
  EXPECT_EQ(fetcher_->FindSource("yahoohist"), fetcher_->Source(2));
  EXPECT_EQ(fetcher_->FindSource("Sample"), fetcher_->Source(0));
  EXPECT_EQ(fetcher_->FindSource("nosuch"), nullptr);
  EXPECT_EQ(fetcher_->FindSource("yahoohist "), nullptr);
  EXPECT_EQ(fetcher_->FindSource(""), nullptr);
}

TEST_F(Fetcher, DdeHasItsFiveLinkParameters) {
  auto r = fetcher_->FindSource("dde")->CreateRequest();
  for (const char* name : {"SERVICE", "TOPIC", "ITEM", "PERIOD", "TYPE"}) {
    EXPECT_TRUE(r->Parameters().Exists(name)) << name;
  }
}

TEST_F(Fetcher, UnusedParametersAreAcceptedAndIgnored) {
  auto r = NewRequest(*fetcher_, {"ALPHAVANTAGE", "IBM", Day(2024, 1, 1), Day(2024, 1, 31)});
  EXPECT_FALSE(r->SetParameter("ADJUST VALUES", Variant(true)));
  EXPECT_FALSE(r->SetParameter("EXCHANGE", Variant("adjust values")));
  auto s = NewRequest(*fetcher_, {"SAMPLE", "IBM", Day(2024, 1, 1), Day(2024, 1, 31)});
  EXPECT_FALSE(s->SetParameter("EXCHANGE", Variant("no adjust values")));
  EXPECT_TRUE(s->SetParameter("ADJUST VALUES", Variant(false)));
  RunToEnd(*s);
  EXPECT_EQ(s->ErrorNumber(), 0) << s->ErrorDescription();
}

struct BadParameterCase {
  const char* name;
  const char* parameter;
  Variant value;
  const char* text;
};

class BadParameters : public Fetcher, public ::testing::WithParamInterface<BadParameterCase> {};

TEST_P(BadParameters, FailTheRequestAtStart) {
  auto r = NewRequest(*fetcher_, {"SAMPLE", "ABC", Day(2024, 1, 1), Day(2024, 1, 31)});
  r->SetParameter(GetParam().parameter, GetParam().value);
  r->Start();
  EXPECT_EQ(r->State(), kStateFinished);
  EXPECT_EQ(r->ErrorNumber(), kQuoteBadParameter);
  EXPECT_NE(r->ErrorDescription().find(GetParam().text), std::string::npos) << r->ErrorDescription();
  EXPECT_TRUE(r->Result().Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadParameters,
    ::testing::Values(BadParameterCase{"empty_ticker", "TICKER", Variant(""), "TICKER is empty"},
                      BadParameterCase{"periodicity", "PERIODICITY", Variant("HOURLY"), "\"HOURLY\""},
                      BadParameterCase{"start_text", "STARTDATE", Variant("soon"), "STARTDATE is not a date"},
                      BadParameterCase{"reversed", "STARTDATE", Variant::Date(45000 + 1000), "after ENDDATE"},
                      BadParameterCase{"adjust", "ADJUST VALUES", Variant("maybe"), "ADJUST VALUES"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Fetcher, AcceptsDatesAsTextAndNumbers) {
  auto r = NewRequest(*fetcher_, {"SAMPLE", "ABC", 0, 0});
  r->SetParameter("STARTDATE", Variant("02.01.2024"));
  r->SetParameter("ENDDATE", Variant(Day(2024, 1, 3)));
  RunToEnd(*r);
  EXPECT_EQ(Column(r->Result(), kFieldDate), (std::vector<double>{Day(2024, 1, 2), Day(2024, 1, 3)}));
}

class Recorder : public IProgressCallBack {
 public:
  void Start(QuoteRequest&) override { Note("start"); }
  void Progress(QuoteRequest&, int32_t percent, const std::string&) override {
    Note("progress " + std::to_string(percent));
  }
  void DataReady(QuoteRequest&) override { Note("data"); }
  void Done(QuoteRequest&, int32_t error) override { Note("done " + std::to_string(error)); }
  std::vector<std::string> calls;
  std::thread::id caller = std::this_thread::get_id();
  bool on_caller_thread = true;

 private:
  void Note(const std::string& what) {
    calls.push_back(what);
    on_caller_thread = on_caller_thread && std::this_thread::get_id() == caller;
  }
};

TEST_F(Fetcher, CallbacksArriveInOrderOnTheCallersThread) {
  Recorder recorder;
  auto r = NewRequest(*fetcher_, {"SAMPLE", "ABC", Day(2024, 1, 1), Day(2024, 1, 31)});
  r->SetCallback(&recorder);
  RunToEnd(*r);
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"start", "progress 100", "data", "done 0"}));
  EXPECT_TRUE(recorder.on_caller_thread);
}

TEST_F(Fetcher, IdentifiersAreUniqueAndKeyTheRequestList) {
  RequestList list;
  std::set<uint32_t> ids;
  for (int i = 0; i < 5; ++i) {
    auto r = fetcher_->FindSource("SAMPLE")->CreateRequest();
    ids.insert(r->Id());
    const std::string key = RequestKey(r->Id());
    list.Add(key, std::move(r));
    EXPECT_TRUE(list.Exists(key));
  }
  EXPECT_EQ(ids.size(), 5u);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(RequestKey(255), "FF");
  list.CancelAll();
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Item(i).State(), kStateFinished);
}

TEST_F(Fetcher, CancelBeforeOrAfterTheEndIsHarmless) {
  auto r = NewRequest(*fetcher_, {"SAMPLE", "ABC", Day(2024, 1, 1), Day(2024, 1, 31)});
  RunToEnd(*r);
  r->Cancel();
  EXPECT_EQ(r->ErrorNumber(), 0);
  auto c = NewRequest(*fetcher_, {"SAMPLE", "ABC", Day(2024, 1, 1), Day(2024, 1, 31)});
  c->Cancel();
  c->Start();
  EXPECT_EQ(c->State(), kStateFinished);
  EXPECT_EQ(c->ErrorNumber(), kQuoteCancelled);
}

TEST_F(Fetcher, RequestsOutliveTheirFetcher) {
  auto r = NewRequest(*fetcher_, {"SAMPLE", "ABC", Day(2024, 1, 1), Day(2024, 1, 31)});
  fetcher_.reset();
  RunToEnd(*r);
  EXPECT_EQ(r->ErrorNumber(), 0);
}

// A field reads the same whether it holds a column of doubles (how sources
// deliver bars), an array with its own bounds, or a single value.
TEST(ResultFields, ReadAlikeInEveryForm) {
  const ResultField numbers = ResultField::Column("Close", {1.5, 2.5, 3.5});
  const ResultField dates = ResultField::Column("Date", {45000, 45001}, true);
  const ResultField array("Time", Variant::Array1D({Variant("a"), Variant(2)}, 1));
  const ResultField single("Name", Variant("ACME"));
  struct Case {
    const ResultField* field;
    bool list;
    int lower, upper;
    Variant last;
  };
  const Case cases[] = {
      {&numbers, true, 0, 2, Variant(3.5)},
      {&dates, true, 0, 1, Variant::Date(45001)},
      {&array, true, 1, 2, Variant(2)},
      {&single, false, 0, -1, Variant()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field->name);
    EXPECT_EQ(c.field->IsList(), c.list);
    if (!c.list) continue;
    EXPECT_EQ(c.field->LBound(), c.lower);
    EXPECT_EQ(c.field->UBound(), c.upper);
    EXPECT_TRUE(c.field->At(c.upper) == c.last);
    for (int outside : {c.lower - 1, c.upper + 1}) {
      try {
        c.field->At(outside);
        ADD_FAILURE() << "bar " << outside << " is outside";
      } catch (const Error& e) {
        EXPECT_EQ(e.Number(), kErrSubscript);
      }
    }
  }
}

// What a result holds counts its values: a column of doubles a fifth of the
// same bars as Variants.
TEST(ResultFields, BytesCountTheValuesHeld) {
  std::vector<double> closes(1000, 42.0);
  std::vector<Variant> boxed(closes.begin(), closes.end());
  QuoteResult compact, general;
  compact.series.push_back({"ACME", {ResultField::Column("Close", closes)}});
  general.series.push_back({"ACME", {ResultField("Close", Variant::Array1D(boxed))}});
  EXPECT_GE(compact.Bytes(), 1000 * sizeof(double));
  EXPECT_LT(compact.Bytes(), 1000 * sizeof(double) + 1024);
  EXPECT_GE(general.Bytes(), 1000 * sizeof(Variant));
  EXPECT_GT(QuoteResult().Bytes(), 0u);
}

TEST(QuoteSettingsFile, ReadsTheSourcesSectionOfTheUserSettings) {
  TempDir dir;
  const std::string old = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
  dir.Write("PelorinXL/settings.ini",
            "[Setting]\ntxtZoom=80\n[Sources]\nCsvFolder=/data/q\nYahooBaseUrl=http://mirror\n"
            "StooqKey=s1\nTiingoKey = t1 \nAlphaVantageBaseUrl=http://av\nAlphaVantageKey=a1\n"
            "MaxConnections=4\n");
  const std::string file = DefaultSettingsFile();
  EXPECT_EQ(file, (dir.Path() / "PelorinXL/settings.ini").string());
  const QuoteSettings s = LoadQuoteSettings("/work/book", file);
  EXPECT_EQ(s.csv_folder, "/data/q");
  EXPECT_EQ(s.yahoo_base_url, "http://mirror");
  EXPECT_EQ(s.stooq_base_url, "https://stooq.com");
  EXPECT_EQ(s.stooq_key, "s1");
  EXPECT_EQ(s.tiingo_key, "t1");
  EXPECT_EQ(s.alpha_vantage_base_url, "http://av");
  EXPECT_EQ(s.alpha_vantage_key, "a1");
  EXPECT_EQ(s.max_connections, 4);
  EXPECT_EQ(s.base_folder, "/work/book");
  const QuoteSettings defaults = LoadQuoteSettings("/work/book", (dir.Path() / "none.ini").string());
  EXPECT_EQ(defaults.csv_folder, "quotes");
  EXPECT_TRUE(defaults.tiingo_key.empty());
  if (old.empty()) {
    unsetenv("XDG_CONFIG_HOME");
  } else {
    setenv("XDG_CONFIG_HOME", old.c_str(), 1);
  }
}

}  // namespace
}  // namespace plrxl::testing

namespace plrxl::testing {
namespace {

TEST(FaultInjectingFetcher, FailsTheNthStartAndDelaysTheRest) {
  TempDir dir;
  FaultPlan plan;
  plan.fail_call = 2;
  plan.delay_ms = 30;
  auto fetcher = MakeFaultInjectingFetcher(MakeQuoteFetcher(TestSettings(dir)), plan);
  ASSERT_EQ(fetcher->SourceCount(), 7);
  EXPECT_EQ(fetcher->FindSource("sample"), fetcher->Source(0));
  EXPECT_EQ(fetcher->FindSource("nosuch"), nullptr);
  std::vector<int32_t> errors;
  for (int i = 0; i < 3; ++i) {
    auto r = NewRequest(*fetcher, {"SAMPLE", "ABC", Day(2024, 1, 1), Day(2024, 1, 31)});
    const auto start = std::chrono::steady_clock::now();
    RunToEnd(*r);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    errors.push_back(r->ErrorNumber());
    EXPECT_EQ(r->Result().Empty(), r->ErrorNumber() != 0);
  }
  EXPECT_EQ(errors, (std::vector<int32_t>{0, kQuoteNetwork, 0}));
  auto held = NewRequest(*fetcher, {"SAMPLE", "ABC", Day(2024, 1, 1), Day(2024, 1, 31)});
  held->Start();
  held->Cancel();
  EXPECT_EQ(held->State(), kStateFinished);
  EXPECT_EQ(held->ErrorNumber(), kQuoteCancelled);
}

}  // namespace
}  // namespace plrxl::testing
