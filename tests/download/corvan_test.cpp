// Corvan's listings over the real quote component and over a fetcher whose
// sources offer nothing listable.
#include <gtest/gtest.h>

#include "download/corvan.h"
#include "download/split_data_sources.h"
#include "entry/run_context.h"
#include "host/error.h"
#include "quotes/quote_component.h"

namespace plrxl {
namespace {

// A fetcher with hand-made sources: the listing only walks the interface.
class ListingSource : public QuoteSource {
 public:
  ListingSource(std::string name, uint32_t caps, std::vector<RequestParameter> params)
      : name_(std::move(name)), description_(name_ + " quotes"), caps_(caps), params_(std::move(params)) {}
  uint32_t Capabilities() const override { return caps_; }
  const std::string& Name() const override { return name_; }
  const std::string& Description() const override { return description_; }
  std::unique_ptr<QuoteRequest> CreateRequest() override;

 private:
  std::string name_, description_;
  uint32_t caps_;
  std::vector<RequestParameter> params_;
};

class ListingRequest : public QuoteRequest {
 public:
  explicit ListingRequest(std::vector<RequestParameter> params) : params_(std::move(params)) {}
  ParameterSet& Parameters() override { return params_; }
  void SetCallback(IProgressCallBack*) override {}
  uint32_t Id() const override { return 1; }
  void Start() override {}
  int32_t State() override { return kStateFinished; }
  int32_t ErrorNumber() const override { return 0; }
  std::string ErrorDescription() const override { return ""; }
  const QuoteResult& Result() const override { return result_; }
  void Cancel() override {}

 private:
  ParameterSet params_;
  QuoteResult result_;
};

std::unique_ptr<QuoteRequest> ListingSource::CreateRequest() { return std::make_unique<ListingRequest>(params_); }

class ListingFetcher : public QuoteFetcher {
 public:
  explicit ListingFetcher(std::vector<std::shared_ptr<ListingSource>> sources) : sources_(std::move(sources)) {}
  int SourceCount() const override { return static_cast<int>(sources_.size()); }
  QuoteSource* Source(int i) override { return i >= 0 && i < SourceCount() ? sources_[i].get() : nullptr; }
  QuoteSource* FindSource(const std::string& name) override {
    for (auto& s : sources_)
      if (s->Name() == name) return s.get();
    return nullptr;
  }
  void Prefetch(const std::vector<PrefetchItem>&) override {}
  void CancelAll() override {}

 private:
  std::vector<std::shared_ptr<ListingSource>> sources_;
};

RequestParameter Adjust() { return RequestParameter("ADJUST VALUES", kParamBoolean, Variant(false)); }
RequestParameter Exchange() { return RequestParameter("EXCHANGE", kParamChoice, Variant("US"), {"US", "DE"}); }

struct ListingCase {
  std::vector<std::shared_ptr<ListingSource>> sources;
  const char* list;           // strDataSource; nullptr = component failure
  std::vector<std::string> names;    // row 1 of varDataSource
  std::vector<std::string> options;  // row 3
};

TEST(Corvan, ListingsFollowTheSourcesParameters) {
  const ListingCase cases[] = {
      {{std::make_shared<ListingSource>("PLAIN", kCapHistorical, std::vector<RequestParameter>{})},
       "PLAIN", {"PLAIN"}, {""}},
      {{std::make_shared<ListingSource>("ADJ", kCapHistorical, std::vector<RequestParameter>{Adjust()})},
       "ADJ|ADJ(NO ADJUST VALUES)|ADJ(ADJUST VALUES)", {"ADJ", "ADJ"}, {"NO ADJUST VALUES", "ADJUST VALUES"}},
      {{std::make_shared<ListingSource>("EX", kCapHistorical, std::vector<RequestParameter>{Exchange(), Adjust()}),
        std::make_shared<ListingSource>("HIDDEN", 2, std::vector<RequestParameter>{}),
        std::make_shared<ListingSource>("DDE", kCapLink, std::vector<RequestParameter>{})},
       "EX|EX(US)|EX(DE)|EX(NO ADJUST VALUES)|EX(ADJUST VALUES)|DDE", {"EX", "EX"},
       {"NO ADJUST VALUES", "ADJUST VALUES"}},
      {{std::make_shared<ListingSource>("HIDDEN", 2, std::vector<RequestParameter>{})}, nullptr, {}, {}},
      {{}, nullptr, {}, {}},
  };
  for (const auto& c : cases) {
    RunContext context;
    auto sources = c.sources;
    context.MakeQuoteFetcher = [sources] { return std::make_unique<ListingFetcher>(sources); };
    Corvan corvan(context);
    Variant table = corvan.varDataSource();
    if (c.names.empty()) {
      EXPECT_TRUE(table.IsEmpty());
    } else {
      ASSERT_TRUE(table.IsArray());
      ASSERT_EQ(table.Array().UBound(2), static_cast<int>(c.names.size()));
      for (size_t i = 0; i < c.names.size(); ++i) {
        EXPECT_EQ(table.Array().At(1, static_cast<int>(i) + 1), Variant(c.names[i]));
        EXPECT_EQ(table.Array().At(2, static_cast<int>(i) + 1), Variant(c.names[i] + " quotes"));
        EXPECT_EQ(table.Array().At(3, static_cast<int>(i) + 1), Variant(c.options[i]));
      }
    }
    if (c.list == nullptr) {
      try {
        corvan.strDataSource();
        ADD_FAILURE() << "no failure";
      } catch (const Error& e) {
        EXPECT_EQ(e.Number(), kComponentFailure);
        EXPECT_EQ(e.Source(), "Pelorin.Corvan.strDataSource");
        EXPECT_EQ(e.Description(), "Corvan component failure");
      }
    } else {
      EXPECT_EQ(corvan.strDataSource(), c.list);
      auto entries = corvan.DataSourceEntries();
      ASSERT_EQ(SplitText(c.list, "|").size(), entries.size());
      EXPECT_EQ(entries.back().description, std::string(entries.back().source_text.substr(
                                                0, entries.back().source_text.find('('))) + " quotes");
    }
  }
}

TEST(Corvan, WithoutAFetcherCreationFails) {
  RunContext context;
  try {
    Corvan corvan(context);
    ADD_FAILURE() << "created";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kComponentFailure);
    EXPECT_EQ(e.Source(), "Pelorin.Corvan.Class_Initialize");
  }
}

TEST(Corvan, RealComponentListsSampleThreeTimesAndEveryExchange) {
  RunContext context;
  context.MakeQuoteFetcher = [] { return MakeQuoteFetcher(QuoteSettings{}); };
  Corvan corvan(context);
  const std::vector<std::string> list = SplitText(corvan.strDataSource(), "|");
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(list[0], "SAMPLE");
  EXPECT_EQ(list[1], "SAMPLE(NO ADJUST VALUES)");
  EXPECT_EQ(list[2], "SAMPLE(ADJUST VALUES)");
  EXPECT_NE(std::find(list.begin(), list.end(), "DDE"), list.end());
  Variant table = corvan.varDataSource();
  for (int c = 1; c <= table.Array().UBound(2); ++c) EXPECT_NE(table.Array().At(1, c), Variant("DDE"));
  for (const auto& e : corvan.DataSourceEntries()) EXPECT_FALSE(e.description.empty()) << e.source_text;
}

}  // namespace
}  // namespace plrxl
