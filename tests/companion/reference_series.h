// The frozen reference OHLCV series (tests/data/reference_ohlcv.csv),
// oldest bar first, with columns picked by letter: o h l c v.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace plrxl::companion::testing {

struct ReferenceSeries {
  std::vector<std::string> dates;
  std::map<char, std::vector<double>> columns;  // 'o', 'h', 'l', 'c', 'v'

  size_t size() const { return dates.size(); }
  // The columns named by letters, in order ("hlc" -> high, low, close).
  std::vector<std::vector<double>> Pick(const std::string& letters) const {
    std::vector<std::vector<double>> out;
    for (char c : letters) out.push_back(columns.at(c));
    return out;
  }
};

inline const ReferenceSeries& Reference() {
  static const ReferenceSeries series = [] {
    ReferenceSeries s;
    std::ifstream in(std::string(PLRXL_TEST_DATA) + "/reference_ohlcv.csv");
    if (!in) throw std::runtime_error("reference_ohlcv.csv not found");
    std::string line;
    std::getline(in, line);  // titles
    const char letters[] = {'o', 'h', 'l', 'c', 'v'};
    while (std::getline(in, line)) {
      std::stringstream fields(line);
      std::string field;
      std::getline(fields, field, ',');
      s.dates.push_back(field);
      for (char letter : letters) {
        std::getline(fields, field, ',');
        s.columns[letter].push_back(std::stod(field));
      }
    }
    return s;
  }();
  return series;
}

}  // namespace plrxl::companion::testing
