// The Calc host's objects: the application, its workbooks (Calc documents)
// and their worksheets (Calc sheets). See calc_host.h for the contract.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>

#include "host/calc/calc_host.h"
#include "host/calc/internal/uno.h"
#include "host/host_rules.h"

namespace plrxl::calc {

class CalcHost;
class CalcWorkbook;

class CalcWorksheet : public Worksheet {
 public:
  CalcWorksheet(CalcWorkbook& book, Reference<css::sheet::XSpreadsheet> sheet);

  Workbook& Parent() override;
  std::string Name() const override;
  void SetName(const std::string& name) override;
  bool Visible() const override;
  void SetVisible(bool visible) override;
  void Activate() override;

  Variant CellValue(int row, int col) const override;
  void SetCellValue(int row, int col, const Variant& value) override;
  std::string CellFormula(int row, int col) const override;
  void SetCellFormula(int row, int col, const std::string& formula, const Variant& cached) override;
  CellStyle CellStyleAt(int row, int col) const override;
  void SetCellStyle(int row, int col, const CellStyle& style) override;
  int CellStyleId(int row, int col) const override;
  void SetCellStyleId(int row, int col, int style_id) override;
  bool IsCellEmpty(int row, int col) const override;
  void ForEachCell(const Rect& rect, const std::function<void(int row, int col)>& visit) const override;
  void ClearCells(const Rect& rect, bool values, bool formats) override;
  void InsertCellsShiftDown(const Rect& rect) override;
  void DeleteCellsShiftUp(const Rect& rect) override;
  std::optional<Rect> UsedRange() const override;
  std::optional<std::pair<int, int>> LastCellWithContent(const Rect& rect) const override;

  double ColumnWidth(int col) const override;
  void SetColumnWidth(int col, double width) override;
  bool ColumnWidthIsCustom(int col) const override;
  double RowHeight(int row) const override;
  void SetRowHeight(int row, double height) override;
  bool RowHeightIsCustom(int row) const override;
  // The rows of the used area and those given a height through this host
  // whose height is custom: asking Calc row by row for the whole grid
  // would take minutes.
  std::vector<int> CustomHeightRows() const override;
  const std::vector<Rect>& MergedCells() const override;
  void Merge(const Rect& rect) override;
  std::pair<int, int> FrozenPanes() const override;
  void FreezePanes(int rows, int cols) override;
  int Zoom() const override;
  void SetZoom(int percent) override;
  Rect SelectionRect() const override { return selection_; }
  void SetSelectionRect(const Rect& rect) override { selection_ = rect; }

  int ChartCount() const override;
  Chart& ChartAt(int index) override;
  Chart& AddChart(double left, double top, double width, double height) override;
  void DeleteChart(int index) override;

  std::shared_ptr<const CarriedSheetFeatures> CarriedFeatures() const override { return nullptr; }
  void SetCarriedFeatures(std::shared_ptr<const CarriedSheetFeatures> features) override;

  // --- for the workbook ---
  const Reference<css::sheet::XSpreadsheet>& Uno() const { return sheet_; }
  // Sends the waiting writes to Calc, forgetting the cells read where they
  // went; true when values or formulas were written.
  bool Flush();
  // Draws the charts added or changed since the last time (calc_charts.cpp).
  void FlushCharts();
  // Adds the names of the sheet's charts, drawn or waiting.
  void AddChartNames(std::set<std::string>& names) const;
  // Forgets the cells and styles read so far (cells moved, or went).
  void ForgetReads() const {
    chunks_.clear();
    formula_chunks_.clear();
    style_ids_.clear();
    style_chunks_.clear();
    empty_chunks_.clear();
    plain_style_chunks_.clear();
  }
  // Notes a sheet just made as empty and unformatted throughout: nothing
  // needs reading back from it.
  void NoteNew();
  bool HasPendingValues() const { return !pending_values_.empty(); }
  // Forgets the blocks read that hold formulas: Calc may have computed new
  // values for them.
  void ForgetFormulaReads() const;
  // Makes the sheet's cells read the system's default column width.
  void UseDefaultColumnWidth();

 private:
  struct Cell {
    Variant value;
    bool formula = false;
  };
  struct Pending {
    Variant value;
    std::string formula;  // non-empty: a formula
  };
  using Chunk = std::vector<Cell>;

