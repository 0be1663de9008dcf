// The state one fetcher shares with its requests: settings, the sources,
// the HTTP engine, the worker threads and the prefetched downloads. Requests
// hold it by shared_ptr, so it lives until the fetcher and every request of
// it are gone; its destructor cancels what still runs and joins the workers.
//
// Read-ahead. Prefetched downloads wait in the order they were handed over
// and start while the results nobody has taken yet stay within
// QuoteSettings::prefetch_bytes: the finished ones by their size, the
// running ones counted at the size of the largest result so far. Until a
// first download ends and shows that size, as many run as a provider has
// connections (QuoteSettings::max_connections): a provider that does not
// answer is found out in one wait, not one row at a time. A failed
// download counts as size 0: downloads that all fail still run side by
// side.
//
// Giving up. A source whose downloads keep failing for want of an answer
// (network failures, timeouts) kGiveUpAfter rows in a row is given up for
// the rest of the run (the fetcher's life): its later downloads fail at
// once with the last failure's number and text, and a note that it was
// given up. While such failures are counted, its waiting downloads start
// only as far as they could not add to them. Any answer from it (data or
// an error of its own) resets the count. One may always run when nothing is
// held or running, so a result larger than the budget is still read ahead,
// alone. A request that takes a waiting download starts it at once. The
// caller takes its downloads in the order it handed them over: taking one
// drops (cancels) those handed over before it and not taken, since nobody
// will ask for them any more.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "quotes/internal/source_base.h"
#include "quotes/internal/store_session.h"

namespace plrxl::quotes {

class FetcherCore : public std::enable_shared_from_this<FetcherCore> {
 public:
  explicit FetcherCore(QuoteSettings settings);
  ~FetcherCore();
  FetcherCore(const FetcherCore&) = delete;
  FetcherCore& operator=(const FetcherCore&) = delete;

  const QuoteSettings& Settings() const { return settings_; }
  std::vector<std::unique_ptr<SourceBase>>& Sources() { return sources_; }
  SourceBase* FindSource(const std::string& name);
  // Today as a whole-day serial (the injected clock or the system's).
  double Today() const;
  uint32_t NextId();

  // Queues `job` for `source` on a worker thread.
  void Run(SourceBase* source, const RequestInputs& inputs, std::shared_ptr<Job> job);
  void Prefetch(const std::vector<PrefetchItem>& items);
  // The prefetched download for `key`, handed over once and started if it
  // was still waiting; nullptr when none.
  std::shared_ptr<Job> TakePrefetched(const std::string& key);
  void CancelPrefetched();
  void CancelAll();

 private:
  // A prefetched download nobody has taken yet.
  struct Prefetched {
    std::shared_ptr<Job> job;
    SourceBase* source = nullptr;
    RequestInputs inputs;
    uint64_t order = 0;  // rank in hand-over order
    bool started = false;
    bool finished = false;  // its result counts in held_bytes_
    size_t bytes = 0;
  };

  // Rows in a row a source may fail without an answer before it is given up.
  static constexpr int kGiveUpAfter = 4;

  void Work();
  // The failure a given-up source's download ends with at once, or none:
  // then the download is counted as running until EndFetch.
  std::optional<Outcome> BeginFetch(SourceBase* source);
  // Counts a finished download towards giving its source up.
  void EndFetch(SourceBase* source, const Outcome& outcome, bool cancelled);
  // True while a source's failures in a row and its running downloads
  // could still give it up: its waiting downloads wait for that answer
  // rather than each wait for an answer of their own. mutex_ held.
  bool HeldForFailuresLocked(SourceBase* source) const;
  // True when the rows of `source` are counted in the store session.
  bool Announces(SourceBase* source) const;
  // Releases a dropped entry's row from the store session unless its task
  // was queued (which releases it).
  void ReleaseUnqueued(const Prefetched& entry);
  HttpEngine& Http();
  HttpPolicy Policy() const;
  // Queues the fetch of `job` for a worker; mutex_ held. A prefetched job
  // names its key, to be told when it ends.
  void QueueLocked(SourceBase* source, const RequestInputs& inputs, std::shared_ptr<Job> job,
                   std::string prefetch_key = "");
  // Starts waiting prefetched downloads while the budget allows; mutex_ held.
  void StartWaitingLocked();
  // A prefetched download ended: its size is noted, and unless a request
  // took it meanwhile its result now counts as held.
  void PrefetchFinished(const std::string& key, const std::shared_ptr<Job>& job);
  // Removes the entry from the books; mutex_ held.
  void ForgetLocked(const Prefetched& entry);

  QuoteSettings settings_;
  std::vector<std::unique_ptr<SourceBase>> sources_;
  StoreSession store_session_;

  std::mutex mutex_;
  std::unique_ptr<HttpEngine> http_;  // made on the first web request
  std::map<std::string, Prefetched> prefetched_;
  std::deque<std::string> waiting_;  // keys of prefetched downloads not started, in hand-over order
  uint64_t next_order_ = 0;
  size_t held_bytes_ = 0;     // results of finished prefetched downloads nobody has taken
  int running_prefetched_ = 0;
  std::set<std::string> taken_running_;  // prefetched downloads a request took while they ran
  size_t largest_result_ = 0;
  bool result_seen_ = false;  // a prefetched download has ended, so largest_result_ means something
  struct SourceHealth {
    int running = 0;  // downloads asking it now
    int failures_in_a_row = 0;
    std::optional<Outcome> given_up;
  };
  std::map<SourceBase*, SourceHealth> health_;
  std::vector<std::weak_ptr<Job>> live_;
  std::deque<std::function<void()>> queue_;
  std::condition_variable queue_cv_;
  bool stop_ = false;
  std::vector<std::thread> workers_;  // started as work arrives
  int idle_ = 0;
};

}  // namespace plrxl::quotes
