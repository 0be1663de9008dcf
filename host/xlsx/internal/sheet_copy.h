// What a save takes from the file the workbook was loaded from instead of
// writing it again:
// - the whole part of a sheet nobody changed since the load
//   (Worksheet::ChangedSinceLoad): its deflated bytes go into the new
//   package as they are, so it costs neither a walk of its cells nor a
//   deflate, and comes back byte for byte;
// - the rows of a sheet that changed only after its last row (rows added,
//   a column widened, a view changed), when a save of ours wrote the part
//   (rows_segment.h): the deflated rows go in as they are, and only the
//   part's start, the new rows and its end are written.
//
// Either needs the file still to be the one loaded, the same date system,
// every cell format the part names at the index it has in the saved styles
// (the loaded file's formats are given their own indices first, see
// ReserveStyles), the file's shared-string part carried along when its
// cells name shared strings, and no cell in a form a save writes
// otherwise. A whole part also needs no relationships of its own
// (drawings, comments, tables, links), no chart, no selected-tab mark
// unless it is the active sheet, and a code name in a macro workbook.
// Otherwise the sheet is written as usual.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/format_cache.h"
#include "host/xlsx/internal/loaded_part.h"
#include "host/xlsx/internal/package_patch.h"
#include "host/xlsx/internal/sheet_data_writer.h"

namespace plrxl::xlsx {

class SheetCopies {
 public:
  // Brings the workbook's formula results up to date first (a result that
  // comes out different changes its sheet), then opens each loaded file
  // still in use. Never throws for a file that cannot serve: its sheets
  // are written instead.
  SheetCopies(Workbook& workbook, bool macro_enabled);
  ~SheetCopies();
  SheetCopies(const SheetCopies&) = delete;
  SheetCopies& operator=(const SheetCopies&) = delete;

  // To be called on a fresh FormatCache, before any sheet is written: the
  // loaded file's cell formats take the indices they had there.
  void ReserveStyles(FormatCache& formats);

  // The part to copy for the sheet at 1-based position `index`, or null.
  const LoadedSheetPart* CopyOf(int index) const;
  // The rows to keep for the sheet at `index`, or null.
  const KeptSpan* KeptRowsOf(int index) const;

  // Adds what is taken to the edits: the copied sheet parts, the kept rows
  // of the sheets written, and the shared-string part with its
  // relationship and content type when one of them needs it.
  void AddTo(PackageEdits& edits) const;

 private:
  struct Source;
  enum class Take { kNothing, kPart, kRows };
  struct Candidate {
    std::shared_ptr<const LoadedSheetPart> loaded;
    Take take = Take::kNothing;
    KeptSpan span;
    KeptRows kept;
  };

  // The rows of the loaded part before row `changed` that can be kept;
  // null when none.
  std::optional<KeptRows> RowsToKeep(const LoadedSheetPart& loaded, int changed) const;

  Workbook& workbook_;
  std::vector<Candidate> candidates_;  // by position - 1
  std::vector<std::unique_ptr<Source>> sources_;
  // By xf index of the loaded file: it keeps its index in the saved styles.
  std::vector<bool> kept_xfs_;
};

}  // namespace plrxl::xlsx
