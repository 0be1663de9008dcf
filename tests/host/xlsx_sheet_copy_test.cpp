// Sheets a command did not change are saved from the part the file held:
// the part comes back byte for byte (deflated bytes included), the saved
// workbook reads back as a full write of the same model does, and any
// change of the sheet, however small, has it written again.
#include <gtest/gtest.h>
#include <xlsxwriter.h>
#include <zip.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/formula/formula_engine.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/internal/rows_segment.h"
#include "host/xlsx/internal/zip_reader.h"
#include "host/xlsx/xlsx_store.h"
#include "support/clock.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::ExpectSameWorkbook;
using testing_xlsx::ReadPart;
using testing_xlsx::TempFolder;

// Three sheets as openpyxl writes them (texts as shared strings, its own
// styles part): "Quotes" with dates, numbers, texts, a bold header and a
// wide column; "Notes" with a filled cell; "Work", the one the tests change.
constexpr const char* kOpenpyxlScript = R"(
import sys, datetime
from openpyxl import Workbook
from openpyxl.styles import Font, PatternFill
wb = Workbook()
ws = wb.active
ws.title = "Quotes"
ws.append(["Date", "Close", "Note"])
for i in range(40):
    ws.append([datetime.date(2024, 1, 1) + datetime.timedelta(days=i), 100 + i * 0.25, "day %d" % (i % 7)])
for r in range(2, 42):
    ws.cell(r, 1).number_format = "yyyy-mm-dd"
ws["B1"].font = Font(bold=True)
ws.column_dimensions["A"].width = 14
notes = wb.create_sheet("Notes")
notes["A1"] = "Untouched text"
notes["B2"] = 42
notes["A5"].fill = PatternFill("solid", fgColor="FFFF00")
wb.create_sheet("Work")["A1"] = "to change"
wb.save(sys.argv[1])
)";

// The openpyxl workbook at `path`; false when it could not be made.
bool MakeOpenpyxlWorkbook(const TempFolder& folder, const std::string& path) {
  const std::string script = folder.File("make.py");
  testing_xlsx::WriteBytes(script, kOpenpyxlScript);
  return std::system(("/usr/bin/python3 '" + script + "' '" + path + "'").c_str()) == 0;
}

// True when the part of `saved` is the part of `loaded` as it was stored:
// same text, same deflated size and CRC.
bool CopiedAsStored(const std::string& loaded, const std::string& saved, const std::string& part) {
  xlsx::ZipReader from(loaded), to(saved);
  if (!from.Has(part) || !to.Has(part) || from.Read(part) != to.Read(part)) return false;
  const xlsx::ZipReader::Entry a = from.EntryOf(part), b = to.EntryOf(part);
  return a.compressed_size == b.compressed_size && a.crc == b.crc && a.method == b.method;
}

// Loads `source`, lets `edit` change it, saves it to `target`; with
// `full_write` the sheets forget their loaded parts first, so every sheet
// is written.
void EditAndSave(const std::string& source, const std::string& target, const std::function<void(Workbook&)>& edit,
                 bool full_write = false) {
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& book = host.OpenWorkbook(source);
  if (full_write) {
    for (int i = 1; i <= book.WorksheetCount(); ++i) book.WorksheetAt(i).SetLoadedPart(nullptr);
  }
  edit(book);
  book.SaveAs(target);
}

void ExpectSameFiles(const std::string& expected, const std::string& actual) {
  MemoryHost a(MakeXlsxStore(), RegionalSettings{}), b(MakeXlsxStore(), RegionalSettings{});
  ExpectSameWorkbook(a.OpenWorkbook(expected), b.OpenWorkbook(actual));
}

void ChangeWork(Workbook& book) { book.Worksheets("Work").SetCellValue(1, 1, Variant(std::string("changed"))); }

