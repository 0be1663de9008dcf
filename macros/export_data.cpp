// ExportData: the macro "exportdata" writes the ticker's quotes into a text
// file in one of the twelve layouts (macros/export_layouts.h).
//
// Every line has all of the layout's fields; a price field without a column
// (or a cell that cannot be read) is written empty and named in the row's
// status.
//
// The body skips failed statements: each step runs guarded, a failing one
// is passed over, and the operation always returns normally to RunMyMacro.
// The stop messages 2, 27, 28, 29 and 30 end it; status message 47 refuses
// more than 65,000 data rows. The file is written to a temporary file and
// renamed into place, so a failed export never leaves half a file.
#include <string>
#include <vector>

#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "macros/cfenmar.h"
#include "macros/export_folder.h"
#include "macros/export_layouts.h"
#include "macros/export_writer.h"
#include "macros/internal/runtime_text.h"
#include "macros/internal/ticker_row.h"
#include "support/atomic_file.h"
#include "support/procedure.h"

namespace plrxl {

using macros_internal::ContainsNoCase;
using macros_internal::SplitList;

namespace {

constexpr int kMaxExportRows = 65000;

// The header texts of the columns the layouts read.
void FindExportColumns(Worksheet& sheet, int header_row, int first_col, int count, ExportColumns* columns) {
  for (int col = first_col; col < first_col + count; ++col) {
    const Variant title = sheet.CellValue(header_row, col);
    if (!title.IsText()) continue;
    const std::string& text = title.Text();
    if (text == "Date") columns->date = col;
    if (text == "Open") columns->open = col;
    if (text == "High") columns->high = col;
    if (text == "Low") columns->low = col;
    if (text == "Close") columns->close = col;
    if (text == "Volume") columns->volume = col;
    if (text == "Open Interest") columns->open_interest = col;
  }
}

}  // namespace

void Cfenmar::ExportData(MacroSlots& slots) {
  std::string& format_name = slots[0];
  std::string& folder_text = slots[1];

  std::string remembered_sheet;
  Rect remembered_selection;
  IgnoreErrors([&] {
    Worksheet& sheet = ActiveSheet();
    remembered_selection = sheet.SelectionRect();
    remembered_sheet = sheet.Name();
  });

  // Steps 2 to 8; a return ends the export.
  [&] {
    CPelorin* owner = owner_;
    if (owner == nullptr) return;
    RunContext& context = owner->Context();

    // 2. The format must be one the project lists in "Parameters" D8.
    std::string allowed;
    IgnoreErrors([&] { allowed = owner->TWP("D8"); });
    bool listed = false;
    for (const std::string& entry : SplitList(allowed, '|')) {
      listed = listed || (!entry.empty() && LowerAscii(entry) == LowerAscii(format_name));
    }
    if (!listed) {
      IgnoreErrors([&] { owner->myBreak(30); });
      return;
    }

    // 3. The settings sheet.
    Workbook* workbook = nullptr;
    bool has_settings = false;
    IgnoreErrors([&] {
      workbook = &ActiveWb();
      has_settings = workbook->FindWorksheet(kSettingsSheet) != nullptr;
    });
    if (!has_settings) {
      IgnoreErrors([&] { owner->myBreak(2); });
      return;
    }

    // 4. The output folder.
    std::string drive, folder;
    const ExportFolderResult prepared = PrepareExportFolder(folder_text, &drive, &folder);
    if (prepared == ExportFolderResult::kNoDrive) {
      IgnoreErrors([&] { owner->myBreak(27, drive); });
      return;
    }
    if (prepared == ExportFolderResult::kCannotCreate) {
      IgnoreErrors([&] { owner->myBreak(28); });
      return;
    }
    folder_text = folder;

    // 5. The ticker's row and its data sheet.
    Worksheet* settings = nullptr;
    int16_t row = 0;
    macros_internal::TickerRowTexts texts;
    std::string sheet_name;
    IgnoreErrors([&] {
      settings = &ActivateSettings(&row);
      texts = macros_internal::ReadTickerRow(*owner, *settings, row);
      sheet_name = macros_internal::DataSheetName(*owner, *settings, row);
    });
    if (settings == nullptr) return;
    bool sheet_exists = false;
    IgnoreErrors([&] { sheet_exists = !sheet_name.empty() && SpreadsheetExists(context, *workbook, sheet_name); });
    if (!sheet_exists) {
      IgnoreErrors([&] { owner->myBreak(29, sheet_name); });
      return;
    }

    // 6. The data block and its field columns.
    ExportBlock block;
    int header_row = 0, first_col = 0;
    IgnoreErrors([&] {
      block.sheet = &workbook->Worksheets(sheet_name);
      int count = 0;
      for (const std::string& letter : SplitList(owner->TWP("D5"), '|')) {
        if (ContainsNoCase(texts.data_fields, letter)) ++count;
      }
      const Range first = block.sheet->GetRange(macros_internal::CellAddressOnly(texts.data_beginning));
      header_row = first.Row();
      first_col = first.Column();
      FindExportColumns(*block.sheet, header_row, first_col, count, &block.columns);
    });
    if (block.sheet == nullptr || header_row == 0) return;

    // 7. The last data row, and the row limit.
    int last_row = 0;
    IgnoreErrors([&] {
      if (block.sheet->IsCellEmpty(header_row + 1, first_col)) return;
      last_row = block.sheet->Cells(header_row, first_col).End(Direction::kDown).Row();
    });
    if (last_row == 0) {
      IgnoreErrors([&] {
        owner->WriteLastStatusMsg(0, row, settings,
                                  Variant("Export skipped: no quotes below " + texts.data_beginning), true);
      });
      return;
    }
    if (last_row - header_row > kMaxExportRows) {
      IgnoreErrors([&] { owner->WriteLastStatusMsg(47, row, settings, std::nullopt, true); });
      return;
    }

    // 8. The file.
    const ExportLayout* layout = FindExportLayout(LowerAscii(format_name));
    if (layout == nullptr) return;  // listed in D8, but no layout of that name
    IgnoreErrors([&] {
      block.first_row = header_row + 1;
      block.last_row = last_row;
      block.ticker = ToText(RemoveBadSymbols(context, Variant(texts.ticker), kFileTickerChars), App().Regional());
      block.period = PeriodLetter(texts.periodicity);
      const std::string file_name = ExportFileName(*layout, block.ticker, texts.periodicity);
      const std::string path = folder + file_name;
      std::vector<std::string> empty_fields;
      try {
        AtomicFile file(path);
        empty_fields = WriteExport(file.Stream(), *layout, block, App().Regional());
        file.Commit();
        context.FilesWritten.push_back(path);
      } catch (...) {
        owner->WriteLastStatusMsg(0, row, settings, Variant("Export failed: " + CurrentError().Description()), true);
        return;
      }
      // A field the data has no column for (or a cell that cannot be read)
      // stands empty in the lines; the status says which, so an empty Open
      // in the file is not taken for a fault of the reader.
      if (!empty_fields.empty()) {
        std::string names;
        for (const std::string& title : empty_fields) names += (names.empty() ? "" : ", ") + title;
        owner->WriteLastStatusMsg(0, row, settings, Variant("Export " + file_name + " has empty fields: " + names),
                                  false);
      }
    });
  }();

  // 9. Back to the sheet and selection of the start.
  IgnoreErrors([&] {
    if (remembered_sheet.empty()) return;
    Worksheet& sheet = ActiveWb().Worksheets(remembered_sheet);
    sheet.Activate();
    sheet.SetSelectionRect(remembered_selection);
  });
}

}  // namespace plrxl
