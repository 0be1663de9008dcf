#include "quotes/internal/stored_fetch.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "quotes/internal/budget_gate.h"
#include "quotes/history/overlap_check.h"
#include "quotes/internal/exchange_time.h"
#include "quotes/internal/sources.h"
#include "quotes/quote_errors.h"
#include "quotes/store/quote_store.h"

namespace plrxl::quotes {
namespace {

// Days before the first missing one that are asked for again: providers
// publish a day's bar late now and then, and a short overlap heals it.
constexpr double kOverlapDays = 7;

// "the store has data to 2026-12-04 (fetched 22:10 UTC)"
std::string DataTo(const StoreNewest& newest) {
  const std::string time = newest.fetched.size() >= 16 ? newest.fetched.substr(11, 5) : newest.fetched;
  return "data to " + IsoDate(newest.bar_date) + " (fetched " + time + " UTC)";
}

std::string Age(double bar_date, double today) {
  const long days = static_cast<long>(today - bar_date);
  if (days <= 0) return "from today";
  return std::to_string(days) + (days == 1 ? " day old" : " days old");
}

// True when the stored series is stale: the bars fetched again before
// `first_missing` differ from the stored ones by one split or dividend
// factor, or a bar appeared or vanished there, or the fetch brings a split
// or dividend after them.
bool HistoryReadjusted(QuoteStore& store, const StoreSeriesKey& key, const Delivery& delivered, double from,
                       double first_missing) {
  if (!store.Newest(key)) return false;
  for (const QuoteEvent& e : delivered.events) {
    if (e.date >= first_missing) return true;
  }
  auto checked = [](const Bars& bars, double last) {
    std::vector<history::CheckedBar> out;
    for (const Bar& b : bars) {
      if (b.date >= last) continue;
      out.push_back({b.date, b.open, b.high, b.low, b.close, b.adj_close, b.volume});
    }
    return out;
  };
  Bars fetched = delivered.bars;
  SortAndFilter(&fetched, from, first_missing - 1);
  const history::OverlapCheck check =
      history::CompareOverlap(checked(store.ReadBars(key, from, first_missing - 1), first_missing), checked(fetched, first_missing));
  return check.verdict == history::Verdict::kReadjusted || check.verdict == history::Verdict::kReshaped;
}

}  // namespace

Outcome FetchThroughStore(SourceBase& source, const RequestInputs& in, FetchContext& context, double today,
                          StoreSession& session, bool announced) {
  const QuoteSettings& settings = context.settings;
  QuoteStore* store = settings.store.get();
  if (store == nullptr || !source.Stored() || !store->Usable()) return Shape(FetchWithinBudget(source, in, context, false));
  const StoreSeriesKey key = SeriesKeyOf(source, in);
  // Bars of a session not yet closed are kept as not final, and asked for
  // again next time. A pinned day (tests) is taken as it is.
  const double final_before =
      settings.today ? today : SessionFinalBefore(in.ticker, static_cast<int64_t>(std::time(nullptr)), today);
  auto from_store = [&](int bars_left_out) {
    Outcome stored;
    stored.delivered = Delivery{store->ReadBars(key, in.start, in.end), store->ReadEvents(key, in.start, in.end),
                                bars_left_out, in};
    return Shape(std::move(stored));
  };

  if (settings.offline) {
    Outcome stored = from_store(0);
    if (stored.error != 0) {
      return Outcome::Failure(kQuoteNoData, "offline, and the quote store has no bars of " + in.ticker +
                                                " in the requested range");
    }
    if (std::optional<StoreNewest> newest = store->Newest(key)) {
      stored.result.note = "From the quote store (offline): newest bar " + IsoDate(newest->bar_date) + ", " +
                           Age(newest->bar_date, today) + ".";
    }
    return stored;
  }

  // A failed download as one row's answer: nothing new when the source had
  // no bars and the store has the row's; else the failure, saying how far
  // the store goes, or with stale_ok the stored bars marked stale.
  auto failure_answer = [&](Outcome failure) {
    Outcome stored = from_store(0);
    if (failure.error == kQuoteNoData && stored.error == 0) return stored;
    if (const std::optional<StoreNewest> newest = store->Newest(key)) {
      if (settings.stale_ok && stored.error == 0) {
        stored.result.stale = true;
        stored.result.note =
            "Source down (" + failure.description + "); from the quote store, " + DataTo(*newest) + ".";
        return stored;
      }
      failure.description += "; source down; the store has " + DataTo(*newest);
    }
    return failure;
  };

  std::shared_ptr<StoreSession::Series> series = session.For(key);
  // A row nobody announced counts while it runs.
  struct Holding {
    StoreSession& session;
    StoreSession::Series& series;
    const CancelFlag* row;
    ~Holding() {
      if (row != nullptr) session.Release(series, row);
    }
  } holding{session, *series, announced ? nullptr : &context.cancel};
  if (!announced) session.Hold(*series, &context.cancel);
  std::lock_guard<std::mutex> turn(series->turn);
  const bool fresh = session.With(*series, [&](StoreSession::Series& s) { return s.Fresh(in.start, in.end); });
  const std::optional<std::pair<double, double>> missing =
      fresh ? std::nullopt : store->Missing(key, in.start, in.end);
  if (!missing) {
    Outcome stored = from_store(0);
    if (stored.error == 0) stored.result.note = "From the quote store.";
    return stored;
  }
  // This run's download of the series failed already: the same answer.
  if (std::optional<Outcome> failed = session.With(*series, [&](StoreSession::Series& s) {
        return s.Failed(missing->first, missing->second) ? std::optional<Outcome>(s.failure) : std::nullopt;
      })) {
    return failure_answer(std::move(*failed));
  }
  // One download for every row handed over: what they all want and the
  // store lacks.
  RequestInputs ask = in;
  ask.start = missing->first;
  ask.end = missing->second;
  if (const std::optional<std::pair<double, double>> wanted =
          session.With(*series, [](StoreSession::Series& s) { return s.wanted; })) {
    if (const auto more = store->Missing(key, wanted->first, wanted->second)) {
      ask.start = std::min(ask.start, more->first);
      ask.end = std::max(ask.end, more->second);
    }
  }
  const double first_missing = ask.start;
  ask.start = std::max(std::min(in.start, ask.start), ask.start - kOverlapDays);
  HttpLog log;
  // The download is the series', not the row's: it stops when no row wants
  // it any more, and what it brings serves the next row of the series.
  CancelFlag shared;
  shared.also = [&] { return context.cancel.IsSet() && !session.WantedByOthers(*series, &context.cancel); };
  FetchContext logged{context.settings, context.http, shared, context.policy};
  logged.policy.log = &log;
  StoreFetch fetch;
  auto run_fetch = [&] {
    fetch = StoreFetch{};
    fetch.range_start = ask.start;
    fetch.range_end = ask.end;
    fetch.started = UtcNowText();
    Outcome answer = FetchWithinBudget(source, ask, logged, store->Newest(key).has_value());
    fetch.finished = UtcNowText();
    fetch.url = UrlWithoutKey(log.url);
    fetch.http_status = log.status;
    fetch.bytes = log.bytes;
    fetch.body_hash = log.body_hash;
    return answer;
  };
  Outcome raw = run_fetch();
  if (shared.IsSet()) return Outcome::Failure(kQuoteCancelled, "");
  // Nothing was asked: the row waits for a later run, and the books hold
  // no fetch.
  if (raw.error == kQuoteDeferred) return raw;

  // The days asked again before the first missing one tell whether the
  // source re-adjusted the history the store holds: then all of it goes,
  // and the whole range the rows want is asked for once more.
  bool replace_history = raw.error == 0 && raw.delivered && HistoryReadjusted(*store, key, *raw.delivered, ask.start, first_missing);
  if (replace_history && ask.start > in.start) {
    ask.start = in.start;
    if (const std::optional<std::pair<double, double>> wanted =
            session.With(*series, [](StoreSession::Series& s) { return s.wanted; })) {
      ask.start = std::min(ask.start, wanted->first);
    }
    raw = run_fetch();
    if (shared.IsSet()) return Outcome::Failure(kQuoteCancelled, "");
  }

  if (raw.error == 0 && raw.delivered) {
    Delivery& delivered = *raw.delivered;
    Bars kept = delivered.bars;
    SortAndFilter(&kept, ask.start, ask.end);
    std::vector<QuoteEvent> events = delivered.events;
    std::erase_if(events, [&](const QuoteEvent& e) { return e.date < ask.start || e.date > ask.end; });
    fetch.outcome = "ok";
    if (store->Commit(key, fetch, kept, events, final_before, replace_history)) {
      session.With(*series, [&](StoreSession::Series& s) { s.fresh.emplace_back(ask.start, ask.end); });
      // A download over the whole request replaced every stored bar of it:
      // what was committed is what the store holds, so it is handed out
      // without reading it back.
      if (ask.start <= in.start && in.end <= ask.end) {
        delivered.bars = std::move(kept);
        delivered.events = std::move(events);
        delivered.inputs = in;
        return Shape(std::move(raw));
      }
      return from_store(delivered.bars_left_out);
    }
    // The store could not take it: what came serves when it covers the
    // request, else the whole request is asked for.
    if (ask.start <= in.start && in.end <= ask.end) {
      delivered.inputs = in;
      return Shape(std::move(raw));
    }
    return Shape(FetchWithinBudget(source, in, context, true));
  }

  // A plain "no bars in this range" for a series the store has bars of (a
  // weekend, a holiday): the days it covers that are over stay empty for
  // good, so later runs do not ask for them again. An unknown symbol (no
  // bars at all) is asked again each run.
  if (raw.error == kQuoteNoData && log.status >= 200 && log.status < 300 && store->Newest(key)) {
    fetch.outcome = "ok";
    if (store->CommitNoBars(key, fetch, final_before)) {
      session.With(*series, [&](StoreSession::Series& s) { s.fresh.emplace_back(ask.start, ask.end); });
      return failure_answer(std::move(raw));
    }
  }
  fetch.outcome = raw.description;
  store->RecordFailure(key, fetch);
  // The other rows of this download get the same answer without asking.
  session.With(*series, [&](StoreSession::Series& s) {
    s.failed_range = std::make_pair(first_missing, ask.end);
    s.failure = raw;
  });
  return failure_answer(std::move(raw));
}

}  // namespace plrxl::quotes
