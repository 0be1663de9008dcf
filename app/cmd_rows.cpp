// pelorinxl rows PROJECT.xlsx: the ticker table as a readable table, one
// line per ticker row with its sheet row, its fields as the cells show them
// and its last status ("[failed]" when the status is red), below the
// defaults row whose fields fill the empty ones. The file is only read.
#include <algorithm>
#include <ostream>

#include "app/commands.h"
#include "entry/pelorin.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

// The columns shown, in order, with their titles.
struct ShownColumn {
  const char* title;
  int column;  // TickerColumn; 0 is the sheet row
};
constexpr ShownColumn kShownColumns[] = {
    {"Row", 0},          {"Ticker", kTicker},           {"Start", kStartDate},   {"End", kEndDate},
    {"Period", kPeriodicity}, {"Dir", kDataDirection},  {"Sheet", kDataLocation}, {"Begins", kDataBeginning},
    {"Source", kDataSource},  {"Fields", kDataFields},  {"Status", kStatus},
};
constexpr int kRedFont = 3;

void PrintRows(const AppContext& ctx, const std::string& path) {
  auto host = ctx.MakeHost();
  Workbook& wb = host->OpenWorkbook(path);
  if (wb.FindName(kRangeTickerName) == nullptr) {
    throw Error(1, "pelorinxl",
                path + ": not a PelorinXL project: it has no ticker table (the name " + kRangeTickerName +
                    " is missing; pelorinxl check repairs it)");
  }
  const Range anchor = wb.NameRange(kRangeTickerName);
  // The defaults row first: it fills what a ticker row leaves empty.
  const int defaults = anchor.Row() + 1;
  const int first = anchor.Row() + 2;
  const Range last_cell = anchor.End(Direction::kDown);
  const int last = last_cell.Value().IsEmpty() ? first - 1 : last_cell.Row();
  std::vector<std::vector<std::string>> lines;
  std::vector<std::string> titles;
  for (const ShownColumn& c : kShownColumns) titles.push_back(c.title);
  lines.push_back(titles);
  for (int row = defaults; row <= last; ++row) {
    std::vector<std::string> line;
    for (const ShownColumn& c : kShownColumns) {
      if (c.column == 0) {
        line.push_back(std::to_string(row));
        continue;
      }
      Range cell = anchor.Sheet().Cells(row, anchor.Column() + c.column - 1);
      std::string text = cell.Text();
      if (c.column == kStatus && cell.FontColorIndex() == kRedFont) text += " [failed]";
      line.push_back(text);
    }
    lines.push_back(line);
  }
  std::vector<size_t> widths(titles.size(), 0);
  for (const auto& line : lines) {
    for (size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
  }
  for (const auto& line : lines) {
    std::string text;
    for (size_t i = 0; i < line.size(); ++i) {
      text += line[i];
      if (i + 1 < line.size()) text += std::string(widths[i] + 2 - line[i].size(), ' ');
    }
    ctx.out << text << "\n";
  }
  const int count = last - first + 1;
  ctx.out << count << " ticker row" << (count == 1 ? "" : "s") << " in " << wb.FullName() << "\n";
}

}  // namespace

void RegisterRowsCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("rows", "Show the ticker table with each row's last status");
  auto path = std::make_shared<std::string>();
  cmd->add_option("PROJECT", *path, "The project workbook")->required();
  cmd->callback([&ctx, path] { PrintRows(ctx, *path); });
}

}  // namespace plrxl::app
