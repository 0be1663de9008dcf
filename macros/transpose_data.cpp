// TransposeData: the ticker's series as one line of the sheet "Data", the
// dates across the columns.
//
// Layout on "Data" (its start cell S is the defaults row's Data Beginning):
// S holds the title of the block's first column and the dates run to its
// right; the ticker's line is k rows below S (k = the ticker's position in
// the table, written there by fnDestRow), its values under their dates.
// The values end at column IV: at most 255 of them. Each run refits only
// the columns it wrote, from the cells it changed, so a run's cost does not
// grow with the lines already on the sheet.
#include <algorithm>
#include <string>

#include "entry/pelorin.h"
#include "host/column_fit.h"
#include "host/spreadsheet_host.h"
#include "macros/cfenmar.h"
#include "macros/internal/ticker_row.h"
#include "macros/macro_call.h"
#include "support/procedure.h"

namespace plrxl {

namespace {

constexpr int kMaxTransposed = 255;
constexpr const char* kTruncatedStatus = "Data truncated to 255 records";

// The longest texts a column lost (overwritten by shorter ones) and gained.
struct ColumnChange {
  size_t removed = 0;
  size_t added = 0;
};

}  // namespace

void Cfenmar::TransposeData(MacroSlots&) {
  ComponentCall("Pelorin.Cfenmar.TransposeData", kCfenmarFailure, [&] {
    Worksheet& data = ActiveSheet();
    const Rect selection = data.SelectionRect();
    Workbook& workbook = ActiveWb();
    AddSheet(workbook, "Data");
    const int32_t k = fnDestRow();

    int16_t row = 0;
    Worksheet& settings = ActivateSettings(&row);
    CPelorin& owner = OwnerObject();
    const RegionalSettings& rs = App().Regional();
    const std::string beginning =
        macros_internal::CellAddressOnly(ToText(owner.SettingsValue(settings, row, kDataBeginning), rs));
    const std::string direction = ToText(owner.SettingsValue(settings, row, kDataDirection), rs);
    const Range anchor = workbook.NameRange(kRangeTickerName);
    const std::string start_text = macros_internal::CellAddressOnly(ToText(anchor.Offset(1, 6).Value(), rs));

    Worksheet& out = workbook.Worksheets("Data");
    const Range start = out.GetRange(start_text);
    const Range d = data.GetRange(beginning);
    const int top = d.Row(), left = d.Column();
    ColumnFitter fitter(out);
    if (!data.IsCellEmpty(top + 1, left)) {
      const int last_row = d.End(Direction::kDown).Row();
      int first = top + 1;
      int count = last_row - top;
      // Past column IV: keep 255 rows, the newest ones of a block in A1.
      const int excess = last_row - 257 + left;
      if (excess > 0) {
        count = kMaxTransposed;
        if (LowerAscii(direction) != "fbt") first = top + 1 + excess;
        owner.WriteLastStatusMsg(0, row, &settings, Variant(kTruncatedStatus), true);
      }
      const int dates_row = start.Row(), line_row = start.Row() + k, first_col = start.Column() + 1;
      // Writes a cell and notes how its text changed, for the column's fit.
      auto write = [&](int r, int c, const Variant& value, ColumnChange& change) {
        const size_t before = fitter.TextLength(r, c);
        out.SetCellValue(r, c, value);
        const size_t after = fitter.TextLength(r, c);
        if (after < before) change.removed = std::max(change.removed, before);
        change.added = std::max(change.added, after);
      };
      out.SetCellValue(dates_row, start.Column(), data.CellValue(top, left));
      for (int i = 0; i < count; ++i) {
        ColumnChange change;
        write(dates_row, first_col + i, data.CellValue(first + i, left), change);
        write(line_row, first_col + i, data.CellValue(first + i, left + 1), change);
        fitter.Refit(first_col + i, change.removed, change.added);
      }
    }
    // The ticker column: fnDestRow wrote the ticker there, over whatever the
    // line held before, so it is measured whole (one cell a line).
    fitter.Fit(Rect{1, start.Column(), kMaxRows, start.Column()});
    data.Activate();
    data.SetSelectionRect(selection);
  });
}

}  // namespace plrxl
