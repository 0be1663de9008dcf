// The state one fetcher shares with its requests: settings, the sources,
// the HTTP engine, the worker threads and the prefetched downloads. Requests
// hold it by shared_ptr, so it lives until the fetcher and every request of
// it are gone; its destructor cancels what still runs and joins the workers.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "quotes/internal/source_base.h"

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
  // The prefetched download for `key`, handed over once; nullptr when none.
  std::shared_ptr<Job> TakePrefetched(const std::string& key);
  void CancelPrefetched();
  void CancelAll();

 private:
  void Work();
  HttpEngine& Http();
  HttpPolicy Policy() const;

  QuoteSettings settings_;
  std::vector<std::unique_ptr<SourceBase>> sources_;

  std::mutex mutex_;
  std::unique_ptr<HttpEngine> http_;  // made on the first web request
  std::multimap<std::string, std::shared_ptr<Job>> prefetched_;
  std::vector<std::weak_ptr<Job>> live_;
  std::deque<std::function<void()>> queue_;
  std::condition_variable queue_cv_;
  bool stop_ = false;
  std::vector<std::thread> workers_;  // started as work arrives
  int idle_ = 0;
};

}  // namespace plrxl::quotes
