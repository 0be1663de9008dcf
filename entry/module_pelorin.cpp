// ModulePelorin: sheet-name helpers shared by the checks, the run driver and
// the exports.
#include "entry/internal/text.h"
#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

Variant RemoveBadSymbols(ErrorHandlerSlot& slot, const Variant& value, const std::string& chars) {
  Procedure proc(slot, "Pelorin.ModulePelorin.RemoveBadSymbols");
  Variant result = value;
  proc.Do([&] {
    if (value.IsEmpty()) return;
    std::string text = value.IsText() ? value.Text() : ToText(value, RegionalSettings());
    for (char c : chars) text = text::ReplaceAll(std::move(text), std::string(1, c), "_");
    result = Variant(std::move(text));
  });
  return result;
}

bool SpreadsheetExists(ErrorHandlerSlot& slot, Workbook& workbook, const std::string& name) {
  Procedure proc(slot, "Pelorin.ModulePelorin.SpreadsheetExists");
  bool exists = false;
  proc.Do([&] {
    const Variant cleaned = RemoveBadSymbols(slot, Variant(name), kBadSheetChars);
    const std::string wanted = cleaned.IsText() ? cleaned.Text() : std::string();
    for (int i = 1; i <= workbook.WorksheetCount(); ++i) {
      if (text::EqualsIgnoreCase(workbook.WorksheetAt(i).Name(), wanted)) {
        exists = true;
        return;
      }
    }
  });
  return exists;
}

}  // namespace plrxl
