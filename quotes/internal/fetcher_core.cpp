#include "quotes/internal/fetcher_core.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <strings.h>

#include "quotes/internal/stored_fetch.h"
#include "quotes/quote_errors.h"
#include "quotes/store/quote_store.h"

namespace plrxl::quotes {

// Process-wide so identifiers stay unique across fetchers (the progress
// window keys its list by them).
static std::atomic<uint32_t> g_next_request_id{1};

FetcherCore::FetcherCore(QuoteSettings settings) : settings_(std::move(settings)) {
  if (settings_.store && settings_.resume_run != 0) {
    for (const auto& [key, range] : settings_.store->FetchedIn(settings_.resume_run)) {
      store_session_.Fresh(key, range.first, range.second);
    }
  }
}

FetcherCore::~FetcherCore() {
  CancelAll();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  queue_cv_.notify_all();
  for (auto& t : workers_) t.join();
  http_.reset();
}

SourceBase* FetcherCore::FindSource(const std::string& name) {
  for (auto& s : sources_) {
    if (s->Name().size() == name.size() && strcasecmp(s->Name().c_str(), name.c_str()) == 0) {
      return s.get();
    }
  }
  return nullptr;
}

double FetcherCore::Today() const {
  if (settings_.today) return static_cast<double>(static_cast<long long>(settings_.today()));
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return CivilToSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

uint32_t FetcherCore::NextId() { return g_next_request_id.fetch_add(1); }

HttpEngine& FetcherCore::Http() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!http_) http_ = std::make_unique<HttpEngine>();
  return *http_;
}

HttpPolicy FetcherCore::Policy() const {
  HttpPolicy p;
  p.max_connections = settings_.max_connections;
  p.connect_timeout_ms = settings_.connect_timeout_ms;
  p.total_timeout_ms = settings_.total_timeout_ms;
  p.max_bytes = settings_.max_response_bytes;
  p.max_retries = settings_.max_retries;
  p.backoff_ms = settings_.backoff_ms;
  p.max_retry_wait_ms = settings_.max_retry_wait_ms;
  return p;
}

void FetcherCore::Run(SourceBase* source, const RequestInputs& inputs, std::shared_ptr<Job> job) {
  std::lock_guard<std::mutex> lock(mutex_);
  QueueLocked(source, inputs, std::move(job));
}

void FetcherCore::QueueLocked(SourceBase* source, const RequestInputs& inputs, std::shared_ptr<Job> job,
                              std::string prefetch_key) {
  auto task = [this, source, inputs, job, key = std::move(prefetch_key)] {
    const bool announced = !key.empty() && Announces(source);
    if (!job->cancel.IsSet() && !job->Finished()) {
      job->SetRunning();
      Outcome outcome;
      if (std::optional<Outcome> given_up = BeginFetch(source)) {
        outcome = std::move(*given_up);
      } else {
        try {
          FetchContext context{settings_, [this]() -> HttpEngine& { return Http(); }, job->cancel, Policy()};
          outcome = FetchThroughStore(*source, inputs, context, Today(), store_session_, announced);
        } catch (const std::exception& e) {
          outcome = Outcome::Failure(kQuoteInternal, e.what());
        } catch (...) {
          outcome = Outcome::Failure(kQuoteInternal, "");
        }
        EndFetch(source, outcome, job->cancel.IsSet());
      }
      if (job->cancel.IsSet()) outcome = Outcome::Failure(kQuoteCancelled, "");
      job->Finish(std::move(outcome));
    }
    if (announced) store_session_.Release(SeriesKeyOf(*source, inputs), &job->cancel);
    if (!key.empty()) PrefetchFinished(key, job);
  };
  if (stop_) {
    job->Finish(Outcome::Failure(kQuoteCancelled, ""));
    return;
  }
  // Forget finished jobs so the list stays short.
  std::erase_if(live_, [](const std::weak_ptr<Job>& w) { return w.expired(); });
  live_.push_back(job);
  queue_.push_back(std::move(task));
  if (static_cast<int>(queue_.size()) > idle_ && static_cast<int>(workers_.size()) < std::max(1, settings_.worker_threads)) {
    workers_.emplace_back([this] { Work(); });
  }
  queue_cv_.notify_one();
}

