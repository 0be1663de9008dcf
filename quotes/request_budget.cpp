#include "quotes/request_budget.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "quotes/quote_settings.h"
#include "quotes/store/budget_ledger.h"

namespace plrxl {
namespace {

constexpr int64_t kHourMs = 3600 * 1000LL;
constexpr int64_t kDayMs = 24 * kHourMs;
// Requests older than this count in no window any more.
constexpr int64_t kKeepMs = 40 * kDayMs;
// The slowest a learned rate gets, and (for a source without a rate of its
// own) how fast it may creep back before it is forgotten.
constexpr double kSlowestRate = 1.0 / 60;
constexpr double kCreepCeiling = 20;

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

void CivilOf(int64_t utc_ms, int* y, int* m, int* d, int* hh, int* mm) {
  const int64_t days = FloorDiv(utc_ms, kDayMs);
  const int64_t in_day = utc_ms - days * kDayMs;
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
  *hh = static_cast<int>(in_day / kHourMs);
  *mm = static_cast<int>(in_day % kHourMs / 60000);
}

int64_t UtcMsOf(int y, int m, int d) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT00:00Z", y, m, d);
  return ParseUtcMs(text);
}

enum class Period { kHour, kDay, kMonth };

// The start of the UTC hour, day or month `utc_ms` lies in, and the next one's.
std::pair<int64_t, int64_t> WindowOf(Period period, int64_t utc_ms) {
  switch (period) {
    case Period::kHour: {
      const int64_t start = FloorDiv(utc_ms, kHourMs) * kHourMs;
      return {start, start + kHourMs};
    }
    case Period::kDay: {
      const int64_t start = FloorDiv(utc_ms, kDayMs) * kDayMs;
      return {start, start + kDayMs};
    }
    case Period::kMonth: break;
  }
  int y, m, d, hh, mm;
  CivilOf(utc_ms, &y, &m, &d, &hh, &mm);
  return {UtcMsOf(y, m, 1), m == 12 ? UtcMsOf(y + 1, 1, 1) : UtcMsOf(y, m + 1, 1)};
}

const char* PeriodName(Period p) { return p == Period::kHour ? "hour" : p == Period::kDay ? "day" : "month"; }

int64_t LimitOf(const BudgetLimits& limits, Period p) {
  return p == Period::kHour ? limits.per_hour : p == Period::kDay ? limits.per_day : limits.per_month;
}

constexpr Period kPeriods[] = {Period::kHour, Period::kDay, Period::kMonth};

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The end of the period a throttled answer's words name ("per day",
// "daily hits limit"), the shortest when they name several; 0 for none.
int64_t ClosedByWords(const std::string& words, int64_t now) {
  const std::string w = Lower(words);
  auto says = [&](std::initializer_list<const char*> parts) {
    return std::any_of(parts.begin(), parts.end(), [&](const char* p) { return w.find(p) != std::string::npos; });
  };
  if (says({"per second", "per minute", "a minute", "/min"})) return now + 60000;
  if (says({"per hour", "hourly", "an hour"})) return WindowOf(Period::kHour, now).second;
  if (says({"per day", "daily", "a day"})) return WindowOf(Period::kDay, now).second;
  if (says({"per month", "monthly", "a month"})) return WindowOf(Period::kMonth, now).second;
  return 0;
}

// The end a Retry-After names: seconds, or an HTTP date; 0 when neither.
int64_t ClosedByRetryAfter(const std::string& value, int64_t now) {
  if (!value.empty() && std::all_of(value.begin(), value.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
    if (value.size() > 9) return now + 400 * kDayMs;
    return now + std::stoll(value) * 1000;
  }
  std::tm tm{};
  const char* end = strptime(value.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &tm);
  if (end == nullptr || *end != '\0') return 0;
  return static_cast<int64_t>(timegm(&tm)) * 1000;
}

std::string Hex64(const std::string& text) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash));
  return buf;
}

}  // namespace

struct RequestBudget::Decision {
  bool go = false;
  int64_t wait_ms = 0;
  bool window = false;  // a window or closing, not the rate
  std::string why;
};

