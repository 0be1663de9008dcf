// Corvan: lists the data-source texts that the quote component can
// serve, for the workbook's scripts, the row editor and the project checks.
// The listings themselves are entry/data_source_list.h; Corvan gives them
// the class's own fetcher and failure reporting.
//
// A source is listed when its capability word has kCapHistorical or
// kCapLink. Corvan keeps its own QuoteFetcher (made from the context on
// creation) for its whole life. It does not use the call stack: any failure
// of creation, varDataSource or strDataSource is raised as
// Error(kComponentFailure, "Pelorin.Corvan.<procedure>",
// "Corvan component failure").
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/quote_fetcher.h"
#include "host/variant.h"

namespace plrxl {

struct RunContext;

class Corvan {
 public:
  // Makes the fetcher through context.MakeQuoteFetcher.
  explicit Corvan(RunContext& context);
  ~Corvan();

  // The source table: a 2-D array with rows 1 to 3 (name, description,
  // option) and one column per entry; a source with an "ADJUST VALUES"
  // parameter gives two columns, "NO ADJUST VALUES" then "ADJUST VALUES".
  // The DDE source is left out. Empty when no source qualifies.
  Variant varDataSource();

  // Every valid data-source text joined by "|": NAME, then NAME(V) for each
  // allowed value V of each choice parameter, then NAME(NO ADJUST VALUES)
  // and NAME(ADJUST VALUES) when the source has that parameter. Raises the
  // component failure when no source qualifies.
  std::string strDataSource();

  // The entries of strDataSource, each with its source's description (for
  // listings such as `pelorinxl sources`). Same failures as strDataSource,
  // under "Pelorin.Corvan.DataSourceEntries".
  struct Entry {
    std::string source_text;
    std::string description;
  };
  std::vector<Entry> DataSourceEntries();

 private:
  std::unique_ptr<QuoteFetcher> fetcher_;
};

}  // namespace plrxl