  // A cell as Calc would hand it out: from the writes waiting, the blocks
  // read (and kept up to date with what this host wrote since) or, failing
  // both, a block read afresh.
  Cell ReadCell(int row, int col) const;
  // What a waiting write reads back as, when that is known without asking
  // Calc: a number's kind follows its cell's format, which must be known.
  std::optional<Cell> AsRead(const Pending& pending, int row, int col) const;
  // The style of a cell when this host wrote or read it, without asking.
  std::optional<int> KnownStyleId(int row, int col) const;
  VarType KindOfStyle(int style_id) const;
  Chunk LoadChunk(const Rect& rect) const;
  std::vector<int> LoadStyleChunk(const Rect& rect) const;
  // Finds, in one query, how far the columns of the block at `key` are
  // empty from its top down, and notes the blocks found empty; true when
  // the block itself is.
  bool NoteEmptyBlocksFrom(int key) const;
  // A number read under a new style takes its format's kind; a Boolean
  // cannot be turned back, so its block is read again.
  void Rekind(int row, int col, int style_id) const;
  Reference<css::table::XCellRange> UnoRange(const Rect& rect) const;
  // Forgets the blocks read that overlap `rect`, and the styles known
  // inside it when `styles`.
  void ForgetReadsIn(const Rect& rect, bool styles) const;
  void ForgetStylesIn(const Rect& rect) const;
  // Brings what was read up to date with a clear of `rect`.
  void NoteCleared(const Rect& rect, bool values, bool formats) const;
  // A write into a block known empty makes it a block read, all empty, so
  // that the write keeps it up to date.
  void WriteInto(int row, int col);
  // Brings what was read inside `rect` up to what is written there.
  void KeepReadsOf(const Rect& rect, const std::map<std::pair<int, int>, Pending>& written) const;
  // Writes waiting in the whole workbook go first: a read may depend on a
  // formula elsewhere.
  void FlushWorkbook() const;
  void FlushStyles();
  void FlushWidths();
  void FlushValues();
  void ApplyKindFormats(const std::vector<std::pair<Rect, VarType>>& runs);
  void Refetch();
  // Ranges inside rect whose format is not the document's default.
  std::vector<Rect> FormattedRanges(const Rect& rect) const;
  // Lists the document's charts of this sheet, once.
  void ReadCharts() const;
  void WriteChart(const Chart& chart);
  // The cells of a series reference ("='AAPL'!R2C5:R200C5").
  css::table::CellRangeAddress ChartRange(const std::string& reference);
  // The cell right above a series' values when it holds the series' name,
  // as Calc's chart data names cells ("$Quotes.$E$1"); empty otherwise.
  std::string LabelCell(const css::table::CellRangeAddress& values, const std::string& name);

  // A chart of the sheet, in the document's order, those drawn here and
  // not sent yet last.
  struct SheetChart {
    std::unique_ptr<Chart> chart;
    // The chart as Calc shows it (as read, or as last drawn); none while
    // it waits to be drawn.
    std::optional<Chart> shown;
    // False for a chart of the document whose title and kind are not read
    // yet: only its name is known.
    bool loaded = false;
  };
  void LoadChart(SheetChart& entry) const;
  mutable std::vector<SheetChart> charts_;
  mutable bool charts_read_ = false;
  int next_chart_number_ = 1;

  CalcWorkbook& book_;
  Reference<css::sheet::XSpreadsheet> sheet_;
  Rect selection_;
  std::map<std::pair<int, int>, Pending> pending_values_;  // key: (col, row)
  std::map<std::pair<int, int>, int> pending_styles_;      // key: (col, row)
  mutable std::unordered_map<int, Chunk> chunks_;
  mutable std::unordered_set<int> formula_chunks_;  // keys of chunks_ holding a formula
  // Keys of blocks known to hold nothing: a walk down an empty column
  // (End down) would otherwise read it block by block.
  mutable std::unordered_set<int> empty_chunks_;
  // Keys of blocks whose cells have the document's default style, but for
  // those in style_ids_.
  mutable std::unordered_set<int> plain_style_chunks_;
  mutable int plain_style_id_ = 0;
  // The style of each cell whose style this host wrote or read: asking Calc
  // takes a round trip per cell. Key: (col, row).
  mutable std::map<std::pair<int, int>, int> style_ids_;
  // The styles of the blocks read, cell by cell (keys as in chunks_); a
  // style in style_ids_ wins.
  mutable std::unordered_map<int, std::vector<int>> style_chunks_;
  std::map<int, double> widths_set_;   // column -> width given, while Calc keeps it
  // Column widths in Calc's units as read or given, and those given that
  // wait to be sent: a fit sets every column, a round trip each.
  mutable std::map<int, sal_Int32> widths_known_;
  std::map<int, sal_Int32> pending_widths_;
  std::map<int, double> heights_set_;  // row -> height given
  std::vector<Rect> merged_;
  // The sheet's name as this host last read or gave it: lookups by name
  // walk every sheet, and a round trip each made a run of many sheets slow.
  mutable std::string name_;
};

class CalcWorkbook : public Workbook {
 public:
  // `owned`: the host opened or made the document and closes it with the
  // workbook; a document the person opened (adopted) is only let go.
  CalcWorkbook(CalcHost& host, Reference<css::lang::XComponent> document, std::string name, std::string path,
               bool owned = true);
  ~CalcWorkbook() override;

