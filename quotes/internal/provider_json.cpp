#include "quotes/internal/provider_json.h"

#include <simdjson.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

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
    return Fail(failure, kQuoteNoData, code.empty() ? description : code + ": " + description);
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
    if (ValueAt(close, i, &bar.close)) {
      if (!has_open || !ValueAt(open, i, &bar.open)) bar.open = bar.close;
      if (!has_high || !ValueAt(high, i, &bar.high)) bar.high = std::max(bar.open, bar.close);
      if (!has_low || !ValueAt(low, i, &bar.low)) bar.low = std::min(bar.open, bar.close);
      if (!has_volume || !ValueAt(volume, i, &bar.volume)) bar.volume = 0;
      if (!has_adj || !ValueAt(adj, i, &bar.adj_close)) bar.adj_close = bar.close;
      out->bars.push_back(bar);
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
    if (err_obj["detail"].get(v) == simdjson::SUCCESS) return Fail(failure, kQuoteNoData, TextOf(v));
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
    if (row["close"].get(v) != simdjson::SUCCESS || !NumberOf(v, &bar.close)) {
      return BadPayload(failure, "price " + std::to_string(i) + " has no close");
    }
    if (row["open"].get(v) != simdjson::SUCCESS || !NumberOf(v, &bar.open)) bar.open = bar.close;
    if (row["high"].get(v) != simdjson::SUCCESS || !NumberOf(v, &bar.high)) bar.high = std::max(bar.open, bar.close);
    if (row["low"].get(v) != simdjson::SUCCESS || !NumberOf(v, &bar.low)) bar.low = std::min(bar.open, bar.close);
    if (row["volume"].get(v) != simdjson::SUCCESS || !NumberOf(v, &bar.volume)) bar.volume = 0;
    if (row["adjClose"].get(v) != simdjson::SUCCESS || !NumberOf(v, &bar.adj_close)) bar.adj_close = bar.close;
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
  if (root["Error Message"].get(v) == simdjson::SUCCESS) return Fail(failure, kQuoteNoData, TextOf(v));
  if (root["Note"].get(v) == simdjson::SUCCESS) return Fail(failure, kQuoteThrottled, TextOf(v));
  if (root["Information"].get(v) == simdjson::SUCCESS) return Fail(failure, kQuoteThrottled, TextOf(v));
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