bool BudgetLimitsFor(const QuoteSettings& settings, const std::vector<std::string>& overrides,
                     std::map<std::string, BudgetLimits>* limits, std::string* error) {
  const QuoteSettings defaults;
  const std::map<std::string, bool> at_home = {
      {"YAHOOHIST", settings.yahoo_base_url == defaults.yahoo_base_url},
      {"STOOQ", settings.stooq_base_url == defaults.stooq_base_url},
      {"TIINGO", settings.tiingo_base_url == defaults.tiingo_base_url},
      {"ALPHAVANTAGE", settings.alpha_vantage_base_url == defaults.alpha_vantage_base_url},
  };
  std::map<std::string, BudgetLimits> read;
  for (const PublishedLimits& p : kPublishedLimits) {
    auto home = at_home.find(p.source);
    if (home == at_home.end() || !home->second) continue;
    std::string ignored;
    if (auto parsed = ParseBudgetLimits(p.limits, &ignored)) read[p.source] = *parsed;
  }
  if (!settings.budget_setting.empty() && !ParseBudgetText(settings.budget_setting, &read, error)) {
    *error = "key Budget of section [Sources] of " + settings.settings_file + ": " + *error;
    return false;
  }
  for (const std::string& text : overrides) {
    if (!ParseBudgetText(text, &read, error)) {
      *error = "--budget: " + *error;
      return false;
    }
  }
  *limits = std::move(read);
  return true;
}

std::map<std::string, std::string> BudgetKeysOf(const QuoteSettings& settings) {
  return {{"YAHOOHIST", ""},
          {"STOOQ", settings.stooq_key},
          {"TIINGO", settings.tiingo_key},
          {"ALPHAVANTAGE", settings.alpha_vantage_key}};
}

std::shared_ptr<RequestBudget> RequestBudget::Open(const std::string& path, bool read_only, BudgetSetup setup,
                                                   std::vector<std::string>* warnings) {
  if (!setup.clock) setup.clock = SystemBudgetClock();
  std::unique_ptr<BudgetLedger> ledger;
  try {
    ledger = std::make_unique<BudgetLedger>(path, read_only);
    if (!ledger->ReadOnly()) {
      const int64_t now = setup.clock->UtcMs();
      ledger->Transaction([&] {
        ledger->Prune(now - kKeepMs, now);
        return true;
      });
    }
  } catch (const quotes::SqliteError& e) {
    if (warnings != nullptr) {
      warnings->push_back("request ledger in " + path + ": " + e.what() +
                          "; this run counts its requests in memory only");
    }
    ledger = std::make_unique<BudgetLedger>("", false);
  }
  return std::shared_ptr<RequestBudget>(new RequestBudget(std::move(ledger), std::move(setup)));
}

RequestBudget::RequestBudget(std::unique_ptr<BudgetLedger> ledger, BudgetSetup setup)
    : ledger_(std::move(ledger)), setup_(std::move(setup)) {}

RequestBudget::~RequestBudget() = default;

bool RequestBudget::InMemory() const { return ledger_->InMemory(); }

template <typename Body>
auto RequestBudget::OnLedger(Body body) {
  try {
    return body();
  } catch (const quotes::SqliteError& e) {
    warnings_.push_back(std::string("request ledger: ") + e.what() + "; the rest of this run counts in memory only");
    ledger_ = std::make_unique<BudgetLedger>("", false);
    return body();
  }
}

BudgetLimits RequestBudget::LimitsOf(const std::string& source) const {
  auto it = setup_.limits.find(source);
  return it == setup_.limits.end() ? BudgetLimits() : it->second;
}

std::string RequestBudget::KeyHash(const std::string& source) const {
  auto it = setup_.keys.find(source);
  return Hex64(it == setup_.keys.end() ? "" : it->second);
}

double RequestBudget::RecentRate(const std::string& source) {
  std::vector<int64_t>& times = recent_[source];
  const int64_t now = setup_.clock->MonotonicMs();
  std::erase_if(times, [&](int64_t t) { return t < now - 10000; });
  return static_cast<double>(times.size()) / 10.0;
}

