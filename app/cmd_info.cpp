// pelorinxl info WORKBOOK: what a workbook holds, in a few lines: its
// sheets with their used range and visibility, its defined names with what
// they refer to, its charts with their titles, the notes of the load and
// what a save would not keep.
#include <algorithm>
#include <filesystem>
#include <ostream>

#include "app/command_line.h"
#include "app/commands.h"
#include "app/exit_codes.h"
#include "app/row_requests.h"
#include "app/store_options.h"
#include "download/row_selection.h"
#include "host/address.h"
#include "quotes/download_plan.h"

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

// The fetches behind the stored bars of the chosen ticker rows.
void PrintProvenance(const AppContext& ctx, const std::string& path, const std::string& rows_text,
                     const StoreOptions& options) {
  auto host = ctx.MakeHost();
  Workbook& book = host->OpenWorkbook(path);
  QuoteSettings settings = LoadQuoteSettings(std::filesystem::absolute(path).parent_path().string(), host->Regional());
  const std::string store_path = StorePathFor(options, path, settings.store_setting);
  if (store_path.empty() || !std::filesystem::exists(store_path)) {
    throw CommandExit(kExitRefused, "no quote store for " + path + (store_path.empty() ? "" : " (" + store_path + ")"));
  }
  std::vector<std::string> warnings;
  StoreOpenOptions open;
  open.path = store_path;
  std::shared_ptr<QuoteStore> store = QuoteStore::Open(open, &warnings);
  for (const std::string& w : warnings) ctx.err << "pelorinxl: warning: " << w << "\n";
  if (!store) throw CommandExit(kExitRefused, store_path + " cannot be used");
  const std::vector<int16_t> chosen = ParseRowList(rows_text);
  for (const RowRequest& r : RowRequests(book, host->Regional())) {
    if (std::find(chosen.begin(), chosen.end(), r.row) == chosen.end()) continue;
    const std::optional<StoredRequest> stored = StoredSeriesOf(settings, r.item);
    ctx.out << "Row " << r.row << " " << r.ticker << " (" << (stored ? stored->key.source : r.item.source) << "): ";
    if (!stored) {
      ctx.out << "its source is not kept in the store\n";
      continue;
    }
    const std::vector<StoreFetchLine> lines = store->Provenance(stored->key, stored->start, stored->end);
    int64_t bars = 0;
    for (const StoreFetchLine& line : lines) bars += line.bars;
    ctx.out << bars << " stored bar(s) from " << IsoDay(stored->start) << " to " << IsoDay(stored->end) << ", from "
            << lines.size() << " fetch(es)\n";
    for (const StoreFetchLine& line : lines) {
      ctx.out << "  fetch " << line.id << ": " << line.started << " to " << line.finished.substr(11) << " UTC, HTTP "
              << line.http_status << ", " << line.bytes << " bytes, body hash " << line.body_hash << ", asked "
              << IsoDay(line.range_start) << " to " << IsoDay(line.range_end) << ", " << line.bars
              << " bar(s) of the row\n    " << line.url << "\n";
    }
  }
}

}  // namespace

void RegisterInfoCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("info", "Show the sheets, names, charts, warnings and what a save would not keep");
  auto path = std::make_shared<std::string>();
  cmd->add_option("WORKBOOK", *path, "The .xlsx or .xlsm file")->required();
  auto provenance = std::make_shared<bool>(false);
  auto rows = std::make_shared<std::string>();
  auto options = std::make_shared<StoreOptions>();
  CLI::Option* shown = cmd->add_flag("--provenance", *provenance,
                                     "List the fetches the quote store's bars of the --rows come from");
  cmd->add_option("--rows", *rows, "Sheet rows of the ticker table, e.g. 7 or 3,5-9")->check(RowListCheck())->needs(shown);
  shown->needs("--rows");
  cmd->add_option("--store", options->path, "This store file instead of the project's")->needs(shown);
  cmd->callback([&ctx, path, provenance, rows, options] {
    if (*provenance) {
      PrintProvenance(ctx, *path, *rows, *options);
    } else {
      PrintInfo(ctx, *path);
    }
  });
}

}  // namespace plrxl::app
