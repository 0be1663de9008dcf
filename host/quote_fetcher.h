// The quote component seam: QuoteFetcher and its sources, requests,
// parameters and results.
//
// Threads. A request runs on a worker thread inside the component. The
// caller's thread (the UI thread) only creates requests, sets parameters,
// starts, polls State(), reads the error record and the result, and cancels.
// Callbacks (IProgressCallBack) are delivered on the caller's thread from
// inside Start() and State(), never from a worker, so a callback may touch
// the UI freely.
//
// Failures never leave the component as exceptions: every failure of a
// request (bad parameter, missing key, network, provider error, cancel) ends
// as its error record, ErrorNumber() != 0 with a description the user can
// read, and State() == kStateFinished. A request never hangs: every wait
// inside the component is bounded by a timeout or ended by Cancel().
//
// Lifetime. Sources belong to their fetcher. A request may outlive its
// fetcher; destroying a running request cancels it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/variant.h"

namespace plrxl {

// Kinds of a request parameter, as the row editor shows them.
enum ParameterKind : int32_t {
  kParamNumber = 1,
  kParamText = 2,
  kParamChoice = 3,   // one of AllowedValues()
  kParamDate = 4,     // a date serial
  kParamBoolean = 5,
};

// Capability bits of a source. A source is offered to the user when it has
// kCapHistorical or kCapLink.
inline constexpr uint32_t kCapHistorical = 1;  // daily/weekly/monthly bars
inline constexpr uint32_t kCapLink = 64;       // a live link (the DDE form)

// Request states. kStateFinished is final, with or without success.
inline constexpr int32_t kStateCreated = 0;
inline constexpr int32_t kStateQueued = 1;
inline constexpr int32_t kStateRunning = 2;
inline constexpr int32_t kStateFinished = 4;

// The names of the fields a result carries, as the project template lists
// them on its "Parameters" sheet (A6 to A13, then A30). A source delivers the
// fields it has; daily bars carry no "Time".
inline constexpr const char* kFieldDate = "Date";
inline constexpr const char* kFieldTime = "Time";
inline constexpr const char* kFieldOpen = "Open";
inline constexpr const char* kFieldHigh = "High";
inline constexpr const char* kFieldLow = "Low";
inline constexpr const char* kFieldClose = "Close";
inline constexpr const char* kFieldVolume = "Volume";
inline constexpr const char* kFieldOpenInterest = "Open Interest";
inline constexpr const char* kFieldAdjustedClose = "Adjusted Close";

// One named, typed parameter of a request. Names compare without regard to
// case. SetValue stores any Variant; the request checks values when it
// starts, and a value it cannot use fails the request (error record).
class RequestParameter {
 public:
  RequestParameter() = default;
  RequestParameter(std::string name, int32_t kind, Variant value,
                   std::vector<std::string> allowed_values = {})
      : name_(std::move(name)), kind_(kind), value_(std::move(value)),
        allowed_(std::move(allowed_values)) {}

  const std::string& Name() const { return name_; }
  int32_t Kind() const { return kind_; }
  // The allowed values of a kParamChoice parameter, in the order to offer
  // them; empty for other kinds.
  const std::vector<std::string>& AllowedValues() const { return allowed_; }
  const Variant& Value() const { return value_; }
  void SetValue(Variant value) { value_ = std::move(value); }

 private:
  std::string name_;
  int32_t kind_ = kParamText;
  Variant value_;
  std::vector<std::string> allowed_;
};

// The ordered parameter set of a request.
class ParameterSet {
 public:
  ParameterSet() = default;
  explicit ParameterSet(std::vector<RequestParameter> params) : params_(std::move(params)) {}

  int Count() const { return static_cast<int>(params_.size()); }
  // Index 0 .. Count()-1; out of range throws Error 9.
  RequestParameter& Item(int index);
  const RequestParameter& Item(int index) const;
  // Lookup by name without regard to case; nullptr when absent.
  RequestParameter* Find(const std::string& name);
  const RequestParameter* Find(const std::string& name) const;
  bool Exists(const std::string& name) const { return Find(name) != nullptr; }
  std::vector<RequestParameter>::const_iterator begin() const { return params_.begin(); }
  std::vector<RequestParameter>::const_iterator end() const { return params_.end(); }

 private:
  std::vector<RequestParameter> params_;
};

// One field of a series: one value per bar, oldest bar first, or a single
// value. Sources deliver their bars as a column of doubles (`column`, index 0
// the oldest bar; date serials when `dates` is set): 8 bytes a bar where a
// Variant takes 40, since a run holds the results of the rows it reads
// ahead. Anything else is held in `value`, a 1-D array with its own bounds
// or a single value, and `column` is then empty.
struct ResultField {
  ResultField() = default;
  ResultField(std::string field_name, Variant field_value) : name(std::move(field_name)), value(std::move(field_value)) {}
  // A column of numbers, or of date serials when `dates`; NaN stands for a
  // value the source did not send (an empty cell).
  static ResultField Column(std::string name, std::vector<double> column, bool dates = false);

  std::string name;
  Variant value;
  std::vector<double> column;
  bool dates = false;

