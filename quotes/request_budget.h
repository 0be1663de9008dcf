// The request budget of a run: what each web source may still be asked,
// per source and API key, across runs and processes (the ledger in the
// quote store's file), and what its answers taught.
//
// Before every request a source asks Admit(): it waits for the source's
// rate (the token bucket on the monotonic clock) and for short closings,
// books the request in the ledger before it is sent (a killed run never
// lets the next one exceed the budget), or says the row is deferred:
// "deferred: TIINGO 1000/day used, resets 00:00 UTC". Windows are the UTC
// hour, day and month, and the distinct symbols of the month. Waits of up
// to a minute are always taken; longer ones up to `max_wait_ms`.
//
// Throttled answers close a window: a Retry-After until then, words that
// name a period ("per day", "daily hits limit") until it ends. Without
// either the source's rate halves (the learned rate, kept in the ledger)
// and creeps back with every plain answer. After kPauseAfter throttled
// answers in a row the source is paused for the rest of the run (the
// budget's life).
//
// A symbol a source had no data for is not asked for again for a day,
// unless `recheck`. Thread-safe: one mutex around the ledger.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "quotes/budget_clock.h"
#include "quotes/budget_limits.h"

namespace plrxl {

class BudgetLedger;
struct QuoteSettings;

struct BudgetSetup {
  std::map<std::string, BudgetLimits> limits;  // by source name, upper case
  std::map<std::string, std::string> keys;     // the API key of each source ("" for none)
  int64_t max_wait_ms = 0;
  bool recheck = false;
  std::shared_ptr<BudgetClock> clock;          // the system's when null
};

// The limits of the web sources of `settings`: the published ones for a
// source that asks its provider's own address, then the settings' Budget
// key, then each of `overrides` (the command line's --budget texts). False
// with `error` set on a bad text.
bool BudgetLimitsFor(const QuoteSettings& settings, const std::vector<std::string>& overrides,
                     std::map<std::string, BudgetLimits>* limits, std::string* error);
// The API key each web source uses.
std::map<std::string, std::string> BudgetKeysOf(const QuoteSettings& settings);

class RequestBudget {
 public:
  static constexpr int kPauseAfter = 5;
  static constexpr int64_t kShortWaitMs = 60000;
  static constexpr int64_t kEmptyForMs = 24 * 3600 * 1000LL;

  // The ledger in the store file at `path`, or in memory for "" (then it
  // counts this run alone). A ledger that cannot be opened in the file is
  // kept in memory, with a warning.
  static std::shared_ptr<RequestBudget> Open(const std::string& path, bool read_only, BudgetSetup setup,
                                             std::vector<std::string>* warnings);
  ~RequestBudget();

  enum class Verdict { kGo, kDeferred, kCancelled };
  struct Admission {
    Verdict verdict = Verdict::kGo;
    std::string text;  // "deferred: ..." for kDeferred
  };
  // May `source` be sent a request for `symbol` now? Waits as the header
  // says; `stop` ends a wait (kCancelled).
  Admission Admit(const std::string& source, const std::string& symbol, const std::function<bool()>& stop);
  // A throttled answer: its Retry-After header ("" when none) and the
  // provider's words ("" for a bare HTTP 429).
  void Throttled(const std::string& source, const std::string& retry_after, const std::string& words);
  // A plain answer (data or an error of the provider's own).
  void Answered(const std::string& source);
  // The failure's words when `source` said it had no data for `symbol`
  // within the last day (and no recheck was asked).
  std::optional<std::string> KnownEmpty(const std::string& source, const std::string& symbol);
  void RememberEmpty(const std::string& source, const std::string& symbol);

  // What `pelorinxl budget` shows of one source.
  struct Window {
    std::string name;  // "hour", "day", "month", "symbols/month"
    int64_t used = 0, allowed = 0;
    int64_t resets_utc_ms = 0;
  };
  struct SourceReport {
    std::string source, key_hash;
    bool has_key = false;
    BudgetLimits limits;
    std::vector<Window> windows;
    double learned_rate = 0;
    int64_t closed_until_utc_ms = 0;
    std::string closed_why;
    int64_t requests_today = 0;
  };
  // The sources with limits or anything in the ledger, in catalogue order.
  std::vector<SourceReport> Report();
  // When `requests` more requests of `source` could all have been sent:
  // how many go at once, and the time the last one can go (UTC ms).
  struct Estimate {
    int64_t at_once = 0;
    int64_t last_utc_ms = 0;
  };
  Estimate EstimateFor(const std::string& source, int64_t requests);

  // "21:00 UTC" within a day from now, else "2027-01-01 00:00 UTC".
  std::string WhenText(int64_t utc_ms);
  BudgetClock& Clock() { return *setup_.clock; }
  bool InMemory() const;
  // Warnings since the last call (a ledger that failed and went to memory).
  std::vector<std::string> TakeWarnings();

 private:
  RequestBudget(std::unique_ptr<BudgetLedger> ledger, BudgetSetup setup);
  struct Decision;
  Decision Decide(const std::string& source, const std::string& symbol);
  BudgetLimits LimitsOf(const std::string& source) const;
  std::string KeyHash(const std::string& source) const;
  // Requests a second this process sent `source` lately.
  double RecentRate(const std::string& source);
  // Runs `body` on the ledger; a failed ledger is swapped for one in
  // memory (mutex_ held).
  template <typename Body>
  auto OnLedger(Body body);

  std::mutex mutex_;
  std::unique_ptr<BudgetLedger> ledger_;
  BudgetSetup setup_;
  std::map<std::string, int> throttled_in_a_row_;
  std::set<std::string> paused_;
  std::map<std::string, std::vector<int64_t>> recent_;  // monotonic times of recent admissions
  std::vector<std::string> warnings_;
};

}  // namespace plrxl
