// The HTTP policy every web source shares: retries of 429 and 5xx answers
// and of dropped connections with exponential backoff (a Retry-After header
// wins), and the mapping of every failure to an error number and text.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "quotes/internal/http_engine.h"

namespace plrxl::quotes {

// What a fetch asked and got, for the quote store's books: the last
// exchange's address, status and body hash, and the bytes of all of them.
struct HttpLog {
  std::string url;
  long status = 0;
  size_t bytes = 0;
  uint64_t body_hash = 0;  // FNV-1a of the last body
  int exchanges = 0;
};

struct FetchResult {
  int32_t error = 0;  // a QuoteError; 0 when a response came back
  std::string text;   // why, when error != 0
  HttpResponse response;
};

struct HttpPolicy {
  // Every exchange is noted here when set (one fetch's log, one thread).
  HttpLog* log = nullptr;
  int max_connections = 8;
  long connect_timeout_ms = 10000;
  long total_timeout_ms = 60000;
  size_t max_bytes = 32u << 20;
  int max_retries = 3;
  long backoff_ms = 500;          // first wait; doubles with every retry
  long max_retry_wait_ms = 30000; // cap for Retry-After and backoff
  // The source's request budget, when it has one: `admit` is asked before
  // every exchange, and a failure it returns (deferred, cancelled) ends the
  // fetch; `throttled` hears every HTTP 429, which is then the budget's to
  // wait for or defer instead of the retries above.
  std::function<std::optional<FetchResult>()> admit;
  std::function<void(const HttpResponse&)> throttled;
};

// GETs `url` for `pool`. A response with any final status comes back with
// error 0, except: 429 after the retries (kQuoteThrottled), 5xx after the
// retries (kQuoteHttpStatus), and a 2xx answer that is an HTML page
// (kQuoteHtmlAnswer). Other statuses are left to the caller, who may find an
// error message in the body.
FetchResult FetchWithRetry(HttpEngine& engine, const std::string& pool, const std::string& url,
                           const std::vector<std::string>& headers, const HttpPolicy& policy,
                           const CancelFlag& cancel, bool accept_html = false);

// FNV-1a, 64 bits: the body hash the quote store books.
uint64_t BodyHash(const std::string& body);

// `url` with the values of its key parameters (any name holding "key",
// "token", "crumb" or "secret") replaced by "***": what the store keeps.
std::string UrlWithoutKey(const std::string& url);

// True for a body that is an HTML page (by its content type or its start).
bool LooksLikeHtml(const HttpResponse& response);

// The Retry-After header of a response as it came ("" when none).
inline std::string RetryAfterOf(const HttpResponse& response) { return response.Header("retry-after"); }

// The standard error text for a non-2xx status the caller could not explain.
FetchResult StatusFailure(const HttpResponse& response);

// Percent-encodes a URL component.
std::string UrlEncode(const std::string& text);

}  // namespace plrxl::quotes
