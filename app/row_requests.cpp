#include "app/row_requests.h"

#include <cctype>
#include <cmath>
#include <optional>

#include "download/progress_bar_window.h"
#include "download/split_data_sources.h"
#include "entry/pelorin.h"
#include "host/error.h"
#include "host/regional.h"

namespace plrxl::app {
namespace {

std::optional<double> DateOf(const Variant& value, const RegionalSettings& regional) {
  if (value.IsNumeric()) return std::floor(value.DateSerial());
  if (value.IsText()) {
    if (std::optional<double> d = TextToDate(value.Text(), regional)) return std::floor(*d);
  }
  return std::nullopt;
}

}  // namespace

std::vector<RowRequest> RowRequests(Workbook& workbook, const RegionalSettings& regional) {
  if (workbook.FindName(kRangeTickerName) == nullptr) {
    throw Error(1, "pelorinxl", workbook.FullName() + ": not a PelorinXL project: it has no ticker table");
  }
  const Range anchor = workbook.NameRange(kRangeTickerName);
  Worksheet& settings = anchor.Sheet();
  const int top = anchor.Row(), left = anchor.Column();
  const Range last = anchor.End(Direction::kDown);
  std::vector<RowRequest> requests;
  if (last.Value().IsEmpty()) return requests;
  auto field = [&](int row, int column) {
    Variant value = settings.CellValue(row, left + column - 1);
    return value.IsEmpty() ? settings.CellValue(top + 1, left + column - 1) : value;
  };
  for (int row = top + 2; row <= last.Row(); ++row) {
    const std::optional<double> start = DateOf(field(row, kStartDate), regional);
    const std::optional<double> end = DateOf(field(row, kEndDate), regional);
    if (!start || !end) continue;
    std::string source_text = ToText(field(row, kDataSource), regional);
    for (auto& c : source_text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ErrorHandlerSlot quiet;
    const Variant parts = SplitDataSources(quiet, source_text);
    if (!parts.IsArray()) continue;
    RowRequest request;
    request.row = row;
    request.ticker = ToText(settings.CellValue(row, left), regional);
    request.item.source = parts.Array().At(1).Text();
    try {
      request.item.parameters = RequestValues(request.ticker, *start, *end, ToText(field(row, kPeriodicity), regional),
                                              parts.Array().At(2).Text());
    } catch (const Error&) {
      continue;  // a DDE link with too few parts fails when it runs
    }
    requests.push_back(std::move(request));
  }
  return requests;
}

}  // namespace plrxl::app
