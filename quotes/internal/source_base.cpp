#include "quotes/internal/source_base.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "quotes/internal/csv_quotes.h"
#include "quotes/internal/fetcher_core.h"
#include "quotes/quote_errors.h"

namespace plrxl::quotes {
namespace {

// A QuoteRequest over a Job. Start() reads the parameters on the caller's
// thread, so a bad value fails at once; the fetch runs on a worker.
class Request : public QuoteRequest {
 public:
  Request(std::shared_ptr<FetcherCore> core, SourceBase* source)
      : core_(std::move(core)), source_(source), params_(source->NewParameters()), id_(core_->NextId()) {}

  ~Request() override {
    if (job_ && !job_->Finished()) Cancel();
  }

  ParameterSet& Parameters() override { return params_; }
  void SetCallback(IProgressCallBack* callback) override { callback_ = callback; }
  uint32_t Id() const override { return id_; }

  void Start() override {
    if (job_) return;
    RequestInputs inputs;
    std::string error;
    if (!source_->ReadInputs(params_, &inputs, &error)) {
      job_ = std::make_shared<Job>();
      job_->Finish(Outcome::Failure(kQuoteBadParameter, error));
      return;
    }
    job_ = core_->TakePrefetched(PrefetchKey(source_->Name(), params_));
    if (!job_) {
      job_ = std::make_shared<Job>();
      core_->Run(source_, inputs, job_);
    }
  }

  int32_t State() override {
    if (!job_) return kStateCreated;
    const int32_t state = job_->State();
    for (const auto& e : job_->TakeEvents()) {
      if (callback_ == nullptr) continue;
      switch (e.kind) {
        case Job::kStarted: callback_->Start(*this); break;
        case Job::kProgress: callback_->Progress(*this, e.value, e.text); break;
        case Job::kDataReady: callback_->DataReady(*this); break;
        case Job::kDone: callback_->Done(*this, e.value); break;
      }
    }
    return state;
  }

  int32_t ErrorNumber() const override {
    return job_ && job_->Finished() ? job_->Result().error : 0;
  }
  std::string ErrorDescription() const override {
    return job_ && job_->Finished() ? job_->Result().description : "";
  }
  const QuoteResult& Result() const override {
    static const QuoteResult kEmpty;
    if (job_ && job_->Finished() && job_->Result().error == 0) return job_->Result().result;
    return kEmpty;
  }

  void Cancel() override {
    if (!job_) job_ = std::make_shared<Job>();
    job_->cancel.cancelled = true;
    job_->Finish(Outcome::Failure(kQuoteCancelled, ""));
  }

 private:
  std::shared_ptr<FetcherCore> core_;
  SourceBase* source_;
  ParameterSet params_;
  IProgressCallBack* callback_ = nullptr;
  uint32_t id_;
  std::shared_ptr<Job> job_;
};

std::string Trimmed(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

std::string NumberText(double x) {
  char buf[64];
  if (std::floor(x) == x && std::fabs(x) < 1e15) {
    std::snprintf(buf, sizeof buf, "%.0f", x);
  } else {
    std::snprintf(buf, sizeof buf, "%.15g", x);
  }
  return buf;
}

// Text of a scalar parameter value; false for arrays, objects and errors.
bool TextOf(const Variant& v, std::string* out) {
  switch (v.Type()) {
    case VarType::kEmpty: *out = ""; return true;
    case VarType::kText: *out = Trimmed(v.Text()); return true;
    case VarType::kNumber: *out = NumberText(v.Number()); return true;
    case VarType::kBoolean: *out = v.Boolean() ? "True" : "False"; return true;
    default: return false;
  }
}

bool DateOf(const Variant& v, const std::string& short_date, double* out) {
  if (v.IsNumeric()) {
    const double d = v.DateSerial();
    if (!std::isfinite(d) || d < -657434 || d > 2958465) return false;
    *out = std::floor(d);
    return true;
  }
  if (v.IsText()) return ParseQuoteDate(v.Text(), short_date, out);
  return false;
}

bool BooleanOf(const Variant& v, bool* out) {
  if (v.IsBoolean()) {
    *out = v.Boolean();
    return true;
  }
  if (v.IsNumber()) {
    *out = v.Number() != 0;
    return true;
  }
  if (v.IsEmpty()) {
    *out = false;
    return true;
  }
  if (v.IsText()) {
    std::string t = Trimmed(v.Text());
    for (auto& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (t == "TRUE" || t == "1" || t == "YES" || t == "ADJUST VALUES") { *out = true; return true; }
    if (t == "FALSE" || t == "0" || t == "NO" || t.empty() || t == "NO ADJUST VALUES") { *out = false; return true; }
  }
  return false;
}

}  // namespace

Outcome Outcome::Failure(int32_t number, const std::string& particulars) {
  Outcome o;
  o.error = number;
  const std::string standard = QuoteErrorText(number);
  if (particulars.empty()) {
    o.description = standard;
  } else if (particulars.rfind(standard, 0) == 0) {
    o.description = particulars;  // already worded by the HTTP layer
  } else {
    o.description = standard + ": " + particulars;
  }
  return o;
}

void Job::SetRunning() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_.load() == kStateFinished) return;
  state_ = kStateRunning;
  events_.push_back({kStarted, 0, ""});
}

void Job::Finish(Outcome outcome) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_.load() == kStateFinished) return;
  outcome_ = std::move(outcome);
  if (outcome_.error == 0) {
    events_.push_back({kProgress, 100, ""});
    events_.push_back({kDataReady, 0, ""});
  }
  events_.push_back({kDone, outcome_.error, ""});
  state_ = kStateFinished;  // last, so a reader that sees it also sees the outcome
}

