// Writes a quote file for the CSV source: `count` daily bars, one per
// calendar day from `first` on, with a header line.
#pragma once

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace plrxl::testing {

inline void WriteCsvBars(const std::string& path, int count,
                         std::chrono::year_month_day first = std::chrono::year{1900} / 3 / 1) {
  std::ofstream out(path, std::ios::binary);
  out << "Date,Open,High,Low,Close,Volume\n";
  std::chrono::sys_days day = first;
  char line[96];
  for (int i = 0; i < count; ++i, day += std::chrono::days{1}) {
    const std::chrono::year_month_day ymd{day};
    const double close = 100.0 + (i % 50);
    std::snprintf(line, sizeof line, "%04d-%02u-%02u,%.2f,%.2f,%.2f,%.2f,%d\n", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), close, close + 1, close - 1,
                  close, 1000 + i % 7);
    out << line;
  }
}

}  // namespace plrxl::testing
