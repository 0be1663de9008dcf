// A web source's download through the quote store: only the days of the
// request that are not final in the store are asked for, what comes is
// committed before anything is handed out, and the request's bars are then
// read from the store. Offline, nothing is asked. When the source fails,
// the failure says how far the store's data go, or (stale_ok) the stored
// bars are handed out marked stale. Without a store, or for a source that
// is not kept, it is the plain download.
#pragma once

#include "quotes/internal/source_base.h"

namespace plrxl::quotes {

// Runs on a worker thread; `today` is the fetcher's whole-day serial.
Outcome FetchThroughStore(SourceBase& source, const RequestInputs& inputs, FetchContext& context, double today);

}  // namespace plrxl::quotes
