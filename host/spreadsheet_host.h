// SpreadsheetHost: the one way the system reaches workbooks, sheets, cells,
// names, charts and named functions.
//
// Ownership: the host owns its workbooks; a workbook owns its worksheets.
// Pointers and references handed out stay valid until the object is closed
// (workbook) or deleted (worksheet). Everything runs on one thread.
//
// Failures throw plrxl::Error:
//   1004  a range or address that does not resolve, addressing beyond the
//         65,536 x 256 grid, Run of a function that does not exist;
//   9     a sheet, workbook or name that does not exist ("Subscript out of
//         range");
//   other numbers as the operation says.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/address.h"
#include "host/chart.h"
#include "host/error.h"
#include "host/range.h"
#include "host/regional.h"
#include "host/style.h"
#include "host/variant.h"
#include "host/workbook_store.h"

namespace plrxl {

class Workbook;
class SpreadsheetHost;
// What a loaded file holds beyond the model, kept for the store that
// loaded it to write back; opaque to everything else.
struct CarriedSheetFeatures;
struct CarriedWorkbookFeatures;
// The part of a loaded file a sheet came from, for the store that loaded it.
struct LoadedSheetPart;

// One sheet of cells. The primitives below are what Range is built on; user
// code normally goes through Range.
class Worksheet : public HostObject {
 public:
  virtual Workbook& Parent() = 0;
  virtual std::string Name() const = 0;
  // Renames; throws 1004 for an empty, over-long (31), duplicate
  // (case-insensitive) name or one with any of : \ / ? * [ ].
  virtual void SetName(const std::string& name) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  // Makes this the active sheet of its workbook and its workbook active.
  virtual void Activate() = 0;

  // --- cell primitives (1-based; out of grid throws 1004) ---
  // Never-written cells read as the empty Variant.
  virtual Variant CellValue(int row, int col) const = 0;
  // A text the file cannot hold (format_limits.h) throws 1004 naming the
  // cell.
  virtual void SetCellValue(int row, int col, const Variant& value) = 0;
  // Sets a text cell to a text many cells share (a loaded workbook's shared
  // strings); a host may keep a reference instead of a copy.
  virtual void SetCellSharedText(int row, int col, const std::shared_ptr<const std::string>& text) {
    SetCellValue(row, col, Variant(*text));
  }
  // Formula text ("=A1+1"); empty when the cell holds a constant. Setting a
  // formula keeps the value given as its cached result.
  virtual std::string CellFormula(int row, int col) const = 0;
  virtual void SetCellFormula(int row, int col, const std::string& formula, const Variant& cached) = 0;
  // An array formula: one formula over a range, held by the range's
  // top-left cell; every other cell of the range keeps its own value (the
  // result stored with it). Writing the top-left cell ends the array.
  // ArrayFormulaRange gives the range when (row, col) is such a top-left
  // cell, nullopt otherwise.
  virtual std::optional<Rect> ArrayFormulaRange(int row, int col) const {
    (void)row, (void)col;
    return std::nullopt;
  }
  virtual void SetCellArrayFormula(const Rect& range, const std::string& formula, const Variant& cached) {
    SetCellFormula(range.row1, range.col1, formula, cached);
  }
  virtual CellStyle CellStyleAt(int row, int col) const = 0;
  virtual void SetCellStyle(int row, int col, const CellStyle& style) = 0;
  // Style by its id in the parent workbook's style table (0 = the default
  // style); the fast path for loading, saving and formatting many cells.
  // An id unknown to the workbook throws Error 5.
  virtual int CellStyleId(int row, int col) const = 0;
  virtual void SetCellStyleId(int row, int col, int style_id) = 0;
  // True when the cell holds neither a value nor a formula (its style does
  // not count).
  virtual bool IsCellEmpty(int row, int col) const { return CellValue(row, col).IsEmpty() && CellFormula(row, col).empty(); }
  // Visits, row by row and left to right within each row, every cell inside
  // rect that holds a value, a formula or a non-default style. The visitor
  // must not change the sheet's cells.
  virtual void ForEachCell(const Rect& rect, const std::function<void(int row, int col)>& visit) const = 0;
  // Clears values (and formulas) and/or formats of every cell in rect.
  virtual void ClearCells(const Rect& rect, bool values, bool formats) = 0;
  // Inserts empty cells at rect, shifting the cells below down by
  // rect.Rows() within rect's columns (cells pushed past the last row are
  // lost). DeleteCells removes rect and shifts the cells below up.
  virtual void InsertCellsShiftDown(const Rect& rect) = 0;
  virtual void DeleteCellsShiftUp(const Rect& rect) = 0;
  // Smallest rectangle holding every cell with a value, formula or
  // non-default style; nullopt for an empty sheet.
  virtual std::optional<Rect> UsedRange() const = 0;
  // Last cell with content (value or formula), searching rect row by row
  // from the bottom; nullopt when rect holds nothing.
  virtual std::optional<std::pair<int, int>> LastCellWithContent(const Rect& rect) const = 0;