RequestBudget::Decision RequestBudget::Decide(const std::string& source, const std::string& symbol) {
  const BudgetLimits limits = LimitsOf(source);
  const std::string key = KeyHash(source);
  BudgetLedger& ledger = *ledger_;
  const int64_t now = setup_.clock->UtcMs();
  const int64_t mono = setup_.clock->MonotonicMs();
  LedgerState state = ledger.State(source, key);
  Decision d;
  if (state.closed_until_utc_ms > now) {
    d.wait_ms = state.closed_until_utc_ms - now;
    d.window = true;
    d.why = state.closed_why;
    return d;
  }
  // The window that reopens last binds.
  auto full = [&](int64_t resets, std::string why) {
    if (resets - now > d.wait_ms) {
      d.wait_ms = resets - now;
      d.window = true;
      d.why = std::move(why);
    }
  };
  for (Period p : kPeriods) {
    const int64_t allowed = LimitOf(limits, p);
    if (allowed <= 0) continue;
    const auto [start, end] = WindowOf(p, now);
    if (ledger.CountSince(source, key, start) >= allowed) {
      full(end, source + " " + std::to_string(allowed) + "/" + PeriodName(p) + " used");
    }
  }
  if (limits.symbols_per_month > 0) {
    const auto [start, end] = WindowOf(Period::kMonth, now);
    if (!ledger.AskedSince(source, key, symbol, start) &&
        ledger.SymbolsSince(source, key, start) >= limits.symbols_per_month) {
      full(end, source + " " + std::to_string(limits.symbols_per_month) + " symbols/month used");
    }
  }
  if (d.window) return d;
  double rate = limits.rate_per_s;
  double burst = limits.burst;
  if (state.learned_rate > 0 && (rate <= 0 || state.learned_rate < rate)) {
    rate = state.learned_rate;
    burst = 1;
  }
  if (rate > 0) {
    double tokens = state.tokens;
    // A clock behind the booked time is a new boot: the bucket starts full.
    if (tokens < 0 || mono < state.tokens_mono_ms) {
      tokens = burst;
    } else {
      tokens = std::min(burst, tokens + static_cast<double>(mono - state.tokens_mono_ms) / 1000.0 * rate);
    }
    if (tokens < 1) {
      d.wait_ms = std::max<int64_t>(1, static_cast<int64_t>(std::ceil((1 - tokens) / rate * 1000)));
      return d;
    }
    state.tokens = tokens - 1;
    state.tokens_mono_ms = mono;
    ledger.SaveState(source, key, state);
  }
  ledger.Record(source, key, symbol, now);
  d.go = true;
  return d;
}

RequestBudget::Admission RequestBudget::Admit(const std::string& source, const std::string& symbol,
                                              const std::function<bool()>& stop) {
  for (;;) {
    if (stop && stop()) return {Verdict::kCancelled, ""};
    Decision d;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (paused_.count(source) != 0) {
        return {Verdict::kDeferred, "deferred: " + source + " paused for the rest of this run after " +
                                        std::to_string(kPauseAfter) + " throttled answers in a row"};
      }
      d = OnLedger([&] {
        // A source without limits books nothing, unless a throttled answer
        // taught it a rate or closed it.
        if (!LimitsOf(source).Any()) {
          const LedgerState state = ledger_->State(source, KeyHash(source));
          if (state.learned_rate <= 0 && state.closed_until_utc_ms <= setup_.clock->UtcMs()) {
            Decision free;
            free.go = true;
            return free;
          }
        }
        return ledger_->Transaction([&] { return Decide(source, symbol); });
      });
      if (d.go) {
        recent_[source].push_back(setup_.clock->MonotonicMs());
        return {Verdict::kGo, ""};
      }
    }
    if (d.window && d.wait_ms > std::max(kShortWaitMs, setup_.max_wait_ms)) {
      return {Verdict::kDeferred, "deferred: " + d.why + ", resets " + WhenText(setup_.clock->UtcMs() + d.wait_ms)};
    }
    setup_.clock->Sleep(d.wait_ms, stop);
  }
}