  SpreadsheetHost& Application() override;
  std::string Name() const override { return name_; }
  std::string Path() const override { return path_; }
  std::string FullName() const override { return path_.empty() ? name_ : path_ + "/" + name_; }

  int WorksheetCount() const override { return static_cast<int>(sheets_.size()); }
  Worksheet& WorksheetAt(int index) override;
  Worksheet* FindWorksheet(const std::string& name) override;
  Worksheet& AddWorksheet(Worksheet* before = nullptr) override;
  void DeleteWorksheet(Worksheet& sheet) override;
  void MoveWorksheet(Worksheet& sheet, int new_index) override;
  Worksheet* ActiveSheet() override { return active_; }

  bool Date1904() const override { return false; }
  void SetDate1904(bool on) override;
  // Error 1004 when the document counts its dates in the 1904 system.
  void RefuseDates1904() const;

  int InternStyle(const CellStyle& style) override;
  const CellStyle& StyleAt(int style_id) const override;
  int StyleCount() const override { return static_cast<int>(styles_.size()); }

  int NameCount() const override;
  const DefinedName& NameAt(int index) const override;
  void AddName(const std::string& name, const std::string& refers_to) override;
  void DefineName(const DefinedName& name) override;
  void DeleteName(const std::string& name) override;
  const DefinedName* FindName(const std::string& name) const override;

  void SaveAs(const std::string& path) override;
  void Save() override;
  std::vector<std::string>& Warnings() override { return warnings_; }
  std::vector<std::string>& Losses() override { return losses_; }
  std::shared_ptr<const CarriedWorkbookFeatures> CarriedFeatures() const override { return nullptr; }
  void SetCarriedFeatures(std::shared_ptr<const CarriedWorkbookFeatures> features) override;
  std::vector<std::pair<std::string, std::string>>& CarriedParts() override { return carried_parts_; }
  void Close() override;
  // Forgets the document without closing it (it stays open in the office,
  // its views unlocked); destroys this object.
  void LetGo();
  // Stores the document in its own file the way the office's Save does
  // (for a document someone opened in the office: no file is renamed
  // under it).
  void StoreInPlace();

  // --- for the sheets and the host ---
  CalcHost& Host() { return host_; }
  const Reference<css::sheet::XSpreadsheetDocument>& Document() const { return document_; }
  void SetActiveSheet(CalcWorksheet* sheet);
  CalcWorksheet* OtherVisibleSheet(const Worksheet* except);
  void CheckName(const std::string& name, const Worksheet* self) const;
  // Calc rewrites the names' references when sheets or cells move.
  void ForgetNames() { names_known_ = false; }
  // Sends every sheet's waiting writes; forgets every sheet's reads when
  // there were any.
  void FlushCells();
  // The names of every sheet's charts and drawing objects: a new chart
  // takes none of them.
  std::set<std::string> ChartNames() const;
  // FlushCells, then draws the charts added or changed: what a read needs
  // is the cells, and a chart is drawn once its series and looks are set.
  void Flush();
  bool HasPendingValues() const {
    for (const auto& s : sheets_)
      if (s->HasPendingValues()) return true;
    return false;
  }
  // The Calc number format key of a format text, and back.
  sal_Int32 FormatKey(const std::string& code);
  std::string FormatCode(sal_Int32 key);
  // The kind a number under this format reads as: kDate, kBoolean or
  // kNumber.
  VarType KindOfFormat(sal_Int32 key);
  // The view of the document, null when it has none.
  Reference<css::frame::XController> View() const;
  void LockControllers(bool lock);
  // Makes a fresh document look like a new workbook of the system: one
  // sheet "Sheet1", the default font and column width.
  void SetUpNewDocument();
  // The format of a cell nobody formatted: the document's default cell
  // style.
  const CellStyle& DefaultStyle();