std::vector<Job::Event> Job::TakeEvents() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Event> out;
  out.swap(events_);
  return out;
}

SourceBase::SourceBase(FetcherCore* core, std::string name, std::string description,
                       uint32_t capabilities)
    : core_(core), name_(std::move(name)), description_(std::move(description)),
      capabilities_(capabilities) {}

std::unique_ptr<QuoteRequest> SourceBase::CreateRequest() {
  return std::make_unique<Request>(core_->shared_from_this(), this);
}

const QuoteSettings& SourceBase::Settings() const { return core_->Settings(); }

ParameterSet SourceBase::NewParameters() const {
  const double today = core_->Today();
  std::vector<RequestParameter> params = {
      {"TICKER", kParamText, Variant("")},
      {"STARTDATE", kParamDate, Variant::Date(today - 365)},
      {"ENDDATE", kParamDate, Variant::Date(today)},
      {"PERIODICITY", kParamText, Variant("DAILY")},
  };
  for (auto& p : ExtraParameters()) params.push_back(std::move(p));
  return ParameterSet(std::move(params));
}

bool SourceBase::ReadInputs(const ParameterSet& params, RequestInputs* in, std::string* error) const {
  const std::string& short_date = Settings().regional.short_date;
  auto value = [&](const char* name) -> const Variant* {
    const RequestParameter* p = params.Find(name);
    return p != nullptr ? &p->Value() : nullptr;
  };
  auto text = [&](const char* name, std::string* out) {
    const Variant* v = value(name);
    if (v == nullptr) return true;
    if (TextOf(*v, out)) return true;
    *error = std::string(name) + " must be a text";
    return false;
  };
  if (!text("TICKER", &in->ticker)) return false;
  if (in->ticker.empty() && value("ITEM") == nullptr) {
    *error = "TICKER is empty";
    return false;
  }
  if (!DateOf(*value("STARTDATE"), short_date, &in->start)) {
    *error = "STARTDATE is not a date";
    return false;
  }
  if (!DateOf(*value("ENDDATE"), short_date, &in->end)) {
    *error = "ENDDATE is not a date";
    return false;
  }
  if (in->start > in->end) {
    *error = "STARTDATE is after ENDDATE";
    return false;
  }
  std::string periodicity;
  if (!text("PERIODICITY", &periodicity)) return false;
  const auto parsed = ParsePeriodicity(periodicity);
  if (!parsed) {
    *error = "PERIODICITY \"" + periodicity + "\" is not DAILY, WEEKLY or MONTHLY";
    return false;
  }
  in->periodicity = *parsed;
  if (const Variant* v = value("ADJUST VALUES"); v != nullptr && !BooleanOf(*v, &in->adjust)) {
    *error = "ADJUST VALUES must be True or False";
    return false;
  }
  return text("EXCHANGE", &in->exchange) && text("SERVICE", &in->service) &&
         text("TOPIC", &in->topic) && text("ITEM", &in->item) && text("PERIOD", &in->period) &&
         text("TYPE", &in->type);
}

Outcome SourceBase::Finish(Bars bars, const RequestInputs& in, std::vector<QuoteEvent> events, int bars_left_out) {
  Outcome o;
  o.delivered = Delivery{std::move(bars), std::move(events), bars_left_out, in};
  return o;
}

Outcome Shape(Outcome outcome) {
  if (outcome.error != 0 || !outcome.delivered) return outcome;
  Delivery d = std::move(*outcome.delivered);
  outcome.delivered.reset();
  const RequestInputs& in = d.inputs;
  SortAndFilter(&d.bars, in.start, in.end);
  if (d.bars.empty()) {
    return Outcome::Failure(kQuoteNoData, "no bars for " + in.ticker + " in the requested range" +
                                              (d.bars_left_out > 0 ? " (" + std::to_string(d.bars_left_out) +
                                                                         " bars without values left out)"
                                                                   : ""));
  }
  if (in.adjust) ApplyAdjustment(&d.bars);
  outcome.result = BarsToResult(in.ticker, Aggregate(std::move(d.bars), in.periodicity));
  std::erase_if(d.events, [&](const QuoteEvent& e) { return e.date < in.start || e.date > in.end; });
  outcome.result.events = std::move(d.events);
  outcome.result.bars_left_out = d.bars_left_out;
  return outcome;
}

std::string PrefetchKey(const std::string& source_name, const ParameterSet& params) {
  std::string key;
  for (char c : source_name) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& p : params) {
    key += '\x1f';
    for (char c : p.Name()) key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    key += '=';
    const Variant& v = p.Value();
    // A date and the same serial as a number are the same value here.
    std::string text;
    if (v.IsNumeric()) {
      text = "n:" + NumberText(v.DateSerial());
    } else if (TextOf(v, &text)) {
      text = std::to_string(static_cast<int>(v.Type())) + ":" + text;
    } else {
      text = "?";
    }
    key += text;
  }
  return key;
}

}  // namespace plrxl::quotes
