#include "download/table_helpers.h"

#include "download/module_functions.h"

namespace plrxl {

bool ChecktmpValue(ErrorHandlerSlot& slot, const Variant& table) {
  Procedure proc(slot, "Pelorin.ProgressBarWindow.ChecktmpValue");
  bool has_data = false;
  proc.Do([&] {
    if (!table.IsArray() || table.Array().Dims() != 2) return;
    const VariantArray& a = table.Array();
    // The first bar row is index 0: the component's value arrays start there.
    if (a.LBound(1) > 0 || a.UBound(1) < 0) return;
    for (int col = a.LBound(2); col <= a.UBound(2) && !has_data; ++col) {
      const Variant& v = a.At(0, col);
      switch (v.Type()) {
        case VarType::kText:
          has_data = !v.Text().empty() && v.Text() != "0";
          break;
        case VarType::kNumber:
        case VarType::kDate:
          has_data = v.Number() != 0;
          break;
        default:
          break;
      }
    }
  });
  return has_data;
}

Variant ReverseArray(ErrorHandlerSlot& slot, const Variant& table) {
  Procedure proc(slot, "Pelorin.ProgressBarWindow.ReverseArray");
  Variant result = table;
  proc.Do([&] {
    if (!table.IsArray() || table.Array().Dims() != 2) return;
    const VariantArray& in = table.Array();
    auto out = std::make_shared<VariantArray>(2, in.LBound(1), in.UBound(1), in.LBound(2), in.UBound(2));
    for (int i = in.LBound(1); i <= in.UBound(1); ++i) {
      int mirrored = in.UBound(1) - (i - in.LBound(1));
      for (int j = in.LBound(2); j <= in.UBound(2); ++j) out->At(mirrored, j) = in.At(i, j);
    }
    result = Variant(out);
  });
  return result;
}

std::string FormatMyDate(ErrorHandlerSlot& slot, double date) {
  Procedure proc(slot, "Pelorin.ProgressBarWindow.FormatMyDate");
  std::string text;
  proc.Do([&] {
    int y = 0, m = 0, d = 0;
    SplitDate(date, &y, &m, &d);
    RegionalSettings rs;
    text = std::to_string(y) + "-" + ToText(Two_Digit(slot, m, rs), rs) + "-" +
           ToText(Two_Digit(slot, d, rs), rs);
  });
  return text;
}

}  // namespace plrxl
