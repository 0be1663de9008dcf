// MemoryWorksheet: a worksheet of the in-memory host. Cells live in a
// CellStore; layout (widths, heights, merges, panes, zoom, selection) and
// charts are plain members.
#pragma once

#include <algorithm>
#include <array>
#include <bitset>
#include <memory>
#include <unordered_map>
#include <vector>

#include "host/formula_evaluator.h"
#include "host/memory/internal/cell_store.h"
#include "host/memory/internal/merged_ranges.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

class MemoryWorkbook;

class MemoryWorksheet : public Worksheet {
 public:
  static constexpr double kDefaultColumnWidth = 8.43;
  static constexpr double kDefaultRowHeight = 15.0;

  MemoryWorksheet(MemoryWorkbook& parent, std::string name);

  Workbook& Parent() override;
  std::string Name() const override { return name_; }
  void SetName(const std::string& name) override;
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override;
  void Activate() override;

  Variant CellValue(int row, int col) const override;
  void SetCellValue(int row, int col, const Variant& value) override;
  void SetCellSharedText(int row, int col, const std::shared_ptr<const std::string>& text) override;
  std::string CellFormula(int row, int col) const override;
  void SetCellFormula(int row, int col, const std::string& formula, const Variant& cached) override;
  std::optional<Rect> ArrayFormulaRange(int row, int col) const override;
  void SetCellArrayFormula(const Rect& range, const std::string& formula, const Variant& cached) override;
  CellStyle CellStyleAt(int row, int col) const override;
  void SetCellStyle(int row, int col, const CellStyle& style) override;
  int CellStyleId(int row, int col) const override;
  void SetCellStyleId(int row, int col, int style_id) override;
  bool IsCellEmpty(int row, int col) const override;
  void ForEachCell(const Rect& rect, const std::function<void(int row, int col)>& visit) const override;
  void ClearCells(const Rect& rect, bool values, bool formats) override;
  void InsertCellsShiftDown(const Rect& rect) override;
  void DeleteCellsShiftUp(const Rect& rect) override;
  std::optional<Rect> UsedRange() const override { return cells_.Used(); }
  std::optional<std::pair<int, int>> LastCellWithContent(const Rect& rect) const override;

  double ColumnWidth(int col) const override;
  void SetColumnWidth(int col, double width) override;
  bool ColumnWidthIsCustom(int col) const override;
  double RowHeight(int row) const override;
  void SetRowHeight(int row, double height) override;
  bool RowHeightIsCustom(int row) const override;
  std::vector<int> CustomHeightRows() const override;
  const std::vector<Rect>& MergedCells() const override { return merged_.All(); }
  void Merge(const Rect& rect) override;
  std::pair<int, int> FrozenPanes() const override { return frozen_; }
  void FreezePanes(int rows, int cols) override;
  int Zoom() const override { return zoom_; }
  void SetZoom(int percent) override;
  Rect SelectionRect() const override { return selection_; }
  void SetSelectionRect(const Rect& rect) override;

  int ChartCount() const override { return static_cast<int>(charts_.size()); }
  Chart& ChartAt(int index) override;
  Chart& AddChart(double left, double top, double width, double height) override;
  void DeleteChart(int index) override;
  std::shared_ptr<const CarriedSheetFeatures> CarriedFeatures() const override { return carried_features_; }
  void SetCarriedFeatures(std::shared_ptr<const CarriedSheetFeatures> features) override {
    carried_features_ = std::move(features);
    RowsChanged(1);  // they hold rows of their own
  }
  std::shared_ptr<const LoadedSheetPart> LoadedPart() const override { return loaded_part_; }
  void SetLoadedPart(std::shared_ptr<const LoadedSheetPart> part) override {
    loaded_part_ = std::move(part);
    changed_ = false;
    rows_changed_from_ = kMaxRows + 1;
  }
  bool ChangedSinceLoad() const override { return changed_; }
  int RowsChangedFrom() const override { return rows_changed_from_; }

  size_t MemoryUsage() const { return sizeof(*this) + cells_.MemoryUsage(); }

  // For the workbook's formula evaluation: appends every formula cell of
  // this sheet (index `sheet` in the workbook) to `sites`, and stores a
  // computed result without counting as a change.
  void CollectFormulas(int sheet, std::vector<FormulaSite>& sites) const;
  void SetFormulaResult(int row, int col, const Variant& result);
  void SetArrayResults(const Rect& range, const std::string& formula, const Variant& result);

 private:
  // The sheet no longer equals the part it was loaded from: somewhere, or
  // from `row` on in its rows.
  void Changed() { changed_ = true; }
  void RowsChanged(int row) {
    changed_ = true;
    rows_changed_from_ = std::min(rows_changed_from_, row);
  }
  // True when the cell holds exactly `value` and no formula: writing it
  // again changes nothing.
  bool Holds(int row, int col, const Variant& value) const;

  MemoryWorkbook& parent_;
  std::string name_;
  bool visible_ = true;
  CellStore cells_;
  std::array<double, kMaxCols> widths_;
  std::bitset<kMaxCols> custom_widths_;
  std::unordered_map<int, double> heights_;
  MergedRanges merged_;
  std::pair<int, int> frozen_{0, 0};
  int zoom_ = 100;
  Rect selection_{1, 1, 1, 1};
  std::vector<std::unique_ptr<Chart>> charts_;
  int next_chart_number_ = 1;
  std::shared_ptr<const CarriedSheetFeatures> carried_features_;
  std::shared_ptr<const LoadedSheetPart> loaded_part_;
  bool changed_ = true;
  int rows_changed_from_ = 1;
};

}  // namespace plrxl
