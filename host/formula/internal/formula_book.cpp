#include "host/formula/internal/formula_book.h"

#include <algorithm>
#include <map>

#include "host/formula/internal/function_table.h"
#include "host/spreadsheet_host.h"

namespace plrxl::formula {
namespace {

// Formulas reading formulas deeper than this (outside the computed order,
// through OFFSET or INDIRECT) are left without a result.
constexpr int kMaxDepth = 400;
// Warnings of one evaluation beyond this many are summed up in one line.
constexpr size_t kMaxWarnings = 20;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

Variant OutcomeValue(const Value& v) {
  if (!v.IsArray()) return ToVariant(v);
  const Matrix& m = v.array();
  std::vector<Variant> cells;
  for (const Value& x : m.cells) cells.push_back(ToVariant(x));
  return Variant::Array2D(m.rows, m.cols, std::move(cells));
}

}  // namespace

void FormulaBook::CollectReads(const Node& node, Cell& cell) {
  switch (node.kind) {
    case NodeKind::kRef: {
      const int sheet = node.ref.sheet.empty() ? cell.sheet : SheetIndex(node.ref.sheet);
      if (sheet >= 0) cell.reads.push_back(CellBlock{sheet, node.ref.row1, node.ref.col1, node.ref.row2, node.ref.col2});
      break;
    }
    case NodeKind::kName: {
      try {
        Interpreter in(*this, settings_, cell.sheet, cell.row, cell.col);
        if (std::optional<CellBlock> block = in.ResolveName(node.text)) cell.reads.push_back(*block);
      } catch (const Uncomputable&) {
        // Computing it says why.
      }
      break;
    }
    case NodeKind::kCall:
      if (node.function != nullptr && (node.function->flags & (kVolatile | kDynamicRefs)) != 0) cell.is_volatile = true;
      break;
    default:
      break;
  }
  for (const Node& child : node.children) CollectReads(child, cell);
}

void FormulaBook::Prepare(Cell& cell) {
  ParseResult parsed = ParseFormula(cell.text);
  cell.root = std::move(parsed.root);
  cell.parse_error = std::move(parsed.error);
  cell.reads.clear();
  cell.is_volatile = false;
  if (cell.root) CollectReads(*cell.root, cell);
}

bool FormulaBook::Sync(const FormulaRequest& request, std::vector<std::pair<int, bool>>& seeds) {
  const bool first = by_position_.empty() && cells_.empty();
  // The usual case between two reads: the same formulas in the same cells.
  if (!request.everything_changed && request.formulas.size() == cells_.size()) {
    bool same = true;
    for (size_t i = 0; i < cells_.size() && same; ++i) {
      const FormulaSite& site = request.formulas[i];
      const Cell& cell = cells_[i];
      same = cell.sheet == site.sheet - 1 && cell.row == site.row && cell.col == site.col && cell.text == site.formula &&
             cell.array == site.array;
    }
    if (same) {
      for (size_t i = 0; i < cells_.size(); ++i) {
        cells_[i].state = State::kClean;
        cells_[i].inputs_changed = false;
        if (cells_[i].is_volatile) seeds.emplace_back(static_cast<int>(i), true);
      }
      return false;
    }
  }
  bool structure_changed = request.everything_changed || request.formulas.size() != cells_.size();
  std::vector<Cell> next;
  next.reserve(request.formulas.size());
  std::unordered_map<uint64_t, int> next_position;
  next_position.reserve(request.formulas.size());
  for (const FormulaSite& site : request.formulas) {
    const uint64_t key = Key(site.sheet - 1, site.row, site.col);
    const int index = static_cast<int>(next.size());
    auto old = by_position_.find(key);
    if (!request.everything_changed && old != by_position_.end() && cells_[static_cast<size_t>(old->second)].text == site.formula &&
        cells_[static_cast<size_t>(old->second)].array == site.array) {
      Cell cell = std::move(cells_[static_cast<size_t>(old->second)]);
      cell.state = State::kClean;
      cell.inputs_changed = false;
      if (cell.is_volatile) seeds.emplace_back(index, true);
      next.push_back(std::move(cell));
    } else {
      structure_changed = true;
      Cell cell;
      cell.sheet = site.sheet - 1, cell.row = site.row, cell.col = site.col;
      cell.text = site.formula;
      cell.array = site.array;
      Prepare(cell);
      // What a loaded file stored stands while nothing it reads changes.
      cell.value = FromVariant(site.cached);
      cell.has_result = !site.cached.IsEmpty();
      if (!first || request.everything_changed || cell.is_volatile || !cell.has_result)
        seeds.emplace_back(index, request.everything_changed || cell.is_volatile);
      next.push_back(std::move(cell));
    }
    next_position[key] = index;
  }
  cells_ = std::move(next);
  by_position_ = std::move(next_position);
  return structure_changed;
}

FormulaOutcome FormulaBook::Recalculate(Workbook& workbook, const FormulaRequest& request, double now_1900) {
  workbook_ = &workbook;
  sheets_.clear();
  std::string fingerprint;
  for (int i = 1; i <= workbook.WorksheetCount(); ++i) {
    sheets_.push_back(&workbook.WorksheetAt(i));
    fingerprint += sheets_.back()->Name() + '\x01';
  }
  fingerprint += '\x02';
  for (int i = 1; i <= workbook.NameCount(); ++i) {
    const plrxl::DefinedName& name = workbook.NameAt(i);
    fingerprint += name.name + '=' + name.refers_to + '\x01';
  }
  FormulaRequest adjusted;
  const bool names_changed = fingerprint != fingerprint_ && !fingerprint_.empty();
  if (fingerprint != fingerprint_) {
    fingerprint_ = fingerprint;
    sheet_by_name_.clear();
    names_.clear();
    for (size_t i = 0; i < sheets_.size(); ++i) sheet_by_name_[Lower(sheets_[i]->Name())] = static_cast<int>(i);
    for (int i = 1; i <= workbook.NameCount(); ++i) names_[Upper(workbook.NameAt(i).name)] = workbook.NameAt(i).refers_to;
  }
  extents_.assign(sheets_.size(), {-1, -1});
  settings_.dates = DateSystem(request.date1904);
  settings_.now = request.date1904 ? now_1900 - 1462 : now_1900;
  settings_.random = &random_;

  std::vector<std::pair<int, bool>> seeds;  // formula, whether its inputs changed
  FormulaRequest everything;
  const FormulaRequest* effective = &request;
  if (names_changed && !request.everything_changed) {
    // Renamed sheets and changed names change what the formulas read.
    everything.formulas = request.formulas;
    everything.everything_changed = true;
    everything.date1904 = request.date1904;
    effective = &everything;
  }
  if (Sync(*effective, seeds)) {
    readers_.Clear();
    for (size_t i = 0; i < cells_.size(); ++i)
      for (const CellBlock& block : cells_[i].reads) readers_.Add(block, static_cast<int>(i));
    readers_.Finish();
  }

  // Everything reading a changed cell, and everything reading those.
  std::vector<int> queue;
  auto mark_as = [&](int f, bool inputs_changed) {
    Cell& cell = cells_[static_cast<size_t>(f)];
    cell.inputs_changed |= inputs_changed;
    if (cell.state == State::kDirty) return;
    cell.state = State::kDirty;
    queue.push_back(f);
  };
  auto mark = [&](int f) { mark_as(f, true); };
  // A formula cell written anew holds what it was written with.
  auto rewritten = [&](int f) {
    const FormulaSite& site = effective->formulas[static_cast<size_t>(f)];
    Cell& cell = cells_[static_cast<size_t>(f)];
    cell.value = FromVariant(site.cached);
    cell.has_result = !site.cached.IsEmpty();
    mark_as(f, false);
  };
  for (const auto& [f, inputs_changed] : seeds) mark_as(f, inputs_changed);
  for (const ChangedCells& change : request.changed) {
    const CellBlock block{change.sheet - 1, change.rect.row1, change.rect.col1, change.rect.row2, change.rect.col2};
    if (static_cast<long long>(block.Rows()) * block.Cols() <= 4096) {
      for (int r = block.row1; r <= block.row2; ++r)
        for (int c = block.col1; c <= block.col2; ++c) {
          auto it = by_position_.find(Key(block.sheet, r, c));
          if (it != by_position_.end()) rewritten(it->second);
        }
    } else {
      for (size_t i = 0; i < cells_.size(); ++i) {
        const Cell& cell = cells_[i];
        if (cell.sheet == block.sheet && Rect{block.row1, block.col1, block.row2, block.col2}.Contains(cell.row, cell.col))
          rewritten(static_cast<int>(i));
      }
    }
    readers_.ForEachReader(block, mark);
  }
  for (size_t k = 0; k < queue.size(); ++k) {
    const Cell& cell = cells_[static_cast<size_t>(queue[k])];
    readers_.ForEachReader(CellBlock{cell.sheet, cell.row, cell.col, cell.row, cell.col}, mark);
  }

  FormulaOutcome outcome;
  std::vector<int> dirty = queue;
  for (int f : Order(dirty)) Compute(f);
  std::sort(dirty.begin(), dirty.end());
  size_t without = 0;
  for (int f : dirty) {
    Cell& cell = cells_[static_cast<size_t>(f)];
    if (cell.state == State::kDirty) Compute(f);
    if (cell.has_result) {
      outcome.results.emplace_back(static_cast<size_t>(f), OutcomeValue(cell.value));
    } else {
      outcome.results.emplace_back(static_cast<size_t>(f), std::nullopt);
      if (++without <= kMaxWarnings) outcome.warnings.push_back(Describe(cell));
    }
  }
  if (without > kMaxWarnings)
    outcome.warnings.push_back("... and " + std::to_string(without - kMaxWarnings) + " more formula(s) saved without a result");
  for (const Cell& cell : cells_) outcome.volatile_formulas |= cell.is_volatile;
  workbook_ = nullptr;
  return outcome;
}

std::vector<int> FormulaBook::Order(const std::vector<int>& dirty) {
  // Where the dirty formulas sit, column by column, to find the dirty
  // formulas each one reads.
  std::map<std::pair<int, int>, std::vector<std::pair<int, int>>> by_column;  // (sheet, col) -> (row, formula)
  for (int f : dirty) {
    const Cell& cell = cells_[static_cast<size_t>(f)];
    by_column[{cell.sheet, cell.col}].emplace_back(cell.row, f);
  }
  for (auto& [key, rows] : by_column) std::sort(rows.begin(), rows.end());
  std::vector<std::pair<int, int>> edges;  // (read formula, reader)
  std::vector<int> pending(cells_.size(), 0);
  for (int f : dirty) {
    for (const CellBlock& block : cells_[static_cast<size_t>(f)].reads) {
      auto from = by_column.lower_bound({block.sheet, block.col1});
      for (auto it = from; it != by_column.end() && it->first.first == block.sheet && it->first.second <= block.col2; ++it) {
        auto lo = std::lower_bound(it->second.begin(), it->second.end(), std::make_pair(block.row1, -1));
        for (auto k = lo; k != it->second.end() && k->first <= block.row2; ++k) {
          edges.emplace_back(k->second, f);
          ++pending[static_cast<size_t>(f)];
        }
      }
    }
  }
  std::sort(edges.begin(), edges.end());
  std::vector<int> order;
  order.reserve(dirty.size());
  for (int f : dirty)
    if (pending[static_cast<size_t>(f)] == 0) order.push_back(f);
  for (size_t k = 0; k < order.size(); ++k) {
    auto it = std::lower_bound(edges.begin(), edges.end(), std::make_pair(order[k], -1));
    for (; it != edges.end() && it->first == order[k]; ++it)
      if (--pending[static_cast<size_t>(it->second)] == 0) order.push_back(it->second);
  }
  return order;  // formulas in a circle are left out: computing them on demand finds the circle
}

void FormulaBook::Compute(int index) {
  Cell& cell = cells_[static_cast<size_t>(index)];
  if (cell.state != State::kDirty) return;
  cell.state = State::kComputing;
  const Value previous = cell.value;
  const bool had_result = cell.has_result;
  cell.has_result = false;
  cell.problem = Uncomputable{};
  if (!cell.root) {
    cell.problem.why = "it cannot be read (" + cell.parse_error + ")";
  } else {
    try {
      Interpreter in(*this, settings_, cell.sheet, cell.row, cell.col);
      if (cell.array) {
        const long long cells = static_cast<long long>(cell.array->Rows()) * cell.array->Cols();
        if (cells > kMaxArrayCells)
          throw Uncomputable{"", "its array covers " + std::to_string(cells) + " cells, more than the " +
                                     std::to_string(kMaxArrayCells) + " PelorinXL computes"};
        auto m = std::make_shared<Matrix>(in.EvaluateArray(*cell.root, cell.array->Rows(), cell.array->Cols()));
        cell.value = Value::Array(std::move(m));
      } else {
        cell.value = in.Evaluate(*cell.root);
      }
      cell.has_result = true;
    } catch (const Uncomputable& u) {
      cell.problem = u;
    }
  }
  if (!cell.has_result && !cell.inputs_changed && had_result) {
    // Written anew with a result, reading nothing that changed: that result stands.
    cell.value = previous;
    cell.has_result = true;
  }
  cell.state = State::kDone;
}

std::string FormulaBook::Describe(const Cell& cell) const {
  std::string where = sheets_[static_cast<size_t>(cell.sheet)]->Name() + "!" + ColumnLetters(cell.col) + std::to_string(cell.row);
  std::string text = cell.text.empty() || cell.text[0] == '=' ? cell.text : "=" + cell.text;
  std::string why = !cell.problem.function.empty() && cell.problem.why.empty()
                        ? "uses " + cell.problem.function + ", which PelorinXL cannot compute"
                        : "cannot be computed: " + cell.problem.why;
  return where + ": " + text + " " + why + "; it is saved without a result";
}

Value FormulaBook::ReadCell(int sheet, int row, int col) {
  auto it = by_position_.find(Key(sheet, row, col));
  if (it == by_position_.end()) {
    if (sheet < 0 || sheet >= static_cast<int>(sheets_.size())) return Value::Error(CellError::kRef);
    return FromVariant(sheets_[static_cast<size_t>(sheet)]->CellValue(row, col));
  }
  Cell& cell = cells_[static_cast<size_t>(it->second)];
  if (cell.state == State::kDirty) {
    if (depth_ >= kMaxDepth) throw Uncomputable{"", "its formulas refer to each other too deeply"};
    ++depth_;
    Compute(it->second);
    --depth_;
  }
  Cell& done = cells_[static_cast<size_t>(it->second)];
  const std::string name = sheets_[static_cast<size_t>(sheet)]->Name() + "!" + ColumnLetters(col) + std::to_string(row);
  if (done.state == State::kComputing) throw Uncomputable{"", "it is part of a circular reference through " + name};
  if (!done.has_result) {
    if (!done.problem.function.empty()) throw Uncomputable{done.problem.function, ""};
    throw Uncomputable{"", "it reads " + name + ", which has no result"};
  }
  if (done.value.IsArray()) return done.value.array().cells.empty() ? Value() : done.value.array().cells[0];
  return done.value;
}

void FormulaBook::ForEachCell(int sheet, const Rect& rect, const std::function<void(int row, int col)>& visit) {
  if (sheet < 0 || sheet >= static_cast<int>(sheets_.size())) return;
  Rect r = rect;
  r.row1 = std::max(r.row1, 1), r.col1 = std::max(r.col1, 1);
  r.row2 = std::min(r.row2, kMaxRows), r.col2 = std::min(r.col2, kMaxCols);
  if (r.row1 > r.row2 || r.col1 > r.col2) return;
  sheets_[static_cast<size_t>(sheet)]->ForEachCell(r, visit);
}

int FormulaBook::SheetIndex(const std::string& name) {
  auto it = sheet_by_name_.find(Lower(name));
  return it == sheet_by_name_.end() ? -1 : it->second;
}

std::string FormulaBook::SheetName(int sheet) {
  if (sheet < 0 || sheet >= static_cast<int>(sheets_.size())) return "";
  return sheets_[static_cast<size_t>(sheet)]->Name();
}

std::pair<int, int> FormulaBook::UsedExtent(int sheet) {
  if (sheet < 0 || sheet >= static_cast<int>(sheets_.size())) return {0, 0};
  auto& extent = extents_[static_cast<size_t>(sheet)];
  if (extent.first < 0) {
    const std::optional<Rect> used = sheets_[static_cast<size_t>(sheet)]->UsedRange();
    extent = used ? std::pair(used->row2, used->col2) : std::pair(0, 0);
  }
  return extent;
}

const std::string* FormulaBook::DefinedName(const std::string& name) {
  auto it = names_.find(Upper(name));
  return it == names_.end() ? nullptr : &it->second;
}

}  // namespace plrxl::formula
