// Which sheets a save copies from the file they were loaded from instead of
// writing them: a sheet nobody changed since the load (its
// Worksheet::LoadedPart is still there) whose part, as the file holds it,
// stands in the saved package unchanged. Its deflated bytes go into the new
// package as they are, so such a sheet costs neither a walk of its cells
// nor a deflate, and comes back byte for byte.
//
// A part stands unchanged when the file is still the one loaded, the part
// has no relationships of its own (drawings, comments, tables, links), the
// sheet has no chart, it does not mark its tab selected unless it is the
// active sheet,
// the date system is the same, every cell format it names keeps its index
// in the saved styles (the loaded file's formats are given their own
// indices first, see ReserveStyles) and, when its cells name shared
// strings, the file's shared-string part goes into the package with it.
// Otherwise the sheet is written as usual.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/format_cache.h"
#include "host/xlsx/internal/loaded_part.h"
#include "host/xlsx/internal/package_patch.h"

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

  // The part to copy for the sheet at 1-based position `index`, or null
  // when it is to be written.
  const LoadedSheetPart* CopyOf(int index) const;

  // Adds the copies to the edits: the sheet parts, and the shared-string
  // part with its relationship and content type when a copy needs it.
  void AddTo(PackageEdits& edits) const;

 private:
  struct Source;

  Workbook& workbook_;
  std::vector<std::shared_ptr<const LoadedSheetPart>> candidates_;  // by position - 1; null: write
  std::vector<std::unique_ptr<Source>> sources_;
  // By xf index of the loaded file: it keeps its index in the saved styles.
  std::vector<bool> kept_xfs_;
};

}  // namespace plrxl::xlsx
