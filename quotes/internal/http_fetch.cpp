#include "quotes/internal/http_fetch.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "quotes/quote_errors.h"

namespace plrxl::quotes {
namespace {

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Sleeps up to `ms`, waking early when the request is cancelled.
void Wait(long ms, const CancelFlag& cancel) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!cancel.IsSet() && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long>(ms, 5)));
  }
}

// Retry-After in seconds; -1 when absent or given as a date.
long RetryAfterMs(const HttpResponse& r) {
  const std::string v = r.Header("retry-after");
  if (v.empty() || !std::all_of(v.begin(), v.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
    return -1;
  }
  if (v.size() > 6) return 1000000 * 1000L;
  return std::atol(v.c_str()) * 1000L;
}

FetchResult Failed(int32_t number, std::string text) {
  FetchResult r;
  r.error = number;
  r.text = std::string(QuoteErrorText(number)) + (text.empty() ? "" : ": " + text);
  return r;
}

}  // namespace

bool LooksLikeHtml(const HttpResponse& response) {
  if (Lower(response.Header("content-type")).find("text/html") != std::string::npos) return true;
  size_t i = 0;
  const std::string& b = response.body;
  while (i < b.size() && std::isspace(static_cast<unsigned char>(b[i]))) ++i;
  const std::string head = Lower(b.substr(i, 14));
  return head.rfind("<!doctype html", 0) == 0 || head.rfind("<html", 0) == 0;
}

FetchResult StatusFailure(const HttpResponse& response) {
  return Failed(kQuoteHttpStatus, "HTTP " + std::to_string(response.status));
}

std::string UrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

uint64_t BodyHash(const std::string& body) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : body) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

std::string UrlWithoutKey(const std::string& url) {
  const size_t query = url.find('?');
  if (query == std::string::npos) return url;
  std::string out = url.substr(0, query + 1);
  size_t at = query + 1;
  while (at <= url.size()) {
    size_t amp = url.find('&', at);
    if (amp == std::string::npos) amp = url.size();
    const std::string part = url.substr(at, amp - at);
    const size_t eq = part.find('=');
    const std::string name = Lower(part.substr(0, eq));
    const bool secret = name.find("key") != std::string::npos || name.find("token") != std::string::npos ||
                        name.find("crumb") != std::string::npos || name.find("secret") != std::string::npos;
    out += secret && eq != std::string::npos ? part.substr(0, eq + 1) + "***" : part;
    if (amp < url.size()) out += '&';
    at = amp + 1;
  }
  return out;
}

FetchResult FetchWithRetry(HttpEngine& engine, const std::string& pool, const std::string& url,
                           const std::vector<std::string>& headers, const HttpPolicy& policy,
                           const CancelFlag& cancel, bool accept_html) {
  HttpGet get;
  get.url = url;
  get.headers = headers;
  get.pool = pool;
  get.max_connections = policy.max_connections;
  get.connect_timeout_ms = policy.connect_timeout_ms;
  get.total_timeout_ms = policy.total_timeout_ms;
  get.max_bytes = policy.max_bytes;
  long backoff = policy.backoff_ms;
  for (int attempt = 0;; ++attempt) {
    if (cancel.IsSet()) return Failed(kQuoteCancelled, "");
    if (policy.admit) {
      if (std::optional<FetchResult> refused = policy.admit()) return std::move(*refused);
    }
    HttpResponse r = engine.Get(get, cancel);
    if (policy.log != nullptr) {
      policy.log->url = url;
      policy.log->status = r.status;
      policy.log->bytes += r.body.size();
      policy.log->body_hash = BodyHash(r.body);
      ++policy.log->exchanges;
    }
    const bool last = attempt >= policy.max_retries;
    long wait = backoff;
    FetchResult failure;
    switch (r.outcome) {
      case HttpResponse::kCancelled: return Failed(kQuoteCancelled, "");
      case HttpResponse::kTimeout:
        return Failed(kQuoteTimeout, "no complete answer within " +
                                         std::to_string(policy.total_timeout_ms / 1000.0).substr(0, 5) + " s");
      case HttpResponse::kTooLarge:
        return Failed(kQuoteTooLarge, "more than " + std::to_string(policy.max_bytes) + " bytes");
      case HttpResponse::kNoConnection: return Failed(kQuoteNetwork, r.failure_text);
      case HttpResponse::kOtherFailure: return Failed(kQuoteNetwork, r.failure_text);
      case HttpResponse::kTruncated:
        failure = Failed(kQuoteBadPayload, "the answer was cut short");
        break;
      case HttpResponse::kReset:
        failure = Failed(kQuoteNetwork, r.failure_text);
        break;
      case HttpResponse::kDone:
        if (r.status == 429 && policy.throttled) {
          // The budget waits or defers at the next admission.
          policy.throttled(r);
          --attempt;
          continue;
        }
        if (r.status == 429 || r.status >= 500) {
          const long after = RetryAfterMs(r);
          if (after >= 0) wait = after;
          failure = r.status == 429 ? Failed(kQuoteThrottled, "HTTP 429")
                                    : Failed(kQuoteHttpStatus, "HTTP " + std::to_string(r.status));
          break;
        }
        if (!accept_html && r.status >= 200 && r.status < 300 && LooksLikeHtml(r)) {
          return Failed(kQuoteHtmlAnswer, "HTTP " + std::to_string(r.status));
        }
        {
          FetchResult ok;
          ok.response = std::move(r);
          return ok;
        }
    }
    if (last) return failure;
    Wait(std::min(wait, policy.max_retry_wait_ms), cancel);
    backoff = std::min(backoff * 2, policy.max_retry_wait_ms);
  }
}

}  // namespace plrxl::quotes
