#include "quotes/internal/http_engine.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>

namespace plrxl::quotes {

struct HttpEngine::Transfer {
  HttpGet request;
  HttpResponse response;
  CURL* easy = nullptr;
  curl_slist* header_list = nullptr;
  std::atomic<bool> cancel_requested{false};
  bool too_large = false;
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
};

namespace {

std::once_flag g_curl_init;  // libcurl's global init must run once per process

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<HttpEngine::Transfer*>(user);
  const size_t n = size * count;
  if (t->response.body.size() + n > t->request.max_bytes) {
    t->too_large = true;
    return 0;  // makes curl stop with a write error
  }
  t->response.body.append(data, n);
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<HttpEngine::Transfer*>(user);
  const size_t n = size * count;
  std::string line(data, n);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (line.rfind("HTTP/", 0) == 0) {
    t->response.headers.clear();  // a new response (after a redirect or 100)
    return n;
  }
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return n;
  std::string name = line.substr(0, colon);
  for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t v = colon + 1;
  while (v < line.size() && line[v] == ' ') ++v;
  t->response.headers.emplace_back(std::move(name), line.substr(v));
  return n;
}

HttpResponse::Outcome OutcomeOf(CURLcode code, bool too_large) {
  switch (code) {
    case CURLE_OK: return HttpResponse::kDone;
    case CURLE_OPERATION_TIMEDOUT: return HttpResponse::kTimeout;
    case CURLE_WRITE_ERROR: return too_large ? HttpResponse::kTooLarge : HttpResponse::kOtherFailure;
    case CURLE_FILESIZE_EXCEEDED: return HttpResponse::kTooLarge;
    case CURLE_PARTIAL_FILE: return HttpResponse::kTruncated;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING: return HttpResponse::kReset;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return HttpResponse::kNoConnection;
    default: return HttpResponse::kOtherFailure;
  }
}

}  // namespace

std::string HttpResponse::Header(const std::string& lower_name) const {
  for (const auto& h : headers) {
    if (h.first == lower_name) return h.second;
  }
  return "";
}

HttpEngine::HttpEngine() {
  std::call_once(g_curl_init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  multi_ = curl_multi_init();
  thread_ = std::thread([this] { Loop(); });
}

HttpEngine::~HttpEngine() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  curl_multi_wakeup(static_cast<CURLM*>(multi_));
  thread_.join();
  curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

HttpResponse HttpEngine::Get(const HttpGet& request, const CancelFlag& cancel) {
  auto t = std::make_shared<Transfer>();
  t->request = request;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) {
      HttpResponse r;
      r.outcome = HttpResponse::kCancelled;
      return r;
    }
    pending_.push_back(t);
  }
  curl_multi_wakeup(static_cast<CURLM*>(multi_));
  std::unique_lock<std::mutex> lock(t->mutex);
  bool asked = false;
  while (!t->done) {
    t->done_cv.wait_for(lock, std::chrono::milliseconds(10));
    if (!asked && cancel.IsSet()) {
      asked = true;
      t->cancel_requested = true;
      curl_multi_wakeup(static_cast<CURLM*>(multi_));
    }
  }
  return std::move(t->response);
}

void HttpEngine::Complete(const std::shared_ptr<Transfer>& t, HttpResponse::Outcome outcome,
                          int curl_code) {
  if (t->easy != nullptr) {
    long status = 0;
    curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
    t->response.status = status;
    curl_multi_remove_handle(static_cast<CURLM*>(multi_), t->easy);
    curl_easy_cleanup(t->easy);
    t->easy = nullptr;
  }
  if (t->header_list != nullptr) {
    curl_slist_free_all(t->header_list);
    t->header_list = nullptr;
  }
  std::lock_guard<std::mutex> lock(t->mutex);
  t->response.outcome = outcome;
  if (outcome != HttpResponse::kDone && outcome != HttpResponse::kCancelled) {
    t->response.failure_text = curl_easy_strerror(static_cast<CURLcode>(curl_code));
  }
  t->done = true;
  t->done_cv.notify_all();
}

void HttpEngine::StartPending() {
  // Called with mutex_ held.
  for (auto it = pending_.begin(); it != pending_.end();) {
    auto t = *it;
    if (t->cancel_requested) {
      it = pending_.erase(it);
      Complete(t, HttpResponse::kCancelled, CURLE_OK);
      continue;
    }
    int& running = active_per_pool_[t->request.pool];
    if (running >= std::max(1, t->request.max_connections)) {
      ++it;
      continue;
    }
    CURL* easy = curl_easy_init();
    t->easy = easy;
    curl_easy_setopt(easy, CURLOPT_URL, t->request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Mozilla/5.0 (X11; Linux x86_64) PelorinXL/2.0");
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, t->request.connect_timeout_ms);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, t->request.total_timeout_ms);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(t->request.max_bytes));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, t.get());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, t.get());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, t.get());
    for (const auto& h : t->request.headers) t->header_list = curl_slist_append(t->header_list, h.c_str());
    if (t->header_list != nullptr) curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t->header_list);
    curl_multi_add_handle(static_cast<CURLM*>(multi_), easy);
    active_[easy] = t;
    ++running;
    it = pending_.erase(it);
  }
}

void HttpEngine::Loop() {
  CURLM* multi = static_cast<CURLM*>(multi_);
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) break;
      for (auto it = active_.begin(); it != active_.end();) {
        auto t = it->second;
        if (t->cancel_requested) {
          --active_per_pool_[t->request.pool];
          it = active_.erase(it);
          Complete(t, HttpResponse::kCancelled, CURLE_OK);
        } else {
          ++it;
        }
      }
      StartPending();
    }
    int running = 0;
    curl_multi_perform(multi, &running);
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
      if (msg->msg != CURLMSG_DONE) continue;
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = active_.find(msg->easy_handle);
      if (it == active_.end()) continue;
      auto t = it->second;
      const CURLcode code = msg->data.result;
      --active_per_pool_[t->request.pool];
      active_.erase(it);
      Complete(t, OutcomeOf(code, t->too_large), code);
    }
    curl_multi_poll(multi, nullptr, 0, 100, nullptr);
  }
  // Shutting down: end whatever is left so no caller waits forever.
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [easy, t] : active_) Complete(t, HttpResponse::kCancelled, CURLE_OK);
  active_.clear();
  for (auto& t : pending_) Complete(t, HttpResponse::kCancelled, CURLE_OK);
  pending_.clear();
}

}  // namespace plrxl::quotes