  // --- sheet layout ---
  // Column width in character units (8.43 by default); row height in points
  // (any finite height of at least 0: files hold rows taller than the
  // kMaxNewRowHeight the system gives rows itself).
  virtual double ColumnWidth(int col) const = 0;
  virtual void SetColumnWidth(int col, double width) = 0;
  virtual bool ColumnWidthIsCustom(int col) const = 0;
  virtual double RowHeight(int row) const = 0;
  virtual void SetRowHeight(int row, double height) = 0;
  virtual bool RowHeightIsCustom(int row) const = 0;
  // The rows whose height is custom, in order.
  virtual std::vector<int> CustomHeightRows() const {
    std::vector<int> rows;
    for (int row = 1; row <= kMaxRows; ++row) {
      if (RowHeightIsCustom(row)) rows.push_back(row);
    }
    return rows;
  }
  virtual const std::vector<Rect>& MergedCells() const = 0;
  virtual void Merge(const Rect& rect) = 0;
  // Frozen panes: rows above and columns left of the split; 0,0 = none.
  virtual std::pair<int, int> FrozenPanes() const = 0;
  virtual void FreezePanes(int rows, int cols) = 0;
  virtual int Zoom() const = 0;  // percent
  virtual void SetZoom(int percent) = 0;
  // Selection on this sheet (the active cell is its top-left).
  virtual Rect SelectionRect() const = 0;
  virtual void SetSelectionRect(const Rect& rect) = 0;

  // --- charts ---
  virtual int ChartCount() const = 0;
  // 1-based; throws 9 when out of range.
  virtual Chart& ChartAt(int index) = 0;
  // Adds a chart with a fresh name ("Chart n") and returns it.
  virtual Chart& AddChart(double left, double top, double width, double height) = 0;
  virtual void DeleteChart(int index) = 0;

  // Features of the loaded file that the model does not know (conditional
  // formats, validation, tables, comments, pictures, print areas...), set
  // by the store that loaded the sheet and written back by it; null when
  // none. They go with the sheet when it is moved or renamed, and with it
  // when it is deleted.
  virtual std::shared_ptr<const CarriedSheetFeatures> CarriedFeatures() const = 0;
  virtual void SetCarriedFeatures(std::shared_ptr<const CarriedSheetFeatures> features) = 0;

  // The part of the loaded file the sheet came from, set by the store
  // after loading it, so that a save may take from the part what the
  // sheet did not change since. The sheet tells what changed: anything the
  // part holds (cells, formats, layout, views, charts, carried features, a
  // formula result that comes out different), and the first row whose
  // cells or row settings changed (kMaxRows + 1 when none). A sheet that
  // cannot tell keeps no part: null always means "write the sheet".
  virtual std::shared_ptr<const LoadedSheetPart> LoadedPart() const { return nullptr; }
  virtual void SetLoadedPart(std::shared_ptr<const LoadedSheetPart> part) { (void)part; }
  virtual bool ChangedSinceLoad() const { return true; }
  virtual int RowsChangedFrom() const { return 1; }

