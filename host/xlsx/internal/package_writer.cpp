#include "host/xlsx/internal/package_writer.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

#include "host/xlsx/internal/carry_writer.h"
#include "host/xlsx/internal/chart_writer.h"
#include "host/xlsx/internal/format_cache.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/sheet_writer.h"
#include "host/xlsx/internal/package_patch.h"
#include "host/xlsx/internal/sheet_copy.h"
#include "host/xlsx/internal/workbook_settings.h"

namespace plrxl::xlsx {

namespace {

// The VBA project reaches libxlsxwriter only as a file: write it beside the
// target and remove it when done.
class TemporaryPart {
 public:
  TemporaryPart(const std::string& path, const std::string& bytes) : path_(path) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw XlsxProblem("cannot write the temporary VBA project file");
  }
  ~TemporaryPart() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Frees a workbook that was abandoned before it was written.
struct WorkbookFree {
  void operator()(lxw_workbook* wb) const { lxw_workbook_free(wb); }
};

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void WritePackage(Workbook& workbook, const std::string& path, bool macro_enabled) {
  std::unique_ptr<TemporaryPart> vba;
  for (const auto& [part, bytes] : workbook.CarriedParts()) {
    if (part != "xl/vbaProject.bin") continue;
    if (macro_enabled) {
      vba = std::make_unique<TemporaryPart>(path + ".vba", bytes);
    } else {
      // A macro project in an .xlsx makes the file unopenable elsewhere.
      const std::string warning = "VBA project " + part + " not saved: only an .xlsm file holds macros";
      auto& warnings = workbook.Warnings();
      if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end()) warnings.push_back(warning);
    }
  }

  lxw_workbook_options options = {};
  // The cells go around the writer (sheet_data_writer.h), so it holds
  // nothing per row or cell either way; its streaming mode would cost a
  // scratch file and a 128 KB row buffer for every sheet.
  options.constant_memory = LXW_FALSE;
  options.use_zip64 = LXW_FALSE;
  std::unique_ptr<lxw_workbook, WorkbookFree> wb(workbook_new_opt(path.c_str(), &options));
  if (!wb) throw XlsxProblem("cannot create the workbook writer");

  // The rows of every sheet, gone with the file when it is closed.
  std::unique_ptr<std::FILE, FileClose> rows(std::tmpfile());
  if (!rows) throw XlsxProblem("cannot create a temporary file for the sheet data");
  PackageEdits edits;
  edits.rows_file = rows.get();

  SheetCopies copies(workbook, vba != nullptr);
  FormatCache formats(wb.get(), workbook);
  copies.ReserveStyles(formats);
  Worksheet* active = workbook.ActiveSheet();
  int chart_number = 0;
  for (int i = 1; i <= workbook.WorksheetCount(); ++i) {
    Worksheet& sheet = workbook.WorksheetAt(i);
    lxw_worksheet* ws = workbook_add_worksheet(wb.get(), sheet.Name().c_str());
    if (ws == nullptr) throw XlsxProblem("cannot add sheet '" + sheet.Name() + "'");
    const std::string part = "xl/worksheets/sheet" + std::to_string(i) + ".xml";
    if (copies.CopyOf(i) != nullptr) {
      // The part comes from the loaded file; the writer only lists the sheet.
      if (!sheet.Visible()) {
        worksheet_hide(ws);
      } else if (&sheet == active) {
        worksheet_activate(ws);
      }
      SheetRows copied;
      copied.part = part;
      copied.copied = true;
      edits.sheets.push_back(copied);
      continue;
    }
    SheetWriteResult result = WriteSheet(wb.get(), ws, sheet, formats, &sheet == active, rows.get(), copies.KeptRowsOf(i));
    SheetRows written;
    written.part = part;
    written.begin = result.rows_begin;
    written.end = result.rows_end;
    edits.sheets.push_back(written);
    auto part_of = [&](int ordinal) { return "xl/charts/chart" + std::to_string(chart_number + ordinal + 1) + ".xml"; };
    for (const auto& [ordinal, patch] : result.patched_charts) {
      edits.charts.push_back({part_of(ordinal), nullptr, patch});
    }
    for (const auto& [ordinal, source] : result.carried_charts) {
      edits.charts.push_back({part_of(ordinal), std::shared_ptr<const std::string>(source, &source->xml), {}});
    }
    chart_number += result.charts_written;
  }

  if (vba && workbook_add_vba_project(wb.get(), vba->path().c_str()) != LXW_NO_ERROR) {
    throw XlsxProblem("cannot carry the VBA project over");
  }

  lxw_error err = workbook_close(wb.release());
  if (err != LXW_NO_ERROR) throw XlsxProblem(std::string("cannot write the package: ") + lxw_strerror(err));
  if (std::fflush(rows.get()) != 0) throw XlsxProblem("cannot write the temporary sheet data");
  // The workbook's own settings first: the carried features add to the
  // names they write.
  AddWorkbookSettings(workbook, vba != nullptr, edits);
  AddCarriedFeatures(workbook, path, edits);
  copies.AddTo(edits);
  PatchPackage(path, edits);
}

}  // namespace plrxl::xlsx
