#include "download/demo_project.h"

#include <iterator>
#include <optional>
#include <span>
#include <string>

#include "entry/pelorin.h"
#include "host/error.h"
#include "host/regional.h"
#include "host/spreadsheet_host.h"
#include "macros/export_layouts.h"

namespace plrxl {
namespace {

// Indicators of the demo, each a macro call with its output cell left as
// "{}". Every row takes five of them in turn, so the project shows them all.
constexpr const char* kDemoIndicators[] = {
    "mvavgsimple({},close,20)",        "wilderrsi({},close,14)",
    "mvavgexponential({},close,10)",   "momentum({},close,10)",
    "bollingerbandup({},close,20,2)",  "bollingerbanddown({},close,20,2)",
    "macd({},close)",                  "cutlerrsi({},close,14)",
    "highestvalue({},close,20)",       "lowestvalue({},close,20)",
    "mvavglineweighted({},close,15)",  "chandemomentumoscillator({},14)",
    "detrendedpriceoscillator({},20)", "dema26({})",
    "historicalvolatility10({})",      "laggedvalue({},close,5)",
    "averagechange({},close,10)",      "mvavgsimplediff({},close,10,30)",
};
constexpr int kIndicatorsPerRow = 5;

// Indicator columns go to the right of the pasted block, one column apart.
std::string Indicators(const std::string& fields, int row_index) {
  const int count = static_cast<int>(std::size(kDemoIndicators));
  std::string macros;
  for (int k = 0; k < kIndicatorsPerRow; ++k) {
    const std::string cell = std::string(1, static_cast<char>('A' + fields.size() + 1 + k)) + "1";
    std::string call = kDemoIndicators[(row_index * kIndicatorsPerRow + k) % count];
    call.replace(call.find("{}"), 2, cell);
    if (!macros.empty()) macros += ";";
    macros += call;
  }
  return macros;
}

// One chart per ticker, drawn last so that it stands beside the indicator
// columns too. The rows take the kinds in turn; a kind whose prices the row
// does not fetch gives way to a line of the close and the first indicator.
std::string ChartCall(const std::string& written, int row_index) {
  struct Kind {
    const char* call;
    const char* needs;
  };
  constexpr Kind kKinds[] = {{"stockchart(OHLC)", "ohlc"},       {"stockchart(hlc)", "hlc"},
                             {"linechart", "c"},                 {"stockchart(LineOpen)", "o"},
                             {"stockchart(LINEHIGH)", "h"},      {"stockchart(linelow)", "l"},
                             {"stockchart(LINECLOSE,{})", "c"}};
  const std::string first_indicator = std::string(1, static_cast<char>('A' + written.size() + 1)) + "1";
  const Kind& kind = kKinds[static_cast<size_t>(row_index) % std::size(kKinds)];
  bool fetched = true;
  for (const char* letter = kind.needs; *letter != '\0'; ++letter) {
    fetched = fetched && written.find(*letter) != std::string::npos;
  }
  std::string call = fetched ? kind.call : "stockchart(LINECLOSE,{})";
  if (call == "linechart") {
    const std::string close = std::string(1, static_cast<char>('A' + written.find('c'))) + "1";
    return "linechart(A1," + close + "," + first_indicator + ")";
  }
  if (size_t at = call.find("{}"); at != std::string::npos) call.replace(at, 2, first_indicator);
  return call;
}

double IsoDate(const std::string& text) {
  const std::optional<double> serial = TextToDate(text, RegionalSettings());
  if (!serial) throw Error(kErrInvalidCall, "PlrXL2.DemoProject", "\"" + text + "\" is not a date such as 2025-06-30");
  return *serial;
}

// The data tools every demo row runs after its indicators: one export (the
// layouts in turn, so the demo writes all twelve), its summary line and its
// transposed line.
std::string DataTools(int row_index, const std::string& export_folder) {
  std::string tools;
  if (!export_folder.empty()) {
    const std::span<const ExportLayout> layouts = ExportLayouts();
    tools = std::string("exportdata(") + layouts[static_cast<size_t>(row_index) % layouts.size()].name + "," +
            export_folder + ");";
  }
  return tools + "createsummary;transposedata";
}

}  // namespace

std::vector<DemoRow> DemoRows(const std::string& export_folder) {
  struct Shape {
    const char* periodicity;
    const char* direction;
    const char* fields;
    const char* start;
  };
  // At most 255 bars per row, so that every transposed line is whole.
  const Shape shapes[] = {
      {"Daily", "FTB", "dohlcv", "2024-07-15"},  {"Daily", "FBT", "dohlcv", "2024-07-15"},
      {"Weekly", "FTB", "dohlc", "2021-01-04"},  {"Weekly", "FBT", "dcv", "2021-01-04"},
      {"Monthly", "FTB", "dohlcva", "2010-01-01"}, {"Monthly", "FBT", "dc", "2010-01-01"},
      {"Daily", "FTB", "dclhov", "2024-08-01"},  {"Daily", "FBT", "dhlc", "2024-08-01"},
  };
  const char* tickers[] = {"ALPHA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT", "GOLF", "HOTEL",
                           "INDIA", "JULIET", "KILO", "LIMA", "MIKE", "NOVEMBER", "OSCAR", "PAPA",
                           "QUEBEC", "ROMEO", "SIERRA", "TANGO", "UNIFORM", "VICTOR", "WHISKEY", "XRAY"};
  std::vector<DemoRow> rows;
  int i = 0;
  for (const char* ticker : tickers) {
    const Shape& s = shapes[i++ % std::size(shapes)];
    // Columns: the data block is as wide as the letters written (the
    // field order on the sheet is that of the letter list, not the row's).
    std::string written;
    for (char letter : std::string("dtohlcvpa")) {
      if (std::string(s.fields).find(letter) != std::string::npos) written += letter;
    }
    const bool close = written.find('c') != std::string::npos;
    const std::string macros =
        (close ? Indicators(written, i) + ";" + ChartCall(written, i) + ";" : "") + DataTools(i - 1, export_folder);
    rows.push_back({ticker, s.start, "2025-06-30", s.periodicity, s.direction, s.fields, macros,
                    i % 6 == 0 ? "SAMPLE(ADJUST VALUES)" : "SAMPLE"});
  }
  return rows;
}

std::vector<DemoRow> BenchmarkRows(int count, const std::string& macros) {
  std::vector<DemoRow> rows;
  for (int i = 0; i < count; ++i) {
    // 2,500 business days: 2015-06-01 to 2024-12-27.
    rows.push_back({"BENCH" + std::to_string(i), "2015-06-01", "2024-12-27", "Daily", "FTB", "dohlcv", macros});
  }
  return rows;
}

void WriteDemoRows(Workbook& project, const std::vector<DemoRow>& rows) {
  Worksheet& settings = project.Worksheets(kSettingsSheet);
  Range anchor = project.NameRange(kRangeTickerName);
  const int first = anchor.Row() + 2, col = anchor.Column();
  settings.ClearCells(Rect{first, col, first + 1000, col + 10}, true, false);
  int row = first;
  for (const DemoRow& r : rows) {
    const Variant cells[] = {Variant(r.ticker),        Variant::Date(IsoDate(r.start)), Variant::Date(IsoDate(r.end)),
                             Variant(r.periodicity),   Variant(r.direction),            Variant("AUTO"),
                             Variant("A1"),            Variant(r.source),               Variant(r.fields),
                             r.macros.empty() ? Variant() : Variant(r.macros)};
    for (int c = 0; c < 10; ++c) settings.SetCellValue(row, col + c, cells[c]);
    ++row;
  }
}

}  // namespace plrxl
