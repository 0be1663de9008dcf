// pelorinxl sources: every data-source text a ticker row may use, with the
// description of its source.
#include <algorithm>
#include <ostream>

#include "app/commands.h"
#include "download/corvan.h"
#include "entry/run_context.h"
#include "quotes/quote_component.h"

namespace plrxl::app {

void RegisterSourcesCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("sources", "List the data sources a ticker row may name");
  cmd->callback([&ctx] {
    RunContext rc;
    rc.MakeQuoteFetcher = [] { return MakeQuoteFetcher(LoadQuoteSettings("")); };
    Corvan corvan(rc);
    const auto entries = corvan.DataSourceEntries();
    size_t width = 0;
    for (const auto& e : entries) width = std::max(width, e.source_text.size());
    for (const auto& e : entries) {
      ctx.out << e.source_text << std::string(width + 2 - e.source_text.size(), ' ') << e.description << "\n";
    }
  });
}

}  // namespace plrxl::app
