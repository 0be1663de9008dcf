// pelorinxl store info|verify|vacuum PROJECT: what a project's quote store
// holds; a sample of its final bars downloaded again and compared; the file
// rewritten without its free pages. The workbook is only read.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <thread>

#include "app/commands.h"
#include "app/exit_codes.h"
#include "app/store_options.h"
#include "quotes/quote_component.h"
#include "quotes/store/quote_store.h"

namespace plrxl::app {
namespace {

namespace fs = std::filesystem;

// The project's store, which must exist; nothing is made.
std::shared_ptr<QuoteStore> ExistingStore(const AppContext& ctx, const std::string& project,
                                          const StoreOptions& options) {
  const QuoteSettings settings = LoadQuoteSettings(fs::absolute(project).parent_path().string());
  const std::string path = StorePathFor(options, project, settings.store_setting);
  if (path.empty()) throw CommandExit(kExitRefused, project + " keeps no quote store");
  if (!fs::exists(path)) throw CommandExit(kExitRefused, path + " does not exist yet: no run has kept quotes there");
  std::vector<std::string> warnings;
  StoreOpenOptions open;
  open.path = path;
  std::shared_ptr<QuoteStore> store = QuoteStore::Open(open, &warnings);
  for (const std::string& w : warnings) ctx.err << "pelorinxl: warning: " << w << "\n";
  if (!store) throw CommandExit(kExitRefused, path + " cannot be used");
  return store;
}

void Info(const AppContext& ctx, QuoteStore& store) {
  const StoreSummary s = store.Summary();
  std::error_code ignored;
  const auto size = fs::file_size(store.Path(), ignored);
  ctx.out << "Quote store: " << store.Path() << (s.read_only ? " (read only)" : "") << "\n"
          << "Schema: " << s.schema << "\n"
          << "Size: " << size << " bytes" << (s.bars > 0 ? ", " + std::to_string(size / s.bars) + " a bar" : "") << "\n"
          << "Series: " << s.series << "\n"
          << "Bars: " << s.bars << " (" << s.final_bars << " final)\n"
          << "Events: " << s.events << "\n"
          << "Fetches: " << s.fetches << " (" << s.failed_fetches << " failed)"
          << (s.fetches > 0 ? ", " + s.first_fetch + " to " + s.last_fetch + " UTC" : "") << "\n"
          << "Runs: " << s.runs << "\n";
}

bool Close(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::fabs(a - b) <= 1e-4 * std::max(1.0, std::fabs(a));
}

int Verify(const AppContext& ctx, QuoteStore& store, const std::string& project, int count) {
  const std::vector<StoreSample> samples = store.Samples(count);
  if (samples.empty()) {
    ctx.out << "nothing to verify: the store holds no final bars\n";
    return kExitOk;
  }
  std::unique_ptr<QuoteFetcher> fetcher = MakeQuoteFetcher(LoadQuoteSettings(fs::absolute(project).parent_path().string()));
  int differing = 0;
  for (const StoreSample& sample : samples) {
    const std::string what = sample.key.source + " " + sample.key.symbol +
                             (sample.key.exchange.empty() ? "" : " (" + sample.key.exchange + ")") + " " +
                             IsoDay(sample.start) + " to " + IsoDay(sample.end);
    QuoteSource* source = fetcher->FindSource(sample.key.source);
    if (source == nullptr) {
      ctx.out << what << ": the source is not known here\n";
      ++differing;
      continue;
    }
    std::unique_ptr<QuoteRequest> request = source->CreateRequest();
    request->SetParameter("TICKER", Variant(sample.key.symbol));
    request->SetParameter("STARTDATE", Variant::Date(sample.start));
    request->SetParameter("ENDDATE", Variant::Date(sample.end));
    request->SetParameter("PERIODICITY", Variant("DAILY"));
    request->SetParameter("ADJUST VALUES", Variant(false));
    request->SetParameter("EXCHANGE", Variant(sample.key.exchange));
    request->Start();
    while (request->State() != kStateFinished) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (request->ErrorNumber() != 0) {
      ctx.out << what << ": not downloaded: " << request->ErrorDescription() << "\n";
      ++differing;
      continue;
    }
    const quotes::Bars stored = store.ReadBars(sample.key, sample.start, sample.end);
    const ResultSeries& fresh = request->Result().series.at(0);
    const ResultField* dates = fresh.Find(kFieldDate);
    const size_t n = dates != nullptr ? dates->column.size() : 0;
    std::string difference;
    if (n != stored.size()) difference = std::to_string(stored.size()) + " bars stored, " + std::to_string(n) + " now";
    struct Compared {
      const char* field;
      double quotes::Bar::*member;
    };
    static constexpr Compared kCompared[] = {{kFieldDate, &quotes::Bar::date},   {kFieldOpen, &quotes::Bar::open},
                                             {kFieldHigh, &quotes::Bar::high},   {kFieldLow, &quotes::Bar::low},
                                             {kFieldClose, &quotes::Bar::close}, {kFieldVolume, &quotes::Bar::volume},
                                             {kFieldAdjustedClose, &quotes::Bar::adj_close}};
    for (size_t i = 0; difference.empty() && i < n; ++i) {
      for (const Compared& c : kCompared) {
        const ResultField* field = fresh.Find(c.field);
        if (field == nullptr || field->column.size() != n) continue;
        if (!Close(stored[i].*c.member, field->column[i])) {
          char text[160];
          std::snprintf(text, sizeof text, "%s of %s: %.6g stored, %.6g now", c.field, IsoDay(stored[i].date).c_str(),
                        stored[i].*c.member, field->column[i]);
          difference = text;
          break;
        }
      }
    }
    ctx.out << what << ": " << (difference.empty() ? std::to_string(n) + " bars agree" : "differs: " + difference)
            << "\n";
    if (!difference.empty()) ++differing;
  }
  ctx.out << samples.size() << " series checked, " << differing << " differ\n";
  return differing == 0 ? kExitOk : kExitRowsFailed;
}

}  // namespace

void RegisterStoreCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("store", "Show, verify or compact a project's quote store");
  cmd->require_subcommand(1);
  auto options = std::make_shared<StoreOptions>();
  auto path = std::make_shared<std::string>();
  auto sample = std::make_shared<int>(3);
  auto add = [&](const char* name, const char* help) {
    CLI::App* sub = cmd->add_subcommand(name, help);
    sub->add_option("PROJECT", *path, "The project workbook")->required();
    sub->add_option("--store", options->path, "This store file instead of the project's");
    return sub;
  };
  add("info", "What the store holds: series, bars, fetches, runs, size")->callback([&ctx, path, options] {
    Info(ctx, *ExistingStore(ctx, *path, *options));
  });
  CLI::App* verify = add("verify", "Download a sample of stored series again and compare them within 1e-4");
  verify->add_option("--sample", *sample, "How many series to check (default 3)")->check(CLI::Range(1, 1000));
  verify->callback([&ctx, path, options, sample] {
    const int code = Verify(ctx, *ExistingStore(ctx, *path, *options), *path, *sample);
    if (code != kExitOk) throw CommandExit(code, "");
  });
  add("vacuum", "Rewrite the store file without its free pages")->callback([&ctx, path, options] {
    std::shared_ptr<QuoteStore> store = ExistingStore(ctx, *path, *options);
    std::error_code ignored;
    const auto before = fs::file_size(store->Path(), ignored);
    if (!store->Vacuum()) {
      ReportStoreWarnings(store.get(), ctx.err);
      throw CommandExit(kExitRowsFailed, "the store was not compacted");
    }
    ctx.out << store->Path() << ": " << before << " -> " << fs::file_size(store->Path(), ignored) << " bytes\n";
  });
}

}  // namespace plrxl::app
