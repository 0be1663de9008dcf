#include "download/module_functions.h"

#include <algorithm>
#include <cctype>

#include "host/error.h"

namespace plrxl {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// The runtime's InStr: 1-based position of `what` in `text` from `start`, 0
// when absent. An empty `what` is found at `start` while start lies inside
// the text.
size_t InStr(size_t start, const std::string& text, const std::string& what) {
  if (start > text.size()) return 0;
  if (what.empty()) return start;
  size_t at = text.find(what, start - 1);
  return at == std::string::npos ? 0 : at + 1;
}

long long CountText(const std::string& searched, const std::string& item, bool count_once) {
  if (count_once) return InStr(1, searched, item) > 0 ? 1 : 0;
  long long count = 0;
  size_t pos = InStr(1, searched, item);
  while (pos > 0) {
    ++count;
    pos = InStr(pos + 1, searched, item);
  }
  return count;
}

long long CountItems(const std::string& searched, const Variant& items, bool ignore_case,
                     bool count_once, const RegionalSettings& rs) {
  if (!items.IsArray()) {
    std::string item = ToText(items, rs);
    return ignore_case ? CountText(Lower(searched), Lower(item), count_once)
                       : CountText(searched, item, count_once);
  }
  long long total = 0;
  for (const Variant& element : items.Array().Data()) {
    if (element.IsArray()) {
      total += CountItems(searched, element, ignore_case, count_once, rs);
      continue;
    }
    if (CountItems(searched, element, ignore_case, true, rs) > 0) {
      total += count_once ? 1 : CountItems(searched, element, ignore_case, false, rs);
    }
  }
  return total;
}

}  // namespace

int16_t mSearch(ErrorHandlerSlot& slot, const std::string& searched, const Variant& items,
                bool ignore_case, bool count_once) {
  Procedure proc(slot, "Pelorin.ModuleFunctions.mSearch");
  int16_t result = 0;
  proc.Do([&] {
    result = ToInt16(CountItems(searched, items, ignore_case, count_once, RegionalSettings()),
                     "Pelorin.ModuleFunctions.mSearch");
  });
  return result;
}

Variant Two_Digit(ErrorHandlerSlot& slot, const Variant& value, const RegionalSettings& rs) {
  Procedure proc(slot, "Pelorin.ModuleFunctions.Two_Digit");
  Variant result;
  proc.Do([&] {
    std::string text = ToText(value, rs);
    result = text.size() < 2 ? Variant("0" + text) : value;
  });
  return result;
}

Variant TransMatrix(ErrorHandlerSlot& slot, const Variant& table) {
  Procedure proc(slot, "Pelorin.ModuleFunctions.TransMatrix");
  Variant result;
  proc.Do([&] {
    if (!table.IsArray() || table.Array().Dims() != 2) return;
    const VariantArray& in = table.Array();
    auto out = std::make_shared<VariantArray>(2, in.LBound(2), in.UBound(2), in.LBound(1), in.UBound(1));
    for (int i = in.LBound(1); i <= in.UBound(1); ++i) {
      for (int j = in.LBound(2); j <= in.UBound(2); ++j) out->At(j, i) = in.At(i, j);
    }
    result = Variant(out);
  });
  return result;
}

}  // namespace plrxl
