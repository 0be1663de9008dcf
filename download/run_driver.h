// RunDriver: the run. Started by the progress window when it is shown (and
// by any other front end that starts a run: a console, a Qt dialog, a
// spreadsheet menu command), it walks the ticker table of the active
// workbook from the first ticker row to the last: for each row it finds or
// creates the data sheet, downloads and pastes the quotes (refresh or
// update), runs the row's macros and writes the row's status line.
//
// What the run shows (progress, message, rows done) goes to a ProgressView;
// the logic is the same whatever draws it. Everything runs on the UI
// thread. Downloads are handed to the fetcher ahead of the row being
// processed (QuoteFetcher::Prefetch), so they overlap while rows are still
// pasted strictly in order; the results equal those of a sequential run
// because a request takes over a prefetched download only when its source
// and parameter values are identical.
//
// Shared state lives in the RunContext: StopFlag, SelectiveMode,
// SelectedRows, LastDownloadText, LastDownloadFailed. The run's procedures
// keep the progress window's names ("Pelorin.ProgressBarWindow.<name>"),
// under which error logs have always recorded them, and route their errors
// to the context's error handler. Yields go through the host's DoEvents.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "download/progress_view.h"
#include "entry/run_context.h"
#include "host/quote_fetcher.h"
#include "host/variant.h"

namespace plrxl {

class CPelorin;
class Range;
class SpreadsheetHost;
class Workbook;
class Worksheet;

// The font colour of a status whose bars came from the quote store after
// the source failed (gold, a yellow that stays readable on white).
inline constexpr int kStaleStatusColorIndex = 44;
// The font colour of a status whose block was rewritten because the source
// re-adjusted its history (green).
inline constexpr int kReadjustedStatusColorIndex = 10;

class RunDriver : public IProgressCallBack {
 public:
  // How many rows ahead of the current one are handed to the fetcher.
  static constexpr int kPrefetchRows = 48;

  // `view` may be nullptr (nothing shown); it must outlive the driver.
  explicit RunDriver(RunContext& context, ProgressView* view = nullptr);
  ~RunDriver() override;
  RunDriver(const RunDriver&) = delete;
  RunDriver& operator=(const RunDriver&) = delete;

  // The CPelorin through which the run reads cells, texts and messages and
  // runs macros; nullptr releases it. Run operations without an owner fail
  // with Error 424.
  void SetOwner(CPelorin* owner) { owner_ = owner; }
  void SetView(ProgressView* view) { view_ = view; }

  // Makes the run's QuoteFetcher and an empty request list; throws Error
  // 424 when the context has no fetcher maker.
  void Open();
  // Cancels what is still downloading and releases the fetcher, the
  // requests and the current result. Never throws.
  void Close();
  // The whole run, as showing the progress window starts it: clears the
  // StopFlag and the requests, lets events run, shows 0%, then
  // RefreshMyData2. Registers as "Pelorin.ProgressBarWindow.Form_Activate".
  void Run();
  // What the cancel button does: sets the StopFlag and cancels every
  // request and every download handed ahead. Never throws.
  void Cancel();

  // --- the run ---
  void RefreshMyData2();
  void RefreshMyData(std::string myAction);
  bool DownloadThisRow(int16_t myRow);
  void fnRefreshData(const std::string& myAction, Workbook& myWorkbook, Worksheet& mySettings,
                     const std::string& mySheet, int16_t myRow);
  void fnUpdateMyData(const std::string& myAction, Workbook& myWorkbook, Worksheet& mySettings,
                      const std::string& mySheet, int16_t myRow);

  // --- download and paste ---
  void DownloadAndPasteMyData(const std::string& myAction, double myStartDate, double myEndDate,
                              Workbook& myWorkbook, Worksheet& mySettings, const std::string& mySheet,
                              int16_t myRow, std::optional<int16_t> myDateRow = std::nullopt,
                              std::optional<std::string> myDirection = std::nullopt);
  // The data table of the current result (bars as rows 0.., fields as
  // columns 1 to 8), reversed for "FBT"; empty when there is no data.
  Variant Read_mDate(const std::string& direction);
  // Address text of the existing block on the active sheet: myStartCell
  // ":" the relative address of its last row and last field column; the
  // start cell alone when nothing lies below it; "" when no field is listed.
  std::string DataColumns(const std::string& myStartCell, const std::string& myFieldsForDownload);
  // The name CreateSpreadsheetForTicker gives the sheet of a row whose
  // Data Location is `location`.
  std::string PlannedSheetName(Worksheet& mySettings, int16_t myTestRow, const std::string& location);
  // False, after message 5, when a chosen row's sheet neither exists nor
  // can be made.
  bool AllDataSheetsPossible(Workbook& workbook, Worksheet& settings);
  // The data sheet for a row, created when missing; returns its name. A
  // name no sheet can hold creates nothing.
  std::string CreateSpreadsheetForTicker(Workbook& myWorkbook, Worksheet& mySettings,
                                         const std::string& SpreadSheetName, int16_t myTestRow);
  // Why a table of bars does not fit the row's sheet (rows below the start
  // cell or columns to its right), or nullopt when it fits.
  std::optional<std::string> FitProblem(const VariantArray& table, const std::vector<std::string>& letters,
                                        const std::string& fields, const std::string& myAction, const Range& start,
                                        std::optional<int16_t> myDateRow);
  // Downloads one row: sets the current result and the context's
  // LastDownloadText / LastDownloadFailed.
  void DownloadData(const std::string& ticker, double start_date, double end_date,
                    const std::string& periodicity, const std::string& data_source);

