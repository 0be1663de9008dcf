#include "download/corvan.h"

#include "entry/run_context.h"
#include "host/error.h"
#include "support/procedure.h"

namespace plrxl {
namespace {

constexpr const char* kAdjustValues = "ADJUST VALUES";

bool Qualifies(const QuoteSource& source) {
  return (source.Capabilities() & (kCapHistorical | kCapLink)) != 0;
}

}  // namespace

Corvan::Corvan(RunContext& context) {
  ComponentCall("Pelorin.Corvan.Class_Initialize", kCorvanFailure, [&] {
    if (!context.MakeQuoteFetcher) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    fetcher_ = context.MakeQuoteFetcher();
    if (!fetcher_) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  });
}

Corvan::~Corvan() = default;

Variant Corvan::varDataSource() {
  return ComponentCall("Pelorin.Corvan.varDataSource", kCorvanFailure, [&]() -> Variant {
    struct Column {
      std::string name, description, option;
    };
    std::vector<Column> columns;
    for (int i = 0; i < fetcher_->SourceCount(); ++i) {
      QuoteSource* source = fetcher_->Source(i);
      if (source == nullptr || !Qualifies(*source)) continue;
      if (source->Name() == "DDE") continue;
      columns.push_back({source->Name(), source->Description(), ""});
      std::unique_ptr<QuoteRequest> request = source->CreateRequest();
      if (request->Parameters().Exists(kAdjustValues)) {
        columns.back().option = "NO ADJUST VALUES";
        columns.push_back({source->Name(), source->Description(), kAdjustValues});
      }
    }
    if (columns.empty()) return Variant();
    const int n = static_cast<int>(columns.size());
    auto table = std::make_shared<VariantArray>(2, 1, 3, 1, n);
    for (int c = 1; c <= n; ++c) {
      table->At(1, c) = Variant(columns[c - 1].name);
      table->At(2, c) = Variant(columns[c - 1].description);
      table->At(3, c) = Variant(columns[c - 1].option);
    }
    return Variant(table);
  });
}

std::vector<Corvan::Entry> Corvan::ListEntries() {
  std::vector<Entry> entries;
  for (int i = 0; i < fetcher_->SourceCount(); ++i) {
    QuoteSource* source = fetcher_->Source(i);
    if (source == nullptr || !Qualifies(*source)) continue;
    const std::string& name = source->Name();
    entries.push_back({name, source->Description()});
    std::unique_ptr<QuoteRequest> request = source->CreateRequest();
    for (const RequestParameter& p : request->Parameters()) {
      if (p.Kind() != kParamChoice) continue;
      for (const std::string& value : p.AllowedValues()) {
        entries.push_back({name + "(" + value + ")", source->Description()});
      }
    }
    if (request->Parameters().Exists(kAdjustValues)) {
      entries.push_back({name + "(NO ADJUST VALUES)", source->Description()});
      entries.push_back({name + "(ADJUST VALUES)", source->Description()});
    }
  }
  // The list text drops its last "|"; with nothing listed there is nothing
  // to drop, which the component reports as its failure.
  if (entries.empty()) throw Error(kErrInvalidCall, "PlrXL2", "Invalid procedure call or argument");
  return entries;
}

std::string Corvan::strDataSource() {
  return ComponentCall("Pelorin.Corvan.strDataSource", kCorvanFailure, [&] {
    std::string list;
    for (const Entry& e : ListEntries()) list += e.specification + "|";
    list.pop_back();
    return list;
  });
}

std::vector<Corvan::Entry> Corvan::DataSourceEntries() {
  return ComponentCall("Pelorin.Corvan.DataSourceEntries", kCorvanFailure, [&] { return ListEntries(); });
}

}  // namespace plrxl
