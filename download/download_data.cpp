// Downloading one row: the request built from the row's data-source text,
// polled until it ends or the run is cancelled; and the rows handed to the
// fetcher ahead of the one being processed.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "download/internal/row_access.h"
#include "download/module_functions.h"
#include "download/run_driver.h"
#include "download/split_data_sources.h"
#include "entry/pelorin.h"
#include "host/error.h"
#include "host/spreadsheet_host.h"

namespace plrxl {
namespace {

// Keeps the `limit` newest (day, row) pairs of a block, newest first.
void KeepRecent(std::vector<std::pair<double, int>>* recent, double day, int row, size_t limit) {
  auto at = std::find_if(recent->begin(), recent->end(), [&](const auto& kept) { return kept.first < day; });
  if (static_cast<size_t>(at - recent->begin()) >= limit) return;
  recent->insert(at, {day, row});
  if (recent->size() > limit) recent->pop_back();
}

}  // namespace

std::vector<std::pair<std::string, Variant>> RequestValues(const std::string& ticker, double start_date,
                                                           double end_date, const std::string& periodicity,
                                                           const std::string& option) {
  std::vector<std::pair<std::string, Variant>> values = {
      {"TICKER", Variant(ticker)},
      {"STARTDATE", Variant::Date(start_date)},
      {"ENDDATE", Variant::Date(end_date)},
      {"PERIODICITY", Variant(UpperText(periodicity))},
  };
  if (option.find(';') != std::string::npos) {
    std::vector<std::string> parts = SplitText(option, ";");
    if (parts.size() < 5) throw Error(kErrSubscript, "PlrXL2", "Subscript out of range");
    const char* names[] = {"SERVICE", "TOPIC", "ITEM", "PERIOD", "TYPE"};
    for (int i = 0; i < 5; ++i) values.emplace_back(names[i], Variant(parts[i]));
  } else if (!option.empty()) {
    values.emplace_back("ADJUST VALUES", Variant(UpperText(option) == "ADJUST VALUES"));
    values.emplace_back("EXCHANGE", Variant(option));
  }
  return values;
}

void RunDriver::DownloadData(const std::string& ticker, double start_date, double end_date,
                                     const std::string& periodicity, const std::string& data_source) {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.DownloadData");
  current_result_ = nullptr;
  row_status_color_ = 0;
  std::string name, option;
  proc.Do([&] {
    Variant parts = SplitDataSources(context_, data_source);
    name = parts.Array().At(1).Text();
    option = parts.Array().At(2).Text();
  });
  if (proc.Aborted()) return;
  QuoteSource* source = nullptr;
  proc.Do([&] {
    if (!fetcher_) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    source = fetcher_->FindSource(name);
  });
  if (proc.Aborted()) return;
  if (source == nullptr) {
    context_.LastDownloadText = "Error: 404 not found " + name;
    context_.LastDownloadFailed = true;
    return;
  }

  QuoteRequest* request = nullptr;
  proc.Do([&] {
    std::unique_ptr<QuoteRequest> made = source->CreateRequest();
    made->SetCallback(this);
    request = made.get();
    const std::string key = RequestKey(made->Id());
    requests_.Add(key, std::move(made));
  });
  if (request == nullptr) return;
  proc.Do([&] {
    // A parameter that the source does not have is accepted and ignored.
    for (auto& [param_name, value] : RequestValues(ticker, start_date, end_date, periodicity, option)) {
      if (RequestParameter* p = request->Parameters().Find(param_name)) p->SetValue(value);
    }
  });
  proc.Do([&] {
    request->Start();
    // The interface gets its events after every poll, the last one too, so
    // a cancel is seen at every row even when downloads finished ahead.
    for (int polls = 1;; ++polls) {
      const bool finished = request->State() == kStateFinished;
      DoEvents();
      if (finished || context_.StopFlag) break;
      // Let the worker threads have the processor once the first quick polls
      // found the download still running.
      if (polls > 8) std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });
  proc.Do([&] {
    if (request->ErrorNumber() != 0) {
      // A row the source's request budget deferred is no error: its text
      // ("deferred: TIINGO 1000/day used, resets 00:00 UTC") says when it
      // can run.
      const bool deferred = request->ErrorDescription().rfind("deferred: ", 0) == 0;
      context_.LastDownloadText = (deferred ? "" : "Error: ") + request->ErrorDescription();
      context_.LastDownloadFailed = true;
    } else {
      context_.LastDownloadText = Owner().TWP("E16");
      context_.LastDownloadFailed = false;
      current_result_ = &request->Result();
      // Bars the source sent without a single value are not on the sheet:
      // the status says so rather than drop them silently.
      if (const int left_out = current_result_->bars_left_out; left_out > 0) {
        context_.LastDownloadText += " " + std::to_string(left_out) +
                                     (left_out == 1 ? " bar without values left out." : " bars without values left out.");
      }
      // Where the bars came from when not from a fresh download (the quote
      // store), and how old they are.
      if (!current_result_->note.empty()) context_.LastDownloadText += " " + current_result_->note;
      if (current_result_->stale) row_status_color_ = kStaleStatusColorIndex;
    }
  });
  IgnoreErrors([&] { request->SetCallback(nullptr); });
}

Range RunDriver::BlockStart(Worksheet& sheet, const std::string& data_beginning) {
  std::optional<ParsedAddress> parsed = ParseA1(data_beginning);
  if (!parsed) throw Error(kErrRange, "PlrXL2", "Method 'Range' of object '_Worksheet' failed");
  if (!parsed->sheet.empty()) return App().ResolveRange(data_beginning).Cells(1, 1);
  return Range(&sheet, Rect{parsed->rect.row1, parsed->rect.col1, parsed->rect.row1, parsed->rect.col1});
}

int16_t RunDriver::FieldCount(const std::string& data_fields) {
  std::vector<Variant> letters;
  for (const std::string& letter : SplitText(Owner().TWP("D5"), "|")) letters.emplace_back(letter);
  return mSearch(context_, data_fields, Variant::Array1D(letters, 0), true, true);
}

std::optional<RunDriver::ExistingBlock> RunDriver::FindExistingBlock(Worksheet& sheet,
                                                                                    const Range& start,
                                                                                    int16_t fields) {
  const RegionalSettings& rs = App().Regional();
  const int b = start.Row();
  const int c = start.Column();
  int date_row = 0, date_col = 0;
  for (int col = c; col <= c + fields - 1 && date_col == 0; ++col) {
    for (int row = b; row <= b + 1; ++row) {
      if (IsDateLike(sheet.CellValue(row, col), rs)) {
        date_row = row;
        date_col = col;
        break;
      }
    }
  }
  if (date_col == 0) return std::nullopt;
  ExistingBlock block;
  block.last_row = Range(&sheet, Rect{b, date_col, b, date_col}).End(Direction::kDown).Row();
  auto date_at = [&](int row) -> std::optional<double> {
    Variant v = sheet.CellValue(row, date_col);
    if (v.IsNumeric()) return v.DateSerial();
    if (v.IsText()) return TextToDate(v.Text(), rs);
    return std::nullopt;
  };
  bool any = false;
  for (int row = date_row; row <= block.last_row; ++row) {
    std::optional<double> d = date_at(row);
    if (!d) continue;
    if (!any || *d > block.newest) {
      block.newest = *d;
      any = true;
    }
    KeepRecent(&block.recent, std::floor(*d), row, ExistingBlock::kRecentRows);
  }
  std::optional<double> first = date_at(date_row), last = date_at(block.last_row);
  block.direction = first && last && *first > *last ? "FBT" : "FTB";
  return block;
}

std::optional<PrefetchItem> RunDriver::PlanRow(Workbook& workbook, Worksheet& settings, int16_t row) {
  CPelorin& owner = Owner();
  const RegionalSettings& rs = App().Regional();
  const std::string ticker = ToText(settings.CellValue(row, anchor_col_), rs);
  const std::string periodicity = ToText(owner.SettingsValue(settings, row, kPeriodicity), rs);
  const std::string data_source = LowerText(ToText(owner.SettingsValue(settings, row, kDataSource), rs));
  double start = RowDate(owner.SettingsValue(settings, row, kStartDate), rs);
  const double end = RowDate(owner.SettingsValue(settings, row, kEndDate), rs);
  const std::string action = owner.TWP("H2");
  if (action == "Update") {
    // An update starts at the newest date already on the sheet.
    std::string location = ToText(owner.SettingsValue(settings, row, kDataLocation), rs);
    Worksheet* sheet = workbook.FindWorksheet(location);
    if (sheet == nullptr) sheet = workbook.FindWorksheet(PlannedSheetName(settings, row, location));
    if (sheet != nullptr) {
      Range begin = BlockStart(*sheet, ToText(owner.SettingsValue(settings, row, kDataBeginning), rs));
      if (!begin.Value().IsEmpty()) {
        int16_t fields = FieldCount(ToText(owner.SettingsValue(settings, row, kDataFields), rs));
        std::optional<ExistingBlock> block = FindExistingBlock(*sheet, begin, fields);
        if (block && end > block->newest) start = UpdateStart(*block, periodicity);
      }
    }
  }
  ErrorHandlerSlot quiet;  // planning never bothers the person with errors
  Variant parts = SplitDataSources(quiet, data_source);
  if (!parts.IsArray()) return std::nullopt;
  PrefetchItem item;
  item.source = parts.Array().At(1).Text();
  item.parameters =
      RequestValues(ticker, WholeDay(start), WholeDay(end), periodicity, parts.Array().At(2).Text());
  return item;
}

void RunDriver::PrefetchAhead(Workbook& workbook, Worksheet& settings, int16_t from) {
  if (!fetcher_ || owner_ == nullptr) return;
  const int until = std::min<int>(last_row_, from + kPrefetchRows - 1);
  std::vector<PrefetchItem> items;
  for (int row = std::max<int>(from, prefetched_to_ + 1); row <= until; ++row) {
    prefetched_to_ = row;
    // A row that cannot be planned is downloaded when it is reached, and
    // its errors are reported then.
    try {
      if (context_.SelectiveMode && !DownloadThisRow(static_cast<int16_t>(row))) continue;
      if (std::optional<PrefetchItem> item = PlanRow(workbook, settings, static_cast<int16_t>(row))) {
        items.push_back(std::move(*item));
      }
    } catch (const std::exception&) {
    }
  }
  if (!items.empty()) fetcher_->Prefetch(items);
}

}  // namespace plrxl