  // --- convenience ---
  // Range by A1 address without a sheet name ("B2", "$A$1:$C$9", "A:K").
  Range GetRange(const std::string& a1);
  Range Cells(int row, int col);
  Range Cells(const Rect& rect);
  Range AllCells();
};

struct DefinedName {
  std::string name;
  std::string refers_to;  // as stored: "='Sheet'!R1C1" or "='Sheet'!$A$1"
  bool visible = true;
  // The sheet the name is local to; nullptr for a name of the whole
  // workbook. A name may be defined once per scope.
  const Worksheet* scope = nullptr;
  std::string comment;
};

// An open workbook.
class Workbook : public HostObject {
 public:
  virtual SpreadsheetHost& Application() = 0;
  // File name without folder ("Project.xlsx"), "Book1" when never saved.
  virtual std::string Name() const = 0;
  // Folder of the file without trailing slash; empty when never saved.
  virtual std::string Path() const = 0;
  virtual std::string FullName() const = 0;

  virtual int WorksheetCount() const = 0;
  // 1-based; throws 9 when out of range.
  virtual Worksheet& WorksheetAt(int index) = 0;
  // Case-insensitive lookup; nullptr when missing.
  virtual Worksheet* FindWorksheet(const std::string& name) = 0;
  // Case-insensitive lookup; throws 9 when missing.
  Worksheet& Worksheets(const std::string& name);
  // Adds a sheet named "Sheet<n>" after the last (or before `before`).
  virtual Worksheet& AddWorksheet(Worksheet* before = nullptr) = 0;
  virtual void DeleteWorksheet(Worksheet& sheet) = 0;
  virtual void MoveWorksheet(Worksheet& sheet, int new_index) = 0;
  virtual Worksheet* ActiveSheet() = 0;

  // The date system of the file the workbook came from: true when its
  // serials count from 1 January 1904. Dates in the model are always
  // serials of the 1900 system (Variant); the store converts at the file
  // boundary. A formula engine computing serials takes this as its epoch.
  virtual bool Date1904() const = 0;
  virtual void SetDate1904(bool on) = 0;

  // --- style table: every distinct CellStyle of the workbook, by id ---
  // The id of style, adding it when new; id 0 is the default CellStyle.
  // Throws Error 1004 past 65,535 distinct styles.
  virtual int InternStyle(const CellStyle& style) = 0;
  // 0 .. StyleCount() - 1; throws Error 9 when out of range.
  virtual const CellStyle& StyleAt(int style_id) const = 0;
  virtual int StyleCount() const = 0;

  // --- defined names (case-insensitive) ---
  // Every name, those local to a sheet included, by name (a workbook name
  // before the local ones of the same name).
  virtual int NameCount() const = 0;
  virtual const DefinedName& NameAt(int index) const = 0;  // 1-based; 9 if out of range
  // Adds or replaces a workbook name. refers_to is "=" + reference in R1C1
  // ("='PelorinXL Settings'!R1C1") or A1 form.
  virtual void AddName(const std::string& name, const std::string& refers_to) = 0;
  // Adds or replaces the name of the same name and scope (a sheet of this
  // workbook, or nullptr); throws 1004 for a name that is not valid and 9
  // for a scope that is not a sheet of this workbook.
  virtual void DefineName(const DefinedName& name) = 0;
  // Deletes the name FindName finds.
  virtual void DeleteName(const std::string& name) = 0;
  // The workbook name, or else the one local to the active sheet; nullptr
  // when neither exists.
  virtual const DefinedName* FindName(const std::string& name) const = 0;
  // The range a name refers to; throws 1004 when it does not resolve.
  Range NameRange(const std::string& name);

