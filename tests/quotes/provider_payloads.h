// Answers in each provider's documented format, for the loopback servers.
#pragma once

#include <string>

namespace plrxl::testing {

// Chart answer of an exchange in Sydney: sessions open at 10:00 local time,
// which is 23:00 UTC of the day before. The third bar has no close and no
// volume (null), only its other prices.
inline const char* kYahooSydney = R"json({"chart":{"result":[{"meta":{"currency":"AUD","symbol":"BHP.AX",
"exchangeName":"ASX","instrumentType":"EQUITY","firstTradeDate":601513200,"regularMarketTime":1704409200,
"gmtoffset":39600,"timezone":"AEDT","exchangeTimezoneName":"Australia/Sydney","regularMarketPrice":45.1,
"priceHint":2,"dataGranularity":"1d","range":"","validRanges":["1d","5d","1mo","max"]},
"timestamp":[1704236400,1704322800,1704409200],
"events":{"dividends":{"1704322800":{"amount":0.5,"date":1704322800}},
"splits":{"1704236400":{"date":1704236400,"numerator":2,"denominator":1,"splitRatio":"2:1"}}},
"indicators":{"quote":[{"open":[44.0,44.5,45.0],"high":[45.0,45.5,46.0],"low":[43.5,44.0,44.5],
"close":[44.8,45.2,null],"volume":[1000000,1200000,null]}],
"adjclose":[{"adjclose":[40.32,40.68,null]}]}}],"error":null}})json";

// New York: sessions open at 09:30 local, 14:30 UTC.
inline const char* kYahooNewYork = R"json({"chart":{"result":[{"meta":{"currency":"USD","symbol":"AAPL",
"exchangeName":"NMS","gmtoffset":-18000,"timezone":"EST","exchangeTimezoneName":"America/New_York"},
"timestamp":[1704205800,1704292200],
"indicators":{"quote":[{"open":[187.15,184.22],"high":[188.44,185.88],"low":[183.89,183.43],
"close":[185.64,184.25],"volume":[82488700,58414500]}],"adjclose":[{"adjclose":[184.73,183.35]}]}}],
"error":null}})json";

// A chart answer as the provider sends it around holidays and for the
// running session: a bar whose volume is null, and bars null in every field.
inline const char* kYahooNulls = R"json({"chart":{"result":[{"meta":{"currency":"USD","symbol":"AAPL",
"exchangeName":"NMS","gmtoffset":-18000,"timezone":"EST","exchangeTimezoneName":"America/New_York"},
"timestamp":[1704205800,1704292200,1704378600,1704465000],
"indicators":{"quote":[{"open":[187.15,184.22,null,181.99],"high":[188.44,185.88,null,182.76],
"low":[183.89,183.43,null,180.17],"close":[185.64,184.25,null,181.18],"volume":[82488700,null,null,null]}],
"adjclose":[{"adjclose":[184.73,183.35,null,180.29]}]}}],"error":null}})json";
// Every bar null: nothing to show.
inline const char* kYahooAllNull = R"json({"chart":{"result":[{"meta":{"currency":"USD","symbol":"AAPL",
"gmtoffset":-18000,"exchangeTimezoneName":"America/New_York"},"timestamp":[1704205800,1704292200],
"indicators":{"quote":[{"open":[null,null],"high":[null,null],"low":[null,null],"close":[null,null],
"volume":[null,null]}],"adjclose":[{"adjclose":[null,null]}]}}],"error":null}})json";

inline const char* kYahooNotFound =
    R"json({"chart":{"result":null,"error":{"code":"Not Found","description":"No data found, symbol may be delisted"}}})json";

inline const char* kStooqCsv =
    "Date,Open,High,Low,Close,Volume\r\n2024-01-02,187.15,188.44,183.89,185.64,82488700\r\n"
    "2024-01-03,184.22,185.88,183.43,184.25,58414500\r\n";

inline const char* kTiingoJson = R"json([{"date":"2024-01-02T00:00:00.000Z","close":185.64,"high":188.44,
"low":183.89,"open":187.15,"volume":82488700,"adjClose":184.73,"adjHigh":187.51,"adjLow":182.98,
"adjOpen":186.23,"adjVolume":82488700,"divCash":0.0,"splitFactor":1.0},
{"date":"2024-01-03T00:00:00.000Z","close":184.25,"high":185.88,"low":183.43,"open":184.22,
"volume":58414500,"adjClose":183.35,"adjHigh":184.97,"adjLow":182.53,"adjOpen":183.32,
"adjVolume":58414500,"divCash":0.24,"splitFactor":1.0}])json";

// A price with a null volume and one null in every field.
inline const char* kTiingoNulls = R"json([{"date":"2024-01-02T00:00:00.000Z","close":185.64,"high":188.44,
"low":183.89,"open":187.15,"volume":null,"adjClose":184.73,"divCash":0.0,"splitFactor":1.0},
{"date":"2024-01-03T00:00:00.000Z","close":null,"high":null,"low":null,"open":null,"volume":null,
"adjClose":null,"divCash":0.0,"splitFactor":1.0}])json";
// Its answer, with status 403, to a key whose plan does not cover the request.
inline const char* kTiingoForbidden = R"json({"detail":"You do not have permission to access the Tiingo API"})json";
// Its answer, with status 401, to an unknown key.
inline const char* kTiingoInvalidToken = R"json({"detail":"Invalid token."})json";

inline const char* kTiingoNotFound = R"json({"detail":"Error: Ticker 'NOSUCH' not found"})json";

inline const char* kAlphaVantageJson = R"json({
    "Meta Data": {"1. Information": "Daily Prices (open, high, low, close) and Volumes",
        "2. Symbol": "IBM", "3. Last Refreshed": "2024-01-03", "4. Output Size": "Full size",
        "5. Time Zone": "US/Eastern"},
    "Time Series (Daily)": {
        "2024-01-03": {"1. open": "161.0000", "2. high": "161.7300", "3. low": "160.0800",
                       "4. close": "160.1000", "5. volume": "4086057"},
        "2024-01-02": {"1. open": "161.0000", "2. high": "163.2900", "3. low": "160.6000",
                       "4. close": "161.5000", "5. volume": "4086057"}}})json";

inline const char* kAlphaVantageNote =
    R"json({"Note": "Thank you for using Alpha Vantage! Our standard API call frequency is 5 calls per minute and 500 calls per day."})json";
inline const char* kAlphaVantageInformation =
    R"json({"Information": "We have detected your API key as demo and our standard API rate limit is 25 requests per day."})json";
inline const char* kAlphaVantageBadKey =
    R"json({"Error Message": "the parameter apikey is invalid or missing. Please claim your free API key on (https://www.alphavantage.co/support/#api-key). It should take less than 20 seconds."})json";
inline const char* kAlphaVantagePremium =
    R"json({"Information": "Thank you for using Alpha Vantage! This is a premium endpoint. You may subscribe to any of the premium plans at https://www.alphavantage.co/premium/ to instantly unlock all premium endpoints"})json";
inline const char* kAlphaVantageError =
    R"json({"Error Message": "Invalid API call. Please retry or visit the documentation for TIME_SERIES_DAILY."})json";

}  // namespace plrxl::testing
