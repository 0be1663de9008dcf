// Helpers shared by the quote tests: a temporary folder, settings that point
// every provider at a test server, and a driver that runs a request to its
// end the way the progress window does (start, then poll).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <optional>
#include <vector>

#include "host/quote_fetcher.h"
#include "quotes/internal/bars.h"
#include "quotes/quote_component.h"
#include "quotes/quote_errors.h"

namespace plrxl::testing {

class TempDir {
 public:
  TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "plrxl_quotes_XXXXXX").string();
    path_ = mkdtemp(templ.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }
  void Write(const std::string& relative, const std::string& text) const {
    const auto p = path_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }

 private:
  std::filesystem::path path_;
};

inline double Day(int y, int m, int d) { return quotes::CivilToSerial(y, m, d); }

// Short limits so fault tests end quickly; a fixed "today".
inline QuoteSettings TestSettings(const TempDir& dir, const std::string& url = "http://127.0.0.1:9") {
  QuoteSettings s;
  s.settings_file = (dir.Path() / "settings.ini").string();
  s.base_folder = dir.Path().string();
  s.csv_folder = "quotes";
  s.yahoo_base_url = url;
  s.yahoo_cookie_url = url + "/cookie";
  s.stooq_base_url = url;
  s.stooq_key = "stooq-key";
  s.tiingo_base_url = url;
  s.tiingo_key = "tiingo-key";
  s.alpha_vantage_base_url = url;
  s.alpha_vantage_key = "av-key";
  s.connect_timeout_ms = 500;
  s.total_timeout_ms = 2000;
  s.max_retries = 2;
  s.backoff_ms = 5;
  s.max_retry_wait_ms = 2000;
  s.today = [] { return Day(2024, 6, 28); };
  return s;
}

struct RequestSpec {
  std::string source;
  std::string ticker;
  double start;
  double end;
  std::string periodicity = "DAILY";
};

inline std::unique_ptr<QuoteRequest> NewRequest(QuoteFetcher& fetcher, const RequestSpec& rq) {
  QuoteSource* source = fetcher.FindSource(rq.source);
  EXPECT_NE(source, nullptr) << rq.source;
  if (source == nullptr) return nullptr;
  auto r = source->CreateRequest();
  r->SetParameter("TICKER", Variant(rq.ticker));
  r->SetParameter("STARTDATE", Variant::Date(rq.start));
  r->SetParameter("ENDDATE", Variant::Date(rq.end));
  r->SetParameter("PERIODICITY", Variant(rq.periodicity));
  return r;
}

// Starts and polls until the request finishes; fails the test after 60 s
// (a request ends in well under a second, but a loaded machine under the
// sanitizers can take many times that).
inline void RunToEnd(QuoteRequest& r) {
  r.Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (r.State() != kStateFinished) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "request did not finish";
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// The values of one field of the first series as doubles.
inline std::vector<double> Column(const QuoteResult& result, const std::string& field) {
  std::vector<double> out;
  if (result.series.empty()) return out;
  const ResultField* f = result.series[0].Find(field);
  if (f == nullptr || !f->IsList()) return out;
  for (int i = f->LBound(); i <= f->UBound(); ++i) out.push_back(f->At(i).Number());
  return out;
}

// The same with the values the source did not send (empty) as nullopt.
inline std::vector<std::optional<double>> Values(const QuoteResult& result, const std::string& field) {
  std::vector<std::optional<double>> out;
  if (result.series.empty()) return out;
  const ResultField* f = result.series[0].Find(field);
  if (f == nullptr || !f->IsList()) return out;
  for (int i = f->LBound(); i <= f->UBound(); ++i) {
    const Variant v = f->At(i);
    out.push_back(v.IsEmpty() ? std::nullopt : std::optional<double>(v.Number()));
  }
  return out;
}

}  // namespace plrxl::testing