void FetcherCore::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    ++idle_;
    queue_cv_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    --idle_;
    if (queue_.empty()) return;  // stopping with nothing left to do
    auto task = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    task();
    lock.lock();
  }
}

std::optional<Outcome> FetcherCore::BeginFetch(SourceBase* source) {
  std::lock_guard<std::mutex> lock(mutex_);
  SourceHealth& health = health_[source];
  if (health.given_up) return health.given_up;
  ++health.running;
  return std::nullopt;
}

void FetcherCore::EndFetch(SourceBase* source, const Outcome& outcome, bool cancelled) {
  std::lock_guard<std::mutex> lock(mutex_);
  SourceHealth& health = health_[source];
  --health.running;
  if (health.given_up || cancelled) {
  } else if (outcome.error != kQuoteNetwork && outcome.error != kQuoteTimeout) {
    health.failures_in_a_row = 0;
  } else if (++health.failures_in_a_row >= kGiveUpAfter) {
    Outcome failure;
    failure.error = outcome.error;
    failure.description = outcome.description + "; " + source->Name() + " is not asked again in this run after " +
                          std::to_string(kGiveUpAfter) + " rows failed so in a row";
    health.given_up = std::move(failure);
  }
  // Downloads held back for this answer may start now.
  StartWaitingLocked();
}