  // Saves under a path in .xlsx format (atomically: a failed save leaves an
  // existing file untouched) and makes it the workbook's name and path.
  virtual void SaveAs(const std::string& path) = 0;
  virtual void Save() = 0;
  // Notes about the loaded file and the last save: what was read
  // differently from how the file gave it, what a save left out on purpose
  // ("VBA project ... not saved: only an .xlsm file holds macros").
  virtual std::vector<std::string>& Warnings() = 0;
  // What the loaded file holds that a save would drop, one text per
  // feature or part naming it and where it is ("embedded objects on sheet
  // 'Data'", "pivot table xl/pivotTables/pivotTable1.xml"). Empty when a
  // save keeps everything. Commands that save a loaded workbook refuse
  // unless the user accepts these losses.
  virtual std::vector<std::string>& Losses() = 0;
  // Workbook-wide counterpart of Worksheet::CarriedFeatures.
  virtual std::shared_ptr<const CarriedWorkbookFeatures> CarriedFeatures() const = 0;
  virtual void SetCarriedFeatures(std::shared_ptr<const CarriedWorkbookFeatures> features) = 0;
  // Package parts carried over unchanged (the VBA project of an .xlsm and
  // its relationships), keyed by part name ("xl/vbaProject.bin").
  virtual std::vector<std::pair<std::string, std::string>>& CarriedParts() = 0;
  // Closes without saving; the object is invalid afterwards.
  virtual void Close() = 0;
};

// A function callable by name through Run: receives the arguments in order.
using HostFunction = std::function<Variant(SpreadsheetHost& host, std::vector<Variant>& args)>;

// The spreadsheet application.
class SpreadsheetHost {
 public:
  virtual ~SpreadsheetHost() = default;

  virtual int WorkbookCount() const = 0;
  virtual Workbook& WorkbookAt(int index) = 0;  // 1-based; 9 if out of range
  virtual Workbook* FindWorkbook(const std::string& name) = 0;  // case-insensitive
  virtual Workbook* ActiveWorkbook() = 0;  // nullptr when none is open
  virtual void SetActiveWorkbook(Workbook& wb) = 0;
  // Opens a workbook file; throws Error (1004, with the file and reason) on
  // a file that cannot be read.
  virtual Workbook& OpenWorkbook(const std::string& path) = 0;
  virtual Workbook& AddWorkbook() = 0;

  Worksheet* ActiveSheet();
  Range ActiveCell();
  Range Selection();
  // Resolves an address that may carry a sheet name, or a defined name of
  // the active workbook; a bare address refers to the active sheet. Throws
  // 1004 when it does not resolve (missing sheet included).
  Range ResolveRange(const std::string& address);

  virtual bool ScreenUpdating() const = 0;
  virtual void SetScreenUpdating(bool on) = 0;
  virtual bool DisplayAlerts() const = 0;
  virtual void SetDisplayAlerts(bool on) = 0;
  // Status-bar text; an empty text gives the bar back to the host.
  virtual std::string StatusBar() const = 0;
  virtual void SetStatusBar(const std::string& text) = 0;
  virtual void EndCopyMode() = 0;

  // Runs a registered function with its arguments in order and returns its
  // value. Throws 1004 "The macro '<name>' cannot be found." when no function
  // of that name (case-insensitive) is registered. At most 30 arguments.
  virtual Variant Run(const std::string& name, std::vector<Variant> args) = 0;
  virtual void RegisterFunction(const std::string& name, HostFunction fn) = 0;
  virtual bool HasFunction(const std::string& name) const = 0;

  // Lets the user interface process pending events (progress, cancel).
  virtual void DoEvents() = 0;
  virtual void SetDoEventsHook(std::function<void()> hook) = 0;

  virtual const RegionalSettings& Regional() const = 0;
  virtual void SetRegional(const RegionalSettings& rs) = 0;
};

}  // namespace plrxl
