// A web source's fetch within the run's request budget: every HTTP
// exchange of it is admitted by the budget first (or the fetch ends
// deferred), a throttled answer (HTTP 429, or a provider's "limit" words in
// a 200) tells the budget and is asked again as it allows, and a symbol the
// source has no data for is remembered. Without a budget, or for a source
// that asks no server, it is the plain fetch.
#pragma once

#include "quotes/internal/source_base.h"

namespace plrxl::quotes {

// `series_known`: the quote store has bars of the series, so a "no data"
// answer means the range, not the symbol.
Outcome FetchWithinBudget(SourceBase& source, const RequestInputs& inputs, FetchContext& context,
                          bool series_known);

}  // namespace plrxl::quotes
