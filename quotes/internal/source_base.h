// What every source shares: the parameters a request was started with, the
// context a fetch runs in, the outcome it returns, and the base class that
// turns a fetch into a QuoteRequest running on the fetcher's workers.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/quote_fetcher.h"
#include "quotes/internal/bars.h"
#include "quotes/internal/http_engine.h"
#include "quotes/internal/http_fetch.h"
#include "quotes/quote_settings.h"

namespace plrxl::quotes {

class FetcherCore;

// The checked values of a request's parameters. Parameters a source does not
// have keep their defaults here.
struct RequestInputs {
  std::string ticker;
  double start = 0, end = 0;  // whole-day serials, start <= end
  Periodicity periodicity = Periodicity::kDaily;
  bool adjust = false;
  std::string exchange;
  std::string service, topic, item, period, type;
};

// What a source delivered before it is shaped for the request: its daily
// bars as they came, their events, and the inputs to shape them by (the
// request's, or what the source made of them).
struct Delivery {
  Bars bars;
  std::vector<QuoteEvent> events;
  int bars_left_out = 0;
  RequestInputs inputs;
};

// A fetch's outcome. A source's Fetch returns a failure or a delivery;
// Shape() turns the delivery into the result the request hands out.
struct Outcome {
  int32_t error = 0;
  std::string description;
  QuoteResult result;
  std::optional<Delivery> delivered;
  static Outcome Failure(int32_t number, const std::string& particulars);
};

// Filters the delivery to its inputs' range, adjusts, aggregates and packs
// it into `result`; no bar in range is kQuoteNoData. An outcome without a
// delivery comes back as it is.
Outcome Shape(Outcome outcome);

// Handed to a fetch on its worker thread.
struct FetchContext {
  const QuoteSettings& settings;
  std::function<HttpEngine&()> http;  // made on first use
  const CancelFlag& cancel;
  HttpPolicy policy;
};

// The shared state of one running download. A request owns it; a prefetched
// download is owned by the fetcher until a request takes it over.
class Job {
 public:
  enum EventKind { kStarted, kProgress, kDataReady, kDone };
  struct Event {
    EventKind kind;
    int32_t value;
    std::string text;
  };

  CancelFlag cancel;
  int32_t State() const { return state_.load(); }
  void SetRunning();
  // Ends the job with `outcome` unless it has ended already.
  void Finish(Outcome outcome);
  bool Finished() const { return State() == kStateFinished; }
  // Takes the notifications queued since the last call.
  std::vector<Event> TakeEvents();
  // Valid once Finished().
  const Outcome& Result() const { return outcome_; }

 private:
  std::atomic<int32_t> state_{kStateQueued};
  std::mutex mutex_;
  std::vector<Event> events_;
  Outcome outcome_;
};

// Base of every source. The parameter template lists what the source
// understands, in the order the row editor shows it; Fetch runs on a worker
// thread and must be safe to run for many requests at once.
class SourceBase : public QuoteSource {
 public:
  SourceBase(FetcherCore* core, std::string name, std::string description, uint32_t capabilities);
  uint32_t Capabilities() const override { return capabilities_; }
  const std::string& Name() const override { return name_; }
  const std::string& Description() const override { return description_; }
  std::unique_ptr<QuoteRequest> CreateRequest() override;

  // A fresh parameter set with today's default dates.
  ParameterSet NewParameters() const;
  // Checks the parameter values; false with the error text on a bad one.
  virtual bool ReadInputs(const ParameterSet& params, RequestInputs* inputs, std::string* error) const;
  virtual Outcome Fetch(const RequestInputs& inputs, FetchContext& context) = 0;
  // True for the sources whose downloads the quote store keeps: those that
  // ask a server. Local files and the synthetic source are not kept.
  virtual bool Stored() const { return false; }

 protected:
  // The extra parameters after the common four ("TICKER", "STARTDATE",
  // "ENDDATE", "PERIODICITY").
  virtual std::vector<RequestParameter> ExtraParameters() const { return {}; }
  // The delivery of bars (Shape() makes the result of them).
  // `bars_left_out` counts the bars the answer had without any value.
  static Outcome Finish(Bars bars, const RequestInputs& inputs, std::vector<QuoteEvent> events = {},
                        int bars_left_out = 0);
  const QuoteSettings& Settings() const;

 private:
  FetcherCore* core_;
  std::string name_, description_;
  uint32_t capabilities_;
};

// The key under which a prefetched download waits: source and every value.
std::string PrefetchKey(const std::string& source_name, const ParameterSet& params);

}  // namespace plrxl::quotes