TEST(XlsxSheetCopy, UntouchedSheetsOfAnotherProgramComeBackAsStored) {
  TempFolder folder;
  const std::string source = folder.File("openpyxl.xlsx");
  ASSERT_TRUE(MakeOpenpyxlWorkbook(folder, source));
  EditAndSave(source, folder.File("update.xlsx"), ChangeWork);
  EditAndSave(source, folder.File("full.xlsx"), ChangeWork, true);

  EXPECT_TRUE(CopiedAsStored(source, folder.File("update.xlsx"), "xl/worksheets/sheet1.xml"));
  EXPECT_TRUE(CopiedAsStored(source, folder.File("update.xlsx"), "xl/worksheets/sheet2.xml"));
  EXPECT_FALSE(CopiedAsStored(source, folder.File("update.xlsx"), "xl/worksheets/sheet3.xml"));
  EXPECT_FALSE(CopiedAsStored(source, folder.File("full.xlsx"), "xl/worksheets/sheet1.xml"));
  // The copied parts name shared strings: the package carries them.
  EXPECT_EQ(ReadPart(folder.File("update.xlsx"), "xl/sharedStrings.xml"), ReadPart(source, "xl/sharedStrings.xml"));
  ExpectSameFiles(folder.File("full.xlsx"), folder.File("update.xlsx"));
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  EXPECT_EQ(host.OpenWorkbook(folder.File("update.xlsx")).Worksheets("Work").CellValue(1, 1),
            Variant(std::string("changed")));
}

// Every change of the sheet "Notes", however small, has it written again
// and survives; setting what a cell holds already is no change.
TEST(XlsxSheetCopy, AnyChangeOfTheSheetIsSaved) {
  TempFolder folder;
  const std::string source = folder.File("openpyxl.xlsx");
  ASSERT_TRUE(MakeOpenpyxlWorkbook(folder, source));
  CellStyle bold;
  bold.bold = true;
  const struct {
    const char* what;
    std::function<void(Worksheet&)> edit;
    bool copied;
  } cases[] = {
      {"nothing", [](Worksheet&) {}, true},
      {"a cell set to what it holds", [](Worksheet& s) { s.SetCellValue(2, 2, Variant(42.0)); }, true},
      {"a text set to what it holds",
       [](Worksheet& s) { s.SetCellValue(1, 1, Variant(std::string("Untouched text"))); }, true},
      {"a cell's value", [](Worksheet& s) { s.SetCellValue(2, 2, Variant(43.0)); }, false},
      {"a cell's format only", [&](Worksheet& s) { s.SetCellStyle(1, 1, bold); }, false},
      {"a column width only", [](Worksheet& s) { s.SetColumnWidth(3, 20); }, false},
      {"a row height", [](Worksheet& s) { s.SetRowHeight(4, 30); }, false},
      {"a merge", [](Worksheet& s) { s.Merge(Rect{7, 1, 7, 2}); }, false},
      {"frozen panes", [](Worksheet& s) { s.FreezePanes(1, 0); }, false},
      {"the zoom", [](Worksheet& s) { s.SetZoom(150); }, false},
      {"the selection", [](Worksheet& s) { s.SetSelectionRect(Rect{3, 3, 3, 3}); }, false},
      {"cleared formats", [](Worksheet& s) { s.ClearCells(Rect{5, 1, 5, 1}, false, true); }, false},
      {"a formula", [](Worksheet& s) { s.SetCellFormula(3, 2, "=B2*2", Variant(84.0)); }, false},
      // openpyxl marks no tab selected: the workbook alone names the active sheet.
      {"the active sheet", [](Worksheet& s) { s.Activate(); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string saved = folder.File("saved.xlsx");
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.OpenWorkbook(source);
    c.edit(book.Worksheets("Notes"));
    book.SaveAs(saved);
    EXPECT_EQ(CopiedAsStored(source, saved, "xl/worksheets/sheet2.xml"), c.copied);
    EXPECT_TRUE(CopiedAsStored(source, saved, "xl/worksheets/sheet1.xml"));
    MemoryHost again(MakeXlsxStore(), RegionalSettings{});
    Workbook& reloaded = again.OpenWorkbook(saved);
    ExpectSameWorkbook(book, reloaded);
  }
}

// What the workbook computes anew is a change: a formula whose stored
// result is not what it gives now has its sheet written.
TEST(XlsxSheetCopy, AFormulaResultThatChangesIsSaved) {
  TempFolder folder;
  const std::string source = folder.File("formula.xlsx");
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.AddEmptyWorkbook();
    Worksheet& first = book.AddWorksheet();
    first.SetCellValue(1, 1, Variant(2.0));
    first.SetCellFormula(1, 2, "=A1*3", Variant(6.0));
    Worksheet& second = book.AddWorksheet();
    second.SetCellFormula(1, 1, "=Sheet1!A1+1", Variant(3.0));
    book.WorksheetAt(1).Activate();
    book.SaveAs(source);
  }
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  host.SetFormulaEvaluator(MakeFormulaEngine(std::make_shared<FixedClock>(DateSerial(2025, 3, 21))));
  Workbook& book = host.OpenWorkbook(source);
  book.WorksheetAt(1).SetCellValue(1, 1, Variant(5.0));
  book.SaveAs(folder.File("saved.xlsx"));
  EXPECT_FALSE(CopiedAsStored(source, folder.File("saved.xlsx"), "xl/worksheets/sheet2.xml"));
  MemoryHost again(MakeXlsxStore(), RegionalSettings{});
  EXPECT_EQ(again.OpenWorkbook(folder.File("saved.xlsx")).WorksheetAt(2).CellValue(1, 1), Variant(6.0));
}

// The program's own files: a data sheet that got a few more rows is
// written, the others are copied, and the file reads back as the model.
TEST(XlsxSheetCopy, OwnFilesKeepTheirUntouchedSheets) {
  TempFolder folder;
  const std::string source = folder.File("own.xlsx");
  CellStyle dated, money;
  dated.number_format = "dd.mm.yyyy";
  money.number_format = "#,##0.00";
  money.font_color = 0xFF0000;
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.AddEmptyWorkbook();
    for (int s = 1; s <= 4; ++s) {
      Worksheet& sheet = book.AddWorksheet(nullptr);
      sheet.SetName("T" + std::to_string(s));
      sheet.SetCellValue(1, 1, Variant(std::string("Date")));
      for (int r = 2; r <= 50; ++r) {
        sheet.SetCellValue(r, 1, Variant::Date(45000 + r));
        sheet.SetCellStyle(r, 1, dated);
        sheet.SetCellValue(r, 2, Variant(r * 1.5 + s));
        sheet.SetCellStyle(r, 2, money);
      }
      sheet.SetColumnWidth(1, 12);
    }
    book.WorksheetAt(1).Activate();
    book.SaveAs(source);
  }
  // T1 was the active sheet and its part says so: with T4 active it is
  // written again.
  auto append = [&](Workbook& book) {
    book.Worksheets("T4").Activate();
    Worksheet& sheet = book.Worksheets("T2");
    for (int r = 51; r <= 55; ++r) {
      sheet.SetCellValue(r, 1, Variant::Date(45000 + r));
      sheet.SetCellStyle(r, 1, dated);
      sheet.SetCellValue(r, 2, Variant(r * 1.5));
    }
  };
  EditAndSave(source, folder.File("update.xlsx"), append);
  EditAndSave(source, folder.File("full.xlsx"), append, true);
  EXPECT_FALSE(CopiedAsStored(source, folder.File("update.xlsx"), "xl/worksheets/sheet1.xml"));
  EXPECT_FALSE(CopiedAsStored(source, folder.File("update.xlsx"), "xl/worksheets/sheet2.xml"));
  EXPECT_TRUE(CopiedAsStored(source, folder.File("update.xlsx"), "xl/worksheets/sheet3.xml"));
  EXPECT_TRUE(CopiedAsStored(source, folder.File("update.xlsx"), "xl/worksheets/sheet4.xml"));
  ExpectSameFiles(folder.File("full.xlsx"), folder.File("update.xlsx"));
}