  // A field of one value per bar: a column, or an array in `value`.
  bool IsList() const { return !column.empty() || value.IsArray(); }
  // The bar indices a list covers: 0 to size - 1 for a column, the array's
  // own bounds otherwise.
  int LBound() const;
  int UBound() const;
  // Bar i of a list (a number, or a date for a column of dates); out of
  // bounds throws Error 9. Not for a single value: read `value`.
  Variant At(int i) const;
};

// One returned series (usually one per ticker): its name and its fields.
struct ResultSeries {
  std::string name;
  std::vector<ResultField> fields;
  // The field with that name (case ignored), nullptr when absent.
  const ResultField* Find(const std::string& field_name) const;
};

// A corporate event that came with the bars: a split (value = new shares per
// old share) or a cash dividend (value = amount per share). Kept for later
// use; the bars themselves are not changed by them.
struct QuoteEvent {
  enum Kind { kSplit, kDividend };
  Kind kind;
  double date;   // date serial, exchange-local
  double value;
};

struct QuoteResult {
  std::vector<ResultSeries> series;
  std::vector<QuoteEvent> events;
  // Bars the source sent without a single value (every field null), left
  // out of the series; for the row's status.
  int bars_left_out = 0;
  // A remark for the row's status: where the bars came from, how old they
  // are; "" for none.
  std::string note;
  // The source failed and the bars are older ones kept from an earlier run.
  bool stale = false;
  bool Empty() const { return series.empty(); }
  // The memory the result holds, in bytes (its values and texts, not the
  // allocator's overhead): what a fetcher counts against its read-ahead.
  size_t Bytes() const;
};

class QuoteRequest;

// Notifications of a request's progress. The system polls State() instead
// and does nothing in them; they arrive on the caller's thread.
class IProgressCallBack {
 public:
  virtual ~IProgressCallBack() = default;
  virtual void Start(QuoteRequest& caller) = 0;
  virtual void Progress(QuoteRequest& caller, int32_t percent, const std::string& status_text) = 0;
  virtual void DataReady(QuoteRequest& caller) = 0;
  virtual void Done(QuoteRequest& caller, int32_t error_number) = 0;
};

// One download. Set parameters, optionally a callback, Start(), then poll
// State() until kStateFinished and read ErrorNumber() / Result().
class QuoteRequest {
 public:
  virtual ~QuoteRequest() = default;
  virtual ParameterSet& Parameters() = 0;
  // Sets the named parameter when the request has it. A name it lacks is
  // accepted and ignored (returns false): callers set "ADJUST VALUES" and
  // "EXCHANGE" for every source.
  bool SetParameter(const std::string& name, Variant value) {
    RequestParameter* p = Parameters().Find(name);
    if (p == nullptr) return false;
    p->SetValue(std::move(value));
    return true;
  }
  // The callback is not owned; pass nullptr to stop notifications. It must
  // outlive the request or be reset before it dies.
  virtual void SetCallback(IProgressCallBack* callback) = 0;
  // Unique within the process.
  virtual uint32_t Id() const = 0;
  // Checks the parameters and queues the work. A bad parameter finishes the
  // request at once with its error record. A second Start is ignored.
  virtual void Start() = 0;
  virtual int32_t State() = 0;
  // 0 while there is no error.
  virtual int32_t ErrorNumber() const = 0;
  virtual std::string ErrorDescription() const = 0;
  // Empty until the request has finished successfully.
  virtual const QuoteResult& Result() const = 0;
  // Stops the work promptly; the request finishes with the cancel error.
  // Harmless on a finished request.
  virtual void Cancel() = 0;
};

// A source of quotes: a name (unique, compared without regard to case), a
// description for the user, capability bits, and requests whose parameter
// set lists what the source understands.
class QuoteSource {
 public:
  virtual ~QuoteSource() = default;
  virtual uint32_t Capabilities() const = 0;
  virtual const std::string& Name() const = 0;
  virtual const std::string& Description() const = 0;
  virtual std::unique_ptr<QuoteRequest> CreateRequest() = 0;
};

// A download the caller is about to make: the source name and the parameter
// values it will set. Handed to QuoteFetcher::Prefetch.
struct PrefetchItem {
  std::string source;
  std::vector<std::pair<std::string, Variant>> parameters;
};

class QuoteFetcher {
 public:
  virtual ~QuoteFetcher() = default;
  virtual int SourceCount() const = 0;
  // Index 0 .. SourceCount()-1, in the component's order; out of range
  // gives nullptr.
  virtual QuoteSource* Source(int index) = 0;
  // Lookup without regard to case; nullptr when there is no such source.
  virtual QuoteSource* FindSource(const std::string& name) = 0;
  // Starts the given downloads in the background, concurrently, as far as
  // the fetcher's read-ahead budget allows (the others wait for room). A
  // request started later with the same source and parameter values takes
  // over the matching download instead of making its own, so results come
  // back in the caller's order and equal those of a sequential run. Items
  // are expected in the order their requests will come: when a request
  // takes one, those handed over before it and not taken are dropped (a
  // request for one of them later downloads again). Items with an unknown
  // source are skipped. Returns at once.
  virtual void Prefetch(const std::vector<PrefetchItem>& items) = 0;
  // Cancels every running request and prefetched download.
  virtual void CancelAll() = 0;
};

// Keyed, enumerable list of requests (the progress window keys them by
// their identifier in hexadecimal). Owns its requests.
class RequestList {
 public:
  // Adds or replaces the request under key.
  void Add(const std::string& key, std::unique_ptr<QuoteRequest> request);
  QuoteRequest* Find(const std::string& key) const;
  bool Exists(const std::string& key) const { return Find(key) != nullptr; }
  bool Remove(const std::string& key);
  int Count() const { return static_cast<int>(items_.size()); }
  // Index 0 .. Count()-1 in insertion order.
  QuoteRequest& Item(int index) const;
  const std::string& Key(int index) const;
  void CancelAll();
  void Clear() { items_.clear(); }

 private:
  std::vector<std::pair<std::string, std::unique_ptr<QuoteRequest>>> items_;
};

// Request identifier in hexadecimal, upper case, no prefix ("1F").
std::string RequestKey(uint32_t id);

}  // namespace plrxl