  // --- what the run showed last ---
  const std::string& Message() const { return message_; }
  int ProgressValue() const { return progress_value_; }
  const std::string& ProgressCaption() const { return progress_caption_; }
  RequestList& Requests() { return requests_; }
  // nullptr until a download succeeded.
  const QuoteResult* CurrentResult() const { return current_result_; }

  // --- IProgressCallBack: the run polls instead ---
  void Start(QuoteRequest&) override {}
  void Progress(QuoteRequest&, int32_t, const std::string&) override {}
  void DataReady(QuoteRequest&) override {}
  void Done(QuoteRequest&, int32_t) override {}

 private:
  struct ExistingBlock;

  CPelorin& Owner();
  SpreadsheetHost& App();
  void DoEvents();
  void SetProgress(int16_t row);
  void SetMessage(const std::string& text, bool also_status_bar);
  // The first cell of the row's block on its data sheet.
  Range BlockStart(Worksheet& sheet, const std::string& data_beginning);
  // Field letters of D5 that occur in data_fields (mSearch, both flags).
  int16_t FieldCount(const std::string& data_fields);
  // The dated block an update appends to; nullopt when there is none.
  std::optional<ExistingBlock> FindExistingBlock(Worksheet& sheet, const Range& start, int16_t fields);
  // Hands the rows from `from` on (up to kPrefetchRows) to the fetcher.
  void PrefetchAhead(Workbook& workbook, Worksheet& settings, int16_t from);
  std::optional<PrefetchItem> PlanRow(Workbook& workbook, Worksheet& settings, int16_t row);
  // The first day an update asks for: the newest day on the sheet, or, with
  // the overlap check on, the day of the fifth newest bar (the second for
  // weekly and monthly rows), so that the answer can be compared.
  double UpdateStart(const ExistingBlock& block, const std::string& periodicity) const;
  // Compares the bars of an update's table that the sheet holds already
  // with the sheet's. Unchanged, or changed in a few bars (which it writes
  // and notes), it cuts the table to the newest day on and returns true: the
  // update appends. A history the source re-adjusted (one factor, or a
  // split or dividend in the new days) returns false with the sentence the
  // status gets in `readjusted`: the whole block is to be rewritten.
  bool ReconcileOverlap(Worksheet& sheet, const Range& start, const std::vector<std::string>& letters,
                        const std::string& fields, Variant* table, const std::vector<QuoteEvent>& events,
                        std::string* readjusted);
  // Rewrites the row's whole block with a refresh of its range; on success
  // the status gets `readjusted` and turns green, on failure the old block
  // stays whole and the row red.
  void RewriteBlock(Workbook& myWorkbook, Worksheet& mySettings, const std::string& mySheet, int16_t myRow,
                    const std::string& readjusted);
  void WriteField(const std::string& myAction, Worksheet& sheet, const Variant& table, int column, int header_row,
                  int value_row, const std::string& header, int position, const std::string& number_format,
                  bool fbt);

  RunContext& context_;
  ProgressView* view_;
  CPelorin* owner_ = nullptr;
  std::unique_ptr<QuoteFetcher> fetcher_;
  RequestList requests_;
  const QuoteResult* current_result_ = nullptr;
  // The colour of the row's status when it is neither plain nor red: yellow
  // for older bars from the quote store after the source failed, green for
  // a block rewritten after the source re-adjusted its history; 0 for none.
  int row_status_color_ = 0;

  std::string message_, progress_caption_;
  int progress_value_ = 0;

  // The run's table geometry, for the progress percentage.
  int anchor_row_ = 0;
  int last_row_ = 0;
  int anchor_col_ = 1;
  int prefetched_to_ = 0;
};

// Values a download request of one row is given, in the order they are
// set: TICKER, STARTDATE, ENDDATE, PERIODICITY, then the option's
// parameters (the five DDE parts, or ADJUST VALUES and EXCHANGE). A DDE
// option with fewer than five parts raises error 9.
std::vector<std::pair<std::string, Variant>> RequestValues(const std::string& ticker, double start_date,
                                                           double end_date, const std::string& periodicity,
                                                           const std::string& option);

}  // namespace plrxl
