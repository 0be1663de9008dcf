// One thread that runs every HTTP transfer of a fetcher through libcurl's
// multi interface. Callers on worker threads block in Get() until their
// transfer ends or they cancel it; the engine never lets more than a pool's
// limit of transfers run at once (a pool is one provider).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace plrxl::quotes {

// Set by the owner of a request; every wait in the component watches it.
// `also`, when given, is asked too: a download several rows share stops
// only when none of them still wants it.
struct CancelFlag {
  std::atomic<bool> cancelled{false};
  std::function<bool()> also;
  bool IsSet() const { return cancelled.load(std::memory_order_relaxed) || (also && also()); }
};

struct HttpGet {
  std::string url;
  std::vector<std::string> headers;  // "Name: value"
  std::string pool;                  // transfers of one pool share a limit
  int max_connections = 8;
  long connect_timeout_ms = 10000;
  long total_timeout_ms = 60000;
  size_t max_bytes = 32u << 20;
};

struct HttpResponse {
  enum Outcome { kDone, kCancelled, kTimeout, kTooLarge, kTruncated, kReset, kNoConnection, kOtherFailure };
  Outcome outcome = kOtherFailure;
  std::string failure_text;  // curl's own words for a failed transfer
  long status = 0;
  std::string body;
  // Header names in lower case; the last response's headers after redirects.
  std::vector<std::pair<std::string, std::string>> headers;
  std::string Header(const std::string& lower_name) const;
};

class HttpEngine {
 public:
  HttpEngine();
  ~HttpEngine();
  HttpEngine(const HttpEngine&) = delete;
  HttpEngine& operator=(const HttpEngine&) = delete;

  // Runs one GET; blocks until it ends, fails, times out or `cancel` is set
  // (then it returns kCancelled within a few milliseconds). Thread-safe.
  HttpResponse Get(const HttpGet& request, const CancelFlag& cancel);

  struct Transfer;  // one transfer's state, shared with curl's callbacks

 private:
  void Loop();
  void StartPending();
  void Complete(const std::shared_ptr<Transfer>& t, HttpResponse::Outcome outcome, int curl_code);

  void* multi_ = nullptr;
  std::mutex mutex_;
  bool stop_ = false;
  std::deque<std::shared_ptr<Transfer>> pending_;
  std::map<void*, std::shared_ptr<Transfer>> active_;
  std::map<std::string, int> active_per_pool_;
  std::thread thread_;
};

}  // namespace plrxl::quotes
