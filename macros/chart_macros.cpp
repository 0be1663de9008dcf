// The chart macros "linechart" and "stockchart". This build cannot draw
// charts yet, so both fail with a clear error instead of reporting success:
// the dispatcher shows the failing call and the row's status records it.
#include "host/error.h"
#include "macros/cfenmar.h"

namespace plrxl {

namespace {

[[noreturn]] void ChartsUnavailable(const char* procedure) {
  throw Error(kErrInvalidCall, std::string("Pelorin.Cfenmar.") + procedure,
              "Charts cannot be drawn by this build of PelorinXL; remove the chart call from the macro text");
}

}  // namespace

void Cfenmar::LineChart(MacroSlots&) { ChartsUnavailable("LineChart"); }
void Cfenmar::StockChart(MacroSlots&) { ChartsUnavailable("StockChart"); }

}  // namespace plrxl