void FetcherCore::Prefetch(const std::vector<PrefetchItem>& items) {
  for (const auto& item : items) {
    SourceBase* source = FindSource(item.source);
    if (source == nullptr) continue;
    ParameterSet params = source->NewParameters();
    for (const auto& [name, value] : item.parameters) {
      if (RequestParameter* p = params.Find(name)) p->SetValue(value);
    }
    Prefetched entry;
    std::string error;
    if (!source->ReadInputs(params, &entry.inputs, &error)) continue;
    const std::string key = PrefetchKey(source->Name(), params);
    entry.job = std::make_shared<Job>();
    entry.source = source;
    // Rows of one stored series share one download of all their ranges.
    if (Announces(source)) {
      store_session_.Want(SeriesKeyOf(*source, entry.inputs), entry.inputs.start, entry.inputs.end, &entry.job->cancel);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    entry.order = next_order_++;
    if (prefetched_.count(key) != 0) {
      if (Announces(source)) store_session_.Release(SeriesKeyOf(*source, entry.inputs), &entry.job->cancel);
      continue;
    }
    prefetched_.emplace(key, std::move(entry));
    waiting_.push_back(key);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  StartWaitingLocked();
}

bool FetcherCore::HeldForFailuresLocked(SourceBase* source) const {
  auto health = health_.find(source);
  if (health == health_.end() || health->second.given_up || health->second.failures_in_a_row == 0) return false;
  // Those running may be the rest of the failures that give it up.
  return health->second.running >= kGiveUpAfter - health->second.failures_in_a_row;
}

void FetcherCore::StartWaitingLocked() {
  while (!waiting_.empty()) {
    if (auto front = prefetched_.find(waiting_.front());
        front != prefetched_.end() && !front->second.started && HeldForFailuresLocked(front->second.source)) {
      return;
    }
    const int running = running_prefetched_ + static_cast<int>(taken_running_.size());
    if (!result_seen_) {
      // No size known yet: the provider's connections all at once.
      if (running >= std::max(1, settings_.max_connections)) return;
    } else if (held_bytes_ > 0 || running_prefetched_ > 0) {
      const size_t committed = held_bytes_ + (static_cast<size_t>(running_prefetched_) + 1) * largest_result_;
      if (committed > settings_.prefetch_bytes) return;
    }
    const std::string key = std::move(waiting_.front());
    waiting_.pop_front();
    auto it = prefetched_.find(key);
    if (it == prefetched_.end() || it->second.started) continue;
    it->second.started = true;
    ++running_prefetched_;
    QueueLocked(it->second.source, it->second.inputs, it->second.job, key);
  }
}

void FetcherCore::PrefetchFinished(const std::string& key, const std::shared_ptr<Job>& job) {
  const size_t bytes = job->Finished() && job->Result().error == 0 ? job->Result().result.Bytes() : 0;
  std::lock_guard<std::mutex> lock(mutex_);
  taken_running_.erase(key);
  // Taken or not, it tells how large results are. A failure tells nothing
  // but must not hold the others back: downloads that all fail (a provider
  // that does not answer) still run side by side.
  largest_result_ = std::max(largest_result_, bytes);
  result_seen_ = true;
  auto it = prefetched_.find(key);
  if (it != prefetched_.end() && it->second.job == job && !it->second.finished) {
    it->second.finished = true;
    it->second.bytes = bytes;
    --running_prefetched_;
    held_bytes_ += bytes;
  }
  StartWaitingLocked();
}

bool FetcherCore::Announces(SourceBase* source) const { return settings_.store && source->Stored(); }

void FetcherCore::ReleaseUnqueued(const Prefetched& entry) {
  // A queued one releases its row when its task ends.
  if (!entry.started && Announces(entry.source)) {
    store_session_.Release(SeriesKeyOf(*entry.source, entry.inputs), &entry.job->cancel);
  }
}

void FetcherCore::ForgetLocked(const Prefetched& entry) {
  if (entry.finished) {
    held_bytes_ -= entry.bytes;
  } else if (entry.started) {
    --running_prefetched_;
  }
}

std::shared_ptr<Job> FetcherCore::TakePrefetched(const std::string& key) {
  std::vector<std::shared_ptr<Job>> passed_over;
  std::shared_ptr<Job> job;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = prefetched_.find(key);
    if (it == prefetched_.end()) return nullptr;
    const Prefetched taken = std::move(it->second);
    prefetched_.erase(it);
    ForgetLocked(taken);
    // Still running: it keeps a connection until it ends.
    if (taken.started && !taken.finished) taken_running_.insert(key);
    std::erase_if(prefetched_, [&](const auto& entry) {
      if (entry.second.order > taken.order) return false;
      ForgetLocked(entry.second);
      passed_over.push_back(entry.second.job);
      ReleaseUnqueued(entry.second);
      return true;
    });
    job = taken.job;
    if (!taken.started) QueueLocked(taken.source, taken.inputs, job, key);
    StartWaitingLocked();
  }
  for (auto& dropped : passed_over) {
    dropped->cancel.cancelled = true;
    dropped->Finish(Outcome::Failure(kQuoteCancelled, ""));
  }
  return job;
}

void FetcherCore::CancelPrefetched() {
  std::map<std::string, Prefetched> taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(prefetched_);
    waiting_.clear();
    held_bytes_ = 0;
    running_prefetched_ = 0;
    taken_running_.clear();
  }
  for (auto& [key, entry] : taken) {
    ReleaseUnqueued(entry);
    entry.job->cancel.cancelled = true;
    entry.job->Finish(Outcome::Failure(kQuoteCancelled, ""));
  }
}

void FetcherCore::CancelAll() {
  CancelPrefetched();
  std::vector<std::shared_ptr<Job>> jobs;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& w : live_) {
      if (auto j = w.lock()) jobs.push_back(std::move(j));
    }
  }
  for (auto& job : jobs) {
    job->cancel.cancelled = true;
    job->Finish(Outcome::Failure(kQuoteCancelled, ""));
  }
}

}  // namespace plrxl::quotes
