// Error numbers of the quote component and their standard texts. A request's
// error record carries one of these numbers and a description that starts
// with the standard text and adds the particulars (ticker, status, setting).
#pragma once

#include <cstdint>

namespace plrxl {

enum QuoteError : int32_t {
  kQuoteOk = 0,
  kQuoteBadParameter = 1001,
  kQuoteMissingKey = 1002,
  kQuoteNetwork = 1003,
  kQuoteTimeout = 1004,
  kQuoteHttpStatus = 1005,
  kQuoteTooLarge = 1006,
  kQuoteHtmlAnswer = 1007,
  kQuoteBadPayload = 1008,
  kQuoteNoData = 1009,
  kQuoteThrottled = 1010,
  kQuoteCancelled = 1011,
  kQuoteFile = 1012,
  kQuoteUnsupported = 1013,
  kQuoteInternal = 1014,
  // The source's request budget is used up for now: the row waits for a
  // later run. Its description says which window and when it resets.
  kQuoteDeferred = 1015,
};

// How the description of a kQuoteDeferred failure starts; the status line
// of a deferred row starts so too.
inline constexpr const char* kDeferredMark = "deferred: ";

struct QuoteErrorInfo {
  QuoteError number;
  const char* text;
};

inline constexpr QuoteErrorInfo kQuoteErrors[] = {
    {kQuoteBadParameter, "Invalid request parameter"},
    {kQuoteMissingKey, "Missing setting"},
    {kQuoteNetwork, "Network failure"},
    {kQuoteTimeout, "The server did not answer in time"},
    {kQuoteHttpStatus, "The server refused the request"},
    {kQuoteTooLarge, "The answer is too large"},
    {kQuoteHtmlAnswer, "The server answered with a web page instead of data"},
    {kQuoteBadPayload, "The answer could not be read"},
    {kQuoteNoData, "No data"},
    {kQuoteThrottled, "The provider limits requests, try later"},
    {kQuoteCancelled, "Cancelled"},
    {kQuoteFile, "File error"},
    {kQuoteUnsupported, "Not supported"},
    {kQuoteInternal, "Internal failure of the quote component"},
    {kQuoteDeferred, "deferred"},
};

// The standard text of a number; "" for an unknown one.
inline const char* QuoteErrorText(int32_t number) {
  for (const auto& e : kQuoteErrors) {
    if (e.number == number) return e.text;
  }
  return "";
}

}  // namespace plrxl
