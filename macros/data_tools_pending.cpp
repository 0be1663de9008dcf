// The data tools (copy, summary, transpose, ticker header, export, charts)
// are built-in names already, so macro texts naming them parse, dispatch and
// report "Ok". Their bodies are not written yet: each one below does nothing.
// Replace a stub by its real procedure in a file of its own and delete it
// here.
#include "macros/cfenmar.h"

namespace plrxl {

void Cfenmar::CopyData(MacroSlots&) {}       // not implemented yet: does nothing
void Cfenmar::CreateSummary(MacroSlots&) {}  // not implemented yet: does nothing
void Cfenmar::TransposeData(MacroSlots&) {}  // not implemented yet: does nothing
void Cfenmar::TickerHeader(MacroSlots&) {}   // not implemented yet: does nothing
void Cfenmar::ExportData(MacroSlots&) {}     // not implemented yet: does nothing
void Cfenmar::LineChart(MacroSlots&) {}      // not implemented yet: does nothing
void Cfenmar::StockChart(MacroSlots&) {}     // not implemented yet: does nothing


}  // namespace plrxl
