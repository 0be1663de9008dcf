// A web source's download through the quote store: only the days of the
// request that are not final in the store are asked for, what comes is
// committed before anything is handed out, and the request's bars are then
// read from the store. Offline, nothing is asked. When the source fails,
// the failure says how far the store's data go, or (stale_ok) the stored
// bars are handed out marked stale. Without a store, or for a source that
// is not kept, it is the plain download.
#pragma once

#include "quotes/internal/source_base.h"
#include "quotes/internal/store_session.h"

namespace plrxl::quotes {

// Runs on a worker thread; `today` is the fetcher's whole-day serial. The
// downloads of one series take turns; the first asks for the range all rows
// handed over want (`session`), and the others find it fresh. A download
// goes on while any row of the series still wants it, also after the row
// that started it was cancelled. `announced`: the row was handed over
// ahead and is counted in the session already.
Outcome FetchThroughStore(SourceBase& source, const RequestInputs& inputs, FetchContext& context, double today,
                          StoreSession& session, bool announced);

}  // namespace plrxl::quotes
