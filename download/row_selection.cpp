#include "download/row_selection.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "download/split_data_sources.h"
#include "host/error.h"
#include "host/number_from_text.h"

namespace plrxl {
namespace {

[[noreturn]] void Reject(const std::string& reason) { throw Error(kErrInvalidCall, "PlrXL2.RowSelection", reason); }

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

int RowNumber(const std::string& part, const std::string& whole) {
  const std::string digits = Trim(part);
  if (digits.empty() || digits.size() > 5 ||
      !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); })) {
    Reject("\"" + whole + "\" is not a row number or a range such as 5-9");
  }
  const int row = NumberFromText<int>(digits).value_or(0);  // five digits at most: always read
  if (row < 1 || row > 32767) Reject("row " + digits + " is outside 1 to 32767");
  return row;
}

}  // namespace

std::vector<int16_t> ParseRowList(const std::string& text) {
  if (Trim(text).empty()) Reject("no rows given");
  // The ranges are merged before they are expanded: "1-32767" written many
  // times costs no more than once.
  std::vector<std::pair<int, int>> ranges;
  for (const std::string& raw : SplitText(text, ",")) {
    const size_t dash = raw.find('-');
    const int first = RowNumber(dash == std::string::npos ? raw : raw.substr(0, dash), raw);
    const int last = dash == std::string::npos ? first : RowNumber(raw.substr(dash + 1), raw);
    if (last < first) Reject("the range \"" + Trim(raw) + "\" ends before it starts");
    ranges.emplace_back(first, last);
  }
  std::sort(ranges.begin(), ranges.end());
  std::vector<int16_t> rows;
  int next = 1;  // the lowest row not yet listed
  for (const auto& [first, last] : ranges) {
    for (int row = std::max(first, next); row <= last; ++row) rows.push_back(static_cast<int16_t>(row));
    next = std::max(next, last + 1);
  }
  return rows;
}

std::vector<Variant> ToSelectedRows(const std::vector<int16_t>& rows) {
  std::vector<Variant> selected;
  selected.reserve(rows.size());
  for (int16_t row : rows) selected.emplace_back(static_cast<int>(row));
  return selected;
}

}  // namespace plrxl
