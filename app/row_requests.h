// The download each ticker row of a project asks for on a refresh, read
// from its ticker table the way a run reads it (an empty field takes the
// defaults row's), for the commands that look ahead or back (plan, info
// --provenance) without running anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/quote_fetcher.h"
#include "host/spreadsheet_host.h"

namespace plrxl::app {

struct RowRequest {
  int row = 0;  // sheet row of the ticker table
  std::string ticker;
  PrefetchItem item;  // source and parameter values
};

// Every ticker row's request, top to bottom. Raises Error when the
// workbook has no ticker table. A row whose dates cannot be read is left
// out (the run reports it).
std::vector<RowRequest> RowRequests(Workbook& workbook, const RegionalSettings& regional);

}  // namespace plrxl::app