 private:
  void ReadNames() const;
  static Reference<css::sheet::XNamedRanges> SheetNames(const CalcWorksheet& sheet);
  // The names of a scope: the workbook's (null) or a sheet's.
  Reference<css::sheet::XNamedRanges> NamesOf(const Worksheet* scope) const;
  // The names as this host last read them: a lookup by name reads them all.
  mutable bool names_known_ = false;
  CalcWorksheet& Wrap(Reference<css::sheet::XSpreadsheet> sheet);

  CalcHost& host_;
  Reference<css::lang::XComponent> component_;
  Reference<css::sheet::XSpreadsheetDocument> document_;
  std::string name_, path_;
  std::vector<std::unique_ptr<CalcWorksheet>> sheets_;
  CalcWorksheet* active_ = nullptr;
  std::vector<CellStyle> styles_;
  mutable std::vector<DefinedName> names_;
  Reference<css::util::XNumberFormats> formats_;
  std::unordered_map<std::string, sal_Int32> keys_;
  std::unordered_map<sal_Int32, std::string> codes_;
  std::unordered_map<sal_Int32, VarType> kinds_;
  std::vector<std::string> warnings_, losses_;
  std::vector<std::pair<std::string, std::string>> carried_parts_;
  bool locked_ = false;
  bool owned_ = true;
  std::optional<CellStyle> default_style_;
};

class CalcHost : public SpreadsheetHost {
 public:
  CalcHost(CalcOffice& office, RegionalSettings regional, CalcHostOptions options);
  ~CalcHost() override;

  int WorkbookCount() const override { return static_cast<int>(books_.size()); }
  Workbook& WorkbookAt(int index) override;
  Workbook* FindWorkbook(const std::string& name) override;
  Workbook* ActiveWorkbook() override { return active_; }
  void SetActiveWorkbook(Workbook& wb) override;
  Workbook& OpenWorkbook(const std::string& path) override;
  Workbook& AddWorkbook() override;
  // A document already open in the office (the one a menu command runs on)
  // as a workbook; closing the workbook or the host leaves it open.
  Workbook& AdoptDocument(Reference<css::lang::XComponent> document);

  bool ScreenUpdating() const override { return screen_updating_; }
  void SetScreenUpdating(bool on) override;
  bool DisplayAlerts() const override { return display_alerts_; }
  void SetDisplayAlerts(bool on) override { display_alerts_ = on; }
  std::string StatusBar() const override { return status_bar_; }
  void SetStatusBar(const std::string& text) override { status_bar_ = text; }
  void EndCopyMode() override {}

  Variant Run(const std::string& name, std::vector<Variant> args) override;
  void RegisterFunction(const std::string& name, HostFunction fn) override;
  bool HasFunction(const std::string& name) const override;

  void DoEvents() override;
  void SetDoEventsHook(std::function<void()> hook) override { do_events_hook_ = std::move(hook); }

  const RegionalSettings& Regional() const override { return regional_; }
  void SetRegional(const RegionalSettings& rs) override { regional_ = rs; }

  // --- for the workbooks ---
  void Closed(CalcWorkbook* book);
  Reference<css::lang::XComponent> Load(const std::string& url);

 private:
  CalcOffice& office_;
  RegionalSettings regional_;
  CalcHostOptions options_;
  std::vector<std::unique_ptr<CalcWorkbook>> books_;
  CalcWorkbook* active_ = nullptr;
  int next_book_number_ = 1;
  bool screen_updating_ = true;
  bool display_alerts_ = true;
  std::string status_bar_;
  FunctionRegistry functions_;
  std::function<void()> do_events_hook_;
};

}  // namespace plrxl::calc

namespace plrxl::calc {

// A cell style on a range of Calc cells (one call), and a cell's style read
// back. Carried: number format, font (name, size, bold, italic, underline,
// colour, strikethrough), a solid fill colour, horizontal alignment and
// wrapping; the rest of CellStyle keeps its defaults.
void ApplyStyle(CalcWorkbook& book, const Reference<css::table::XCellRange>& range, const CellStyle& style);
CellStyle ReadStyle(CalcWorkbook& book, const Reference<css::beans::XPropertySet>& cells);
// Each distinct format inside `range`, with the cell ranges that have it:
// one look per format, however many runs of cells it makes. Throws what
// UNO throws.
void ForEachFormat(CalcWorkbook& book, const Reference<css::table::XCellRange>& range,
                   const std::function<void(const CellStyle&, const css::table::CellRangeAddress&)>& visit);

}  // namespace plrxl::calc
