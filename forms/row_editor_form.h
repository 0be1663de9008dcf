// frmMaster: the ticker row editor's logic.
//
// The person chooses a data source and fills a two-level property grid
// (category lines, each followed by its property lines); Insert checks the
// lines and appends the composed ticker row through the owner
// (CPelorin::AddNewRecord). Insert New does the same and keeps the window
// open; Cancel hides it with the request text (Tag) "CLOSE". The cell button
// of the data-beginning line hides it with "DATABEGINNING", so that the
// caller lets the person pick a cell and hands the address back through
// DataBeginning (CPelorin::RefEditInputs) before showing the window again.
//
// A view (the Qt property grid, or a test) draws VisibleLines(), forwards
// clicks, double-clicks, keys and committed edits here, and asks
// EditorOf() which editor to open. Every procedure registers as
// "Pelorin.frmMaster.<name>" and routes its errors to the context's handler.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "entry/run_context.h"
#include "host/variant.h"

namespace plrxl {

class QuoteFetcher;

// One line of the property list.
struct PropertyItem {
  std::string category;  // ".Data", ".Data Fields" or " Source"
  std::string name;
  int16_t kind = 0;      // selects the editor and the check on insert
  Variant value;
  bool fixed = false;    // built-in items stay when the source changes
  Variant initial;       // the value the item started with
};

// Editors by item kind.
enum class EditorKind { kText, kChoice, kDate, kRangePick };

struct EditorInfo {
  EditorKind kind = EditorKind::kText;
  // Choice lists: the entries joined by "|" ("True|False" for kind 1).
  std::string choices;
};

// Keys the grid forwards.
enum class GridKey { kLeft, kRight, kHome, kEnd, kUp, kDown, kLetter };

// One drawn line of the grid: a category line (key empty) or a property.
struct GridLine {
  std::string category;
  std::string key;    // the hidden key column: the item's index as text
  std::string name;   // "Property"
  std::string value;  // "Value", as shown
  int item = -1;      // index into Items(); -1 for a category line
  bool collapsed = false;  // category lines: their properties are hidden
};

class frmMaster : public RowEditorWindow {
 public:
  // Grid columns: category marker, hidden key, "Property", "Value".
  static constexpr int kColProperty = 2;
  static constexpr int kColValue = 3;
  // Dates are shown and edited in this form whatever the regional settings.
  static constexpr const char* kDateForm = "dd.mm.yyyy";

  // `help` opens a help topic ("Master_Pelorin.htm"); without it the Help
  // button does nothing.
  explicit frmMaster(RunContext& context, std::function<void(const std::string& topic)> help = {});
  ~frmMaster() override;

  // --- Form / RowEditorWindow ---
  std::string FormName() const override { return "frmMaster"; }
  // Setting an owner loads the window (Form_Load) when it is not loaded.
  void SetOwner(CPelorin* owner) override;
  std::string DataBeginning() const override { return data_beginning_; }
  void SetDataBeginning(const std::string& text) override;
  // Form_Activate: a new show starts visible.
  void RunHeadless(UiPort& ui) override {
    (void)ui;
    hidden_ = false;
  }
  // "cmdInsert", "cmdInsertNew", "cmdCancel", "cmdHelp".
  bool Click(const std::string& control) override;
  // Closing the window: as Cancel.
  void CancelRequested() override { cmdCancel_Click(); }

  // --- events ---
  void Form_Load();
  void ComDataSource_Click(int index);
  bool CheckField();
  void cmdInsert_Click();
  void cmdInsertNew_Click();
  void cmdCancel_Click();
  void cmdHelp_Click();
  // Double-click on a visible line: a category line collapses or expands,
  // a property line starts editing (returns true).
  bool VSFlexGrid1_DblClick(int line);
  void VSFlexGrid1_KeyDown(GridKey key, char letter = 0);
  // The person committed `text` as the value of the visible line.
  void VSFlexGrid1_AfterEdit(int line, const std::string& text);
  // The cell button ("...") of the visible line: a range pick for kind 6
  // (hides the window); a date item opens the date picker in the view.
  void VSFlexGrid1_CellButtonClick(int line);

  // --- what a view shows ---
  const std::vector<std::string>& ComDataSourceItems() const { return sources_; }
  int ComDataSourceIndex() const { return source_index_; }
  const std::vector<PropertyItem>& Items() const { return items_; }
  const std::vector<GridLine>& VisibleLines() const { return lines_; }
  // Selection: the visible line and the column (kColProperty or kColValue).
  int Row() const { return row_; }
  int Col() const { return col_; }
  void Select(int line, int col);
  // The editor of a visible property line.
  EditorInfo EditorOf(int line) const;
  // True when the line shows a cell button ("...").
  bool HasCellButton(int line) const;
  // The line CheckField stopped at, which the view opens for editing; -1.
  int EditRequested() const { return edit_requested_; }
  bool Hidden() const { return hidden_; }
  bool Loaded() const { return loaded_; }
  // Whether the Help button has a help topic to open.
  bool HelpAvailable() const { return static_cast<bool>(help_); }
  std::string Caption() const;

  // Rows appended so far in this show.
  int RowsInserted() const { return rows_inserted_; }

 private:
  CPelorin& Owner();
  void BuildFixedItems();
  // Rebuilds lines_ from items_ grouped by category (DisplayCategorized).
  void DisplayCategorized();
  std::string ShownValue(const PropertyItem& item) const;
  // Item indices in display order: by category, list order within one.
  std::vector<int> OrderedItems() const;
  void Hide(const char* request);

  RunContext& context_;
  std::function<void(const std::string&)> help_;
  CPelorin* owner_ = nullptr;
  std::unique_ptr<QuoteFetcher> fetcher_;
  std::vector<std::string> sources_;
  int source_index_ = 0;
  std::vector<PropertyItem> items_;
  std::map<int, std::vector<std::string>> choices_;  // kind-3 items' allowed values
  std::vector<GridLine> lines_;
  std::vector<std::string> collapsed_;  // categories folded away
  std::string data_beginning_;
  int RowFlexGrid = -1;  // the item that asked for the range pick
  int row_ = 0;
  int col_ = kColProperty;
  int edit_requested_ = -1;
  int rows_inserted_ = 0;
  bool hidden_ = false;
  bool loaded_ = false;
  std::string location_name_, beginning_name_, direction_name_, placeholder_;
};

// The field items of the ".Data Fields" category: name and field letter.
struct FieldItem {
  const char* name;
  const char* letter;
};
inline constexpr FieldItem kFieldItems[] = {
    {"Data", "D"},         {"Time", "T"},        {"Open Price", "O"},
    {"High Price", "H"},   {"Low Price", "L"},   {"Close Price", "C"},
    {"Volume", "V"},       {"Open Interest", "P"}, {"Adjusted Close", "A"},
};

// The field letters for the ticked items, each written in the case the
// project's list (the "|" list of "Parameters" D5) gives it; a letter the
// list lacks is written in upper case.
std::string FieldLettersFor(const std::vector<std::string>& ticked_letters, const std::string& d5_list);

// The data-source text of a row from the chosen source name and its
// parameter values (by upper-case name).
std::string ComposeDataSource(const std::string& source,
                              const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace plrxl
