// The quote store of a run from the command line: which file (--store PATH,
// --no-store, the settings key QuoteStore, or PROJECT.quotes.db beside the
// workbook), --offline and --stale-ok, and the opening with its warnings.
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "download/progress_view.h"
#include "quotes/quote_settings.h"

namespace plrxl::app {

struct StoreOptions {
  std::optional<std::string> path;  // --store
  bool none = false;                // --no-store
  bool offline = false;             // --offline
  bool stale_ok = false;            // --stale-ok
  bool resume = false;              // --resume
};

// The store of a run, the interrupted run it resumes (0 for none), and the
// rows to run: the --rows choice, or on --resume the resumed run's.
struct RunStore {
  std::shared_ptr<QuoteStore> store;
  int64_t resume_run = 0;
  std::optional<std::string> rows;
};

void AddStoreOptions(CLI::App* cmd, StoreOptions& options);

// A day of the store's reports as "yyyy-mm-dd", whatever the region.
std::string IsoDay(double serial);

// The store's file for `workbook`, or "" for none: the options first, then
// the QuoteStore key of the settings ("none", a path relative to the
// workbook's folder, or empty for PROJECT.quotes.db beside it).
std::string StorePathFor(const StoreOptions& options, const std::string& workbook, const std::string& setting);

// Opens the store and books the run ("refresh", "update") in it; warnings go
// to `err`, one line each; `out` hears what a resume takes up. No store
// when there is none. Raises CommandExit: kExitRefused for --offline or
// --resume without a store, kExitOk when the last run of the project ended
// and there is nothing to resume.
// `rows` is the --rows choice, booked with the run.
RunStore OpenRunStore(const StoreOptions& options, const std::string& workbook, const std::string& command,
                      const std::optional<std::string>& rows, std::ostream& out, std::ostream& err);

// A progress view that journals each finished row in the store before it
// passes everything on to `next`.
class JournalingView : public ProgressView {
 public:
  JournalingView(ProgressView& next, QuoteStore* store) : next_(next), store_(store) {}
  void CaptionsChanged(const std::string& caption, const std::string& cancel_caption) override {
    next_.CaptionsChanged(caption, cancel_caption);
  }
  void ProgressChanged(int percent, const std::string& caption) override { next_.ProgressChanged(percent, caption); }
  void MessageChanged(const std::string& text) override { next_.MessageChanged(text); }
  void RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool failed) override;
  void ChecksStopped() override { next_.ChecksStopped(); }
  void AllRowsDone() override { next_.AllRowsDone(); }
  void Closed() override { next_.Closed(); }

 private:
  ProgressView& next_;
  QuoteStore* store_;
};

// Says the store's warnings not said yet.
void ReportStoreWarnings(QuoteStore* store, std::ostream& err);

}  // namespace plrxl::app
