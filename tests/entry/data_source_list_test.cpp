// The source listings over the real quote component, and over a fetcher
// that offers nothing (which the real component never does).
#include <set>

#include "entry/data_source_list.h"
#include "entry/internal/text.h"
#include "host/quote_fetcher.h"
#include "quotes/quote_component.h"
#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

std::unique_ptr<QuoteFetcher> RealFetcher() {
  QuoteSettings settings;
  settings.worker_threads = 1;
  return MakeQuoteFetcher(settings);
}

TEST(DataSourceList, StrDataSourceListsEveryOfferedSource) {
  auto fetcher = RealFetcher();
  const std::string list = strDataSource(*fetcher);
  ASSERT_FALSE(list.empty());
  EXPECT_NE(list.back(), '|');
  const std::vector<std::string> entries = text::Split(list, '|');
  const std::set<std::string> set(entries.begin(), entries.end());
  EXPECT_EQ(set.size(), entries.size()) << list;
  EXPECT_TRUE(set.count("SAMPLE")) << list;
  EXPECT_TRUE(set.count("DDE")) << list;
  // A source with an "ADJUST VALUES" parameter is listed plain, then with
  // both options, in that order.
  for (int i = 0; i < fetcher->SourceCount(); ++i) {
    QuoteSource* source = fetcher->Source(i);
    if ((source->Capabilities() & (kCapHistorical | kCapLink)) == 0) continue;
    const std::string name = source->Name();
    auto at = std::find(entries.begin(), entries.end(), name);
    ASSERT_NE(at, entries.end()) << name;
    if (source->CreateRequest()->Parameters().Exists("ADJUST VALUES")) {
      auto no = std::find(entries.begin(), entries.end(), name + "(NO ADJUST VALUES)");
      ASSERT_NE(no, entries.end()) << name;
      ASSERT_NE(no + 1, entries.end());
      EXPECT_EQ(*(no + 1), name + "(ADJUST VALUES)");
      EXPECT_LT(at, no);
    }
  }
}

TEST(DataSourceList, VarDataSourceTableLeavesOutDde) {
  auto fetcher = RealFetcher();
  const Variant table = varDataSource(*fetcher);
  ASSERT_TRUE(table.IsArray());
  const VariantArray& a = table.Array();
  ASSERT_EQ(a.Dims(), 2);
  EXPECT_EQ(a.LBound(1), 1);
  EXPECT_EQ(a.UBound(1), 3);
  EXPECT_EQ(a.LBound(2), 1);
  bool sample = false;
  for (int c = 1; c <= a.UBound(2); ++c) {
    const std::string name = a.At(1, c).Text();
    EXPECT_NE(text::Upper(name), "DDE");
    EXPECT_FALSE(a.At(2, c).Text().empty()) << name;  // a description
    const std::string option = a.At(3, c).Text();
    if (name == "SAMPLE") sample = true;
    if (option == "NO ADJUST VALUES") {
      ASSERT_LT(c, a.UBound(2));
      EXPECT_EQ(a.At(1, c + 1).Text(), name);
      EXPECT_EQ(a.At(3, c + 1).Text(), "ADJUST VALUES");
    } else if (option == "ADJUST VALUES") {
      EXPECT_EQ(a.At(3, c - 1).Text(), "NO ADJUST VALUES");
    } else {
      EXPECT_EQ(option, "");
    }
  }
  EXPECT_TRUE(sample);
}

// A component offering nothing usable: one source without the capability
// bits the system asks for.
class BareSource : public QuoteSource {
 public:
  uint32_t Capabilities() const override { return 2; }
  const std::string& Name() const override { return name_; }
  const std::string& Description() const override { return name_; }
  std::unique_ptr<QuoteRequest> CreateRequest() override { return nullptr; }

 private:
  std::string name_ = "RT";
};

class BareFetcher : public QuoteFetcher {
 public:
  int SourceCount() const override { return 1; }
  QuoteSource* Source(int index) override { return index == 0 ? &source_ : nullptr; }
  QuoteSource* FindSource(const std::string&) override { return nullptr; }
  void Prefetch(const std::vector<PrefetchItem>&) override {}
  void CancelAll() override {}

 private:
  BareSource source_;
};

TEST(DataSourceList, NothingOffered) {
  BareFetcher fetcher;
  EXPECT_TRUE(varDataSource(fetcher).IsEmpty());
  EXPECT_THROW(strDataSource(fetcher), Error);
  RunContext context;
  context.MakeQuoteFetcher = [] { return std::make_unique<BareFetcher>(); };
  try {
    CorvanStrDataSource(context);
    FAIL() << "expected the component failure";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kComponentFailure);
    EXPECT_EQ(e.Source(), "Pelorin.Corvan.strDataSource");
    EXPECT_EQ(e.Description(), "Corvan component failure");
  }
  context.MakeQuoteFetcher = nullptr;
  try {
    CorvanStrDataSource(context);
    FAIL() << "expected the component failure";
  } catch (const Error& e) {
    EXPECT_EQ(e.Source(), "Pelorin.Corvan.Class_Initialize");
  }
}

}  // namespace
}  // namespace plrxl::testing
