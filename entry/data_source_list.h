// The two listings of the data sources a QuoteFetcher offers, as the Corvan
// class gives them to the workbook's scripts, the row editor and the project
// checks. A source is offered when its capability word has kCapHistorical or
// kCapLink set; sources are walked in the fetcher's order.
#pragma once

#include <string>

#include "entry/run_context.h"
#include "host/variant.h"

namespace plrxl {

class QuoteFetcher;

// varDataSource: a 2-D table, rows 1 to 3 and one column per entry (name,
// description, option). The source named "DDE" is left out. A source whose
// requests have an "ADJUST VALUES" parameter gives two columns, options
// "NO ADJUST VALUES" then "ADJUST VALUES"; other sources have option "".
// No offered source gives the empty value.
Variant varDataSource(QuoteFetcher& fetcher);

// strDataSource: the entries joined by "|": for each offered source (DDE
// included) its NAME, then NAME(V) for every allowed value V of each choice
// parameter, then NAME(NO ADJUST VALUES) and NAME(ADJUST VALUES) when it has
// that parameter. Throws Error 5 when no source is offered (the list has
// no last separator to drop).
std::string strDataSource(QuoteFetcher& fetcher);

// Corvan.strDataSource over a fetcher made by the context's maker and
// released after the call. Any failure is raised as kComponentFailure with
// "Corvan component failure" and the source "Pelorin.Corvan.Class_Initialize"
// (no fetcher) or "Pelorin.Corvan.strDataSource".
std::string CorvanStrDataSource(RunContext& context);

}  // namespace plrxl