// The part's deflated bytes as the package stores them.
std::string DeflatedPart(const std::string& path, const std::string& part) {
  int code = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (archive == nullptr) return {};
  std::string bytes;
  const zip_int64_t index = zip_name_locate(archive, part.c_str(), 0);
  if (zip_file_t* file = index < 0 ? nullptr : zip_fopen_index(archive, static_cast<zip_uint64_t>(index), ZIP_FL_COMPRESSED)) {
    char buffer[1 << 16];
    for (zip_int64_t n; (n = zip_fread(file, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<size_t>(n));
    zip_fclose(file);
  }
  zip_discard(archive);
  return bytes;
}

// The deflated rows of the part, as its rows field places them.
std::string DeflatedRows(const std::string& path, const std::string& part) {
  xlsx::ZipReader zip(path);
  const std::string field = zip.ExtraField(zip.EntryOf(part).index, xlsx::kRowsSegmentField);
  const auto rows = xlsx::DecodeRowsSegment(reinterpret_cast<const uint8_t*>(field.data()), field.size());
  if (!rows) return {};
  return DeflatedPart(path, part).substr(rows->deflated_begin, rows->deflated_end - rows->deflated_begin);
}

// A data sheet that got rows after its last one keeps its deflated rows
// but the last few and deflates only those and the new ones; a change well
// above its last row, or of the rows' formats, has it written whole; either way the file reads back as a
// full write of the same model, and again after a second such save.
TEST(XlsxSheetCopy, RowsAddedAfterTheLastCostOnlyThemselves) {
  TempFolder folder;
  const std::string source = folder.File("quotes.xlsx");
  CellStyle dated;
  dated.number_format = "dd.mm.yyyy";
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.AddEmptyWorkbook();
    Worksheet& sheet = book.AddWorksheet();
    sheet.SetCellValue(1, 1, Variant(std::string("Date")));
    sheet.SetCellValue(1, 2, Variant(std::string("Close")));
    for (int r = 2; r <= 2000; ++r) {
      sheet.SetCellValue(r, 1, Variant::Date(40000 + r));
      sheet.SetCellStyle(r, 1, dated);
      sheet.SetCellValue(r, 2, Variant(100 + (r % 37) * 0.25));
    }
    sheet.SetRowHeight(7, 21);
    book.SaveAs(source);
  }
  const std::string part = "xl/worksheets/sheet1.xml";
  const std::string rows = DeflatedRows(source, part);
  ASSERT_GT(rows.size(), 1000u);
  auto segment_of = [&](const std::string& file) {
    xlsx::ZipReader zip(file);
    const std::string field = zip.ExtraField(zip.EntryOf(part).index, xlsx::kRowsSegmentField);
    return xlsx::DecodeRowsSegment(reinterpret_cast<const uint8_t*>(field.data()), field.size()).value();
  };
  // The runs before the last, short one, which an update writes again
  // with its new rows.
  const xlsx::RowsSegment before = segment_of(source);
  ASSERT_FALSE(before.checkpoints.empty());
  const xlsx::RowsCheckpoint tail = before.checkpoints.back();
  const std::string kept_runs = rows.substr(0, tail.deflated - before.deflated_begin);
  auto add_rows = [&](int first, int last) {
    return [=](Workbook& book) {
      Worksheet& sheet = book.WorksheetAt(1);
      for (int r = first; r <= last; ++r) {
        sheet.SetCellValue(r, 1, Variant::Date(40000 + r));
        sheet.SetCellStyle(r, 1, dated);
        sheet.SetCellValue(r, 2, Variant(7.5));
      }
      sheet.SetColumnWidth(2, 14);
    };
  };
  const struct {
    const char* what;
    std::function<void(Workbook&)> edit;
    bool kept;
  } cases[] = {
      {"five rows and a width", add_rows(2001, 2005), true},
      {"the last rows written again as they are",
       [&](Workbook& book) {
         Worksheet& sheet = book.WorksheetAt(1);
         for (int r = 1990; r <= 2000; ++r) sheet.SetCellValue(r, 2, sheet.CellValue(r, 2));
         add_rows(2001, 2005)(book);
       },
       true},
      {"a cell well above the last rows",
       [](Workbook& book) { book.WorksheetAt(1).SetCellValue(1000, 2, Variant(1.0)); }, false},
      {"a format above the last row",
       [](Workbook& book) {
         CellStyle bold;
         bold.bold = true;
         book.WorksheetAt(1).SetCellStyle(3, 2, bold);
       },
       false},
      {"a row height above the last row", [](Workbook& book) { book.WorksheetAt(1).SetRowHeight(9, 30); }, false},
      {"rows inserted", [](Workbook& book) { book.WorksheetAt(1).InsertCellsShiftDown(Rect{5, 1, 5, 2}); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EditAndSave(source, folder.File("update.xlsx"), c.edit);
    EditAndSave(source, folder.File("full.xlsx"), c.edit, true);
    const std::string saved = DeflatedPart(folder.File("update.xlsx"), part);
    EXPECT_EQ(saved.find(kept_runs) != std::string::npos, c.kept);
    ExpectSameFiles(folder.File("full.xlsx"), folder.File("update.xlsx"));
  }
  // The last bar corrected as well: the runs before its row are kept.
  {
    auto correct = [&](Workbook& book) {
      book.WorksheetAt(1).SetCellValue(2000, 2, Variant(1.0));
      add_rows(2001, 2005)(book);
    };
    EditAndSave(source, folder.File("update.xlsx"), correct);
    EditAndSave(source, folder.File("full.xlsx"), correct, true);
    EXPECT_NE(DeflatedPart(folder.File("update.xlsx"), part).find(kept_runs), std::string::npos);
    EXPECT_EQ(DeflatedPart(folder.File("update.xlsx"), part).find(rows), std::string::npos);
    ExpectSameFiles(folder.File("full.xlsx"), folder.File("update.xlsx"));
  }
  // A second update of an updated file keeps the rows of both.
  EditAndSave(source, folder.File("update.xlsx"), add_rows(2001, 2005));
  EditAndSave(folder.File("update.xlsx"), folder.File("again.xlsx"), add_rows(2006, 2010));
  EditAndSave(source, folder.File("full.xlsx"), [&](Workbook& book) {
    add_rows(2001, 2005)(book);
    add_rows(2006, 2010)(book);
  }, true);
  EXPECT_EQ(DeflatedRows(folder.File("again.xlsx"), part).find(kept_runs), 0u);
  ExpectSameFiles(folder.File("full.xlsx"), folder.File("again.xlsx"));
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  EXPECT_EQ(host.OpenWorkbook(folder.File("again.xlsx")).WorksheetAt(1).CellValue(2010, 2), Variant(7.5));

  // The last rows run alone: an update of a few rows rewrites only them,
  // and daily updates never leave a run shorter than that tail.
  EXPECT_LE(before.text_end - tail.text, xlsx::kRowsTailRun);
  EXPECT_GT(before.text_end - tail.text, xlsx::kRowsTailRun - 100);
  std::string from = source;
  for (int day = 0; day < 16; ++day) {
    const std::string to = folder.File("day" + std::to_string(day) + ".xlsx");
    EditAndSave(from, to, add_rows(2001 + 5 * day, 2005 + 5 * day));
    from = to;
    EXPECT_EQ(DeflatedRows(to, part).find(kept_runs), 0u) << day;
  }
  const xlsx::RowsSegment after = segment_of(from);
  EXPECT_GT(after.checkpoints.size(), before.checkpoints.size());
  for (size_t i = before.checkpoints.size(); i < after.checkpoints.size(); ++i) {
    EXPECT_GE(after.checkpoints[i].text - after.checkpoints[i - 1].text, xlsx::kRowsTailRun) << i;
  }
  EditAndSave(source, folder.File("full.xlsx"), add_rows(2001, 2080), true);
  ExpectSameFiles(folder.File("full.xlsx"), from);
}

// Rows another program deflated are never taken for ours: a part whose
// field names another entry is written whole.
TEST(XlsxSheetCopy, RowsOfAPartRewrittenElsewhereAreNotKept) {
  TempFolder folder;
  const std::string source = folder.File("quotes.xlsx");
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.AddEmptyWorkbook();
    Worksheet& sheet = book.AddWorksheet();
    for (int r = 1; r <= 500; ++r) sheet.SetCellValue(r, 1, Variant(r * 1.0));
    book.SaveAs(source);
  }
  // The same texts deflated anew, the field kept as it was.
  const std::string part = "xl/worksheets/sheet1.xml";
  const std::string rows = DeflatedRows(source, part);
  const std::string field = [&] {
    xlsx::ZipReader zip(source);
    return zip.ExtraField(zip.EntryOf(part).index, xlsx::kRowsSegmentField);
  }();
  const std::string text = ReadPart(source, part);
  const std::string other = folder.File("other.xlsx");
  testing_xlsx::CopyWithParts(source, other, {{part, text + " "}});
  {
    int code = 0;
    zip_t* archive = zip_open(other.c_str(), 0, &code);
    ASSERT_NE(archive, nullptr);
    const zip_int64_t index = zip_name_locate(archive, part.c_str(), 0);
    ASSERT_GE(zip_file_extra_field_set(archive, static_cast<zip_uint64_t>(index), xlsx::kRowsSegmentField,
                                       ZIP_EXTRA_FIELD_NEW, reinterpret_cast<const zip_uint8_t*>(field.data()),
                                       static_cast<zip_uint16_t>(field.size()), ZIP_FL_CENTRAL),
              0);
    ASSERT_EQ(zip_close(archive), 0);
  }
  auto add = [](Workbook& book) { book.WorksheetAt(1).SetCellValue(501, 1, Variant(501.0)); };
  EditAndSave(other, folder.File("update.xlsx"), add);
  EditAndSave(other, folder.File("full.xlsx"), add, true);
  EXPECT_EQ(DeflatedPart(folder.File("update.xlsx"), part).find(rows), std::string::npos);
  ExpectSameFiles(folder.File("full.xlsx"), folder.File("update.xlsx"));
}

// A file changed after the load is not read again: every sheet is written
// from the model.
TEST(XlsxSheetCopy, AFileChangedSinceTheLoadServesNoCopy) {
  TempFolder folder;
  const std::string source = folder.File("openpyxl.xlsx");
  ASSERT_TRUE(MakeOpenpyxlWorkbook(folder, source));
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& book = host.OpenWorkbook(source);
  ChangeWork(book);
  const std::string kept = testing_xlsx::ReadBytes(source);
  testing_xlsx::WriteBytes(source, kept);  // the same bytes, but another write
  struct stat info;
  ASSERT_EQ(stat(source.c_str(), &info), 0);
  const struct timespec times[2] = {info.st_atim, {info.st_mtim.tv_sec + 5, info.st_mtim.tv_nsec}};
  ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
  book.SaveAs(folder.File("saved.xlsx"));
  EXPECT_FALSE(CopiedAsStored(source, folder.File("saved.xlsx"), "xl/worksheets/sheet1.xml"));
  EditAndSave(source, folder.File("full.xlsx"), ChangeWork, true);
  ExpectSameFiles(folder.File("full.xlsx"), folder.File("saved.xlsx"));
}

// A save over the loaded file itself (the command line's way) copies from
// the file it replaces.
TEST(XlsxSheetCopy, ASaveOverTheLoadedFileCopiesFromIt) {
  TempFolder folder;
  const std::string source = folder.File("openpyxl.xlsx");
  ASSERT_TRUE(MakeOpenpyxlWorkbook(folder, source));
  const std::string before = folder.File("before.xlsx");
  testing_xlsx::WriteBytes(before, testing_xlsx::ReadBytes(source));
  EditAndSave(source, source, ChangeWork);
  EXPECT_TRUE(CopiedAsStored(before, source, "xl/worksheets/sheet1.xml"));
  EditAndSave(before, folder.File("full.xlsx"), ChangeWork, true);
  ExpectSameFiles(folder.File("full.xlsx"), source);
}

// A workbook as libxlsxwriter writes it by default: texts as shared
// strings. The copied parts take the shared-string part along.
void MakeWriterWorkbook(const std::string& path) {
  lxw_workbook* wb = workbook_new(path.c_str());
  ASSERT_NE(wb, nullptr);
  lxw_format* bold = workbook_add_format(wb);
  format_set_bold(bold);
  lxw_format* dated = workbook_add_format(wb);
  format_set_num_format(dated, "yyyy-mm-dd");
  lxw_worksheet* quotes = workbook_add_worksheet(wb, "Quotes");
  worksheet_write_string(quotes, 0, 0, "Date", bold);
  worksheet_write_string(quotes, 0, 1, "Close", bold);
  worksheet_write_string(quotes, 0, 2, "Note", bold);
  for (int i = 0; i < 40; ++i) {
    worksheet_write_number(quotes, static_cast<lxw_row_t>(i + 1), 0, 45292 + i, dated);
    worksheet_write_number(quotes, static_cast<lxw_row_t>(i + 1), 1, 100 + i * 0.25, nullptr);
    worksheet_write_string(quotes, static_cast<lxw_row_t>(i + 1), 2, ("day " + std::to_string(i % 7)).c_str(), nullptr);
  }
  worksheet_set_column(quotes, 0, 0, 14, nullptr);
  worksheet_write_string(workbook_add_worksheet(wb, "Notes"), 0, 0, "Untouched text", nullptr);
  worksheet_write_string(workbook_add_worksheet(wb, "Work"), 0, 0, "to change", nullptr);
  ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
}

TEST(XlsxSheetCopy, CopiedSheetsTakeTheSharedStringsAlong) {
  TempFolder folder;
  const std::string source = folder.File("writer.xlsx");
  MakeWriterWorkbook(source);
  ASSERT_NE(ReadPart(source, "xl/sharedStrings.xml"), "");
  EditAndSave(source, folder.File("update.xlsx"), ChangeWork);
  EditAndSave(source, folder.File("full.xlsx"), ChangeWork, true);
  EXPECT_TRUE(CopiedAsStored(source, folder.File("update.xlsx"), "xl/worksheets/sheet1.xml"));
  EXPECT_TRUE(CopiedAsStored(source, folder.File("update.xlsx"), "xl/worksheets/sheet2.xml"));
  EXPECT_EQ(ReadPart(folder.File("update.xlsx"), "xl/sharedStrings.xml"), ReadPart(source, "xl/sharedStrings.xml"));
  EXPECT_EQ(ReadPart(folder.File("full.xlsx"), "xl/sharedStrings.xml"), "");
  ExpectSameFiles(folder.File("full.xlsx"), folder.File("update.xlsx"));
}

// LibreOffice reads what a save with copied parts and shared strings
// makes; and a workbook LibreOffice wrote (whose default format is not
// the writer's: its sheets are written) saves as a full write does.
TEST(XlsxSheetCopy, LibreOfficeReadsTheSavedFileAndSavesItsOwn) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0) GTEST_SKIP() << "no soffice";
  TempFolder folder;
  MakeWriterWorkbook(folder.File("writer.xlsx"));
  EditAndSave(folder.File("writer.xlsx"), folder.File("update.xlsx"), ChangeWork);
  ASSERT_TRUE(CopiedAsStored(folder.File("writer.xlsx"), folder.File("update.xlsx"), "xl/worksheets/sheet1.xml"));
  auto soffice = [&](const std::string& to, const std::string& file, const std::string& out) {
    const std::string command = "cd '" + folder.Path() + "' && soffice -env:UserInstallation=file://" +
                                folder.Path() + "/profile --headless --convert-to " + to + " --outdir " + out + " " +
                                file + " > /dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  };
  // Every sheet as text: the copied "Quotes" and "Notes" and the written "Work".
  ASSERT_TRUE(soffice("xlsx", "update.xlsx", "calc"));
  ASSERT_TRUE(soffice("csv:\"Text - txt - csv (StarCalc)\":44,34,76,1,,0,false,true,false,false,false,-1", "update.xlsx", "."));
  const std::string quotes = testing_xlsx::ReadBytes(folder.File("update-Quotes.csv"));
  EXPECT_NE(quotes.find("Date,Close,Note"), std::string::npos) << quotes;
  EXPECT_NE(quotes.find("2024-01-04,100.75,day 3"), std::string::npos) << quotes;
  EXPECT_NE(testing_xlsx::ReadBytes(folder.File("update-Notes.csv")).find("Untouched text"), std::string::npos);
  EXPECT_NE(testing_xlsx::ReadBytes(folder.File("update-Work.csv")).find("changed"), std::string::npos);

  // A data sheet whose runs of rows were kept: zip tools and LibreOffice
  // read it whole.
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.AddEmptyWorkbook();
    Worksheet& sheet = book.AddWorksheet();
    for (int r = 1; r <= 3000; ++r) sheet.SetCellValue(r, 1, Variant(r * 0.5));
    book.SaveAs(folder.File("rows.xlsx"));
  }
  EditAndSave(folder.File("rows.xlsx"), folder.File("rows2.xlsx"), [](Workbook& book) {
    book.WorksheetAt(1).SetCellValue(3000, 1, Variant(-1.0));
    book.WorksheetAt(1).SetCellValue(3001, 1, Variant(-2.0));
  });
  const std::string check = "/usr/bin/python3 -c \"import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)\" '" +
                            folder.File("rows2.xlsx") + "'";
  EXPECT_EQ(std::system(check.c_str()), 0);
  ASSERT_TRUE(soffice("csv", "rows2.xlsx", "."));
  const std::string rows = testing_xlsx::ReadBytes(folder.File("rows2.csv"));
  EXPECT_NE(rows.find("\n1499.5\n-1\n-2"), std::string::npos) << rows.substr(rows.size() > 100 ? rows.size() - 100 : 0);
  EXPECT_EQ(rows.find("\n1500\n"), std::string::npos);

  const std::string calc = folder.File("calc/update.xlsx");
  EditAndSave(calc, folder.File("calc_update.xlsx"), ChangeWork);
  EditAndSave(calc, folder.File("calc_full.xlsx"), ChangeWork, true);
  ExpectSameFiles(folder.File("calc_full.xlsx"), folder.File("calc_update.xlsx"));
}

}  // namespace
}  // namespace plrxl
