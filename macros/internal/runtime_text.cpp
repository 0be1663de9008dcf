#include "macros/internal/runtime_text.h"

#include "host/error.h"
#include "macros/macro_call.h"

namespace plrxl::macros_internal {

bool ContainsNoCase(const std::string& haystack, const std::string& needle) {
  if (needle.empty()) return false;
  return LowerAscii(haystack).find(LowerAscii(needle)) != std::string::npos;
}

std::vector<std::string> SplitList(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  size_t start = 0;
  for (;;) {
    const size_t pos = text.find(separator, start);
    if (pos == std::string::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, pos - start));
    start = pos + 1;
  }
}

bool IsNumericValue(const Variant& value, const RegionalSettings& rs) {
  switch (value.Type()) {
    case VarType::kEmpty:
    case VarType::kNumber:
    case VarType::kBoolean:
      return true;
    case VarType::kText:
      return TextToNumber(value.Text(), rs).has_value();
    default:
      return false;
  }
}

double ToDateSerial(const Variant& value, const RegionalSettings& rs) {
  switch (value.Type()) {
    case VarType::kEmpty:
      return 0;
    case VarType::kDate:
    case VarType::kNumber:
      return value.DateSerial();
    case VarType::kText:
      if (auto serial = TextToDate(value.Text(), rs)) return *serial;
      break;
    default:
      break;
  }
  throw Error(kErrTypeMismatch, "PlrXL2", "Type mismatch");
}

}  // namespace plrxl::macros_internal
