#include "download/corvan.h"

#include "download/split_data_sources.h"
#include "entry/data_source_list.h"
#include "entry/run_context.h"
#include "host/error.h"
#include "support/procedure.h"

namespace plrxl {

Corvan::Corvan(RunContext& context) {
  ComponentCall("Pelorin.Corvan.Class_Initialize", kCorvanFailure, [&] {
    if (!context.MakeQuoteFetcher) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    fetcher_ = context.MakeQuoteFetcher();
    if (!fetcher_) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  });
}

Corvan::~Corvan() = default;

Variant Corvan::varDataSource() {
  return ComponentCall("Pelorin.Corvan.varDataSource", kCorvanFailure,
                       [&] { return plrxl::varDataSource(*fetcher_); });
}

std::string Corvan::strDataSource() {
  return ComponentCall("Pelorin.Corvan.strDataSource", kCorvanFailure,
                       [&] { return plrxl::strDataSource(*fetcher_); });
}

std::vector<Corvan::Entry> Corvan::DataSourceEntries() {
  return ComponentCall("Pelorin.Corvan.DataSourceEntries", kCorvanFailure, [&] {
    std::vector<Entry> entries;
    for (const std::string& entry : SplitText(plrxl::strDataSource(*fetcher_), "|")) {
      const std::string name = entry.substr(0, entry.find('('));
      QuoteSource* source = fetcher_->FindSource(name);
      entries.push_back({entry, source != nullptr ? source->Description() : std::string()});
    }
    return entries;
  });
}

}  // namespace plrxl
