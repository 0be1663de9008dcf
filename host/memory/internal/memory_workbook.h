// MemoryWorkbook: a workbook of the in-memory host: its sheets in order,
// its style table, its defined names (kept in alphabetical order, as the
// spreadsheet lists them) and the file it was loaded from or saved to.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/host_rules.h"
#include "host/memory/internal/memory_worksheet.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

class MemoryHost;

struct CellStyleHash {
  size_t operator()(const CellStyle& s) const;
};

class MemoryWorkbook : public Workbook {
 public:
  MemoryWorkbook(MemoryHost& host, std::string name);

  SpreadsheetHost& Application() override;
  std::string Name() const override { return name_; }
  std::string Path() const override { return path_; }
  std::string FullName() const override { return path_.empty() ? name_ : path_ + "/" + name_; }
  // Name and folder from a file path (made absolute).
  void SetFile(const std::string& path);

  int WorksheetCount() const override { return static_cast<int>(sheets_.size()); }
  Worksheet& WorksheetAt(int index) override;
  Worksheet* FindWorksheet(const std::string& name) override;
  Worksheet& AddWorksheet(Worksheet* before = nullptr) override;
  void DeleteWorksheet(Worksheet& sheet) override;
  void MoveWorksheet(Worksheet& sheet, int new_index) override;
  Worksheet* ActiveSheet() override { return active_sheet_; }
  bool Date1904() const override { return date1904_; }
  void SetDate1904(bool on) override { date1904_ = on; }
  void SetActiveSheet(MemoryWorksheet* sheet) { active_sheet_ = sheet; }
  // Checks a new sheet name (1004 when not allowed) for `self`.
  void CheckSheetName(const std::string& name, const Worksheet* self) const;
  // A visible sheet other than `except`, or nullptr.
  MemoryWorksheet* OtherVisibleSheet(const Worksheet* except);

  int InternStyle(const CellStyle& style) override;
  const CellStyle& StyleAt(int style_id) const override;
  int StyleCount() const override { return static_cast<int>(styles_.size()); }

  int NameCount() const override { return static_cast<int>(names_.size()); }
  const DefinedName& NameAt(int index) const override;
  void AddName(const std::string& name, const std::string& refers_to) override;
  void DefineName(const DefinedName& name) override;
  void DeleteName(const std::string& name) override;
  const DefinedName* FindName(const std::string& name) const override;

  void SaveAs(const std::string& path) override;
  void Save() override;
  std::vector<std::string>& Warnings() override { return warnings_; }
  std::vector<std::string>& Losses() override { return losses_; }
  std::shared_ptr<const CarriedWorkbookFeatures> CarriedFeatures() const override { return carried_features_; }
  void SetCarriedFeatures(std::shared_ptr<const CarriedWorkbookFeatures> features) override {
    carried_features_ = std::move(features);
  }
  std::vector<std::pair<std::string, std::string>>& CarriedParts() override { return carried_; }
  void Close() override;

  size_t MemoryUsage() const;

  // Formula evaluation through the host's FormulaEvaluator (none: formulas
  // keep the results they were given). Every write of a cell is logged;
  // EvaluateFormulas hands the log to the evaluator, which recomputes only
  // the formulas that read what changed, and stores each new result as the
  // formula's cached value. A formula the evaluator cannot compute keeps
  // its cached value while its inputs are unchanged, and holds no result
  // otherwise (a warning names it). A numeric result becomes a date when
  // the cell shows a date format or held a date before. Formulas calling
  // TODAY() or NOW() also go stale when the day moves on.
  void CellsChanged(const Worksheet& sheet, const Rect& rect);
  // Sheets added, removed, moved or renamed, cells shifted, names changed:
  // every formula is recomputed.
  void SheetsChanged() {
    formulas_stale_ = true;
    everything_changed_ = formula_memory_ != nullptr;  // before the first evaluation all is new anyway
  }
  // While a file loads, its cells are not logged one by one: the load
  // ends with ForgetChanges, and a failed load closes the workbook.
  void BeginLoad() {
    formulas_stale_ = true;
    loading_ = true;
  }
  // After a load: what the file holds is the starting point, its stored
  // results stand.
  void ForgetChanges();
  bool FormulasStale() const { return formulas_stale_ || (volatile_day_ != 0 && DayMoved()); }
  void EvaluateFormulas();

 private:
  MemoryHost& host_;
  std::string name_, path_;
  std::vector<std::unique_ptr<MemoryWorksheet>> sheets_;
  MemoryWorksheet* active_sheet_ = nullptr;
  std::vector<CellStyle> styles_;
  std::unordered_map<CellStyle, int, CellStyleHash> style_ids_;
  std::vector<DefinedName> names_;
  bool date1904_ = false;
  std::vector<std::string> warnings_;
  std::vector<std::string> losses_;
  std::shared_ptr<const CarriedWorkbookFeatures> carried_features_;
  std::vector<std::pair<std::string, std::string>> carried_;
  bool DayMoved() const;

  bool formulas_stale_ = true;
  bool everything_changed_ = false;
  std::vector<ChangedCells> changes_;
  // The last change logged per (sheet, column), to extend instead of
  // adding one entry per cell of a paste.
  std::unordered_map<uint64_t, size_t> last_change_in_column_;
  // Where the sheet of the last logged change stood in sheets_: a paste
  // writes one sheet cell after cell, so the search over all sheets runs
  // once per sheet, not once per cell. Checked before use, never trusted.
  size_t last_changed_sheet_ = 0;
  std::unique_ptr<FormulaMemory> formula_memory_;
  bool evaluating_ = false;
  bool loading_ = false;
  // The day TODAY() was last computed for; 0 when no formula calls TODAY()
  // or NOW().
  double volatile_day_ = 0;
};


}  // namespace plrxl