void RequestBudget::Throttled(const std::string& source, const std::string& retry_after, const std::string& words) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (++throttled_in_a_row_[source] >= kPauseAfter) paused_.insert(source);
  const double recent = RecentRate(source);
  OnLedger([&] {
    return ledger_->Transaction([&] {
      const std::string key = KeyHash(source);
      const int64_t now = setup_.clock->UtcMs();
      LedgerState state = ledger_->State(source, key);
      int64_t until = 0;
      std::string why;
      if (!retry_after.empty() && (until = ClosedByRetryAfter(retry_after, now)) > 0) {
        why = source + " asked to wait (HTTP 429, Retry-After " + retry_after + ")";
      } else if (!words.empty() && (until = ClosedByWords(words, now)) > 0) {
        why = source + " answered \"" + words.substr(0, 120) + "\"";
      }
      if (until > now) {
        if (until > state.closed_until_utc_ms) {
          state.closed_until_utc_ms = until;
          state.closed_why = why;
        }
      } else {
        // No word of when: ask at half the pace.
        const BudgetLimits limits = LimitsOf(source);
        double pace = state.learned_rate > 0 ? state.learned_rate : limits.rate_per_s > 0 ? limits.rate_per_s : recent;
        if (pace <= 0) pace = 1;
        state.learned_rate = std::max(kSlowestRate, pace / 2);
        state.tokens = 0;
        state.tokens_mono_ms = setup_.clock->MonotonicMs();
      }
      ledger_->SaveState(source, key, state);
      return true;
    });
  });
}

void RequestBudget::Answered(const std::string& source) {
  std::lock_guard<std::mutex> lock(mutex_);
  throttled_in_a_row_[source] = 0;
  OnLedger([&] {
    const std::string key = KeyHash(source);
    if (ledger_->ReadOnly() || ledger_->State(source, key).learned_rate <= 0) return false;
    return ledger_->Transaction([&] {
      LedgerState state = ledger_->State(source, key);
      if (state.learned_rate <= 0) return false;
      // Back up a tenth at a time; at the source's own rate it is forgotten.
      const double ceiling = LimitsOf(source).rate_per_s > 0 ? LimitsOf(source).rate_per_s : kCreepCeiling;
      state.learned_rate *= 1.1;
      if (state.learned_rate >= ceiling) state.learned_rate = 0;
      ledger_->SaveState(source, key, state);
      return true;
    });
  });
}

std::optional<std::string> RequestBudget::KnownEmpty(const std::string& source, const std::string& symbol) {
  if (setup_.recheck) return std::nullopt;
  std::lock_guard<std::mutex> lock(mutex_);
  const int64_t now = setup_.clock->UtcMs();
  const std::optional<int64_t> until = OnLedger([&] { return ledger_->EmptyUntil(source, symbol, now); });
  if (!until) return std::nullopt;
  return symbol + ": " + source + " had no data for it lately; not asked again before " + WhenText(*until) +
         " (--recheck asks now)";
}

void RequestBudget::RememberEmpty(const std::string& source, const std::string& symbol) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int64_t until = setup_.clock->UtcMs() + kEmptyForMs;
  OnLedger([&] {
    if (ledger_->ReadOnly()) return false;
    return ledger_->Transaction([&] {
      ledger_->RememberEmpty(source, symbol, until);
      return true;
    });
  });
}

