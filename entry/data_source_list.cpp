#include "entry/data_source_list.h"

#include <memory>
#include <vector>

#include "host/quote_fetcher.h"

namespace plrxl {

namespace {

constexpr const char* kAdjustValues = "ADJUST VALUES";

bool Offered(const QuoteSource& source) {
  return (source.Capabilities() & (kCapHistorical | kCapLink)) != 0;
}

struct Entry {
  std::string name, description, option;
};

}  // namespace

Variant varDataSource(QuoteFetcher& fetcher) {
  std::vector<Entry> entries;
  for (int i = 0; i < fetcher.SourceCount(); ++i) {
    QuoteSource* source = fetcher.Source(i);
    if (source == nullptr || !Offered(*source) || source->Name() == "DDE") continue;
    entries.push_back({source->Name(), source->Description(), ""});
    std::unique_ptr<QuoteRequest> request = source->CreateRequest();
    if (request && request->Parameters().Exists(kAdjustValues)) {
      entries.back().option = "NO ADJUST VALUES";
      entries.push_back({source->Name(), source->Description(), kAdjustValues});
    }
  }
  if (entries.empty()) return Variant();
  const int n = static_cast<int>(entries.size());
  std::vector<Variant> cells(3 * static_cast<size_t>(n));
  for (int c = 0; c < n; ++c) {
    cells[static_cast<size_t>(c)] = Variant(entries[c].name);
    cells[static_cast<size_t>(n + c)] = Variant(entries[c].description);
    cells[static_cast<size_t>(2 * n + c)] = Variant(entries[c].option);
  }
  return Variant::Array2D(3, n, std::move(cells));
}

std::string strDataSource(QuoteFetcher& fetcher) {
  std::string list;
  for (int i = 0; i < fetcher.SourceCount(); ++i) {
    QuoteSource* source = fetcher.Source(i);
    if (source == nullptr || !Offered(*source)) continue;
    const std::string& name = source->Name();
    list += name + "|";
    std::unique_ptr<QuoteRequest> request = source->CreateRequest();
    if (!request) continue;
    const ParameterSet& params = request->Parameters();
    for (const RequestParameter& param : params) {
      if (param.Kind() != kParamChoice) continue;
      for (const std::string& value : param.AllowedValues()) list += name + "(" + value + ")|";
    }
    if (params.Exists(kAdjustValues)) {
      list += name + "(NO ADJUST VALUES)|";
      list += name + "(ADJUST VALUES)|";
    }
  }
  if (list.empty()) throw Error(kErrInvalidCall, "PlrXL2", "Invalid procedure call or argument");
  list.pop_back();
  return list;
}

std::string CorvanStrDataSource(RunContext& context) {
  // Corvan makes its own fetcher when it is created and keeps it for the
  // one call.
  std::unique_ptr<QuoteFetcher> fetcher = ComponentCall("Pelorin.Corvan.Class_Initialize", kCorvanFailure, [&] {
    if (!context.MakeQuoteFetcher) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    std::unique_ptr<QuoteFetcher> made = context.MakeQuoteFetcher();
    if (!made) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    return made;
  });
  return ComponentCall("Pelorin.Corvan.strDataSource", kCorvanFailure, [&] { return strDataSource(*fetcher); });
}

}  // namespace plrxl
