#include "quotes/internal/provider_json.h"

#include <simdjson.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "quotes/internal/csv_quotes.h"
#include "quotes/internal/exchange_time.h"
#include "quotes/quote_errors.h"

namespace plrxl::quotes {
namespace {

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

// Time stamps outside 1800..9999 are garbage, not dates.
constexpr int64_t kMinStamp = -5364662400LL;
constexpr int64_t kMaxStamp = 253402300799LL;

bool Fail(ParseFailure* failure, int32_t number, std::string text) {
  failure->number = number;
  failure->text = text.empty() ? std::string(QuoteErrorText(number)) : std::move(text);
  return false;
}

bool ProviderSays(ParseFailure* failure, int32_t number, std::string words) {
  failure->provider_words = true;
  return Fail(failure, number, std::move(words));
}

std::string LowerAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// Drops the bar when every price and the volume are missing (NaN); the
// caller counts it.
bool HasAnyValue(const Bar& bar) {
  for (double x : {bar.open, bar.high, bar.low, bar.close, bar.volume, bar.adj_close}) {
    if (!std::isnan(x)) return true;
  }
  return false;
}

bool BadPayload(ParseFailure* failure, const std::string& what) {
  return Fail(failure, kQuoteBadPayload, what);
}

bool Parse(simdjson::dom::parser& parser, std::string_view body, element* doc,
           ParseFailure* failure) {
  simdjson::padded_string padded(body);
  auto err = parser.parse(padded).get(*doc);
  if (err) return BadPayload(failure, std::string("malformed JSON: ") + simdjson::error_message(err));
  return true;
}

// A number, or a number written as text; false for null and anything else.
bool NumberOf(element e, double* out) {
  if (e.get_double().get(*out) == simdjson::SUCCESS) return std::isfinite(*out);
  int64_t i;
  if (e.get_int64().get(i) == simdjson::SUCCESS) {
    *out = static_cast<double>(i);
    return true;
  }
  uint64_t u;
  if (e.get_uint64().get(u) == simdjson::SUCCESS) {
    *out = static_cast<double>(u);
    return true;
  }
  std::string_view s;
  if (e.get_string().get(s) == simdjson::SUCCESS) {
    std::string t(s);
    char* end = nullptr;
    *out = std::strtod(t.c_str(), &end);
    return !t.empty() && end == t.c_str() + t.size() && std::isfinite(*out);
  }
  return false;
}

std::string TextOf(element e) {
  std::string_view s;
  if (e.get_string().get(s) == simdjson::SUCCESS) return std::string(s);
  return std::string(simdjson::to_string(e));
}

// The n-th element of an array member, or a null element when absent.
bool ArrayMember(object o, std::string_view key, array* out) {
  return o[key].get_array().get(*out) == simdjson::SUCCESS;
}

bool ValueAt(array a, size_t i, double* out) {
  element e;
  if (a.at(i).get(e) != simdjson::SUCCESS) return false;
  return NumberOf(e, out);
}

// The i-th value of an array the answer has: NaN where it is null (or
// missing from a short array).
double ValueOrNone(array a, size_t i) {
  double x = kNoValue;
  return ValueAt(a, i, &x) ? x : kNoValue;
}

}  // namespace

bool ParseYahooChart(std::string_view body, ParsedQuotes* out, ParseFailure* failure) {
  simdjson::dom::parser parser;
  element doc;
  if (!Parse(parser, body, &doc, failure)) return false;
  object chart;
  if (doc["chart"].get_object().get(chart) != simdjson::SUCCESS) {
    return BadPayload(failure, "no \"chart\" object in the answer");
  }
  element error;
  if (chart["error"].get(error) == simdjson::SUCCESS && !error.is_null()) {
    std::string code, description;
    object eo;
    if (error.get_object().get(eo) == simdjson::SUCCESS) {
      element v;
      if (eo["code"].get(v) == simdjson::SUCCESS) code = TextOf(v);
      if (eo["description"].get(v) == simdjson::SUCCESS) description = TextOf(v);
    }
    return ProviderSays(failure, kQuoteNoData, code.empty() ? description : code + ": " + description);
  }
  array results;
  object result;
  if (chart["result"].get_array().get(results) != simdjson::SUCCESS ||
      results.at(0).get_object().get(result) != simdjson::SUCCESS) {
    return Fail(failure, kQuoteNoData, "the answer holds no series");
  }
  int64_t gmtoffset = 0;
  object meta;
  if (result["meta"].get_object().get(meta) == simdjson::SUCCESS) {
    std::string_view zone;
    if (meta["exchangeTimezoneName"].get_string().get(zone) == simdjson::SUCCESS) {
      out->time_zone = std::string(zone);
    }
    double offset;
    element v;
    if (meta["gmtoffset"].get(v) == simdjson::SUCCESS && NumberOf(v, &offset) &&
        std::fabs(offset) < 86400) {
      gmtoffset = static_cast<int64_t>(offset);
    }
  }
  auto to_date = [&](double stamp, double* serial) {
    if (!(stamp >= static_cast<double>(kMinStamp) && stamp <= static_cast<double>(kMaxStamp))) {
      return false;
    }
    *serial = LocalDateSerial(static_cast<int64_t>(stamp), out->time_zone, gmtoffset);
    return true;
  };
  array stamps;
  if (!ArrayMember(result, "timestamp", &stamps)) {
    return Fail(failure, kQuoteNoData, "no bars in the requested range");
  }
  object indicators, quote;
  array quotes;
  if (result["indicators"].get_object().get(indicators) != simdjson::SUCCESS ||
      !ArrayMember(indicators, "quote", &quotes) ||
      quotes.at(0).get_object().get(quote) != simdjson::SUCCESS) {
    return BadPayload(failure, "no \"indicators.quote\" in the answer");
  }
  array open, high, low, close, volume, adj;
  const bool has_open = ArrayMember(quote, "open", &open);
  const bool has_high = ArrayMember(quote, "high", &high);
  const bool has_low = ArrayMember(quote, "low", &low);
  const bool has_volume = ArrayMember(quote, "volume", &volume);
  if (!ArrayMember(quote, "close", &close)) return BadPayload(failure, "no close prices in the answer");
  bool has_adj = false;
  array adj_list;
  object adj_obj;
  if (ArrayMember(indicators, "adjclose", &adj_list) &&
      adj_list.at(0).get_object().get(adj_obj) == simdjson::SUCCESS) {
    has_adj = ArrayMember(adj_obj, "adjclose", &adj);
  }
  size_t i = 0;
  for (element stamp_el : stamps) {
    Bar bar;
    double stamp;
    if (!NumberOf(stamp_el, &stamp) || !to_date(stamp, &bar.date)) {
      return BadPayload(failure, "invalid time stamp at bar " + std::to_string(i));
    }
    // A field the answer lacks altogether is made from the close, as
    // before; a null value stays missing (an empty cell).
    bar.close = ValueOrNone(close, i);
    bar.open = has_open ? ValueOrNone(open, i) : bar.close;
    bar.high = has_high ? ValueOrNone(high, i) : std::max(bar.open, bar.close);
    bar.low = has_low ? ValueOrNone(low, i) : std::min(bar.open, bar.close);
    bar.volume = has_volume ? ValueOrNone(volume, i) : 0;
    bar.adj_close = has_adj ? ValueOrNone(adj, i) : bar.close;
    if (HasAnyValue(bar)) {
      out->bars.push_back(bar);
    } else {
      ++out->bars_left_out;
    }
    ++i;
  }
  object events;
  if (result["events"].get_object().get(events) == simdjson::SUCCESS) {
    auto read_events = [&](std::string_view key, QuoteEvent::Kind kind) {
      object list;
      if (events[key].get_object().get(list) != simdjson::SUCCESS) return;
      for (auto field : list) {
        object ev;
        if (field.value.get_object().get(ev) != simdjson::SUCCESS) continue;
        double stamp, value = 0;
        element v;
        if (ev["date"].get(v) != simdjson::SUCCESS || !NumberOf(v, &stamp)) continue;
        QuoteEvent qe{kind, 0, 0};
        if (!to_date(stamp, &qe.date)) continue;
        if (kind == QuoteEvent::kDividend) {
          if (ev["amount"].get(v) != simdjson::SUCCESS || !NumberOf(v, &value)) continue;
        } else {
          double num, den;
          if (ev["numerator"].get(v) != simdjson::SUCCESS || !NumberOf(v, &num)) continue;
          if (ev["denominator"].get(v) != simdjson::SUCCESS || !NumberOf(v, &den) || den == 0) continue;
          value = num / den;
        }
        qe.value = value;
        out->events.push_back(qe);
      }
    };
    read_events("splits", QuoteEvent::kSplit);
    read_events("dividends", QuoteEvent::kDividend);
  }
  return true;
}

bool ParseTiingoPrices(std::string_view body, ParsedQuotes* out, ParseFailure* failure) {
  simdjson::dom::parser parser;
  element doc;
  if (!Parse(parser, body, &doc, failure)) return false;
  object err_obj;
  if (doc.get_object().get(err_obj) == simdjson::SUCCESS) {
    element v;
    if (err_obj["detail"].get(v) == simdjson::SUCCESS) return ProviderSays(failure, kQuoteNoData, TextOf(v));
    return BadPayload(failure, "an object where a list of prices was expected");
  }
  array rows;
  if (doc.get_array().get(rows) != simdjson::SUCCESS) {
    return BadPayload(failure, "a list of prices was expected");
  }
  size_t i = 0;
  for (element row_el : rows) {
    object row;
    if (row_el.get_object().get(row) != simdjson::SUCCESS) {
      return BadPayload(failure, "price " + std::to_string(i) + " is not an object");
    }
    std::string_view date_text;
    Bar bar;
    if (row["date"].get_string().get(date_text) != simdjson::SUCCESS ||
        !ParseQuoteDate(date_text.substr(0, 10), "yyyy-mm-dd", &bar.date)) {
      return BadPayload(failure, "price " + std::to_string(i) + " has no valid date");
    }
    element v;
    // Null (or absent) values stay missing: empty cells, never 0.
    auto value = [&](std::string_view key) {
      double x = kNoValue;
      return row[key].get(v) == simdjson::SUCCESS && NumberOf(v, &x) ? x : kNoValue;
    };
    bar.close = value("close");
    bar.open = value("open");
    bar.high = value("high");
    bar.low = value("low");
    bar.volume = value("volume");
    bar.adj_close = value("adjClose");
    if (!HasAnyValue(bar)) {
      ++out->bars_left_out;
      ++i;
      continue;
    }
    double x;
    if (row["divCash"].get(v) == simdjson::SUCCESS && NumberOf(v, &x) && x != 0) {
      out->events.push_back({QuoteEvent::kDividend, bar.date, x});
    }
    if (row["splitFactor"].get(v) == simdjson::SUCCESS && NumberOf(v, &x) && x != 1 && x != 0) {
      out->events.push_back({QuoteEvent::kSplit, bar.date, x});
    }
    out->bars.push_back(bar);
    ++i;
  }
  return true;
}

bool ParseAlphaVantageSeries(std::string_view body, ParsedQuotes* out, ParseFailure* failure) {
  simdjson::dom::parser parser;
  element doc;
  if (!Parse(parser, body, &doc, failure)) return false;
  object root;
  if (doc.get_object().get(root) != simdjson::SUCCESS) return BadPayload(failure, "an object was expected");
  element v;
  // Every note comes with status 200; its words tell what it is.
  for (const char* key : {"Error Message", "Note", "Information"}) {
    if (root[key].get(v) != simdjson::SUCCESS) continue;
    const std::string words = TextOf(v);
    const std::string lower = LowerAscii(words);
    auto says = [&](const char* part) { return lower.find(part) != std::string::npos; };
    if (says("rate limit") || says("frequency")) return ProviderSays(failure, kQuoteThrottled, words);
    if ((says("apikey") || says("api key")) && (says("invalid") || says("missing"))) {
      return ProviderSays(failure, kQuoteMissingKey, words);
    }
    if (std::string_view(key) == "Error Message") return ProviderSays(failure, kQuoteBadParameter, words);
    if (says("premium")) return ProviderSays(failure, kQuoteHttpStatus, words);
    return ProviderSays(failure, kQuoteThrottled, words);
  }
  object series;
  bool found = false;
  for (auto field : root) {
    if (field.key.substr(0, 11) == "Time Series" &&
        field.value.get_object().get(series) == simdjson::SUCCESS) {
      found = true;
      break;
    }
  }
  if (!found) return BadPayload(failure, "no \"Time Series\" object in the answer");
  for (auto day : series) {
    Bar bar;
    if (!ParseQuoteDate(day.key, "yyyy-mm-dd", &bar.date)) {
      return BadPayload(failure, "invalid date \"" + std::string(day.key.substr(0, 20)) + "\"");
    }
    object values;
    if (day.value.get_object().get(values) != simdjson::SUCCESS) {
      return BadPayload(failure, "the bar of " + std::string(day.key) + " is not an object");
    }
    bool has_close = false, has_adj = false;
    for (auto f : values) {
      // Keys are "1. open", "2. high", ...; the name after the number counts.
      const size_t dot = f.key.find(". ");
      const std::string_view name = dot == std::string_view::npos ? f.key : f.key.substr(dot + 2);
      double x;
      if (!NumberOf(f.value, &x)) continue;
      if (name == "open") bar.open = x;
      else if (name == "high") bar.high = x;
      else if (name == "low") bar.low = x;
      else if (name == "close") { bar.close = x; has_close = true; }
      else if (name == "adjusted close") { bar.adj_close = x; has_adj = true; }
      else if (name == "volume") bar.volume = x;
      else if (name == "dividend amount" && x != 0) out->events.push_back({QuoteEvent::kDividend, bar.date, x});
      else if (name == "split coefficient" && x != 1 && x != 0) out->events.push_back({QuoteEvent::kSplit, bar.date, x});
    }
    if (!has_close) return BadPayload(failure, "the bar of " + std::string(day.key) + " has no close");
    if (!has_adj) bar.adj_close = bar.close;
    out->bars.push_back(bar);
  }
  return true;
}

}  // namespace plrxl::quotes
