#include "download/internal/row_access.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "host/error.h"

namespace plrxl {

double RowDate(const Variant& value, const RegionalSettings& rs) {
  if (value.IsNumeric()) return value.DateSerial();
  if (value.IsText()) {
    if (std::optional<double> d = TextToDate(value.Text(), rs)) return *d;
  }
  throw Error(kErrTypeMismatch, "PlrXL2", "Type mismatch");
}

double WholeDay(double serial) {
  int y = 0, m = 0, d = 0;
  SplitDate(serial, &y, &m, &d);
  return DateSerial(y, m, d);
}

std::string LowerText(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string UpperText(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

}  // namespace plrxl
