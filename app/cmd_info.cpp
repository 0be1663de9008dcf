// pelorinxl info WORKBOOK: what a workbook holds, in a few lines: its
// sheets with their used range and visibility, its defined names with what
// they refer to, its charts with their titles, the notes of the load and
// what a save would not keep.
#include <ostream>

#include "app/commands.h"
#include "host/address.h"

namespace plrxl::app {

namespace {

std::string UsedRangeText(const Worksheet& sheet) {
  auto used = sheet.UsedRange();
  return used ? FormatA1(*used, false) : std::string("(empty)");
}

void PrintInfo(const AppContext& ctx, const std::string& path) {
  auto host = ctx.MakeHost();
  Workbook& book = host->OpenWorkbook(path);
  std::ostream& out = ctx.out;
  out << "Workbook: " << book.FullName() << "\n";
  out << "Sheets: " << book.WorksheetCount() << "\n";
  for (int i = 1; i <= book.WorksheetCount(); ++i) {
    Worksheet& sheet = book.WorksheetAt(i);
    out << "  " << i << ". " << sheet.Name() << "  " << UsedRangeText(sheet) << "  "
        << (sheet.Visible() ? "visible" : "hidden") << (&sheet == book.ActiveSheet() ? "  active" : "") << "\n";
  }
  out << "Names: " << book.NameCount() << "\n";
  for (int i = 1; i <= book.NameCount(); ++i) {
    const DefinedName& name = book.NameAt(i);
    out << "  " << name.name;
    // A name local to a sheet may share its text with other sheets' names.
    if (name.scope != nullptr) out << " (local to " << name.scope->Name() << ")";
    out << "  " << name.refers_to << "\n";
  }
  int charts = 0;
  for (int i = 1; i <= book.WorksheetCount(); ++i) charts += book.WorksheetAt(i).ChartCount();
  out << "Charts: " << charts << "\n";
  for (int i = 1; i <= book.WorksheetCount(); ++i) {
    Worksheet& sheet = book.WorksheetAt(i);
    for (int k = 1; k <= sheet.ChartCount(); ++k) {
      const Chart& chart = sheet.ChartAt(k);
      out << "  " << sheet.Name() << ": " << chart.name << "  \"" << chart.title << "\"\n";
    }
  }
  out << "Warnings: " << book.Warnings().size() << "\n";
  for (const std::string& w : book.Warnings()) out << "  " << w << "\n";
  out << "Not kept on save: " << book.Losses().size() << "\n";
  for (const std::string& loss : book.Losses()) out << "  " << loss << "\n";
}

}  // namespace

void RegisterInfoCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("info", "Show the sheets, names, charts, warnings and what a save would not keep");
  auto path = std::make_shared<std::string>();
  cmd->add_option("WORKBOOK", *path, "The .xlsx or .xlsm file")->required();
  cmd->callback([&ctx, path] { PrintInfo(ctx, *path); });
}

}  // namespace plrxl::app