std::vector<RequestBudget::SourceReport> RequestBudget::Report() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> sources;
  for (const PublishedLimits& p : kPublishedLimits) sources.push_back(p.source);
  for (const auto& [source, limits] : setup_.limits) {
    if (std::find(sources.begin(), sources.end(), source) == sources.end()) sources.push_back(source);
  }
  const int64_t now = setup_.clock->UtcMs();
  std::vector<SourceReport> reports;
  OnLedger([&] {
    const std::vector<std::pair<std::string, std::string>> keys = ledger_->Keys();
    for (const std::string& source : sources) {
      SourceReport r;
      r.source = source;
      r.key_hash = KeyHash(source);
      r.has_key = setup_.keys.count(source) != 0 && !setup_.keys.at(source).empty();
      r.limits = LimitsOf(source);
      const bool booked = std::find(keys.begin(), keys.end(), std::make_pair(source, r.key_hash)) != keys.end();
      if (!r.limits.Any() && !booked) continue;
      for (Period p : kPeriods) {
        const auto [start, end] = WindowOf(p, now);
        const int64_t used = ledger_->CountSince(source, r.key_hash, start);
        if (LimitOf(r.limits, p) > 0 || (p == Period::kDay && used > 0)) {
          r.windows.push_back({PeriodName(p), used, LimitOf(r.limits, p), end});
        }
      }
      if (r.limits.symbols_per_month > 0) {
        const auto [start, end] = WindowOf(Period::kMonth, now);
        r.windows.push_back(
            {"symbols/month", ledger_->SymbolsSince(source, r.key_hash, start), r.limits.symbols_per_month, end});
      }
      const LedgerState state = ledger_->State(source, r.key_hash);
      r.learned_rate = state.learned_rate;
      if (state.closed_until_utc_ms > now) {
        r.closed_until_utc_ms = state.closed_until_utc_ms;
        r.closed_why = state.closed_why;
      }
      reports.push_back(std::move(r));
    }
    return true;
  });
  return reports;
}

RequestBudget::Estimate RequestBudget::EstimateFor(const std::string& source, int64_t requests) {
  std::lock_guard<std::mutex> lock(mutex_);
  const BudgetLimits limits = LimitsOf(source);
  const std::string key = KeyHash(source);
  const int64_t now = setup_.clock->UtcMs();
  Estimate estimate;
  estimate.last_utc_ms = now;
  if (requests <= 0) return estimate;
  LedgerState state = OnLedger([&] { return ledger_->State(source, key); });
  double rate = limits.rate_per_s;
  if (state.learned_rate > 0 && (rate <= 0 || state.learned_rate < rate)) rate = state.learned_rate;
  struct Counter {
    Period period;
    int64_t allowed, used, end;
  };
  std::vector<Counter> counters;
  for (Period p : kPeriods) {
    if (LimitOf(limits, p) <= 0) continue;
    // Not a structured binding: clang 14 (the fuzz build) lets no lambda capture one.
    const std::pair<int64_t, int64_t> window = WindowOf(p, now);
    const int64_t start = window.first;
    counters.push_back({p, LimitOf(limits, p), OnLedger([&] { return ledger_->CountSince(source, key, start); }), window.second});
  }
  // Request by request: each goes at the first time every window has room
  // and the rate allows.
  int64_t t = std::max(now, state.closed_until_utc_ms);
  const int64_t gap = rate > 0 ? static_cast<int64_t>(std::ceil(1000 / rate)) : 0;
  int64_t burst_left = rate > 0 ? static_cast<int64_t>(limits.burst) : requests;
  for (int64_t i = 0; i < requests; ++i) {
    for (;;) {
      bool moved = false;
      for (Counter& c : counters) {
        if (t >= c.end) {
          const auto [start, end] = WindowOf(c.period, t);
          c.used = 0;
          c.end = end;
          (void)start;
        }
        if (c.used >= c.allowed) {
          t = c.end;
          moved = true;
        }
      }
      if (!moved) break;
    }
    if (burst_left > 0) {
      --burst_left;
    } else {
      t += gap;
    }
    for (Counter& c : counters) ++c.used;
    if (t == now) ++estimate.at_once;
    estimate.last_utc_ms = t;
  }
  return estimate;
}

std::string RequestBudget::WhenText(int64_t utc_ms) {
  int y, m, d, hh, mm;
  CivilOf(utc_ms, &y, &m, &d, &hh, &mm);
  char buf[40];
  if (utc_ms - setup_.clock->UtcMs() < kDayMs) {
    std::snprintf(buf, sizeof buf, "%02d:%02d UTC", hh, mm);
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d UTC", y, m, d, hh, mm);
  }
  return buf;
}

std::vector<std::string> RequestBudget::TakeWarnings() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  out.swap(warnings_);
  return out;
}

}  // namespace plrxl
