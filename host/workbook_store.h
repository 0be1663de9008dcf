// WorkbookStore: reads and writes workbook files for a host. The in-memory
// host is handed one (the .xlsx store of host/xlsx/) so OpenWorkbook and
// SaveAs reach real files, while tests can wrap it to refuse a save.
#pragma once

#include <string>

namespace plrxl {

class Workbook;

class WorkbookStore {
 public:
  virtual ~WorkbookStore() = default;
  // Fills the empty workbook `into` (it has no sheets yet) from the file at
  // path. What a save would drop is appended to into.Losses(), notes about
  // the load to into.Warnings().
  // Throws Error(1004, "PlrXL2.WorkbookStore", "<path>: <problem>") when the
  // file is missing, not a workbook, truncated or holds broken XML; the file
  // is never changed.
  virtual void Load(const std::string& path, Workbook& into) = 0;
  // Writes the workbook to path atomically: a temporary file in the same
  // folder, flushed, then renamed over the target. On failure the target is
  // untouched and Error(1004, ..., "<path>: <problem>") is thrown.
  virtual void Save(Workbook& workbook, const std::string& path) = 0;
};

}  // namespace plrxl
