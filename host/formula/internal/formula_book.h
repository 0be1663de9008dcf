// FormulaBook: the engine's memory of one workbook's formulas (parsed
// trees, their references, their current results) and the recalculation
// that brings them up to date with a FormulaRequest.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/formula/internal/dependency_index.h"
#include "host/formula/internal/interpreter.h"
#include "host/formula_evaluator.h"

namespace plrxl {
class Workbook;
class Worksheet;
}  // namespace plrxl

namespace plrxl::formula {

class FormulaBook : public FormulaMemory, private CellSource {
 public:
  FormulaOutcome Recalculate(Workbook& workbook, const FormulaRequest& request, double now_1900);

 private:
  enum class State : uint8_t { kClean, kDirty, kComputing, kDone };
  struct Cell {
    int sheet = 0, row = 1, col = 1;  // 0-based sheet
    std::string text;
    std::optional<Node> root;
    std::string parse_error;
    bool is_volatile = false;
    std::vector<CellBlock> reads;
    std::optional<Rect> array;
    Value value;              // current result (valid when has_result)
    bool has_result = false;  // false: no result (uncomputable)
    Uncomputable problem;
    State state = State::kClean;
    // Dirty because something it reads changed (not only because it was
    // written anew): a result it cannot compute is then not kept.
    bool inputs_changed = false;
  };

  static uint64_t Key(int sheet, int row, int col) {
    return (static_cast<uint64_t>(sheet) << 40) | (static_cast<uint64_t>(row) << 12) | static_cast<uint64_t>(col);
  }
  void Prepare(Cell& cell);
  void CollectReads(const Node& node, Cell& cell);
  bool Sync(const FormulaRequest& request, std::vector<std::pair<int, bool>>& seeds);
  void Compute(int index);
  std::vector<int> Order(const std::vector<int>& dirty);
  std::string Describe(const Cell& cell) const;

  // CellSource
  Value ReadCell(int sheet, int row, int col) override;
  void ForEachCell(int sheet, const Rect& rect, const std::function<void(int row, int col)>& visit) override;
  int SheetIndex(const std::string& name) override;
  std::string SheetName(int sheet) override;
  std::pair<int, int> UsedExtent(int sheet) override;
  const std::string* DefinedName(const std::string& name) override;

  std::vector<Cell> cells_;
  std::unordered_map<uint64_t, int> by_position_;
  DependencyIndex readers_;
  std::string fingerprint_;  // sheet and defined names the trees were built for
  std::unordered_map<std::string, int> sheet_by_name_;       // lower case
  std::unordered_map<std::string, std::string> names_;       // upper case -> refers to
  std::vector<std::pair<int, int>> extents_;                 // per sheet, computed on demand
  Workbook* workbook_ = nullptr;
  std::vector<Worksheet*> sheets_;
  EvalSettings settings_;
  std::mt19937_64 random_{std::random_device{}()};
  int depth_ = 0;
};

}  // namespace plrxl::formula
