// The two chart macros of Cfenmar: "linechart" plots chosen columns of the
// ticker's data sheet as lines, "stockchart" draws a price chart of the kind
// named in its first parameter. Both delete every chart titled with the
// ticker first, so a rerun replaces the ticker's chart. A statement that
// fails is skipped (the chart may come out incomplete); nothing is raised
// to RunMyMacro. A stock chart kind missing from "Parameters" D9 shows stop
// message 32 and draws nothing.
#pragma once

#include "macros/macro_call.h"

namespace plrxl {

class Cfenmar;

class ChartMacros {
 public:
  // Slot 1: a cell of the category column; slots 2 to 9: a cell of each
  // column to plot (an empty slot is skipped). A cell that holds no number
  // names its series, which then begins in the row below it.
  static void LineChart(Cfenmar& engine, MacroSlots& slots);
  // Slot 1: the kind ("HLC", "OHLC", "LINEOPEN", "LINEHIGH", "LINELOW",
  // "LINECLOSE", any case); slots 2 to 9 as LineChart's, drawn as extra
  // lines by the line kinds.
  static void StockChart(Cfenmar& engine, MacroSlots& slots);
};

}  // namespace plrxl
